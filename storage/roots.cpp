// Storage roots (see roots.h).
#include "storage/roots.h"

#include <cstring>
#include <string>

#include "port/support/regread.h"
#include "port/support/strconv.h"

const OjfsRootInfo kOjfsRoots[kOjfsRootCount] = {
    {"gfs://java", u"Gfs_Java_PhysicalPath"},         {"gfs://sdc_root", u"Gfs_SdcRoot_PhysicalPath"},
    {"gfs://sdc_secure", u"Gfs_SdcSecure_PhysicalPath"}, {"gfs://sd-card", u"Gfs_SdCard_PhysicalPath"},
    {"gfs://current", u"Gfs_Current_PhysicalPath"},   {"drm://java", u"Drm_Java_PhysicalPath"},
    {"drm://sd-card", u"Drm_SdCard_PhysicalPath"},
};

namespace {

constexpr char kDefaultPhysical[] = "\\Storage\\Vostel\\java";

// The physical directories; an empty one is the default (never set empty).
char gPhysical[kOjfsRootCount][kOjfsPhysicalChars + 1];

const char* lPhysical(int32_t index) { return gPhysical[index][0] != '\0' ? gPhysical[index] : kDefaultPhysical; }

// Whether prefix begins text at a component boundary (separator sep).
bool lPrefixAt(const char* text, const char* prefix, char sep) {
  const size_t n = std::strlen(prefix);
  if (n == 0 || std::strncmp(text, prefix, n) != 0)
    return false;
  return text[n] == '\0' || text[n] == sep || prefix[n - 1] == sep;
}

// prefix + rest with from turned into to, into out (256 bytes).
int32_t lCompose(const char* prefix, const char* rest, char from, char to, char* out) {
  std::string text = prefix;
  for (const char* p = rest; *p != '\0'; ++p)
    text.push_back(*p == from ? to : *p);
  return ojfs_boundedCopy(out, kOjfsPathBytes, text.c_str()) == OJFS_S_OK ? 0 : -1;
}

}  // namespace

int32_t ojfs_boundedCopy(char* buffer, size_t size, const char* text) {
  if (buffer == nullptr || size == 0 || size > 0x7FFFFFFF)
    return OJFS_E_INVALIDARG;
  buffer[0] = '\0';
  return ojfs_boundedAppend(buffer, size, text);
}

int32_t ojfs_boundedAppend(char* buffer, size_t size, const char* text) {
  if (buffer == nullptr || size == 0 || size > 0x7FFFFFFF)
    return OJFS_E_INVALIDARG;
  size_t at = strnlen(buffer, size);
  if (at == size)
    return OJFS_E_INVALIDARG;
  for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
    if (at + 1 == size) {
      buffer[at] = '\0';
      return OJFS_E_INSUFFICIENT_BUFFER;
    }
    buffer[at++] = *p;
  }
  buffer[at] = '\0';
  return OJFS_S_OK;
}

void ojfs_loadRootOverrides() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Vostel", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    return;
  RegCloseKey(key);
  for (int32_t i = 0; i < kOjfsRootCount; ++i) {
    const std::string value =
        WStringToString(RegReadString(HKEY_CURRENT_USER, u"Software\\Vostel", kOjfsRoots[i].registryValue));
    if (!value.empty())
      ojfs_setRootPath(i, value.c_str());
  }
}

int32_t ojfs_setRootPath(int32_t index, const char* path) {
  if (index < 0 || index >= kOjfsRootCount || path == nullptr || *path == '\0' ||
      std::strlen(path) > kOjfsPhysicalChars)
    return -1;
  std::strcpy(gPhysical[index], path);
  return 0;
}

const char* ojfs_getRootPath(int32_t index) {
  return index >= 0 && index < kOjfsRootCount ? lPhysical(index) : nullptr;
}

int32_t ojfs_uriToPhysical(const char* uri, char* out) {
  if (uri == nullptr || out == nullptr)
    return -1;
  for (int32_t i = 0; i < kOjfsRootCount; ++i)
    if (lPrefixAt(uri, kOjfsRoots[i].uri, '/'))
      return lCompose(lPhysical(i), uri + std::strlen(kOjfsRoots[i].uri), '/', '\\', out);
  return -1;
}

int32_t ojfs_physicalToUri(const char* path, char* out) {
  if (path == nullptr || out == nullptr)
    return -1;
  for (int32_t i = 0; i < kOjfsRootCount; ++i)
    if (lPrefixAt(path, lPhysical(i), '\\'))
      return lCompose(kOjfsRoots[i].uri, path + std::strlen(lPhysical(i)), '\\', '/', out);
  return -1;
}
