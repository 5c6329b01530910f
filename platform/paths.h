// Paths as the program writes them ('\' separators, any letter case) turned into
// paths of this system: separators become '/', and a component whose case differs
// from the one on disk takes the name found on disk.
#pragma once

#include <string>

// The native form of a path. Components that do not exist are kept as written.
std::string GVNativePath(const char* path);
