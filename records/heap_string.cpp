#include "records/heap_string.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

#include "records/binary_file.h"
#include "records/item_stream.h"

// A new heap string of n characters copied from text (which need not be
// terminated within n), or null when memory runs out.
static char* NewText(const char* text, size_t n) {
  char* s = static_cast<char*>(std::malloc(n + 1));
  if (!s) return nullptr;
  if (n) std::memcpy(s, text, n);
  s[n] = '\0';
  return s;
}

// Stores made in the field after freeing what it held; made may be null.
static void Replace(char** field, char* made) {
  std::free(*field);
  *field = made;
}

char** GVSetString(char** field, const char* text) {
  assert(field);
  // Copy first: text may be the field's own string.
  Replace(field, text ? NewText(text, std::strlen(text)) : nullptr);
  return field;
}

char** GVSetString2(char** field, const char* text) { return GVSetString(field, text); }

char** GVCopyString(char** field, const char* source) { return GVSetString(field, source); }

void GVFreeString(char** field) {
  if (field) Replace(field, nullptr);
}

// text followed by suffix as a new heap string; an absent text reads as empty.
static char* Joined(const char* text, const char* suffix) {
  const size_t a = text ? std::strlen(text) : 0;
  const size_t b = std::strlen(suffix);
  char* s = static_cast<char*>(std::malloc(a + b + 1));
  if (!s) return nullptr;
  if (a) std::memcpy(s, text, a);
  std::memcpy(s + a, suffix, b + 1);
  return s;
}

void GVAppendString(char** field, const char* suffix, char** out) {
  assert(field && out);
  if (suffix) Replace(field, Joined(*field, suffix));
  if (out != field) GVSetString(out, *field);
}

void GVAppendXXXMark(char** field, char** out) { GVAppendString(field, " (XXX)", out); }

void GVConcatString(const char* text, const char* suffix, char** out) {
  assert(out);
  if (!suffix) {
    GVSetString(out, text);
    return;
  }
  Replace(out, Joined(text, suffix));
}

int GVStrLen(const char* text) { return text ? static_cast<int>(std::strlen(text)) : 0; }

int GVStringDropTail(char** field, int n) {
  assert(field);
  if (!*field || n < 0) return 0;
  const size_t len = std::strlen(*field);
  if (len <= static_cast<size_t>(n)) return 0;
  Replace(field, NewText(*field, len - static_cast<size_t>(n)));
  return 1;
}

int GVNameEquals(const char* name, const char* text) {
  if (!name || !text) return (!name && !text) ? 1 : 0;
  return std::strcmp(name, text) == 0 ? 1 : 0;
}

int GVNameIsNotMap1(const char* name) { return GVNameEquals(name, "map1") ? 0 : 1; }

static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

static bool IsTailCharacter(char c) { return (c >= '0' && c <= '9') || c == '_' || c == '-'; }

int GVCleanName(char* name) {
  if (!name || !name[0]) return -1;
  size_t start = 0;
  while (name[start] == ' ') ++start;
  size_t len = 0;
  while (name[start + len] && name[start + len] != ' ') ++len;
  std::memmove(name, name + start, len);
  name[len] = '\0';
  if (len == 0) return -1;

  size_t kept = 0;
  bool dropped = false;
  for (size_t i = 0; i < len; ++i) {
    const char c = name[i];
    if (IsLetter(c) || (kept > 0 && IsTailCharacter(c)))
      name[kept++] = c;
    else
      dropped = true;
  }
  name[kept] = '\0';
  return dropped ? 0 : 1;
}

// Length of a present text as the stream carries it.
static int32_t StreamLength(const char* text) { return static_cast<int32_t>(std::strlen(text)); }

void GVStreamPutString(int32_t* ints, uint8_t* bytes, uint32_t* intIndex, uint32_t* byteIndex,
                       const char* text) {
  if (!text) {
    if (ints) ints[(*intIndex)++] = 0;
    return;
  }
  GVStreamPutHeapString(ints, bytes, intIndex, byteIndex, text);
}

void GVStreamPutHeapString(int32_t* ints, uint8_t* bytes, uint32_t* intIndex, uint32_t* byteIndex,
                           const char* text) {
  if (!ints || !bytes) return;
  const int32_t len = text ? StreamLength(text) : 0;
  ints[(*intIndex)++] = len;
  if (len > 0) std::memcpy(bytes + *byteIndex, text, static_cast<size_t>(len));
  *byteIndex += static_cast<uint32_t>(len);
}

