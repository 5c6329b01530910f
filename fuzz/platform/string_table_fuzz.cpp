// The string table is a text file of the resource folder, read at start-up.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::map<unsigned, std::string> table;
  size_t n = GVParseStringTable(data, size, &table);
  // Every entry read has an id the table can hold and a text without NUL bytes.
  if (n != table.size()) __builtin_trap();
  for (const auto& e : table)
    if (e.first > 65535 || e.second.find('\0') != std::string::npos) __builtin_trap();
  return 0;
}
