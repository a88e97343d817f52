// sentrelcli: one SentrelLib export per sub-command, for tests and by hand
// (a CE program: run it with CE_ROOT, or through `cedevice run`).
//
//   freeport | open PORT | close PORT | check PORT | recv PORT
//   send PORT NUMBER DPORT TEXT | sendfinished PORT
//   pushreg PORT MODULE [CMDLINE...] | pushunreg PORT | pushlist | pushargs PORT
//   alarm MS MODULE [CMDLINE...] | launch HWND MODULE [CMDLINE...] | error CODE
//   hold PORT    opens PORT with a window of its own and stays until its
//                input ends (it then exits without closing the port)
//
// Loops, for tests that need many calls in one process:
//   repeat N COMMAND ARGS...        the sub-command N times (until one ends
//                                   with bad usage)
//   send PORT NUMBER DPORT TEXT N   sends TEXT000 .. TEXT(N-1), the index in
//                                   at least three digits
//   recv PORT N                     takes N messages; a "none yet" (-12) or
//                                   "worker busy" (-6) answer is asked again
//                                   every 20 ms, for up to 60 s in a row
//   recv PORT paced                 takes one message (as recv PORT N) per
//                                   line of input, printing "asking" before
//   pushreg FIRST-LAST MODULE [CMDLINE...]   registers each port in turn
//   pacedpushreg FIRST-LAST MODULE [CMDLINE...]
//                                   registers the next port per line of
//                                   input, so a test can act amid the loop
// A loop prints one answer (with its results) per call and stops at the
// first failure of recv; every line is flushed at once.
//
// Prints "answer N", then what the export gave: "from NUMBER:PORT HEX"
// (recv), "ports TEXT" (pushlist), "args MODULE|CMDLINE|FILTER|OTHER"
// (pushargs), the text (error). Exit status 0, or 2 on bad usage.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ce/base/codepage.h"
#include "ce/core/thread.h"
#include "ce/proc/process.h"
#include "ce/user/window.h"
#include "sentrel/client/sentrellib.h"
#include "sentrel/common/errors.h"

