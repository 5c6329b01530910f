// Start-up and shutdown of the scene-wide records held in GVScene(): the light
// list, the display settings, the two auxiliary records, the scene options and
// the scene context. The object lists and the logic store have their own steps
// around these.
#pragma once

// Makes the records, each with its defaults; one that cannot be allocated stays
// null. Records left from an earlier start-up are freed first. Call after the
// Geo list, the world and the bounds exist: the scene context points at them.
void GVCreateSceneWideRecords();
// Frees the scene context and nulls it (the first step of shutdown).
void GVFreeSceneContext();
// Frees the light list, the display settings, the auxiliary records and the
// scene options, each only when present, and nulls them.
void GVFreeSceneWideRecords();
