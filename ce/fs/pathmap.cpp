// Path mapping (see pathmap.h).
#include "ce/fs/pathmap.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <vector>

#include "ce/base/codepage.h"
#include "ce/base/lasterror.h"

namespace {

std::atomic<bool> gWarned{false};

char lFold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool lEqualFolded(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lFold(a[i]) != lFold(b[i]))
      return false;
  return true;
}

std::string lUtf8(const WCHAR* text) {
  std::string out;
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1)
    return out;
  out.resize(static_cast<size_t>(n));
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

// The name in directory dir that folds equal to name, or name itself.
std::string lFindFolded(const std::string& dir, const std::string& name) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr)
    return name;
  std::string best;
  bool found = false;
  while (dirent* e = readdir(d)) {
    const std::string entry = e->d_name;
    if (lEqualFolded(entry, name) && (!found || entry < best)) {
      best = entry;
      found = true;
    }
  }
  closedir(d);
  return found ? best : name;
}

bool lInside(const std::string& realRoot, const std::string& path) {
  return path == realRoot || (path.size() > realRoot.size() && path.compare(0, realRoot.size(), realRoot) == 0 &&
                              path[realRoot.size()] == '/');
}

// Whether a link in the CE directory of these components may leave the root.
bool lProgramLinkDirectory(const std::vector<std::string>& parents) {
  if (parents.size() == 1)
    return lEqualFolded(parents[0], "windows");
  return parents.size() == 2 && lEqualFolded(parents[0], "program files") && lEqualFolded(parents[1], "vostel");
}

}  // namespace

bool vsCeFs_deviceRoot(std::string* root) {
  const char* value = getenv("CE_ROOT");
  if (value == nullptr || *value == '\0') {
    if (!gWarned.exchange(true))
      std::fputs("CE_ROOT is not set\n", stderr);
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  *root = value;
  while (root->size() > 1 && root->back() == '/')
    root->pop_back();
  return true;
}

bool vsCeFs_hostPath(const WCHAR* cePath, std::string* hostPath) {
  std::string root;
  if (!vsCeFs_deviceRoot(&root))
    return false;
  if (cePath == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  const std::string path = lUtf8(cePath);
  if (path.empty() || (path[0] != '\\' && path[0] != '/')) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  std::vector<std::string> components;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos)
      end = path.size();
    std::string component = path.substr(start, end - start);
    start = end + 1;
    if (component.empty() || component == ".")
      continue;
    if (component == ".." || (components.empty() && lEqualFolded(component, ".ce"))) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    components.push_back(component);
  }
  char resolved[PATH_MAX];
  std::string current = root;
  bool existing = true;
  bool trusted = false;  // inside a program link
  for (size_t i = 0; i < components.size(); ++i) {
    std::string name = components[i];
    struct stat st;
    if (existing && lstat((current + "/" + name).c_str(), &st) != 0) {
      name = lFindFolded(current, name);
      existing = lstat((current + "/" + name).c_str(), &st) == 0;
    }
    current += "/" + name;
    if (!existing || trusted || !S_ISLNK(st.st_mode))
      continue;
    if (lProgramLinkDirectory(std::vector<std::string>(components.begin(), components.begin() + i))) {
      trusted = true;
      continue;
    }
    // The root is resolved only here: most paths cross no link.
    char resolvedRoot[PATH_MAX];
    const std::string realRoot = realpath(root.c_str(), resolvedRoot) != nullptr ? resolvedRoot : root;
    if (realpath(current.c_str(), resolved) == nullptr || !lInside(realRoot, resolved)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
  }
  *hostPath = current;
  return true;
}

bool vsCeFs_splitLast(const WCHAR* cePath, std::u16string* directory, std::u16string* last) {
  if (cePath == nullptr)
    return false;
  const std::u16string path(cePath);
  const size_t slash = path.find_last_of(u"\\/");
  if (slash == std::u16string::npos)
    return false;
  *directory = slash == 0 ? std::u16string(1, path[0]) : path.substr(0, slash);
  *last = path.substr(slash + 1);
  return true;
}

bool vsCeFs_matchPattern(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*")
    return true;
  // Iterative wildcard match with one back-tracking point.
  size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lFold(pattern[p]) == lFold(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

void vsCeFs_reset() { gWarned.store(false); }
