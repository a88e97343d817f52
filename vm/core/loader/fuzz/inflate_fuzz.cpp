// Both decoders of the VM on the same bytes, against zlib.
//
// Input: three bytes of output length (little-endian, taken modulo 64 KiB +
// 1: longer outputs explore nothing new), then a raw DEFLATE stream. The two decoders must agree on the result and, when
// they succeed, on the output. When zlib decodes the stream to its end with
// exactly that many bytes and no input left, the decoders must succeed with
// zlib's output, with one exception kept by design: a dynamic block whose
// distance lengths are all zero, which zlib accepts and the VM refuses. A
// probe run of the same decoding core with recording tables tells that case
// (its distance table is never built although zlib took the stream, so
// it cannot have been an over-subscribed one).
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/heap_boot.h"
#include "tests/support/fuzz_main.h"
#include "vm/core/loader/inflater_core.h"
#include "vm/core/loader/jar_inflater.h"
#include "vm/core/loader/tests/class_path_driver.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

constexpr uint32_t kMaxOutput = 1u << 16;
constexpr uint32_t kHeapBytes = 1u << 20;

struct Bytes {
  const uint8_t* data;
  uint32_t size;
};

int32_t readByte(void* context, uint32_t* position) {
  const auto* in = static_cast<const Bytes*>(context);
  return *position < in->size ? in->data[(*position)++] : -1;
}

void* allocate(uint32_t bytes, void*) { return std::malloc(bytes); }
void release(void* block, void*) { std::free(block); }

// Probe policies: plain memory, and tables that remember what was built.
class ProbeInput {
 public:
  explicit ProbeInput(Bytes in) : in_(in) {}
  bool fetch(uint32_t& byte) {
    if (pos_ >= in_.size + vs_inflater::kReadAhead) return false;
    byte = pos_ < in_.size ? in_.data[pos_] : 0;
    ++pos_;
    return true;
  }
  bool copy(uint8_t* to, uint32_t n) {
    if (pos_ > in_.size || in_.size - pos_ < n) return false;
    std::memcpy(to, in_.data + pos_, n);
    pos_ += n;
    return true;
  }
  bool consumedExactly(uint32_t readAhead) const { return pos_ - readAhead == in_.size; }
  void refresh() {}

 private:
  Bytes in_;
  uint32_t pos_ = 0;
};

class ProbeOutput {
 public:
  explicit ProbeOutput(uint8_t* data) : data_(data) {}
  uint8_t* refresh() { return data_; }

 private:
  uint8_t* data_;
};

class ProbeTables {
 public:
  uint16_t* allocate(VsInflaterTable which, uint32_t words) {
    release(which);
    last = which;
    tables_[static_cast<int>(which)].assign(words, 0);
    return tables_[static_cast<int>(which)].data();
  }
  uint16_t* words(VsInflaterTable which) { return tables_[static_cast<int>(which)].data(); }
  void release(VsInflaterTable which) { tables_[static_cast<int>(which)].clear(); }
  VsInflaterTable last = VsInflaterTable::kDistances;

 private:
  std::vector<uint16_t> tables_[3];
};

// True when the decoding stopped because a distance table had no codes.
bool stoppedAtEmptyDistanceCode(Bytes in, uint32_t outputLength) {
  std::vector<uint8_t> out(outputLength + 1);
  ProbeInput input(in);
  ProbeOutput output(out.data());
  ProbeTables tables;
  VsInflaterCore core(input, output, tables, outputLength);
  return core.inflate() == 0 && tables.last == VsInflaterTable::kLiterals;
}

bool zlibInflate(Bytes in, uint32_t outputLength, std::vector<uint8_t>& out) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) return false;
  out.assign(outputLength + 1, 0);
  z.next_in = const_cast<uint8_t*>(in.data);
  z.avail_in = in.size;
  z.next_out = out.data();
  z.avail_out = outputLength + 1;
  const int ret = inflate(&z, Z_FINISH);
  const bool accepted = ret == Z_STREAM_END && z.total_out == outputLength && z.avail_in == 0;
  inflateEnd(&z);
  out.resize(outputLength);
  return accepted;
}

void body(const uint8_t* data, size_t size) {
  static const bool booted = vsTestHeap_boot(kHeapBytes, kHeapBytes);
  check(booted);
  if (size < 3 || size > (1u << 18)) return;
  const uint32_t outputLength = (data[0] | (data[1] << 8) | (uint32_t{data[2]} << 16)) % (kMaxOutput + 1);
  const Bytes in{data + 3, static_cast<uint32_t>(size - 3)};

  auto* descriptorOut = static_cast<uint8_t*>(vsLow_alloc(outputLength ? outputLength : 1));
  const VsInflaterAllocator allocator{allocate, release, nullptr};
  const int32_t descriptor =
      vsJarInflater_inflate(&allocator, const_cast<Bytes*>(&in), readByte, in.size, descriptorOut, outputLength, 0);

  std::vector<uint8_t> classPathOut(outputLength);
  const int32_t classPath = vsTestInflate_classPath(in.data, in.size, classPathOut.data(), outputLength);
  check(classPath == descriptor);
  if (descriptor == 1 && outputLength != 0)
    check(std::memcmp(descriptorOut, classPathOut.data(), outputLength) == 0);

  std::vector<uint8_t> zlibOut;
  if (zlibInflate(in, outputLength, zlibOut)) {
    if (descriptor == 1)
      check(outputLength == 0 || std::memcmp(descriptorOut, zlibOut.data(), outputLength) == 0);
    else
      check(stoppedAtEmptyDistanceCode(in, outputLength));
  }
  vsLow_free(descriptorOut);
}

}  // namespace

VS_FUZZ_TARGET(body)
