// Shared pieces of the installer tests: a memory install source over a low
// copy of bytes.
#pragma once

#include <cstring>
#include <string>

#include "ce/substrate/low_memory.h"
#include "ce/substrate/vm_word.h"
#include "storage/installer.h"

class MemorySource {
 public:
  explicit MemorySource(const std::string& bytes) {
    block_ = vsLow_alloc(bytes.size() + 1);
    std::memcpy(block_, bytes.data(), bytes.size());
    source_.kind = kOjmsSourceMemory;
    source_.size = static_cast<uint32_t>(bytes.size());
    source_.data = vsWord_fromPointer(block_);
  }
  ~MemorySource() { vsLow_free(block_); }
  MemorySource(const MemorySource&) = delete;
  MemorySource& operator=(const MemorySource&) = delete;
  const OjmsSource* get() const { return &source_; }

 private:
  void* block_;
  OjmsSource source_{};
};
