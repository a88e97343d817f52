// The connection to the device server (see connection.h).
#include "ce/ipc/connection.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "ce/core/kernel_object.h"

extern char** environ;

namespace {

// The connection: gFd is set under gConnectLock and read by the I/O thread.
pthread_mutex_t gConnectLock = PTHREAD_MUTEX_INITIALIZER;
std::atomic<int> gFd{-1};
pthread_t gIoThread;
std::atomic<bool> gClosing{false};
std::atomic<uint32_t> gNextRequest{1};

// Guarded by the kernel lock.
std::unordered_map<uint32_t, std::vector<Frame>>& replies() {
  static auto* map = new std::unordered_map<uint32_t, std::vector<Frame>>;
  return *map;
}
std::unordered_set<uint32_t>& forgotten() {
  static auto* set = new std::unordered_set<uint32_t>;
  return *set;
}
std::atomic<bool (*)(Frame*)> gHandlers[kFrameKindCount + 1];

[[noreturn]] void lostServer() {
  char line[160];
  const int n = std::snprintf(line, sizeof line, "%s[%d]: device server lost\n", program_invocation_short_name,
                              static_cast<int>(getpid()));
  if (write(2, line, static_cast<size_t>(n)) < 0) {
    // Nothing more to do: the process ends either way.
  }
  _exit(kLostServerStatus);
}

void* ioThread(void* arg) {
  const int fd = static_cast<int>(reinterpret_cast<intptr_t>(arg));
  for (;;) {
    Frame frame;
    const char* reason = nullptr;
    if (!vsCeIpc_read(fd, &frame, &reason)) {
      if (gClosing.load())
        return nullptr;
      lostServer();
    }
    const auto kind = static_cast<uint32_t>(frame.kind);
    vsCeKernel_lock();
    if (frame.kind == FrameKind::Reply && forgotten().erase(frame.requestId) > 0) {
      replies().erase(frame.requestId);
    } else if (frame.kind == FrameKind::Reply || frame.kind == FrameKind::WindowInfo) {
      replies()[frame.requestId].push_back(std::move(frame));
    } else if (bool (*handler)(Frame*) = gHandlers[kind].load(); handler == nullptr || !handler(&frame)) {
      vsCeKernel_unlock();
      lostServer();  // a kind the server never sends to a program
    }
    vsCeKernel_broadcast();
    vsCeKernel_unlock();
  }
}

std::string deviceBinary() {
  if (const char* bin = getenv("CE_DEVICE_BIN"); bin != nullptr && *bin != '\0')
    return bin;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0)
    return "cedevice";
  std::string path(self, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "cedevice";
}

// Runs `cedevice serve ROOT`, which returns once its server listens.
bool startServer(const std::string& root) {
  const std::string bin = deviceBinary();
  char* argv[] = {const_cast<char*>(bin.c_str()), const_cast<char*>("serve"), const_cast<char*>(root.c_str()),
                  nullptr};
  pid_t pid;
  if (posix_spawn(&pid, bin.c_str(), nullptr, nullptr, argv, environ) != 0)
    return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Connects to the root's server, starting it when none answers.
int connectOrStart(const std::string& root) {
  int fd = vsCeIpc_connectRoot(root);
  if (fd >= 0)
    return fd;
  const int lock = open((root + "/.ce/device.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0)
    return -1;
  while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
  }
  fd = vsCeIpc_connectRoot(root);
  if (fd < 0) {
    int directory = -1;
    const std::string path = vsCeIpc_socketPath(root, &directory);
    unlink(path.c_str());
    if (directory >= 0)
      close(directory);
    if (startServer(root)) {
      // The server listens once `serve` has returned; a few tries cover a
      // connection refused while its backlog fills (at most about 5 s).
      useconds_t pause = 1000;
      for (int attempt = 0; attempt < 12 && fd < 0; ++attempt) {
        fd = vsCeIpc_connectRoot(root);
        if (fd < 0) {
          usleep(pause);
          pause *= 2;
        }
      }
    }
  }
  flock(lock, LOCK_UN);
  close(lock);
  return fd;
}

// The connection, made on first use; a process that cannot reach its
// device's server ends as a lost server.
int connection() {
  int fd = gFd.load();
  if (fd >= 0)
    return fd;
  pthread_mutex_lock(&gConnectLock);
  fd = gFd.load();
  if (fd < 0) {
    const char* root = getenv("CE_ROOT");
    if (root == nullptr || *root == '\0') {
      std::fprintf(stderr, "CE_ROOT is not set\n");
      _exit(2);
    }
    fd = connectOrStart(root);
    if (fd < 0) {
      pthread_mutex_unlock(&gConnectLock);
      lostServer();
    }
    gClosing = false;
    if (pthread_create(&gIoThread, nullptr, ioThread, reinterpret_cast<void*>(static_cast<intptr_t>(fd))) != 0) {
      pthread_mutex_unlock(&gConnectLock);
      lostServer();
    }
    gFd = fd;
  }
  pthread_mutex_unlock(&gConnectLock);
  return fd;
}

}  // namespace

std::string vsCeIpc_socketPath(const std::string& root, int* directory) {
  *directory = -1;
  const std::string path = root + "/.ce/device.sock";
  if (path.size() < sizeof(sockaddr_un::sun_path))
    return path;
  *directory = open((root + "/.ce").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (*directory < 0)
    return {};
  return "/proc/self/fd/" + std::to_string(*directory) + "/device.sock";
}

int vsCeIpc_connectRoot(const std::string& root) {
  int directory = -1;
  const std::string path = vsCeIpc_socketPath(root, &directory);
  int fd = -1;
  if (!path.empty() && path.size() < sizeof(sockaddr_un::sun_path)) {
    fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd);
      fd = -1;
    }
  }
  if (directory >= 0)
    close(directory);
  return fd;
}

bool vsCeIpc_write(int fd, const Frame& frame) {
  const std::vector<uint8_t> bytes = vsCeIpc_encode(frame);
  if (bytes.empty())
    return false;
  for (;;) {
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n == static_cast<ssize_t>(bytes.size()))
      return true;
    if (n < 0 && errno == EINTR)
      continue;
    return false;
  }
}

