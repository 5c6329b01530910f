// The scene's look in the engine view: lights and their records, texture
// shadows, tangents for the bump-map scripts, the sky dome and background
// image, render-to-texture and the saved view image, read from the screen.
#include <gtest/gtest.h>
// jpeglib.h needs FILE declared first.
#include <cstdio>
#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <OGRE/Ogre.h>
#include <OGRE/OgreRectangle2D.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../geo/geo_fixtures.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_lights.h"
#include "GVAppWins/ogre_rtt.h"
#include "GVAppWins/ogre_scene_build.h"
#include "GVAppWins/ogre_sky.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "GVAppWins/view_image.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "display_expected.h"
#include "geo/geo_list.h"
#include "geo/mesh_derived.h"
#include "geo/uv_sets.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "scene/app_lifecycle.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/display_settings.h"
#include "records/heap_string.h"
#include "scene/light_list.h"
#include "scene/menu_commands.h"
#include "records/obj_handle.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "test_main_window.h"
#include "view_probe.h"

namespace fs = std::filesystem;
using geotest::V3;

namespace {

int32_t gCurrentGeo[3] = {0, 0, 0};
std::vector<std::string> gMessages;

int ch(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }
int grey(uint32_t p) { return (ch(p, 16) + ch(p, 8) + ch(p, 0)) / 3; }

class SceneLookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    GVTestSetScreen(1280, 800);
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_look_" + std::to_string(getpid()));
    fs::create_directories(root_);
    fs::create_symlink(old_ / "media", root_ / "media");
    for (const char* f : {"plugins.cfg", "ogre.cfg"}) fs::copy_file(old_ / f, root_ / f);
    fs::current_path(root_);
    GVAppStartup();
    ASSERT_EQ(GVInitFolders(), 1);
    GVViewSceneLinks links;
    links.bounds = GVScene().bounds;
    links.background = &GVScene().display->background.r;
    links.currentGeo = gCurrentGeo;
    links.backdropMode = &GVScene().display->backgroundFlags;
    links.skyDistance = &GVScene().display->shadowValues[4];
    GVSetViewSceneLinks(links);
    gMessages.clear();
    GVSetViewMessageRoutine([](const char* text) { gMessages.push_back(text); });
    GVInstallRenderServices();
    // The main window's view entries, for this view.
    SceneServices s = GVSceneServices();
    s.viewCamera = []() -> CameraRec* {
      GVView* v = GVMainView();
      return v && v->camera ? *v->camera : nullptr;
    };
    s.redrawView = [] {
      if (GVView* v = GVMainView()) GVRedrawView(v);
    };
    GVSetSceneServices(s);
    main_ = GVTestMainWindow(1100, 760);
    GVTestOpenView(view_, main_);
  }
  void TearDown() override {
    GVAppShutdown();
    GVDestroyView(&view_);
    GVSetMainView(nullptr);
    GVSetViewSceneLinks(GVViewSceneLinks());
    GVSetSceneServices(SceneServices());
    GVSetViewMessageRoutine(nullptr);
    GVTestReset();
    fs::current_path(old_);
    std::error_code ec;
    fs::copy_file(root_ / "Ogre.log", old_ / "scene_look_ogre.log", fs::copy_options::overwrite_existing, ec);
    fs::remove_all(root_, ec);
  }
  void show() { GVTestShowView(view_); }
  GeoList* geos() { return static_cast<GeoList*>(GVScene().geoList->object); }
  DisplaySettings* display() { return GVScene().display; }
  LightRec* light0() { return GVGetLight(0, GVScene().lights); }

  GObject* addGeo(GObject* g, float r, float gr, float b) {
    GVSetColour(&g->colourA, 0, r, gr, b, 1.0f);
    g->materialType = 1;
    g->handle = new ObjHandle{g};
    GVRebuildGeo(g);
    GVEnsureGeoMaterials(g);
    GVAddGeo(geos(), g);
    return g;
  }
  // A double-sided quad a, b, c, d with u along b - a and v along d - a.
  GObject* addQuad(int32_t id, const char* name, V3 a, V3 b, V3 c, V3 d, float r = 1, float gr = 1, float bl = 1) {
    GObject* g = addGeo(geotest::makeGeo(id, name, {a, b, c, d}, {}, {{1, 2, 3, 4}}), r, gr, bl);
    g->flags |= 0x4;
    giveUVs(g, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    return g;
  }
  static void giveUVs(GObject* g, const std::vector<std::array<float, 2>>& uv) {
    if (!g->uvSets) g->uvSets = new UVSetArray{0, nullptr};
    if (g->uvSets->count < 1) ASSERT_TRUE(GVNewUVSetArray(g->uvSets, 1));
    UVSet* s = GVGetUVSet(g->uvSets, 0);
    delete[] s->uvPairs;
    s->uvCount = g->vertexCount;
    s->uvPairs = new float[g->vertexCount + 1][2]();
    for (size_t i = 0; i < uv.size(); ++i) {
      s->uvPairs[i + 1][0] = uv[i][0];
      s->uvPairs[i + 1][1] = uv[i][1];
    }
    GVEnsureGeoMaterials(g);
  }
  // With a UV set, so that its materials are kept as the test sets them.
  GObject* addBox(int32_t id, const char* name, V3 lo, V3 hi, float r, float gr, float b) {
    GObject* g = addGeo(geotest::makeGeo(id, name, geotest::boxCorners(lo, hi), geotest::boxTriangles()), r, gr, b);
    giveUVs(g, {});
    return g;
  }
  static void useScript(GObject* g, const char* file, const char* material) {
    g->materialType = 2;
    GVSetString(&g->matFile, file);
    GVSetString(&g->matName2, material);
  }
  static void shadowBits(GObject* g, uint32_t bits) { GVGeoMaterialAt(g, 0)->word18 = bits; }
  ScreenRect footprint(const std::vector<V3>& pts) { return GVTestFootprint(view_, pts); }
  ScreenRect viewRect() { return GVTestViewRect(view_, 1000, 675); }
  // Mean grey level over the rectangle.
  int meanGrey(const ScreenRect& r) {
    long sum = 0, n = 0;
    for (int y = r.y0; y <= r.y1; ++y)
      for (int x = r.x0; x <= r.x1; ++x, ++n) sum += grey(GVScreenImage().at(x, y));
    return n ? static_cast<int>(sum / n) : -1;
  }
  uint32_t centre(const ScreenRect& r) { return GVScreenImage().at((r.x0 + r.x1) / 2, (r.y0 + r.y1) / 2); }
  void build() { GVBuildOgreScene(32, 32); }
  // The menu's image saving as the main window wires it, with its messages
  // and status lines caught.
  void wireMenu() {
    SceneServices s = GVSceneServices();
    s.saveViewImage = [](const char* file, int32_t type) -> int32_t {
      return GVSaveViewToTexture(GVMainView(), file, type);
    };
    s.showMessage = [](const char* text) { gMessages.push_back(std::string("message: ") + text); };
    s.showStatusLine = [](const char* text) { gMessages.push_back(std::string("status: ") + text); };
    GVSetSceneServices(s);
  }

  fs::path old_, root_;
  HWND main_ = nullptr;
  GVView view_;
};

