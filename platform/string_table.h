// The program's string table (resources/string_table.txt, embedded as resource
// STRINGTABLE 1), as LoadStringA reads it.
#pragma once

#include <cstddef>
#include <map>
#include <string>

// Reads the table's text form: "<id> <text>" lines, '#' comment lines and blank
// lines; \n, \t and \\ escapes in the text. Lines that do not parse are skipped.
// Returns the number of entries read.
size_t GVParseStringTable(const unsigned char* data, size_t size, std::map<unsigned, std::string>* out);

// The text of a string id from the embedded table, or null.
const char* GVFindString(unsigned id);
