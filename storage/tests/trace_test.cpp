#include "storage/trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ce/reg/regapi.h"
#include "ce/testing/devroot.h"
#include "port/support/tracefile.h"

namespace {

std::vector<std::string> gLines;

void capture(const char* text) { gLines.emplace_back(text); }

class Trace : public testing::Test {
 protected:
  void SetUp() override {
    gLines.clear();
    trace_setLineWriter(capture);
    trace_setDebugTag(false);
  }
  void TearDown() override {
    trace_setLineWriter(nullptr);
    trace_setDebugTag(false);
  }
};

TEST_F(Trace, ReportsTheFileByItsBaseName) {
  struct Case {
    const char* file;
    const char* shown;
  };
  const Case cases[] = {
      {"a\\b\\ojms_ext.c", "ojms_ext.c"},
      {"/work/src/port/jk_gfx_image.cpp", "jk_gfx_image.cpp"},
      {"plain.c", "plain.c"},
      {"mixed/dir\\last.c", "last.c"},
      {"ends\\", ""},
  };
  for (const Case& c : cases) {
    gLines.clear();
    trace_setLocation(c.file, "fn", 42);
    trace_format("no such %s", "info");
    trace_emit();
    ASSERT_EQ(gLines.size(), 1u) << c.file;
    EXPECT_EQ(gLines[0], std::string(c.shown) + "(42)(fn): no such info\n") << c.file;
  }
}

TEST_F(Trace, DebugTagWrapsTheLine) {
  trace_setDebugTag(true);
  trace_setLocation("x\\y.c", "_splitMIDletString", 7);
  trace_formatAndEmit("illegal parameter");
  ASSERT_EQ(gLines.size(), 1u);
  EXPECT_EQ(gLines[0], "<DEBUG>y.c(7)(_splitMIDletString): illegal parameter</DEBUG>\n");
}

TEST_F(Trace, UnsetTextsPrintEmptyAndThePendingEntryPersists) {
  trace_setLocation(nullptr, nullptr, 3);
  trace_format("m%d", 1);
  trace_emit();
  trace_emit();
  ASSERT_EQ(gLines.size(), 2u);
  EXPECT_EQ(gLines[0], "(3)(): m1\n");
  EXPECT_EQ(gLines[1], gLines[0]);
}

TEST_F(Trace, ReportMacroNamesThisFileAndFunction) {
  const int line = __LINE__ + 1;
  TRACE_REPORT(kTraceLevelError, "value %d", 5);
  ASSERT_EQ(gLines.size(), 1u);
  EXPECT_EQ(gLines[0], "trace_test.cpp(" + std::to_string(line) + ")(TestBody): value 5\n");
}

TEST_F(Trace, LinesWithoutLocation) {
  trace_printf("%s=%d", "k", 9);
  trace_write("plain");
  trace_dumpText("body", 4);
  ASSERT_EQ(gLines.size(), 3u);
  EXPECT_EQ(gLines[0], "k=9\n");
  EXPECT_EQ(gLines[1], "plain\n");
  EXPECT_EQ(gLines[2],
            "\n*** DUMP TEXT , size = 4 *** \n--------------------------------------------\nbody\n"
            "--------------------------------------------\n");
}

TEST_F(Trace, EveryLevelPasses) {
  for (int32_t level : {-1, 0, 3, 100})
    EXPECT_TRUE(trace_isLevelOn(level, "f", "g")) << level;
}

TEST_F(Trace, NothingIsWrittenWhileTheLogIsClosed) {
  trace_setLineWriter(nullptr);
  TRACE_REPORT(kTraceLevelError, "lost");
  trace_printf("lost");
  trace_write("lost");
  trace_dumpText("lost", 4);
  EXPECT_TRUE(gLines.empty());
}

TEST_F(Trace, LongMessagesAreCut) {
  const std::string longText(5000, 'x');
  trace_setLocation("f.c", "g", 1);
  trace_formatAndEmit("%s", longText.c_str());
  trace_printf("%s", longText.c_str());
  ASSERT_EQ(gLines.size(), 2u);
  EXPECT_LT(gLines[0].size(), longText.size());
  EXPECT_EQ(gLines[0].back(), '\n');
  EXPECT_EQ(gLines[1].back(), '\n');
}

TEST(TraceLog, LinesGoToTheUtf16TraceFileWithoutAWriter) {
  CeDeviceRoot root;
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Vostel", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  const DWORD on = 1;
  ASSERT_EQ(RegSetValueExW(key, u"TraceLog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), 4), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(TraceLogOpen(u"s.txt"), 1);
  trace_setLocation("a\\b.c", "f", 9);
  trace_formatAndEmit("caf\xc3\xa9");
  trace_dumpText("t", 1);
  TraceClose();
  std::ifstream in(root.host("Program Files/Vostel/s.txt"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  const std::u16string want =
      u"b.c(9)(f): caf\u00e9\n\n*** DUMP TEXT , size = 1 *** \n--------------------------------------------\nt\n"
      u"--------------------------------------------\n";
  EXPECT_TRUE(text == want) << bytes.size();
}

}  // namespace
