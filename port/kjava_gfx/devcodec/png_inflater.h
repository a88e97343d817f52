// Growable-buffer inflater of the PNG decoder: compressed image data goes in
// piece by piece, decompressed bytes wait in a bounded output buffer until the
// decoder takes them a row at a time. zlib is reached only through the inflate
// stream adapter; every buffer, zlib's own state included, comes from the
// caller's allocate and free functions.
//
//   input:   | consumed | unconsumed (stream's next in, avail in) | free |
//   output:  | taken | waiting (read .. write) | free (stream's next out) |
//
// Invariants:
//   - the input buffer never exceeds kInputMax bytes, the output buffer never
//     exceeds kOutputMax bytes;
//   - when the output buffer is full and cannot grow, feed answers Full with
//     the rest of the piece still unconsumed; the caller takes rows and calls
//     resume, which goes on with the same piece;
//   - after the end of the zlib stream, further input is ignored;
//   - end is idempotent and leaves nothing allocated.
#pragma once

#include <cstdint>

#include "port/kjava_gfx/devcodec/codec_allocator.h"
#include "port/kjava_gfx/inflate_stream.h"

class PngInflater {
 public:
  static constexpr uint32_t kInputMin = 256;
  static constexpr uint32_t kInputMax = 10240;
  static constexpr uint32_t kOutputMin = 256;
  static constexpr uint32_t kOutputMax = 286720;
  static constexpr uint32_t kOutputStep = 2048;

  enum class Status {
    Ok,    // all input consumed (or the stream has ended)
    Full,  // the output buffer is full at its maximum: take bytes, then resume
    Fail,  // corrupt data, out of memory, or input beyond its maximum
  };

  explicit PngInflater(const CodecAllocator& allocator) : allocator_(allocator) {}
  PngInflater(const PngInflater&) = delete;
  PngInflater& operator=(const PngInflater&) = delete;

  // Frees any buffers, allocates both buffers within their limits, opens a
  // stream slot and initialises it.
  bool start(uint64_t inputSize, uint64_t outputSize);
  // Ends the stream and frees everything; true when zlib ended cleanly.
  bool end();

  // Appends n bytes to the input and inflates them.
  Status feed(const uint8_t* data, uint32_t n);
  // Inflates the input that a Full answer left unconsumed.
  Status resume();

  // Decompressed bytes waiting.
  uint32_t available() const { return write_ - read_; }
  // Copies n waiting bytes out; false (nothing taken) when fewer wait.
  bool take(uint8_t* buffer, uint32_t n);
  // Drops every waiting byte.
  void discard() { read_ = write_ = 0; }

 private:
  static void* lZAlloc(void* opaque, unsigned items, unsigned size);
  static void lZFree(void* opaque, void* address);
  void freeBuffers();
  Status run();

  CodecAllocator allocator_;
  InflateStream* stream_ = nullptr;
  bool initialised_ = false;
  bool streamEnded_ = false;
  uint8_t* in_ = nullptr;
  uint32_t inSize_ = 0;
  uint8_t* out_ = nullptr;
  uint32_t outSize_ = 0;
  uint32_t read_ = 0;
  uint32_t write_ = 0;
};
