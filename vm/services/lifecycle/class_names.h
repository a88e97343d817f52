// Names of classes and of the calling Java methods for the services, in
// one shared 512-byte buffer (each call overwrites the last answer).
#pragma once

#include <cstdint>

inline constexpr int32_t kVsClassNameBufferBytes = 512;
inline constexpr int32_t kVsNamePartBytes = 255;

// "class.method" of the Java frame `depth` levels above the running
// native, class and method names each cut to 255 bytes; null when the
// stack is shorter or the class name has 511 bytes or more.
const char* vsSys_getCallerMethodName(int32_t depth);
// The name (slash form, at most 511 bytes) of the class of the number
// natives hand out (class id + 1), or null for a number of no class.
const char* vsSys_getClassNameById(int32_t id);
