#include "storage/installer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ce/crypt/wincrypt.h"
#include "ce/fs/testhooks.h"
#include "ce/substrate/low_memory.h"
#include "ce/testing/testcert.h"
#include "storage/ojfs.h"
#include "storage/ojmsfile.h"
#include "storage/policy.h"
#include "storage/rawfile.h"
#include "storage/suitefiles.h"
#include "storage/suiteindex.h"
#include "storage/suitestore.h"
#include "storage/tests/install_fixture.h"
#include "storage/tests/install_seeds.h"
#include "storage/tests/storage_fixture.h"
#include "vm/core/loader/tests/zip_builder.h"

namespace {

const char kManifest[] =
    "Manifest-Version: 1.0\nMIDlet-Name: Game\nMIDlet-Vendor: Test\nMIDlet-Version: %s\n"
    "MicroEdition-Profile: MIDP-2.0\nMicroEdition-Configuration: CLDC-1.1\n%s";

std::string format(const char* pattern, const std::string& a, const std::string& b) {
  char text[4096];
  std::snprintf(text, sizeof text, pattern, a.c_str(), b.c_str());
  return text;
}

std::vector<uint8_t> jarOf(const std::string& version, const std::string& midlets,
                           const std::string& name = "Game") {
  std::string manifest = format(kManifest, version, midlets);
  manifest.replace(manifest.find("Game"), 4, name);
  return buildZip({{"META-INF/MANIFEST.MF", std::vector<uint8_t>(manifest.begin(), manifest.end())},
                   {"g.png", {1, 2, 3, 4}},
                   {"Game.class", std::vector<uint8_t>(300, 7)}});
}

struct JadCall {
  int32_t phase;
  int32_t step;
  bool withInfo;
};
std::vector<JadCall> gJadCalls;
int32_t gCancelJadAt = -1;

int32_t jadCallback(int32_t phase, int32_t step, void* arg) {
  gJadCalls.push_back({phase, step, arg != nullptr});
  return phase == 6 && step == gCancelJadAt ? 0 : 1;
}

std::vector<std::vector<int32_t>> gJarCalls;
int32_t jarCallback(int32_t total, int32_t step, int32_t arg) {
  gJarCalls.push_back({total, step, arg});
  return 1;
}

std::string jadText(const std::string& version, const std::string& jarUrl, const std::string& jarSize,
                    const std::string& extra = "") {
  return "MIDlet-Name: Game\nMIDlet-Vendor: Test\nMIDlet-Version: " + version +
         "\nMIDlet-Jar-URL: " + jarUrl + "\nMIDlet-Jar-Size: " + jarSize +
         "\nMIDlet-1: Game, /g.png, Game\n" +
         "MicroEdition-Profile: MIDP-2.0\nMicroEdition-Configuration: CLDC-1.1\n" + extra;
}

class InstallerTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    ojfs_fini();
    ASSERT_EQ(ojms_init(), 0);
    gJadCalls.clear();
    gJarCalls.clear();
    gCancelJadAt = -1;
  }
  void TearDown() override {
    vsCeFs_setFreeSpaceAnswer(-1);
    StorageTest::TearDown();
  }
  int32_t jadStep(const std::string& jad, const char* jadUrl, OjmsInstallInfo* info) {
    MemorySource source(jad);
    ojms_requestJadInstall(source.get(), jadUrl, info, jadCallback);
    return ojms_getLastStatus();
  }
  // Installs through both steps; the suite id or -1.
  int32_t install(const std::string& version, const std::string& midlets = "MIDlet-1: Game, /g.png, Game\n",
                  const std::string& jadExtra = "", const std::string& name = "Game") {
    std::vector<uint8_t> jar = jarOf(version, midlets, name);
    std::string jad = jadText(version, "g.jar", std::to_string(jar.size()), jadExtra);
    jad.replace(jad.find("Game"), 4, name);
    OjmsInstallInfo info{};
    if (jadStep(jad, "http://h/g.jad", &info) != OTA_SUCCESS) return -1;
    MemorySource jarSource(std::string(jar.begin(), jar.end()));
    MemorySource jadSource(jad);
    gJarCalls.clear();
    ojms_requestJarInstall(0, jadSource.get(), nullptr, jarSource.get(), 0, jarCallback);
    if (ojms_getLastStatus() != OTA_SUCCESS) return -1;
    return gJarCalls.back()[2];
  }
};

