// The one process-fatal path and the assertions that lead to it.
//
// vsFatal prints "Fatal: <message> (<file>:<line>)" on standard error and
// aborts: every place that ends the process on a broken invariant goes
// through it, so each such end names its cause and its place the same way.
// VsCallSite carries the place: a defaulted argument of that type records
// the caller's file and line.
//
// VS_ASSERT(cond, msg) checks what nothing else checks (a whole number of
// records, a guard's end tag, a stack pointer above its limit) in the
// sanitizer and fuzz trees and in every debug build; in optimised builds it
// evaluates nothing. VS_UNREACHABLE(msg) marks a place control never
// reaches: fatal in checked builds, an optimiser hint otherwise.
#pragma once

#if !defined(NDEBUG)
#define VS_ASSERTS_ON 1
#else
#define VS_ASSERTS_ON 0
#endif

// The caller's file and line, taken as default arguments. (std::source_location
// would do, but clang 14 of the fuzz build cannot compile libstdc++'s.)
struct VsCallSite {
  const char* file;
  unsigned line;
  static constexpr VsCallSite current(const char* file = __builtin_FILE(), unsigned line = __builtin_LINE()) {
    return {file, line};
  }
};

// Prints the message (a printf format and its arguments) with the place and
// aborts.
[[noreturn]] void vsFatal(VsCallSite where, const char* format, ...) __attribute__((format(printf, 2, 3)));

#if VS_ASSERTS_ON
#define VS_ASSERT(cond, msg)                                                                   \
  do {                                                                                         \
    if (!(cond)) [[unlikely]]                                                                  \
      vsFatal(VsCallSite::current(__FILE__, __LINE__), "assertion %s failed: %s", #cond, msg); \
  } while (0)
#define VS_UNREACHABLE(msg) vsFatal(VsCallSite::current(__FILE__, __LINE__), "unreachable: %s", msg)
#else
#define VS_ASSERT(cond, msg) \
  do {                       \
  } while (0 && (cond))
#define VS_UNREACHABLE(msg) __builtin_unreachable()
#endif
