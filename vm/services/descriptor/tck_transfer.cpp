// The compatibility-test agent's HTTP transfer (see tck_transfer.h).
#include "vm/services/descriptor/tck_transfer.h"

#include <cstring>

#include "port/jk_http.h"
#include "port/vm_sync.h"
#include "port/vm_tick.h"
#include "vm/services/events/http_event.h"
#include "vm/services/memory/trace_log.h"

namespace {

constexpr uint32_t kAgentConnection = 0;
constexpr int32_t kPollMilliseconds = 100;
constexpr int32_t kPollsPerLog = 100;
constexpr int32_t kPollsPerSecond = 1000 / kPollMilliseconds;
constexpr int32_t kStatusOffset = 9;
constexpr char kHeaderEnd[] = "\r\n\r\n";
constexpr int32_t kHeaderEndLength = 4;
constexpr char kContentLength[] = "Content-Length: ";

uint64_t tickCount() {
  uint32_t high = 0;
  uint32_t low = 0;
  JkGetTickCount64(&high, &low);
  return (static_cast<uint64_t>(high) << 32) | low;
}

// The next event of the transfer, with its value.
int32_t waitEvent(int32_t* value) {
  for (int32_t polls = 1;; ++polls) {
    JkVmEventReset();
    const int32_t event = vsTckHttpEvent_read(value);
    if (event != kVsTckHttpNoEvent) return event;
    JkVmEventWait(kPollMilliseconds);
    if (polls % kPollsPerLog == 0)
      vsTraceLog_print("[tck_agent] Waiting for HTTP event... %d(sec)\n", polls / kPollsPerSecond);
  }
}

// Offset of CR LF CR LF in text[0, length), or -1.
int32_t findHeaderEnd(const uint8_t* text, int32_t length) {
  for (int32_t i = 0; i + kHeaderEndLength <= length; ++i)
    if (std::memcmp(text + i, kHeaderEnd, kHeaderEndLength) == 0) return i;
  return -1;
}

// Decimal digits at text[0, length) up to the first non-digit: the value,
// or -1 when there is no digit or it passes the limit.
int32_t parseNumber(const uint8_t* text, int32_t length, int32_t limit) {
  int64_t value = 0;
  int32_t digits = 0;
  for (; digits < length && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    value = value * 10 + (text[digits] - '0');
    if (value > limit) return -1;
  }
  return digits == 0 ? -1 : static_cast<int32_t>(value);
}

// The number after "Content-Length: " in the header, -1 when absent, -2
// when it is not a number that an int holds.
int32_t contentLength(const uint8_t* header, int32_t length) {
  const int32_t keyLength = static_cast<int32_t>(sizeof(kContentLength) - 1);
  for (int32_t i = 0; i + keyLength <= length; ++i) {
    if (std::memcmp(header + i, kContentLength, keyLength) != 0) continue;
    const int32_t value = parseNumber(header + i + keyLength, length - i - keyLength, INT32_MAX);
    return value < 0 ? -2 : value;
  }
  return -1;
}

// Sends the request that `call` makes and waits for its event: true when
// the call was taken and `expected` came.
bool step(int32_t call, int32_t expected, int32_t* value, const char* callFailed, const char* eventFailed) {
  if (call < 0) {
    vsTraceLog_error("%s", callFailed);
    return false;
  }
  const int32_t event = waitEvent(value);
  if (event == expected) return true;
  vsTraceLog_error(eventFailed, event);
  return false;
}

// One read into buffer[0, room): the bytes read (0 at the end), or -1.
int32_t readPiece(int32_t handle, uint8_t* buffer, int32_t room, const char* callFailed,
                  const char* eventFailed) {
  vsTckHttpEvent_reset();
  int32_t count = 0;
  if (!step(JkHttpRead(handle, buffer, room), kJkHttpEventRead, &count, callFailed, eventFailed)) return -1;
  if (count >= 0 && count <= room) return count;
  vsTraceLog_error("%s", callFailed);
  return -1;
}

void close(int32_t handle, bool report) {
  vsTckHttpEvent_reset();
  int32_t value = 0;
  const int32_t result = JkHttpClose(handle);
  if (result < 0) {
    if (report) vsTraceLog_error("[tck_agent] Failed to close HTTP connection.\n");
    return;
  }
  const int32_t event = waitEvent(&value);
  if (event != kJkHttpEventClose && report)
    vsTraceLog_error("[tck_agent] Failed to close HTTP connection. Event status=%d\n", event);
}

// Fails the transfer after the connection was opened.
int32_t abandon(int32_t handle) {
  close(handle, false);
  return -1;
}

void reportIllegalBody(int32_t received, int32_t length, int32_t headerSize) {
  vsTraceLog_error("[tck_agent] Received response body size is illegal.\n");
  vsTraceLog_error("recvLength = %d, contentLength = %d, headerSize = %d\n", received, length, headerSize);
}

}  // namespace

