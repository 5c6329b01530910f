#include "appwins/material_scan.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "scene/work_folders.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '`'; }

const char kTemplate[] = "GvTEMPLATE";

}  // namespace

const char* GVFindAfter(const char* text, const char* word, int length) {
  if (!text || !word) return nullptr;
  for (const char* p = text; *p; ++p) {
    int k = 0;
    while (k < length && p[k] && p[k] == word[k]) ++k;
    if (k == length) return p + length;
  }
  return nullptr;
}

const char* GVFindAfter(const char* text, const char* word) {
  return GVFindAfter(text, word, static_cast<int>(strlen(word)));
}

const char* GVNextMaterialToken(const char* pos, char* token) {
  token[0] = 0;
  if (!pos || !*pos) return nullptr;
  const char* p = pos + 1;
  while (*p && isBlank(*p)) ++p;
  if (!*p) return nullptr;
  const char* start = p;
  bool quoted = false;
  int n = 0;
  for (; *p; ++p) {
    if (*p == '"') quoted = !quoted;
    else if (!quoted && isBlank(*p)) {
      token[n < kMaterialNameMax ? n : 0] = 0;
      return start;
    }
    if (n < kMaterialNameMax - 1) token[n] = *p;
    ++n;  // keeps counting past the buffer so an overlong token comes out empty
  }
  token[0] = 0;
  return nullptr;
}

int GVIsTemplateName(const char* name) {
  return strncmp(name, kTemplate, sizeof kTemplate - 1) == 0 ? 1 : 0;
}

const char* GVScanMaterialScript(const char* text, const char* keyword, const char* base,
                                 char* name, int* slash) {
  char token[kMaterialNameMax];
  for (;;) {
    if (slash) *slash = 0;
    name[0] = 0;
    if (!text) return nullptr;
    const char* p = GVFindAfter(text, keyword);
    if (!p) return nullptr;
    const char* start = GVNextMaterialToken(p, token);
    if (!start) return nullptr;
    size_t len = strlen(token);
    // An empty token was too long for the buffer: it is skipped, not listed.
    const char* after = start;
    for (bool quoted = false; *after; ++after) {
      if (*after == '"') quoted = !quoted;
      else if (!quoted && isBlank(*after)) break;
    }
    const char* q = GVFindAfter(token, base);
    if (q && *q == '/') {
      memmove(name, q + 1, strlen(q + 1) + 1);
      if (slash) *slash = 1;
    } else {
      memcpy(name, token, len + 1);
    }
    if (len > 0 && !GVIsTemplateName(name)) return after;
    text = after;
  }
}

bool GVMaterialBaseName(const char* fileName, char* base) {
  size_t len = fileName ? strlen(fileName) : 0;
  if (len <= 9 || len - 9 >= static_cast<size_t>(kMaterialNameMax)) return false;
  memcpy(base, fileName, len - 9);
  base[len - 9] = 0;
  return true;
}

int GVWalkMaterialScript(const char* text, const char* base,
                         void (*add)(const char* name, void* user), void* user) {
  char name[kMaterialNameMax];
  int count = 0;
  for (const char* p = GVScanMaterialScript(text, "material", base, name, nullptr); p;
       p = GVScanMaterialScript(p, "material", base, name, nullptr)) {
    if (add) add(name, user);
    ++count;
  }
  return count;
}

int GVLookUpScriptMaterial(const char* text, const char* base, const char* name) {
  char listed[kMaterialNameMax];
  int slash = 0;
  for (const char* p = GVScanMaterialScript(text, "material", base, listed, &slash); p;
       p = GVScanMaterialScript(p, "material", base, listed, &slash))
    if (strcmp(listed, name) == 0) return slash;
  return -1;
}

char* GVReadWholeFile(const char* path, long* size) {
  FILE* f = fopen(path, "rb");
  if (!f) return nullptr;
  fseek(f, 0, SEEK_END);
  long n = ftell(f);
  fseek(f, 0, SEEK_SET);
  if (n < 0) n = 0;
  char* text = new char[n + 1];
  long got = static_cast<long>(fread(text, 1, static_cast<size_t>(n), f));
  fclose(f);
  text[got] = 0;
  if (size) *size = got;
  return text;
}

int GVFindScriptMaterial(const char* fileName, const char* name) {
  char base[kMaterialNameMax];
  if (!fileName || !name) return -1;
  const std::string path = std::string(GVScriptsDir()) + "/" + fileName;
  char* text = GVReadWholeFile(path.c_str(), nullptr);
  if (!text) return -1;
  int r = GVMaterialBaseName(fileName, base) ? GVLookUpScriptMaterial(text, base, name) : -1;
  delete[] text;
  return r;
}
