#include "sentrel/filelog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "ce/core/event.h"
#include "ce/core/kernel_object.h"
#include "ce/core/wait.h"
#include "ce/fs/pathmap.h"
#include "ce/testing/devroot.h"

namespace {

std::atomic<int> gTicks{0};
std::atomic<int> gOpens{0};
HANDLE gTicked = nullptr;  // auto-reset, set after every tick
std::mutex gDebugLock;
std::vector<std::string> gDebug;

void afterTick(bool opened) {
  ++gTicks;
  if (opened) ++gOpens;
  SetEvent(gTicked);
}

void debugSink(const WCHAR* line) {
  std::lock_guard<std::mutex> guard(gDebugLock);
  gDebug.emplace_back(line, line + std::char_traits<char16_t>::length(line));
}

std::vector<std::string> debugLines() {
  std::lock_guard<std::mutex> guard(gDebugLock);
  std::vector<std::string> lines;
  for (const std::string& line : gDebug)
    if (line.rfind("Thread[", 0) != 0) lines.push_back(line);
  gDebug.clear();
  return lines;
}

// Waits tick by tick until `done` holds.
template <typename Done>
void waitTicks(Done done) {
  while (!done()) ASSERT_EQ(WaitForSingleObject(gTicked, INFINITE), WAIT_OBJECT_0);
}

// The log file's text, or "<absent>".
std::string logText() {
  std::string host;
  if (!vsCeFs_hostPath(u"\\temp\\sentrel.txt", &host)) return "<no path>";
  std::ifstream in(host, std::ios::binary);
  if (!in) return "<absent>";
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    if (bytes[i + 1] != 0) return "<not UTF-16LE ASCII>";
    text.push_back(bytes[i]);
  }
  return text;
}

class FileLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gTicks = 0;
    gOpens = 0;
    gTicked = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    OJThread_setSink(debugSink, false);
    debugLines();
  }
  void TearDown() override {
    FileLog::setTestSeam(0, nullptr);
    OJThread_setSink(nullptr, false);
    CloseHandle(gTicked);
  }
  CeDeviceRoot root_;
};

TEST_F(FileLogTest, LinesReachTheFileOnlyAtTicks) {
  std::ofstream(root_.host("Temp/sentrel.txt")) << "old";
  FileLog::setTestSeam(10, afterTick);
  FileLog::Start(u"\\temp\\sentrel.txt");
  EXPECT_EQ(logText(), "<absent>") << "Start did not delete the old file";
  waitTicks([] { return gTicks >= 20; });
  EXPECT_EQ(gOpens.load(), 0) << "a tick without lines opened the file";
  EXPECT_EQ(logText(), "<absent>");

  FileLog::Print(u"hello %d %s", 5, u"w\u00e9");
  waitTicks([] { return gOpens >= 1; });
  EXPECT_EQ(logText(), "hello 5 w\xe9\n");

  FileLog::Start(u"\\temp\\sentrel.txt");
  EXPECT_EQ(logText(), "hello 5 w\xe9\n") << "a second Start deleted the file";
  FileLog::Print(u"%s", std::u16string(2000, u'x').c_str());
  waitTicks([] { return gOpens >= 2; });
  EXPECT_EQ(logText(), "hello 5 w\xe9\n" + std::string(1022, 'x') + "\n") << "lines are cut at 1022 units";
  FileLog::EndFileLog();
}

TEST_F(FileLogTest, EndWritesWhatIsQueued) {
  FileLog::setTestSeam(3600000, afterTick);
  FileLog::Start(u"\\temp\\sentrel.txt");
  waitTicks([] { return gTicks >= 1; });
  FileLog::Print(u"last");
  FileLog::EndFileLog();
  EXPECT_EQ(gTicks.load(), 1);
  EXPECT_EQ(logText(), "last\n");
  const std::vector<std::string> lines = debugLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("pInstance->stopTimer() time=", 0), 0u) << lines[0];

  FileLog::Print(u"after");
  FileLog::EndFileLog();
  EXPECT_EQ(debugLines(), (std::vector<std::string>{"FileLog::Print() pInstance==NULL!",
                                                    "FileLog::EndFileLog() pInstance==NULL!"}));
  EXPECT_EQ(logText(), "last\n");
}

}  // namespace
