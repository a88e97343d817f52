// ojmsctl: the suite storage and installer from the command line, for tests
// and by hand, on the device root of CE_ROOT.
//
//   ojmsctl list                      "ID NAME|VERSION|VENDOR domain=D category=C midlets=M"
//   ojmsctl install JAD JAR [--keep-data] [--progress] [--cancel-at STEP] [--memory]
//                                     "JAD <status> <name> <version> <vendor>", then
//                                     "JAR <status> id=<id> domain=<d>"; --progress adds
//                                     "cb A B C" per JAR-step callback; --memory hands
//                                     both files over as memory sources
//   ojmsctl direct JAD JAR            "id N"
//   ojmsctl delete ID
//   ojmsctl prop ID KEY               the suite's JAD attribute
//   ojmsctl midlets ID                "NAME|ICON|CLASS" per MIDlet
//   ojmsctl cats                      "SLOT NAME" per category
//   ojmsctl cat-add NAME              "slot N"
//   ojmsctl jad JAR-URI               writes the JAD beside a JAR of the device
//   ojmsctl policy DOMAIN             "J NAME group=G default=S modes=M" per permission
//   ojmsctl rule DOMAIN G1 M1 G2 M2   the exclusive rule: "kind K forced F", or "none"
//   ojmsctl card-scan                 indexes the storage card: "ID NAME|VERSION|VENDOR"
//
// JAD and JAR are host files; without --memory they are copied into
// "gfs://java/" for the install and removed afterwards. The tool runs
// ojms_init first and ojms_fini last. A failure prints the status or
// "error N" and exits with 1; usage: 2.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "port/support/tracefile.h"
#include "storage/categories.h"
#include "storage/installer.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/policy.h"
#include "storage/roots.h"
#include "storage/sdindex.h"
#include "storage/suiteindex.h"
#include "storage/suitestore.h"

namespace {

bool gProgress = false;
int32_t gCancelAt = -1;

int lError() {
  std::printf("error %d\n", ojms_getLastError());
  return 1;
}

int lUsage() {
  std::fprintf(
      stderr,
      "usage: ojmsctl list | install JAD JAR [--keep-data] [--progress] [--cancel-at STEP] [--memory] |\n"
      "       direct JAD JAR | delete ID | prop ID KEY | midlets ID | cats | cat-add NAME | jad JAR-URI |\n"
      "       policy DOMAIN | rule DOMAIN G1 M1 G2 M2 | card-scan\n");
  return 2;
}

bool lReadHost(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), {});
  return true;
}

// A host file as an install source: a copy under "gfs://java/" or a block
// of low memory.
class Source {
 public:
  bool make(const std::string& path, const char* name, bool memory) {
    std::string bytes;
    if (!lReadHost(path, &bytes)) {
      std::fprintf(stderr, "ojmsctl: cannot read %s\n", path.c_str());
      return false;
    }
    source_ = {};
    if (memory) {
      block_ = vsLow_alloc(bytes.size() + 1);
      if (block_ == nullptr) return false;
      std::memcpy(block_, bytes.data(), bytes.size());
      source_.kind = kOjmsSourceMemory;
      source_.size = static_cast<uint32_t>(bytes.size());
      source_.data = vsWord_fromPointer(block_);
      return true;
    }
    source_.kind = kOjmsSourceFile;
    std::snprintf(source_.name, sizeof source_.name, "%s", name);
    uri_ = std::string("gfs://java/") + name;
    const OjfsHandle file = ojfs_open(uri_.c_str(), OJFS_CREATE_WRITE);
    const bool ok = file >= 0 && ojfs_write(file, bytes.data(), static_cast<int32_t>(bytes.size())) ==
                                     static_cast<int32_t>(bytes.size());
    if (file >= 0) ojfs_close(file);
    return ok;
  }
  ~Source() {
    if (block_ != nullptr) vsLow_free(block_);
    if (!uri_.empty()) ojfs_delete(uri_.c_str());
  }
  const OjmsSource* get() const { return &source_; }

