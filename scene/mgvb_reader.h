// MGVB scene files: read-only binary scenes of Jels and Geos that are merged
// into the open scene under fresh ids.
//
// Layout, little-endian: u32 version (0); i32 Jel count (at most 20), each a
// Jel file record, a u32 block flag and, when set, a Jel extension block (five
// words); i32 Geo count (at most 20), each a Geo file record, a u32 block flag
// and, when set, a Geo extension block: u32 inner flag, and when it is set
// counts A..E each followed by that many records of 4, 500, 500, 12 and 36
// bytes, then five words. Records are read with the file-version word 0.
#pragma once

#include <cstdio>

// Reads the file, merges its objects into the scene, prepares them and steps
// the scene to frame 0. A file that stops early merges nothing, and the
// warning names the file when its name is given.
void GVLoadMGVB(FILE* file, const char* name = nullptr);
