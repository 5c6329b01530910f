// The callbacks of the Geo and scene editors: each carries one editor event
// (one bit) into the scene and the renderer, and refuses what the scene's
// state forbids with its message. Arguments are (code, event, ids or values,
// main window); every callback does nothing without the main window or its
// 3-D view, and one that needs its editor does nothing without it.
#pragma once

#include <cstdint>

// Geo properties editor: deformation mode, binding reports, the attachment
// order check, smoothing, double-sided drawing, soft-transform reports.
void GVEditGeoCB(int32_t code, int32_t event, int32_t id, int32_t value, void* mainWin);
// Geo part editor.
void GVEditGeoPartCB(int32_t code, int32_t event, int32_t id, int32_t value, void* mainWin);
// Geo group editor: selection, merging the group `id` (0x100 by UV set, 0x200
// with the sets carried side by side) and un-merging the current Geo (0x400).
void GVUnMergeGeos(int32_t code, int32_t event, int32_t id, int32_t value, void* mainWin);
// Key-frame editor. 0x4000 answers whether the Geo may not be re-configured
// (1 refused); every other event answers 0.
int32_t GVKeyFrameDlgCB(int32_t code, int32_t event, int32_t geoId, const char* text, void* mainWin);
// Geo render editor.
void GVRenderDlgCB(int32_t code, int32_t event, int32_t geoId, void* mainWin);
// Walls editor: a wall limit changed.
void GVWallsDlgCB(int32_t direction, int32_t event, float value, void* mainWin);
// Geo attachments editor; 0x40 applies the attachment of Geo `id`.
void GVApplyAttachmentsCB(int32_t code, int32_t event, int32_t id, int32_t value, void* mainWin);

// Global scene editor over the display settings. Event 1 reads the field the
// code names into *ints, *floats or text (kSceneDlgTextSize bytes), answering
// 1; any other event writes its field from *ints (choices and counts),
// *floats (values) or text (the image name). Without display settings or a
// view camera: 0.
constexpr int32_t kSceneDlgTextSize = 256;
int32_t GVSceneDlgCB(int32_t code, int32_t event, int32_t* ints, float* floats, char* text, void* mainWin);
// Lights editor, for the light of that index in the scene's light list.
void GVLightsDlgCB(int32_t code, int32_t event, int32_t light, void* mainWin);

// 1 when some scripted Geo (material type 2) uses a shadow material script.
int32_t GVSceneUsesShadowScript();
