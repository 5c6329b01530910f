// What the creation dialogs call back once they have built an object: the
// Geo dialogs hand over a new Geo; the Jel dialogs ask whether a Jel's
// structure may be rebuilt and which matter a new Jel gets, report a new Jel,
// a re-set initial state and a change of their Geo choice.
#pragma once

#include <cstdint>

// Events of GVCreateJelCB.
enum : uint32_t {
  kCreateJelBlock = 0x80,         // a block Jel was made
  kCreateJelFromGeo = 0x100,      // a Jel was made from a Geo
  kCreateJelMatter = 0x200,       // the matter of a new Jel is asked for
  kCreateJelGeoChoice = 0x400,    // the dialog's Geo choice changed
  kCreateJelStateReset = 0x10000, // a Jel's initial state was re-set
  kCreateJelMayRebuild = 0x20000, // may the Jel's structure be rebuilt?
};

constexpr const char* kJelStateResetMessage = "JEL object's Initial state has been RE-SET";

// A new Geo of that id: it becomes current and shows in the view (a Geo
// display mode of 1 is raised to 2).
void CreateGeoMenuCB(int32_t ignored, int32_t geoId, void* mainWindow);

// (code, event, Jel id, matter record or Geo id, main window). For
// kCreateJelMatter `arg` is the MatterProps to fill; for kCreateJelGeoChoice
// it is the Geo id and `code` says what to do with it (-1, 1 choose, 2 make
// current, 3 refresh its selection, 0 refresh the panels). Returns 1 when a
// rebuild is allowed, 0 otherwise and for every other event.
int32_t GVCreateJelCB(int32_t code, uint32_t event, int32_t jelId, intptr_t arg, void* mainWindow);
