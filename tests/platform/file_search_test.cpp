#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "platform/win32.h"

namespace {

// A scratch folder with the sort of content the file list window reads.
class FileSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/gv_find_XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    root = tmpl;
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    saved = cwd;
    write("Alpha.GVS", "12345");
    write("beta.gvs", "");
    write("Gamma.gvsx", "");
    write("notes.txt", "");
    write(".hidden.gvs", "");
    mkdir((root + "/Sub.gvs").c_str(), 0755);
    mkdir((root + "/Media").c_str(), 0755);
    mkdir((root + "/Media/Scripts").c_str(), 0755);
    write("Media/Scripts/a.material", "");
  }
  void TearDown() override {
    ASSERT_EQ(chdir(saved.c_str()), 0);
    std::string cmd = "rm -rf '" + root + "'";
    ASSERT_EQ(system(cmd.c_str()), 0);
  }
  void write(const std::string& name, const std::string& text) {
    FILE* f = fopen((root + "/" + name).c_str(), "wb");
    ASSERT_TRUE(f);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
  }
  struct Entry {
    std::string name;
    DWORD attributes;
    DWORD size;
  };
  std::vector<Entry> find(const std::string& pattern) {
    std::vector<Entry> out;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA(pattern.c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return out;
    do out.push_back(Entry{d.cFileName, d.dwFileAttributes, d.nFileSizeLow});
    while (FindNextFileA(h, &d));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(h));
    return out;
  }
  std::vector<std::string> names(const std::vector<Entry>& v) {
    std::vector<std::string> n;
    for (const Entry& e : v) n.push_back(e.name);
    return n;
  }
  std::string root, saved;
};

TEST_F(FileSearch, WildcardsMatchNamesWithoutCaseAndReportKinds) {
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  std::vector<Entry> v = find("*.gvs");
  EXPECT_EQ(names(v), (std::vector<std::string>{".hidden.gvs", "Alpha.GVS", "beta.gvs", "Sub.gvs"}));
  for (const Entry& e : v) {
    bool dir = e.name == "Sub.gvs", hidden = e.name == ".hidden.gvs";
    EXPECT_EQ((e.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, dir) << e.name;
    EXPECT_EQ((e.attributes & FILE_ATTRIBUTE_HIDDEN) != 0, hidden) << e.name;
    if (!dir && !hidden) {
      EXPECT_EQ(e.attributes, (DWORD)FILE_ATTRIBUTE_NORMAL) << e.name;
    }
  }
  EXPECT_EQ(v[1].size, 5u);
  // The file list keeps what is neither a folder nor hidden.
  std::vector<std::string> listed;
  for (const Entry& e : v)
    if (!(e.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN))) listed.push_back(e.name);
  EXPECT_EQ(listed, (std::vector<std::string>{"Alpha.GVS", "beta.gvs"}));
  // "*.*" is everything, "." and ".." first; '?' is one character.
  std::vector<std::string> all = names(find("*.*"));
  ASSERT_EQ(all.size(), 9u);
  EXPECT_EQ(all[0], ".");
  EXPECT_EQ(all[1], "..");
  EXPECT_EQ(names(find("?eta.GV?")), (std::vector<std::string>{"beta.gvs"}));
  EXPECT_EQ(names(find("ALPHA.gvs")), (std::vector<std::string>{"Alpha.GVS"}));
}

TEST_F(FileSearch, FoldersInPatternsAcceptEitherSeparatorAndAnyCase) {
  EXPECT_EQ(names(find(root + "\\media\\SCRIPTS\\*.material")), (std::vector<std::string>{"a.material"}));
  EXPECT_EQ(names(find(root + "/Media/Scripts/*.material")), (std::vector<std::string>{"a.material"}));
  ASSERT_TRUE(SetCurrentDirectoryA((root + "\\media\\scripts").c_str()));
  char buf[4096];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  EXPECT_EQ(std::string(buf, n), root + "/Media/Scripts");
  ASSERT_TRUE(SetCurrentDirectoryA("..\\.."));
  EXPECT_EQ(names(find("notes.*")), (std::vector<std::string>{"notes.txt"}));
  EXPECT_EQ(GVNativePath("MEDIA\\scripts\\A.MATERIAL"), "Media/Scripts/a.material");
  EXPECT_EQ(GVNativePath("media\\nothing\\x.txt"), "Media/nothing/x.txt");
}

TEST_F(FileSearch, FailuresCarryTheirErrorCodes) {
  WIN32_FIND_DATAA d;
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  EXPECT_EQ(FindFirstFileA("*.gvb", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("NoFolder\\*.gvs", &d), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(FindNextFileA((HANDLE)&d, &d));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
  EXPECT_FALSE(FindClose((HANDLE)&d));
  EXPECT_FALSE(SetCurrentDirectoryA("NoFolder"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(SetCurrentDirectoryA("NoFolder\\Deeper"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(SetCurrentDirectoryA("notes.txt"));
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("NOTES.TXT"), (DWORD)FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA("Media"), (DWORD)FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA("missing"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileSearch, CurrentDirectoryReportsTheSizeItNeeds) {
  ASSERT_TRUE(SetCurrentDirectoryA(root.c_str()));
  DWORD need = GetCurrentDirectoryA(0, nullptr);
  EXPECT_EQ(need, root.size() + 1);
  std::vector<char> small(root.size());
  EXPECT_EQ(GetCurrentDirectoryA((DWORD)small.size(), small.data()), need);
  std::vector<char> fits(root.size() + 1);
  EXPECT_EQ(GetCurrentDirectoryA((DWORD)fits.size(), fits.data()), root.size());
  EXPECT_EQ(std::string(fits.data()), root);
}

}  // namespace