const std::vector<V3> kWall = {{-6, 2, 0}, {-6, 14, 0}, {6, 14, 0}, {6, 2, 0}};

TEST_F(SceneLookTest, LightsBackgroundAndAmbientFollowTheirRecords) {
  GObject* wall = addQuad(1, "wall", kWall[0], kWall[1], kWall[2], kWall[3]);
  GVSetColour(&display()->background2, 1, 0.3f, 0.3f, 0.3f, 1.0f);
  build();
  show();
  const ScreenRect w = footprint({{-2, 6, 0}, {2, 10, 0}});
  const int lit = meanGrey(w);
  EXPECT_GT(lit, 150);

  // Kind 0: the light is kept but shows nothing; only the ambient is left.
  light0()->kind = 0;
  GVUpdateOgreLight(kLightWhole, 0);
  show();
  EXPECT_NEAR(meanGrey(w), 77, 6);
  EXPECT_FALSE(gOgreData->mSceneMgr->getLight("Light0")->getVisible());

  // The background colour: the empty view and the view window's class brush.
  GVSetColour(&display()->background, 1, 0.1f, 0.2f, 0.3f, 1.0f);
  GVUpdateOgreLight(kLightBackground, 0);
  show();
  const int bg = GVTestCountPixels(viewRect(), [](uint32_t p) {
    return std::abs(ch(p, 16) - 26) <= 1 && std::abs(ch(p, 8) - 51) <= 1 && std::abs(ch(p, 0) - 77) <= 1;
  });
  EXPECT_GT(bg, 1000 * 675 / 3);
  LOGBRUSH brush = {};
  ASSERT_EQ(GetObjectA(reinterpret_cast<HGDIOBJ>(GetClassLongA(view_.window, GCL_HBRBACKGROUND)), sizeof brush, &brush),
            static_cast<int>(sizeof brush));
  EXPECT_EQ(brush.lbColor, RGB(25, 51, 76));

  // A light that exists already is left as it is, with one message.
  GVCreateOgreLightFromGVLight(0);
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_EQ(gMessages[0], "GVCreateOgreLightFromGVLight: Light 0 already exists!!..aborting light creation!");
  EXPECT_FALSE(gOgreData->mSceneMgr->getLight("Light0")->getVisible());
  (void)wall;
}

