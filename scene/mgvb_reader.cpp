#include "scene/mgvb_reader.h"

void GVLoadMGVB(FILE*) {}
