// The descriptor decoder: the policies of the one decoder for a byte reader,
// plain memory and an allocator environment.
#include "vm/core/loader/jar_inflater.h"

#include <cstring>

#include "vm/core/loader/inflater_core.h"

namespace {

// Bytes from the reader while the declared input lasts, then the four zero
// bytes of read-ahead, then nothing.
class ReaderInput {
 public:
  ReaderInput(void* context, VsJarInflaterByteReader reader, uint32_t length, uint32_t word)
      : context_(context), reader_(reader), left_(length), word_(word) {}

  bool fetch(uint32_t& byte) {
    if (left_ != 0) {
      const int32_t b = reader_(context_, &word_);
      if (b < 0 || b > 255) return false;
      --left_;
      byte = static_cast<uint32_t>(b);
      return true;
    }
    if (pad_ == 0) return false;
    --pad_;
    byte = 0;
    return true;
  }
  bool copy(uint8_t* to, uint32_t n) {
    if (n > left_) return false;
    for (uint32_t i = 0; i < n; ++i) {
      uint32_t b;
      if (!fetch(b)) return false;
      to[i] = static_cast<uint8_t>(b);
    }
    return true;
  }
  bool consumedExactly(uint32_t readAhead) const {
    return left_ == 0 && pad_ + readAhead == vs_inflater::kReadAhead;
  }
  void refresh() {}

 private:
  void* context_;
  VsJarInflaterByteReader reader_;
  uint32_t left_;
  uint32_t pad_ = vs_inflater::kReadAhead;
  uint32_t word_;
};

class MemoryOutput {
 public:
  explicit MemoryOutput(uint8_t* data) : data_(data) {}
  uint8_t* refresh() { return data_; }

 private:
  uint8_t* data_;
};

// The decoder releases every table it allocates before it returns.
class EnvironmentTables {
 public:
  explicit EnvironmentTables(const VsInflaterAllocator* allocator) : allocator_(allocator) {}

  uint16_t* allocate(VsInflaterTable which, uint32_t words) {
    release(which);
    auto* t = static_cast<uint16_t*>(allocator_->allocate(words * 2, allocator_->environment));
    if (t != nullptr) std::memset(t, 0, words * 2);
    slot(which) = t;
    return t;
  }
  uint16_t* words(VsInflaterTable which) { return slot(which); }
  void release(VsInflaterTable which) {
    uint16_t*& t = slot(which);
    if (t != nullptr) allocator_->release(t, allocator_->environment);
    t = nullptr;
  }

 private:
  uint16_t*& slot(VsInflaterTable which) { return tables_[static_cast<int>(which)]; }
  const VsInflaterAllocator* allocator_;
  uint16_t* tables_[3] = {};
};

}  // namespace

int32_t vsJarInflater_inflate(const VsInflaterAllocator* allocator, void* context,
                              VsJarInflaterByteReader byteReader, uint32_t inputLength,
                              uint8_t* output, uint32_t outputLength, uint32_t readerWord) {
  if (allocator == nullptr || byteReader == nullptr || (output == nullptr && outputLength != 0))
    return 0;
  ReaderInput input(context, byteReader, inputLength, readerWord);
  MemoryOutput out(output);
  EnvironmentTables tables(allocator);
  VsInflaterCore core(input, out, tables, outputLength);
  return core.inflate();
}
