// The storage roots: seven URIs, each with a physical directory of the
// device that the registry may override, and the conversions between
// storage URIs and physical paths.
//
//   index  URI               registry value (HKCU "Software\Vostel")
//   0      gfs://java        Gfs_Java_PhysicalPath
//   1      gfs://sdc_root    Gfs_SdcRoot_PhysicalPath
//   2      gfs://sdc_secure  Gfs_SdcSecure_PhysicalPath
//   3      gfs://sd-card     Gfs_SdCard_PhysicalPath
//   4      gfs://current     Gfs_Current_PhysicalPath
//   5      drm://java        Drm_Java_PhysicalPath
//   6      drm://sd-card     Drm_SdCard_PhysicalPath
//
// Every physical directory starts as "\Storage\Vostel\java". A root
// matches a URI or path only at a component boundary ("gfs://java" does
// not match "gfs://javax/a").
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int32_t kOjfsRootCount = 7;
constexpr int32_t kOjfsGfsRootCount = 5;  // the first five are gfs roots
constexpr size_t kOjfsPhysicalChars = 255;
constexpr size_t kOjfsPathBytes = 256;

struct OjfsRootInfo {
  const char* uri;
  const char16_t* registryValue;
};

extern const OjfsRootInfo kOjfsRoots[kOjfsRootCount];

// Reads the registry overrides; nothing changes when the key is missing.
void ojfs_loadRootOverrides();
// -1 for an index outside 0..6 or a path that does not fit.
int32_t ojfs_setRootPath(int32_t index, const char* path);
// The physical directory, or NULL for an index outside 0..6.
const char* ojfs_getRootPath(int32_t index);
// The physical path of a storage URI into out (256 bytes); -1 when no root
// matches or the result does not fit.
int32_t ojfs_uriToPhysical(const char* uri, char* out);
// The storage URI of a physical path into out (256 bytes); -1 likewise.
int32_t ojfs_physicalToUri(const char* path, char* out);

// Results of the bounded text functions.
constexpr int32_t OJFS_S_OK = 0;
constexpr int32_t OJFS_E_INVALIDARG = static_cast<int32_t>(0x80070057u);
constexpr int32_t OJFS_E_INSUFFICIENT_BUFFER = static_cast<int32_t>(0x8007007Au);

// Copies (appends) text into a buffer of size bytes: OJFS_S_OK, or
// OJFS_E_INVALIDARG (size 0 or above 0x7FFFFFFF), or
// OJFS_E_INSUFFICIENT_BUFFER with the cut, terminated text.
int32_t ojfs_boundedCopy(char* buffer, size_t size, const char* text);
int32_t ojfs_boundedAppend(char* buffer, size_t size, const char* text);
