// The device server with real processes: cepeer programs exchanging posts,
// sends and WM_COPYDATA with the test; clients killed during calls; hostile
// and slow clients; the server's start, end and stop; CreateProcessW.
// Nothing sleeps: every step waits for a line, an exit or a reply.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "ce/core/event.h"
#include "ce/core/mutex.h"
#include "ce/core/thread.h"
#include "ce/device/init.h"
#include "ce/ipc/connection.h"
#include "ce/proc/process.h"
#include "ce/testing/childrunner.h"
#include "ce/testing/devroot.h"
#include "ce/testing/serverfixture.h"
#include "ce/user/queue.h"
#include "ce/user/window.h"

namespace {

constexpr DWORD kLong = 30000;

// A cepeer with a window; `hwnd` once it printed "ready".
struct Peer {
  CeChild child;
  HWND hwnd = nullptr;
  std::vector<std::string> before;  // lines before "ready"

  explicit Peer(const std::vector<std::string>& words) {
    std::vector<std::string> argv{vsCeTest_bin("cepeer"), "window"};
    argv.insert(argv.end(), words.begin(), words.end());
    EXPECT_TRUE(vsCeTest_spawn(argv, &child));
    std::string line;
    while (vsCeTest_readLine(&child, &line)) {
      if (line.rfind("ready ", 0) == 0) {
        hwnd = reinterpret_cast<HWND>(std::strtoul(line.c_str() + 6, nullptr, 16));
        return;
      }
      before.push_back(line);
    }
    ADD_FAILURE() << "cepeer ended before it was ready";
  }
  std::string line() {
    std::string text;
    EXPECT_TRUE(vsCeTest_readLine(&child, &text));
    return text;
  }
  int finish() { return vsCeTest_finish(&child).status; }
};

// The test's own window: WM_USER+2 answers wParam * 10; WM_USER+7 runs gOnUser7.
int (*gOnUser7)() = nullptr;

LRESULT testProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 2)
    return static_cast<LRESULT>(wParam * 10);
  if (message == WM_USER + 7)
    return gOnUser7 != nullptr ? gOnUser7() : 0;
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND testWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = testProc;
    wc.lpszClassName = u"TestSide";
    registered = RegisterClassW(&wc) != 0;
  }
  return CreateWindowW(u"TestSide", u"test", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

int command(const std::vector<std::string>& args, std::string* output = nullptr) {
  std::vector<std::string> argv{vsCeTest_bin("cedevice")};
  argv.insert(argv.end(), args.begin(), args.end());
  const CeChildResult r = vsCeTest_run(argv);
  if (output != nullptr)
    *output = r.output;
  return r.status;
}

size_t countLines(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

std::string hex(HWND hwnd) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(hwnd)));
  return text;
}

struct Device {
  CeDeviceRoot root;
  CeServer server;
  Device() { vsCeProc_start(); }
};

