// Skipping and stripping comments.
#include "toolkit/comments.h"

#include <cstring>

const char* GVSkipComment(const char* p, int* kind) {
  *kind = 0;
  if (*p != '/') return p;
  if (p[1] == '\0') return p + 1;
  if (p[1] == '/') {
    const char* q = p + 2;
    for (; *q; q++) {
      if (*q == '\r' || *q == '\n') {
        *kind = 1;
        return q;
      }
    }
    return q;
  }
  if (p[1] == '*') {
    const char* end = std::strstr(p + 2, "*/");
    if (!end) return p + std::strlen(p);
    *kind = 2;
    return end + 1;
  }
  return p;
}

void GVStripComments(const char* src, char* dst) {
  if (!src) return;
  for (const char* p = src;; p++) {
    int kind = 0;
    p = GVSkipComment(p, &kind);
    if (kind != 2) *dst++ = *p;
    if (*p == '\0') return;
  }
}
