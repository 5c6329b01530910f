// Current folder and file search over the native file system, with Win32's
// manners: '\' or '/' between components, names matched without regard to case,
// '*' and '?' wildcards ("*.*" matches every name), "." and ".." listed for a
// folder, dot files reported hidden, and entries in case-insensitive name order.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <set>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/kernel32.h"
#include "platform/paths.h"

static bool exists(const std::string& p) {
  struct stat st;
  return lstat(p.c_str(), &st) == 0;
}

// The entry of dir whose name equals name but for case (the first in name order).
static bool findFolded(const std::string& dir, const std::string& name, std::string* found) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  bool ok = false;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0 && (!ok || strcmp(e->d_name, found->c_str()) < 0)) {
      *found = e->d_name;
      ok = true;
    }
  }
  closedir(d);
  return ok;
}

std::string GVNativePath(const char* path) {
  if (!path) return std::string();
  std::string in(path);
  std::replace(in.begin(), in.end(), '\\', '/');
  std::string out = in[0] == '/' ? "/" : "";
  size_t i = 0;
  bool missing = false;
  while (i < in.size()) {
    size_t j = in.find('/', i);
    if (j == std::string::npos) j = in.size();
    std::string part = in.substr(i, j - i);
    i = j + 1;
    if (part.empty()) continue;
    std::string next = out.empty() || out.back() == '/' ? out + part : out + "/" + part;
    if (!missing && part != "." && part != ".." && !exists(next)) {
      std::string folded;
      std::string dir = out.empty() ? "." : out;
      if (findFolded(dir, part, &folded)) next = out.empty() || out.back() == '/' ? out + folded : out + "/" + folded;
      else missing = true;
    }
    out = next;
  }
  if (out.empty()) out = in.empty() ? "" : ".";
  return out;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  std::vector<char> cwd(PATH_MAX + 1);
  if (!getcwd(cwd.data(), cwd.size())) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  size_t n = strlen(cwd.data());
  if (!buffer || bufferLength <= n) return (DWORD)(n + 1);  // the size it needs
  memcpy(buffer, cwd.data(), n + 1);
  return (DWORD)n;
}

static DWORD errorForErrno(int e, const std::string& native) {
  switch (e) {
    case ENOENT: {
      size_t slash = native.find_last_of('/');
      std::string parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : native.substr(0, slash));
      return exists(parent) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR: return ERROR_DIRECTORY;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_PATH_NOT_FOUND;
  }
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  if (!path || !path[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string native = GVNativePath(path);
  if (chdir(native.c_str()) != 0) {
    SetLastError(errorForErrno(errno, native));
    return FALSE;
  }
  return TRUE;
}

// ---- Attributes and entries ---------------------------------------------------------------------

static FILETIME fileTime(const timespec& t) {
  // 100-ns intervals since 1601-01-01.
  uint64_t v = (uint64_t)t.tv_sec * 10000000ull + (uint64_t)t.tv_nsec / 100u + 116444736000000000ull;
  return FILETIME{(DWORD)v, (DWORD)(v >> 32)};
}

static DWORD attributesOf(const std::string& native, const std::string& name, const struct stat& st) {
  DWORD a = 0;
  if (S_ISDIR(st.st_mode)) a |= FILE_ATTRIBUTE_DIRECTORY;
  if (name.size() > 1 && name[0] == '.' && name != "..") a |= FILE_ATTRIBUTE_HIDDEN;
  if (access(native.c_str(), W_OK) != 0) a |= FILE_ATTRIBUTE_READONLY;
  return a ? a : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetFileAttributesA(LPCSTR path) {
  if (!path || !path[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string native = GVNativePath(path);
  struct stat st;
  if (stat(native.c_str(), &st) != 0) {
    SetLastError(errorForErrno(errno, native));
    return INVALID_FILE_ATTRIBUTES;
  }
  size_t slash = native.find_last_of('/');
  return attributesOf(native, slash == std::string::npos ? native : native.substr(slash + 1), st);
}

// '*' any run, '?' one character, letters compared without case.
static bool wildMatch(const char* pat, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pat == '*') {
      star = pat++;
      resume = name;
    } else if (*pat == '?' || (*pat && tolower((unsigned char)*pat) == tolower((unsigned char)*name))) {
      ++pat;
      ++name;
    } else if (star) {
      pat = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pat == '*') ++pat;
  return *pat == 0;
}

namespace {
struct FoundEntry {
  std::string name;
  DWORD attributes;
  uint64_t size;
  FILETIME created, accessed, written;
};
struct FindSearch {
  std::vector<FoundEntry> entries;
  size_t next = 0;
};
std::set<FindSearch*>& openSearches() {
  static std::set<FindSearch*>* s = new std::set<FindSearch*>();
  return *s;
}
}  // namespace

static void fill(const FoundEntry& e, LPWIN32_FIND_DATAA data) {
  memset(data, 0, sizeof *data);
  data->dwFileAttributes = e.attributes;
  data->ftCreationTime = e.created;
  data->ftLastAccessTime = e.accessed;
  data->ftLastWriteTime = e.written;
  data->nFileSizeHigh = (DWORD)(e.size >> 32);
  data->nFileSizeLow = (DWORD)e.size;
  memcpy(data->cFileName, e.name.c_str(), e.name.size() + 1);
}

static bool nameOrder(const FoundEntry& a, const FoundEntry& b) {
  auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
  if (rank(a.name) != rank(b.name)) return rank(a.name) < rank(b.name);
  int c = strcasecmp(a.name.c_str(), b.name.c_str());
  return c != 0 ? c < 0 : a.name < b.name;
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (!pattern || !pattern[0] || !data) {
    SetLastError(pattern && pattern[0] ? ERROR_INVALID_PARAMETER : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string p(pattern);
  size_t sep = p.find_last_of("\\/");
  std::string folder = sep == std::string::npos ? "." : (sep == 0 ? "/" : p.substr(0, sep));
  std::string mask = sep == std::string::npos ? p : p.substr(sep + 1);
  if (mask.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (mask == "*.*") mask = "*";
  std::string native = GVNativePath(folder.c_str());
  DIR* d = opendir(native.c_str());
  if (!d) {
    SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_unique<FindSearch>();
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.size() >= MAX_PATH || !wildMatch(mask.c_str(), name.c_str())) continue;
    std::string full = native == "/" ? "/" + name : native + "/" + name;
    struct stat st;
    if (stat(full.c_str(), &st) != 0 && lstat(full.c_str(), &st) != 0) continue;
    FoundEntry f;
    f.name = name;
    f.attributes = attributesOf(full, name, st);
    f.size = S_ISDIR(st.st_mode) ? 0 : (uint64_t)st.st_size;
    f.created = fileTime(st.st_ctim);
    f.accessed = fileTime(st.st_atim);
    f.written = fileTime(st.st_mtim);
    search->entries.push_back(f);
  }
  closedir(d);
  if (search->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::sort(search->entries.begin(), search->entries.end(), nameOrder);
  fill(search->entries[0], data);
  search->next = 1;
  FindSearch* h = search.release();
  openSearches().insert(h);
  return h;
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
  auto it = openSearches().find((FindSearch*)handle);
  if (it == openSearches().end() || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  FindSearch* s = *it;
  if (s->next >= s->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  fill(s->entries[s->next++], data);
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  auto it = openSearches().find((FindSearch*)handle);
  if (it == openSearches().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete *it;
  openSearches().erase(it);
  return TRUE;
}
