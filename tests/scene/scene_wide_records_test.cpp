#include "scene/scene_wide_records.h"

#include <gtest/gtest.h>

#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/light_list.h"
#include "scene/scene_context.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"

TEST(SceneWideRecords, StartUpMakesThemLinkedAndShutdownFreesThemAll) {
  GVAppStartup();
  const SceneRecords& s = GVScene();
  ASSERT_NE(s.lights, nullptr);
  ASSERT_NE(s.display, nullptr);
  ASSERT_NE(s.options, nullptr);
  ASSERT_NE(s.context, nullptr);
  EXPECT_EQ(s.lights->count, 1);
  EXPECT_STREQ(s.display->imageName, "");
  EXPECT_EQ(s.options->camera, nullptr);
  const SceneCtx& c = *s.context;
  EXPECT_EQ(c.geoList, s.geoList);
  EXPECT_EQ(c.world, s.world);
  EXPECT_EQ(c.lights, s.lights);
  EXPECT_EQ(c.auxA, s.auxA);
  EXPECT_EQ(c.auxB, s.auxB);
  EXPECT_NE(c.auxA, c.auxB);
  EXPECT_EQ(c.viewPair, GVScene().viewPair);
  EXPECT_EQ(c.sceneBounds, GVScene().bounds);
  EXPECT_EQ(c.programCount, 1);

  // A second start-up replaces the records; shutdown leaves nothing behind
  // (the leak checker sees what it would miss).
  GVAddLight(s.lights);
  GVAppStartup();
  EXPECT_EQ(GVScene().lights->count, 1);
  GVAppShutdown();
  EXPECT_EQ(GVScene().lights, nullptr);
  EXPECT_EQ(GVScene().display, nullptr);
  EXPECT_EQ(GVScene().auxA, nullptr);
  EXPECT_EQ(GVScene().options, nullptr);
  EXPECT_EQ(GVScene().context, nullptr);
  GVAppShutdown();  // nothing left to free
}
