// Checking and cleaning object names.
#include "toolkit/object_names.h"

#include <cstdlib>
#include <cstring>

static bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

static bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool GVIsNameChar(char c, int position) {
  if (isLetter(c) || c == '_') return true;
  return isDigit(c) && position >= 1;
}

bool GVHasNoLetter(const char* s) {
  for (; s && *s; s++)
    if (isLetter(*s)) return false;
  return true;
}

bool GVIsValidName(const char* s) {
  if (!s || !*s) return false;
  for (int i = 0; s[i]; i++)
    if (!GVIsNameChar(s[i], i)) return false;
  return true;
}

int GVCleanObjectName(char** name) {
  if (!name || !*name || !**name) return -1;
  if (GVIsValidName(*name)) return 0;
  if (GVHasNoLetter(*name)) return -1;
  const char* old = *name;
  size_t length = std::strlen(old);
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (!copy) return -1;
  size_t n = 0;
  // Positions are those of the string being cleaned, so a digit that followed
  // dropped characters survives this pass; the next pass drops it if it leads.
  for (size_t i = 0; i < length; i++)
    if (old[i] != ' ' && GVIsNameChar(old[i], static_cast<int>(i))) copy[n++] = old[i];
  copy[n] = '\0';
  std::free(*name);
  *name = copy;
  if (!isLetter(copy[0]) && copy[0] != '_') GVCleanObjectName(name);
  return 1;
}

// Cleans a private copy and writes the result back; a cleaned name is never
// longer than the typed one.
static int cleanInPlace(char* name) {
  if (!name) return -1;
  size_t size = std::strlen(name) + 1;
  char* copy = static_cast<char*>(std::malloc(size));
  if (!copy) return -1;
  std::memcpy(copy, name, size);
  int result = GVCleanObjectName(&copy);
  std::strcpy(name, copy);
  std::free(copy);
  return result;
}

int GVCheckNewName(char* name) { return cleanInPlace(name) == -1 ? 0 : 1; }

int GVCheckRenameName(char* name) {
  switch (cleanInPlace(name)) {
    case 0: return 1;
    case 1: return 0;
    default: return -1;
  }
}
