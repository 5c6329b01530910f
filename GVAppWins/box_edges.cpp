#include "GVAppWins/box_edges.h"

int gBoxEdges[8][3];

void GVInitBoxEdges() {
  static const int kEdges[8][3] = {{2, 3, 5}, {0, 4, 6}, {4, 0, 7}, {0, 0, 8},
                                   {6, 7, 0}, {0, 8, 0}, {8, 0, 0}, {0, 0, 0}};
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 3; ++j) gBoxEdges[i][j] = kEdges[i][j];
}

void GVBoxCorners(const float b[6], float corners[8][3]) {
  for (int k = 0; k < 8; ++k) {
    corners[k][0] = (k & 1) ? b[1] : b[0];
    corners[k][1] = (k & 2) ? b[3] : b[2];
    corners[k][2] = (k & 4) ? b[5] : b[4];
  }
}