bool vsCeIpc_read(int fd, Frame* frame, const char** reason) {
  // One byte more than a frame may have, so an overlong datagram shows.
  static thread_local std::vector<uint8_t> buffer(kMaxFrameBytes + 1);
  *reason = nullptr;
  for (;;) {
    const ssize_t n = recv(fd, buffer.data(), buffer.size(), MSG_TRUNC);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    return vsCeIpc_decode(buffer.data(), static_cast<size_t>(n), frame, reason);
  }
}

uint32_t vsCeIpc_request(Frame frame) {
  const int fd = connection();
  frame.requestId = gNextRequest.fetch_add(1);
  if (frame.requestId == 0)
    frame.requestId = gNextRequest.fetch_add(1);
  if (!vsCeIpc_write(fd, frame))
    lostServer();
  return frame.requestId;
}

bool vsCeIpc_takeReplyLocked(uint32_t requestId, std::vector<Frame>* frames) {
  auto it = replies().find(requestId);
  if (it == replies().end() || it->second.back().kind != FrameKind::Reply)
    return false;
  *frames = std::move(it->second);
  replies().erase(it);
  return true;
}

void vsCeIpc_forgetLocked(uint32_t requestId) {
  auto it = replies().find(requestId);
  if (it != replies().end() && it->second.back().kind == FrameKind::Reply)
    replies().erase(it);
  else
    forgotten().insert(requestId);
}

void vsCeIpc_call(Frame frame, std::vector<Frame>* frames) {
  const uint32_t id = vsCeIpc_request(std::move(frame));
  vsCeKernel_lock();
  while (!vsCeIpc_takeReplyLocked(id, frames))
    vsCeKernel_block(nullptr);
  vsCeKernel_unlock();
}

void vsCeIpc_notify(const Frame& frame) {
  if (!vsCeIpc_write(connection(), frame))
    lostServer();
}

void vsCeIpc_setHandler(FrameKind kind, bool (*handler)(Frame* frame)) {
  gHandlers[static_cast<uint32_t>(kind)] = handler;
}

bool vsCeIpc_connected() { return gFd.load() >= 0; }

void vsCeIpc_disconnect() {
  pthread_mutex_lock(&gConnectLock);
  const int fd = gFd.exchange(-1);
  if (fd >= 0) {
    gClosing = true;
    shutdown(fd, SHUT_RDWR);
    pthread_join(gIoThread, nullptr);
    close(fd);
    vsCeKernel_lock();
    replies().clear();
    forgotten().clear();
    vsCeKernel_unlock();
  }
  pthread_mutex_unlock(&gConnectLock);
}
