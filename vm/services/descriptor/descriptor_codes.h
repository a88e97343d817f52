// Result codes and handles of the suite-descriptor service.
//
// Every operation answers 0 (or a value) on success and one of these negative
// codes on failure; functions that return a handle or a pointer report the
// code through an error out-parameter, which may be null. Handles of
// environments, descriptors and JARs are 32-bit words (the record's address);
// -1 is the invalid handle, returned by every opening function that fails.
#pragma once

#include <cstdint>

using OamsHandle = int32_t;
inline constexpr OamsHandle kOamsInvalidHandle = -1;

enum OamsResult : int32_t {
  kOamsOk = 0,
  kOamsNoMemory = -1,
  kOamsReadFailed = -2,          // a read failed; an entry is absent or not extractable
  kOamsBadArgument = -3,         // bad handle, null pointer, negative length, small buffer
  kOamsMalformed = -4,           // malformed text or value, not a ZIP archive
  kOamsNegativeJarSize = -5,
  kOamsNameMissing = -6,
  kOamsVendorMissing = -7,
  kOamsVersionMissing = -8,
  kOamsMidletMissing = -9,       // "MIDlet-1" in neither JAD nor manifest
  kOamsProfileMissing = -10,
  kOamsConfigurationMissing = -11,
  kOamsJarUrlMissing = -12,
  kOamsJarSizeMissing = -13,
  kOamsNameDiffers = -14,
  kOamsVendorDiffers = -15,
  kOamsVersionDiffers = -16,
  kOamsAbsent = -17,             // attribute absent
  kOamsTrustedMismatch = -18,
  kOamsOutOfRange = -19,         // key index or selector out of range
  kOamsNumberRange = -20,        // number outside the signed 32-bit range
  kOamsNotFound = -21,           // separator or field not found
  kOamsNotifyTooLong = -22,
  kOamsConfigurationUnsupported = -23,
  kOamsProfileUnsupported = -24,
};

// Stores a code through an error out-parameter that may be null.
inline void vsDescriptor_setError(int32_t* error, int32_t code) {
  if (error != nullptr) *error = code;
}
