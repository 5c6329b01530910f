#include "records/file_version.h"

// One application thread reads and writes scenes; no lock is needed.
static int32_t gFileVersion = 0;

int32_t GVGetFileVersion() { return gFileVersion; }

void GVSetFileVersion(int32_t version) { gFileVersion = version; }
