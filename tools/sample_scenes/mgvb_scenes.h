// MGVB scene files, which the program reads but never writes: a writer of the
// form for the sample files, the tests and the fuzz seeds, and the samples of
// GVSceneFiles/ScenesMGVB made from the sample scenes.
#pragma once

#include <cstdint>
#include <cstdio>

struct GeoList;
struct HWorld;

// The optional blocks after each record: a Jel block (16 bytes and a trailer)
// after every Jel when jelBlocks; after every Geo no block for geoInner -1, a
// block holding only its inner flag for 0, and for 1 a block with runs of
// geoCounts[0..4] records (4, 500, 500, 12 and 36 bytes) and its five words.
struct MGVBBlocks {
  bool jelBlocks = false;
  int32_t geoInner = -1;
  int32_t geoCounts[5] = {};
};

// Version word, the world's Jels and the list's Geos (either may be null), each
// record with its blocks, with the file-version word set to 0 as the reader
// reads them: 1, or 0 when the file refused bytes.
int32_t GVWriteMGVB(FILE* file, const HWorld* world, const GeoList* geos, const MGVBBlocks& blocks,
                    uint32_t version = 0);

// The samples: "JelDropMerge.gvb" (the JelDrop sample's Jels and Geos) and
// "JelDropBlocks.gvb" (the same with extension blocks of every kind).
enum : int32_t { kMGVBSampleCount = 2 };
const char* GVMGVBSampleName(int32_t sample);
// Builds the sample scene into the scene's records (made by start-up, empty)
// and writes it: 1, or 0.
int32_t GVWriteMGVBSample(int32_t sample, FILE* file);