TEST_F(SceneLookTest, TextureShadowsDarkenTheReceiverUnderACaster) {
  // A spot light from the upper left throws the box's shadow onto the wall to
  // the box's lower right.
  GObject* wall = addQuad(1, "wall", kWall[0], kWall[1], kWall[2], kWall[3]);
  useScript(wall, "Shadow1.material", "Shadow1");
  shadowBits(wall, 2);
  GObject* box = addBox(2, "caster", {-1, 7, 2}, {1, 9, 4}, 0.8f, 0.2f, 0.2f);
  shadowBits(box, 1);
  LightRec* l = light0();
  l->kind = 3;
  l->flags = 1;
  const float from[3] = {-6, 14, 14}, dir[3] = {6, -6, -14};
  for (int k = 0; k < 3; ++k) {
    l->position[k] = from[k];
    l->direction[k] = dir[k];
  }
  GVSetColour(l->colour2, 1, 0.6f, 0.6f, 0.6f, 1.0f);
  l->angle1 = 50;
  l->angle2 = 70;
  display()->shadowCounts[2] = 100;
  GVSetColour(&display()->background2, 1, 0.2f, 0.2f, 0.2f, 1.0f);
  const ScreenRect shade = footprint({{1.6f, 5.4f, 0}, {2.4f, 6.2f, 0}});
  auto rebuild = [&] {
    GVDestroyOgreGeoObj(wall->handle);
    GVDestroyOgreGeoObj(box->handle);
    build();
    show();
  };

  rebuild();
  const int plain = meanGrey(shade);
  EXPECT_EQ(gOgreData->mSceneMgr->getShadowTechnique(), Ogre::SHADOWTYPE_NONE);
  display()->optionInts[0] = kOgreTextureShadows;
  l->param1 = 0.0f;
  rebuild();
  EXPECT_TRUE(GVSaveScreenPng((old_ / "scene_look_shadow.png").c_str()));
  EXPECT_EQ(gOgreData->mShadowsInUse, 1);
  EXPECT_EQ(gOgreData->mSceneMgr->getShadowTechnique(), Ogre::SHADOWTYPE_TEXTURE_ADDITIVE_INTEGRATED);
  EXPECT_EQ(display()->shadowCounts[2], 512);
  EXPECT_EQ(gOgreData->mSceneMgr->getShadowTextureConfigList()[0].width, 512u);
  const int shadowed = meanGrey(shade);
  EXPECT_LT(shadowed, plain - 40);
  // The editing overlays stay out of the shadow maps.
  gViewModeFlags.partPick = 1;
  show();
  EXPECT_NEAR(meanGrey(shade), shadowed, 1);
  gViewModeFlags.partPick = 0;

  // The near clip came from the nearest caster or receiver vertex.
  float nearest = 1e30f;
  for (const GObject* g : {wall, box})
    for (int32_t i = 1; i <= g->vertexCount; ++i) {
      float d = 0;
      for (int k = 0; k < 3; ++k) d += (g->vertices[i][k] - from[k]) * (g->vertices[i][k] - from[k]);
      nearest = std::min(nearest, d);
    }
  EXPECT_NEAR(l->param1, 0.8f * std::sqrt(nearest), 1e-3);
  EXPECT_NEAR(gOgreData->mSceneMgr->getLight("Light0")->getShadowNearClipDistance(), l->param1, 1e-4);
  EXPECT_EQ(GVSceneUsesShadowScript(), 1);
}