TEST_F(InstallerTest, JadStepUrlsSizesAndFreeSpace) {
  struct Case {
    const char* label;
    std::string jarUrl;
    std::string jarSize;
    int64_t freeSpace;
    int32_t status;
    std::string absoluteUrl;
  };
  const std::string longUrl = "http://h/" + std::string(250, 'a') + ".jar";
  const Case cases[] = {
      {"relative name", "g.jar", "1000", -1, OTA_SUCCESS, "http://h/d/g.jar"},
      {"leading slash", "/g.jar", "1000", -1, OTA_SUCCESS, "http://h/d/g.jar"},
      {"absolute", "http://o/x/g.jar", "1000", -1, OTA_SUCCESS, "http://o/x/g.jar"},
      {"20,000,000 without room", "g.jar", "20000000", 1000000, OTA_INSUFFICIENT_MEMORY, ""},
      {"3,000,000 without room", "g.jar", "3000000", 2999999, OTA_INSUFFICIENT_MEMORY, ""},
      {"3,000,000 with room", "g.jar", "3000000", 3000000, OTA_SUCCESS, "http://h/d/g.jar"},
      {"2,000,000 never refused for space", "g.jar", "2000000", 1000, OTA_SUCCESS, "http://h/d/g.jar"},
      {"1,500,000 never refused for space", "g.jar", "1500000", 0, OTA_SUCCESS, "http://h/d/g.jar"},
      {"URL over its field", longUrl, "1000", -1, OTA_INVALID_DESCRIPTOR, ""},
  };
  for (const Case& c : cases) {
    vsCeFs_setFreeSpaceAnswer(c.freeSpace);
    OjmsInstallInfo info{};
    gJadCalls.clear();
    EXPECT_EQ(jadStep(jadText("1.0", c.jarUrl, c.jarSize), "http://h/d/g.jad", &info), c.status) << c.label;
    if (c.status == OTA_SUCCESS) {
      EXPECT_STREQ(info.jarUrl, c.absoluteUrl.c_str()) << c.label;
      EXPECT_STREQ(info.name, "Game") << c.label;
      EXPECT_STREQ(info.jarSize, c.jarSize.c_str()) << c.label;
      EXPECT_STREQ(info.midlet1, "Game, /g.png, Game") << c.label;
      EXPECT_STREQ(info.profile, "MIDP-2.0") << c.label;
      EXPECT_EQ(info.installed, 0u) << c.label;
      EXPECT_EQ(info.trusted, 1u) << c.label;
    }
    ASSERT_FALSE(gJadCalls.empty());
    const JadCall last = gJadCalls.back();
    EXPECT_EQ(last.phase, c.status == OTA_SUCCESS ? 6 : -1) << c.label;
    EXPECT_EQ(last.step, c.status == OTA_SUCCESS ? 6 : c.status) << c.label;
    EXPECT_EQ(last.withInfo, c.status == OTA_SUCCESS) << c.label;
  }
}

TEST_F(InstallerTest, JadStepCancelAtEveryCall) {
  const std::string jad = jadText("1.0", "g.jar", "100");
  for (int32_t step = 0; step <= 5; ++step) {
    gJadCalls.clear();
    gCancelJadAt = step;
    OjmsInstallInfo info{};
    EXPECT_EQ(jadStep(jad, "http://h/g.jad", &info), OTA_CANCELLED) << step;
    ASSERT_EQ(gJadCalls.size(), static_cast<size_t>(step + 2)) << step;
    for (int32_t i = 0; i <= step; ++i) EXPECT_EQ(gJadCalls[static_cast<size_t>(i)].step, i) << step;
    EXPECT_EQ(gJadCalls.back().phase, -1) << step;
    EXPECT_EQ(gJadCalls.back().step, OTA_CANCELLED) << step;
  }
}

TEST_F(InstallerTest, JadStepComparesMajorAndMinorOfTheInstalledSuite) {
  struct Case {
    std::string installed;
    std::string offered;
    int32_t comparison;
  };
  const Case cases[] = {{"1.2", "1.2.5", 0}, {"1.2", "1.3", 1}, {"2.0", "1.5", -1}, {"1.2", "2.0", 1}};
  for (const Case& c : cases) {
    ojms_deleteSuiteFiles(0);
    ASSERT_EQ(install(c.installed), 0) << c.installed;
    OjmsInstallInfo info{};
    EXPECT_EQ(jadStep(jadText(c.offered, "g.jar", "100"), "http://h/g.jad", &info), OTA_SUCCESS);
    EXPECT_EQ(info.installed, 1u);
    EXPECT_EQ(info.versionComparison, c.comparison) << c.installed << " -> " << c.offered;
    EXPECT_STREQ(info.newVersion, c.offered.c_str());
    EXPECT_STREQ(info.installedVersion, c.installed.c_str());
  }
  // A trusted installed suite replaced by an unsigned one: trust flag 0.
  OjmsSuiteInfo record;
  ASSERT_EQ(ojms_readSuiteRecord(0, &record), 0);
  record.domain = 1;
  ASSERT_EQ(ojms_writeSuiteRecord(&record, 0), 0);
  OjmsInstallInfo info{};
  EXPECT_EQ(jadStep(jadText("3.0", "g.jar", "100"), "http://h/g.jad", &info), OTA_SUCCESS);
  EXPECT_EQ(info.trusted, 0u);
  EXPECT_EQ(jadStep(jadText("3.0", "g.jar", "100", "MIDlet-Jar-RSA-SHA1: AAAA\n"), "http://h/g.jad", &info),
            OTA_SUCCESS);
  EXPECT_EQ(info.trusted, 1u);
}

