#include "logic/cmd_table.h"

void GVLogicFillCmds(LogicSystem* sys, int32_t category, const LogicCmdRow* rows, int32_t count) {
  LogicCmd* c = GVLogicBeginCategory(sys, category, count);
  if (!c) return;
  for (int32_t k = 0; k < count; ++k) {
    const LogicCmdRow& r = rows[k];
    c[k].prefix = r.prefix;
    c[k].name = r.name;
    c[k].infix = r.infix;
    c[k].key = r.key;
    c[k].optionKind = r.optionKind;
    c[k].layoutKind = r.layoutKind;
    c[k].pickedConstants = r.pickedConstants;
    c[k].fn = r.fn;
    c[k].resultMask = r.resultMask;
    for (int32_t a = 0; a < kLogicArgs; ++a) c[k].argMask[a] = r.argMask[a] ? r.argMask[a] : kLogicNone;
  }
}