namespace {

constexpr DWORD kAskAgainMs = 20;
constexpr DWORD kWaitForMessageMs = 60000;

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find(' ', at);
    out.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

// The words from `first` on, joined by blanks.
std::u16string rest(const std::vector<std::string>& args, size_t first) {
  std::string text;
  for (size_t i = first; i < args.size(); ++i) text += (i > first ? " " : "") + args[i];
  return vsCeCodepage_utf16(text);
}

std::string utf8(const WCHAR* text) { return text != nullptr ? vsCeCodepage_utf8(text) : std::string(); }

int answer(int value) {
  std::printf("answer %d\n", value);
  std::fflush(stdout);
  return value;
}

// recv: "answer N", and the message when N is 1.
int receive(uint16_t port, bool waitForOne) {
  WapMsg m;
  int got = Sentrel_GetRecvMsg(port, &m);
  for (DWORD waited = 0; waitForOne && waited < kWaitForMessageMs &&
                         (got == SentrelError_NoRecvMsg || got == SentrelError_WapWorkerTimeout);
       waited += kAskAgainMs) {
    Sleep(kAskAgainMs);
    got = Sentrel_GetRecvMsg(port, &m);
  }
  if (answer(got) == 1) {
    std::string hex;
    for (uint8_t b : m.payload) {
      char two[3];
      std::snprintf(two, sizeof two, "%02x", b);
      hex += two;
    }
    std::printf("from %s:%u %s\n", utf8(m.sourceAddress).c_str(), static_cast<unsigned>(m.sourcePort),
                hex.c_str());
    std::fflush(stdout);
  }
  return got;
}

// Waits for the next line of input; false at its end.
bool nextLine() {
  for (int c; (c = std::getchar()) != EOF;)
    if (c == '\n') return true;
  return false;
}

// recv PORT N | recv PORT paced.
void receiveMany(uint16_t port, const std::string& how) {
  if (how != "paced") {
    const unsigned long count = std::strtoul(how.c_str(), nullptr, 10);
    for (unsigned long i = 0; i < count && receive(port, true) == 1; ++i) {
    }
    return;
  }
  while (nextLine()) {
    std::printf("asking\n");
    std::fflush(stdout);
    if (receive(port, true) != 1) return;
  }
}

// send PORT NUMBER DPORT TEXT N.
void sendMany(uint16_t port, const std::u16string& to, uint16_t destinationPort, const std::string& text,
              unsigned long count) {
  for (unsigned long i = 0; i < count; ++i) {
    char index[24];
    std::snprintf(index, sizeof index, "%03lu", i);
    const std::string payload = text + index;
    answer(Sentrel_Send(port, to.c_str(), destinationPort, reinterpret_cast<const BYTE*>(payload.data()),
                        static_cast<DWORD>(payload.size())));
  }
}

LRESULT holdProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

int hold(HINSTANCE instance, uint16_t port) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = holdProc;
  wc.hInstance = instance;
  wc.lpszClassName = u"SentrelCli";
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowW(u"SentrelCli", u"hold", 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  answer(Sentrel_OpenPort(port, hwnd));
  std::fflush(stdout);
  char c;
  while (read(0, &c, 1) > 0) {
  }
  return 0;
}

// One sub-command: the exit status.
int run(HINSTANCE instance, const std::vector<std::string>& a) {
  const size_t n = a.size();
  const std::string command = n > 0 ? a[0] : "";
  auto port = [&a](size_t i) { return static_cast<uint16_t>(std::strtoul(a[i].c_str(), nullptr, 0)); };
  if (command == "freeport" && n == 1) {
    answer(Sentrel_FindFreePort());
  } else if (command == "open" && n == 2) {
    answer(Sentrel_OpenPort(port(1), nullptr));
  } else if (command == "close" && n == 2) {
    answer(Sentrel_ClosePort(port(1)));
  } else if (command == "check" && n == 2) {
    answer(Sentrel_CheckRecvStatus(port(1)));
  } else if (command == "recv" && n == 2) {
    receive(port(1), false);
  } else if (command == "recv" && n == 3) {
    receiveMany(port(1), a[2]);
  } else if (command == "send" && n == 5) {
    const std::u16string to = vsCeCodepage_utf16(a[2]);
    answer(Sentrel_Send(port(1), to.c_str(), port(3), reinterpret_cast<const BYTE*>(a[4].data()),
                        static_cast<DWORD>(a[4].size())));
  } else if (command == "send" && n == 6) {
    sendMany(port(1), vsCeCodepage_utf16(a[2]), port(3), a[4], std::strtoul(a[5].c_str(), nullptr, 10));
  } else if (command == "sendfinished" && n == 2) {
    answer(Sentrel_IsSendFinished(port(1)));
  } else if ((command == "pushreg" || command == "pacedpushreg") && n >= 3) {
    const std::u16string module = vsCeCodepage_utf16(a[2]);
    const size_t dash = a[1].find('-');
    const uint16_t first = port(1);
    const uint16_t last = dash == std::string::npos
                              ? first
                              : static_cast<uint16_t>(std::strtoul(a[1].c_str() + dash + 1, nullptr, 0));
    for (uint32_t p = first; p <= last; ++p) {
      if (command == "pacedpushreg" && !nextLine()) break;
      answer(
          Sentrel_PushRegisterPort(static_cast<uint16_t>(p), module.c_str(), rest(a, 3).c_str(), u"*", u""));
    }
  } else if (command == "pushunreg" && n == 2) {
    answer(Sentrel_PushUnregisterPort(port(1)));
  } else if (command == "pushlist" && n == 1) {
    WCHAR* ports = nullptr;
    if (answer(Sentrel_PushListRegConns(&ports)) == 1) std::printf("ports %s\n", utf8(ports).c_str());
    std::free(ports);
  } else if (command == "pushargs" && n == 2) {
    SentrelPushArgs args{};
    if (answer(Sentrel_PushGetRegPortArguments(port(1), &args)) == 1)
      std::printf("args %s|%s|%s|%s\n", utf8(args.module).c_str(), utf8(args.commandLine).c_str(),
                  utf8(args.filter).c_str(), utf8(args.other).c_str());
    for (WCHAR* text : {args.module, args.commandLine, args.filter, args.other}) std::free(text);
  } else if (command == "alarm" && n >= 3) {
    const unsigned long long ms = std::strtoull(a[1].c_str(), nullptr, 10);
    const std::u16string module = vsCeCodepage_utf16(a[2]);
    answer(Sentrel_PushRegisterAlarm(static_cast<DWORD>(ms), static_cast<DWORD>(ms >> 32), module.c_str(),
                                     rest(a, 3).c_str(), u""));
  } else if (command == "launch" && n >= 3) {
    const std::u16string module = vsCeCodepage_utf16(a[2]);
    answer(Sentrel_DestroyWindowAndLaunchApp(reinterpret_cast<HWND>(std::strtoull(a[1].c_str(), nullptr, 0)),
                                             module.c_str(), rest(a, 3).c_str()));
  } else if (command == "error" && n == 2) {
    std::printf("%s\n", utf8(Sentrel_GetErrorString(std::atoi(a[1].c_str()))).c_str());
  } else if (command == "hold" && n == 2) {
    return hold(instance, port(1));
  } else {
    std::fprintf(stderr, "usage: sentrelcli COMMAND ARGS (see its head comment)\n");
    return 2;
  }
  return 0;
}

}  // namespace

int WinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  const std::vector<std::string> a = words(vsCeCodepage_utf8(commandLine));
  if (a.size() < 3 || a[0] != "repeat") return run(instance, a);
  const unsigned long times = std::strtoul(a[1].c_str(), nullptr, 10);
  const std::vector<std::string> command(a.begin() + 2, a.end());
  for (unsigned long i = 0; i < times; ++i)
    if (const int status = run(instance, command); status == 2) return status;
  return 0;
}
