// Both logic blocks are laid out by one program walker, templated on the codec
// (item-stream arrays or a file) and on the form (how a program's head and
// its lines look), which serves the reader and the writer alike. Readers fill
// a staging system and hand its programs over only when the whole block read.
#include "logic/logic_persistence.h"

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "geo/record_codec.h"
#include "jel/chan_data.h"
#include "logic/logic_system.h"
#include "logic/object_refs.h"
#include "logic/program_store.h"
#include "records/file_version.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

namespace {

constexpr int32_t kSingleLayout = 0;
constexpr int32_t kCountedLayout = 1;

// Values a stored program and line take at the least.
constexpr uint32_t kProgramMinInts = 11;
constexpr uint32_t kLineMinInts = 23;
constexpr uint32_t kLineFloats = 5;
constexpr int64_t kTaggedProgramMinBytes = 4 + 84 + 4 + 4;
constexpr size_t kProgramImageTail = 36;  // seven array pointers, first line, list head
constexpr size_t kSingleLineTail = 16;    // FG, channel data, comment, previous line
constexpr size_t kCountedLineTail = 20;   // the same and the next line
constexpr size_t kFGItemTail = 8;
constexpr int64_t kFGItemBytes = 20;

// Fields 1 to 25 of a line, in both forms.
template <typename C>
void walkLineFields(C& c, LogicLine& l) {
  // Whether a line ran belongs to the last interpreter pass, not to the scene:
  // files get the bit clear, so a scene saves the same at any frame. Older
  // files that carry it still read; the next pass sets it afresh.
  uint32_t flags = l.flags & ~kLineNotRun;
  c.u32(flags);
  if (c.reading()) l.flags = flags;
  c.i32(l.category);
  c.i32(l.command);
  c.i32(l.resultType);
  c.i32(l.resultVar);
  for (int32_t& v : l.argType) c.i32(v);
  for (int32_t& v : l.argVar) c.i32(v);
  for (int32_t& v : l.argInt) c.i32(v);
  for (float& v : l.argFloat) c.f32(v);
}

template <typename C>
void walkCounts(C& c, LogicProgram& p) {
  c.i32(p.topLine);
  c.i32(p.ppCount);
  c.i32(p.iCount);
  c.i32(p.fCount);
  c.i32(p.vCount);
  c.i32(p.mCount);
  c.i32(p.axCount);
}

bool countsStorable(const LogicProgram& p) {
  for (int32_t n : {p.ppCount, p.iCount, p.fCount, p.vCount, p.mCount, p.axCount})
    if (n < 0 || n > kLogicMaxStoredVars) return false;
  return true;
}

// The variables the whole system declares, of every type.
bool blockVarsWithin(LogicSystem* sys) {
  int64_t total = 0;
  for (int32_t k = 0; k <= sys->programCount; ++k)
    if (const LogicProgram* p = GVLogicProgram(sys, k))
      for (int32_t n : {p->ppCount, p->iCount, p->fCount, p->vCount, p->mCount, p->axCount}) total += n;
  return total <= GVLogicBlockVarBound(sys->programCount);
}

int32_t lineCount(const LogicProgram& p) {
  int32_t n = 0;
  for (const LogicLine* l = p.first; l; l = l->next) ++n;
  return n;
}

void nameMain(LogicSystem* sys) {
  if (LogicProgram* p = GVLogicProgram(sys, 1)) std::snprintf(p->name, kLogicProgramNameSize, "Main");
}

// One program: index, head, line count, lines, trailing word. Reading checks
// the index against the block's program count and the counts against what
// the block can still hold.
template <typename C, typename Form>
void walkProgram(C& c, Form& form, LogicSystem* sys, int32_t program, int32_t count) {
  int32_t index = program;
  c.i32(index);
  if (c.reading()) c.require(index >= 0 && index <= count);
  LogicProgram* prog = c.ok ? GVLogicProgram(sys, index) : nullptr;
  c.require(prog != nullptr);
  if (!c.ok) return;
  if (c.reading()) GVLogicClearProgram(sys, index);
  form.head(c, *prog);
  if (c.reading()) {
    c.require(countsStorable(*prog));
    if (c.ok) c.require(blockVarsWithin(sys));
    if (c.ok) c.require(GVLogicAllocProgramArrays(prog) == 1);
    prog->listHead = 0;
  }
  int32_t n = c.reading() ? 0 : lineCount(*prog);
  c.i32(n);
  if (c.reading()) c.require(n >= 0 && form.roomForLines(c, n));
  LogicLine* line = c.reading() ? nullptr : prog->first;
  LogicLine* prev = nullptr;
  for (int32_t k = 0; k < n && c.ok; ++k) {
    if (c.reading()) line = GVLogicInsertLineAfter(sys, index, prev);
    form.line(c, *line);
    prev = line;
    line = line->next;
  }
  int32_t tail = 0;
  c.i32(tail);
  if (c.reading() && c.ok) nameMain(sys);
}

// ---- item-stream form ----

// A stored length at the int cursor must not be negative (the carriers below
// check that the characters lie within the byte array).
void requireLength(ImageCodecCore& c) {
  if (!c.ok || !c.reading()) return;
  c.require(GVItemStreamHasRoom(c.s, 0, 1, 0, 0) == 1 && c.s->ints[c.s->intCount] >= 0);
}

void walkStreamChan(ImageCodecCore& c, ChanData*& cd) {
  int32_t n = cd ? cd->count : 0;
  c.i32(n);
  if (!c.ok || n == 0) return;
  switch (c.mode) {
    case ImageCodecCore::kCount:
      GVCountChanData(cd, c.s);
      break;
    case ImageCodecCore::kPut:
      c.require(GVPutChanData(cd, c.s) == 1);
      break;
    case ImageCodecCore::kRead: {
      ChanData* made = n > 0 ? GVNewChanData(n) : nullptr;
      if (!made || GVGetChanData(made, c.s) != kChanReadOk) {
        GVFreeChanData(made);
        c.ok = false;
        return;
      }
      GVFreeChanData(cd);
      cd = made;
      break;
    }
  }
}

struct StreamForm {
  void head(ImageCodecCore& c, LogicProgram& p) {
    if (c.reading()) {
      requireLength(c);
      if (c.ok) c.require(GVItemStreamGetString(c.s, p.name, kLogicProgramNameSize) == 1);
    } else {
      char name[kLogicProgramNameSize] = {};
      std::memcpy(name, p.name, strnlen(p.name, kLogicProgramNameSize - 1));
      char* text = name;
      c.str(text);
    }
    walkCounts(c, p);
  }
  bool roomForLines(ImageCodecCore& c, int32_t n) {
    const uint64_t ints = uint64_t{kLineMinInts} * static_cast<uint32_t>(n);
    const uint64_t floats = uint64_t{kLineFloats} * static_cast<uint32_t>(n);
    return ints <= UINT32_MAX &&
           GVItemStreamHasRoom(c.s, 0, static_cast<uint32_t>(ints), static_cast<uint32_t>(floats), 0) == 1;
  }
  void line(ImageCodecCore& c, LogicLine& l) {
    walkLineFields(c, l);
    requireLength(c);
    c.str(l.comment);
    int32_t fgCount = 0;  // FG lists are not carried; the reader skips the word
    c.i32(fgCount);
    walkStreamChan(c, l.chan);
  }
};

int32_t walkStreamProgram(LogicSystem* sys, int32_t program, ItemStream* stream, ImageCodecCore::Mode mode) {
  if (!GVLogicProgram(sys, program) || !stream) return 0;
  ImageCodecCore c(stream, mode);
  StreamForm form;
  walkProgram(c, form, sys, program, sys->programCount);
  return c.ok ? 1 : 0;
}

void walkStreamHeader(ImageCodecCore& c, int32_t& count, int32_t& stored) {
  int32_t zero = 0;
  for (int k = 0; k < 3; ++k) c.i32(zero);
  c.i32(count);
  c.i32(stored);
}

// ---- tagged form ----

struct TaggedCodec : FileCodecCore {
  using FileCodecCore::FileCodecCore;
  void chars(char* text, size_t n) {
    if (ok) ok = out ? GVFileWriteBytes(f, text, n) == 1 : GVFileReadBytes(f, text, n) == 1;
  }
};

ChanHeaderForm taggedChanForm() { return GVGetFileVersion() >= 2 ? kChanHeaderFull : kChanHeaderShort; }

void walkTaggedChan(TaggedCodec& c, ChanData*& cd) {
  int32_t n = cd ? cd->count : 0;
  c.i32(n);
  if (!c.ok || n == 0) return;
  if (c.writing()) {
    c.require(GVWriteChanData(cd, c.f, taggedChanForm()) == 1);
    return;
  }
  ChanData* made = n > 0 ? GVNewChanData(n) : nullptr;
  if (!made || GVReadChanData(made, c.f, taggedChanForm()) != kChanReadOk) {
    GVFreeChanData(made);
    c.ok = false;
    return;
  }
  GVFreeChanData(cd);
  cd = made;
}

void walkTaggedFG(TaggedCodec& c, LogicLine& l) {
  int32_t k = 0;
  if (c.writing())
    for (const FGItem* it = l.fg; it; it = it->next) ++k;
  c.i32(k);
  if (c.reading()) c.roomInFile(k, kFGItemBytes, INT32_MAX / kFGItemBytes);
  FGItem* it = c.reading() ? nullptr : l.fg;
  std::vector<FGItem> read;
  if (c.reading() && c.ok) read.reserve(static_cast<size_t>(k));
  for (int32_t j = 0; j < k && c.ok; ++j) {
    FGItem item = it ? *it : FGItem{};
    c.i32(item.key);
    c.f32(item.value);
    c.i32(item.flags);
    c.unused(kFGItemTail);
    if (c.reading() && c.ok) read.push_back(item);
    if (it) it = it->next;
  }
  if (!c.reading() || !c.ok) return;
  // Points placed one by one in file order, in linear time: a stable sort
  // keeps the order in which repeated keys meet.
  std::stable_sort(read.begin(), read.end(), [](const FGItem& a, const FGItem& b) { return a.key < b.key; });
  FGItem* last = nullptr;
  for (const FGItem& item : read) last = GVLogicAppendFGItem(&l, last, item.key, item.value, item.flags);
}

struct TaggedForm {
  int32_t layout;
  void head(TaggedCodec& c, LogicProgram& p) {
    c.chars(p.name, kLogicProgramNameSize);
    p.name[kLogicProgramNameSize - 1] = '\0';
    walkCounts(c, p);
    c.unused(kProgramImageTail);
  }
  int64_t lineBytes() const { return layout == kSingleLayout ? 116 + 8 : 120 + 12; }
  bool roomForLines(TaggedCodec& c, int32_t n) { return c.roomInFile(n, lineBytes(), INT32_MAX); }
  void line(TaggedCodec& c, LogicLine& l) {
    walkLineFields(c, l);
    c.unused(layout == kSingleLayout ? kSingleLineTail : kCountedLineTail);
    if (layout == kCountedLayout) {
      c.str(l.comment);
      // A stored length of 0 means no comment.
      if (c.reading() && l.comment && !*l.comment) GVFreeString(&l.comment);
    }
    walkTaggedFG(c, l);
    walkTaggedChan(c, l.chan);
  }
};

// Old files mark the collision mode of HCOLL gH and HCOLL Gh lines with 0x8000;
// its meaning moved to 0x10000.
void upgradeCollisionLines(LogicSystem* sys) {
  LogicProgram* p = GVLogicProgram(sys, 1);
  for (LogicLine* l = p ? p->first : nullptr; l; l = l->next)
    if (l->category == kLogicDyn2 && (l->command == kDyn2HCollgH || l->command == kDyn2HCollGh) && (l->flags & 0x8000u))
      l->flags = (l->flags & ~0x8000u) | 0x10000u;
}

// ---- reading ----

// The programs of a block read into a staging system, handed over to the real
// one only when everything read.
struct Staging {
  LogicSystem sys{};
  ~Staging() { GVLogicFreeLines(&sys); }
};

void adopt(LogicSystem* sys, Staging& staging, int32_t layout, int32_t stored) {
  GVLogicFreeLines(sys);
  sys->programs = staging.sys.programs;
  sys->programCount = staging.sys.programCount;
  staging.sys.programs = nullptr;
  staging.sys.programCount = 0;
  sys->layoutFlag = layout;
  sys->storedWord = stored;
}

// The block's programs into staging; false when the block does not read.
template <typename C, typename Form>
bool readPrograms(C& c, Form& form, Staging& staging, int32_t count) {
  if (!c.ok || count < 0 || count > kLogicMaxPrograms) return false;
  if (!GVInitLogicPrograms(&staging.sys, count)) return false;
  for (int32_t p = 0; p <= count && c.ok; ++p) walkProgram(c, form, &staging.sys, p, count);
  return c.ok;
}

}  // namespace

