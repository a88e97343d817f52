#include "tools/testport/test_port.h"

#include <gtest/gtest.h>

#include "port/device.h"
#include "port/trace.h"

namespace {

TEST(TestPort, TraceAndConsoleGoToTheirOwnStreams) {
  vsTestPort_startCapture();
  JkConsolePutChar('t');
  JkDebugPutChar('c');
  TracePrintfA("%s=%d\n", "x", 5);
  const TestPortCapture c = vsTestPort_stopCapture();
  EXPECT_EQ(c.trace, "tx=5\n");
  EXPECT_EQ(c.console, "c");
}

TEST(TestPort, UnitsBelow256AreBytesOthersUtf8) {
  struct Case {
    int32_t unit;
    const char* bytes;
  } cases[] = {
      {0x41, "A"},
      {0xE9, "\xE9"},
      {0x100, "\xC4\x80"},
      {0x7FF, "\xDF\xBF"},
      {0x3042, "\xE3\x81\x82"},
      {0x1FFFF, "\xEF\xBF\xBF"},  // only the low 16 bits count
  };
  for (const Case& k : cases) {
    vsTestPort_startCapture();
    EXPECT_EQ(JkDebugPutChar(k.unit), 0);
    EXPECT_EQ(JkConsolePutChar(k.unit), 0);
    const TestPortCapture c = vsTestPort_stopCapture();
    EXPECT_EQ(c.console, k.bytes) << k.unit;
    EXPECT_EQ(c.trace, k.bytes) << k.unit;
  }
}

TEST(TestPort, LongTracePrintfIsCut) {
  const std::string longText(300, 'a');
  vsTestPort_startCapture();
  TracePrintfA("%s", longText.c_str());
  EXPECT_EQ(vsTestPort_stopCapture().trace, std::string(255, 'a'));
}

}  // namespace