TEST_F(InstallerTest, JarStepIconsOnceAndTrustedDefaults) {
  // Two MIDlets with the same icon: manifest, JAD and one icon.
  const int32_t id =
      install("1.0", "MIDlet-1: A, /g.png, Game\nMIDlet-2: B, /g.png, Game\n", "MIDlet-2: B, /g.png, Game\n");
  ASSERT_EQ(id, 0);
  EXPECT_EQ(ojms_getRawCount(id), 3);
  EXPECT_EQ(ojms_getRawEntrySize(id, 2), 4);
  EXPECT_EQ(ojms_getMidletCount(id), 2);
  // The icon readers find it for both MIDlets.
  for (int32_t m = 0; m < 2; ++m) {
    EXPECT_EQ(ojms_getMidletIconSize(id, m), 4) << m;
    uint8_t icon[4] = {};
    EXPECT_EQ(ojms_getMidletIcon(id, m, icon, sizeof icon), 4) << m;
    EXPECT_EQ(icon[3], 4) << m;
  }

  // A signed suite lands in TrustedThirdParty; a group it did not ask for
  // whose modes allow "no" gets mode 8.
  VsTestCertSpec signer;
  signer.subject = {{"C", "XX"}, {"O", "Vostel"}, {"OU", "Test"}, {"CN", "Vostel Test Signer"}};
  const std::string der = vsTestCert_make(signer);
  ASSERT_EQ(vsCertStore_add("MY", reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size())),
            0u);
  const std::vector<uint8_t> jar = jarOf("1.0", "MIDlet-1: Game, /g.png, Game\n");
  const std::string signature = vsTestCert_sign(0, std::string(jar.begin(), jar.end()));

  const std::string jad = jadText(
      "1.0", "g.jar", std::to_string(jar.size()),
      "MIDlet-Permissions: javax.microedition.io.Connector.http\nMIDlet-Certificate-1-1: " +
          vsInstallSeeds_base64(der) + "\nMIDlet-Jar-RSA-SHA1: " + vsInstallSeeds_base64(signature) + "\n");
  ojms_deleteSuiteFiles(0);
  MemorySource jarSource(std::string(jar.begin(), jar.end()));
  MemorySource jadSource(jad);
  OjmsInstallInfo info{};
  ASSERT_EQ(jadStep(jad, "http://h/g.jad", &info), OTA_SUCCESS);
  ojms_requestJarInstall(0, jadSource.get(), nullptr, jarSource.get(), 0, jarCallback);
  ASSERT_EQ(ojms_getLastStatus(), OTA_SUCCESS);
  OjmsSuiteInfo record;
  ASSERT_EQ(ojms_readSuiteRecord(0, &record), 0);
  EXPECT_EQ(record.domain, 1u);
  ASSERT_EQ(ojms_openMss(0), 0);
  int32_t domain = -1;
  int32_t count = 0;
  ASSERT_EQ(ojms_getMssDomain(&domain, &count), 0);
  EXPECT_EQ(domain, 1);
  ASSERT_EQ(ojms_loadDomain(1, 2), 0);
  ASSERT_EQ(count, ojms_getDomainPermissionCount());
  for (int32_t j = 0; j < count; ++j) {
    uint32_t setting = 0;
    OjmsPolicyInfo policy{};
    ASSERT_EQ(ojms_getMssSetting(j, &setting), 0);
    ASSERT_EQ(ojms_getPermissionInfo(j, &policy, OJMS_POLICY_DEFAULT | OJMS_POLICY_MODES | OJMS_POLICY_NAME),
              0);
    uint32_t expected = policy.defaultState;
    if (j != 0) {  // permission 0 (http) was asked for
      for (uint32_t mode : {8u, 4u, 2u, 1u}) {
        if (policy.allowedModes & mode) {
          expected = (expected & ~0xFu) | mode;
          break;
        }
      }
    }
    EXPECT_EQ(setting, expected) << "permission " << j;
  }
  ojms_unloadDomain();
  ojms_closeMss(0);
}

