// The process-fatal path (see fatal.h).
#include "ce/substrate/fatal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void vsFatal(VsCallSite where, const char* format, ...) {
  std::fputs("Fatal: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, " (%s:%u)\n", where.file, where.line);
  std::fflush(stderr);
  std::abort();
}
