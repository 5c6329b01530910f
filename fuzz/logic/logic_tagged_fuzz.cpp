// Feeds arbitrary bytes to the tagged logic-block reader, into a system with
// its catalogue. A block that reads is written again in its layout and must
// read back from what was written.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "logic/logic_persistence.h"
#include "logic/logic_store.h"
#include "logic/logic_system.h"
#include "records/file_version.h"
#include "scene/scene_context.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  GVSetFileVersion(4);
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  SceneCtx ctx{};
  ctx.programCount = 1;
  LogicSystem sys{};
  GVInitLogicStore(&sys, &ctx);
  if (GVLoadLogic(&sys, f) >= 0 && sys.programs) {
    FILE* g = std::tmpfile();
    if (g) {
      if (GVWriteLogicTagged(&sys, g, sys.layoutFlag) != 1) std::abort();
      std::rewind(g);
      LogicSystem again{};
      if (GVLoadLogic(&again, g) < 0) std::abort();
      GVFreeLogic(&again);
      std::fclose(g);
    }
  }
  GVFreeLogicStore(&sys);
  std::fclose(f);
  return 0;
}
