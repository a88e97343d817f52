// A romizer_fail for tests: instead of printing and exiting, it throws the
// message as a RomizerFailure, which the test catches.
#pragma once

#include <string>

struct RomizerFailure {
  std::string message;
};
