// The JAD writer: "<name>.jad" beside "<name>.jar", from the JAR's manifest.
#include <cstdio>
#include <cstring>
#include <string>

#include "storage/installrequest.h"
#include "storage/ojfs.h"
#include "vm/services/descriptor/descriptor_checks.h"

namespace {

constexpr int32_t kMaxMidletLines = 15;

bool writeLine(OjfsHandle file, const std::string& line) {
  return ojfs_write(file, line.data(), static_cast<int32_t>(line.size())) ==
         static_cast<int32_t>(line.size());
}

}  // namespace

int32_t ojms_writeJadForJar(const char* jarUri) {
  const size_t length = jarUri == nullptr ? 0 : strnlen(jarUri, kOjfsUriBytes);
  if (length < 4 || length >= kOjfsUriBytes || std::strcmp(jarUri + length - 4, ".jar") != 0) return -1;
  OjmsInstallEnv env;
  int32_t result = -1;
  int32_t jarSize = 0;
  OamsHandle jar = kOamsInvalidHandle;
  OamsHandle manifest = kOamsInvalidHandle;
  int32_t error = 0;
  if (env.open() && (jar = ojms_openJarFile(env.handle(), jarUri, &jarSize)) != kOamsInvalidHandle &&
      (manifest = OamsManifestOpen(env.handle(), jar, &error)) != kOamsInvalidHandle &&
      OamsManifestVerify(env.handle(), manifest) == 0) {
    const std::string jadUri = std::string(jarUri, length - 4) + ".jad";
    const char* slash = std::strrchr(jarUri, '/');
    const std::string jarName = slash == nullptr ? jarUri : slash + 1;
    const OjfsHandle out = ojfs_open(jadUri.c_str(), OJFS_CREATE_WRITE);
    bool ok = out >= 0;
    std::string value;
    auto optional = [&](const char* key) {
      if (ok && ojms_descriptorValue(env.handle(), manifest, key, &value))
        ok = writeLine(out, std::string(key) + ": " + value + "\n");
    };
    optional("MIDlet-Name");
    ok = ok && writeLine(out, "MIDlet-Jar-Size: " + std::to_string(jarSize) + "\n");
    ok = ok && writeLine(out, "MIDlet-Jar-URL: " + jarName + "\n");
    for (const char* key :
         {"MIDlet-Version", "MIDlet-Vendor", "MicroEdition-Profile", "MicroEdition-Configuration"})
      optional(key);
    for (int32_t n = 1; ok && n <= kMaxMidletLines; ++n) {
      const std::string key = "MIDlet-" + std::to_string(n);
      if (!ojms_descriptorValue(env.handle(), manifest, key.c_str(), &value)) break;
      ok = writeLine(out, key + ": " + value + "\n");
    }
    if (out >= 0 && ojfs_close(out) != 0) ok = false;
    result = ok ? 0 : -1;
  }
  if (manifest != kOamsInvalidHandle) OamsDescriptorClose(env.handle(), manifest);
  if (jar != kOamsInvalidHandle) OamsJarClose(env.handle(), jar);
  ojms_closeJarSource();
  return result;
}