 private:
  OjmsSource source_{};
  void* block_ = nullptr;
  std::string uri_;
};

int32_t lJadCallback(int32_t, int32_t, void*) { return 1; }

int32_t lJarCallback(int32_t total, int32_t step, int32_t arg) {
  if (gProgress) std::printf("cb %d %d %d\n", total, step, arg);
  return total >= 0 && arg == -1 && step == gCancelAt ? 0 : 1;
}

int lInstall(int argc, char** argv) {
  if (argc < 2) return lUsage();
  bool keepData = false;
  bool memory = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--keep-data") == 0)
      keepData = true;
    else if (std::strcmp(argv[i], "--progress") == 0)
      gProgress = true;
    else if (std::strcmp(argv[i], "--memory") == 0)
      memory = true;
    else if (std::strcmp(argv[i], "--cancel-at") == 0 && i + 1 < argc)
      gCancelAt = std::atoi(argv[++i]);
    else
      return lUsage();
  }
  Source jad;
  Source jar;
  if (!jad.make(argv[0], "ojmsctl.jad", memory) || !jar.make(argv[1], "ojmsctl.jar", memory)) return 1;
  OjmsInstallInfo info{};
  ojms_requestJadInstall(jad.get(), "http://localhost/ojmsctl.jad", &info, lJadCallback);
  const int32_t jadStatus = ojms_getLastStatus();
  if (jadStatus != OTA_SUCCESS) {
    std::printf("JAD %d\n", jadStatus);
    return 1;
  }
  std::printf("JAD %d %s %s %s\n", jadStatus, info.name, info.version, info.vendor);
  ojms_requestJarInstall(0, nullptr, nullptr, jar.get(), keepData ? 1 : 0, lJarCallback);
  const int32_t jarStatus = ojms_getLastStatus();
  if (jarStatus != OTA_SUCCESS) {
    std::printf("JAR %d\n", jarStatus);
    return 1;
  }
  OjmsSuiteInfo record;
  const int32_t id = ojms_findSuite(info.name, info.vendor);
  if (id < 0 || ojms_getSuiteInfo(id, &record) != 0) return lError();
  std::printf("JAR %d id=%d domain=%u\n", jarStatus, id, record.domain);
  return 0;
}

int lDirect(int argc, char** argv) {
  if (argc != 2) return lUsage();
  Source jad;
  Source jar;
  if (!jad.make(argv[0], "ojmsctl.jad", false) || !jar.make(argv[1], "ojmsctl.jar", false)) return 1;
  const int32_t id = ojms_installDirect(jad.get(), jar.get());
  if (id < 0) return lError();
  std::printf("id %d\n", id);
  return 0;
}

int lList() {
  std::vector<OjmsSuiteInfo> records(kOjmsPhoneSuites + 256);
  const int32_t n = ojms_getSuiteCount(-1);
  if (n < 0 || ojms_getSuiteList(-1, records.data(), OJMS_SORT_NAME) != 0) return lError();
  for (int32_t i = 0; i < n; ++i) {
    const OjmsSuiteInfo& r = records[static_cast<size_t>(i)];
    std::printf("%d %s|%s|%s domain=%u category=%u midlets=%u\n", r.id, r.name, r.version, r.vendor, r.domain,
                r.category, r.midletCount);
  }
  return 0;
}

int lPolicy(int32_t domain) {
  if (ojms_loadDomain(domain, 2) != 0) return lError();
  const int32_t count = ojms_getDomainPermissionCount();
  for (int32_t j = 0; j < count; ++j) {
    OjmsPolicyInfo info{};
    const char* text = nullptr;
    int32_t length = 0;
    if (ojms_getPermissionInfo(
            j, &info, OJMS_POLICY_NAME | OJMS_POLICY_GROUP | OJMS_POLICY_DEFAULT | OJMS_POLICY_MODES) != 0 ||
        ojms_getPermissionText(static_cast<int32_t>(info.nameText), &text, &length) != 0)
      return lError();
    std::printf("%d %s group=%u default=%u modes=%u\n", j, text, info.group, info.defaultState,
                info.allowedModes);
  }
  ojms_unloadDomain();
  return 0;
}

