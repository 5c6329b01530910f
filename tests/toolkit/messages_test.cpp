#include <gtest/gtest.h>

#include <string>

#include "platform/test_api.h"
#include "recording_message_box.h"
#include "toolkit/messages.h"

namespace {

class Messages : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    GVTestSetWorkArea(0, 0, 1601, 861);
    box_ = &InstallRecordingBox();
  }
  void TearDown() override {
    RemoveRecordingBox();
    GVTestReset();
  }
  RecordedBox* box_ = nullptr;
};

TEST_F(Messages, LaterMessagesReuseTheOneBoxCentredOnTheWorkArea) {
  GVMessage("first");
  GVShowMessage("second");
  EXPECT_EQ(box_->created, 1);
  ASSERT_EQ(box_->texts.size(), 2u);
  EXPECT_EQ(box_->texts[1], "second");
  EXPECT_EQ(box_->centreX, 800);
  EXPECT_EQ(box_->centreY, 430);
  GVFreeMessageBox();
  EXPECT_EQ(box_->destroyed, 1);
  GVMessage("third");
  EXPECT_EQ(box_->created, 2);
}

TEST_F(Messages, ComposedMessagesAreFormattedAndCutToTheBuffer) {
  GVMessageInt("n", 5);
  GVMessageIntPair(7, 3);
  std::string longText(3000, 'x');
  GVMessageInt(longText.c_str(), 12);
  ASSERT_EQ(box_->texts.size(), 3u);
  EXPECT_EQ(box_->texts[0], "n 5");
  EXPECT_EQ(box_->texts[1], "GV: showList got MIN num cols > MAX num cols :-  (7, 3)");
  EXPECT_EQ(box_->texts[2], std::string(kGVMessageMax - 1, 'x'));
}

TEST_F(Messages, WithoutABoxTextsGoToTheErrorStream) {
  RemoveRecordingBox();
  testing::internal::CaptureStderr();
  GVMessage("no box yet");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "no box yet\n");
}

}  // namespace
