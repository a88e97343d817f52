#include "storage/suitestore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "storage/ojmsfile.h"
#include "storage/rawfile.h"
#include "storage/sdindex.h"
#include "storage/suitefiles.h"
#include "storage/tests/storage_fixture.h"

namespace {

class SuiteStore : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    std::remove(indexPath().c_str());
    ojfs_fini();
  }
  // Stores a JAD text as entry 1 of a suite's container.
  void storeJad(int32_t id, const std::string& jad) {
    const uint32_t sizes[] = {0, static_cast<uint32_t>(jad.size())};
    ASSERT_EQ(ojms_createRaw(id, 2, sizes), 0);
    ASSERT_EQ(ojms_writeRawEntry(0, "META-INF/MANIFEST.MF", "", nullptr, 0), 0);
    ASSERT_EQ(ojms_writeRawEntry(1, "__JAD__", jad.data(), nullptr, 0), 0);
    ASSERT_EQ(ojms_commitRaw(1), 0);
  }
};

TEST_F(SuiteStore, FreshSystemCopiesTheSeed) {
  ASSERT_EQ(ojms_init(), 0);
  const std::string index = readHost(indexPath());
  ASSERT_EQ(index.size(), 4096u);
  EXPECT_EQ(index.substr(0, 8), "ZEVK_HDR");
  EXPECT_EQ(add("First"), 0);
  EXPECT_EQ(ojms_getSuiteCount(-1), 1);
  ASSERT_EQ(ojms_fini(), 0);
  EXPECT_EQ(readHost(categoryPath()).size(), 3331u);
  EXPECT_EQ(readHost(indexPath())[256 + 219], 0) << "install sequence number 0";
  ASSERT_EQ(ojms_init(), 0);
  EXPECT_EQ(ojms_findSuite("First", "Test"), 0);
  EXPECT_EQ(ojms_findSuite("Second", "Test"), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NO_SUITE);
  ASSERT_EQ(ojms_fini(), 0);
}

TEST_F(SuiteStore, InitResetsPreinstalledSuites) {
  ASSERT_EQ(ojms_init(), 0);
  add("Other", 0);
  OjmsSuiteInfo pre = suiteRecord("Pre", "Test", 1);
  pre.domain = 1;
  int32_t id = -1;
  ASSERT_EQ(ojms_addSuiteRecord(&pre, &id), 0);
  ASSERT_EQ(id, 1);
  ASSERT_EQ(ojms_openMss(1), 0);
  ASSERT_EQ(ojms_setMssDomain(0, 1), 0);
  ASSERT_EQ(ojms_setMssSetting(0, 0x208), 0);
  ASSERT_EQ(ojms_closeMss(1), 0);
  ASSERT_EQ(ojms_fini(), 0);
  ASSERT_EQ(ojms_init(), 0);
  EXPECT_FALSE(hostExists(java("0.mss"))) << "only preinstalled suites are reset";
  ASSERT_EQ(ojms_openMss(1), 0);
  int32_t domain = -1;
  int32_t count = -1;
  ASSERT_EQ(ojms_getMssDomain(&domain, &count), 0);
  EXPECT_EQ(domain, 1);
  EXPECT_EQ(count, 18);
  uint32_t value = 0;
  ASSERT_EQ(ojms_getMssSetting(0, &value), 0);
  EXPECT_EQ(value, 0x202u);
  ASSERT_EQ(ojms_getMssSetting(12, &value), 0);
  EXPECT_EQ(value, 0x204u);

  // While the other program holds the install lock the reset waits, then
  // leaves the .mss alone; the next start resets it.
  ASSERT_EQ(ojms_setMssSetting(0, 0x208), 0);
  ASSERT_EQ(ojms_closeMss(1), 0);
  ASSERT_EQ(ojms_fini(), 0);
  const std::string changed = readHost(java("1.mss"));
  OtherProcessLock other;
  ASSERT_TRUE(other.taken());
  ASSERT_EQ(ojms_init(), 0);
  EXPECT_EQ(readHost(java("1.mss")), changed) << "reset under another program's install";
  ASSERT_EQ(ojms_fini(), 0);
  EXPECT_TRUE(other.release());
  ASSERT_EQ(ojms_init(), 0);
  ASSERT_EQ(ojms_openMss(1), 0);
  ASSERT_EQ(ojms_getMssSetting(0, &value), 0);
  EXPECT_EQ(value, 0x202u);
  ASSERT_EQ(ojms_fini(), 0);
}

