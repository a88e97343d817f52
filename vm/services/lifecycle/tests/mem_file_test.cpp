#include "vm/services/lifecycle/mem_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "vm/services/lifecycle/os_file.h"

namespace {

constexpr uint32_t kBig = 3000;
uint8_t gBytes[kBig];

// A reader over gBytes that counts its calls; it delivers at most `limit`
// bytes of the file in all (further calls answer 0), or fails with `fail`.
struct ReaderScript {
  int calls = 0;
  uint32_t limit = kBig;
  int32_t fail = 0;
};
ReaderScript gReader;

int32_t scriptedReader(uint8_t* buffer, uint32_t offset, int32_t size) {
  ++gReader.calls;
  if (gReader.fail != 0)
    return gReader.fail;
  int32_t n = 0;
  while (n < size && offset + static_cast<uint32_t>(n) < gReader.limit) {
    buffer[n] = gBytes[offset + static_cast<uint32_t>(n)];
    ++n;
  }
  return n;
}

class MemFile : public testing::Test {
 protected:
  void SetUp() override {
    for (uint32_t i = 0; i < kBig; ++i)
      gBytes[i] = static_cast<uint8_t>(i * 7 + 3);
    gReader = ReaderScript{};
  }
  void TearDown() override {
    for (int32_t id = 1; id <= kVsMemFile_slots; ++id)
      vsMemFile_unregister(nullptr, id);
  }
  static std::string name(int i) { return "/file" + std::to_string(i); }
};

TEST_F(MemFile, RegistrationErrors) {
  EXPECT_EQ(vsMemFile_register(nullptr, gBytes, nullptr, 1), -2);
  EXPECT_EQ(vsMemFile_register("", gBytes, nullptr, 1), -2);
  EXPECT_EQ(vsMemFile_register("/a", nullptr, nullptr, 1), -1);
  EXPECT_EQ(vsMemFile_register("/a", gBytes, nullptr, 1), 1);
  EXPECT_EQ(vsMemFile_register("/a", gBytes, nullptr, 1), -3);
  for (int i = 2; i <= kVsMemFile_slots; ++i)
    EXPECT_EQ(vsMemFile_register(name(i).c_str(), gBytes, nullptr, 1), i);
  EXPECT_EQ(vsMemFile_register("/eleventh", gBytes, nullptr, 1), -4);
  vsMemFile_unregister(nullptr, 4);
  EXPECT_EQ(vsMemFile_register("/eleventh", nullptr, scriptedReader, 1), 4);
}

TEST_F(MemFile, LongNamesAreKeptAsTheirFirst31Characters) {
  const std::string forty(40, 'n');
  ASSERT_EQ(vsMemFile_register(forty.c_str(), gBytes, nullptr, 5), 1);
  VsMemFileInfo info{};
  EXPECT_EQ(vsMemFile_stat(forty.substr(0, 31).c_str(), &info), 0);
  EXPECT_EQ(info.mode, 33024);
  EXPECT_EQ(info.size, 5u);
  EXPECT_EQ(vsMemFile_stat(forty.substr(0, 30).c_str(), &info), -1);
  EXPECT_EQ(vsMemFile_register((forty + "x").c_str(), gBytes, nullptr, 5), -3);
  const VsMemFile* slot = vsMemFile_slot(vsMemFile_open(forty.c_str(), "rb"));
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(std::strlen(slot->name), 31u);
}

TEST_F(MemFile, TwoOpensHaveTheirOwnPositions) {
  ASSERT_EQ(vsMemFile_register("/app.jar", gBytes, nullptr, 100), 1);
  const VmWord a = vsMemFile_open("/app.jar", "rb");
  const VmWord b = vsMemFile_open("/app.jar", "rb");
  ASSERT_NE(a, kVsMemFile_invalid);
  ASSERT_NE(b, kVsMemFile_invalid);
  EXPECT_NE(a, b);
  uint8_t buffer[10];
  EXPECT_EQ(vsMemFile_read(a, buffer, 10), 10);
  EXPECT_EQ(vsMemFile_tell(a), 10);
  EXPECT_EQ(vsMemFile_tell(b), 0);
  EXPECT_EQ(vsMemFile_getc(b), gBytes[0]);
  EXPECT_EQ(vsMemFile_getc(a), gBytes[10]);
  // Closing the copy frees its slot; the first slot stays registered.
  EXPECT_EQ(vsMemFile_close(b), 0);
  EXPECT_EQ(vsMemFile_slot(b)->name[0], '\0');
  EXPECT_EQ(vsMemFile_close(b), -1);
  EXPECT_EQ(vsMemFile_close(a), 0);
  EXPECT_EQ(vsOs_fileExists("/app.jar"), 1);
  EXPECT_EQ(vsMemFile_read(a, buffer, 1), -1);
  // Unregistering by name removes the copies too.
  const VmWord c = vsMemFile_open("/app.jar", "rb");
  const VmWord d = vsMemFile_open("/app.jar", "rb");
  vsMemFile_unregister("/app.jar", 0);
  EXPECT_EQ(vsMemFile_slot(c)->name[0], '\0');
  EXPECT_EQ(vsMemFile_slot(d)->name[0], '\0');
  EXPECT_EQ(vsMemFile_open("/app.jar", "rb"), kVsMemFile_invalid);
}

TEST_F(MemFile, NoFreeSlotForACopy) {
  for (int i = 1; i <= kVsMemFile_slots; ++i)
    ASSERT_EQ(vsMemFile_register(name(i).c_str(), gBytes, nullptr, 1), i);
  ASSERT_NE(vsMemFile_open("/file1", "rb"), kVsMemFile_invalid);
  EXPECT_EQ(vsMemFile_open("/file1", "rb"), kVsMemFile_invalid);
}

struct SeekCase {
  int32_t offset;
  int32_t whence;
  int32_t result;  // from position 40 of a 100-byte file
};

TEST_F(MemFile, SeekStaysInsideTheFile) {
  ASSERT_EQ(vsMemFile_register("/s", gBytes, nullptr, 100), 1);
  const VmWord h = vsMemFile_open("/s", "rb");
  const SeekCase cases[] = {
      {100, 0, 100}, {101, 0, -1}, {-1, 0, -1}, {0, 0, 0},   {10, 1, 50},  {60, 1, 100},
      {61, 1, -1},   {-41, 1, -1}, {0, 2, 100}, {-100, 2, 0}, {1, 2, -1},  {77, 9, 0},
  };
  for (const SeekCase& c : cases) {
    ASSERT_EQ(vsMemFile_seek(h, 40, 0), 40);
    EXPECT_EQ(vsMemFile_seek(h, c.offset, c.whence), c.result) << c.offset << " " << c.whence;
    EXPECT_EQ(vsMemFile_tell(h), c.result < 0 ? 40 : c.result);
  }
  uint8_t byte;
  vsMemFile_seek(h, 100, 0);
  EXPECT_EQ(vsMemFile_read(h, &byte, 1), -1);
  EXPECT_EQ(vsMemFile_getc(h), -1);
  EXPECT_EQ(vsMemFile_seek(kVsMemFile_invalid, 0, 0), -1);
}

TEST_F(MemFile, ReadsAreClippedToWhatIsLeft) {
  ASSERT_EQ(vsMemFile_register("/r", gBytes, nullptr, 100), 1);
  const VmWord h = vsMemFile_open("/r", "rb");
  uint8_t buffer[200];
  EXPECT_EQ(vsMemFile_read(h, buffer, -1), -1);
  EXPECT_EQ(vsMemFile_read(h, buffer, 0), 0);
  vsMemFile_seek(h, 90, 0);
  EXPECT_EQ(vsMemFile_read(h, buffer, 200), 10);
  EXPECT_EQ(std::memcmp(buffer, gBytes + 90, 10), 0);
  EXPECT_EQ(vsMemFile_read(h, buffer, 1), -1);
}

struct ThroughCase {
  uint32_t offset;
  int32_t n;
};

TEST_F(MemFile, ReaderBackedReadsMatchTheBytes) {
  ASSERT_EQ(vsMemFile_register("/through", nullptr, scriptedReader, kBig), 1);
  const VmWord h = vsMemFile_open("/through", "rb");
  const ThroughCase cases[] = {{0, 10},   {10, 10},  {5, 1500}, {1000, 511}, {1000, 512},
                               {2990, 10}, {2999, 5}, {0, 3000}, {1020, 100}, {2000, 1000}};
  for (const ThroughCase& c : cases) {
    uint8_t buffer[kBig];
    ASSERT_EQ(vsMemFile_seek(h, static_cast<int32_t>(c.offset), 0), static_cast<int32_t>(c.offset));
    const int32_t expected = std::min<int32_t>(c.n, static_cast<int32_t>(kBig - c.offset));
    EXPECT_EQ(vsMemFile_read(h, buffer, c.n), expected) << c.offset;
    EXPECT_EQ(std::memcmp(buffer, gBytes + c.offset, static_cast<size_t>(expected)), 0) << c.offset;
  }
}

TEST_F(MemFile, SmallReadsShareOneWindowLoad) {
  ASSERT_EQ(vsMemFile_register("/w", nullptr, scriptedReader, kBig), 1);
  const VmWord h = vsMemFile_open("/w", "rb");
  uint8_t buffer[16];
  for (int i = 0; i < 50; ++i)
    ASSERT_EQ(vsMemFile_read(h, buffer, 16), 16);
  EXPECT_EQ(gReader.calls, 1);
  // Near the end the window is the file's last 1024 bytes.
  gReader.calls = 0;
  vsMemFile_seek(h, 2500, 0);
  ASSERT_EQ(vsMemFile_read(h, buffer, 16), 16);
  vsMemFile_seek(h, 1976, 0);
  ASSERT_EQ(vsMemFile_read(h, buffer, 16), 16);
  EXPECT_EQ(gReader.calls, 1);
}

TEST_F(MemFile, AReaderThatKeepsAnsweringZeroIsGivenUp) {
  ASSERT_EQ(vsMemFile_register("/z", nullptr, scriptedReader, kBig), 1);
  const VmWord h = vsMemFile_open("/z", "rb");
  uint8_t buffer[kBig];
  for (int32_t n : {600, 10}) {
    gReader = ReaderScript{};
    gReader.limit = 0;
    vsMemFile_seek(h, 0, 0);
    EXPECT_EQ(vsMemFile_read(h, buffer, n), 0) << n;
    EXPECT_EQ(gReader.calls, static_cast<int>(kVsMemFile_maxEmptyReads)) << n;
  }
  // What came before the silence is delivered.
  gReader = ReaderScript{};
  gReader.limit = 100;
  vsMemFile_seek(h, 0, 0);
  EXPECT_EQ(vsMemFile_read(h, buffer, 600), 100);
  EXPECT_EQ(std::memcmp(buffer, gBytes, 100), 0);
  EXPECT_EQ(vsMemFile_tell(h), 100);
}

TEST_F(MemFile, AFailingReaderEndsTheRead) {
  ASSERT_EQ(vsMemFile_register("/f", nullptr, scriptedReader, kBig), 1);
  const VmWord h = vsMemFile_open("/f", "rb");
  gReader.fail = -5;
  uint8_t buffer[600];
  EXPECT_EQ(vsMemFile_read(h, buffer, 600), 0);
  EXPECT_EQ(vsMemFile_read(h, buffer, 6), 0);
  EXPECT_EQ(gReader.calls, 2);
}

TEST_F(MemFile, OsAdapters) {
  ASSERT_EQ(vsMemFile_register("/os", gBytes, nullptr, 100), 1);
  EXPECT_EQ(vsOs_fileOpen("/missing", "rb"), 0u);
  EXPECT_EQ(vsOs_fileExists("/missing"), 0);
  const VmWord h = vsOs_fileOpen("/os", "rb");
  ASSERT_NE(h, 0u);
  uint8_t buffer[100];
  EXPECT_EQ(vsOs_fileRead(h, buffer, 4, 5), 20);
  EXPECT_EQ(vsOs_fileSize(h), 100);
  EXPECT_EQ(vsMemFile_tell(h), 20);
  EXPECT_EQ(vsOs_fileSeek(h, 0, 2), 0);
  EXPECT_EQ(vsOs_fileIsAtEnd(h), 1);
  EXPECT_EQ(vsOs_fileRead(h, buffer, 1, 1), 0);
  EXPECT_EQ(vsOs_fileSeek(h, 1, 2), -1);
  EXPECT_EQ(vsOs_fileSeek(h, 0, 0), 0);
  EXPECT_EQ(vsOs_fileIsAtEnd(h), 0);
  EXPECT_EQ(vsOs_fileRead(h, buffer, 0x10000, 0x10000), 100);
  EXPECT_EQ(vsOs_fileHasError(h), 0);
  vsOs_fileClose(h);
  EXPECT_EQ(vsOs_fileSize(h), -1);
}

}  // namespace
