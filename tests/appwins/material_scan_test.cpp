#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appwins/material_scan.h"
#include "toolkit/comments.h"

namespace {

std::vector<std::string> listed(const char* text, const char* base) {
  std::vector<std::string> out;
  GVWalkMaterialScript(text, base, [](const char* n, void* u) {
    static_cast<std::vector<std::string>*>(u)->push_back(n);
  }, &out);
  return out;
}

const char kRock[] =
    "material Rock/Wall\n{\n}\n"
    "// material Rock/Floor\n"
    "material Floor\n"
    "material Other/Wall\n"
    "material GvTEMPLATE_Base\n"
    "material Rock/GvTEMPLATE_X\n"
    "materials Foo\n"
    "material_Bar {\n"
    "material \"My Wall\"\n"
    "material Last";

TEST(MaterialScan, ListsTheTableRowsInFileOrder) {
  std::vector<char> stripped(sizeof kRock);
  GVStripComments(kRock, stripped.data());
  EXPECT_EQ(listed(stripped.data(), "Rock"),
            (std::vector<std::string>{"Wall", "Floor", "Other/Wall", "Foo", "Bar",
                                      "\"My Wall\""}));
  // The look-up keeps comments: the commented entry precedes the real one.
  EXPECT_EQ(GVLookUpScriptMaterial(kRock, "Rock", "Wall"), 1);
  EXPECT_EQ(GVLookUpScriptMaterial(kRock, "Rock", "Floor"), 1);
  EXPECT_EQ(GVLookUpScriptMaterial(kRock, "Rock", "Other/Wall"), 0);
  EXPECT_EQ(GVLookUpScriptMaterial(kRock, "Rock", "Last"), -1);
  EXPECT_EQ(GVLookUpScriptMaterial(kRock, "Rock", "Unknown"), -1);
  char base[kMaterialNameMax];
  EXPECT_FALSE(GVMaterialBaseName(".material", base));
  ASSERT_TRUE(GVMaterialBaseName("Rock.material", base));
  EXPECT_STREQ(base, "Rock");
  EXPECT_EQ(GVIsTemplateName("GvTEMPLATE"), 1);
  EXPECT_EQ(GVIsTemplateName("GvTEMPLAT"), 0);
}

TEST(MaterialScan, OverlongNamesAreSkippedNotOverrun) {
  std::string text = "material " + std::string(255, 'a') + "\nmaterial " +
                     std::string(256, 'b') + "\nmaterial Rock/" + std::string(2000, 'c') +
                     "\nmaterial Ok\n";
  EXPECT_EQ(listed(text.c_str(), "Rock"),
            (std::vector<std::string>{std::string(255, 'a'), "Ok"}));
  std::string longFile = std::string(400, 'x') + ".material";
  EXPECT_EQ(GVFindScriptMaterial(longFile.c_str(), "Ok"), -1);
}

}  // namespace
