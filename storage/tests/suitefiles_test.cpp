#include "storage/suitefiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "storage/ojmsfile.h"
#include "storage/rawfile.h"
#include "storage/sdindex.h"
#include "storage/tests/storage_fixture.h"

namespace {

using SuiteFiles = StorageTest;

TEST_F(SuiteFiles, NamesFilesByKind) {
  ASSERT_EQ(add("A"), 0);
  OjmsSuiteInfo rom = suiteRecord("R");
  rom.romSuite = 1;
  ASSERT_EQ(ojms_writeSuiteRecord(&rom, 1), 0);
  struct Case {
    int32_t id;
    int32_t kind;
    const char* uri;
  };
  const Case cases[] = {
      {0, 1, "gfs://java/suites.idx"}, {0, 2, "gfs://java/category.dat"}, {0, 3, "gfs://java/0.jdx"},
      {0, 5, "gfs://java/0.raw"},      {0, 6, "gfs://java/0.mss"},        {0, 7, "gfs://java/0.rs1"},
      {0, 9, "gfs://java/0.rs3"},      {0, 10, "gfs://java/"},            {0, 11, ""},
      {0, 0, ""},                      {1, 3, "rom://midlet/1.jdx"},      {1, 5, "rom://midlet/1.raw"},
      {1, 6, "gfs://java/1.mss"},      {2, 3, ""},                        {999, 3, "gfs://java/999.jdx"},
      {999, 7, "gfs://java/999.rs1"},  {999, 10, "gfs://java/"},          {300, 1, ""},
      {300, 6, "gfs://java/temp/ext_temp.mss"}, {300, 8, "gfs://sd-card/java/rms/300.rs2"},
      {300, 10, "gfs://sd-card/java/rms/"},
  };
  for (const Case& c : cases) EXPECT_STREQ(ojms_getSuiteFilePath(c.id, c.kind), c.uri) << c.id << " kind " << c.kind;
  EXPECT_STREQ(ojms_getSuiteFilePathOf("gfs://x/", 4, 4), "gfs://x/4.jar");
  EXPECT_STREQ(ojms_getTempFilePath(12, 5), "gfs://java/12_5.tmp");
}

TEST_F(SuiteFiles, DescriptorSummaryRoundTrips) {
  ASSERT_EQ(add("A"), 0);
  ASSERT_EQ(add("B"), 1);
  ASSERT_EQ(ojms_syncIndex(), 0);
  ASSERT_EQ(ojms_openJdx(0), 0);
  OjmsJdxHeader header{};
  ASSERT_EQ(ojms_getJdxHeader(&header), 0);
  EXPECT_EQ(header.entryCount, 0u) << "a suite without a .jdx opens empty";
  std::strcpy(header.jarUri, "gfs://java/0.jar");
  std::strcpy(header.jadUrl, "http://h/a.jad");
  std::memcpy(header.text, "Unkn", 4);
  header.jadSize = 321;
  header.jarSize = 65537;
  header.version[0] = 1;
  header.version[2] = 3;
  header.entryCount = 2;
  ASSERT_EQ(ojms_setJdxHeader(&header), 0);
  OjmsMidletInfo midlet{};
  std::strcpy(midlet.name, "Game");
  std::strcpy(midlet.icon, "/i.png");
  std::strcpy(midlet.className, "a.Game");
  ASSERT_EQ(ojms_setJdxMidlet(1, &midlet), 0);
  ASSERT_EQ(ojms_closeJdx(1), 0);
  EXPECT_EQ(readHost(java("0.jdx")).size(), 336u + 2 * 384);
  ASSERT_EQ(ojms_openJdx(1), 0);
  ASSERT_EQ(ojms_openJdx(0), 0);
  OjmsJdxHeader back{};
  ASSERT_EQ(ojms_getJdxHeader(&back), 0);
  EXPECT_STREQ(back.jadUrl, "http://h/a.jad");
  EXPECT_EQ(back.jarSize, 65537u);
  EXPECT_EQ(back.version[2], 3u);
  EXPECT_EQ(back.entryCount, 2u);
  OjmsMidletInfo read{};
  ASSERT_EQ(ojms_getJdxMidlet(1, &read), 0);
  EXPECT_STREQ(read.className, "a.Game");
  EXPECT_STREQ(read.icon, "/i.png");
  EXPECT_EQ(ojms_getJdxMidlet(2, &read), -1);
  EXPECT_EQ(ojms_getJdxMidlet(-1, &read), -1);
  EXPECT_STREQ(ojms_getSuiteFilePath(0, OJMS_KIND_JAR), "gfs://java/0.jar");
  ASSERT_EQ(ojms_closeJdx(0), 0);
  EXPECT_EQ(ojms_closeJdx(0), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_FILE);
}

TEST_F(SuiteFiles, HostileFilesAreRefused) {
  ASSERT_EQ(add("A"), 0);
  struct Case {
    const char* what;
    const char* file;
    std::string bytes;
    bool jdx;  // else .mss
    int32_t result;
  };
  std::string jdx11(336 + 11 * 384, '\0');
  jdx11[335] = 11;
  std::string jdx10(336 + 10 * 384, 'x');
  jdx10[335] = 10;
  std::string jdxShort(336 + 384, '\0');
  jdxShort[335] = 2;
  std::string mss31(12 + 31 * 4, '\0');
  mss31[11] = 31;
  std::string mss30(12 + 30 * 4, '\0');
  mss30[11] = 30;
  const Case cases[] = {
      {".jdx count 11", "0.jdx", jdx11, true, -1},    {".jdx count 10", "0.jdx", jdx10, true, 0},
      {".jdx entries cut", "0.jdx", jdxShort, true, -1}, {".jdx header cut", "0.jdx", std::string(335, '\0'), true, -1},
      {".mss count 31", "0.mss", mss31, false, -1},   {".mss count 30", "0.mss", mss30, false, 0},
      {".mss of 11 bytes", "0.mss", std::string(11, '\0'), false, -1},
  };
  for (const Case& c : cases) {
    writeHost(java(c.file), c.bytes);
    ojms_openJdx(999);  // another suite, so the next open reads the file
    ojms_setLastError(0);
    EXPECT_EQ(c.jdx ? ojms_openJdx(0) : ojms_openMss(0), c.result) << c.what;
    if (c.result != 0) {
      EXPECT_EQ(ojms_getLastError(), OJMS_ERR_FILE) << c.what;
    }
  }
  // The accepted .jdx of 10 entries reads its texts terminated.
  ASSERT_EQ(ojms_openJdx(999), 0);
  writeHost(java("0.jdx"), jdx10);
  ASSERT_EQ(ojms_openJdx(0), 0);
  OjmsMidletInfo midlet{};
  ASSERT_EQ(ojms_getJdxMidlet(9, &midlet), 0);
  EXPECT_EQ(std::strlen(midlet.className), 255u);
  EXPECT_EQ(std::strlen(midlet.icon), 63u);
}

TEST_F(SuiteFiles, SecuritySettingsRoundTrip) {
  ASSERT_EQ(add("A"), 0);
  ASSERT_EQ(ojms_openMss(0), 0);
  EXPECT_EQ(ojms_setMssDomain(1, 31), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_PARAMETER);
  ASSERT_EQ(ojms_setMssDomain(1, 3), 0);
  const uint32_t settings[3] = {7, 0x01020304, 9};
  ASSERT_EQ(ojms_setMssSettings(settings), 0);
  EXPECT_EQ(ojms_setMssSetting(3, 1), -1);
  ASSERT_EQ(ojms_closeMss(1), 0);
  EXPECT_EQ(readHost(java("0.mss")).size(), 24u);
  ASSERT_EQ(ojms_setMssSetting(0, 99), 0);
  ASSERT_EQ(ojms_closeMss(0), 0) << "reloads, dropping the change";
  uint32_t value = 0;
  ASSERT_EQ(ojms_getMssSetting(0, &value), 0);
  EXPECT_EQ(value, 7u);
  ASSERT_EQ(ojms_getMssSetting(1, &value), 0);
  EXPECT_EQ(value, 0x01020304u);
  int32_t domain = -1;
  int32_t count = -1;
  ASSERT_EQ(ojms_getMssDomain(&domain, &count), 0);
  EXPECT_EQ(domain, 1);
  EXPECT_EQ(count, 3);
}

TEST_F(SuiteFiles, ResourceContainerWritesCommitsAndReads) {
  ASSERT_EQ(add("A"), 0);
  std::vector<uint32_t> sizes(21, 3);
  EXPECT_EQ(ojms_createRaw(0, 21, sizes.data()), -1);
  EXPECT_FALSE(hostExists(java("0_5.tmp")));
  ASSERT_EQ(ojms_createRaw(0, 20, sizes.data()), 0);
  ASSERT_EQ(ojms_commitRaw(0), 0);
  EXPECT_FALSE(hostExists(java("0_5.tmp")));

  const uint32_t three[] = {5, 0, 4};
  ASSERT_EQ(ojms_createRaw(0, 3, three), 0);
  ASSERT_EQ(ojms_writeRawEntry(0, "META-INF/MANIFEST.MF", "hello", nullptr, 0), 0);
  ASSERT_EQ(ojms_writeRawEntry(1, "__JAD__", "", "extra", 5), 0);
  EXPECT_EQ(ojms_writeRawEntry(2, std::string(200, 'n').c_str(), "icon", nullptr, 0), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_PARAMETER);
  ASSERT_EQ(ojms_writeRawEntry(2, std::string(199, 'n').c_str(), "icon", nullptr, 0), 0);
  EXPECT_EQ(ojms_writeRawEntry(3, "x", "", nullptr, 0), -1);
  ASSERT_EQ(ojms_commitRaw(1), 0);
  EXPECT_EQ(readHost(java("0.raw")).size(), 1u + 3 * 256 + 9);
  EXPECT_EQ(ojms_getRawCount(0), 3);
  EXPECT_EQ(ojms_findRawEntry(0, "__JAD__"), 1);
  EXPECT_EQ(ojms_findRawEntry(0, "none"), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_FILE);
  EXPECT_EQ(ojms_findRawEntry(5, "none"), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_NO_SUITE);
  EXPECT_EQ(ojms_getRawEntrySize(0, 2), 4);
  char buffer[8] = {};
  EXPECT_EQ(ojms_readRawEntry(0, 0, buffer, 3), 3) << "a short buffer takes its length";
  EXPECT_EQ(std::string(buffer, 3), "hel");
  EXPECT_EQ(ojms_readRawEntry(0, 2, buffer, 8), 4);
  EXPECT_EQ(std::string(buffer, 4), "icon");
  char extra[48];
  ASSERT_EQ(ojms_getRawEntryExtra(0, 1, extra, 48), 0);
  EXPECT_EQ(std::string(extra, 6), std::string("extra\0", 6));
  char name[8];
  ASSERT_EQ(ojms_getRawEntryName(0, 1, name, 8), 0);
  EXPECT_STREQ(name, "__JAD__");
  EXPECT_EQ(ojms_getRawEntrySize(0, 3), -1);
}

TEST_F(SuiteFiles, HostileContainersAreRefused) {
  ASSERT_EQ(add("A"), 0);
  std::string raw(1 + 256 + 4, '\0');
  raw[0] = 1;
  raw[1] = 4;                           // size 4
  raw[1 + 204] = 1;                     // offset 257
  raw[1 + 205] = 1;
  writeHost(java("0.raw"), raw);
  EXPECT_EQ(ojms_getRawEntrySize(0, 0), 4);
  raw[1] = 5;  // one byte past the end
  EXPECT_EQ(ojms_getRawEntrySize(5, 0), -1);
  std::string many = raw;
  many[0] = 21;
  writeHost(java("0.raw"), many);
  EXPECT_EQ(ojms_getRawCount(0), -1);
  EXPECT_EQ(ojms_getRawEntrySize(0, 1), -1);
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_FILE);
  writeHost(java("0.raw"), raw);
  EXPECT_EQ(ojms_getRawEntrySize(0, 1), -1) << "index past the count";
  EXPECT_EQ(ojms_getRawEntrySize(0, 0), -1) << "an entry past the file end";
  EXPECT_EQ(ojms_getLastError(), OJMS_ERR_FILE);
}

