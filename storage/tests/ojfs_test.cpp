#include "storage/ojfs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/testing/devroot.h"

namespace {

// A connector that counts: every open and opendir succeeds with a new
// handle; a listing gives a name too long for an entry URI, then "dir" (a
// directory) and "f" (a file); close always fails; it has no flush.
int32_t gOpens = 0;
int32_t gListed = 0;
OjfsDirEntry gEntry;
std::string gName;

int32_t cntInit(OjfsConnector* connector) {
  std::strcpy(connector->description, "Counting Connector");
  connector->scheme = "cnt";
  OjfsOperations& ops = connector->operations;
  ops.open = [](const char*, OjfsOpenMode) { return gOpens++; };
  ops.close = [](int32_t) { return -1; };
  ops.read = [](int32_t, void* buffer, int32_t count) {
    std::memset(buffer, 'r', static_cast<size_t>(count));
    return count;
  };
  ops.write = [](int32_t, const void*, int32_t count) { return count; };
  ops.opendir = [](const char*) {
    gListed = 0;
    return gOpens++;
  };
  ops.readdir = [](int32_t) -> OjfsDirEntry* {
    switch (gListed++) {
      case 0: gName = "//" + std::string(260, 'x'); gEntry = OjfsDirEntry{0, 0, 1, gName.c_str()}; return &gEntry;
      case 1: gEntry = OjfsDirEntry{0, OJFS_FLAG_DIRECTORY, 0, "//dir"}; return &gEntry;
      case 2: gEntry = OjfsDirEntry{0, 0, 7, "//f"}; return &gEntry;
      default: return nullptr;
    }
  };
  ops.closedir = [](int32_t) { return 0; };
  ops.lastError = [] { return 42; };
  return 0;
}

class Dispatcher : public testing::Test {
 protected:
  void SetUp() override {
    gOpens = 0;
    ojfs_setExtraConnectorForTest(cntInit);
    ASSERT_EQ(ojfs_init(), 0);
  }
  void TearDown() override {
    ojfs_fini();
    ojfs_setExtraConnectorForTest(nullptr);
  }
  CeDeviceRoot root_;
};

TEST_F(Dispatcher, ConnectorsAndInitialisation) {
  EXPECT_EQ(ojfs_init(), -1);
  OjfsConnectorName names[kOjfsMaxConnectors];
  ASSERT_EQ(ojfs_listConnectors(names), 3);
  EXPECT_STREQ(names[0].description, "General-File-System Connector");
  EXPECT_STREQ(names[0].scheme, "gfs");
  EXPECT_STREQ(names[1].description, "ROM-Files Connector");
  EXPECT_STREQ(names[2].scheme, "cnt");
  ojfs_fini();
  EXPECT_EQ(ojfs_fini(), -1);
  ASSERT_EQ(ojfs_init(), 0);
}

TEST_F(Dispatcher, SchemesAndPaths) {
  struct Case {
    const char* uri;
    int32_t error;
  };
  const std::string longScheme = std::string(5000, 's') + "://x";
  const Case cases[] = {
      {"nocolon", OJFS_ERR_BAD_PATH},     {"", OJFS_ERR_BAD_PATH},         {":x", OJFS_ERR_BAD_PATH},
      {"zzz://a", OJFS_ERR_NO_CONNECTOR}, {"gf://a", OJFS_ERR_NO_CONNECTOR}, {"gfsx://a", OJFS_ERR_NO_CONNECTOR},
      {longScheme.c_str(), OJFS_ERR_NO_CONNECTOR},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ojfs_open(c.uri, OJFS_READ_EXISTING), -1) << c.uri;
    EXPECT_EQ(ojfs_getLastError(), c.error) << c.uri;
  }
  EXPECT_EQ(ojfs_open(nullptr, OJFS_READ_EXISTING), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_INVALID_PARAMETER);
  // "gfs:" reaches the gfs connector with an empty path: its root listing.
  const int32_t dir = ojfs_opendir("gfs:");
  ASSERT_GE(dir, 0);
  ASSERT_NE(ojfs_readdir(dir), nullptr);
  ojfs_closedir(dir);
}

