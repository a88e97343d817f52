// An output stream that keeps what is printed on it, for tests that check
// the text a VM printer writes.
#pragma once

#include <string>

#include "vm/core/startup/output_stream.h"

class CaptureStream final : public VsOutputStream {
 public:
  void printString(const char* text) const override { text_ += text; }
  std::string& text() const { return text_; }

 private:
  mutable std::string text_;
};
