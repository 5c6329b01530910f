// Blocks of the scene-wide records written into a real item-stream file and
// read back, the way the scene writer and reader carry them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "records/item_stream.h"

namespace scenetest {

using Bytes = std::vector<unsigned char>;

// The bytes write() puts into a temporary file.
Bytes WriteFile(const std::function<void(FILE*)>& write);
// A temporary file holding the bytes, rewound, handed to read(); its answer.
int ReadFile(const Bytes& bytes, const std::function<int(FILE*)>& read);

// Counts with count(), allocates, puts with put() (which must answer 1), writes
// the container to a temporary file, and returns the file's bytes.
Bytes WriteBlock(const std::function<void(ItemStream*)>& count, const std::function<int(ItemStream*)>& put);
// Reads a container from the bytes into *s with its cursors at 0; false when
// the container does not read.
bool ReadBlock(const Bytes& bytes, ItemStream* s);

// Reads the block's file once with each non-empty array one value short;
// get() must refuse every one.
void ExpectShortBlocksRefused(const Bytes& file, const std::function<int(ItemStream*)>& get);

// A container holding exactly these values, cursors at 0, as a file read gives.
void FillStream(ItemStream* s, const std::vector<int32_t>& ints, const std::vector<float>& floats,
                const Bytes& bytes = {});

}  // namespace scenetest
