// The program's embedded resources: the files listed in resources/resources.txt
// are compiled into the platform library, as a resource script would be linked
// into a Windows executable.
#pragma once

#include <cstddef>

struct GVResource {
  const char* type;  // "BITMAP", "ICON", ...
  int id;
  const unsigned char* data;
  size_t size;
};

// The resource of a type and id, or null. Resources added by GVAddResources are
// searched before the embedded ones.
const GVResource* GVFindResource(const char* type, int id);

// Adds resources at run time (tests, tools); the table must outlive its use.
void GVAddResources(const GVResource* table, size_t count);
