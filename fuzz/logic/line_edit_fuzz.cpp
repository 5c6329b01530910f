// Edits a main program as the logic window does: the first bytes give up to
// twelve lines as a file may hold them (any category, command, flags, slot
// types, indices and constants), the rest a series of window gestures (column
// steps and resets, option cycles, fresh result variables, texts into a small
// buffer, object numbers, selection, copy, paste, switch-off and delete). No
// gesture may reach outside the lines, the variable arrays or the buffers.
#include <cstdint>
#include <cstring>

#include "dynamics/world.h"
#include "jel/chan_data.h"
#include "logic/line_services.h"
#include "logic/logic_store.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "logic/slot_types.h"
#include "scene/scene_context.h"

namespace {

struct Input {
  const uint8_t* p;
  size_t left;
  uint8_t U8() {
    if (left == 0) return 0;
    --left;
    return *p++;
  }
  int32_t I32() {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = (v << 8) | U8();
    return static_cast<int32_t>(v);
  }
  float F32() {
    const int32_t bits = I32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  // Mostly a single type bit, sometimes any word.
  int32_t Type() {
    const uint8_t v = U8();
    return v < 200 ? (v % 10 ? 1 << (v % 10 - 1) : 0) : I32();
  }
  // Mostly small, sometimes any word.
  int32_t Small() {
    const uint8_t v = U8();
    return v < 224 ? v % 16 - 2 : I32();
  }
};

LogicLine* AnyLine(LogicSystem* sys, Input& in) { return GVLogicGetLine(sys, 1, in.U8() % 14); }

// Pasted lines stay selected, so repeated copy and paste doubles the program:
// the run stops pasting at this size.
constexpr int32_t kMaxLines = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  HWorld world;
  HWorld* cell = &world;
  SceneCtx ctx;
  ctx.world = &cell;
  LogicSystem sys;
  GVInitLogicStore(&sys, &ctx);
  sys.appCB = nullptr;

  LogicLine* last = nullptr;
  const int lines = in.U8() % 13;
  for (int k = 0; k < lines; ++k) {
    LogicLine* l = last = GVLogicInsertLineAfter(&sys, 1, last);
    l->category = in.U8() < 240 ? in.U8() % 11 : in.I32();
    l->command = in.Small();
    l->flags = static_cast<uint32_t>(in.I32());
    l->resultType = in.Type();
    l->resultVar = in.Small();
    for (int a = 0; a < kLogicArgs; ++a) {
      l->argType[a] = in.Type();
      l->argVar[a] = in.Small();
      l->argInt[a] = in.Small();
      l->argFloat[a] = in.F32();
    }
    if (in.U8() == 7) l->chan = GVNewChanData(in.U8() % 8);
    if (in.U8() == 9) createFGItem(l, in.Small(), 1.0f, 0);
  }
  GVLogicEnsureLine(&sys, 1);

  char text[8];
  for (int op = 0; op < 64 && in.left; ++op) {
    LogicLine* l = AnyLine(&sys, in);
    const int32_t pos = GVLogicLineNumber(1, l, &sys);
    switch (in.U8() % 10) {
      case 0:
      case 1:
        if (l) GVLogicCycleColumn(&sys, 1, in.U8() % 3 - 1, in.U8() % 11, l, pos);
        break;
      case 2:
        if (l) GVLogicResetColumn(&sys, 1, in.U8() % 11, l, in.Small(), in.Small());
        break;
      case 3:
        if (l) GVLogicCycleOption(l, in.U8() % 4, &sys);
        break;
      case 4:
        if (l) GVLogicAssignResultVar(&sys, 1, l);
        break;
      case 5: {
        text[0] = '\0';
        const int32_t lastColumn = GVLogicColumnKind(l, &sys);
        for (int32_t c = 4; c <= 10 && l; ++c) GVLogicArgText(lastColumn, c, &sys, l, text, sizeof text);
        GVLogicColumnIsConst(l, in.U8() % 11, &sys);
        int32_t s1, i1, s2, i2;
        GVLogicLineGeoRefs(l, &sys, &s1, &i1, &s2, &i2);
        LogicJelRefs refs;
        GVLogicLineJelRefs(l, &sys, &refs);
        break;
      }
      case 6:
        GVLogicSelectRange(1, in.Small(), in.Small(), &sys);
        break;
      case 7:
        GVLogicCopySelected(1, &sys);
        if (!GVLogicGetLine(&sys, 1, kMaxLines)) GVLogicPasteBuffer(l, 1, &sys);
        break;
      case 8:
        GVLogicToggleSelectedOff(1, &sys);
        break;
      default:
        GVLogicDeleteSelected(1, &sys);
        break;
    }
  }
  GVFreeLogic(&sys);
  return 0;
}
