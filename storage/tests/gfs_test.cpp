#include "storage/gfs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"
#include "storage/ojfs.h"
#include "storage/roots.h"

namespace {

std::string readHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Gfs : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(ojfs_init(), 0); }
  void TearDown() override { ojfs_fini(); }
  std::string java(const std::string& name) const { return root_.host("Storage/Vostel/java/" + name); }
  CeDeviceRoot root_;
};

TEST_F(Gfs, TranslatesOnlyInsideARoot) {
  struct Case {
    const char* path;
    const char* physical;  // nullptr: a bad path
  };
  const std::string longPath = "//java/" + std::string(110, 'a');
  const Case cases[] = {
      {"//java/suites.idx", "\\Storage\\Vostel\\java\\suites.idx"},
      {"//sd-card/java/suites.idx", "\\Storage\\Vostel\\java\\java\\suites.idx"},
      {"//current", "\\Storage\\Vostel\\java\\"},
      {"//java/", "\\Storage\\Vostel\\java\\"},
      {"", ""},
      {"//java/../x", nullptr},
      {"//java/a/../../x", nullptr},
      {"//java/./x", nullptr},
      {"//java/..", nullptr},
      {"//java/a\\..\\..\\x", nullptr},
      {"//javax/a", nullptr},
      {"//jav/a", nullptr},
      {"//nosuch/x", nullptr},
      {"/java/x", nullptr},
      {"//", nullptr},
      {"j", nullptr},
      {longPath.c_str(), nullptr},
      {"//drm/x", nullptr},
  };
  for (const Case& c : cases) {
    char out[kGfsPathBytes] = {};
    const int32_t result = gfs_translatePath(c.path, out);
    if (c.physical == nullptr) {
      EXPECT_EQ(result, -1) << c.path;
    } else {
      EXPECT_EQ(result, 0) << c.path;
      EXPECT_STREQ(out, c.physical) << c.path;
    }
  }
}

TEST_F(Gfs, RootConversionsMatchAtComponentBoundaries) {
  char out[kOjfsPathBytes];
  ASSERT_EQ(ojfs_uriToPhysical("gfs://java/a/b", out), 0);
  EXPECT_STREQ(out, "\\Storage\\Vostel\\java\\a\\b");
  EXPECT_EQ(ojfs_uriToPhysical("gfs://javax/a", out), -1);
  ASSERT_EQ(ojfs_uriToPhysical("drm://sd-card", out), 0);
  EXPECT_STREQ(out, "\\Storage\\Vostel\\java");
  ASSERT_EQ(ojfs_physicalToUri("\\Storage\\Vostel\\java\\x\\y", out), 0);
  EXPECT_STREQ(out, "gfs://java/x/y");
  EXPECT_EQ(ojfs_physicalToUri("\\Storage\\Vostel\\javax\\y", out), -1);
  EXPECT_EQ(ojfs_uriToPhysical(("gfs://java/" + std::string(250, 'a')).c_str(), out), -1);
  EXPECT_EQ(ojfs_getRootPath(7), nullptr);
  EXPECT_EQ(ojfs_setRootPath(-1, "\\x"), -1);
  EXPECT_EQ(ojfs_setRootPath(3, std::string(256, 'a').c_str()), -1);
  ASSERT_EQ(ojfs_setRootPath(3, "\\Card"), 0);
  EXPECT_STREQ(ojfs_getRootPath(3), "\\Card");
  ASSERT_EQ(ojfs_uriToPhysical("gfs://sd-card/f", out), 0);
  EXPECT_STREQ(out, "\\Card\\f");
  ASSERT_EQ(ojfs_setRootPath(3, "\\Storage\\Vostel\\java"), 0);

  char small[4] = "ab";
  EXPECT_EQ(ojfs_boundedAppend(small, sizeof small, "cd"), OJFS_E_INSUFFICIENT_BUFFER);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(ojfs_boundedCopy(small, sizeof small, "xy"), OJFS_S_OK);
  EXPECT_STREQ(small, "xy");
  EXPECT_EQ(ojfs_boundedCopy(small, 0, "x"), OJFS_E_INVALIDARG);
  EXPECT_EQ(ojfs_boundedCopy(small, 0x80000000u, "x"), OJFS_E_INVALIDARG);
}

