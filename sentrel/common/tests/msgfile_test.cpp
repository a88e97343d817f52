#include "sentrel/common/msgfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ce/fs/dirops.h"
#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"
#include "sentrel/common/errors.h"

namespace {

off_t hostSize(const CeDeviceRoot& root, const std::string& relative) {
  struct stat st {};
  return stat(root.host(relative).c_str(), &st) == 0 ? st.st_size : -1;
}

void writeHost(const CeDeviceRoot& root, const std::string& relative, const std::vector<uint8_t>& bytes) {
  std::ofstream out(root.host(relative), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> le32(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 24)};
}

std::vector<uint8_t> join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

WapMsg sample(size_t payloadBytes) {
  WapMsg m;
  m.type = 1;
  m.layer = 1;
  m.validFields = 31;
  m.sourceType = 2;
  m.destinationType = 2;
  const std::u16string to = u"+15550002";
  to.copy(m.destinationAddress, to.size());
  m.destinationPort = 5000;
  m.sourcePort = 4000;
  for (size_t i = 0; i < payloadBytes; ++i) m.payload.push_back(static_cast<uint8_t>(i * 7));
  return m;
}

TEST(SentrelMessageFile, SizesAndRoundTrips) {
  CeDeviceRoot root;
  const int empty = sample(0).writeToFile();
  ASSERT_EQ(empty, 1);
  EXPECT_EQ(hostSize(root, "Temp/00001"), 288);
  const int full = sample(1000).writeToFile();
  ASSERT_EQ(full, 2);
  EXPECT_EQ(hostSize(root, "Temp/00002"), 1288);
  SentrelMessageFile file;
  ASSERT_EQ(file.open(2, true), 1);
  WapMsg back;
  ASSERT_TRUE(back.readFromFile(file));
  EXPECT_EQ(file.left(), 0u);
  ASSERT_TRUE(file.close());
  EXPECT_EQ(hostSize(root, "Temp/00002"), -1) << "read with deletion left the file";
  const WapMsg expected = sample(1000);
  EXPECT_EQ(back.payload, expected.payload);
  EXPECT_EQ(std::u16string(back.destinationAddress), u"+15550002");
  EXPECT_EQ(back.destinationPort, 5000u);
  EXPECT_EQ(back.sourcePort, 4000u);
  EXPECT_EQ(back.validFields, 31u);

  SentrelMessageFile strings;
  ASSERT_EQ(strings.create(), 1);
  EXPECT_EQ(strings.number(), 2) << "lowest free number first";
  strings.writeString(u"");
  strings.writeString(nullptr);
  ASSERT_TRUE(strings.close());
  EXPECT_EQ(hostSize(root, "Temp/00002"), 12) << "an empty or null string takes 6 bytes";

  struct Case {
    const char* name;
    std::function<int()> write;
    std::function<bool(SentrelMessageFile&)> readAndCompare;
  } cases[] = {
      {"push registration",
       [] {
         return writePushRegistration({u"\\Windows\\marker.exe", u"-N 7", u"*", u"x"});
       },
       [](SentrelMessageFile& f) {
         PushRegistrationBody b;
         return readPushRegistration(f, b) && b.module == u"\\Windows\\marker.exe" &&
                b.commandLine == u"-N 7" && b.filter == u"*" && b.other == u"x";
       }},
      {"alarm",
       [] {
         return writeAlarm({0x01D0000012345678ull, u"m", u"", u"o"});
       },
       [](SentrelMessageFile& f) {
         AlarmBody b;
         return readAlarm(f, b) && b.time == 0x01D0000012345678ull && b.module == u"m" &&
                b.commandLine.empty() && b.other == u"o";
       }},
      {"launch",
       [] {
         return writeLaunch({0x12345678u, u"a", u"b c"});
       },
       [](SentrelMessageFile& f) {
         LaunchBody b;
         return readLaunch(f, b) && b.window == 0x12345678u && b.module == u"a" && b.commandLine == u"b c";
       }},
      {"port list",
       [] {
         return writeStringList({u"sms://:5000", u"sms://:5001"});
       },
       [](SentrelMessageFile& f) {
         std::vector<std::u16string> items;
         return readStringList(f, items) &&
                items == std::vector<std::u16string>{u"sms://:5000", u"sms://:5001"};
       }},
  };
  for (const Case& c : cases) {
    const int number = c.write();
    ASSERT_GT(number, 0) << c.name;
    SentrelMessageFile f;
    ASSERT_EQ(f.open(static_cast<uint16_t>(number), true), 1) << c.name;
    EXPECT_TRUE(c.readAndCompare(f)) << c.name;
    EXPECT_EQ(f.left(), 0u) << c.name;
  }
}

TEST(SentrelMessageFile, NextNumberSkipsPresentFiles) {
  CeDeviceRoot root;
  writeHost(root, "Temp/00001", {1});
  writeHost(root, "Temp/00003", {1});
  SentrelMessageFile file;
  ASSERT_EQ(file.create(), 1);
  EXPECT_EQ(file.number(), 2);
  SentrelMessageFile next;
  ASSERT_EQ(next.create(), 1);
  EXPECT_EQ(next.number(), 4);
  SentrelMessageFile missing;
  EXPECT_EQ(missing.open(9, true), SentrelError_TempFileStreamCannotOpen);
}

TEST(SentrelMessageFile, NoTempDirectoryGivesNoFile) {
  CeDeviceRoot root;
  ASSERT_TRUE(RemoveDirectoryW(u"\\Temp"));
  writeHost(root, "Temp", {1});
  SentrelMessageFile file;
  EXPECT_EQ(file.create(), SentrelError_TempFileStreamCannotGenerate);
  EXPECT_EQ(file.number(), 0);
  EXPECT_EQ(sample(3).writeToFile(), SentrelError_TempFileStreamCannotGenerate);
}

// Crafted files: each reader fails, or reads terminated addresses.
TEST(SentrelMessageFile, CraftedFilesFailOrReadTerminated) {
  CeDeviceRoot root;
  std::vector<uint8_t> unterminated(284, 0x41);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool recordReads;
    bool listReads;  // a leading count of 0 reads as an empty list
  } cases[] = {
      {"string count 0xFFFFFFFF", join({le32(1), le32(0xFFFFFFFFu), {0, 0}}), false, false},
      {"string count past the end", join({le32(1), le32(5), {0x41, 0, 0x42, 0}}), false, false},
      {"string without its terminator", join({le32(1), le32(1), {0x41, 0}}), false, false},
      {"list count 0xFFFFFFFF", join({le32(0xFFFFFFFFu), le32(0), {0, 0}}), false, false},
      {"payload length past the end", join({std::vector<uint8_t>(284, 0), le32(3), {1, 2}}), false, true},
      {"payload length 0xFFFFFFFF", join({std::vector<uint8_t>(284, 0), le32(0xFFFFFFFFu)}), false, true},
      {"unterminated addresses", join({unterminated, le32(0)}), true, false},
      {"empty list", le32(0), false, true},
  };
  for (const Case& c : cases) {
    writeHost(root, "Temp/00001", c.bytes);
    SentrelMessageFile f;
    ASSERT_EQ(f.open(1, false), 1) << c.name;
    WapMsg m;
    EXPECT_EQ(m.readFromFile(f), c.recordReads) << c.name;
    if (c.recordReads) {
      EXPECT_EQ(m.sourceAddress[63], 0) << c.name;
      EXPECT_EQ(m.destinationAddress[63], 0) << c.name;
      EXPECT_EQ(m.sourceAddress[62], 0x4141) << c.name;
    }
    ASSERT_EQ(f.open(1, false), 1) << c.name;
    std::vector<std::u16string> items;
    EXPECT_EQ(readStringList(f, items), c.listReads) << c.name;
  }
  for (size_t size = 0; size < 288; ++size) {
    writeHost(root, "Temp/00001", std::vector<uint8_t>(size, 0));
    SentrelMessageFile f;
    ASSERT_EQ(f.open(1, false), 1);
    WapMsg m;
    EXPECT_FALSE(m.readFromFile(f)) << "a record of " << size << " bytes";
  }
}

