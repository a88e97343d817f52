// Classes by name and number for the services: the names of classes and of
// the calling Java methods, in one shared 512-byte buffer (each call
// overwrites the last answer), and whether a class of a name exists.
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

// 1 when a class of the name (slash form, or an array descriptor) is loaded
// or can be loaded from the class path, else 0 (also for null). It runs on
// the VM thread inside a local-root frame: a failed lookup leaves no
// exception behind, and one pending before the call is pending after it.
int32_t vsSys_classExists(const char* name);
