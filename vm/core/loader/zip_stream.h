// VsZipStream: a buffered byte stream over one open archive file.
//
// The record is a heap object of kind -17 (120 bytes) so that the collector
// keeps its buffer alive and may move both; it is only ever reached through
// a GC handle, and every address inside it is read again after a call that
// can allocate. Word map (byte offsets):
//
//    0 header              32 read index            52 central record copy
//    4 file handle         36 valid bytes (fill)       (46 bytes, 2 spare)
//    8 at-end flag         40 archive base         100 uncompressed size
//   12 buffer capacity     44 directory start      104 0
//   16 stream length (2w)  48 directory position   108 buffer (byte[])  <- ref
//   24 file position (2w)                          112 null             <- ref
//                                                  116 0
//
// The two reference words are the ones the kind's reference map names. The
// 64-bit fields are two words, low word first. The file position is that of
// the byte after the buffered ones: the buffer holds the file's bytes
// [position - fill, position) and the next byte read is buffer[index].
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/object_layout.h"

inline constexpr uint32_t kVsZipStream_bufferBytes = 256;
inline constexpr uint32_t kVsZipCentralRecordBytes = 46;

struct VsZipStream {
  VmWord header;
  VmWord fileHandle;
  int32_t atEnd;
  uint32_t capacity;
  uint32_t streamLengthLow, streamLengthHigh;
  uint32_t positionLow, positionHigh;
  uint32_t readIndex;
  uint32_t fill;
  uint32_t archiveBase;
  uint32_t directoryStart;
  uint32_t directoryPosition;
  uint8_t centralRecord[48];
  uint32_t uncompressedSize;
  VmWord unused26;
  VmRef buffer;
  VmRef unusedReference;
  VmWord unused29;
};

static_assert(sizeof(VsZipStream) == kZipStreamRecordBytes);
static_assert(offsetof(VsZipStream, fileHandle) == 4 && offsetof(VsZipStream, atEnd) == 8 &&
              offsetof(VsZipStream, capacity) == 12 && offsetof(VsZipStream, streamLengthLow) == 16 &&
              offsetof(VsZipStream, positionLow) == 24 && offsetof(VsZipStream, readIndex) == 32 &&
              offsetof(VsZipStream, fill) == 36 && offsetof(VsZipStream, archiveBase) == 40 &&
              offsetof(VsZipStream, directoryStart) == 44 &&
              offsetof(VsZipStream, directoryPosition) == 48 &&
              offsetof(VsZipStream, centralRecord) == 52 &&
              offsetof(VsZipStream, uncompressedSize) == 100 && offsetof(VsZipStream, buffer) == 108 &&
              offsetof(VsZipStream, unusedReference) == 112);
// The reference words are exactly those of the kind's map.
static_assert(vsKind_info(kKindZipStream).fixedSize == sizeof(VsZipStream) &&
              vsKind_info(kKindZipStream).referenceWordCount == 2 &&
              vsKind_info(kKindZipStream).referenceWords[0] * 4 == offsetof(VsZipStream, buffer) &&
              vsKind_info(kKindZipStream).referenceWords[1] * 4 ==
                  offsetof(VsZipStream, unusedReference));

// A new stream record over an open file handle, with its buffer; the record
// is stored in *holder. False with an exception pending when the heap is
// exhausted (nothing is then stored).
bool vsZipStream_create(VmRef* holder, VmWord fileHandle);

// Closes the file and clears the handle: -1 when none was open, else 0.
int32_t vsZipStream_close(VmRef* holder);

// Unless at end, reads up to the capacity into the buffer.
void vsZipStream_refill(VmRef* holder);

// Reads count bytes to destination; the number read. Buffered reads go
// through the buffer; unbuffered ones drop it and read the file directly
// (the destination may lie in the heap: nothing here allocates).
uint32_t vsZipStream_read(VmRef* holder, uint8_t* destination, uint32_t count, bool buffered);

// Moves the read position: whence 0 to `offset`, 1 by `offset`. Inside the
// buffered window only the index moves; otherwise the buffer is dropped and
// the file seeked. 0, or -1 when the target is outside the file.
int32_t vsZipStream_seek(VmRef* holder, int32_t offset, int32_t whence);

// The record behind a holder.
inline VsZipStream* vsZipStream_of(const VmRef* holder) {
  return vsWord_toPointer<VsZipStream>(*holder);
}