TEST_F(InstallerTest, JadWriterFromTheManifest) {
  std::string midlets;
  for (int i = 1; i <= 20; ++i)
    midlets += "MIDlet-" + std::to_string(i) + ": M" + std::to_string(i) + ", , C\n";
  const std::vector<uint8_t> jar = jarOf("1.1", midlets);
  ASSERT_EQ(ojfs_mkdir("gfs://java/d"), 0);
  const OjfsHandle file = ojfs_open("gfs://java/d/game.jar", OJFS_CREATE_WRITE);
  ASSERT_GE(file, 0);
  ASSERT_EQ(ojfs_write(file, jar.data(), static_cast<int32_t>(jar.size())), static_cast<int32_t>(jar.size()));
  ojfs_close(file);
  ASSERT_EQ(ojms_writeJadForJar("gfs://java/d/game.jar"), 0);
  std::string expected = "MIDlet-Name: Game\nMIDlet-Jar-Size: " + std::to_string(jar.size()) +
                         "\nMIDlet-Jar-URL: game.jar\nMIDlet-Version: 1.1\nMIDlet-Vendor: Test\n"
                         "MicroEdition-Profile: MIDP-2.0\nMicroEdition-Configuration: CLDC-1.1\n";
  for (int i = 1; i <= 15; ++i)
    expected += "MIDlet-" + std::to_string(i) + ": M" + std::to_string(i) + ", , C\n";
  EXPECT_EQ(readHost(java("d/game.jad")), expected);
  EXPECT_EQ(ojms_writeJadForJar("gfs://java/d/missing.jar"), -1);
  EXPECT_EQ(ojms_writeJadForJar("gfs://java/d/game.jad"), -1);
}

TEST_F(InstallerTest, NewSuitesDropLeftoverRecordStores) {
  for (int direct = 0; direct < 2; ++direct) {
    for (const char* name : {"0.rs1", "0.rs3"}) writeHost(java(name), "old records");
    writeHost(java("0.mss"), std::string(12, '\0') + "\xff");  // a bad count: refused if read
    if (direct == 0) {
      ASSERT_EQ(install("1.0"), 0);
    } else {
      const std::vector<uint8_t> jar = jarOf("1.0", "MIDlet-1: Game, /g.png, Game\n");
      MemorySource jadSource(jadText("1.0", "g.jar", std::to_string(jar.size())));
      MemorySource jarSource(std::string(jar.begin(), jar.end()));
      ASSERT_EQ(ojms_installDirect(jadSource.get(), jarSource.get()), 0);
    }
    EXPECT_FALSE(hostExists(java("0.rs1"))) << direct;
    EXPECT_FALSE(hostExists(java("0.rs3"))) << direct;
    int32_t domain = -1;
    int32_t count = -1;
    ASSERT_EQ(ojms_openMss(0), 0) << direct;
    EXPECT_EQ(ojms_getMssDomain(&domain, &count), 0);
    EXPECT_EQ(count, 18) << direct;
    ASSERT_EQ(ojms_deleteSuiteFiles(0), 0);
  }
}

TEST_F(InstallerTest, FailedUpdateLeavesTheOldSuite) {
  ASSERT_EQ(install("1.0"), 0);
  const std::string files[] = {"0.jar", "0.jdx", "0.raw", "0.mss", "suites.idx"};
  std::vector<std::string> before;
  for (const std::string& name : files) before.push_back(readHost(java(name)));
  const std::vector<uint8_t> jar = jarOf("2.0", "MIDlet-1: Game, /g.png, Game\n");
  struct Case {
    const char* label;
    std::string jad;
    int32_t status;
  };
  const Case cases[] = {
      {"size off by one", jadText("2.0", "g.jar", std::to_string(jar.size() + 1)), OTA_JAR_SIZE_MISMATCH},
      {"unknown permission", jadText("2.0", "g.jar", std::to_string(jar.size()), "MIDlet-Permissions: x.Y\n"),
       OTA_AUTHORIZATION},
  };
  for (const Case& c : cases) {
    MemorySource jadSource(c.jad);
    MemorySource jarSource(std::string(jar.begin(), jar.end()));
    ojms_requestJarInstall(0, jadSource.get(), nullptr, jarSource.get(), 0, jarCallback);
    EXPECT_EQ(ojms_getLastStatus(), c.status) << c.label;
    OjmsSuiteInfo record;
    ASSERT_EQ(ojms_readSuiteRecord(0, &record), 0) << c.label;
    EXPECT_STREQ(record.version, "1.0") << c.label;
    for (size_t i = 0; i < before.size(); ++i)
      EXPECT_EQ(readHost(java(files[i])), before[i]) << c.label << files[i];
    EXPECT_FALSE(hostExists(java("0_4.tmp"))) << c.label;
    EXPECT_FALSE(hostExists(java("0_5.tmp"))) << c.label;
  }
}