TEST_F(Gfs, FilesOpenReadWriteSeekAndStat) {
  const OjfsHandle w = ojfs_open("gfs://java/f.bin", OJFS_CREATE_WRITE);
  ASSERT_GE(w, 0);
  EXPECT_EQ(ojfs_write(w, "0123456789", 10), 10);
  EXPECT_EQ(ojfs_tell(w), 10);
  EXPECT_EQ(ojfs_seek(w, 4, 0), 0);
  EXPECT_EQ(ojfs_truncate(w, 6), 0);
  EXPECT_EQ(ojfs_flush(w), 0);
  EXPECT_EQ(ojfs_seek(w, 0, 7), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_INVALID_PARAMETER);
  OjfsStat status{};
  ASSERT_EQ(ojfs_fstat(w, &status), 0);
  EXPECT_EQ(status.size, 6u);
  EXPECT_EQ(status.flags2, 0u);
  ojfs_close(w);
  EXPECT_EQ(readHost(java("f.bin")), "012345");

  const OjfsHandle r = ojfs_open("gfs://java/f.bin", OJFS_READ_EXISTING);
  ASSERT_GE(r, 0);
  char buffer[16];
  EXPECT_EQ(ojfs_seek(r, -2, 2), 0);
  EXPECT_EQ(ojfs_read(r, buffer, 16), 2);
  EXPECT_EQ(ojfs_read(r, buffer, 16), 0);
  EXPECT_EQ(ojfs_write(r, "x", 1), -1);  // opened with 0x4001
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_ACCESS_DENIED);
  ojfs_close(r);

  ASSERT_EQ(ojfs_mkdir("gfs://java/d"), 0);
  EXPECT_EQ(ojfs_mkdir("gfs://java/d"), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_EXISTS);
  for (const OjfsOpenMode mode : {OJFS_READ_EXISTING, OJFS_CREATE_WRITE}) {
    EXPECT_EQ(ojfs_open("gfs://java/d", mode), -1) << "mode " << mode;
    EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_BAD_PATH) << "mode " << mode;
  }
  ASSERT_EQ(ojfs_stat("gfs://java/d/", &status), 0);
  EXPECT_EQ(status.flags2, OJFS_FLAG_DIRECTORY);
  EXPECT_EQ(ojfs_open("gfs://java/none", OJFS_READ_EXISTING), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_PLATFORM);
  EXPECT_EQ(ojfs_rmdir("gfs://java/d"), 0);
  ASSERT_EQ(ojfs_open("gfs://java/g", 0x4004), -1);  // open existing of a missing file

  // 0x4002 writes into an existing file without truncating it.
  const OjfsHandle u = ojfs_open("gfs://java/f.bin", OJFS_WRITE_EXISTING);
  ASSERT_GE(u, 0);
  EXPECT_EQ(ojfs_write(u, "ab", 2), 2);
  ojfs_close(u);
  EXPECT_EQ(readHost(java("f.bin")), "ab2345");

  ASSERT_EQ(ojfs_delete("gfs://java/f.bin"), 0);
  EXPECT_EQ(ojfs_delete("gfs://java/f.bin"), -1);
  const int32_t space = ojfs_getFreeSpace("gfs://java/whatever/deep");
  EXPECT_GT(space, 0);
  EXPECT_LE(space, kGfsFreeSpace);
}

TEST_F(Gfs, NinthOpenRunsOutOfConnectorSlots) {
  for (int i = 0; i < kGfsSlots; ++i)
    ASSERT_GE(ojfs_open(("gfs://java/f" + std::to_string(i)).c_str(), OJFS_CREATE_WRITE), 0) << i;
  EXPECT_EQ(ojfs_open("gfs://java/f8", OJFS_CREATE_WRITE), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NO_SLOT);
  struct stat st;
  EXPECT_EQ(stat(java("f8").c_str(), &st), 0);  // created, closed again
}

TEST_F(Gfs, RenameReplacesTheTarget) {
  std::ofstream(java("a")) << "new";
  std::ofstream(java("b")) << "old";
  ASSERT_EQ(ojfs_rename("gfs://java/a", "gfs://java/b"), 0);
  EXPECT_EQ(readHost(java("b")), "new");
  EXPECT_EQ(ojfs_rename("gfs://java/a", "gfs://nosuch/b"), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_BAD_PATH);
}

TEST_F(Gfs, ListingsSkipNamesThatDoNotFitAndRootsEnd) {
  // "//java/" is 7 bytes: a name of 120 fits the 128-byte slot path, 121 does not.
  std::ofstream(java(std::string(120, 'k'))) << "";
  std::ofstream(java(std::string(121, 's'))) << "";
  mkdir(java("sub").c_str(), 0777);
  std::ofstream(java("z.txt")) << "zz";
  const int32_t dir = ojfs_opendir("gfs://java");
  ASSERT_GE(dir, 0);
  std::set<std::string> names;
  while (const OjfsDirEntry* entry = ojfs_readdir(dir)) {
    names.insert(entry->name);
    if (std::string(entry->name) == "gfs://java/z.txt") {
      EXPECT_EQ(entry->size, 2u);
    }
  }
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NONE);
  const std::set<std::string> want = {"gfs://java/" + std::string(120, 'k'), "gfs://java/sub/", "gfs://java/z.txt"};
  EXPECT_EQ(names, want);
  EXPECT_EQ(ojfs_rewinddir(dir), 0);
  EXPECT_NE(ojfs_readdir(dir), nullptr);
  ojfs_closedir(dir);

  const int32_t roots = ojfs_opendir("gfs:");
  ASSERT_GE(roots, 0);
  int count = 0;
  while (const OjfsDirEntry* entry = ojfs_readdir(roots)) {
    EXPECT_EQ(entry->flags, 26u);
    ++count;
  }
  EXPECT_EQ(count, kOjfsGfsRootCount);
  ojfs_closedir(roots);
  EXPECT_EQ(ojfs_opendir("gfs://java/none"), -1);
}

TEST_F(Gfs, AFileHeldByAnotherProcessFailsAfterTheRetry) {
  std::ofstream(java("held")) << "x";
  CeChild child;
  ASSERT_TRUE(vsCeTest_spawn({vsCeTest_selfDirectory() + "/../../ce/testing/ce_test_peer", "hold",
                              "\\Storage\\Vostel\\java\\held"},
                             &child));
  std::string line;
  ASSERT_TRUE(vsCeTest_readLine(&child, &line));
  ASSERT_EQ(line, "ready");
  EXPECT_EQ(ojfs_open("gfs://java/held", OJFS_READ_EXISTING), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_PLATFORM);
  EXPECT_EQ(vsCeTest_finish(&child).status, 0);
  const OjfsHandle h = ojfs_open("gfs://java/held", OJFS_READ_EXISTING);
  EXPECT_GE(h, 0);
  ojfs_close(h);
}

}  // namespace