TEST_F(SceneLookTest, QuadOnlyBumpMapGeoGetsTangents) {
  // u runs along x on a unit quad in the xy plane.
  GObject* q = addQuad(1, "bumpy", {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
  ASSERT_EQ(q->triangleCount, 0);
  useScript(q, "BumpMap0.material", "BumpMap0");
  EXPECT_EQ(GVGeoNeedsTangents(q), 1);
  ASSERT_EQ(GVCalcGeoTangents(q), 1);
  for (int32_t i = 1; i <= 4; ++i) {
    EXPECT_NEAR(q->renderNormals[i][0], 1.0f, 1e-5) << i;
    EXPECT_NEAR(q->renderNormals[i][1], 0.0f, 1e-5) << i;
    EXPECT_NEAR(q->renderNormals[i][2], 0.0f, 1e-5) << i;
  }
  // Built and drawn with the script's programs.
  build();
  show();
  EXPECT_TRUE(GVGeoEntity(q));
  // Every script of the media folder compiles its programs on this driver.
  for (const char* name : {"BumpMap0", "BumpMap1", "Shadow0", "Shadow1", "Shadow2", "gvEffects", "gvShadow"}) {
    Ogre::MaterialPtr m = Ogre::MaterialManager::getSingleton().getByName(name, Ogre::RGN_DEFAULT);
    ASSERT_TRUE(m) << name;
    m->load();
    EXPECT_EQ(m->getNumSupportedTechniques(), 1u) << name << m->getUnsupportedTechniquesExplanation();
  }
  // Letter case counts; other scripts need none.
  GVSetString(&q->matFile, "bumpmap0.material");
  EXPECT_EQ(GVGeoNeedsTangents(q), 0);
}

TEST_F(SceneLookTest, SkyDomeAndBackgroundImage) {
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  const ScreenRect v = viewRect();
  // Mode 2 without an image: the cloud dome, scrolling.
  display()->backgroundFlags = 2;
  display()->shadowValues[3] = 0.2f;
  GVSetOgreSky();
  GVSetViewProjection(&view_);  // the far clip reaches the dome
  EXPECT_TRUE(sm->isSkyDomeEnabled());
  show();
  const GVSurface first = GVScreenImage();
  usleep(1000 * 1000);
  show();
  int moved = 0;
  for (int y = v.y0; y < v.y0 + 200; ++y)
    for (int x = v.x0; x <= v.x1; ++x) moved += first.at(x, y) != GVScreenImage().at(x, y);
  EXPECT_GT(moved, 500);

  // File > Save BG Image, then mode 1: the image over the whole view.
  GVSetColour(&display()->background, 1, 0.9f, 0.1f, 0.1f, 1.0f);
  GVUpdateOgreLight(kLightBackground, 0);
  wireMenu();
  GVMenuCommand(kMenuFile, 9, 0, &view_);
  ASSERT_TRUE(fs::exists(root_ / "MyBGSceneImage.jpg"));
  GVSetColour(&display()->background, 1, 0.1f, 0.1f, 0.9f, 1.0f);
  GVUpdateOgreLight(kLightBackground, 0);
  GVSetString(&display()->imageName, "MyBGSceneImage.jpg");
  display()->backgroundFlags = 1;
  GVSetOgreSky();
  EXPECT_FALSE(sm->isSkyDomeEnabled());
  show();
  // The saved view showed the dome over red: no blue background shows now.
  EXPECT_LT(GVTestCountPixels(v, [](uint32_t p) { return ch(p, 0) > 200 && ch(p, 16) < 60; }), 50);
  Ogre::Rectangle2D* rect = gOgreData->mBackground;
  ASSERT_NE(rect, nullptr);
  GVCreateOgreBackground("clouds.jpg");
  EXPECT_EQ(gOgreData->mBackground, rect);
  EXPECT_EQ(gOgreData->mBackgroundNode->numAttachedObjects(), 1u);
  EXPECT_EQ(sm->getRootSceneNode()->getChild("Background"), gOgreData->mBackgroundNode);

  // An image the engine cannot read leaves the background plain; frames go on.
  std::FILE* f = std::fopen("broken.png", "wb");
  std::fputs("not an image", f);
  std::fclose(f);
  GVCreateOgreBackground("broken.png");
  show();
  EXPECT_GT(GVTestCountPixels(v, [](uint32_t p) { return ch(p, 0) > 200 && ch(p, 16) < 60; }), 1000);

  display()->backgroundFlags = 0;
  GVSetOgreSky();
  EXPECT_EQ(gOgreData->mBackground, nullptr);
  EXPECT_EQ(gOgreData->mBackgroundNode, nullptr);
  EXPECT_FALSE(Ogre::MaterialManager::getSingleton().resourceExists("BGMaterial", Ogre::RGN_DEFAULT));
  EXPECT_FALSE(Ogre::MaterialManager::getSingleton().resourceExists("GVSkyMaterial", Ogre::RGN_DEFAULT));
}

TEST_F(SceneLookTest, RenderToTextureShowsTheSelectedGeoOnALayer) {
  GObject* screenQuad = addQuad(1, "screen", kWall[0], kWall[1], kWall[2], kWall[3], 1, 1, 1);
  GVGeoMaterialAt(screenQuad, 0)->mode = GEO_MAT_RTT_OPAQUE;
  GObject* shown = addBox(2, "shown", {-2, 16, -2}, {2, 20, 2}, 0.9f, 0.1f, 0.1f);
  SceneOpts* o = GVScene().options;
  o->fields[kRttSelection] = 2;
  o->fields[kRttMode] = 0;
  display()->backgroundFlags = 0;
  build();
  for (int i = 0; i < 2; ++i) show();
  ASSERT_TRUE(GVIsOgreRttCreated());
  EXPECT_EQ(o->fields[kRttWidth], 800);
  EXPECT_EQ(GVFindRttDisplayGeo(), 1);
  auto red = [](uint32_t p) { return ch(p, 16) > ch(p, 8) + 80 && ch(p, 16) > ch(p, 0) + 80; };
  const ScreenRect onScreen = footprint(kWall);
  const ScreenRect boxArea = footprint(geotest::boxCorners({-2, 16, -2}, {2, 20, 2}));
  // Mode 0: the box is in the texture on the quad, not in the main view.
  EXPECT_GT(GVTestCountPixels(onScreen, red), 200);
  EXPECT_EQ(GVTestCountPixels(boxArea, red), 0);
  // Mode 1: everywhere.
  o->fields[kRttMode] = 1;
  for (int i = 0; i < 2; ++i) show();
  EXPECT_GT(GVTestCountPixels(boxArea, red), 200);

  // Removed and rebuilt: one texture of that name.
  GVRemoveOgreRtt(gOgreData);
  EXPECT_FALSE(GVIsOgreRttCreated());
  EXPECT_FALSE(GVGetRttTexture());
  GVRebuildOgreRtt();
  GVRebuildOgreRtt();
  int textures = 0;
  for (auto it = Ogre::TextureManager::getSingleton().getResourceIterator(); it.hasMoreElements(); it.moveNext())
    textures += it.peekNextValue()->getName() == "RttTex";
  EXPECT_EQ(textures, 1);
  EXPECT_TRUE(GVIsOgreRttCreated());
  (void)shown;
}

bool readRgba(const fs::path& path, std::vector<png_byte>* out) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGBA;
  out->resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, out->data(), 0, nullptr) != 0;
}