void GVStreamGetString(const int32_t* ints, const uint8_t* bytes, uint32_t* intIndex, uint32_t* byteIndex,
                       char* buffer, uint32_t bufferSize) {
  if (!ints || !bytes) return;
  const int32_t stored = ints[(*intIndex)++];
  const uint32_t len = stored > 0 ? static_cast<uint32_t>(stored) : 0;
  if (buffer && bufferSize > 0) {
    const uint32_t fit = len < bufferSize - 1 ? len : bufferSize - 1;
    if (fit) std::memcpy(buffer, bytes + *byteIndex, fit);
    buffer[fit] = '\0';
  }
  *byteIndex += len;
}

void GVStreamGetNewString(const int32_t* ints, const uint8_t* bytes, uint32_t* intIndex,
                          uint32_t* byteIndex, char** field) {
  if (!ints || !bytes) return;
  const int32_t len = ints[(*intIndex)++];
  if (len <= 0) {
    Replace(field, nullptr);
    return;
  }
  Replace(field, NewText(reinterpret_cast<const char*>(bytes + *byteIndex), static_cast<size_t>(len)));
  *byteIndex += static_cast<uint32_t>(len);
}

void GVStreamCountString(ItemStream* stream, const char* text) {
  stream->intCount += 1;
  if (text) stream->byteCount += static_cast<uint32_t>(StreamLength(text));
}

int GVItemStreamPutString(ItemStream* stream, const char* text) {
  const uint32_t len = text ? static_cast<uint32_t>(StreamLength(text)) : 0;
  if (!GVItemStreamHasRoom(stream, len, 1, 0, 0)) return 0;
  if (len == 0) {
    stream->ints[stream->intCount++] = 0;
    return 1;
  }
  GVStreamPutHeapString(stream->ints, stream->bytes, &stream->intCount, &stream->byteCount, text);
  return 1;
}

// The stored length at the int cursor when it and its characters lie within the
// arrays; -1 otherwise.
static int64_t CheckedLength(const ItemStream* stream) {
  if (!GVItemStreamHasRoom(stream, 0, 1, 0, 0)) return -1;
  const int32_t stored = stream->ints[stream->intCount];
  const uint32_t len = stored > 0 ? static_cast<uint32_t>(stored) : 0;
  if (len > 0 && !GVItemStreamHasRoom(stream, len, 0, 0, 0)) return -1;
  return len;
}

int GVItemStreamGetNewString(ItemStream* stream, char** field) {
  if (CheckedLength(stream) < 0) return 0;
  // A length of 0 must not need a byte array to read as absent.
  if (!stream->bytes) {
    stream->intCount++;
    Replace(field, nullptr);
    return 1;
  }
  GVStreamGetNewString(stream->ints, stream->bytes, &stream->intCount, &stream->byteCount, field);
  return 1;
}

int GVItemStreamGetString(ItemStream* stream, char* buffer, uint32_t bufferSize) {
  if (CheckedLength(stream) < 0) return 0;
  if (!stream->bytes) {
    stream->intCount++;
    if (buffer && bufferSize > 0) buffer[0] = '\0';
    return 1;
  }
  GVStreamGetString(stream->ints, stream->bytes, &stream->intCount, &stream->byteCount, buffer, bufferSize);
  return 1;
}

// Reads n bytes into a new heap string, growing the buffer as data arrives so
// that a false length on a pipe cannot claim memory the file does not hold.
static char* ReadText(FILE* file, uint32_t n) {
  const size_t chunk = 1 << 16;
  size_t cap = n < chunk ? n : chunk;
  char* s = static_cast<char*>(std::malloc(cap + 1));
  size_t have = 0;
  while (s && have < n) {
    if (have == cap) {
      size_t grown = cap * 2 < n ? cap * 2 : n;
      char* t = static_cast<char*>(std::realloc(s, grown + 1));
      if (!t) break;
      s = t;
      cap = grown;
    }
    const size_t got = std::fread(s + have, 1, cap - have, file);
    have += got;
    if (got == 0) break;
  }
  if (!s || have < n) {
    std::free(s);
    return nullptr;
  }
  s[n] = '\0';
  return s;
}

int GVReadString(FILE* file, char** field) {
  if (!file) return 0;
  assert(field);
  Replace(field, nullptr);
  uint32_t len;
  if (!GVFileReadU32(file, &len)) return 0;
  const long long remaining = GVFileRemaining(file);
  if (remaining >= 0 && len > static_cast<unsigned long long>(remaining)) return 0;
  *field = ReadText(file, len);
  return *field ? 1 : 0;
}

int GVWriteString(FILE* file, const char* text) {
  if (!file) return 0;
  const uint32_t len = text ? static_cast<uint32_t>(std::strlen(text)) : 0;
  return GVFileWriteU32(file, len) && GVFileWriteBytes(file, text, len) ? 1 : 0;
}
