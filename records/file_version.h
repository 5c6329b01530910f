// The process-wide file-version word. Record readers consult it to choose a
// field layout: the item-stream, tagged and import readers and writers set it
// to 4 before they start, the MGVB opener sets it to 0. It is 0 at start-up.
#pragma once

#include <cstdint>

int32_t GVGetFileVersion();
void GVSetFileVersion(int32_t version);