// The JPEG's pixels as 0x00RRGGBB.
bool readJpeg(const fs::path& path, GVSurface* out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, f);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  out->resize(static_cast<int>(info.output_width), static_cast<int>(info.output_height), 0);
  std::vector<JSAMPLE> row(info.output_width * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPLE* r = row.data();
    const int y = static_cast<int>(info.output_scanline);
    jpeg_read_scanlines(&info, &r, 1);
    for (int x = 0; x < out->width; ++x)
      out->row(y)[x] = (uint32_t(row[3 * x]) << 16) | (uint32_t(row[3 * x + 1]) << 8) | row[3 * x + 2];
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(f);
  return true;
}

TEST_F(SceneLookTest, SavedViewImages) {
  addBox(1, "solid", {-3, 4, -3}, {3, 10, 3}, 0.9f, 0.1f, 0.1f);
  build();
  show();
  wireMenu();
  for (int round = 0; round < 2; ++round) {
    GVMenuCommand(kMenuFile, 10, 0, &view_);
    GVMenuCommand(kMenuFile, 9, 0, &view_);
  }
  ASSERT_EQ(gMessages.size(), 4u);
  EXPECT_EQ(gMessages[0], "status: Background scene image \"saved in MyBGSceneImage.png\" in main app folder");
  EXPECT_EQ(gMessages[3], "status: Background scene image \"saved in MyBGSceneImage.jpg\" in main app folder");
  EXPECT_FALSE(Ogre::TextureManager::getSingleton().resourceExists("RTTFileTex", Ogre::RGN_DEFAULT));
  EXPECT_EQ(view_.flags & kViewOverlayOff, 0u);

  // PNG: alpha 0 where only the background was drawn, 255 on the box.
  std::vector<png_byte> px;
  ASSERT_TRUE(readRgba(root_ / "MyBGSceneImage.png", &px));
  const int w = gOgreData->mViewWidth;
  ASSERT_EQ(px.size(), static_cast<size_t>(w) * gOgreData->mViewHeight * 4);
  const ScreenRect o = GVTestViewRect(view_, 0, 0);
  const ScreenRect box = footprint({{0, 7, 3}});
  EXPECT_EQ(px[(static_cast<size_t>(box.y0 - o.y0) * w + static_cast<size_t>(box.x0 - o.x0)) * 4 + 3], 255);
  EXPECT_EQ(px[3], 0);

  // JPEG: the screen's pixels within the codec's loss.
  GVSurface jpeg;
  ASSERT_TRUE(readJpeg(root_ / "MyBGSceneImage.jpg", &jpeg));
  ASSERT_EQ(jpeg.width, w);
  long diff = 0, n = 0;
  for (int y = 0; y < jpeg.height; y += 3)
    for (int x = 0; x < jpeg.width; x += 3, ++n) {
      const uint32_t a = jpeg.at(x, y), b = GVScreenImage().at(o.x0 + x, o.y0 + y);
      for (int s : {0, 8, 16}) diff += std::abs(ch(a, s) - ch(b, s));
    }
  EXPECT_LT(diff / (3 * n), 4);

  // The engine failing inside the render: nothing written, the file texture
  // gone and the overlays back on.
  struct Thrower : Ogre::RenderQueueListener {
    void renderQueueStarted(Ogre::uint8, const Ogre::String&, bool&) override {
      OGRE_EXCEPT(Ogre::Exception::ERR_RENDERINGAPI_ERROR, "planted", "test");
    }
  } thrower;
  gOgreData->mSceneMgr->addRenderQueueListener(&thrower);
  EXPECT_EQ(GVSaveViewToTexture(&view_, "Failed.png", 1), 0);
  gOgreData->mSceneMgr->removeRenderQueueListener(&thrower);
  EXPECT_FALSE(fs::exists(root_ / "Failed.png"));
  EXPECT_FALSE(Ogre::TextureManager::getSingleton().resourceExists("RTTFileTex", Ogre::RGN_DEFAULT));
  EXPECT_EQ(view_.flags & kViewOverlayOff, 0u);
  EXPECT_EQ(GVSaveViewToTexture(&view_, "Again.png", 1), 1);

  // A file that cannot be replaced: one message, no status line.
  gMessages.clear();
  fs::remove(root_ / "MyBGSceneImage.jpg");
  fs::create_directory(root_ / "MyBGSceneImage.jpg");
  GVMenuCommand(kMenuFile, 9, 0, &view_);
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_EQ(gMessages[0].rfind("message: ", 0), 0u);
}

}  // namespace