int lRule(int argc, char** argv) {
  if (argc != 5) return lUsage();
  if (ojms_loadDomain(std::atoi(argv[0]), 2) != 0) return lError();
  OjmsExclusiveRule rule{};
  rule.group1 = static_cast<uint32_t>(std::atoi(argv[1]));
  rule.mode1 = static_cast<uint32_t>(std::atoi(argv[2]));
  rule.group2 = static_cast<uint32_t>(std::atoi(argv[3]));
  rule.mode2 = static_cast<uint32_t>(std::atoi(argv[4]));
  if (ojms_findExclusiveRule(&rule) == 0)
    std::printf("kind %u forced %u\n", rule.kind, rule.forcedMode);
  else
    std::printf("none\n");
  ojms_unloadDomain();
  return 0;
}

int lCardScan() {
  if (ojms_scanSdCard() != 0) return lError();
  ojms_setSdCardInUse(true);
  const int32_t n = ojms_getSdSuiteCount();
  std::vector<OjmsSuiteInfo> records(static_cast<size_t>(n > 0 ? n : 0) + 1);
  if (n < 0 || ojms_listSdSuites(records.data()) < 0) return lError();
  for (int32_t i = 0; i < n; ++i) {
    const OjmsSuiteInfo& r = records[static_cast<size_t>(i)];
    std::printf("%d %s|%s|%s\n", r.id, r.name, r.version, r.vendor);
  }
  return 0;
}

int lRun(const std::string& command, int argc, char** argv) {
  if (command == "policy" && argc == 1) return lPolicy(std::atoi(argv[0]));
  if (command == "rule") return lRule(argc, argv);
  if (command == "card-scan" && argc == 0) return lCardScan();
  if (command == "list" && argc == 0) return lList();
  if (command == "install") return lInstall(argc, argv);
  if (command == "direct") return lDirect(argc, argv);
  if (command == "delete" && argc == 1) return ojms_deleteSuiteFiles(std::atoi(argv[0])) == 0 ? 0 : lError();
  if (command == "prop" && argc == 2) {
    OjmsAttribute attribute{};
    if (ojms_getJadAttributeValue(std::atoi(argv[0]), argv[1], &attribute) != 0) return lError();
    std::printf("%s\n", attribute.value);
    return 0;
  }
  if (command == "midlets" && argc == 1) {
    const int32_t id = std::atoi(argv[0]);
    const int32_t n = ojms_getMidletCount(id);
    if (n < 0) return lError();
    for (int32_t m = 0; m < n; ++m) {
      OjmsMidletInfo midlet{};
      if (ojms_getMidletInfo(id, m, &midlet) != 0) return lError();
      std::printf("%s|%s|%s\n", midlet.name, midlet.icon, midlet.className);
    }
    return 0;
  }
  if (command == "cats" && argc == 0) {
    std::vector<OjmsCategoryEntry> entries(kOjmsCategorySlots);
    const int32_t n = ojms_getCategoryList(entries.data());
    if (n < 0) return lError();
    for (int32_t i = 0; i < n; ++i)
      std::printf("%u %s\n", entries[static_cast<size_t>(i)].slot, entries[static_cast<size_t>(i)].name);
    return 0;
  }
  if (command == "cat-add" && argc == 1) {
    int32_t slot = -1;
    if (ojms_addCategory(argv[0], &slot) != 0) return lError();
    std::printf("slot %d\n", slot);
    return 0;
  }
  if (command == "jad" && argc == 1) return ojms_writeJadForJar(argv[0]) == 0 ? 0 : lError();
  return lUsage();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return lUsage();
  ojfs_loadRootOverrides();
  if (ojms_init() != 0) return lError();
  TraceLogOpen(u"ojmsctl.trace.txt");
  const int status = lRun(argv[1], argc - 2, argv + 2);
  std::fflush(stdout);
  TraceClose();
  return ojms_fini() == 0 || status != 0 ? status : lError();
}