TEST(CeDevice, TwoProcessesPostSendAndCopyData) {
  Device device;
  Peer peer({"PeerClass", "PeerTitle", "hidden"});
  ASSERT_NE(peer.hwnd, nullptr);
  const HWND own = testWindow();
  ASSERT_NE(own, nullptr);

  EXPECT_EQ(FindWindowW(u"peerCLASS", nullptr), peer.hwnd) << "a hidden window, class in any case";
  EXPECT_EQ(FindWindowW(u"PEERCLASS", u"peertitle"), peer.hwnd);
  EXPECT_EQ(FindWindowW(u"PeerClass", u"Other"), nullptr);
  EXPECT_EQ(FindWindowW(nullptr, u"test"), own);
  WCHAR text[32];
  EXPECT_EQ(GetClassNameW(peer.hwnd, text, 32), 9);
  EXPECT_EQ(std::u16string(text), u"PeerClass");
  EXPECT_EQ(GetWindowTextW(peer.hwnd, text, 5), 4) << "cut to the buffer";
  EXPECT_EQ(std::u16string(text), u"Peer");
  DWORD pid = 0;
  EXPECT_NE(GetWindowThreadProcessId(peer.hwnd, &pid), 0u);
  EXPECT_EQ(pid, static_cast<DWORD>(peer.child.pid));

  for (WPARAM i = 0; i < 10000; ++i)
    ASSERT_TRUE(PostMessageW(peer.hwnd, WM_USER + 1, i, 0)) << i;
  ASSERT_TRUE(PostMessageW(peer.hwnd, WM_USER + 3, 0, 0));
  EXPECT_EQ(peer.line(), "posts 10000 bad 0");

  EXPECT_EQ(SendMessageW(peer.hwnd, WM_USER + 2, 7, 5), 26);
  const HWND odd = reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(peer.hwnd) | 1);
  EXPECT_EQ(SendMessageW(odd, WM_USER + 2, 1, 0), 3) << "hwnd | 1 names the same window";
  EXPECT_EQ(SendMessageW(peer.hwnd, WM_USER + 4, reinterpret_cast<WPARAM>(own), 11), 111)
      << "the peer sends back to this thread while it waits";

  const char16_t hello[] = u"Hello";
  COPYDATASTRUCT data{1, 10, const_cast<char16_t*>(hello)};
  EXPECT_EQ(SendMessageW(peer.hwnd, WM_COPYDATA, reinterpret_cast<WPARAM>(own), reinterpret_cast<LPARAM>(&data)), 10);
  EXPECT_EQ(peer.line(), "copydata 1 10 0048 0065 006C 006C 006F");

  struct Refused {
    const char* name;
    bool post;
    UINT message;
    LPARAM lParam;
    DWORD error;
  };
  COPYDATASTRUCT tooLong{1, kMaxCopyDataBytes + 1, const_cast<char16_t*>(hello)};
  const Refused refused[] = {
      {"posted WM_COPYDATA", true, WM_COPYDATA, reinterpret_cast<LPARAM>(&data), ERROR_MESSAGE_SYNC_ONLY},
      {"WM_SETTEXT sent", false, WM_SETTEXT, reinterpret_cast<LPARAM>(u"x"), ERROR_INVALID_PARAMETER},
      {"WM_SETTEXT posted", true, WM_SETTEXT, reinterpret_cast<LPARAM>(u"x"), ERROR_INVALID_PARAMETER},
      {"WM_COPYDATA over 60,000 bytes", false, WM_COPYDATA, reinterpret_cast<LPARAM>(&tooLong),
       ERROR_INVALID_PARAMETER},
  };
  for (const Refused& r : refused) {
    SetLastError(0);
    const LRESULT result = r.post ? PostMessageW(peer.hwnd, r.message, 0, r.lParam)
                                  : SendMessageW(peer.hwnd, r.message, 0, r.lParam);
    EXPECT_EQ(result, 0) << r.name;
    EXPECT_EQ(GetLastError(), r.error) << r.name;
  }
  EXPECT_FALSE(SetWindowTextW(peer.hwnd, u"x"));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  ASSERT_TRUE(PostMessageW(peer.hwnd, WM_CLOSE, 0, 0));
  EXPECT_EQ(peer.finish(), 0);
  EXPECT_EQ(command({"wait", getenv("CE_ROOT"), "--class", "PeerClass", "--gone"}), 0);
  SetLastError(0);
  EXPECT_FALSE(PostMessageW(peer.hwnd, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  DestroyWindow(own);
}

struct BlockedSend {
  HWND target;
  LRESULT result = -1;
  DWORD error = 0;
};

DWORD sendAndRecord(LPVOID arg) {
  auto* s = static_cast<BlockedSend*>(arg);
  s->result = SendMessageW(s->target, WM_USER + 5, 0, 0);
  s->error = GetLastError();
  return 0;
}

TEST(CeDevice, KilledClientLosesWindowsSendsAndNames) {
  Device device;
  Peer peer({"Victim", "V", "mutex", "PeerMutex"});
  ASSERT_NE(peer.hwnd, nullptr);
  ASSERT_EQ(peer.before, std::vector<std::string>{"mutex 0"});
  HANDLE held = CreateMutexW(nullptr, FALSE, u"PeerMutex");
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS) << "the peer holds the name";
  CloseHandle(held);

  BlockedSend blocked{peer.hwnd};
  HANDLE sender = CreateThread(nullptr, 0, sendAndRecord, &blocked, 0, nullptr);
  EXPECT_EQ(peer.line(), "hanging");
  kill(peer.child.pid, SIGKILL);
  EXPECT_EQ(peer.finish(), 128 + SIGKILL);
  std::string hwndText;
  EXPECT_EQ(command({"wait", getenv("CE_ROOT"), "--class", "Victim", "--gone", "--timeout", "2000"}, &hwndText), 0);
  ASSERT_EQ(WaitForSingleObject(sender, kLong), WAIT_OBJECT_0);
  CloseHandle(sender);
  EXPECT_EQ(blocked.result, 0);
  EXPECT_EQ(blocked.error, ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(IsWindow(peer.hwnd));
  EXPECT_EQ(FindWindowW(u"Victim", nullptr), nullptr);

  HANDLE mine = CreateMutexW(nullptr, FALSE, u"PeerMutex");
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "the killed peer's name is free again";
  Peer second({"Second", "S", "mutex", "PeerMutex"});
  EXPECT_EQ(second.before, std::vector<std::string>{"mutex 183"});
  CloseHandle(mine);
  PostMessageW(second.hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(second.finish(), 0);
}

pid_t gKillOnSend = 0;

int killSenderAndAnswer() {
  kill(gKillOnSend, SIGKILL);
  siginfo_t info{};
  waitid(P_PID, static_cast<id_t>(gKillOnSend), &info, WEXITED | WNOWAIT);  // dead, reaped later
  PostQuitMessage(0);
  return 5;
}

TEST(CeDevice, ReplyOwedToAKilledSenderIsDropped) {
  Device device;
  Peer peer({"Sender", "S"});
  const HWND own = testWindow();
  gKillOnSend = peer.child.pid;
  gOnUser7 = killSenderAndAnswer;
  ASSERT_TRUE(PostMessageW(peer.hwnd, WM_USER + 6, reinterpret_cast<WPARAM>(own), 0));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    DispatchMessageW(&msg);
  gOnUser7 = nullptr;
  EXPECT_EQ(peer.finish(), 128 + SIGKILL);
  // The replier goes on: its window and the server answer.
  EXPECT_EQ(SendMessageW(own, WM_USER + 2, 4, 0), 40);
  EXPECT_EQ(FindWindowW(u"TestSide", nullptr), own);
  std::string listing;
  EXPECT_EQ(command({"windows", getenv("CE_ROOT")}, &listing), 0);
  EXPECT_NE(listing.find(hex(own) + " " + std::to_string(getpid())), std::string::npos) << listing;
  EXPECT_EQ(listing.find("Sender"), std::string::npos) << listing;
  DestroyWindow(own);
}

// A frame's bytes, for the hostile-client table.
std::vector<uint8_t> bytesOf(const Frame& f) { return vsCeIpc_encode(f); }

void putWord(std::vector<uint8_t>* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(CeDevice, HostileFramesCloseOnlyTheirClient) {
  Device device;
  Peer peer({"Steady", "S"});
  const uint32_t peerHwnd = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(peer.hwnd));
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;
  };
  std::vector<Case> cases;
  const std::vector<uint8_t> valid = bytesOf(Frame{FrameKind::FindWindow, 1, {}}.u32(0).str(u"").str(u""));
  cases.push_back({"short header", std::vector<uint8_t>(valid.begin(), valid.begin() + 12), "short header"});
  std::vector<uint8_t> b = valid;
  b[0] ^= 1;
  cases.push_back({"bad magic", b, "bad magic"});
  b = valid;
  putWord(&b, 4, 2);
  cases.push_back({"bad version", b, "bad version"});
  b = valid;
  putWord(&b, 16, static_cast<uint32_t>(valid.size() + 4));
  cases.push_back({"length beyond the datagram", b, "length disagrees with the datagram"});
  b = valid;
  putWord(&b, 8, 999);
  cases.push_back({"unknown kind", b, "unknown kind"});
  b = bytesOf(Frame{FrameKind::SetWindowText, 1, {}}.u32(peerHwnd).str(u"ab"));
  putWord(&b, 24, 1000);
  cases.push_back({"string past the frame", b, "string past the frame"});
  cases.push_back({"destroy of a foreign window", bytesOf(Frame{FrameKind::DestroyWindow, 1, {}}.u32(peerHwnd)),
                   "window of another process"});
  cases.push_back({"reply to an unknown send", bytesOf(Frame{FrameKind::SendReply, 1, {}}.u32(77).i64(0)),
                   "reply to a send it was not given"});
  cases.push_back({"cbData disagreeing with the bytes",
                   bytesOf(Frame{FrameKind::SendMessage, 1, {}}.u32(peerHwnd).u32(WM_COPYDATA).i64(0).i64(1).u32(9).bin(
                       {1, 2, 3})),
                   "cbData disagrees with the bytes"});
  b = valid;
  b.resize(70 << 10);
  putWord(&b, 16, static_cast<uint32_t>(b.size()));
  cases.push_back({"70 KiB frame", b, "frame too long"});
  cases.push_back({"a kind only the server sends", bytesOf(Frame{FrameKind::ProcessExited, 1, {}}.u32(1).u32(0)),
                   "a kind the server does not take"});

  const std::string root = getenv("CE_ROOT");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int fd = vsCeIpc_connectRoot(root);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(send(fd, c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(c.bytes.size()));
    char byte;
    EXPECT_EQ(recv(fd, &byte, 1, 0), 0) << "the server closes the connection";
    close(fd);
    const std::string expected = "refused frame from pid " + std::to_string(getpid()) + ": " + c.reason;
    EXPECT_EQ(countLines(vsCeTest_deviceLog("device.log"), expected), 1u) << expected;
    // The others are unharmed.
    EXPECT_EQ(SendMessageW(peer.hwnd, WM_USER + 2, 2, 1), 7);
  }
  std::string listing;
  EXPECT_EQ(command({"windows", root}, &listing), 0);
  EXPECT_NE(listing.find("Steady"), std::string::npos) << listing;
  PostMessageW(peer.hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(peer.finish(), 0);
}

TEST(CeDevice, PostsToAClientThatNeverReadsFailWithQuota) {
  Device device;
  Peer peer({"Busy", "B"});
  const int slow = vsCeIpc_connectRoot(getenv("CE_ROOT"));
  ASSERT_GE(slow, 0);
  Frame registration{FrameKind::RegisterWindow, 1, {}};
  registration.u32(1).u32(0).u32(0).u32(0).u32(0).str(u"Slow").str(u"");
  ASSERT_TRUE(vsCeIpc_write(slow, registration));
  Frame reply;
  const char* reason = nullptr;
  ASSERT_TRUE(vsCeIpc_read(slow, &reply, &reason));
  const HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(reply.i64At(1)));
  // 4 MiB of Deliver frames and the socket's own buffer: far below 200,000.
  int posted = 0;
  while (posted < 200000 && PostMessageW(window, WM_USER, static_cast<WPARAM>(posted), 0))
    ++posted;
  EXPECT_LT(posted, 200000);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
  EXPECT_EQ(SendMessageW(peer.hwnd, WM_USER + 2, 1, 1), 4) << "others stay served";
  close(slow);
  EXPECT_EQ(command({"wait", getenv("CE_ROOT"), "--class", "Slow", "--gone"}), 0);
  PostMessageW(peer.hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(peer.finish(), 0);
}

pid_t serverPidFromLog(size_t nth) {
  size_t seen = 0;
  for (const std::string& line : vsCeTest_deviceLog("device.log"))
    if (line.rfind("start pid ", 0) == 0 && seen++ == nth)
      return static_cast<pid_t>(std::stol(line.substr(10)));
  return 0;
}

// Waits for a process that is not the test's child to end.
void waitForEnd(pid_t pid) {
  const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0)
    return;  // already gone
  pollfd p{fd, POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, static_cast<int>(kLong)), 1) << "pid " << pid << " still runs";
  close(fd);
}

