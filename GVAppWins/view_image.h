// The 3-D view written to an image file in the application folder.
#pragma once

struct GVView;

// Renders the view once and writes what it shows to the file (a name inside
// the application folder): type 0 JPEG, 1 PNG. The image goes to a side file
// first and replaces an old one only when complete. 1 written, else 0.
int GVSaveViewToTexture(GVView* view, const char* fileName, int type);