TEST_F(InstallerTest, DeleteRefusesIdsOutsidePhoneMemory) {
  ASSERT_EQ(install("1.0"), 0);
  EXPECT_EQ(ojms_deleteSuiteFiles(256), -1);
  EXPECT_EQ(ojms_getLastError(), 262);
  EXPECT_EQ(ojms_deleteSuiteFiles(-1), -1);
  EXPECT_TRUE(hostExists(java("0.jar")));
  EXPECT_EQ(ojms_deleteSuiteFiles(0), 0);
  for (const char* name : {"0.jar", "0.jdx", "0.raw", "0.mss"}) EXPECT_FALSE(hostExists(java(name))) << name;
}

// A reader process beside a writer process on the same storage, with no
// lock between them: every read succeeds and sees only whole suites.
TEST_F(InstallerTest, ReaderBesideWriter) {
  ASSERT_EQ(install("1.0", "MIDlet-1: Game, /g.png, Game\n", "MIDlet-2: One, /g.png, One\n", "Keep1"), 0);
  ASSERT_EQ(install("1.0", "MIDlet-1: Game, /g.png, Game\n", "MIDlet-2: Two, /g.png, Two\n", "Keep2"), 1);
  ASSERT_EQ(ojms_fini(), 0);
  ASSERT_EQ(ojms_init(), 0);
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    // 20 installs; every second suite is deleted again.
    int failures = 0;
    for (int i = 0; i < 20; ++i) {
      const int32_t id = install("1.0", "MIDlet-1: W, /g.png, Game\n", "", "Writer " + std::to_string(i));
      if (id < 2) ++failures;
      if (id >= 2 && i % 2 == 1 && ojms_deleteSuiteFiles(id) != 0) ++failures;
    }
    _exit(failures == 0 ? 0 : 1);
  }
  int failedRounds = 0;
  std::string firstFailure;
  for (int round = 0; round < 200; ++round) {
    bool ok = ojms_fini() == 0 && ojms_init() == 0;
    const int32_t count = ojms_getSuiteCount(-1);
    std::vector<OjmsSuiteInfo> records(kOjmsPhoneSuites);
    ok = ok && count >= 2 && ojms_getSuiteList(-1, records.data(), OJMS_SORT_NAME) == 0;
    for (int32_t i = 0; ok && i < count; ++i) {
      const std::string name = records[static_cast<size_t>(i)].name;
      ok = name == "Keep1" || name == "Keep2" || name.rfind("Writer ", 0) == 0;
    }
    const char* const kept[] = {"One", "Two"};
    for (int32_t id = 0; ok && id < 2; ++id) {
      OjmsMidletInfo midlet{};
      OjmsAttribute attribute{};
      ok = ojms_getMidletInfo(id, 1, &midlet) == 0 && std::string(midlet.name) == kept[id] &&
           ojms_getJadAttributeValue(id, "MIDlet-Name", &attribute) == 0 &&
           std::string(attribute.value) == "Keep" + std::to_string(id + 1);
    }
    if (!ok && failedRounds++ == 0)
      firstFailure = "round " + std::to_string(round) + ": count " + std::to_string(count) + ", error " +
                     std::to_string(ojms_getLastError());
  }
  int status = -1;
  ASSERT_EQ(waitpid(writer, &status, 0), writer);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer failed";
  EXPECT_EQ(failedRounds, 0) << firstFailure;
  ASSERT_EQ(ojms_fini(), 0);
  ASSERT_EQ(ojms_init(), 0);
  std::vector<std::string> expected = {"Keep1", "Keep2"};
  for (int i = 0; i < 20; i += 2) expected.push_back("Writer " + std::to_string(i));
  std::sort(expected.begin(), expected.end());
  const int32_t count = ojms_getSuiteCount(-1);
  std::vector<OjmsSuiteInfo> records(kOjmsPhoneSuites);
  ASSERT_EQ(ojms_getSuiteList(-1, records.data(), OJMS_SORT_NAME), 0);
  std::vector<std::string> names;
  for (int32_t i = 0; i < count; ++i) names.push_back(records[static_cast<size_t>(i)].name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, expected);
}

}  // namespace