TEST(CeDevice, ServerStartsOnceEndsAfterItsLastClientAndRestartsAfterAKill) {
  CeDeviceRoot root;
  setenv("CE_DEVICE_BIN", vsCeTest_bin("cedevice").c_str(), 1);
  std::vector<CeChild> starting(8);
  for (int i = 0; i < 8; ++i)
    ASSERT_TRUE(vsCeTest_spawn({vsCeTest_bin("cepeer"), "window", "Many" + std::to_string(i), "M"}, &starting[i]));
  for (CeChild& child : starting) {
    std::string line;
    ASSERT_TRUE(vsCeTest_readLine(&child, &line));
    EXPECT_EQ(line.rfind("ready ", 0), 0u) << line;
  }
  EXPECT_EQ(countLines(vsCeTest_deviceLog("device.log"), "start pid"), 1u);
  const pid_t first = serverPidFromLog(0);
  ASSERT_NE(first, 0);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(command({"post", root.path(), "--class", "Many" + std::to_string(i), "16", "0", "0"}), 0);
  for (CeChild& child : starting)
    EXPECT_EQ(vsCeTest_finish(&child).status, 0);
  waitForEnd(first);

  Peer peer({"Orphan", "O"});
  const pid_t second = serverPidFromLog(1);
  ASSERT_NE(second, 0);
  kill(second, SIGKILL);
  EXPECT_EQ(peer.finish(), kLostServerStatus) << "the phone is off";
  Peer next({"Next", "N"});
  ASSERT_NE(next.hwnd, nullptr) << "a new server over the stale socket";
  EXPECT_EQ(countLines(vsCeTest_deviceLog("device.log"), "start pid"), 3u);
  PostMessageW(next.hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(next.finish(), 0);
  vsCeIpc_disconnect();
  waitForEnd(serverPidFromLog(2));
}

TEST(CeDevice, StopEndsTheServersChildrenOnly) {
  CeDeviceRoot root;
  setenv("CE_DEVICE_BIN", vsCeTest_bin("cedevice").c_str(), 1);
  ASSERT_EQ(vsCeDevice_link(root.path(), vsCeTest_bin("cedevice"), {{"\\Windows\\peer.exe", vsCeTest_bin("cepeer")}}),
            0);
  CeChild mine;
  ASSERT_TRUE(vsCeTest_spawn({"/bin/cat"}, &mine));
  std::string output;
  ASSERT_EQ(command({"run", root.path(), "peer.exe", "window Spawned S"}, &output), 0);
  ASSERT_EQ(output.rfind("pid ", 0), 0u) << output;
  const pid_t child = static_cast<pid_t>(std::stol(output.substr(4)));
  EXPECT_EQ(command({"wait", root.path(), "--class", "Spawned"}), 0);
  EXPECT_EQ(command({"stop", root.path()}), 0);
  EXPECT_NE(kill(child, 0), 0) << "the server's child was ended and reaped";
  EXPECT_EQ(kill(mine.pid, 0), 0) << "the test's own process survives";
  EXPECT_EQ(vsCeTest_finish(&mine).status, 0);
  const std::vector<std::string> log = vsCeTest_deviceLog("device.log");
  EXPECT_EQ(countLines(log, "spawn pid " + std::to_string(child)), 1u);
  EXPECT_EQ(countLines(log, "exit pid " + std::to_string(child) + " status " + std::to_string(128 + SIGTERM)), 1u);
  EXPECT_EQ(countLines(log, "stop"), 1u);
}

// Many runs at once, each of a program that ends at once: a run may hear
// of its program's end before it disconnects, and still reports the pid.
TEST(CeDevice, RunsOfProgramsThatEndAtOnceReportTheirPids) {
  Device device;
  ASSERT_EQ(command({"init", getenv("CE_ROOT"), "--link", "\\Windows\\quick.exe=/bin/true"}), 0);
  constexpr int kRuns = 24;
  std::vector<CeChild> runs(kRuns);
  for (CeChild& run : runs)
    ASSERT_TRUE(vsCeTest_spawn({vsCeTest_bin("cedevice"), "run", getenv("CE_ROOT"), "quick.exe"}, &run));
  for (int i = 0; i < kRuns; ++i) {
    const CeChildResult r = vsCeTest_finish(&runs[i]);
    EXPECT_EQ(r.status, 0) << "run " << i << ": " << r.output;
    EXPECT_EQ(r.output.rfind("pid ", 0), 0u) << "run " << i << ": " << r.output;
  }
}

TEST(CeDevice, CreateProcessPassesTheCommandLineExactly) {
  Device device;
  const std::string link = "\\Windows\\peer.exe=" + vsCeTest_bin("cepeer");
  ASSERT_EQ(command({"init", getenv("CE_ROOT"), "--link", link}), 0);
  ASSERT_EQ(command({"init", getenv("CE_ROOT"), "--link", "\\Windows\\peer.exe=/bin/true"}), 0);
  char target[4096] = {};
  ASSERT_GT(readlink(device.root.host("Windows/peer.exe").c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), vsCeTest_bin("cepeer")) << "a second run keeps the link";
  {
    std::ofstream notes(device.root.host("Windows/notes.exe"));
    notes << "not a program\n";
  }
  PROCESS_INFORMATION info{};
  WCHAR commandLine[] = u"-I <a b.jad>";
  ASSERT_TRUE(CreateProcessW(u"\\Windows\\peer.exe", commandLine, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                             nullptr, nullptr, nullptr, &info));
  EXPECT_NE(info.dwProcessId, 0u);
  EXPECT_EQ(info.hThread, nullptr);
  ASSERT_EQ(WaitForSingleObject(info.hProcess, kLong), WAIT_OBJECT_0);
  DWORD code = 1;
  EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 0u);
  CloseHandle(info.hProcess);
  const std::vector<std::string> debug = vsCeTest_deviceLog("debug.log");
  EXPECT_EQ(countLines(debug, "cmdline [-I <a b.jad>]"), 1u);
  EXPECT_EQ(countLines(debug, "module [\\Windows\\peer.exe]"), 1u);
  std::string log;
  EXPECT_EQ(command({"log", getenv("CE_ROOT")}, &log), 0);
  EXPECT_NE(log.find("spawn pid " + std::to_string(info.dwProcessId) + " \\Windows\\peer.exe"), std::string::npos);
  EXPECT_NE(log.find("exit pid " + std::to_string(info.dwProcessId) + " status 0"), std::string::npos);

  EXPECT_TRUE(CreateProcessW(u"peer.exe", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, nullptr))
      << "a bare name is looked for in \\Windows";
  struct Failure {
    const char16_t* module;
    DWORD error;
  };
  const Failure failures[] = {
      {u"\\Windows\\missing.exe", ERROR_FILE_NOT_FOUND},
      {u"\\Nowhere\\peer.exe", ERROR_PATH_NOT_FOUND},
      {u"\\Windows\\notes.exe", ERROR_BAD_EXE_FORMAT},
      {u"\\.ce\\device.log", ERROR_ACCESS_DENIED},
  };
  for (const Failure& f : failures) {
    SetLastError(0);
    EXPECT_FALSE(CreateProcessW(f.module, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
    EXPECT_EQ(GetLastError(), f.error) << static_cast<int>(f.error);
  }
}

TEST(CeDevice, ALongRootPathIsReachedThroughItsDirectory) {
  const char* base = getenv("TMPDIR");
  std::string longBase = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/ce-long-root-";
  longBase += std::string(120, 'x') + ".XXXXXX";
  ASSERT_NE(mkdtemp(longBase.data()), nullptr);
  setenv("TMPDIR", longBase.c_str(), 1);
  {
    Device device;
    ASSERT_GT(device.root.path().size() + sizeof "/.ce/device.sock", 108u);
    Peer peer({"Far", "F"});
    ASSERT_NE(peer.hwnd, nullptr);
    EXPECT_EQ(FindWindowW(u"far", nullptr), peer.hwnd);
    PostMessageW(peer.hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(peer.finish(), 0);
  }
  if (base != nullptr)
    setenv("TMPDIR", base, 1);
  else
    unsetenv("TMPDIR");
  EXPECT_EQ(rmdir(longBase.c_str()), 0);
}

TEST(CeDevice, EntryCommandLineModuleNameAndDebugOutput) {
  CeDeviceRoot root;
  CeChildResult r = vsCeTest_run({vsCeTest_bin("cepeer"), "-I", "a", "b"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output.substr(0, r.output.find("cepeer[")),
            "cmdline [-I a b]\nmodule [\\Windows\\cepeer.exe]\n")
      << "arguments joined by blanks; the module named after the program";
  const size_t at = r.output.find("cepeer[");
  ASSERT_NE(at, std::string::npos) << r.output;
  const std::string line = r.output.substr(at);
  const size_t close = line.find("]: ");
  ASSERT_NE(close, std::string::npos) << line;
  EXPECT_EQ(line.substr(7, close - 7).find_first_not_of("0123456789"), std::string::npos) << "the pid: " << line;
  EXPECT_EQ(line.substr(close), "]: \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n")
      << "one UTF-8 line, its own newline not doubled";
  unsetenv("CE_ROOT");
  r = vsCeTest_run({vsCeTest_bin("cepeer")});
  setenv("CE_ROOT", root.path().c_str(), 1);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.output, "CE_ROOT is not set\n");
}

TEST(CeDevice, PerClientQuotas) {
  Device device;
  std::vector<HANDLE> names;
  for (int i = 0; i < 256; ++i) {
    names.push_back(CreateMutexW(nullptr, FALSE, (u"Name" + std::u16string(1, static_cast<char16_t>(u'A' + i / 26)) +
                                                  std::u16string(1, static_cast<char16_t>(u'a' + i % 26)))
                                                     .c_str()));
    ASSERT_NE(names.back(), nullptr) << i;
  }
  SetLastError(0);
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"OneTooMany"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
  HANDLE again = CreateMutexW(nullptr, FALSE, u"NameAa");
  EXPECT_NE(again, nullptr) << "a name it holds is no new name";
  CloseHandle(again);
  for (HANDLE h : names)
    CloseHandle(h);

  std::vector<HWND> windows;
  for (int i = 0; i < 4096; ++i) {
    windows.push_back(testWindow());
    ASSERT_NE(windows.back(), nullptr) << i;
  }
  SetLastError(0);
  EXPECT_EQ(testWindow(), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_QUOTA);
  DestroyWindow(windows.back());
  EXPECT_NE(testWindow(), nullptr) << "room again";

  // Sends: a peer that never answers, a raw client sending to it.
  Peer peer({"Stuck", "S"});
  const int raw = vsCeIpc_connectRoot(getenv("CE_ROOT"));
  ASSERT_GE(raw, 0);
  const auto target = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(peer.hwnd));
  for (uint32_t request = 1; request <= 257; ++request) {
    Frame send{FrameKind::SendMessage, request, {}};
    ASSERT_TRUE(vsCeIpc_write(raw, send.u32(target).u32(WM_USER + 5).i64(0).i64(0).u32(0).bin({})));
  }
  EXPECT_EQ(peer.line(), "hanging");
  Frame reply;
  const char* reason = nullptr;
  ASSERT_TRUE(vsCeIpc_read(raw, &reply, &reason));
  EXPECT_EQ(reply.requestId, 257u) << "the 256 before it wait for their answers";
  EXPECT_EQ(reply.u32At(0), ERROR_NOT_ENOUGH_QUOTA);
  kill(peer.child.pid, SIGKILL);
  EXPECT_EQ(peer.finish(), 128 + SIGKILL);
  for (uint32_t request = 1; request <= 256; ++request) {
    ASSERT_TRUE(vsCeIpc_read(raw, &reply, &reason));
    EXPECT_EQ(reply.u32At(0), ERROR_INVALID_WINDOW_HANDLE) << "the owner went: request " << reply.requestId;
  }
  close(raw);
}

HWND gGoing = nullptr;

int destroyWhileAnswering() {
  DestroyWindow(gGoing);
  PostQuitMessage(0);
  return 5;
}

int answerNine() {
  PostQuitMessage(0);
  return 9;
}

TEST(CeDevice, ASendToAWindowThatGoesDuringTheCallFails) {
  Device device;
  Peer peer({"Asker", "A"});
  gGoing = testWindow();
  gOnUser7 = destroyWhileAnswering;
  ASSERT_TRUE(PostMessageW(peer.hwnd, WM_USER + 6, reinterpret_cast<WPARAM>(gGoing), 0));
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    DispatchMessageW(&msg);
  EXPECT_EQ(peer.line(), "answer 0 error 1400") << "the window went before its answer";
  const HWND other = testWindow();
  gOnUser7 = answerNine;
  ASSERT_TRUE(PostMessageW(peer.hwnd, WM_USER + 6, reinterpret_cast<WPARAM>(other), 0));
  while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    DispatchMessageW(&msg);
  gOnUser7 = nullptr;
  EXPECT_EQ(peer.line(), "answer 9 error 0") << "the answer of a window that stays";
  PostMessageW(peer.hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(peer.finish(), 0);
  DestroyWindow(other);
}

// Sends WM_USER+2 to a handle until it names a window, then posts the
// answer to the creating thread.
struct EarlySend {
  HWND target;
  DWORD creator;
  LRESULT result = -1;
  DWORD error = 0;
};

DWORD sendUntilTheWindowExists(LPVOID arg) {
  auto* s = static_cast<EarlySend*>(arg);
  for (;;) {
    SetLastError(0);
    s->result = SendMessageW(s->target, WM_USER + 2, 7, 0);
    s->error = GetLastError();
    if (s->result != 0 || s->error != ERROR_INVALID_WINDOW_HANDLE)
      break;
  }
  PostThreadMessageW(s->creator, WM_USER + 3, 0, 0);
  return 0;
}

// A send that reaches a window's creation: the server registers the window,
// then forwards the waiting send before the creator recorded the window; the
// send still reaches the window's procedure. (The server numbers windows 4
// apart and no other window is made meanwhile, so the next handle is known.)
TEST(CeDevice, ASendRacingAWindowsCreationReachesIt) {
  Device device;
  HWND last = testWindow();
  ASSERT_NE(last, nullptr);
  DestroyWindow(last);
  for (int round = 0; round < 20; ++round) {
    EarlySend send{reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(last) + 4), GetCurrentThreadId()};
    const HANDLE sender = CreateThread(nullptr, 0, sendUntilTheWindowExists, &send, 0, nullptr);
    ASSERT_NE(sender, nullptr);
    last = testWindow();
    ASSERT_EQ(last, send.target) << "round " << round;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_USER + 3)
      DispatchMessageW(&msg);
    EXPECT_EQ(WaitForSingleObject(sender, INFINITE), WAIT_OBJECT_0);
    CloseHandle(sender);
    EXPECT_EQ(send.result, 70) << "round " << round << ": error " << send.error;
    DestroyWindow(last);
  }
}

}  // namespace