TEST_F(SuiteFiles, CardSuitesReadFromTheirJad) {
  mkdir(card("").c_str(), 0755);
  const std::string jad =
      "MIDlet-Name: Z\nMIDlet-Vendor: Card\nMIDlet-Version: 1.0\nMIDlet-Jar-Size: 77\n"
      "MIDlet-1: First, /f.png, a.F\nMIDlet-2: Second, , a.S\n";
  writeHost(card("z.jad"), jad);
  writeHost(card("z.jar"), "jar");
  writeHost(card("z.jam"), "");
  ojms_sdCardInserted();
  ASSERT_TRUE(ojms_isSdCardInUse());
  EXPECT_STREQ(ojms_getSuiteFilePath(256, OJMS_KIND_JAR), "drm://sd-card/z.jar");
  ASSERT_EQ(ojms_openJdx(256), 0);
  OjmsJdxHeader header{};
  std::strcpy(header.jadUrl, "kept");
  ASSERT_EQ(ojms_getJdxHeader(&header), 0);
  EXPECT_STREQ(header.jarUri, "drm://sd-card/z.jar");
  EXPECT_EQ(header.jadSize, jad.size());
  EXPECT_EQ(header.jarSize, 77u);
  EXPECT_STREQ(header.jadUrl, "kept");
  OjmsMidletInfo midlet{};
  ASSERT_EQ(ojms_getJdxMidlet(1, &midlet), 0);
  EXPECT_STREQ(midlet.name, "Second");
  EXPECT_EQ(ojms_getJdxMidlet(2, &midlet), -1);
  ASSERT_EQ(ojms_closeJdx(0), 0);
  EXPECT_EQ(ojms_getRawCount(256), 1);
  EXPECT_EQ(ojms_getRawEntrySize(256, 1), static_cast<int32_t>(jad.size()));
  EXPECT_EQ(ojms_getRawEntrySize(256, 0), -1);
  std::vector<char> buffer(jad.size());
  EXPECT_EQ(ojms_readRawEntry(256, 1, buffer.data(), static_cast<int32_t>(buffer.size())),
            static_cast<int32_t>(jad.size()));
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), jad);
  EXPECT_EQ(ojms_readRawEntry(256, 1, buffer.data(), 10), -1) << "the buffer must hold the whole .jad";
  ojms_sdCardRemoved();
}

}  // namespace
