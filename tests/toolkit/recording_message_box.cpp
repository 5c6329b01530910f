#include "recording_message_box.h"

#include "toolkit/messages.h"

namespace {

RecordedBox gBox;

void* create(const char* text) {
  gBox.created++;
  gBox.texts.push_back(text);
  return &gBox;
}

void showText(void* box, const char* text, int x, int y) {
  auto* b = static_cast<RecordedBox*>(box);
  b->texts.push_back(text);
  b->centreX = x;
  b->centreY = y;
}

void destroy(void* box) { static_cast<RecordedBox*>(box)->destroyed++; }

const GVMessageBoxOps kOps = {create, showText, destroy};

}  // namespace

RecordedBox& InstallRecordingBox() {
  GVInstallMessageBox(&kOps);
  gBox = RecordedBox();
  return gBox;
}

void RemoveRecordingBox() { GVInstallMessageBox(nullptr); }
