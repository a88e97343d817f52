#include "storage/policy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "storage/romfs.h"
#include "storage/suitefiles.h"
#include "storage/tests/storage_fixture.h"

namespace {

using Policy = StorageTest;

OjmsPolicyFile rom(const std::string& name) {
  OjmsPolicyFile file{nullptr, 0};
  file.data = ojfs_rom_getFileDataPointer(("rom://midlet/permission/" + name).c_str(), &file.size);
  return file;
}

TEST_F(Policy, ShippedFilesHaveTheirSizes) {
  const std::pair<const char*, uint32_t> files[] = {
      {"domains.idx", 769}, {"Untrusted.adi", 324}, {"TrustedThirdParty.adi", 324}, {"TCK.adi", 262}, {"_dn.idx", 1551}};
  for (const auto& [name, size] : files) {
    const OjmsPolicyFile file = rom(name);
    ASSERT_NE(file.data, nullptr) << name;
    EXPECT_EQ(file.size, size) << name;
  }
}

TEST_F(Policy, AnswersQueriesOfEachDomain) {
  ASSERT_EQ(ojms_loadDomain(0, 2), 0);
  EXPECT_EQ(ojms_getDomainPermissionCount(), 18);
  EXPECT_EQ(ojms_getGroupCount(), 7);
  OjmsPolicyInfo info{};
  ASSERT_EQ(ojms_getPermissionInfo(0, &info, OJMS_POLICY_NAME | OJMS_POLICY_MODES), 0);
  EXPECT_EQ(info.nameText, 32u);
  EXPECT_EQ(info.allowedModes, 0xEu);
  EXPECT_EQ(info.defaultState, 0u) << "mask 9 fills no default";
  const char* text = nullptr;
  int32_t length = 0;
  ASSERT_EQ(ojms_getPermissionText(32, &text, &length), 0);
  EXPECT_STREQ(text, "javax.microedition.io.Connector.http");
  EXPECT_EQ(length, 37);
  ASSERT_EQ(ojms_getPermissionText(0, &text, &length), 0);
  ASSERT_EQ(ojms_getPermissionText(49, &text, &length), 0);
  EXPECT_STREQ(text, "javax.wireless.messaging.sms.receive");
  EXPECT_EQ(ojms_getPermissionText(50, &text, &length), -1);
  EXPECT_EQ(ojms_getPermissionText(-1, &text, &length), -1);
  ASSERT_EQ(ojms_getGroupInfo(6, &info, OJMS_POLICY_COUNT | OJMS_POLICY_TEXTS), 0);
  EXPECT_EQ(info.permissionCount, 4u);
  ASSERT_EQ(ojms_getPermissionText(static_cast<int32_t>(info.messageText), &text, &length), 0);
  EXPECT_STREQ(text, "%1 is trying to send message(s) to %2. The number of segment(s) is %3");
  int32_t members[18];
  ASSERT_EQ(ojms_getGroupPermissions(5, members), 0);
  EXPECT_EQ(members[0], 12);
  EXPECT_EQ(members[1], 13);

  struct Case {
    int32_t domain;
    bool ruleFound;
    uint32_t state0, modes0, state5, modes5;
  };
  const Case cases[] = {{0, true, 0x202, 0xE, 0x208, 8}, {1, true, 0x202, 0xF, 0x204, 0xF}, {2, false, 0x100, 0, 0x100, 0}};
  for (const Case& c : cases) {
    ASSERT_EQ(ojms_loadDomain(c.domain, 2), 0) << c.domain;
    OjmsExclusiveRule rule{0, 0x201, 1, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ojms_findExclusiveRule(&rule), c.ruleFound ? 0 : -1) << c.domain;
    if (c.ruleFound) {
      EXPECT_EQ(rule.kind, 2u);
      EXPECT_EQ(rule.forcedMode, 2u);
      ASSERT_EQ(ojms_getPermissionText(static_cast<int32_t>(rule.choice1Text), &text, &length), 0);
      EXPECT_STREQ(text, "Use Network");
      ASSERT_EQ(ojms_getPermissionText(static_cast<int32_t>(rule.titleText), &text, &length), 0);
      EXPECT_STREQ(text, "Warning!");
    }
    std::vector<uint32_t> settings(18, 7);
    ASSERT_EQ(ojms_getGroupSettings(settings.data()), 0);
    EXPECT_EQ(settings[0], c.state0) << c.domain;
    EXPECT_EQ(settings[12], c.state5) << c.domain;
    ASSERT_EQ(ojms_getGroupInfo(5, &info, OJMS_POLICY_MODES), 0);
    EXPECT_EQ(info.allowedModes, c.modes5) << c.domain;
    ASSERT_EQ(ojms_getPermissionInfo(6, &info, OJMS_POLICY_MODES), 0);
    EXPECT_EQ(info.allowedModes, c.modes0) << c.domain;
    OjmsModeRule mode{0, 1, 0, 0};
    EXPECT_EQ(ojms_findModeRule(&mode), -1) << "no mode rules shipped";
  }
  EXPECT_EQ(ojms_loadDomain(3, 2), -1);
  EXPECT_EQ(ojms_getDomainPermissionCount(), -1);
  EXPECT_EQ(ojms_getPermissionInfo(0, &info, 1), -1);
  EXPECT_EQ(ojms_isTrustedDomain(0), 0);
  EXPECT_EQ(ojms_isTrustedDomain(2), 1);
}

TEST_F(Policy, BoundSuiteKeepsItsSettingsInItsMss) {
  ASSERT_EQ(add("A"), 0);
  ASSERT_EQ(ojms_openMss(0), 0);
  ASSERT_EQ(ojms_setMssDomain(1, 2), 0);
  ASSERT_EQ(ojms_setMssSetting(0, 0x201), 0);
  ASSERT_EQ(ojms_setMssSetting(1, 0x204), 0);
  ASSERT_EQ(ojms_closeMss(1), 0);
  ASSERT_EQ(ojms_loadDomain(0, 1), 0);
  std::vector<uint32_t> settings(18, 0);
  ASSERT_EQ(ojms_getGroupSettings(settings.data()), 0);
  EXPECT_EQ(settings[0], 0x201u);
  EXPECT_EQ(settings[1], 0x204u);
  EXPECT_EQ(settings[17], 0x202u) << "settings missing from a short .mss take the group default";
  settings[17] = 0x201;
  ASSERT_EQ(ojms_setGroupSettings(settings.data()), 0);
  EXPECT_EQ(readHost(java("0.mss")).size(), 12u + 18 * 4);
  ASSERT_EQ(ojms_openMss(0), 0);
  uint32_t value = 0;
  ASSERT_EQ(ojms_getMssSetting(17, &value), 0);
  EXPECT_EQ(value, 0x201u);
  EXPECT_EQ(ojms_loadDomain(5, 1), -1) << "a suite without a record";
}

// The settings of a bound suite are written under the install lock, and
// only while the suite is still the one bound.
TEST_F(Policy, SettingsWriteWaitsForTheInstallLockAndTheBoundSuite) {
  enum class After { Nothing, OtherProgramInstalls, SuiteDeleted, SuiteReplaced };
  struct Case {
    const char* name;
    After after;  // what happens after binding
    int32_t result;
    bool written;
  };
  const Case cases[] = {
      {"unchanged", After::Nothing, 0, true},
      {"other program installing", After::OtherProgramInstalls, -1, false},
      {"suite deleted", After::SuiteDeleted, -1, false},
      {"suite replaced in another domain", After::SuiteReplaced, -1, false},
  };
  for (const Case& c : cases) {
    ojms_discardIndexCache();
    writeHost(indexPath(), seedIndex());
    ASSERT_EQ(add("A"), 0) << c.name;
    ASSERT_EQ(ojms_openMss(0), 0) << c.name;
    ASSERT_EQ(ojms_setMssDomain(0, 1), 0) << c.name;
    ASSERT_EQ(ojms_setMssSetting(0, 0x201), 0) << c.name;
    ASSERT_EQ(ojms_closeMss(1), 0) << c.name;
    ASSERT_EQ(ojms_loadDomain(0, 1), 0) << c.name;
    std::unique_ptr<OtherProcessLock> other;
    if (c.after == After::OtherProgramInstalls) {
      other = std::make_unique<OtherProcessLock>();
      ASSERT_TRUE(other->taken()) << c.name;
    } else if (c.after == After::SuiteDeleted) {
      unlink(java("0.mss").c_str());
    } else if (c.after == After::SuiteReplaced) {
      std::string mss = readHost(java("0.mss"));
      mss[10] = 1;
      writeHost(java("0.mss"), mss);
    }
    const std::string before = hostExists(java("0.mss")) ? readHost(java("0.mss")) : "(none)";
    std::vector<uint32_t> settings(18, 0x202);
    EXPECT_EQ(ojms_setGroupSettings(settings.data()), c.result) << c.name;
    const std::string after = hostExists(java("0.mss")) ? readHost(java("0.mss")) : "(none)";
    EXPECT_EQ(after != before, c.written) << c.name;
    EXPECT_FALSE(hostExists(java("0.mss.tmp"))) << c.name;
    if (other != nullptr) {
      EXPECT_TRUE(other->release()) << c.name;
      EXPECT_EQ(ojms_setGroupSettings(settings.data()), 0) << c.name << ": once the lock is free";
      EXPECT_EQ(readHost(java("0.mss")).size(), 12u + 18 * 4) << c.name;
    }
    ojms_unloadDomain();
    unlink(java("0.mss").c_str());
  }
}

TEST_F(Policy, LoaderRefusesHostileFiles) {
  const OjmsPolicyFile domains = rom("domains.idx");
  const OjmsPolicyFile adi = rom("Untrusted.adi");
  const OjmsPolicyFile texts = rom("resource/en_US.dat");
  const OjmsPolicyFile dn = rom("_dn.idx");
  ASSERT_EQ(ojms_loadDomainFrom(0, domains, adi, texts, dn), 0);
  ASSERT_GT(texts.size, 8u);
  std::vector<uint8_t> negativeX(adi.data, adi.data + adi.size);
  negativeX[3] = 0xFF;
  std::vector<uint8_t> noNul(texts.data, texts.data + texts.size);
  noNul[texts.size - 1] = 'x';
  std::vector<uint8_t> badOffset(texts.data, texts.data + texts.size);
  badOffset[4] = 0xF0;
  badOffset[7] = 0x7F;
  std::vector<uint8_t> manyTexts(texts.data, texts.data + texts.size);
  manyTexts[3] = 0x10;
  std::vector<uint8_t> manyDn(dn.data, dn.data + dn.size);
  manyDn[10] = 5;
  struct Case {
    const char* what;
    int32_t domain;
    OjmsPolicyFile domains, adi, texts, dn;
  };
  const Case cases[] = {
      {"domain 3", 3, domains, adi, texts, dn},
      {"domains cut", 2, {domains.data, 768}, adi, texts, dn},
      {"adi cut", 0, domains, {adi.data, adi.size - 1}, texts, dn},
      {"adi header cut", 0, domains, {adi.data, 3}, texts, dn},
      {"negative X", 0, domains, {negativeX.data(), adi.size}, texts, dn},
      {"text without NUL", 0, domains, adi, {noNul.data(), texts.size}, dn},
      {"text offset outside", 0, domains, adi, {badOffset.data(), texts.size}, dn},
      {"text count outside", 0, domains, adi, {manyTexts.data(), texts.size}, dn},
      {"texts of 7 bytes", 0, domains, adi, {texts.data, 7}, dn},
      {"dn count outside", 0, domains, adi, texts, {manyDn.data(), dn.size}},
      {"dn cut", 0, domains, adi, texts, {dn.data, 10}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ojms_loadDomainFrom(c.domain, c.domains, c.adi, c.texts, c.dn), -1) << c.what;
    EXPECT_EQ(ojms_getGroupCount(), -1) << c.what;
  }
}

}  // namespace
