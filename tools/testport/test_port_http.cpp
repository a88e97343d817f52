// The HTTP stand-ins of the test port (port/jk_http.h): each call writes
// one trace line naming itself and its arguments and hands its command to
// the connection's own worker thread, which performs it and posts the
// outcome through AmNotifyHttpEvent with the connection's parameter.
//
// A connection is a blocking HTTP/1.1 GET with "Connection: close" to a
// loopback host only (127.0.0.0/8 or "localhost"); another host, a bad URL,
// a failed connect, send or receive give the error event 0 with 10000.
// The response reaches the reads as one stream: the header text up to and
// including its empty line, without its "Transfer-Encoding" and "TE" lines
// (a header that ends without the empty line is delivered as it came), then
// the body, then 0. A library of its own (testport_http), since it calls
// into the VM's event system.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "port/jk_http.h"
#include "port/trace.h"
#include "vm/services/events/http_event.h"

namespace {

enum class Command { Open, FinishRequest, Read, Close };

constexpr size_t kHeaderLimit = 64 * 1024;

struct Connection {
  uint32_t param = 0;
  std::string url;
  std::mutex lock;
  std::condition_variable wake;
  std::deque<Command> commands;   // guarded by lock
  uint8_t* readBuffer = nullptr;  // guarded by lock
  int32_t readLength = 0;         // guarded by lock
  // Worker state.
  int socket = -1;
  std::string host;
  std::string path;
  uint16_t port = 80;
  bool headerFetched = false;
  std::string header;     // undelivered header text
  std::string bodyStart;  // body bytes read with the header
};

std::mutex gTableLock;
std::map<int32_t, std::shared_ptr<Connection>> gConnections;  // guarded by gTableLock
int32_t gNextHandle = 1;                                      // guarded by gTableLock

void post(const Connection& c, int32_t event, int32_t value) { AmNotifyHttpEvent(c.param, event, value); }

void fail(const Connection& c) { post(c, kJkHttpEventError, kJkHttpErrorCustomerSpecMin); }

// "http://host[:port][/path]" into the connection; false for another form.
bool parseUrl(Connection& c) {
  const std::string& url = c.url;
  const std::string scheme = "http://";
  if (url.compare(0, scheme.size(), scheme) != 0) return false;
  const size_t hostStart = scheme.size();
  const size_t pathStart = url.find('/', hostStart);
  const std::string authority =
      url.substr(hostStart, pathStart == std::string::npos ? std::string::npos : pathStart - hostStart);
  c.path = pathStart == std::string::npos ? "/" : url.substr(pathStart);
  const size_t colon = authority.find(':');
  c.host = authority.substr(0, colon);
  if (colon == std::string::npos) return !c.host.empty();
  const std::string port = authority.substr(colon + 1);
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long value = std::strtoul(port.c_str(), nullptr, 10);
  if (value < 1 || value > 65535) return false;
  c.port = static_cast<uint16_t>(value);
  return !c.host.empty();
}

// The loopback address of the host, or false.
bool loopbackAddress(const std::string& host, in_addr* address) {
  if (host == "localhost") {
    address->s_addr = htonl(INADDR_LOOPBACK);
    return true;
  }
  return inet_pton(AF_INET, host.c_str(), address) == 1 && (ntohl(address->s_addr) >> 24) == 127;
}

void open(Connection& c) {
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  if (!parseUrl(c) || !loopbackAddress(c.host, &address.sin_addr)) return fail(c);
  address.sin_port = htons(c.port);
  c.socket = ::socket(AF_INET, SOCK_STREAM, 0);
  if (c.socket < 0 || connect(c.socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return fail(c);
  post(c, kJkHttpEventOpen, 0);
}

void finishRequest(Connection& c) {
  const std::string request = "GET " + c.path + " HTTP/1.1\r\nHost: " + c.host + ":" +
                              std::to_string(c.port) + "\r\nConnection: close\r\n\r\n";
  for (size_t sent = 0; sent < request.size();) {
    const ssize_t n =
        c.socket < 0 ? -1 : send(c.socket, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return fail(c);
    sent += static_cast<size_t>(n);
  }
  c.headerFetched = false;
  post(c, kJkHttpEventFinishRequest, 0);
}

// The header text without its "Transfer-Encoding" and "TE" lines.
std::string filterHeader(const std::string& raw) {
  std::string kept;
  for (size_t line = 0; line < raw.size();) {
    const size_t end = raw.find("\r\n", line);
    const size_t next = end == std::string::npos ? raw.size() : end + 2;
    const std::string text = raw.substr(line, next - line);
    if (text.compare(0, 17, "Transfer-Encoding") != 0 && text.compare(0, 2, "TE") != 0) kept += text;
    line = next;
  }
  return kept;
}

// Reads the response header, keeping the body bytes read with it.
bool fetchHeader(Connection& c) {
  std::string raw;
  size_t end = std::string::npos;
  char chunk[4096];
  while ((end = raw.find("\r\n\r\n")) == std::string::npos && raw.size() < kHeaderLimit) {
    const ssize_t n = recv(c.socket, chunk, sizeof chunk, 0);
    if (n < 0) return false;
    if (n == 0) break;
    raw.append(chunk, static_cast<size_t>(n));
  }
  if (end == std::string::npos && raw.size() >= kHeaderLimit) return false;
  const size_t headerSize = end == std::string::npos ? raw.size() : end + 4;
  c.header = filterHeader(raw.substr(0, headerSize));
  c.bodyStart = raw.substr(headerSize);
  c.headerFetched = true;
  return true;
}

void read(Connection& c, uint8_t* buffer, int32_t length) {
  if (c.socket < 0 || buffer == nullptr || length < 0) return fail(c);
  if (!c.headerFetched && !fetchHeader(c)) return fail(c);
  std::string& pending = !c.header.empty() ? c.header : c.bodyStart;
  if (!pending.empty()) {
    const size_t n = std::min(pending.size(), static_cast<size_t>(length));
    std::memcpy(buffer, pending.data(), n);
    pending.erase(0, n);
    return post(c, kJkHttpEventRead, static_cast<int32_t>(n));
  }
  const ssize_t n = recv(c.socket, buffer, static_cast<size_t>(length), 0);
  if (n < 0) return fail(c);
  post(c, kJkHttpEventRead, static_cast<int32_t>(n));
}

void worker(std::shared_ptr<Connection> c) {
  for (;;) {
    Command command;
    uint8_t* buffer = nullptr;
    int32_t length = 0;
    {
      std::unique_lock<std::mutex> guard(c->lock);
      c->wake.wait(guard, [&] { return !c->commands.empty(); });
      command = c->commands.front();
      c->commands.pop_front();
      buffer = c->readBuffer;
      length = c->readLength;
    }
    switch (command) {
      case Command::Open:
        open(*c);
        break;
      case Command::FinishRequest:
        finishRequest(*c);
        break;
      case Command::Read:
        read(*c, buffer, length);
        break;
      case Command::Close:
        if (c->socket >= 0) ::close(c->socket);
        post(*c, kJkHttpEventClose, 0);
        return;
    }
  }
}

std::shared_ptr<Connection> find(int32_t handle) {
  std::lock_guard<std::mutex> guard(gTableLock);
  const auto it = gConnections.find(handle);
  return it == gConnections.end() ? nullptr : it->second;
}

void give(Connection& c, Command command) {
  std::lock_guard<std::mutex> guard(c.lock);
  c.commands.push_back(command);
  c.wake.notify_one();
}

int32_t request(int32_t handle, Command command) {
  const std::shared_ptr<Connection> c = find(handle);
  if (c == nullptr) return -1;
  give(*c, command);
  return 0;
}

}  // namespace

int32_t JkHttpOpen(const char* url, int32_t urlLength, int32_t method, uint32_t param) {
  TracePrintfA("JkHttpOpen(%.*s, %d, %d, %u)\n", url == nullptr || urlLength < 0 ? 0 : urlLength,
               url == nullptr ? "" : url, urlLength, method, param);
  if (url == nullptr || urlLength < 1 || method != kJkHttpMethodGet) return -1;
  auto c = std::make_shared<Connection>();
  c->param = param;
  c->url.assign(url, static_cast<size_t>(urlLength));
  int32_t handle = 0;
  {
    std::lock_guard<std::mutex> guard(gTableLock);
    if (gNextHandle == INT32_MAX) gNextHandle = 0;
    handle = gNextHandle++;
    gConnections[handle] = c;
  }
  give(*c, Command::Open);
  std::thread(worker, c).detach();
  return handle;
}

int32_t JkHttpFinishRequest(int32_t handle) {
  TracePrintfA("JkHttpFinishRequest(%d)\n", handle);
  return request(handle, Command::FinishRequest);
}

int32_t JkHttpRead(int32_t handle, uint8_t* buffer, int32_t length) {
  TracePrintfA("JkHttpRead(%d, %d)\n", handle, length);
  const std::shared_ptr<Connection> c = find(handle);
  if (c == nullptr) return -1;
  {
    std::lock_guard<std::mutex> guard(c->lock);
    c->readBuffer = buffer;
    c->readLength = length;
  }
  give(*c, Command::Read);
  return 0;
}

int32_t JkHttpClose(int32_t handle) {
  TracePrintfA("JkHttpClose(%d)\n", handle);
  std::shared_ptr<Connection> c;
  {
    std::lock_guard<std::mutex> guard(gTableLock);
    const auto it = gConnections.find(handle);
    if (it == gConnections.end()) return -1;
    c = it->second;
    gConnections.erase(it);
  }
  give(*c, Command::Close);
  return 0;
}