int64_t GVLogicBlockVarBound(int32_t programCount) {
  constexpr int64_t kTypes = 6;
  const int64_t programs = programCount < 0 ? 1 : int64_t{programCount} + 1;
  return kTypes * (kLogicMaxStoredVars + programs * kLogicDefaultVarCount);
}

// ---- item stream ----

void GVCountLogicProgram(LogicSystem* sys, int32_t program, ItemStream* stream) {
  walkStreamProgram(sys, program, stream, ImageCodecCore::kCount);
}

void GVCountLogicBlock(LogicSystem* sys, ItemStream* stream) {
  if (!GVLogicProgram(sys, 0) || !stream) return;
  ImageCodecCore c(stream, ImageCodecCore::kCount);
  int32_t count = sys->programCount, stored = sys->storedWord;
  walkStreamHeader(c, count, stored);
  for (int32_t p = 0; p <= sys->programCount; ++p) GVCountLogicProgram(sys, p, stream);
}

int32_t GVPutLogicProgram(LogicSystem* sys, int32_t program, ItemStream* stream) {
  return walkStreamProgram(sys, program, stream, ImageCodecCore::kPut);
}

int32_t GVStoreLogicToWords(LogicSystem* sys, ItemStream* stream) {
  if (!GVLogicProgram(sys, 0) || !stream) return 0;
  ItemStream need;
  GVCountLogicBlock(sys, &need);
  if (!GVItemStreamHasRoom(stream, need.byteCount, need.intCount, need.floatCount, 0)) return 0;
  ImageCodecCore c(stream, ImageCodecCore::kPut);
  int32_t count = sys->programCount, stored = sys->storedWord;
  walkStreamHeader(c, count, stored);
  for (int32_t p = 0; p <= sys->programCount; ++p) c.require(GVPutLogicProgram(sys, p, stream) == 1);
  return c.ok ? 1 : 0;
}

