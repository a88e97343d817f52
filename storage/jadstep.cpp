// The JAD step (action command 32): reads and checks the descriptor and
// tells the caller what would be installed, through the JAD callback.
#include <cstring>

#include "storage/installrequest.h"
#include "storage/ojfs.h"
#include "storage/suitefiles.h"
#include "storage/suiteindex.h"
#include "storage/suitestore.h"
#include "vm/services/descriptor/descriptor_checks.h"
#include "vm/services/descriptor/text_functions.h"

void ojms_runJadStep();

namespace {

constexpr int32_t kNeverRefusedForSpace = 2097152;
constexpr int32_t kKeySignature = 16;

// The JAR URL made absolute against the JAD URL; false when it does not fit.
bool absoluteJarUrl(const std::string& value, const char* jadUrl, OjmsInstallInfo* info) {
  if (value.find("//") != std::string::npos) return ojms_copyField(info->jarUrl, sizeof info->jarUrl, value);
  std::string base = jadUrl;
  const size_t slash = base.rfind('/');
  base = slash == std::string::npos ? "" : base.substr(0, slash + 1);
  const std::string tail = !value.empty() && value[0] == '/' && !base.empty() ? value.substr(1) : value;
  return ojms_copyField(info->jarUrl, sizeof info->jarUrl, base + tail);
}

// Steps 3 to 9; the status, OTA_SUCCESS when the confirmation is due.
int32_t describe(OjmsInstallRequest& request, OamsHandle env, OjmsInstallInfo* info, OamsHandle* jad) {
  const OjmsJadCallback cb = request.jadCallback;
  if (cb(6, 1, nullptr) == 0) return OTA_CANCELLED;
  *jad = ojms_openJadSource(env, &request.jad);
  if (*jad == kOamsInvalidHandle) return OTA_OTHER;
  if (cb(6, 2, nullptr) == 0) return OTA_CANCELLED;
  const int32_t verified = OamsJadVerify(env, *jad);
  if (verified != 0) return ojms_toOtaStatus(verified);
  if (cb(6, 3, nullptr) == 0) return OTA_CANCELLED;
  if (info == nullptr) return OTA_OTHER;
  std::memset(info, 0, sizeof *info);
  std::string name, version, vendor, jarUrl, jarSize;
  if (!ojms_descriptorValueAt(env, *jad, kVsKeyName, &name) ||
      !ojms_descriptorValueAt(env, *jad, kVsKeyVersion, &version) ||
      !ojms_descriptorValueAt(env, *jad, kVsKeyVendor, &vendor) ||
      !ojms_descriptorValueAt(env, *jad, kVsKeyJarUrl, &jarUrl) ||
      !ojms_descriptorValueAt(env, *jad, kVsKeyJarSize, &jarSize))
    return OTA_OTHER;
  if (!ojms_copyField(info->name, sizeof info->name, name) ||
      !ojms_copyField(info->version, sizeof info->version, version) ||
      !ojms_copyField(info->vendor, sizeof info->vendor, vendor) ||
      !ojms_copyField(info->jarSize, sizeof info->jarSize, jarSize) ||
      !absoluteJarUrl(jarUrl, request.jadUrl, info))
    return OTA_INVALID_DESCRIPTOR;
  int32_t error = 0;
  const int32_t size = OamsParseInt(jarSize.data(), static_cast<int32_t>(jarSize.size()), &error);
  if (error != 0 || size < 0) return OTA_INVALID_DESCRIPTOR;
  const int32_t free = ojfs_getFreeSpace("gfs://java/");
  if (size > kNeverRefusedForSpace && (free < 0 || size > free)) return OTA_INSUFFICIENT_MEMORY;
  std::string optional;
  struct Field {
    int32_t index;
    char* field;
  };
  if (ojms_descriptorValue(env, *jad, "MIDlet-1", &optional) &&
      !ojms_copyField(info->midlet1, sizeof info->midlet1, optional))
    return OTA_INVALID_DESCRIPTOR;
  const Field fields[] = {{kVsKeyConfiguration, info->configuration},
                          {kVsKeyProfile, info->profile},
                          {kVsKeyInstallNotify, info->installNotify}};
  for (const Field& f : fields) {
    if (ojms_descriptorValueAt(env, *jad, f.index, &optional) &&
        !ojms_copyField(f.field, kOjmsInfoText, optional))
      return OTA_INVALID_DESCRIPTOR;
  }
  if (cb(6, 4, nullptr) == 0) return OTA_CANCELLED;
  const int32_t id = ojms_findSuite(info->name, info->vendor);
  const bool signedSuite = ojms_descriptorValueAt(env, *jad, kKeySignature, &optional);
  info->trusted = 1;
  if (id >= 0) {
    OjmsSuiteInfo record;
    OjmsJdxHeader header;
    if (ojms_getSuiteInfo(id, &record) != 0 || ojms_openJdx(id) != 0) return OTA_OTHER;
    const int32_t headerRead = ojms_getJdxHeader(&header);
    ojms_closeJdx(0);
    if (headerRead != 0) return OTA_OTHER;
    int32_t major = 0, minor = 0, micro = 0;
    if (OamsDescriptorGetVersion(env, *jad, &major, &minor, &micro) != 0) return OTA_INVALID_DESCRIPTOR;
    info->installed = 1;
    std::memcpy(info->newVersion, info->version, sizeof info->newVersion);
    ojms_copyField(info->installedVersion, sizeof info->installedVersion,
                   std::string(record.version, strnlen(record.version, sizeof record.version)));
    const int32_t oldMajor = static_cast<int32_t>(header.version[0]);
    const int32_t oldMinor = static_cast<int32_t>(header.version[1]);
    info->versionComparison = major == oldMajor && minor == oldMinor                        ? 0
                              : major > oldMajor || (major == oldMajor && minor > oldMinor) ? 1
                                                                                            : -1;
    if (!signedSuite && record.domain != 0) info->trusted = 0;
  }
  return OTA_SUCCESS;
}

}  // namespace

void ojms_runJadStep() {
  OjmsInstallRequest& request = ojms_installRequest();
  const OjmsJadCallback cb = request.jadCallback;
  if (cb == nullptr) return;
  int32_t status = OTA_CANCELLED;
  OamsHandle jad = kOamsInvalidHandle;
  {
    OjmsInstallEnv env;
    if (cb(6, 0, nullptr) == 0) {
      status = OTA_CANCELLED;
    } else if (!env.open()) {
      status = OTA_OTHER;
    } else {
      status = describe(request, env.handle(), request.info, &jad);
      if (status == OTA_SUCCESS && cb(6, 5, nullptr) == 0) status = OTA_CANCELLED;
    }
    if (jad != kOamsInvalidHandle) OamsDescriptorClose(env.handle(), jad);
    ojms_closeJadSource();
  }
  ojms_setLastStatus(status);
  if (status == OTA_SUCCESS)
    cb(6, 6, request.info);
  else
    cb(-1, status, nullptr);
}
