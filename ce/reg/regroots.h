// The registry's four root keys, the one table of their numbers.
#pragma once

#include <cstdint>

// The four root keys: the value of their predefined handle, their row in
// regkeys, their name and the short name the tools write.
struct RegRoot {
  uint32_t handle;
  int64_t id;
  const char* name;
  const char* shortName;
};

inline constexpr RegRoot kRegRoots[] = {
    {0x80000000u, 1, "HKEY_CLASSES_ROOT", "HKCR"},
    {0x80000001u, 2, "HKEY_CURRENT_USER", "HKCU"},
    {0x80000002u, 3, "HKEY_LOCAL_MACHINE", "HKLM"},
    {0x80000003u, 4, "HKEY_USERS", "HKU"},
};
