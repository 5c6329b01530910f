// Typed names and the texts the list dialog reads come from users and files:
// cleaning and comment stripping must stay inside their strings and keep their
// promises (a cleaned name is valid, stripping never lengthens a text).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "toolkit/comments.h"
#include "toolkit/object_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();  // up to the first NUL, as the callers see it

  std::string stripped(text.size() + 1, '\0');
  GVStripComments(text.c_str(), &stripped[0]);
  if (std::strlen(stripped.c_str()) > text.size()) __builtin_trap();

  std::string rename = text;
  int renamed = GVCheckRenameName(&rename[0]);
  if (renamed != -1 && !GVIsValidName(rename.c_str())) __builtin_trap();
  if (renamed == -1 && rename != text) __builtin_trap();
  std::string created = text;
  if (GVCheckNewName(&created[0]) != (renamed != -1 ? 1 : 0)) __builtin_trap();
  return 0;
}
