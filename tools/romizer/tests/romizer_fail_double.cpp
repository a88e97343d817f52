// The throwing romizer_fail (see romizer_fail_double.h).
#include "tools/romizer/tests/romizer_fail_double.h"

#include <cstdarg>
#include <cstdio>

#include "tools/romizer/romizer_model.h"

void romizer_fail(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  throw RomizerFailure{text};
}
