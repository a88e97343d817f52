// The one way the romizer ends on a failure: a message on standard error,
// the output file removed, status 1.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/romizer/romizer_model.h"
#include "tools/romizer/romizer_output.h"

namespace {

std::string gOutputPath;

}  // namespace

void romizer_setOutputPath(const char* path) { gOutputPath = path; }

void romizer_fail(const char* format, ...) {
  std::fflush(stdout);
  std::fputs("romizer: ", stderr);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  if (!gOutputPath.empty()) std::remove(gOutputPath.c_str());
  std::exit(1);
}