// 4 threads in each of 2 processes create 100 files each: all numbers
// distinct, every file holds what its creator wrote.
TEST(SentrelMessageFile, ConcurrentCreatorsNeverShareANumber) {
  CeDeviceRoot root;
  const std::string peer = vsCeTest_selfDirectory() + "/msgfile_test_peer";
  CeChild a, b;
  ASSERT_TRUE(vsCeTest_spawn({peer, "A"}, &a));
  ASSERT_TRUE(vsCeTest_spawn({peer, "B"}, &b));
  std::map<int, std::string> files;
  for (CeChild* child : {&a, &b}) {
    const CeChildResult result = vsCeTest_finish(child);
    ASSERT_EQ(result.status, 0);
    std::istringstream lines(result.output);
    std::string number, tag;
    while (lines >> number >> tag) {
      ASSERT_NE(number, "failed") << tag;
      EXPECT_TRUE(files.emplace(std::stoi(number), tag).second) << "number " << number << " given twice";
    }
  }
  ASSERT_EQ(files.size(), 800u);
  for (const auto& [number, tag] : files) {
    SentrelMessageFile f;
    ASSERT_EQ(f.open(static_cast<uint16_t>(number), true), 1) << number;
    std::vector<std::u16string> items;
    ASSERT_TRUE(readStringList(f, items)) << number;
    EXPECT_EQ(items, std::vector<std::u16string>{std::u16string(tag.begin(), tag.end())}) << number;
  }
}

TEST(SentrelErrors, NamesOfTheTable) {
  EXPECT_STREQ(sentrelErrorName(1), "SentrelError_Succeeded");
  EXPECT_STREQ(sentrelErrorName(0), "SentrelError_WapSendNotFinished");
  EXPECT_STREQ(sentrelErrorName(-23), "SentrelError_AlarmListIsFull");
  EXPECT_EQ(sentrelErrorName(5), nullptr);
}

}  // namespace
