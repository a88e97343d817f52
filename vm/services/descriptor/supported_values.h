// The configuration and profiles that suites may name.
#pragma once

#include <cstdint>

// The configuration this VM implements, kVsMicroeditionConfiguration, is
// defined beside the property table that reports it.
#include "vm/core/natives/properties.h"

// The older configuration whose suites it also runs.
inline constexpr char kVsOlderConfiguration[] = "CLDC-1.0";
// What OamsGetSupportedValue reports for the profiles.
inline constexpr char kVsSupportedProfiles[] = "MIDP-2.0 MIDP-1.0";

// Every supported name is exactly this long.
inline constexpr int32_t kVsSupportedNameLength = 8;

struct VsSupportedName {
  const char* name;
  int32_t length;
};

inline constexpr VsSupportedName kVsSupportedConfigurations[] = {
    {kVsMicroeditionConfiguration, kVsSupportedNameLength},
    {kVsOlderConfiguration, kVsSupportedNameLength},
};
inline constexpr VsSupportedName kVsSupportedProfileNames[] = {
    {"MIDP-1.0", kVsSupportedNameLength},
    {"MIDP-2.0", kVsSupportedNameLength},
};

constexpr bool vsSupported_lengthsHold() {
  for (const VsSupportedName& n : kVsSupportedConfigurations)
    if (__builtin_strlen(n.name) != static_cast<unsigned>(n.length)) return false;
  for (const VsSupportedName& n : kVsSupportedProfileNames)
    if (__builtin_strlen(n.name) != static_cast<unsigned>(n.length)) return false;
  return true;
}
static_assert(vsSupported_lengthsHold());
