// A message box stand-in that records what the toolkit asks of it.
#pragma once

#include <string>
#include <vector>

struct RecordedBox {
  int created = 0;
  int destroyed = 0;
  std::vector<std::string> texts;  // every text shown, the first one included
  int centreX = -1, centreY = -1;  // of the last showText
};

// Installs the recorder (cleared) as the toolkit's message box.
RecordedBox& InstallRecordingBox();
void RemoveRecordingBox();
