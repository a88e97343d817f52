// The HTTP functions of the platform port that the VM thread calls.
//
// Every call returns at once; its outcome arrives later as an HTTP event
// posted through AmNotifyHttpEvent(param, event, value), where param is the
// caller's value given to JkHttpOpen. A GET without headers or body runs
//   JkHttpOpen -> event 1, JkHttpFinishRequest -> event 6,
//   JkHttpRead ... -> event 7 with the bytes placed in the buffer: first the
//   response header text (status line, header lines and the empty line,
//   without "Transfer-Encoding" lines), then the body, then 0 at its end,
//   JkHttpClose -> event 8.
// A failure posts event 0 with an error code.
#pragma once

#include <cstdint>

enum : int32_t {
  kJkHttpMethodGet = 1,
  kJkHttpMethodHead = 2,
  kJkHttpMethodPost = 3,
};

enum : int32_t {
  kJkHttpEventError = 0,
  kJkHttpEventOpen = 1,
  kJkHttpEventEstablishSslSession = 2,
  kJkHttpEventWriteHeader = 3,
  kJkHttpEventWrite = 4,
  kJkHttpEventFlush = 5,
  kJkHttpEventFinishRequest = 6,
  kJkHttpEventRead = 7,
  kJkHttpEventClose = 8,
};

// The error code of a failure that is not the Internet library's.
inline constexpr int32_t kJkHttpErrorCustomerSpecMin = 10000;

// A handle (0 or more) or -1.
int32_t JkHttpOpen(const char* url, int32_t urlLength, int32_t method, uint32_t param);
// 0 when the request was handed to the worker, else -1.
int32_t JkHttpFinishRequest(int32_t handle);
int32_t JkHttpRead(int32_t handle, uint8_t* buffer, int32_t length);
int32_t JkHttpClose(int32_t handle);
