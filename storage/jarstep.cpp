// The JAR step (action command 33): checks the JAR against its JAD, decides
// the protection domain, and writes the suite's index record, .jdx, .raw,
// .mss and JAR, reporting progress through the JAR callback.
//
// Nothing of a new suite is visible before the success end: the index
// record lives in the index cache, the .jdx in its cache, the container and
// the JAR under temporary names. The success end writes the .jdx and .mss
// under temporary names too and commits everything through one journal
// (journal.h): files first, the index record last. A failure before the
// journal drops the caches and the temporaries and reloads the index page
// from the file, so a failed update leaves the old suite as it was. The
// whole step runs under the install lock.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "storage/installlock.h"
#include "storage/installrequest.h"
#include "storage/journal.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/policy.h"
#include "storage/rawfile.h"
#include "storage/signer.h"
#include "storage/suitefiles.h"
#include "storage/suiteindex.h"
#include "storage/suitestore.h"
#include "vm/services/descriptor/descriptor_checks.h"
#include "vm/services/descriptor/jar_entries.h"
#include "vm/services/descriptor/text_functions.h"

void ojms_runJarStep();

namespace {

constexpr int32_t kBlockBytes = 4096;
constexpr int32_t kKeySignature = 16;
constexpr int32_t kMaxPermissions = 4096;
constexpr char kJavaDirectory[] = "gfs://java/";
constexpr char kManifestName[] = "META-INF/MANIFEST.MF";
// The first modes a trusted domain gives a permission the suite did not ask for.
constexpr uint32_t kDeniedModes[] = {8, 4, 2, 1};

class Cancelled {};

struct JarStep {
  OjmsInstallRequest& request;
  std::vector<uint8_t> flags;
  std::vector<uint32_t> settings;
  int32_t total = 10;
  OamsHandle env = kOamsInvalidHandle;
  OamsHandle jad = kOamsInvalidHandle;
  OamsHandle jar = kOamsInvalidHandle;
  OamsHandle manifest = kOamsInvalidHandle;
  OamsHandle merged = kOamsInvalidHandle;
  int32_t jadSize = 0;
  int32_t jarSize = 0;
  int32_t id = -1;
  bool update = false;
  bool jdxOpen = false;
  bool rawOpen = false;
  bool committed = false;
  OjmsSuiteInfo record{};
  OjmsSuiteInfo old{};
  char oldJarPath[64] = {};

  bool progress(int32_t step) { return request.jarCallback(total, step, -1) != 0; }

  bool value(const char* key, std::string* out) const { return ojms_descriptorValue(env, merged, key, out); }

  // The whole source in memory.
  bool load(bool jarSource, int32_t size, std::vector<uint8_t>* out) const {
    out->resize(static_cast<size_t>(size));
    int32_t at = 0;
    while (at < size) {
      const int32_t n = jarSource ? ojms_readJar(out->data() + at, at, size - at)
                                  : ojms_readJad(out->data() + at, at, size - at);
      if (n <= 0) return false;
      at += n;
    }
    return true;
  }

