#include <gtest/gtest.h>

#include <OGRE/Ogre.h>

#include "GVAppWins/material_reload.h"

namespace {

// Which resource a script line defines, by kind: 0 material, 1 vertex
// program, 2 fragment program.
TEST(MaterialReload, ScriptLinesNameTheirResources) {
  struct Case {
    const char* line;
    int kind;
    const char* name;
  } const cases[] = {
      {"material Wood", 0, "Wood"},
      {"Material Wood", 0, "Wood"},          // letter case of the keyword is ignored
      {"material Wood : Base", 0, "Wood"},   // the parent is not touched
      {"material Wood:Base", 0, "Wood"},
      {"material \t  Wood", 0, "Wood"},
      {"material", 0, ""},
      {"vertex_program Skin glsl", 1, "Skin"},
      {"vertex_program_ref Skin", 1, ""},    // a reference inside a pass defines nothing
      {"fragment_program Glow cg", 2, "Glow"},
      {"fragment_program_ref Glow", 2, ""},
      {"vertex_program Skin glsl", 0, ""},
      {"pass", 0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(GVScriptLineResource(c.line, c.kind), c.name) << c.line << " / " << c.kind;
}

}  // namespace
