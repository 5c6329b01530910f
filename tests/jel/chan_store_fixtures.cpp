#include "chan_store_fixtures.h"

#include <cstdlib>
#include <cstring>

namespace {

size_t arrayBytes(int32_t flag, int32_t n) {
  return static_cast<size_t>(GVChanElementWords(flag)) * 4 * (static_cast<size_t>(n) + 1);
}

float valueOf(int c, int32_t k, int32_t i, int word) {
  return static_cast<float>(c * 100000 + k * 1000 + i * 10) + 0.125f * static_cast<float>(word);
}

void fillArray(int c, void* data, int32_t k, int32_t n) {
  const int32_t flag = chanFlagAt(c);
  const int w = GVChanElementWords(flag);
  for (int32_t i = 1; i <= n; ++i) {
    for (int j = 0; j < w; ++j) {
      const float v = valueOf(c, k, i, j);
      switch (flag) {
        case kChanInt:
          static_cast<int32_t*>(data)[i] = static_cast<int32_t>(v * 8);
          break;
        case kChanStateRec:
          static_cast<JelStateRec*>(data)[i].w[j] = static_cast<int32_t>(v * 8) - 7;
          break;
        case kChanNodeRec:
          static_cast<JelNodeRec*>(data)[i].f[j] = v;
          break;
        case kChanMatter:
          GVMatterSetField(&static_cast<MatterProps*>(data)[i], j, v);
          break;
        default:
          static_cast<float*>(data)[w * i + j] = v;
          break;
      }
    }
  }
}

}  // namespace

ChanData* makeFilledStore(int32_t n, int32_t m, int32_t mask) {
  ChanData* cd = GVNewChanData(n);
  if (!cd || !GVAllocChannels(cd, mask, m)) return cd;
  for (int c = 0; c < kChanCount; ++c) {
    const int32_t flag = chanFlagAt(c);
    if (!(mask & flag)) continue;
    for (int32_t k = 0; k <= m; ++k) {
      ChanSlot* s = GVChanSlot(cd, flag, k);
      s->word = k + 1;
      s->frame = 10 * k + c;
      if (m >= 2 && k == m) continue;
      GVAllocChannelFrame(cd, flag, k);
      if (flag != kChanVecBlock) {
        fillArray(c, s->data, k, n);
        continue;
      }
      ChanBlock* b = static_cast<ChanBlock*>(s->data);
      for (int e = 0; e < kChanBlockEntries; ++e) {
        b->entries[e].word = e;
        b->entries[e].frame = -e;
        if ((e + k) % 3 == 0) continue;
        // Entries are freed by the store, so they come from the C heap.
        float* v = static_cast<float*>(std::malloc(12 * (static_cast<size_t>(n) + 1)));
        for (int32_t i = 0; i < 3 * (n + 1); ++i) v[i] = i < 3 ? 0.0f : valueOf(c, k, i, e);
        b->entries[e].data = v;
      }
    }
  }
  return cd;
}

bool sameStore(const ChanData* a, const ChanData* b) {
  if (!a || !b || a->count != b->count) return false;
  for (int c = 0; c < kChanCount; ++c) {
    const ChanChannel& x = a->channels[c];
    const ChanChannel& y = b->channels[c];
    if ((x.slots == nullptr) != (y.slots == nullptr)) return false;
    if (!x.slots) continue;
    if (x.slotCount != y.slotCount) return false;
    const int32_t flag = chanFlagAt(c);
    for (int32_t k = 0; k <= x.slotCount; ++k) {
      const ChanSlot& s = x.slots[k];
      const ChanSlot& t = y.slots[k];
      if (s.word != t.word || s.frame != t.frame) return false;
      if ((s.data == nullptr) != (t.data == nullptr)) return false;
      if (!s.data) continue;
      if (flag != kChanVecBlock) {
        if (std::memcmp(s.data, t.data, arrayBytes(flag, a->count)) != 0) return false;
        continue;
      }
      const ChanBlock* p = static_cast<const ChanBlock*>(s.data);
      const ChanBlock* q = static_cast<const ChanBlock*>(t.data);
      for (int e = 0; e < kChanBlockEntries; ++e) {
        const ChanSlot& u = p->entries[e];
        const ChanSlot& v = q->entries[e];
        if (u.word != v.word || u.frame != v.frame) return false;
        if ((u.data == nullptr) != (v.data == nullptr)) return false;
        if (u.data && std::memcmp(u.data, v.data, 12 * (static_cast<size_t>(a->count) + 1)) != 0)
          return false;
      }
    }
  }
  return true;
}

bool sameElements(const void* now, const void* old, int elementBytes, int32_t oldCount,
                  int32_t newCount) {
  const unsigned char* p = static_cast<const unsigned char*>(now);
  const unsigned char* q = static_cast<const unsigned char*>(old);
  const int32_t kept = oldCount < newCount ? oldCount : newCount;
  for (int32_t i = 0; i <= newCount; ++i) {
    const unsigned char* e = p + static_cast<size_t>(i) * elementBytes;
    if (i >= 1 && i <= kept) {
      if (std::memcmp(e, q + static_cast<size_t>(i) * elementBytes, elementBytes) != 0) return false;
    } else {
      for (int b = 0; b < elementBytes; ++b)
        if (e[b] != 0) return false;
    }
  }
  return true;
}
