#include "storage/romfs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ce/testing/devroot.h"
#include "storage/ojfs.h"
#include "storage/trace.h"

namespace {

std::vector<std::string> gTrace;
void capture(const char* line) { gTrace.emplace_back(line); }

std::string readAll(const char* uri) {
  const OjfsHandle h = ojfs_open(uri, OJFS_READ_EXISTING);
  if (h < 0)
    return "<error " + std::to_string(ojfs_getLastError()) + ">";
  std::string text;
  char buffer[1000];
  int32_t n;
  while ((n = ojfs_read(h, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<size_t>(n));
  ojfs_close(h);
  return text;
}

std::vector<std::string> list(const char* uri) {
  std::vector<std::string> names;
  const int32_t dir = ojfs_opendir(uri);
  if (dir < 0)
    return {"<error " + std::to_string(ojfs_getLastError()) + ">"};
  while (const OjfsDirEntry* entry = ojfs_readdir(dir))
    names.emplace_back(entry->name);
  ojfs_closedir(dir);
  return names;
}

class Rom : public testing::Test {
 protected:
  void SetUp() override {
    gTrace.clear();
    trace_setLineWriter(capture);
  }
  void TearDown() override {
    ojfs_fini();
    trace_setLineWriter(nullptr);
  }
  // Places an image file, then initialises the file system.
  void withImage(const std::string& bytes) {
    std::ofstream(root_.host("Storage/Vostel/java/OJFS2_Rom.bin"), std::ios::binary) << bytes;
    ASSERT_EQ(ojfs_init(), 0);
  }
  CeDeviceRoot root_;
};

TEST_F(Rom, TreeServesTheSeed) {
  ASSERT_EQ(ojfs_init(), 0);
  EXPECT_FALSE(ojfs_rom_imageMode());
  const std::string seed = readAll("rom://midlet/_suites.idx");
  ASSERT_EQ(seed.size(), 4096u);
  EXPECT_EQ(seed.substr(0, 8), "ZEVK_HDR");
  EXPECT_EQ(seed[10], 1);
  EXPECT_EQ(readAll("rom://midlet"), "<error 1>");
  EXPECT_EQ(list("rom://midlet"),
            (std::vector<std::string>{"rom://midlet/_suites.idx", "rom://midlet/permission/"}));
  EXPECT_EQ(list("rom:"), std::vector<std::string>{"rom://midlet/"});
  EXPECT_EQ(list("rom://midlet/_suites.idx"), std::vector<std::string>{"<error 8>"});
  OjfsStat status{};
  ASSERT_EQ(ojfs_stat("rom://midlet", &status), 0);
  EXPECT_EQ(status.flags2, OJFS_FLAG_DIRECTORY);

  const OjfsHandle h = ojfs_open("rom://midlet/_suites.idx", OJFS_READ_EXISTING);
  ASSERT_GE(h, 0);
  EXPECT_EQ(ojfs_write(h, "x", 1), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NOT_SUPPORTED);
  struct Seek {
    int32_t offset, whence, at;
  };
  const Seek seeks[] = {{-10, 0, 0}, {5000, 0, 4096}, {-6, 2, 4090}, {100, 1, 4096}, {-96, 1, 4000}};
  for (const Seek& s : seeks) {
    EXPECT_EQ(ojfs_seek(h, s.offset, s.whence), 0);
    EXPECT_EQ(ojfs_tell(h), s.at) << s.offset << " " << s.whence;
  }
  EXPECT_EQ(ojfs_seek(h, 0, 3), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_INVALID_PARAMETER);
  ojfs_close(h);
  for (const char* op : {"delete", "mkdir", "rename"}) {
    const int32_t r = std::strcmp(op, "delete") == 0 ? ojfs_delete("rom://midlet/_suites.idx")
                      : std::strcmp(op, "mkdir") == 0 ? ojfs_mkdir("rom://x")
                                                       : ojfs_rename("rom://a", "rom://b");
    EXPECT_EQ(r, -1) << op;
    EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NOT_SUPPORTED) << op;
  }
}

TEST_F(Rom, EleventhTreeOpenRunsOutOfSlots) {
  ASSERT_EQ(ojfs_init(), 0);
  for (int i = 0; i < kRomTreeSlots; ++i)
    ASSERT_GE(ojfs_open("rom://midlet/_suites.idx", OJFS_READ_EXISTING), 0) << i;
  EXPECT_EQ(ojfs_open("rom://midlet/_suites.idx", OJFS_READ_EXISTING), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NO_SLOT);
}

TEST_F(Rom, RegisteredFiles) {
  ASSERT_EQ(ojfs_init(), 0);
  static const uint8_t first[] = {'o', 'n', 'e'};
  static const uint8_t second[] = {'t', 'w', 'o', '!'};
  ASSERT_EQ(ojfs_rom_registerFile("blob", first, 3), 0);
  ASSERT_EQ(ojfs_rom_registerFile("blob", second, 4), 0);  // replaces
  EXPECT_EQ(readAll("rom://blob"), "two!");
  for (int i = 1; i < kRomRegistrations; ++i)
    ASSERT_EQ(ojfs_rom_registerFile(("f" + std::to_string(i)).c_str(), first, 3), 0) << i;
  EXPECT_EQ(ojfs_rom_registerFile("one-more", first, 3), -1);
  EXPECT_EQ(rom_lastError(), OJFS_ERR_NO_REGISTRATION);
  EXPECT_EQ(readAll("rom://f31"), "one");
  EXPECT_EQ(ojfs_rom_unregisterFile("blob"), 0);
  EXPECT_EQ(ojfs_rom_unregisterFile("blob"), -1);
  EXPECT_EQ(rom_lastError(), OJFS_ERR_BAD_PATH);
  EXPECT_EQ(readAll("rom://blob"), "<error 1>");
  EXPECT_EQ(readAll("rom://midlet/f1"), "<error 1>");  // only as a single component
  uint32_t size = 0;
  EXPECT_NE(ojfs_rom_getFileDataPointer("rom://f2", &size), nullptr);
  EXPECT_EQ(size, 3u);
}

TEST_F(Rom, DataPointerAndItsTraceReport) {
  ASSERT_EQ(ojfs_init(), 0);
  uint32_t size = 0;
  const uint8_t* seed = ojfs_rom_getFileDataPointer("rom://midlet/_suites.idx", &size);
  ASSERT_NE(seed, nullptr);
  EXPECT_EQ(size, 4096u);
  EXPECT_EQ(std::memcmp(seed, "ZEVK_HDR", 8), 0);
  EXPECT_EQ(ojfs_rom_getFileDataPointer("rom://midlet", &size), nullptr);
  EXPECT_EQ(rom_lastError(), OJFS_ERR_BAD_PATH);
  EXPECT_EQ(ojfs_rom_getFileDataPointer("rom://none", &size), nullptr);
  EXPECT_TRUE(gTrace.empty());
  EXPECT_EQ(ojfs_rom_getFileDataPointer("gfs://java/a.txt", &size), nullptr);
  ASSERT_EQ(gTrace.size(), 1u);
  EXPECT_EQ(gTrace[0].substr(0, 10), "ojfs2_rom(");
  const std::string tail = ")(ojfs_rom_getFileDataPointer): not a vaild URI for ROM connector, uri=gfs://java/a.txt\n";
  ASSERT_GE(gTrace[0].size(), tail.size());
  EXPECT_EQ(gTrace[0].substr(gTrace[0].size() - tail.size()), tail);
}

TEST_F(Rom, ImageServesRomUrisWhileTheTreeAnswersPointers) {
  std::ifstream in(VS_TEST_ROM_IMAGE, std::ios::binary);
  withImage(std::string(std::istreambuf_iterator<char>(in), {}));
  ASSERT_TRUE(ojfs_rom_imageMode());
  const std::string served = readAll("rom://midlet/_suites.idx");
  ASSERT_EQ(served.size(), 4096u);
  EXPECT_EQ(served.substr(0, 8), "ZEVK_IMG");
  uint32_t size = 0;
  const uint8_t* seed = ojfs_rom_getFileDataPointer("rom://midlet/_suites.idx", &size);
  ASSERT_NE(seed, nullptr);
  EXPECT_EQ(std::memcmp(seed, "ZEVK_HDR", 8), 0);
  EXPECT_EQ(readAll("rom://midlet/sub/b.txt"), "bee\n");
  EXPECT_EQ(list("rom://midlet"), (std::vector<std::string>{"rom://midlet/_suites.idx", "rom://midlet/sub/"}));
  EXPECT_EQ(list("rom://midlet/sub"), std::vector<std::string>{"rom://midlet/sub/b.txt"});
  EXPECT_EQ(readAll("rom://midlet/sub"), "<error 1>");

  const int32_t dir = ojfs_opendir("rom://midlet/sub");
  ASSERT_GE(dir, 0);
  ASSERT_NE(ojfs_readdir(dir), nullptr);
  EXPECT_EQ(ojfs_readdir(dir), nullptr);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NO_MORE_ENTRIES);
  ojfs_closedir(dir);

  const OjfsHandle h = ojfs_open("rom://midlet/sub/b.txt", OJFS_READ_EXISTING);
  ASSERT_GE(h, 0);
  EXPECT_EQ(ojfs_seek(h, 5, 0), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_POSITION);
  EXPECT_EQ(ojfs_seek(h, -1, 0), -1);
  EXPECT_EQ(ojfs_seek(h, 4, 0), 0);
  char c;
  EXPECT_EQ(ojfs_read(h, &c, 1), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_POSITION);
  OjfsStat status{};
  ASSERT_EQ(ojfs_fstat(h, &status), 0);
  EXPECT_EQ(status.size, 4u);
  EXPECT_EQ(status.flags1, 8u);
  EXPECT_EQ(ojfs_write(h, "x", 1), -1);
  EXPECT_EQ(ojfs_getLastError(), OJFS_ERR_NOT_SUPPORTED);
  ojfs_close(h);
  ASSERT_EQ(ojfs_stat("rom://midlet", &status), 0);
  EXPECT_EQ(status.flags1, 24u);
  EXPECT_TRUE(gTrace.empty());
}

// The bytes of an image of entries {name, parent, first, next, type, size,
// offset}, each file's data given separately at its offset.
struct RawEntry {
  std::string name;
  uint16_t parent, first, next, type;
  uint32_t size, offset;
};

std::string image(const std::vector<RawEntry>& entries, uint16_t count, size_t tail) {
  std::string out;
  const auto u16 = [&out](uint16_t v) { out.push_back(static_cast<char>(v)), out.push_back(static_cast<char>(v >> 8)); };
  const auto u32 = [&](uint32_t v) { u16(static_cast<uint16_t>(v)), u16(static_cast<uint16_t>(v >> 16)); };
  u16(count);
  uint16_t id = 0;
  for (const RawEntry& e : entries) {
    u16(id++);
    u16(static_cast<uint16_t>(e.name.size()));
    out += e.name;
    out.push_back('\0');
    u16(e.parent), u16(e.first), u16(e.next), u16(e.type);
    u32(e.size), u32(e.offset);
  }
  out.append(tail, 'd');
  return out;
}

TEST_F(Rom, BadImagesAreNotUsed) {
  const uint16_t kNone = 0xFFFF;
  const std::vector<RawEntry> good = {{"", kNone, 1, kNone, 1, 0, 0}, {"f", 0, kNone, kNone, 0, 4, 50}};
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::vector<RawEntry> badIndex = good, rootFile = good, beyond = good, huge = good;
  badIndex[1].next = 2;
  rootFile[0].type = 0;
  beyond[1].offset = 70;  // 45 header bytes and 30 of data: 70 + 4 + 4 is beyond
  huge[1].offset = 0xFFFFFFF0u;
  const Case cases[] = {
      {"empty", ""},
      {"count beyond the file", image(good, 500, 30)},
      {"cut entry", image(good, 2, 0).substr(0, 30)},
      {"index out of range", image(badIndex, 2, 30)},
      {"entry 0 a file", image(rootFile, 2, 30)},
      {"data beyond the image", image(beyond, 2, 30)},
      {"offset that wraps in 32 bits", image(huge, 2, 30)},
  };
  for (const Case& c : cases) {
    gTrace.clear();
    withImage(c.bytes);
    EXPECT_FALSE(ojfs_rom_imageMode()) << c.name;
    EXPECT_EQ(gTrace.size(), 1u) << c.name;
    EXPECT_EQ(readAll("rom://midlet/_suites.idx").size(), 4096u) << c.name;
    ojfs_fini();
  }
  withImage(image(good, 2, 30));
  EXPECT_TRUE(ojfs_rom_imageMode());
  EXPECT_EQ(readAll("rom://f"), "dddd");
}

TEST_F(Rom, CyclesInAnImageEndTheWalks) {
  const uint16_t kNone = 0xFFFF;
  // Entry 1 is its own next sibling and entry 2 its own first child.
  withImage(image({{"", kNone, 1, kNone, 1, 0, 0}, {"a", 0, kNone, 1, 0, 0, 60}, {"d", 0, 2, kNone, 1, 0, 0}},
                  3, 70));
  ASSERT_TRUE(ojfs_rom_imageMode());
  EXPECT_EQ(readAll("rom://zzz"), "<error 1>");
  EXPECT_LE(list("rom:").size(), 3u);
}

}  // namespace
