// The string table and LoadStringA.
#include "platform/string_table.h"

#include <cstring>

#include "platform/kernel32.h"
#include "platform/resource_data.h"
#include "platform/user32.h"

static const unsigned kMaxStringId = 65535;

static void parseLine(const char* p, const char* end, std::map<unsigned, std::string>* out) {
  if (p == end || *p == '#') return;
  unsigned id = 0;
  const char* digits = p;
  while (p < end && *p >= '0' && *p <= '9') {
    id = id * 10 + (unsigned)(*p - '0');
    if (id > kMaxStringId) return;
    ++p;
  }
  if (p == digits || p == end || (*p != ' ' && *p != '\t')) return;
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  std::string text;
  for (; p < end; ++p) {
    if (*p == '\\' && p + 1 < end) {
      char e = *++p;
      if (e) text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
    } else if (*p) {
      text += *p;
    }
  }
  (*out)[id] = text;
}

size_t GVParseStringTable(const unsigned char* data, size_t size, std::map<unsigned, std::string>* out) {
  if (!data || !out) return 0;
  size_t before = out->size();
  const char* p = (const char*)data;
  const char* end = p + size;
  while (p < end) {
    const char* eol = (const char*)memchr(p, '\n', (size_t)(end - p));
    const char* lineEnd = eol ? eol : end;
    const char* trimmed = lineEnd;
    if (trimmed > p && trimmed[-1] == '\r') --trimmed;
    parseLine(p, trimmed, out);
    p = eol ? eol + 1 : end;
  }
  return out->size() - before;
}

const char* GVFindString(unsigned id) {
  static std::map<unsigned, std::string>* table = nullptr;
  if (!table) {
    table = new std::map<unsigned, std::string>();
    if (const GVResource* r = GVFindResource("STRINGTABLE", 1)) GVParseStringTable(r->data, r->size, table);
  }
  auto it = table->find(id);
  return it == table->end() ? nullptr : it->second.c_str();
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int bufferMax) {
  if (!buffer || bufferMax <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char* text = GVFindString(id);
  if (!text) {
    buffer[0] = 0;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  size_t n = strlen(text);
  if (n > (size_t)bufferMax - 1) n = (size_t)bufferMax - 1;
  memcpy(buffer, text, n);
  buffer[n] = 0;
  return (int)n;
}
