// Feeds arbitrary bytes, taken as an item-stream container, to the logic-block
// reader, into a system with its catalogue: at the start of the int array, and
// after the three ints that lead to it in a scene file (1, 789, tag 2). A
// block that reads must write back whole, into exactly its counted size, and
// read back from what was written.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "fuzz/stream_input.h"
#include "logic/logic_persistence.h"
#include "logic/logic_store.h"
#include "logic/logic_system.h"
#include "records/file_version.h"
#include "scene/scene_context.h"

namespace {

void writeBack(LogicSystem* sys) {
  ItemStream out;
  GVCountLogicBlock(sys, &out);
  const ItemStream counted = out;
  if (GVItemStreamAlloc(&out) != kItemStreamOk) std::abort();
  FuzzRewindStream(&out);
  if (GVStoreLogicToWords(sys, &out) != 1) std::abort();
  if (out.intCount != counted.intCount || out.floatCount != counted.floatCount ||
      out.byteCount != counted.byteCount)
    std::abort();
  FuzzRewindStream(&out);
  LogicSystem again{};
  if (GVGetLogicItem(&again, &out) < 0) std::abort();
  GVFreeLogic(&again);
  GVItemStreamReset(&out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GVSetFileVersion(4);
  ItemStream stream;
  if (FuzzReadStream(data, size, &stream)) {
    for (uint32_t start : {0u, 3u}) {
      FuzzRewindStream(&stream);
      if (start > stream.intSize) break;
      stream.intCount = start;
      SceneCtx ctx{};
      ctx.programCount = 1;
      LogicSystem sys{};
      GVInitLogicStore(&sys, &ctx);
      if (GVGetLogicItem(&sys, &stream) >= 0) writeBack(&sys);
      GVFreeLogicStore(&sys);
    }
  }
  GVItemStreamReset(&stream);
  return 0;
}
