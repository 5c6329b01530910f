// What the engine shows behind the scene, from the display settings: a flat
// background image over the whole view (a rectangle in the background queue
// with the material "BGMaterial"), a scrolling sky dome ("GVSkyMaterial",
// falling back to "clouds.jpg"), both or neither.
#pragma once

// Applies the display settings' backdrop mode (bit 0 image, bit 1 sky).
void GVSetOgreSky();
void GVRemoveOgreSky();
// The background rectangle showing the image; null removes it.
void GVCreateOgreBackground(const char* imageName);
