// Handles for records of the window manager and GDI. A handle is a slot number
// (low 16 bits) and the slot's generation (next 16 bits), so it fits the 32-bit
// fields programs keep handles in. A slot freed by one record gets a new
// generation before the next, so a stale handle never reaches the record that
// took its slot: it is refused, as Win32 refuses it. Freed slots are reused
// oldest first, which keeps a slot's generations from coming round quickly.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

template <class Record>
class GVHandleTable {
 public:
  // The new record's handle value; 0 when every slot is taken.
  uintptr_t add(Record* record) {
    uint32_t slot;
    if (!free_.empty()) {
      slot = free_.front();
      free_.pop_front();
    } else {
      if (slots_.size() >= kSlots) return 0;
      slot = static_cast<uint32_t>(slots_.size());
      slots_.push_back(Slot{nullptr, 0});
    }
    Slot& s = slots_[slot];
    s.generation = s.generation % 0xFFFF + 1;  // 1 ... 0xFFFF, never 0
    s.record = record;
    return value(slot, s.generation);
  }
  void remove(uintptr_t handle) {
    uint32_t slot;
    if (!lookup(handle, &slot)) return;
    slots_[slot].record = nullptr;
    free_.push_back(slot);
  }
  Record* find(uintptr_t handle) const {
    uint32_t slot;
    return lookup(handle, &slot) ? slots_[slot].record : nullptr;
  }
  // Calls f(const Record&) for every live record.
  template <class F>
  void forEach(F f) const {
    for (const Slot& s : slots_)
      if (s.record) f(*s.record);
  }

 private:
  // Slot 0 is never used, so no handle is below 0x10000 (where integer
  // resource names and atoms live).
  static const uint32_t kSlots = 0xFFFF;
  struct Slot {
    Record* record;
    uint16_t generation;
  };
  static uintptr_t value(uint32_t slot, uint16_t generation) {
    return (uintptr_t(generation) << 16) | (slot + 1u);
  }
  bool lookup(uintptr_t handle, uint32_t* slot) const {
    uint32_t index = static_cast<uint32_t>(handle & 0xFFFF);
    if (index == 0 || (uint64_t(handle) >> 32) != 0) return false;
    *slot = index - 1;
    return *slot < slots_.size() && slots_[*slot].record &&
           slots_[*slot].generation == static_cast<uint16_t>(handle >> 16);
  }
  std::vector<Slot> slots_;
  std::deque<uint32_t> free_;
};
