// The buffered archive stream: refill, buffered and unbuffered reads and the
// seek that keeps the buffered window when it can.
#include "vm/core/loader/zip_stream.h"

#include <cstring>

#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/services/lifecycle/os_file.h"

namespace {

uint64_t position(const VsZipStream* s) {
  return (uint64_t{s->positionHigh} << 32) | s->positionLow;
}

void setPosition(VsZipStream* s, uint64_t p) {
  s->positionLow = static_cast<uint32_t>(p);
  s->positionHigh = static_cast<uint32_t>(p >> 32);
}

uint8_t* bufferBytes(const VsZipStream* s) {
  return reinterpret_cast<uint8_t*>(vsWord_toPointer<ByteArray>(s->buffer)->elements);
}

// Drops the buffered bytes and moves the file to `target`.
int32_t seekFile(VsZipStream* s, uint64_t target) {
  s->fill = 0;
  s->readIndex = 0;
  s->atEnd = 0;
  if (target > 0x7FFFFFFF || vsOs_fileSeek(s->fileHandle, static_cast<int32_t>(target), 0) != 0)
    return -1;
  setPosition(s, target);
  return 0;
}

}  // namespace

bool vsZipStream_create(VmRef* holder, VmWord fileHandle) {
  const VmRef record = vsJavaHeap_newZipStreamRecord();
  if (record == 0) return false;
  *holder = record;
  const VmRef buffer = vsJavaHeap_newByteArray(static_cast<int32_t>(kVsZipStream_bufferBytes));
  if (buffer == 0) {
    *holder = 0;
    return false;
  }
  VsZipStream* s = vsZipStream_of(holder);
  vsJavaHeap_storeReference(&s->buffer, buffer);
  s->fileHandle = fileHandle;
  s->capacity = kVsZipStream_bufferBytes;
  return true;
}

int32_t vsZipStream_close(VmRef* holder) {
  VsZipStream* s = vsZipStream_of(holder);
  if (s->fileHandle == 0) return -1;
  vsOs_fileClose(s->fileHandle);
  s->fileHandle = 0;
  return 0;
}

void vsZipStream_refill(VmRef* holder) {
  VsZipStream* s = vsZipStream_of(holder);
  if (s->atEnd) return;
  const int32_t n = vsOs_fileRead(s->fileHandle, bufferBytes(s), 1, s->capacity);
  const uint32_t count = n > 0 ? static_cast<uint32_t>(n) : 0;
  s->fill = count;
  s->readIndex = 0;
  setPosition(s, position(s) + count);
  if (count == 0 && (vsOs_fileIsAtEnd(s->fileHandle) || vsOs_fileHasError(s->fileHandle)))
    s->atEnd = 1;
}

uint32_t vsZipStream_read(VmRef* holder, uint8_t* destination, uint32_t count, bool buffered) {
  VsZipStream* s = vsZipStream_of(holder);
  if (!buffered) {
    // The file stands behind the buffered bytes; go back to the next unread one.
    const uint64_t next = position(s) - (s->fill - s->readIndex);
    if (seekFile(s, next) != 0) return 0;
    const int32_t n = count ? vsOs_fileRead(s->fileHandle, destination, 1, count) : 0;
    const uint32_t got = n > 0 ? static_cast<uint32_t>(n) : 0;
    setPosition(s, next + got);
    return got;
  }
  uint32_t done = 0;
  while (done < count) {
    if (s->readIndex == s->fill) {
      vsZipStream_refill(holder);
      if (s->readIndex == s->fill) break;  // at end, or nothing came
    }
    uint32_t n = s->fill - s->readIndex;
    if (n > count - done) n = count - done;
    std::memcpy(destination + done, bufferBytes(s) + s->readIndex, n);
    s->readIndex += n;
    done += n;
  }
  return done;
}

int32_t vsZipStream_seek(VmRef* holder, int32_t offset, int32_t whence) {
  VsZipStream* s = vsZipStream_of(holder);
  const uint64_t windowStart = position(s) - s->fill;
  int64_t target;
  if (whence == 0) {
    target = offset;
  } else if (whence == 1) {
    target = static_cast<int64_t>(windowStart + s->readIndex) + offset;
  } else {
    return -1;
  }
  if (target < 0) return -1;
  const auto t = static_cast<uint64_t>(target);
  if (t >= windowStart && t < position(s)) {
    s->readIndex = static_cast<uint32_t>(t - windowStart);
    return 0;
  }
  return seekFile(s, t);
}
