// Direct install: a suite from a JAD and a JAR without any checks (the
// compatibility-test installer's road), in domain 0 with default settings.
// Name, version and vendor come from the JAD; every new file is complete
// under its temporary name before the commit renames it, and the index
// record is written last.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "storage/installrequest.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/ojmstext.h"
#include "storage/policy.h"
#include "storage/rawfile.h"
#include "storage/suitefiles.h"
#include "storage/suiteindex.h"

namespace {

constexpr int32_t kValueBytes = 4096;
constexpr int32_t kBlockBytes = 4096;

// The whole source, or false.
bool readSource(const OjmsSource* source, std::vector<uint8_t>* out) {
  const int32_t size = ojms_getSourceSize(source);
  if (size < 0) return false;
  out->resize(static_cast<size_t>(size));
  for (int32_t at = 0; at < size;) {
    const int32_t n = ojms_readJad(out->data() + at, at, size - at);
    if (n <= 0) return false;
    at += n;
  }
  return true;
}

bool jadValue(const std::vector<uint8_t>& jad, const char* key, char* out) {
  return ojms_getAttribute(reinterpret_cast<const char*>(jad.data()), static_cast<int32_t>(jad.size()), key,
                           out, kValueBytes, true) == 0;
}

// Copies the JAR source into the suite's temporary JAR file.
bool copyJar(const OjmsSource* source, int32_t id) {
  const int32_t size = ojms_getSourceSize(source);
  if (size < 0 || !ojms_openSource(source, true)) return false;
  const OjfsHandle out = ojfs_open(ojms_getTempFilePath(id, OJMS_KIND_JAR), OJFS_CREATE_WRITE);
  if (out < 0) return false;
  std::vector<uint8_t> block(kBlockBytes);
  bool ok = true;
  for (int32_t at = 0; at < size && ok;) {
    const int32_t want = size - at < kBlockBytes ? size - at : kBlockBytes;
    ok = ojms_readJar(block.data(), at, want) == want && ojfs_write(out, block.data(), want) == want;
    at += want;
  }
  ok = ok && ojfs_flush(out) == 0;
  ok = ojfs_close(out) == 0 && ok;
  return ok;
}

}  // namespace

int32_t ojms_installDirect(const OjmsSource* jadSource, const OjmsSource* jarSource) {
  std::vector<uint8_t> jad;
  const bool read = ojms_openSource(jadSource, false) && readSource(jadSource, &jad);
  ojms_closeJadSource();
  const int32_t jarSize = ojms_getSourceSize(jarSource);
  if (!read || jarSize < 0) return -1;

  OjmsSuiteInfo record{};
  std::vector<char> value(kValueBytes);
  if (!jadValue(jad, "MIDlet-Name", value.data()) ||
      !ojms_copyField(record.name, sizeof record.name, value.data()) ||
      !jadValue(jad, "MIDlet-Version", value.data()) ||
      !ojms_copyField(record.version, sizeof record.version, value.data()) ||
      !jadValue(jad, "MIDlet-Vendor", value.data()) ||
      !ojms_copyField(record.vendor, sizeof record.vendor, value.data()))
    return -1;
  std::vector<OjmsMidletInfo> midlets;
  while (midlets.size() < static_cast<size_t>(kOjmsMaxMidlets) &&
         jadValue(jad, ("MIDlet-" + std::to_string(midlets.size() + 1)).c_str(), value.data())) {
    OjmsMidletInfo midlet{};
    if (_splitMIDletString(value.data(), &midlet) != 0) return -1;
    midlets.push_back(midlet);
  }
  std::strcpy(record.directory, "gfs://java/");
  record.jarSize = static_cast<uint32_t>(jarSize);
  record.midletCount = static_cast<uint32_t>(midlets.size());
  int32_t id = -1;
  if (ojms_addSuiteRecord(&record, &id) != 0) return -1;

  bool ok = ojms_openJdx(id) == 0;
  bool jdxOpen = ok;
  OjmsJdxHeader header{};
  std::snprintf(header.jarUri, sizeof header.jarUri, "gfs://java/%d.jar", id);
  std::strcpy(header.jadUrl, "http://");
  std::memcpy(header.text, "Unknown", sizeof header.text);
  header.jadSize = static_cast<uint32_t>(jad.size());
  header.jarSize = record.jarSize;
  header.entryCount = record.midletCount;
  ok = ok && ojms_setJdxHeader(&header) == 0;
  for (size_t i = 0; ok && i < midlets.size(); ++i)
    ok = ojms_setJdxMidlet(static_cast<int32_t>(i), &midlets[i]) == 0;
  const uint32_t sizes[] = {0, static_cast<uint32_t>(jad.size())};
  const bool rawOpen = ok && ojms_createRaw(id, 2, sizes) == 0;
  ok = rawOpen && ojms_writeRawEntry(0, "META-INF/MANIFEST.MF", nullptr, nullptr, 0) == 0 &&
       ojms_writeRawEntry(1, "__JAD__", jad.data(), nullptr, 0) == 0;
  std::vector<uint32_t> settings;
  if (ok && ojms_loadDomain(0, 2) == 0) {
    const int32_t count = ojms_getDomainPermissionCount();
    ok = count >= 1 && count <= kOjmsMaxMssSettings;
    for (int32_t j = 0; ok && j < count; ++j) {
      OjmsPolicyInfo info{};
      ok = ojms_getPermissionInfo(j, &info, OJMS_POLICY_DEFAULT) == 0;
      settings.push_back(info.defaultState);
    }
    ojms_unloadDomain();
  } else {
    ok = false;
  }
  const bool tempJar = ok;
  ok = ok && copyJar(jarSource, id);
  ojms_closeJarSource();
  if (ok) {
    char jarPath[kOjfsUriBytes];
    std::snprintf(jarPath, sizeof jarPath, "%s", ojms_getSuiteFilePath(id, OJMS_KIND_JAR));
    ok = ojfs_rename(ojms_getTempFilePath(id, OJMS_KIND_JAR), jarPath) == 0;
    jdxOpen = false;
    ojms_deleteRecordFiles(record.directory, id);
    ok = ok && ojms_closeJdx(1) == 0 && ojms_commitRaw(1) == 0 && ojms_openMss(id) == 0 &&
         ojms_setMssDomain(0, static_cast<int32_t>(settings.size())) == 0 &&
         ojms_setMssSettings(settings.data()) == 0 && ojms_closeMss(1) == 0 && ojms_closeIndex(1) == 0;
    if (ok) return id;
  }
  if (tempJar) ojfs_delete(ojms_getTempFilePath(id, OJMS_KIND_JAR));
  if (jdxOpen) ojms_closeJdx(0);
  if (rawOpen) ojms_commitRaw(0);
  ojms_closeIndex(0);
  return -1;
}