  int32_t checkDescriptors();
  int32_t decideDomain();
  int32_t writeRecord();
  int32_t writeJdx();
  int32_t writeRaw();
  int32_t checkPermissions();
  int32_t computeSettings();
  int32_t copyJar();
  int32_t commit();
  void fail();
};

int32_t JarStep::checkDescriptors() {
  jad = ojms_openJadSource(env, &request.jad);
  if (jad == kOamsInvalidHandle) return OTA_OTHER;
  jar = ojms_openJarSource(env, &request.jar);
  if (jar == kOamsInvalidHandle) return OTA_INVALID_JAR;
  if (!progress(2)) return OTA_CANCELLED;
  int32_t error = 0;
  manifest = OamsManifestOpen(env, jar, &error);
  if (manifest == kOamsInvalidHandle) return OTA_INVALID_JAR;
  int32_t result = OamsManifestVerify(env, manifest);
  if (result != 0) return ojms_toOtaStatus(result);
  if (!progress(3)) return OTA_CANCELLED;
  std::string signature;
  const int32_t trusted = ojms_descriptorValueAt(env, jad, kKeySignature, &signature) ? 1 : 0;
  result = OamsJadManifestVerify(env, jad, manifest, trusted);
  if (result != 0) return ojms_toOtaStatus(result);
  if (!progress(4)) return OTA_CANCELLED;
  merged = OamsDescriptorMerge(env, jad, manifest, &error);
  if (merged == kOamsInvalidHandle) return OTA_INVALID_JAR;
  std::string name, version, vendor;
  if (!ojms_descriptorValueAt(env, merged, kVsKeyName, &name) ||
      !ojms_descriptorValueAt(env, merged, kVsKeyVersion, &version) ||
      !ojms_descriptorValueAt(env, merged, kVsKeyVendor, &vendor))
    return OTA_INVALID_DESCRIPTOR;
  if (!ojms_copyField(record.name, sizeof record.name, name) ||
      !ojms_copyField(record.version, sizeof record.version, version) ||
      !ojms_copyField(record.vendor, sizeof record.vendor, vendor))
    return OTA_INVALID_DESCRIPTOR;
  ojms_copyField(record.directory, sizeof record.directory, kJavaDirectory);
  return OTA_SUCCESS;
}

int32_t JarStep::decideDomain() {
  std::string signature;
  if (!ojms_descriptorValueAt(env, merged, kKeySignature, &signature)) {
    record.domain = 0;
    return OTA_SUCCESS;
  }
  std::vector<uint8_t> jadBytes;
  std::vector<uint8_t> jarBytes;
  if (!load(false, jadSize, &jadBytes) || !load(true, jarSize, &jarBytes)) return OTA_OTHER;
  int32_t domain = 0;
  int32_t status = OTA_OTHER;
  if (ojms_checkSigner(reinterpret_cast<const char*>(jadBytes.data()), jadSize, jarBytes.data(), jarSize,
                       &domain, &status) != 0)
    return status;
  record.domain = static_cast<uint32_t>(domain);
  return OTA_SUCCESS;
}

int32_t JarStep::writeRecord() {
  record.romSuite = 0;
  record.protectedContent = 0;
  record.category = request.category;
  record.jarSize = static_cast<uint32_t>(jarSize);
  std::string midlet;
  record.midletCount = 0;
  while (record.midletCount < kOjmsMaxMidlets &&
         value(("MIDlet-" + std::to_string(record.midletCount + 1)).c_str(), &midlet))
    ++record.midletCount;
  const int32_t existing = ojms_findSuiteInMemory(record.name, record.vendor);
  if (existing < 0) {
    request.keepData = 0;
    return ojms_addSuiteRecord(&record, &id) == 0 ? OTA_SUCCESS : OTA_OTHER;
  }
  update = true;
  id = existing;
  if (ojms_readSuiteRecord(existing, &old) != 0 || ojms_openJdx(existing) != 0) return OTA_OTHER;
  OjmsJdxHeader header;
  const bool read = ojms_getJdxHeader(&header) == 0;
  ojms_closeJdx(0);
  if (!read) return OTA_OTHER;
  std::memcpy(oldJarPath, header.jarUri, sizeof oldJarPath);
  oldJarPath[sizeof oldJarPath - 1] = '\0';
  return ojms_writeSuiteRecord(&record, existing) == 0 ? OTA_SUCCESS : OTA_OTHER;
}

int32_t JarStep::writeJdx() {
  if (ojms_openJdx(id) != 0) return OTA_OTHER;
  jdxOpen = true;
  OjmsJdxHeader header{};
  std::snprintf(header.jarUri, sizeof header.jarUri, "%s%d.jar", kJavaDirectory, id);
  std::memcpy(header.jadUrl, request.jadUrl, sizeof header.jadUrl);
  header.jadUrl[sizeof header.jadUrl - 1] = '\0';
  std::memcpy(header.text, "Unknown", sizeof header.text);
  header.jadSize = static_cast<uint32_t>(jadSize);
  header.jarSize = static_cast<uint32_t>(jarSize);
  header.entryCount = record.midletCount;
  int32_t major = 0, minor = 0, micro = 0;
  if (OamsDescriptorGetVersion(env, jad, &major, &minor, &micro) != 0) return OTA_INVALID_DESCRIPTOR;
  header.version[0] = static_cast<uint32_t>(major);
  header.version[1] = static_cast<uint32_t>(minor);
  header.version[2] = static_cast<uint32_t>(micro);
  std::string declared;
  int32_t error = 0;
  if (!ojms_descriptorValueAt(env, jad, kVsKeyJarSize, &declared)) return OTA_JAR_SIZE_MISMATCH;
  const int32_t size = OamsParseInt(declared.data(), static_cast<int32_t>(declared.size()), &error);
  if (error != 0 || size != jarSize) return OTA_JAR_SIZE_MISMATCH;
  if (ojms_setJdxHeader(&header) != 0) return OTA_OTHER;
  for (uint32_t n = 1; n <= record.midletCount; ++n) {
    std::string midlet;
    OjmsMidletInfo entry{};
    if (!value(("MIDlet-" + std::to_string(n)).c_str(), &midlet) ||
        _splitMIDletString(midlet.c_str(), &entry) != 0 ||
        ojms_setJdxMidlet(static_cast<int32_t>(n) - 1, &entry) != 0)
      return OTA_OTHER;
  }
  return OTA_SUCCESS;
}

int32_t JarStep::writeRaw() {
  struct Entry {
    std::string name;
    std::vector<uint8_t> data;
  };
  std::vector<Entry> entries(2);
  entries[0].name = kManifestName;
  const int32_t manifestSize = OamsJarGetEntrySize(env, jar, kManifestName, sizeof kManifestName - 1);
  if (manifestSize > 0) {
    entries[0].data.resize(static_cast<size_t>(manifestSize));
    if (OamsJarReadEntry(env, jar, kManifestName, sizeof kManifestName - 1, entries[0].data.data(),
                         manifestSize) != manifestSize)
      return OTA_INVALID_JAR;
  }
  entries[1].name = "__JAD__";
  if (!load(false, jadSize, &entries[1].data)) return OTA_OTHER;
  const int32_t iconSize = OamsJarGetIconSize(env, merged, jar);
  std::string icon;
  if (iconSize > 0 && value("MIDlet-Icon", &icon)) {
    Entry entry{icon[0] == '/' ? icon.substr(1) : icon, std::vector<uint8_t>(static_cast<size_t>(iconSize))};
    if (OamsJarReadIcon(env, merged, jar, entry.data.data(), iconSize) != iconSize) return OTA_INVALID_JAR;
    entries.push_back(std::move(entry));
  }
  std::vector<std::string> seen;
  for (uint32_t m = 0; m < record.midletCount; ++m) {
    OjmsMidletInfo midlet;
    if (ojms_getJdxMidlet(static_cast<int32_t>(m), &midlet) != 0) return OTA_OTHER;
    const std::string name = midlet.icon;
    if (name.empty() || std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
    seen.push_back(name);
    // Stored under the JAR entry's name, which the icon readers look up.
    const std::string inJar = name[0] == '/' ? name.substr(1) : name;
    const int32_t size = OamsJarGetEntrySize(env, jar, inJar.data(), static_cast<int32_t>(inJar.size()));
    Entry entry{inJar, {}};
    if (size > 0) {
      entry.data.resize(static_cast<size_t>(size));
      if (OamsJarReadEntry(env, jar, inJar.data(), static_cast<int32_t>(inJar.size()), entry.data.data(),
                           size) != size)
        entry.data.clear();
    }
    entries.push_back(std::move(entry));
  }
  if (entries.size() > static_cast<size_t>(kOjmsMaxRawEntries)) return OTA_OTHER;
  std::vector<uint32_t> sizes;
  for (const Entry& e : entries) sizes.push_back(static_cast<uint32_t>(e.data.size()));
  if (ojms_createRaw(id, static_cast<int32_t>(entries.size()), sizes.data()) != 0) return OTA_OTHER;
  rawOpen = true;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (ojms_writeRawEntry(static_cast<int32_t>(i), entries[i].name.c_str(), entries[i].data.data(), nullptr,
                           0) != 0)
      return OTA_OTHER;
  }
  return OTA_SUCCESS;
}

// Splits a permission list and hands each trimmed name to use.
template <typename F>
void eachName(const std::string& list, F use) {
  const int32_t n = OamsCsvCountFields(list.data(), static_cast<int32_t>(list.size()));
  for (int32_t i = 0; i < n; ++i) {
    int32_t length = 0;
    int32_t error = 0;
    const char* field = OamsCsvGetField(list.data(), static_cast<int32_t>(list.size()), i, &length, &error);
    if (field != nullptr && length > 0) use(std::string(field, static_cast<size_t>(length)));
  }
}

int32_t JarStep::checkPermissions() {
  if (ojms_loadDomain(static_cast<int32_t>(record.domain), 2) != 0) return OTA_OTHER;
  const int32_t count = ojms_getDomainPermissionCount();
  int32_t status = OTA_SUCCESS;
  if (count < 1 || count > kMaxPermissions) status = OTA_OTHER;
  std::vector<std::string> names;
  for (int32_t j = 0; j < count && status == OTA_SUCCESS; ++j) {
    const char* text = nullptr;
    int32_t length = 0;
    OjmsPolicyInfo info{};
    if (ojms_getPermissionInfo(j, &info, OJMS_POLICY_NAME) != 0 ||
        ojms_getPermissionText(static_cast<int32_t>(info.nameText), &text, &length) != 0 || text == nullptr) {
      status = OTA_OTHER;
      break;
    }
    names.emplace_back(text, strnlen(text, static_cast<size_t>(length > 0 ? length : 0)));
  }
  flags.assign(names.size(), 0);
  std::string list;
  if (status == OTA_SUCCESS && value("MIDlet-Permissions", &list)) {
    eachName(list, [&](const std::string& name) {
      if (status != OTA_SUCCESS) return;
      const auto found = std::find(names.begin(), names.end(), name);
      if (found == names.end()) {
        status = OTA_AUTHORIZATION;
        return;
      }
      const int32_t j = static_cast<int32_t>(found - names.begin());
      OjmsPolicyInfo info{};
      if (ojms_getPermissionInfo(j, &info, OJMS_POLICY_MODES) != 0)
        status = OTA_OTHER;
      else if (info.allowedModes == 8)
        status = OTA_AUTHORIZATION;
      else
        flags[static_cast<size_t>(j)] = 1;
    });
  }
  if (status == OTA_SUCCESS && value("MIDlet-Permissions-Opt", &list)) {
    eachName(list, [&](const std::string& name) {
      for (size_t j = 0; j < names.size(); ++j)
        if (names[j] == name) flags[j] = 2;
    });
  }
  ojms_unloadDomain();
  return status;
}

int32_t JarStep::computeSettings() {
  if (ojms_loadDomain(static_cast<int32_t>(record.domain), 2) != 0) return OTA_OTHER;
  const int32_t count = ojms_getDomainPermissionCount();
  int32_t status = count < 1 || count > kOjmsMaxMssSettings ? OTA_OTHER : OTA_SUCCESS;
  settings.clear();
  for (int32_t j = 0; j < count && status == OTA_SUCCESS; ++j) {
    OjmsPolicyInfo info{};
    if (ojms_getPermissionInfo(j, &info, OJMS_POLICY_DEFAULT | OJMS_POLICY_MODES) != 0) {
      status = OTA_OTHER;
      break;
    }
    uint32_t word = info.defaultState;
    if (record.domain != 0 &&
        (static_cast<size_t>(j) >= flags.size() || flags[static_cast<size_t>(j)] == 0)) {
      for (uint32_t mode : kDeniedModes) {
        if ((info.allowedModes & mode) != 0) {
          word = (word & ~0xFu) | mode;
          break;
        }
      }
    }
    settings.push_back(word);
  }
  ojms_unloadDomain();
  return status;
}

int32_t JarStep::copyJar() {
  char temp[kOjfsUriBytes];
  std::snprintf(temp, sizeof temp, "%s", ojms_getTempFilePath(id, OJMS_KIND_JAR));
  const OjfsHandle out = ojfs_open(temp, OJFS_CREATE_WRITE);
  if (out < 0) return OTA_OTHER;
  std::vector<uint8_t> block(kBlockBytes);
  int32_t status = OTA_SUCCESS;
  int32_t step = 9;
  for (int32_t at = 0; at < jarSize && status == OTA_SUCCESS;) {
    const int32_t want = jarSize - at < kBlockBytes ? jarSize - at : kBlockBytes;
    int32_t got = 0;
    while (got < want) {
      const int32_t n = ojms_readJar(block.data() + got, at + got, want - got);
      if (n <= 0) break;
      got += n;
    }
    if (got != want || ojfs_write(out, block.data(), want) != want) {
      status = OTA_OTHER;
      break;
    }
    at += want;
    if (want == kBlockBytes && !progress(step++)) status = OTA_CANCELLED;
  }
  if (status == OTA_SUCCESS && ojfs_flush(out) != 0) status = OTA_OTHER;
  if (ojfs_close(out) != 0 && status == OTA_SUCCESS) status = OTA_OTHER;
  return status;
}

void deleteIfPresent(const char* uri) {
  if (uri[0] != '\0' && ojms_fileSize(uri) >= 0) ojfs_delete(uri);
}

bool gfsUri(const char* uri) { return std::strncmp(uri, "gfs://", 6) == 0; }

int32_t JarStep::commit() {
  char jarPath[kOjfsUriBytes];
  char temp[kOjfsUriBytes];
  std::snprintf(jarPath, sizeof jarPath, "%s", ojms_getSuiteFilePath(id, OJMS_KIND_JAR));
  const bool replace = !update || request.keepData == 0;
  // Replace mode always writes a new .mss, so does a changed domain: the
  // old one's domain byte would otherwise be trusted.
  const bool newMss = replace || old.domain != record.domain;
  std::snprintf(temp, sizeof temp, "%s", ojms_getTempFilePath(id, OJMS_KIND_JDX));
  if (ojms_writeJdxTo(temp) != 0) return OTA_OTHER;
  rawOpen = false;
  if (ojms_endRaw() != 0) return OTA_OTHER;
  if (newMss) {
    std::snprintf(temp, sizeof temp, "%s", ojms_getTempFilePath(id, OJMS_KIND_MSS));
    if (ojms_createMss(id) != 0 ||
        ojms_setMssDomain(static_cast<int32_t>(record.domain), static_cast<int32_t>(settings.size())) != 0 ||
        ojms_setMssSettings(settings.data()) != 0 || ojms_writeMssTo(temp) != 0)
      return OTA_OTHER;
  }
  const OjmsJournalPtr journal = ojms_beginJournal(id, OJMS_JOURNAL_FILES_FIRST);
  if (journal == nullptr) return OTA_OTHER;
  const char* oldDirectory = update ? old.directory : record.directory;
  const bool moved = std::strcmp(oldDirectory, record.directory) != 0;
  bool ok = ojms_journalInstallFiles(journal.get(), record.directory, id, jarPath, newMss) == 0;
  if (replace) {
    // A new suite starts without the record stores a deleted suite of its
    // id may have left; an update in replace mode drops its own.
    ok = ok && ojms_journalDeleteRecordFiles(journal.get(), oldDirectory, id, moved) == 0;
    if (moved) ok = ok && ojms_journalDeleteRecordFiles(journal.get(), record.directory, id, false) == 0;
  } else if (moved) {
    // The kept record stores (and the kept .mss) follow the suite; a move
    // onto the same file is skipped.
    for (int32_t kind : {OJMS_KIND_RS1, OJMS_KIND_RS2, OJMS_KIND_RS3, OJMS_KIND_MSS}) {
      char from[kOjfsUriBytes];
      std::snprintf(from, sizeof from, "%s", ojms_getSuiteFilePathOf(oldDirectory, id, kind));
      std::snprintf(temp, sizeof temp, "%s", ojms_getSuiteFilePathOf(record.directory, id, kind));
      if (!gfsUri(from)) continue;
      if (kind == OJMS_KIND_MSS && newMss)
        ok = ok && ojms_journalDelete(journal.get(), from) == 0;
      else
        ok = ok && ojms_journalRename(journal.get(), from, temp) == 0;
    }
  }
  if (update && gfsUri(oldJarPath) && std::strcmp(oldJarPath, jarPath) != 0)
    ok = ok && ojms_journalDelete(journal.get(), oldJarPath) == 0;
  if (!ok) return OTA_OTHER;
  const int32_t result = ojms_commitJournal(journal.get());
  committed = result == 0 || result == -2;
  return result == 0 ? OTA_SUCCESS : OTA_OTHER;
}

void JarStep::fail() {
  if (jdxOpen) ojms_closeJdx(0);
  if (rawOpen) ojms_commitRaw(0);
  // Once its journal is written the commit stands: the next recovery needs
  // the temporaries.
  if (id >= 0 && !committed) {
    for (int32_t kind : {OJMS_KIND_JDX, OJMS_KIND_JAR, OJMS_KIND_RAW, OJMS_KIND_MSS})
      deleteIfPresent(ojms_getTempFilePath(id, kind));
  }
  ojms_closeIndex(0);
}

}  // namespace

