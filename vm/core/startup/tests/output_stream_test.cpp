#include "vm/core/startup/output_stream.h"

#include <gtest/gtest.h>

#include <string>

#include "tools/testport/test_port.h"
#include "vm/services/lifecycle/console.h"

namespace {

TEST(OutputStream, PrintLineCutsAt255AndEndsTheLine) {
  const std::string longText(300, 'x');
  vsTestPort_startCapture();
  vsOutputStream_printLine(vsOutputStream_log(), "%s", longText.c_str());
  vsOutputStream_print(vsOutputStream_log(), "a%db", 5);
  vsOutputStream_printLine(vsOutputStream_log(), "%s", std::string(255, 'y').c_str());
  const TestPortCapture c = vsTestPort_stopCapture();
  EXPECT_EQ(c.trace, std::string(255, 'x') + "\na5b" + std::string(255, 'y') + "\n");
  EXPECT_EQ(c.console, "");
}

TEST(OutputStream, LogStreamIsOneObject) { EXPECT_EQ(vsOutputStream_log(), vsOutputStream_log()); }

TEST(OutputStream, StackTracesGoToTheConsoleWhenItIsOn) {
  vsSys_setPrintingStackTrace(1);
  vsSys_setConsoleOutput(1);
  vsTestPort_startCapture();
  vsOutputStream_printLine(vsOutputStream_log(), "at %s", "Main.main");
  vsSys_setConsoleOutput(0);
  vsOutputStream_printLine(vsOutputStream_log(), "lost");
  vsSys_setPrintingStackTrace(0);
  const TestPortCapture c = vsTestPort_stopCapture();
  EXPECT_EQ(c.console, "at Main.main\n");
  EXPECT_EQ(c.trace, "");
}

}  // namespace
