#include "vm/services/lifecycle/console.h"

#include <gtest/gtest.h>

#include "tools/testport/test_port.h"
#include "vm/services/lifecycle/system_glue.h"

namespace {

struct ConsoleCase {
  int32_t consoleOutput;
  int32_t printingStackTrace;
  const char* trace;
  const char* console;
};

TEST(Console, PrintStringGoesToTheTraceOrDuringStackTracesToTheConsole) {
  const ConsoleCase cases[] = {
      {0, 0, "text\xE9", ""},
      {1, 0, "text\xE9", ""},
      {1, 1, "", "text\xE9"},
      {0, 1, "", ""},
  };
  for (const ConsoleCase& c : cases) {
    vsSys_setConsoleOutput(c.consoleOutput);
    vsSys_setPrintingStackTrace(c.printingStackTrace);
    vsTestPort_startCapture();
    vsSys_printString("text\xE9");
    const TestPortCapture out = vsTestPort_stopCapture();
    EXPECT_EQ(out.trace, c.trace) << c.consoleOutput << c.printingStackTrace;
    EXPECT_EQ(out.console, c.console) << c.consoleOutput << c.printingStackTrace;
  }
  vsSys_setConsoleOutput(0);
  vsSys_setPrintingStackTrace(0);
}

TEST(Console, ConsoleWriteWritesExactlyNBytes) {
  vsSys_setConsoleOutput(1);
  vsTestPort_startCapture();
  vsSys_consoleWrite("ab\0cd", 5);
  EXPECT_EQ(vsTestPort_stopCapture().console, std::string("ab\0cd", 5));
  vsSys_setConsoleOutput(0);
}

TEST(SystemGlue, HooksAnswerNothing) {
  EXPECT_EQ(vsSys_getEnv("classpath"), nullptr);
  EXPECT_EQ(vsSys_getEnv("CLASSPATH"), nullptr);
  vsTestPort_startCapture();
  vsSys_printMessage("class not specified");
  vsSys_defineProperty("a", "b");
  const TestPortCapture out = vsTestPort_stopCapture();
  EXPECT_EQ(out.trace, "");
  EXPECT_EQ(out.console, "");
}

}  // namespace