TEST_F(Dispatcher, TablesRunOut) {
  std::vector<OjfsHandle> handles;
  for (int i = 0; i < kOjfsFileHandles; ++i) {
    const OjfsHandle h = ojfs_open("cnt://f", OJFS_READ_EXISTING);
    ASSERT_EQ(h, i);
    handles.push_back(h);
  }
  EXPECT_EQ(ojfs_open("cnt://f", OJFS_READ_EXISTING), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NO_HANDLE);
  // close frees the slot although the connector's close fails.
  EXPECT_EQ(ojfs_close(handles[7]), -1);
  EXPECT_EQ(ojfs_getLastError(), 42);
  EXPECT_EQ(ojfs_open("cnt://f", OJFS_READ_EXISTING), 7);
  for (int i = 0; i < kOjfsDirHandles; ++i)
    EXPECT_EQ(ojfs_opendir("cnt://d"), i);
  EXPECT_EQ(ojfs_opendir("cnt://d"), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NO_HANDLE);
}

TEST_F(Dispatcher, HandleChecksAndMissingOperations) {
  const OjfsHandle h = ojfs_open("cnt://f", OJFS_READ_EXISTING);
  struct Case {
    const char* name;
    int32_t (*run)(OjfsHandle h);
    int32_t error;
  };
  static char buffer[4];
  const Case cases[] = {
      {"read on a free slot", [](OjfsHandle) { return ojfs_read(200, buffer, 1); }, OJFS_ERR_BAD_HANDLE},
      {"read on -1", [](OjfsHandle) { return ojfs_read(-1, buffer, 1); }, OJFS_ERR_BAD_HANDLE},
      {"read on 256", [](OjfsHandle) { return ojfs_read(256, buffer, 1); }, OJFS_ERR_BAD_HANDLE},
      {"read into NULL", [](OjfsHandle h) { return ojfs_read(h, nullptr, 1); }, OJFS_ERR_INVALID_PARAMETER},
      {"fstat into NULL", [](OjfsHandle h) { return ojfs_fstat(h, nullptr); }, OJFS_ERR_INVALID_PARAMETER},
      {"missing flush", [](OjfsHandle h) { return ojfs_flush(h); }, OJFS_ERR_NOT_SUPPORTED},
      {"missing stat", [](OjfsHandle) { static OjfsStat s; return ojfs_stat("cnt://f", &s); },
       OJFS_ERR_NOT_SUPPORTED},
      {"stat into NULL", [](OjfsHandle) { return ojfs_stat("cnt://f", nullptr); }, OJFS_ERR_INVALID_PARAMETER},
      {"rename across schemes", [](OjfsHandle) { return ojfs_rename("gfs://java/a", "rom://a"); },
       OJFS_ERR_BAD_PATH},
      {"closedir of a free slot", [](OjfsHandle) { return ojfs_closedir(3); }, OJFS_ERR_BAD_HANDLE},
      {"missing mkdir", [](OjfsHandle) { return ojfs_mkdir("cnt://x"); }, OJFS_ERR_NOT_SUPPORTED},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.run(h), -1) << c.name;
    EXPECT_EQ(ojfs_getLastError(), c.error) << c.name;
  }
  EXPECT_EQ(ojfs_readByte(h), 'r');
  EXPECT_EQ(ojfs_writeByte(h, 0x1FF), 0x1FF);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NONE);
  EXPECT_EQ(ojfs_readByte(99), -1);
}

TEST_F(Dispatcher, ReaddirBuildsUrisAndSkipsWhatDoesNotFit) {
  const int32_t dir = ojfs_opendir("cnt://d");
  ASSERT_GE(dir, 0);
  const OjfsDirEntry* entry = ojfs_readdir(dir);
  ASSERT_NE(entry, nullptr);
  EXPECT_STREQ(entry->name, "cnt://dir/");
  entry = ojfs_readdir(dir);
  ASSERT_NE(entry, nullptr);
  EXPECT_STREQ(entry->name, "cnt://f");
  EXPECT_EQ(entry->size, 7u);
  EXPECT_EQ(ojfs_readdir(dir), nullptr);
  EXPECT_EQ(ojfs_getLastError(), 42);
  EXPECT_EQ(ojfs_closedir(dir), 0);
}

}  // namespace