int32_t GVGetLogicItem(LogicSystem* sys, ItemStream* stream) {
  if (!sys || !stream) return kLogicBlockDamaged;
  const ItemStream at = *stream;
  ImageCodecCore c(stream, ImageCodecCore::kRead);
  int32_t first = 0, count = 1, stored = 0;
  c.i32(first);
  const int32_t layout = first == 1 ? kSingleLayout : kCountedLayout;
  if (layout == kCountedLayout) {
    int32_t skipped = 0;
    c.i32(skipped);
    c.i32(skipped);
    c.i32(count);
    c.i32(stored);
  }
  if (c.ok && count >= 0)
    c.require(uint64_t{kProgramMinInts} * (static_cast<uint64_t>(count) + 1) <= UINT32_MAX &&
              GVItemStreamHasRoom(stream, 0, kProgramMinInts * (static_cast<uint32_t>(count) + 1), 0, 0));
  Staging staging;
  StreamForm form;
  if (!readPrograms(c, form, staging, count)) {
    stream->byteCount = at.byteCount;
    stream->intCount = at.intCount;
    stream->floatCount = at.floatCount;
    return kLogicBlockDamaged;
  }
  adopt(sys, staging, layout, stored);
  return GVLogicRepairMain(sys);
}

int32_t GVLoadLogicFromWords(ItemStream* stream, LogicSystem* sys) { return GVGetLogicItem(sys, stream); }

