// The MIDP rules a suite's descriptors must follow (see descriptor_checks.h).
#include "vm/services/descriptor/descriptor_checks.h"

#include <cstring>

#include "vm/services/descriptor/descriptor.h"
#include "vm/services/descriptor/text_functions.h"

namespace {

constexpr int32_t kLongestNotifyUrl = 256;
constexpr int32_t kLargestVersionPart = 99;
constexpr char kFirstMidlet[] = "MIDlet-1";
constexpr int32_t kFirstMidletLength = 8;
static_assert(sizeof(kFirstMidlet) == kFirstMidletLength + 1);

bool goodVersion(const char* value, int32_t length) {
  int32_t parts[3];
  if (vsDescriptor_parseVersion(value, length, &parts[0], &parts[1], &parts[2]) != kOamsOk)
    return false;
  for (int32_t p : parts)
    if (p < 0 || p > kLargestVersionPart) return false;
  return true;
}

// "name,icon,class": no leading comma, two commas, something after the second.
bool goodMidletValue(const char* value, int32_t length) {
  const int32_t comma = OamsFindBytes(value, 0, length, ",", 1);
  if (comma < 1) return false;
  const int32_t comma2 = OamsFindBytes(value, comma + 1, length, ",", 1);
  return comma2 >= 0 && comma2 + 1 < length;
}

bool sameValue(const OamsAttribute* a, const OamsAttribute* b) {
  return a != nullptr && b != nullptr && a->valueLength == b->valueLength &&
         std::memcmp(a->value.get(), b->value.get(), a->valueLength) == 0;
}

int32_t checkAttributes(const OamsDescriptor* d, bool jad) {
  bool name = false, vendor = false, version = false, url = false, size = false;
  for (const OamsAttribute* a = d->attributes.get(); a != nullptr; a = a->next.get()) {
    const int32_t length = a->valueLength;
    const char* value = a->value.get();
    switch (a->keyIndex) {
      case kVsKeyJarUrl:
      case kVsKeyJarSize:
        if (jad && length == 0) return kOamsMalformed;
        (a->keyIndex == kVsKeyJarUrl ? url : size) = true;
        break;
      case kVsKeyName:
      case kVsKeyVendor:
        if (length == 0) return kOamsMalformed;
        (a->keyIndex == kVsKeyName ? name : vendor) = true;
        break;
      case kVsKeyVersion:
        if (length == 0 || !goodVersion(value, length)) return kOamsMalformed;
        version = true;
        break;
      case kVsKeyInstallNotify:
      case kVsKeyDeleteNotify:
        if (length > kLongestNotifyUrl) return kOamsNotifyTooLong;
        break;
      case kVsKeyMidletN:
        if (!goodMidletValue(value, length)) return kOamsMalformed;
        break;
      default:
        break;
    }
  }
  if (!name) return kOamsNameMissing;
  if (!vendor) return kOamsVendorMissing;
  if (!version) return kOamsVersionMissing;
  if (jad && !url) return kOamsJarUrlMissing;
  if (jad && !size) return kOamsJarSizeMissing;
  return kOamsOk;
}

const OamsAttribute* row(const OamsDescriptor* d, int32_t index) {
  return d == nullptr ? nullptr : vsDescriptor_findByIndex(d->attributes.get(), index);
}

// The JAD's attribute when there is one, else the manifest's.
const OamsAttribute* preferJad(const OamsDescriptor* jad, const OamsDescriptor* manifest,
                               int32_t index) {
  const OamsAttribute* a = row(jad, index);
  return a != nullptr ? a : row(manifest, index);
}

}  // namespace

int32_t OamsJadVerify(OamsHandle env, OamsHandle descriptor) {
  const OamsDescriptor* d = vsDescriptor_open(descriptor);
  if (vsDescriptor_env(env) == nullptr || d == nullptr) return kOamsBadArgument;
  const int32_t code = checkAttributes(d, true);
  if (code != kOamsOk) return code;
  const OamsAttribute* configuration = row(d, kVsKeyConfiguration);
  if (configuration != nullptr &&
      !vsDescriptor_configurationSupported(configuration->value.get(), configuration->valueLength))
    return kOamsConfigurationUnsupported;
  const OamsAttribute* profile = row(d, kVsKeyProfile);
  if (profile != nullptr &&
      !vsDescriptor_profilesSupported(profile->value.get(), profile->valueLength))
    return kOamsProfileUnsupported;
  return kOamsOk;
}

int32_t OamsManifestVerify(OamsHandle env, OamsHandle descriptor) {
  const OamsDescriptor* d = vsDescriptor_open(descriptor);
  if (vsDescriptor_env(env) == nullptr || d == nullptr) return kOamsBadArgument;
  return checkAttributes(d, false);
}

int32_t OamsJadManifestVerify(OamsHandle env, OamsHandle jadHandle, OamsHandle manifestHandle,
                              int32_t trusted) {
  const OamsDescriptor* manifest = vsDescriptor_open(manifestHandle);
  const OamsDescriptor* jad = vsDescriptor_open(jadHandle);
  if (vsDescriptor_env(env) == nullptr || manifest == nullptr ||
      (jadHandle != kOamsInvalidHandle && jad == nullptr))
    return kOamsBadArgument;
  if (trusted == 1) {
    if (jad == nullptr) return kOamsBadArgument;
    for (const OamsAttribute* a = jad->attributes.get(); a != nullptr; a = a->next.get()) {
      const OamsAttribute* m =
          vsDescriptor_findByKey(manifest->attributes.get(), a->key.get(), a->keyLength);
      if (m != nullptr && !sameValue(a, m)) return kOamsTrustedMismatch;
    }
  } else if (jad != nullptr) {
    static constexpr struct {
      int32_t index;
      int32_t code;
    } kShared[] = {{kVsKeyName, kOamsNameDiffers},
                   {kVsKeyVendor, kOamsVendorDiffers},
                   {kVsKeyVersion, kOamsVersionDiffers}};
    for (const auto& s : kShared)
      if (!sameValue(row(jad, s.index), row(manifest, s.index))) return s.code;
  }
  if (vsDescriptor_findByKey(manifest->attributes.get(), kFirstMidlet, kFirstMidletLength) ==
          nullptr &&
      (jad == nullptr ||
       vsDescriptor_findByKey(jad->attributes.get(), kFirstMidlet, kFirstMidletLength) == nullptr))
    return kOamsMidletMissing;
  const OamsAttribute* configuration = preferJad(jad, manifest, kVsKeyConfiguration);
  if (configuration == nullptr) return kOamsConfigurationMissing;
  if (configuration->valueLength == 0) return kOamsMalformed;
  if (!vsDescriptor_configurationSupported(configuration->value.get(),
                                           configuration->valueLength))
    return kOamsConfigurationUnsupported;
  const OamsAttribute* profile = preferJad(jad, manifest, kVsKeyProfile);
  if (profile == nullptr) return kOamsProfileMissing;
  if (profile->valueLength == 0) return kOamsMalformed;
  if (!vsDescriptor_profilesSupported(profile->value.get(), profile->valueLength))
    return kOamsProfileUnsupported;
  return kOamsOk;
}
