// Logic blocks in real files: the item-stream scene file (ints 1 and 789, tag
// 2 with the logic block, end tag 99) and the generator of tagged logic
// blocks, a form the program reads but never writes.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/stream_file.h"

struct LogicSystem;

namespace logictest {

using scenetest::Bytes;

// The scene-stream file of the system's programs.
Bytes StreamFile(LogicSystem* sys);
// Reads the file's container and its logic block into sys: the reader's result,
// or -100 when the file is not a container with the block behind tag 2. With
// atEnd, a block that reads must end right before the end tag.
int32_t ReadStreamFile(const Bytes& file, LogicSystem* sys, bool atEnd = true);
// The container's ints, and the file with them replaced.
std::vector<int32_t> Ints(const Bytes& file);
Bytes WithInts(const Bytes& file, const std::vector<int32_t>& ints);

// The generator: the system's programs as a tagged block, layout 0 (single
// program) or 1 (counted).
Bytes TaggedFile(LogicSystem* sys, int32_t layout);
int32_t ReadTaggedFile(const Bytes& file, LogicSystem* sys);

// With GV_LOGIC_SEED_DIR set, keeps the file as a seed of a fuzz target:
// <dir>/<target>/<name>. Nothing otherwise.
void SaveSeed(const char* target, const char* name, const Bytes& file);

}  // namespace logictest
