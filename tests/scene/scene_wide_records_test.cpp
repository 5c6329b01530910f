#include "scene/scene_wide_records.h"

#include <gtest/gtest.h>

#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/light_list.h"
#include "scene/scene_context.h"
#include "scene/scene_records.h"

// The leak checker sees what a second start-up or the shutdown would miss.
TEST(SceneWideRecords, StartUpMakesThemLinkedAndShutdownFreesThemAll) {
  GVAppStartup();
  const SceneRecords& s = GVScene();
  ASSERT_NE(s.lights, nullptr);
  ASSERT_NE(s.display, nullptr);
  ASSERT_NE(s.options, nullptr);
  ASSERT_NE(s.context, nullptr);
  const SceneCtx& c = *s.context;
  EXPECT_EQ(c.world, s.world);
  EXPECT_EQ(c.lights, s.lights);
  EXPECT_EQ(c.auxB, s.auxB);
  EXPECT_EQ(c.sceneBounds, s.bounds);
  GVAddLight(s.lights);
  GVAppStartup();
  EXPECT_EQ(GVScene().lights->count, 1);
  GVAppShutdown();
  EXPECT_EQ(GVScene().lights, nullptr);
  EXPECT_EQ(GVScene().display, nullptr);
  EXPECT_EQ(GVScene().options, nullptr);
  EXPECT_EQ(GVScene().context, nullptr);
}