// ---- tagged form ----

int32_t GVLoadLogic(LogicSystem* sys, FILE* file) {
  if (!sys || !file) return 0;
  TaggedCodec c(file, false);
  int32_t first = 0, count = 1, stored = 0;
  c.i32(first);
  const int32_t layout = first == 1 ? kSingleLayout : kCountedLayout;
  if (layout == kCountedLayout) {
    c.unused(8);
    c.i32(count);
    c.i32(stored);
  }
  if (!c.ok) return 0;
  if (count >= 0) c.roomInFile(static_cast<int64_t>(count) + 1, kTaggedProgramMinBytes, kLogicMaxPrograms + 1);
  Staging staging;
  TaggedForm form{layout};
  if (!readPrograms(c, form, staging, count)) return kLogicBlockDamaged;
  upgradeCollisionLines(&staging.sys);
  adopt(sys, staging, layout, stored);
  return GVLogicRepairMain(sys);
}

int32_t GVWriteLogicTagged(LogicSystem* sys, FILE* file, int32_t layout) {
  if (!GVLogicProgram(sys, 1) || !file) return 0;
  TaggedCodec c(file, true);
  const bool single = layout == kSingleLayout;
  const int32_t count = single ? 1 : sys->programCount;
  int32_t first = single ? 1 : 0;
  c.i32(first);
  if (!single) {
    c.unused(8);
    int32_t n = count, stored = sys->storedWord;
    c.i32(n);
    c.i32(stored);
  }
  TaggedForm form{single ? kSingleLayout : kCountedLayout};
  for (int32_t p = 0; p <= count && c.ok; ++p) walkProgram(c, form, sys, p, count);
  return c.ok && std::fflush(file) == 0 ? 1 : 0;
}

// ---- repair ----

int32_t GVLogicRepairMain(LogicSystem* sys) {
  LogicProgram* p = GVLogicProgram(sys, 1);
  int32_t changed = 0;
  for (LogicLine* l = p ? p->first : nullptr; l; l = l->next) {
    if (static_cast<uint32_t>(l->category) > static_cast<uint32_t>(kLogicCategories - 1)) {
      l->category = kLogicCategories - 1;
      changed = 1;
    }
    // A category without commands (not built, or no catalogue) has nothing to
    // clamp to.
    const LogicCategory* cat = sys->categories ? &sys->categories[l->category] : nullptr;
    if (cat && cat->highest >= 0 && static_cast<uint32_t>(l->command) > static_cast<uint32_t>(cat->highest)) {
      l->command = cat->highest;
      changed = 1;
    }
  }
  return changed;
}
