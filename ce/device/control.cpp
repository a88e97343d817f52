// Control sub-commands (see control.h).
#include "ce/device/control.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "ce/base/codepage.h"
#include "ce/ipc/connection.h"

namespace {

constexpr uint32_t kDefaultWaitMs = 10000;

bool lNumber(const std::string& text, uint64_t* value) {
  if (text.empty())
    return false;
  char* end = nullptr;
  const long long n = std::strtoll(text.c_str(), &end, 0);
  if (*end != '\0')
    return false;
  *value = static_cast<uint64_t>(n);
  return true;
}

// One request on a fresh control connection; false when no server answers.
bool lAsk(const std::string& root, Frame request, std::vector<Frame>* frames) {
  const int fd = vsCeIpc_connectRoot(root);
  if (fd < 0) {
    std::fprintf(stderr, "cedevice: no device server for %s\n", root.c_str());
    return false;
  }
  request.requestId = 1;
  bool done = vsCeIpc_write(fd, request);
  while (done) {
    Frame f;
    const char* reason = nullptr;
    if (!vsCeIpc_read(fd, &f, &reason)) {
      done = request.kind == FrameKind::Stop;  // the server ends the connection when it stops
      break;
    }
    frames->push_back(std::move(f));
    if (frames->back().kind == FrameKind::Reply)
      break;
  }
  close(fd);
  if (!done)
    std::fprintf(stderr, "cedevice: the device server did not answer\n");
  return done;
}

int lWindows(const std::string& root) {
  std::vector<Frame> frames;
  if (!lAsk(root, Frame{FrameKind::ListWindows, 0, {}}, &frames))
    return 1;
  for (const Frame& f : frames) {
    if (f.kind != FrameKind::WindowInfo)
      continue;
    std::printf("%s0x%08X %u %u %s \"%s\" %s\n", f.u32At(4) != 0 ? "*" : "", f.u32At(0), f.u32At(1), f.u32At(2),
                vsCeCodepage_utf8(f.fields[5].text).c_str(), vsCeCodepage_utf8(f.fields[6].text).c_str(),
                f.u32At(3) != 0 ? "visible" : "hidden");
  }
  return 0;
}

int lWait(const std::string& root, const std::vector<std::string>& args) {
  uint32_t flags = 0;
  uint64_t timeout = kDefaultWaitMs;
  std::string className, title;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--gone") {
      flags |= 1;
    } else if (args[i] == "--class" && i + 1 < args.size()) {
      flags |= 2;
      className = args[++i];
    } else if (args[i] == "--title" && i + 1 < args.size()) {
      flags |= 4;
      title = args[++i];
    } else if (args[i] == "--timeout" && i + 1 < args.size() && lNumber(args[i + 1], &timeout)) {
      ++i;
    } else {
      return 2;
    }
  }
  Frame f{FrameKind::WaitWindow, 0, {}};
  f.u32(flags).u32(static_cast<uint32_t>(timeout)).str(vsCeCodepage_utf16(className)).str(vsCeCodepage_utf16(title));
  std::vector<Frame> frames;
  if (!lAsk(root, f, &frames))
    return 1;
  if (frames.back().u32At(0) != 0) {
    std::fprintf(stderr, "cedevice wait: timed out\n");
    return 1;
  }
  std::printf("0x%08X\n", static_cast<uint32_t>(frames.back().i64At(1)));
  return 0;
}

int lPost(const std::string& root, const std::vector<std::string>& args) {
  size_t at = 2;
  uint64_t hwnd = 0;
  std::vector<Frame> frames;
  if (args.size() == 7 && args[2] == "--class") {
    Frame find{FrameKind::FindWindow, 0, {}};
    if (!lAsk(root, find.u32(1).str(vsCeCodepage_utf16(args[3])).str(u""), &frames))
      return 1;
    hwnd = static_cast<uint64_t>(frames.back().i64At(1));
    at = 4;
  } else if (args.size() != 6 || !lNumber(args[2], &hwnd)) {
    return 2;
  } else {
    at = 3;
  }
  uint64_t message, wParam, lParam;
  if (!lNumber(args[at], &message) || !lNumber(args[at + 1], &wParam) || !lNumber(args[at + 2], &lParam))
    return 2;
  Frame post{FrameKind::PostMessage, 0, {}};
  post.u32(static_cast<uint32_t>(hwnd)).u32(static_cast<uint32_t>(message));
  post.i64(static_cast<int64_t>(wParam)).i64(static_cast<int64_t>(lParam));
  frames.clear();
  if (!lAsk(root, post, &frames))
    return 1;
  if (frames.back().u32At(0) != 0) {
    std::fprintf(stderr, "cedevice post: error %u\n", frames.back().u32At(0));
    return 1;
  }
  return 0;
}

// The started program may end before run disconnects: the server then
// tells its creator, whose exit run does not follow.
bool lIgnoreExit(Frame*) { return true; }

int lRun(const std::string& root, const std::vector<std::string>& args) {
  setenv("CE_ROOT", root.c_str(), 1);
  vsCeIpc_setHandler(FrameKind::ProcessExited, lIgnoreExit);
  Frame f{FrameKind::CreateProcess, 0, {}};
  f.str(vsCeCodepage_utf16(args[2])).str(vsCeCodepage_utf16(args.size() > 3 ? args[3] : ""));
  std::vector<Frame> frames;
  vsCeIpc_call(f, &frames);
  vsCeIpc_disconnect();
  if (frames.back().u32At(0) != 0) {
    std::fprintf(stderr, "cedevice run: error %u\n", frames.back().u32At(0));
    return 1;
  }
  std::printf("pid %lld\n", static_cast<long long>(frames.back().i64At(1)));
  return 0;
}

int lLog(const std::string& root, bool debug) {
  std::ifstream in(root + "/.ce/" + (debug ? "debug.log" : "device.log"), std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cedevice log: no log in %s\n", root.c_str());
    return 1;
  }
  std::cout << in.rdbuf();
  return 0;
}

}  // namespace

int vsCeDevice_control(const std::vector<std::string>& args) {
  const std::string& verb = args[0];
  if (args.size() < 2)
    return verb == "run" || verb == "windows" || verb == "wait" || verb == "post" || verb == "log" || verb == "stop"
               ? 2
               : -1;
  const std::string& root = args[1];
  if (verb == "run")
    return args.size() == 3 || args.size() == 4 ? lRun(root, args) : 2;
  if (verb == "windows")
    return args.size() == 2 ? lWindows(root) : 2;
  if (verb == "wait")
    return lWait(root, args);
  if (verb == "post")
    return lPost(root, args);
  if (verb == "log") {
    if (args.size() == 3 && args[2] == "--debug")
      return lLog(root, true);
    return args.size() == 2 ? lLog(root, false) : 2;
  }
  if (verb == "stop") {
    std::vector<Frame> frames;
    return args.size() != 2 ? 2 : lAsk(root, Frame{FrameKind::Stop, 0, {}}, &frames) ? 0 : 1;
  }
  return -1;
}
