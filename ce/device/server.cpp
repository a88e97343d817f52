// The device server (see server.h).
#include "ce/device/server.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <unordered_map>
#include <vector>

#include "ce/base/codepage.h"
#include "ce/base/crt_string.h"
#include "ce/base/lasterror.h"
#include "ce/fs/pathmap.h"
#include "ce/ipc/connection.h"
#include "ce/user/window.h"

extern char** environ;

namespace {

constexpr uint32_t kFirstWindow = 0x00010000u;

struct Client {
  int fd = -1;
  pid_t pid = 0;
  std::deque<std::vector<uint8_t>> out;
  size_t outBytes = 0;
  uint32_t windows = 0;
  uint32_t sends = 0;
  std::map<std::u16string, uint32_t> names;  // handles per mutex name
};

struct Window {
  int owner;  // client fd
  pid_t pid;
  uint32_t tid, style, parent, ownerWindow, visible;
  std::u16string className, title;
};

struct PendingSend {
  int sender;  // client fd, -1 once the sender went
  uint32_t request;
  int owner;
};

struct Waiter {
  int fd;
  uint32_t request;
  uint32_t flags;  // 1 gone, 2 class, 4 title
  std::u16string className, title;
  timespec deadline;
};

struct Server {
  std::string root;
  int listener = -1;
  int signals = -1;
  int log = -1;
  int debugLog = -1;
  bool served = false;
  bool stopping = false;
  std::map<int, Client> clients;
  std::map<uint32_t, Window> windows;  // by hwnd: the newest last
  std::unordered_map<uint32_t, PendingSend> sends;
  std::vector<Waiter> waiters;
  std::map<std::u16string, uint32_t> names;  // handles per name, device-wide
  std::map<pid_t, int> children;             // pid -> creating client fd (-1: gone)
  uint32_t nextWindow = kFirstWindow;
  uint32_t nextSend = 1;
  uint32_t foreground = 0;
};

Server* gServer = nullptr;

void logLine(const std::string& line) {
  const std::string text = line + "\n";
  if (write(gServer->log, text.data(), text.size()) < 0) {
    // The log is best effort: the server goes on without it.
  }
}

bool sameText(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && _wcsicmp(a.c_str(), b.c_str()) == 0;
}

// Queues a frame to a client; false when its backlog is at the cap.
bool queueFrame(Client& client, const Frame& frame) {
  std::vector<uint8_t> bytes = vsCeIpc_encode(frame);
  if (bytes.empty() || client.outBytes + bytes.size() > kMaxClientBacklog)
    return false;
  client.outBytes += bytes.size();
  client.out.push_back(std::move(bytes));
  return true;
}

void reply(Client& client, uint32_t request, uint32_t status, int64_t value) {
  Frame f{FrameKind::Reply, request, {}};
  queueFrame(client, f.u32(status).i64(value));
}

Window* windowOf(uint32_t hwnd) {
  auto it = gServer->windows.find(hwnd & ~1u);
  return it == gServer->windows.end() ? nullptr : &it->second;
}

bool matches(const Window& w, uint32_t flags, const std::u16string& className, const std::u16string& title) {
  if ((w.style & WS_CHILD) != 0 || w.parent != 0)
    return false;
  if ((flags & 2) != 0 && !sameText(w.className, className))
    return false;
  return (flags & 4) == 0 || sameText(w.title, title);
}

uint32_t findNewest(uint32_t flags, const std::u16string& className, const std::u16string& title) {
  for (auto it = gServer->windows.rbegin(); it != gServer->windows.rend(); ++it)
    if (matches(it->second, flags, className, title))
      return it->first;
  return 0;
}

// Answers the waits whose condition holds (timedOut: every other one too,
// with 1 when its deadline has passed).
void checkWaiters(bool timedOut) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  for (size_t i = 0; i < gServer->waiters.size();) {
    Waiter& w = gServer->waiters[i];
    const uint32_t hwnd = findNewest(w.flags, w.className, w.title);
    const bool done = (w.flags & 1) != 0 ? hwnd == 0 : hwnd != 0;
    const bool late = timedOut && (now.tv_sec > w.deadline.tv_sec ||
                                   (now.tv_sec == w.deadline.tv_sec && now.tv_nsec >= w.deadline.tv_nsec));
    auto client = gServer->clients.find(w.fd);
    if (client == gServer->clients.end()) {
      gServer->waiters.erase(gServer->waiters.begin() + static_cast<long>(i));
    } else if (done || late) {
      reply(client->second, w.request, done ? 0 : 1, done ? hwnd : 0);
      gServer->waiters.erase(gServer->waiters.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

void dropWindow(uint32_t hwnd) {
  auto it = gServer->windows.find(hwnd);
  if (it == gServer->windows.end())
    return;
  auto client = gServer->clients.find(it->second.owner);
  if (client != gServer->clients.end())
    --client->second.windows;
  gServer->windows.erase(it);
  if (gServer->foreground == hwnd)
    gServer->foreground = 0;
}

void closeClient(int fd) {
  auto it = gServer->clients.find(fd);
  if (it == gServer->clients.end())
    return;
  Client& client = it->second;
  logLine("disconnect pid " + std::to_string(client.pid));
  for (auto w = gServer->windows.begin(); w != gServer->windows.end();) {
    if (w->second.owner == fd) {
      if (gServer->foreground == w->first)
        gServer->foreground = 0;
      w = gServer->windows.erase(w);
    } else {
      ++w;
    }
  }
  for (auto s = gServer->sends.begin(); s != gServer->sends.end();) {
    if (s->second.owner == fd) {
      auto sender = gServer->clients.find(s->second.sender);
      if (sender != gServer->clients.end()) {
        --sender->second.sends;
        reply(sender->second, s->second.request, ERROR_INVALID_WINDOW_HANDLE, 0);
      }
      s = gServer->sends.erase(s);
    } else {
      if (s->second.sender == fd)
        s->second.sender = -1;  // its reply is dropped when it comes
      ++s;
    }
  }
  for (const auto& [name, count] : client.names) {
    auto n = gServer->names.find(name);
    if (n != gServer->names.end() && (n->second -= count) == 0)
      gServer->names.erase(n);
  }
  for (auto& [pid, creator] : gServer->children)
    if (creator == fd)
      creator = -1;
  close(fd);
  gServer->clients.erase(it);
}

// Refuses a client's frame: logged, and the client's connection closed.
void refuse(int fd, const char* reason) {
  logLine("refused frame from pid " + std::to_string(gServer->clients[fd].pid) + ": " + reason);
  closeClient(fd);
}

bool crossesProcesses(uint32_t message) {
  return message >= WM_USER || message == WM_NULL || message == WM_CLOSE || message == WM_DESTROY ||
         message == WM_COPYDATA;
}

// Spawns a program for a client; the CE error code, 0 with *pid when started.
uint32_t spawnProgram(const std::u16string& module, const std::u16string& commandLine, pid_t* pid) {
  std::u16string cePath = module;
  if (cePath.empty() || (cePath[0] != u'\\' && cePath[0] != u'/'))
    cePath = u"\\Windows\\" + cePath;
  std::string host;
  if (!vsCeFs_hostPath(cePath.c_str(), &host))
    return GetLastError();
  struct stat st;
  if (stat(host.c_str(), &st) != 0) {
    if (errno == EACCES)
      return ERROR_ACCESS_DENIED;
    const std::string directory = host.substr(0, host.rfind('/'));
    return stat(directory.c_str(), &st) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  }
  char magic[4] = {};
  const int file = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0)
    return ERROR_ACCESS_DENIED;
  const ssize_t got = read(file, magic, sizeof magic);
  close(file);
  const bool elf = got == 4 && std::memcmp(magic, "\x7f" "ELF", 4) == 0;
  const bool script = got >= 2 && magic[0] == '#' && magic[1] == '!';
  if (!S_ISREG(st.st_mode) || (!elf && !script))
    return ERROR_BAD_EXE_FORMAT;
  if (access(host.c_str(), X_OK) != 0)
    return ERROR_ACCESS_DENIED;

  std::string cmd = vsCeCodepage_utf8(commandLine);
  const std::string moduleVar = "CE_MODULE=" + vsCeCodepage_utf8(cePath);
  const std::string rootVar = "CE_ROOT=" + gServer->root;
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e)
    if (std::strncmp(*e, "CE_ROOT=", 8) != 0 && std::strncmp(*e, "CE_MODULE=", 10) != 0)
      env.push_back(*e);
  env.push_back(const_cast<char*>(rootVar.c_str()));
  env.push_back(const_cast<char*>(moduleVar.c_str()));
  env.push_back(nullptr);
  char* argv[] = {const_cast<char*>(host.c_str()), cmd.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, gServer->debugLog, 1);
  posix_spawn_file_actions_adddup2(&actions, gServer->debugLog, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  const int error = posix_spawn(pid, host.c_str(), &actions, &attributes, argv, env.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0)
    return error == ENOEXEC ? ERROR_BAD_EXE_FORMAT : ERROR_ACCESS_DENIED;
  logLine("spawn pid " + std::to_string(*pid) + " " + vsCeCodepage_utf8(cePath));
  return 0;
}

void reapChildren() {
  for (;;) {
    int status = 0;
    const pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid <= 0)
      return;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    logLine("exit pid " + std::to_string(pid) + " status " + std::to_string(code));
    auto it = gServer->children.find(pid);
    if (it == gServer->children.end())
      continue;
    auto creator = gServer->clients.find(it->second);
    if (creator != gServer->clients.end()) {
      Frame f{FrameKind::ProcessExited, 0, {}};
      queueFrame(creator->second, f.u32(static_cast<uint32_t>(pid)).u32(static_cast<uint32_t>(code)));
    }
    gServer->children.erase(it);
  }
}

void listWindows(Client& client, uint32_t request) {
  for (const auto& [hwnd, w] : gServer->windows) {
    Frame f{FrameKind::WindowInfo, request, {}};
    f.u32(hwnd).u32(static_cast<uint32_t>(w.pid)).u32(w.tid).u32(w.visible).u32(hwnd == gServer->foreground);
    queueFrame(client, f.str(w.className).str(w.title));
  }
  reply(client, request, 0, static_cast<int64_t>(gServer->windows.size()));
}

// Handles one frame of a client; false when the client was refused.
bool handle(int fd, Frame& f) {
  Client& client = gServer->clients[fd];
  const uint32_t request = f.requestId;
  switch (f.kind) {
    case FrameKind::RegisterWindow: {
      if (client.windows >= kMaxClientWindows) {
        reply(client, request, ERROR_NOT_ENOUGH_QUOTA, 0);
        return true;
      }
      const uint32_t hwnd = gServer->nextWindow;
      gServer->nextWindow += 4;
      gServer->windows[hwnd] = Window{fd,         client.pid, f.u32At(0), f.u32At(1),          f.u32At(2) & ~1u,
                                      f.u32At(3) & ~1u, f.u32At(4) != 0, f.fields[5].text, f.fields[6].text};
      ++client.windows;
      reply(client, request, 0, hwnd);
      return true;
    }
    case FrameKind::DestroyWindow:
    case FrameKind::SetWindowText:
    case FrameKind::ShowWindow: {
      const uint32_t hwnd = f.u32At(0) & ~1u;
      Window* w = windowOf(hwnd);
      if (w == nullptr) {
        reply(client, request, ERROR_INVALID_WINDOW_HANDLE, 0);
        return true;
      }
      if (w->owner != fd) {
        refuse(fd, "window of another process");
        return false;
      }
      int64_t value = 0;
      if (f.kind == FrameKind::DestroyWindow) {
        dropWindow(hwnd);
      } else if (f.kind == FrameKind::SetWindowText) {
        w->title = f.fields[1].text;
      } else {
        value = w->visible;
        w->visible = f.u32At(1) != 0;
      }
      reply(client, request, 0, value);
      return true;
    }
    case FrameKind::SetForegroundWindow: {
      const uint32_t hwnd = f.u32At(0) & ~1u;
      if (windowOf(hwnd) == nullptr) {
        reply(client, request, ERROR_INVALID_WINDOW_HANDLE, gServer->foreground);
        return true;
      }
      const uint32_t previous = gServer->foreground;
      gServer->foreground = hwnd;
      reply(client, request, 0, previous);
      return true;
    }
    case FrameKind::FindWindow:
      reply(client, request, 0, findNewest((f.u32At(0) & 3) << 1, f.fields[1].text, f.fields[2].text));
      return true;
    case FrameKind::QueryWindow: {
      const uint32_t hwnd = f.u32At(0) & ~1u;
      if (const Window* w = windowOf(hwnd)) {
        Frame info{FrameKind::WindowInfo, request, {}};
        info.u32(hwnd).u32(static_cast<uint32_t>(w->pid)).u32(w->tid).u32(w->visible);
        queueFrame(client, info.u32(hwnd == gServer->foreground).str(w->className).str(w->title));
        reply(client, request, 0, hwnd);
      } else {
        reply(client, request, ERROR_INVALID_WINDOW_HANDLE, 0);
      }
      return true;
    }
    case FrameKind::PostMessage:
    case FrameKind::SendMessage: {
      const bool send = f.kind == FrameKind::SendMessage;
      const uint32_t hwnd = f.u32At(0) & ~1u;
      const uint32_t message = f.u32At(1);
      if (send && f.u32At(4) != f.fields[5].bytes.size()) {
        refuse(fd, "cbData disagrees with the bytes");
        return false;
      }
      if (send && message != WM_COPYDATA && f.u32At(4) != 0) {
        refuse(fd, "data with a message that carries none");
        return false;
      }
      uint32_t status = 0;
      if (!crossesProcesses(message))
        status = ERROR_INVALID_PARAMETER;
      else if (message == WM_COPYDATA && !send)
        status = ERROR_MESSAGE_SYNC_ONLY;
      else if (send && f.u32At(4) > kMaxCopyDataBytes)
        status = ERROR_INVALID_PARAMETER;
      else if (send && client.sends >= kMaxClientSends)
        status = ERROR_NOT_ENOUGH_QUOTA;
      const Window* w = status == 0 ? windowOf(hwnd) : nullptr;
      if (status == 0 && w == nullptr)
        status = ERROR_INVALID_WINDOW_HANDLE;
      if (status != 0) {
        reply(client, request, status, 0);
        return true;
      }
      const uint32_t sendId = send ? gServer->nextSend++ : 0;
      Frame deliver{FrameKind::Deliver, 0, {}};
      deliver.u32(sendId).u32(hwnd).u32(w->tid).u32(message).i64(f.i64At(2)).i64(f.i64At(3));
      if (send)
        deliver.u32(f.u32At(4)).bin(std::move(f.fields[5].bytes));
      else
        deliver.u32(0).bin({});
      const int owner = w->owner;
      if (!queueFrame(gServer->clients[owner], deliver)) {
        reply(client, request, ERROR_NOT_ENOUGH_QUOTA, 0);
        return true;
      }
      if (send) {
        gServer->sends[sendId] = PendingSend{fd, request, owner};
        ++client.sends;
      } else {
        reply(client, request, 0, 1);
      }
      return true;
    }
    case FrameKind::SendReply: {
      auto it = gServer->sends.find(f.u32At(0));
      if (it == gServer->sends.end() || it->second.owner != fd) {
        refuse(fd, "reply to a send it was not given");
        return false;
      }
      auto sender = gServer->clients.find(it->second.sender);
      if (sender != gServer->clients.end()) {
        --sender->second.sends;
        reply(sender->second, it->second.request, 0, f.i64At(1));
      }
      gServer->sends.erase(it);
      return true;
    }
    case FrameKind::CreateMutex: {
      const std::u16string& name = f.fields[0].text;
      if (client.names.find(name) == client.names.end() && client.names.size() >= kMaxClientNames) {
        reply(client, request, ERROR_NOT_ENOUGH_QUOTA, 0);
        return true;
      }
      const bool existed = gServer->names[name]++ > 0;
      ++client.names[name];
      reply(client, request, existed ? ERROR_ALREADY_EXISTS : 0, 0);
      return true;
    }
    case FrameKind::CloseMutex: {
      auto own = client.names.find(f.fields[0].text);
      if (own == client.names.end()) {
        refuse(fd, "close of a name it does not hold");
        return false;
      }
      if (--own->second == 0)
        client.names.erase(own);
      auto n = gServer->names.find(f.fields[0].text);
      if (n != gServer->names.end() && --n->second == 0)
        gServer->names.erase(n);
      reply(client, request, 0, 0);
      return true;
    }
    case FrameKind::CreateProcess: {
      pid_t pid = 0;
      const uint32_t status = spawnProgram(f.fields[0].text, f.fields[1].text, &pid);
      if (status == 0)
        gServer->children[pid] = fd;
      reply(client, request, status, pid);
      return true;
    }
    case FrameKind::ListWindows:
      listWindows(client, request);
      return true;
    case FrameKind::WaitWindow: {
      Waiter w{fd, request, f.u32At(0) & 7, f.fields[2].text, f.fields[3].text, {}};
      clock_gettime(CLOCK_MONOTONIC, &w.deadline);
      const uint32_t ms = f.u32At(1);
      w.deadline.tv_sec += ms / 1000;
      w.deadline.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
      if (w.deadline.tv_nsec >= 1000000000L) {
        ++w.deadline.tv_sec;
        w.deadline.tv_nsec -= 1000000000L;
      }
      gServer->waiters.push_back(std::move(w));
      return true;
    }
    case FrameKind::Stop:
      gServer->stopping = true;
      return true;
    default:
      refuse(fd, "a kind the server does not take");
      return false;
  }
}

void readClient(int fd) {
  // One byte more than a frame may have, so an overlong datagram shows.
  static std::vector<uint8_t> buffer(kMaxFrameBytes + 1);
  for (;;) {
    const ssize_t n = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      return;
    if (n <= 0) {
      closeClient(fd);
      return;
    }
    Frame frame;
    const char* reason = nullptr;
    if (!vsCeIpc_decode(buffer.data(), static_cast<size_t>(n), &frame, &reason)) {
      refuse(fd, reason);
      return;
    }
    if (!handle(fd, frame))
      return;
  }
}

void writeClient(int fd) {
  Client& client = gServer->clients[fd];
  while (!client.out.empty()) {
    const std::vector<uint8_t>& bytes = client.out.front();
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      return;
    if (n < 0) {
      closeClient(fd);
      return;
    }
    client.outBytes -= bytes.size();
    client.out.pop_front();
  }
}

void acceptClients() {
  for (;;) {
    const int fd = accept4(gServer->listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
      return;
    ucred credentials{};
    socklen_t size = sizeof credentials;
    getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size);
    Client& client = gServer->clients[fd];
    client.fd = fd;
    client.pid = credentials.pid;
    gServer->served = true;
    logLine("connect pid " + std::to_string(client.pid));
  }
}

// Under the start lock: true when the server should end (served, no
// connection or child left after accepting those pending).
bool idleToEnd(int lock) {
  while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
  }
  acceptClients();
  return gServer->clients.empty() && gServer->children.empty();
}

void stopChildren() {
  for (const auto& [pid, creator] : gServer->children)
    kill(pid, SIGTERM);
  timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += 2;
  while (!gServer->children.empty()) {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long left = (deadline.tv_sec - now.tv_sec) * 1000 + (deadline.tv_nsec - now.tv_nsec) / 1000000;
    if (left <= 0)
      break;
    pollfd p{gServer->signals, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) > 0) {
      signalfd_siginfo info;
      while (read(gServer->signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      }
      reapChildren();
    }
  }
  for (const auto& [pid, creator] : gServer->children)
    kill(pid, SIGKILL);
  while (!gServer->children.empty()) {
    int status = 0;
    const pid_t pid = waitpid(-1, &status, 0);
    if (pid < 0)
      break;
    logLine("exit pid " + std::to_string(pid) + " status " + std::to_string(128 + SIGKILL));
    gServer->children.erase(pid);
  }
}

int runServer(Server& server, int readyPipe, bool foreground) {
  gServer = &server;
  const std::string ceDirectory = server.root + "/.ce";
  server.log = open((ceDirectory + "/device.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  server.debugLog = open((ceDirectory + "/debug.log").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const int lock = open((ceDirectory + "/device.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (server.log < 0 || server.debugLog < 0 || lock < 0) {
    std::fprintf(stderr, "cedevice serve: cannot open %s\n", ceDirectory.c_str());
    return 1;
  }
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGCHLD);
  sigaddset(&mask, SIGTERM);
  sigaddset(&mask, SIGINT);
  sigprocmask(SIG_BLOCK, &mask, nullptr);
  server.signals = signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
  signal(SIGPIPE, SIG_IGN);

  int directory = -1;
  const std::string path = vsCeIpc_socketPath(server.root, &directory);
  server.listener = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path || server.listener < 0) {
    std::fprintf(stderr, "cedevice serve: no socket for %s\n", ceDirectory.c_str());
    return 1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const mode_t previous = umask(0077);
  const int bound = bind(server.listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  umask(previous);
  if (bound != 0 || listen(server.listener, 64) != 0) {
    std::fprintf(stderr, "cedevice serve: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
    return 1;
  }
  chmod((ceDirectory + "/device.sock").c_str(), 0600);
  if (directory >= 0)
    close(directory);
  logLine("start pid " + std::to_string(getpid()));
  if (foreground) {
    std::printf("ready\n");
    std::fflush(stdout);
  }
  if (readyPipe >= 0) {
    const char ready = 'r';
    if (write(readyPipe, &ready, 1) < 0) {
      // The starter sees the pipe close instead.
    }
    close(readyPipe);
  }

  for (;;) {
    if (server.stopping) {
      logLine("stop");
      stopChildren();
      for (auto& [fd, client] : server.clients)
        writeClient(fd);
      break;
    }
    if (server.served && server.clients.empty() && server.children.empty()) {
      if (idleToEnd(lock))
        break;
      flock(lock, LOCK_UN);
    }
    std::vector<pollfd> polled;
    polled.push_back({server.listener, POLLIN, 0});
    polled.push_back({server.signals, POLLIN, 0});
    for (const auto& [fd, client] : server.clients)
      polled.push_back({fd, static_cast<short>(POLLIN | (client.out.empty() ? 0 : POLLOUT)), 0});
    int timeout = -1;
    if (!server.waiters.empty()) {
      timespec now;
      clock_gettime(CLOCK_MONOTONIC, &now);
      long soonest = 0x7FFFFFFF;
      for (const Waiter& w : server.waiters) {
        const long left = (w.deadline.tv_sec - now.tv_sec) * 1000 + (w.deadline.tv_nsec - now.tv_nsec) / 1000000;
        soonest = left < soonest ? left : soonest;
      }
      timeout = static_cast<int>(soonest < 0 ? 0 : soonest + 1);
    }
    const int ready = poll(polled.data(), polled.size(), timeout);
    if (ready < 0 && errno != EINTR)
      break;
    if (polled[1].revents != 0) {
      signalfd_siginfo info;
      while (read(server.signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGTERM || info.ssi_signo == SIGINT)
          server.stopping = true;
      }
      reapChildren();
    }
    for (size_t i = 2; i < polled.size(); ++i) {
      if (server.clients.find(polled[i].fd) == server.clients.end())
        continue;
      if ((polled[i].revents & POLLOUT) != 0)
        writeClient(polled[i].fd);
      if (server.clients.find(polled[i].fd) == server.clients.end())
        continue;
      if ((polled[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0)
        readClient(polled[i].fd);
    }
    if (polled[0].revents != 0)
      acceptClients();
    // Frames queued while handling go out at once where the socket takes them.
    std::vector<int> fds;
    for (const auto& [fd, client] : server.clients)
      if (!client.out.empty())
        fds.push_back(fd);
    for (int fd : fds)
      writeClient(fd);
    checkWaiters(true);
  }
  unlink(path.c_str());
  for (auto& [fd, client] : server.clients)
    close(fd);
  flock(lock, LOCK_UN);
  close(lock);
  return 0;
}

}  // namespace

int vsCeDevice_serve(const std::string& root, bool foreground) {
  setenv("CE_ROOT", root.c_str(), 1);
  static Server server;
  server.root = root;
  if (foreground)
    return runServer(server, -1, true);
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0)
    return 1;
  const pid_t child = fork();
  if (child < 0)
    return 1;
  if (child == 0) {
    close(ready[0]);
    setsid();
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (null > 2)
      close(null);
    if (fork() != 0)
      _exit(0);  // the server is not the starter's grandchild it would have to reap
    _exit(runServer(server, ready[1], false));
  }
  close(ready[1]);
  int status = 0;
  waitpid(child, &status, 0);
  char byte;
  ssize_t got;
  while ((got = read(ready[0], &byte, 1)) < 0 && errno == EINTR) {
  }
  close(ready[0]);
  return got == 1 ? 0 : 1;
}