TEST_F(SuiteStore, ListsPhoneThenCardAndSorts) {
  ASSERT_EQ(ojms_init(), 0);
  add("beta", 2);
  add("Zeta", 2);
  add("alpha", 0);
  mkdir(card("").c_str(), 0755);
  for (const char* name : {"c1", "c2", "c3"}) {
    writeHost(card(std::string(name) + ".jad"),
              std::string("MIDlet-Name: ") + name + "\nMIDlet-Vendor: V\nMIDlet-Version: 1.0\nMIDlet-Jar-Size: 9\n"
              "MIDlet-1: A, , a.A\n");
    writeHost(card(std::string(name) + ".jar"), "jar");
  }
  ojms_sdCardInserted();
  ASSERT_TRUE(ojms_isSdCardInUse());
  ASSERT_EQ(ojms_getSuiteCount(2), 5);
  ASSERT_EQ(ojms_getSuiteCount(-1), 6);
  ASSERT_EQ(ojms_getSuiteCount(0), 1);
  std::vector<OjmsSuiteInfo> records(6);
  ASSERT_EQ(ojms_getSuiteList(2, records.data(), 0), 0);
  EXPECT_STREQ(records[0].name, "beta");
  EXPECT_STREQ(records[1].name, "Zeta");
  EXPECT_GE(records[2].id, 256);
  ASSERT_EQ(ojms_getSuiteList(-1, records.data(), OJMS_SORT_NAME), 0);
  const char* sorted[] = {"Zeta", "alpha", "beta", "c1", "c2", "c3"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(records[i].name, sorted[i]) << i;
  const int32_t c2 = ojms_findSuite("c2", "V");
  EXPECT_GE(c2, 256);
  EXPECT_EQ(ojms_getMidletCount(c2), 1);
  OjmsSuiteInfo info{};
  ASSERT_EQ(ojms_getSuiteInfo(c2, &info), 0);
  EXPECT_STREQ(info.name, "c2");
  OjmsMidletInfo midlet{};
  ASSERT_EQ(ojms_getMidletInfo(c2, 0, &midlet), 0);
  EXPECT_STREQ(midlet.className, "a.A");
  EXPECT_EQ(ojms_getMidletIconSize(c2, 0), -1) << "a card suite has no icon";
  ojms_sdCardRemoved();
  EXPECT_EQ(ojms_getSuiteCount(2), 2);
  ASSERT_EQ(ojms_fini(), 0);
}

TEST_F(SuiteStore, ReadsJadPropertiesAndIcons) {
  ASSERT_EQ(ojms_init(), 0);
  ASSERT_EQ(add("A"), 0);
  const std::string jad =
      "MIDlet-Name: A\nMIDlet-Vendor: Test\nMIDlet-Version: 1.0\nMicroEdition-Profile: MIDP-2.0\n"
      "MIDlet-Permissions-Opt: x.y\nMIDlet-Permissions: a.b\n";
  storeJad(0, jad);
  ASSERT_EQ(ojms_openJdx(0), 0);
  OjmsJdxHeader header{};
  std::strcpy(header.jadUrl, "http://h/a.jad");
  header.entryCount = 1;
  ASSERT_EQ(ojms_setJdxHeader(&header), 0);
  const OjmsMidletInfo midlet = {"A", "/icons/a.png", "a.A"};
  ASSERT_EQ(ojms_setJdxMidlet(0, &midlet), 0);
  ASSERT_EQ(ojms_closeJdx(1), 0);

  struct Case {
    int32_t index;
    int32_t error;  // 0: succeeds
    const char* name;
    const char* value;
  };
  const Case cases[] = {
      {17, 0, "MIDlet-Name", "A"},
      {22, 0, "MicroEdition-Profile", "MIDP-2.0"},
      {40, 0, "MIDlet-Permissions", "a.b"},
      {129, 0, "MIDlet-Jad-URL", "http://h/a.jad"},
      {10, OJMS_ERR_ATTRIBUTE_INDEX, nullptr, nullptr},
      {44, OJMS_ERR_ATTRIBUTE_INDEX, nullptr, nullptr},
      {-1, OJMS_ERR_ATTRIBUTE_INDEX, nullptr, nullptr},
      {21, -1, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    OjmsAttribute attribute{};
    ojms_setLastError(0);
    const int32_t result = ojms_getJadProperty(0, c.index, &attribute);
    if (c.error != 0) {
      EXPECT_EQ(result, -1) << c.index;
      if (c.error > 0) {
        EXPECT_EQ(ojms_getLastError(), c.error) << c.index;
      }
      continue;
    }
    ASSERT_EQ(result, 0) << c.index;
    EXPECT_STREQ(attribute.name, c.name) << c.index;
    EXPECT_STREQ(attribute.value, c.value) << c.index;
  }

  // A JAD text of 2049 bytes makes every look-up fail.
  storeJad(0, jad + std::string(2049 - jad.size(), '#'));
  OjmsAttribute attribute{};
  EXPECT_EQ(ojms_getJadProperty(0, 17, &attribute), -1);
  storeJad(0, jad + std::string(2048 - jad.size(), '#'));
  EXPECT_EQ(ojms_getJadProperty(0, 17, &attribute), 0);

  const uint32_t sizes[] = {0, 3, 4};
  ASSERT_EQ(ojms_createRaw(0, 3, sizes), 0);
  ASSERT_EQ(ojms_writeRawEntry(0, "META-INF/MANIFEST.MF", "", nullptr, 0), 0);
  ASSERT_EQ(ojms_writeRawEntry(1, "__JAD__", "x:y", nullptr, 0), 0);
  ASSERT_EQ(ojms_writeRawEntry(2, "icons/a.png", "PNG!", nullptr, 0), 0);
  ASSERT_EQ(ojms_commitRaw(1), 0);
  EXPECT_EQ(ojms_getMidletIconSize(0, 0), 4);
  char icon[8] = {};
  EXPECT_EQ(ojms_getMidletIcon(0, 0, icon, 8), 4);
  EXPECT_STREQ(icon, "PNG!");
  EXPECT_EQ(ojms_getMidletIconSize(0, 1), -1);
  EXPECT_EQ(ojms_getMidletIconSize(7, 0), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NO_SUITE);
  ojms_setCurrentSuite(0);
  EXPECT_EQ(ojms_getCurrentSuite(), 0);
  ASSERT_EQ(ojms_fini(), 0);
}

}  // namespace