void vsTckAgent_pause(int32_t milliseconds) {
  const uint64_t end = tickCount() + static_cast<uint64_t>(milliseconds > 0 ? milliseconds : 0);
  for (uint64_t now = tickCount(); now < end; now = tickCount()) {
    JkVmEventReset();
    JkVmEventWait(static_cast<int32_t>(end - now));
  }
}

int32_t vsTckAgent_httpTransfer(const char* url, uint8_t* buffer, int32_t* size) {
  const int32_t capacity = *size;
  int32_t value = 0;
  vsTckHttpEvent_reset();
  const int32_t handle =
      JkHttpOpen(url, static_cast<int32_t>(std::strlen(url)), kJkHttpMethodGet, kAgentConnection);
  if (!step(handle, kJkHttpEventOpen, &value, "[tck_agent] Failed to open HTTP connection.\n",
            "[tck_agent] Failed to open HTTP connection. Event status=%d\n"))
    return handle < 0 ? -1 : abandon(handle);
  vsTckHttpEvent_reset();
  if (!step(JkHttpFinishRequest(handle), kJkHttpEventFinishRequest, &value,
            "[tck_agent] Failed to send HTTP request.\n",
            "[tck_agent] Failed to send HTTP request. Event status=%d\n"))
    return abandon(handle);

  // The header, in pieces until its blank line.
  constexpr char kHeaderFailed[] = "[tck_agent] Failed to receive HTTP response header.\n";
  int32_t received = 0;
  int32_t headerEnd = -1;
  while (headerEnd < 0) {
    const int32_t count =
        received < capacity
            ? readPiece(handle, buffer + received, capacity - received, kHeaderFailed,
                        "[tck_agent]  Failed to receive HTTP response header. Event status=%d\n")
            : 0;
    if (count <= 0) {
      if (count == 0) vsTraceLog_error("%s", kHeaderFailed);
      return abandon(handle);
    }
    received += count;
    headerEnd = findHeaderEnd(buffer, received);
  }
  const int32_t headerSize = headerEnd + kHeaderEndLength;
  const int32_t status =
      headerEnd > kStatusOffset ? parseNumber(buffer + kStatusOffset, headerEnd - kStatusOffset, 999) : -1;
  if (status < 0) {
    vsTraceLog_error("%s", kHeaderFailed);
    return abandon(handle);
  }

  // The body, up to its length or the end of the stream.
  const int32_t length = contentLength(buffer, headerEnd);
  if (length == -2 || (length >= 0 && (length > capacity - headerSize || received - headerSize > length))) {
    reportIllegalBody(received, length, headerSize);
    return abandon(handle);
  }
  while (length < 0 || received - headerSize < length) {
    const int32_t room = length < 0 ? capacity - received : headerSize + length - received;
    if (room == 0) {
      reportIllegalBody(received, length, headerSize);
      return abandon(handle);
    }
    const int32_t count =
        readPiece(handle, buffer + received, room, "[tck_agent] Failed to receive HTTP response.\n",
                  "[tck_agent] Failed to receive HTTP response. Event status=%d\n");
    if (count < 0) return abandon(handle);
    if (count == 0) break;
    received += count;
  }
  close(handle, true);
  *size = received;
  return status;
}
