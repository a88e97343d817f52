// Growable-buffer inflater (see png_inflater.h).
#include "port/kjava_gfx/devcodec/png_inflater.h"

#include <algorithm>
#include <cstring>

void* PngInflater::lZAlloc(void* opaque, unsigned items, unsigned size) {
  auto* self = static_cast<PngInflater*>(opaque);
  return self->allocator_.alloc(uint64_t{items} * size);
}

void PngInflater::lZFree(void* opaque, void* address) {
  static_cast<PngInflater*>(opaque)->allocator_.free(address);
}

void PngInflater::freeBuffers() {
  allocator_.free(in_);
  allocator_.free(out_);
  in_ = out_ = nullptr;
  inSize_ = outSize_ = 0;
  read_ = write_ = 0;
}

bool PngInflater::start(uint64_t inputSize, uint64_t outputSize) {
  end();
  const auto inBytes = static_cast<uint32_t>(std::max<uint64_t>(std::min<uint64_t>(inputSize, kInputMax), kInputMin));
  const auto outBytes =
      static_cast<uint32_t>(std::max<uint64_t>(std::min<uint64_t>(outputSize, kOutputMax), kOutputMin));
  in_ = static_cast<uint8_t*>(allocator_.alloc(inBytes));
  out_ = static_cast<uint8_t*>(allocator_.alloc(outBytes));
  if (in_ == nullptr || out_ == nullptr) {
    freeBuffers();
    return false;
  }
  inSize_ = inBytes;
  outSize_ = outBytes;
  stream_ = inflateStream_open(lZAlloc, lZFree);
  if (stream_ == nullptr) {
    freeBuffers();
    return false;
  }
  stream_->opaque = this;
  stream_->nextIn = in_;
  stream_->nextOut = out_;
  stream_->availOut = outSize_;
  initialised_ = inflateStream_init(stream_) == Z_OK;
  if (!initialised_) {
    end();
    return false;
  }
  return true;
}

bool PngInflater::end() {
  bool clean = false;
  if (stream_ != nullptr) {
    if (initialised_)
      clean = inflateStream_end(stream_) == Z_OK;
    inflateStream_release(stream_);
  }
  stream_ = nullptr;
  initialised_ = false;
  streamEnded_ = false;
  freeBuffers();
  return clean;
}

PngInflater::Status PngInflater::feed(const uint8_t* data, uint32_t n) {
  if (stream_ == nullptr)
    return Status::Fail;
  if (streamEnded_ || n == 0)
    return Status::Ok;
  uint32_t offset = static_cast<uint32_t>(stream_->nextIn - in_);
  const uint32_t unconsumed = stream_->availIn;
  if (inSize_ - offset - unconsumed < n) {
    std::memmove(in_, in_ + offset, unconsumed);
    offset = 0;
    if (inSize_ - unconsumed < n) {
      const uint64_t size = uint64_t{unconsumed} + n;
      if (size > kInputMax)
        return Status::Fail;
      auto* bigger = static_cast<uint8_t*>(allocator_.alloc(size));
      if (bigger == nullptr)
        return Status::Fail;
      std::memcpy(bigger, in_, unconsumed);
      allocator_.free(in_);
      in_ = bigger;
      inSize_ = static_cast<uint32_t>(size);
    }
  }
  std::memcpy(in_ + offset + unconsumed, data, n);
  stream_->nextIn = in_ + offset;
  stream_->availIn = unconsumed + n;
  return run();
}

PngInflater::Status PngInflater::resume() {
  if (stream_ == nullptr)
    return Status::Fail;
  if (streamEnded_)
    return Status::Ok;
  return run();
}

PngInflater::Status PngInflater::run() {
  for (;;) {
    if (write_ == outSize_) {
      if (read_ > 0) {
        // Room at the front: move the waiting bytes there.
        std::memmove(out_, out_ + read_, write_ - read_);
        write_ -= read_;
        read_ = 0;
      } else if (uint64_t{outSize_} + kOutputStep <= kOutputMax) {
        auto* bigger = static_cast<uint8_t*>(allocator_.alloc(uint64_t{outSize_} + kOutputStep));
        if (bigger == nullptr)
          return Status::Fail;
        std::memcpy(bigger, out_, write_);
        allocator_.free(out_);
        out_ = bigger;
        outSize_ += kOutputStep;
      } else {
        return Status::Full;
      }
    }
    stream_->nextOut = out_ + write_;
    stream_->availOut = outSize_ - write_;
    const int result = inflateStream_inflate(stream_, Z_SYNC_FLUSH);
    write_ = outSize_ - stream_->availOut;
    if (result == Z_STREAM_END) {
      // Whatever follows the stream's end is ignored.
      streamEnded_ = true;
      stream_->availIn = 0;
      return Status::Ok;
    }
    // No progress possible only because the input is used up: wait for more.
    if (result == Z_BUF_ERROR && stream_->availIn == 0)
      return Status::Ok;
    if (result != Z_OK)
      return Status::Fail;
    if (stream_->availOut != 0)
      return Status::Ok;
  }
}

bool PngInflater::take(uint8_t* buffer, uint32_t n) {
  if (available() < n)
    return false;
  std::memcpy(buffer, out_ + read_, n);
  read_ += n;
  if (read_ == write_)
    read_ = write_ = 0;
  return true;
}
