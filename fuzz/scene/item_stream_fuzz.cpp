// Reads arbitrary bytes as an item-stream container. A container that reads
// must write back as exactly the bytes it came from, and a parse over it with
// the checked takes must stay inside its arrays.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "jel/vector_math.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

static void ParseLikeAReader(ItemStream* s) {
  s->byteCount = s->intCount = s->floatCount = s->itemCount = 0;
  // Tags decide what follows, as in a scene stream; any garbage must end
  // cleanly at an array's end.
  for (int guard = 0; guard < 100000; ++guard) {
    int32_t tag;
    if (!GVItemStreamTakeInt(s, &tag)) return;
    switch (tag & 7) {
      case 0: {
        char* text = nullptr;
        if (!GVItemStreamGetNewString(s, &text)) return;
        GVFreeString(&text);
        break;
      }
      case 1: {
        char name[20];
        if (!GVItemStreamGetString(s, name, sizeof name)) return;
        if (std::strlen(name) >= sizeof name) std::abort();
        break;
      }
      case 2: {
        float bounds[6];
        if (!GVGetBoundsItem(s, bounds)) return;
        break;
      }
      case 3: {
        float f;
        if (!GVItemStreamTakeFloat(s, &f)) return;
        break;
      }
      case 4: {
        double d;
        if (!GVItemStreamTakeItem(s, &d)) return;
        break;
      }
      case 5:
        if (GVItemStreamHasRoom(s, 0, 19, 1, 0)) {
          FrameParams p;
          GVReadFrameParamsImage(&s->intCount, s->ints, &p, s->floats, &s->floatCount);
        }
        break;
      default:
        if (GVItemStreamHasRoom(s, 0, 0, 9, 0)) {
          float m[9];
          GVStreamGetMat3(&s->floatCount, m, s->floats);
        }
        break;
    }
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FILE* in = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!in) return 0;
  ItemStream s;
  const int r = GVItemStreamRead(&s, in);
  const long used = std::ftell(in);
  std::fclose(in);
  if (r != kItemStreamOk) {
    if (s.bytes || s.ints || s.floats || s.items) std::abort();  // a refusal holds nothing
    return 0;
  }

  char* out = nullptr;
  size_t outSize = 0;
  FILE* w = open_memstream(&out, &outSize);
  if (GVItemStreamWrite(&s, w) != kItemStreamOk) std::abort();
  std::fclose(w);
  if (static_cast<long>(outSize) != used || std::memcmp(out, data, outSize) != 0) std::abort();
  std::free(out);

  ParseLikeAReader(&s);
  GVItemStreamReset(&s);
  return 0;
}
