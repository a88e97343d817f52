#include "vm/services/memory/trace_log.h"

#include <gtest/gtest.h>

#include "tools/testport/test_port.h"

namespace {

struct LevelCase {
  int32_t level;
  int32_t error, warning, trace, print;
};

TEST(TraceLog, EachFunctionPrintsFromItsLevel) {
  const LevelCase cases[] = {
      {3, 2, 2, 2, 2}, {2, 2, 2, -1, 2}, {1, 2, -1, -1, 2}, {0, -1, -1, -1, 2}, {-4, -1, -1, -1, 2},
  };
  for (const LevelCase& c : cases) {
    EXPECT_EQ(vsTraceLog_setLogLevel(c.level), c.level);
    vsTestPort_startCapture();
    EXPECT_EQ(vsTraceLog_error("%s", "e\n"), c.error) << c.level;
    EXPECT_EQ(vsTraceLog_warning("%s", "w\n"), c.warning) << c.level;
    EXPECT_EQ(vsTraceLog_trace("%s", "t\n"), c.trace) << c.level;
    EXPECT_EQ(vsTraceLog_print("%s", "p\n"), c.print) << c.level;
    EXPECT_EQ(vsTraceLog_printTagged("tag", "%d\n", 7), c.print) << c.level;
    std::string expected;
    if (c.error > 0)
      expected += "e\n";
    if (c.warning > 0)
      expected += "w\n";
    if (c.trace > 0)
      expected += "t\n";
    expected += "p\n7\n";
    EXPECT_EQ(vsTestPort_stopCapture().trace, expected) << c.level;
  }
  vsTraceLog_setLogLevel(kVsTraceLog_trace);
}

TEST(TraceLog, IllegalLevelWarnsAndSetsThree) {
  vsTraceLog_setLogLevel(kVsTraceLog_trace);
  vsTestPort_startCapture();
  EXPECT_EQ(vsTraceLog_setLogLevel(7), 3);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "vsTraceLog: setLogLevel: Illegal argument\n");
  vsTraceLog_setLogLevel(kVsTraceLog_none);
  EXPECT_EQ(vsTraceLog_setLogLevel(4), 3);
}

int32_t unchecked(int32_t (*f)(const char*, ...), const char* format) { return f(format); }

TEST(TraceLog, NullFormatPrintsNothing) {
  vsTestPort_startCapture();
  EXPECT_EQ(unchecked(vsTraceLog_print, nullptr), -1);
  EXPECT_EQ(unchecked(vsTraceLog_error, nullptr), -1);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "");
}

TEST(TraceLog, PutStringWritesEveryByte) {
  vsTestPort_startCapture();
  EXPECT_EQ(vsTraceLog_putString("a\xE9z"), 0);
  EXPECT_EQ(vsTraceLog_putChar('!'), 0);
  EXPECT_EQ(vsTestPort_stopCapture().trace, "a\xE9z!");
}

}  // namespace