void ojms_runJarStep() {
  OjmsInstallRequest& request = ojms_installRequest();
  if (request.jarCallback == nullptr) return;
  JarStep step{request, {}, {}};
  int32_t status = OTA_SUCCESS;
  step.jadSize = ojms_getSourceSize(&request.jad);
  step.jarSize = ojms_getSourceSize(&request.jar);
  if (step.jarSize >= 0) step.total = step.jarSize / kBlockBytes + 10;
  {
    OjmsInstallEnv env;
    // Runs each stage after its progress call while the status stays 900.
    auto stage = [&](int32_t progressStep, auto body) {
      if (status != OTA_SUCCESS) return;
      if (progressStep >= 0 && !step.progress(progressStep)) {
        status = OTA_CANCELLED;
        return;
      }
      status = body();
    };
    // One install at a time: it finishes what a killed one left and keeps
    // its own temporaries from another process's recovery.
    const bool locked = ojms_lockInstall(true);
    if (!locked || ojms_syncIndex() != 0 || ojms_recoverStorage() != 0) status = OTA_OTHER;
    if (step.jadSize < 0 || step.jarSize < 0) status = OTA_OTHER;
    stage(0, [&] { return env.open() ? OTA_SUCCESS : OTA_OTHER; });
    step.env = env.handle();
    stage(1, [&] { return step.checkDescriptors(); });
    stage(-1, [&] { return step.decideDomain(); });
    stage(-1, [&] { return step.writeRecord(); });
    stage(5, [&] { return step.writeJdx(); });
    stage(6, [&] { return step.writeRaw(); });
    stage(7, [&] { return step.checkPermissions(); });
    stage(-1, [&] { return step.computeSettings(); });
    stage(8, [&] { return step.copyJar(); });
    stage(step.total - 1, [&] { return step.commit(); });
    if (status != OTA_SUCCESS) step.fail();
    for (OamsHandle d : {step.merged, step.manifest, step.jad})
      if (d != kOamsInvalidHandle) OamsDescriptorClose(env.handle(), d);
    if (step.jar != kOamsInvalidHandle) OamsJarClose(env.handle(), step.jar);
    ojms_closeJadSource();
    ojms_closeJarSource();
    if (locked) ojms_unlockInstall();
  }
  ojms_setLastStatus(status);
  if (status == OTA_SUCCESS)
    request.jarCallback(step.total, step.total, step.id);
  else
    request.jarCallback(-1, status, -1);
}
