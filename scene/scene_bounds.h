// Fitting the scene bounds (the walls' box) around what a scene holds.
#pragma once

// Widens the scene's bounds so that every Geo of the scene's Geo list and
// every Jel of group 1 (at its committed live state) lies inside: each side
// a box passes is moved to it and then outward by the margin. The floor (min
// y) never moves; a side no box passes keeps its value, margin included.
// Comparisons are strict, and a NaN changes nothing.
void GVFitSceneBounds(float margin);
