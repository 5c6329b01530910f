#include "logic/logic_system.h"

#include <gtest/gtest.h>

#include "logic/control_logic_cmds.h"
#include "logic_fixture.h"

TEST(LogicSystem, CatalogueAfterStartUp) {
  LogicStore s;
  EXPECT_EQ(s.sys.highestCategory, 10);
  EXPECT_EQ(s.sys.minSubSteps, 1);
  EXPECT_EQ(s.sys.programCount, 1);
  EXPECT_STREQ(s.Main().name, "Main");
  const int32_t highest[kLogicCategories] = {7, 8, 15, 8, 7, 8, 15, 14, 10, 0, 10};
  for (int32_t c = 0; c < kLogicCategories; ++c) {
    const LogicCategory& cat = s.sys.categories[c];
    EXPECT_STREQ(cat.name, GVLogicCategoryName(c));
    ASSERT_EQ(cat.highest, highest[c]) << c;
    for (int32_t k = 0; k <= cat.highest; ++k) {
      const LogicCmd& cmd = cat.cmds[k];
      // Only the CONTROL commands after the empty one have a role, each its own bit.
      EXPECT_EQ(cmd.role, c == kLogicControl && k > 0 ? 1 << (k - 1) : 0) << c << "/" << k;
      for (uint32_t m : cmd.argMask) EXPECT_NE(m, 0u);
    }
  }
  EXPECT_EQ(s.sys.categories[kLogicControl].cmds[kCtlLoop].argMask[0], 0x200080u);
  EXPECT_EQ(s.sys.categories[kLogicLogic].cmds[kLogLess].argMask[4], 0x10Du);
  EXPECT_EQ(s.sys.categories[kLogicLogic].cmds[kLogEqual].argMask[2], 1u);
  const LogicCmd& sub = s.sys.categories[kLogicArithmetic].cmds[2];
  EXPECT_STREQ(sub.name, "-");
  EXPECT_EQ(sub.argMask[2], 0x13Du);
  EXPECT_EQ(sub.layoutKind, 2);
  EXPECT_EQ(s.sys.categories[kLogicArithmetic].cmds[12].optionKind, 0x8000u);
  EXPECT_EQ(s.sys.categories[kLogicVector].cmds[4].argMask[0], 0x11Cu);
}

TEST(LogicSystem, LinesOutsideTheCatalogueNameNoCommand) {
  LogicStore s;
  LogicLine l{};
  const int32_t bad[][2] = {{11, 0}, {-1, 0}, {0, 8}, {1, -1}, {9, 1}, {0x7fffffff, 0}};
  for (const auto& b : bad) {
    l.category = b[0];
    l.command = b[1];
    EXPECT_EQ(GVLogicLineCmd(&s.sys, &l), nullptr) << b[0] << "/" << b[1];
  }
  l.category = 1;
  l.command = 8;
  EXPECT_STREQ(GVLogicLineCmd(&s.sys, &l)->name, ">=");
}
