#include "port/support/tracefile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ce/reg/regapi.h"
#include "ce/testing/devroot.h"
#include "port/trace.h"

namespace {

void setTraceLog(DWORD value) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Vostel", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"TraceLog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), ERROR_SUCCESS);
  RegCloseKey(key);
}

// The trace file's text, read back from UTF-16LE.
std::u16string traceText(const CeDeviceRoot& root, const char* name) {
  std::ifstream in(root.host(std::string("Program Files/Vostel/") + name), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  EXPECT_EQ(bytes.size() % 2, 0u);
  return text;
}

// Compares two texts and names the first unit where they differ.
void expectSameText(const std::u16string& got, const std::u16string& want) {
  size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i])
    ++i;
  if (i == got.size() && i == want.size())
    return;
  const auto show = [i](const std::u16string& text) {
    std::string out;
    for (size_t k = i; k < text.size() && k < i + 24; ++k)
      out += text[k] < 0x80 ? std::string(1, static_cast<char>(text[k])) : "\\u" + std::to_string(text[k]);
    return out;
  };
  ADD_FAILURE() << "texts differ at unit " << i << " (lengths " << got.size() << ", " << want.size() << "): got \""
                << show(got) << "\", want \"" << show(want) << "\"";
}

class TraceFileTest : public testing::Test {
 protected:
  void TearDown() override { TraceClose(); }
  CeDeviceRoot root_;
};

TEST_F(TraceFileTest, ClosedWhileTraceLogIsMissingOrZero) {
  EXPECT_EQ(TraceLogOpen(u"t.txt"), 0);  // 0 after init
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Vostel", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteValueW(key, u"TraceLog"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(TraceLogOpen(u"t.txt"), 0);
  TracePrintfW(u"x");
  TraceLineA("y");
  EXPECT_EQ(TraceFlush(), 0);
  std::ifstream in(root_.host("Program Files/Vostel/t.txt"));
  EXPECT_FALSE(in.good());
}

TEST_F(TraceFileTest, WritesUtf16WithoutMarkAndCutsBoundedPrinters) {
  setTraceLog(1);
  ASSERT_EQ(TraceLogOpen(u"t.txt"), 1);
  EXPECT_EQ(TraceLogOpen(u"other.txt"), 1);
  TraceLineW(u"\u0416");
  TracePrintfW(u"%s-%d|", u"w", 1);
  TracePrintfW(u"%s", std::u16string(300, u'a').c_str());
  TracePutCharW(u'|');
  TraceWriteCountedA("abc\xd0\x96zz", 4);  // the count cuts a character; nothing after it is written
  TraceLineA("|\xd0\x96");
  TraceStringA("s");
  TracePrintfA("%s%d", "n", 7);
  TracePrintfA("%s", std::string(300, 'b').c_str());
  TracePrintfUnboundedW(u"|%S", std::string(400, 'c').c_str());
  ASSERT_EQ(TraceFlush(), 1);
  TraceLineW(u"after");
  TraceClose();
  const std::u16string want = u"\u0416\nw-1|" + std::u16string(256, u'a') + u"|abc\uFFFD|\u0416\nsn7" +
                              std::u16string(256, u'b') + u"|" + std::u16string(400, u'c') + u"after\n";
  expectSameText(traceText(root_, "t.txt"), want);
}

TEST_F(TraceFileTest, ThreadsWriteWholeLinesWhileAnotherFlushes) {
  setTraceLog(1);
  ASSERT_EQ(TraceLogOpen(u"t.txt"), 1);
  std::vector<std::thread> writers;
  std::atomic<int> done{0};
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([t, &done] {
      for (int i = 0; i < 10000; ++i)
        TracePrintfW(u"thread %d line %05d\n", t, i);
      ++done;
    });
  std::thread flusher([&done] {
    while (done.load() < 4)
      TraceFlush();
  });
  for (std::thread& w : writers)
    w.join();
  flusher.join();
  TraceClose();
  const std::u16string text = traceText(root_, "t.txt");
  size_t lines = 0, start = 0;
  std::vector<int> next(4, 0);
  while (start < text.size()) {
    const size_t end = text.find(u'\n', start);
    ASSERT_NE(end, std::u16string::npos);
    const std::u16string line = text.substr(start, end - start);
    ASSERT_EQ(line.size(), 19u) << "line " << lines;
    const int t = line[7] - u'0';
    ASSERT_TRUE(t >= 0 && t < 4) << "line " << lines;
    int number = 0;
    for (size_t k = 14; k < 19; ++k)
      number = number * 10 + (line[k] - u'0');
    EXPECT_EQ(number, next[static_cast<size_t>(t)]++) << "line " << lines;
    ++lines;
    start = end + 1;
  }
  EXPECT_EQ(lines, 40000u);
}

}  // namespace
