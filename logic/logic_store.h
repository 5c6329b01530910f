// The scene's logic store: start-up and shutdown of the process-wide
// LogicSystem record, and the entries of the scene's service table through
// which the frame driver runs the main program, asks for the logic minimum of
// sub-steps and checks the lines it is told about.
#pragma once

struct LogicSystem;
struct SceneCtx;

// Every field zero but the sub-step minimum and the last word (1), then the
// catalogue and programs built with the scene context. Returns rec.
LogicSystem* GVInitLogicStore(LogicSystem* rec, SceneCtx* ctx);
// Frees the store's contents (GVFreeLogic); the record stays the caller's.
void GVFreeLogicStore(LogicSystem* rec);

// Fills, or empties, the logic entries of the process-wide service table;
// the filled entries work on the scene's logic store.
void GVInstallLogicServices();
void GVRemoveLogicServices();
