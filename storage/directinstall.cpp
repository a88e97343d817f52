// Direct install: a suite from a JAD and a JAR without any checks (the
// compatibility-test installer's road), in domain 0 with default settings.
// Name, version and vendor come from the JAD; every new file is complete
// under its temporary name before one journal commits them, files first and
// the index record last, under the install lock.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "storage/installlock.h"
#include "storage/installrequest.h"
#include "storage/journal.h"
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
constexpr char kDirectory[] = "gfs://java/";

std::string temp(int32_t id, int32_t kind) { return ojms_getTempFilePath(id, kind); }

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

// The install; the new id or -1. The lock is held by the caller.
int32_t installLocked(const OjmsSource* jadSource, const OjmsSource* jarSource) {
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
  std::strcpy(record.directory, kDirectory);
  record.jarSize = static_cast<uint32_t>(jarSize);
  record.midletCount = static_cast<uint32_t>(midlets.size());
  int32_t id = -1;
  if (ojms_addSuiteRecord(&record, &id) != 0) return -1;

  bool ok = ojms_openJdx(id) == 0;
  bool jdxOpen = ok;
  OjmsJdxHeader header{};
  std::snprintf(header.jarUri, sizeof header.jarUri, "%s%d.jar", kDirectory, id);
  std::strcpy(header.jadUrl, "http://");
  std::memcpy(header.text, "Unknown", sizeof header.text);
  header.jadSize = static_cast<uint32_t>(jad.size());
  header.jarSize = record.jarSize;
  header.entryCount = record.midletCount;
  ok = ok && ojms_setJdxHeader(&header) == 0;
  for (size_t i = 0; ok && i < midlets.size(); ++i)
    ok = ojms_setJdxMidlet(static_cast<int32_t>(i), &midlets[i]) == 0;
  const uint32_t sizes[] = {0, static_cast<uint32_t>(jad.size())};
  ok = ok && ojms_createRaw(id, 2, sizes) == 0;
  ok = ok && ojms_writeRawEntry(0, "META-INF/MANIFEST.MF", nullptr, nullptr, 0) == 0 &&
       ojms_writeRawEntry(1, "__JAD__", jad.data(), nullptr, 0) == 0;
  ok = ojms_endRaw() == 0 && ok;
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
  ok = ok && copyJar(jarSource, id);
  ojms_closeJarSource();
  ok = ok && ojms_writeJdxTo(temp(id, OJMS_KIND_JDX).c_str()) == 0;
  if (jdxOpen) ojms_closeJdx(0);
  ok = ok && ojms_createMss(id) == 0 && ojms_setMssDomain(0, static_cast<int32_t>(settings.size())) == 0 &&
       ojms_setMssSettings(settings.data()) == 0 && ojms_writeMssTo(temp(id, OJMS_KIND_MSS).c_str()) == 0;
  int32_t result = -1;
  if (ok) {
    // A new suite's leftovers of kinds 3 to 9 are replaced or deleted.
    const OjmsJournalPtr journal = ojms_beginJournal(id, OJMS_JOURNAL_FILES_FIRST);
    if (journal != nullptr &&
        ojms_journalInstallFiles(journal.get(), kDirectory, id, header.jarUri, true) == 0 &&
        ojms_journalDeleteRecordFiles(journal.get(), kDirectory, id, false) == 0)
      result = ojms_commitJournal(journal.get());
    if (result == 0) return id;
  }
  // Once its journal is written the commit stands: the next recovery needs
  // the temporaries.
  if (result != -2) {
    for (int32_t kind : {OJMS_KIND_JDX, OJMS_KIND_JAR, OJMS_KIND_RAW, OJMS_KIND_MSS}) {
      const std::string path = temp(id, kind);
      if (ojms_fileSize(path.c_str()) >= 0) ojfs_delete(path.c_str());
    }
  }
  ojms_closeIndex(0);
  return -1;
}

}  // namespace

int32_t ojms_installDirect(const OjmsSource* jadSource, const OjmsSource* jarSource) {
  if (!ojms_lockInstall(true)) return ojms_fail(OJMS_ERR_FILE);
  const int32_t id =
      ojms_syncIndex() == 0 && ojms_recoverStorage() == 0 ? installLocked(jadSource, jarSource) : -1;
  ojms_unlockInstall();
  return id;
}
