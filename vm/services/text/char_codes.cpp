// The character-code conversion layer (see char_codes.h).
#include "vm/services/text/char_codes.h"

#include "ce/substrate/vm_sections.h"
#include "vm/core/natives/char_conv.h"
#include "vm/services/memory/handle_table.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/memory/trace_log.h"
#include "vm/services/text/ascii.h"
#include "vm/services/text/sjis.h"

namespace {

constexpr uint32_t kExactCount = kVsCharCodec_count | kVsCharCodec_exact;
constexpr int32_t kBufferUnits = kVsCharCodes_bufferBytes / 2;
// Larger counts cannot be stored (and no block is that large anyway).
constexpr int32_t kLargestCount = 0x3FFFFFFF;

// The buffer is word-aligned, so it takes UCS-2 results too.
struct ConversionBuffer {
  alignas(4) uint8_t bytes[kVsCharCodes_bufferBytes];
};
VS_VMBSS(ConversionBuffer) gBuffer = {};
// The empty result: an empty byte text and an empty UCS-2 text at once.
VS_VMDATA(uint16_t) gEmpty = 0;

uint8_t* emptyBytes() { return reinterpret_cast<uint8_t*>(&gEmpty); }
uint16_t* bufferUnits() { return reinterpret_cast<uint16_t*>(gBuffer.bytes); }

// The trace lines of one layer function, as the system writes them.
struct TraceLines {
  const char* countFailed;
  const char* allocFailed;
  const char* transFailed;
};

constexpr TraceLines kNativeWithBuffer = {"[vsCharCodes_unicode2nativeWithBuffer] count failed.",
                                          "[vsCharCodes_unicode2nativeWithBuffer] alloc memory failed.",
                                          "[vsCharCodes_unicode2nativeWithBuffer] trans failed."};
constexpr TraceLines kNativeWithAlloc = {"[vsCharCodes_unicode2nativeWithAlloc] count failed.",
                                         "[vsCharCodes_unicode2nativeWithAlloc] alloc memory failed.",
                                         "[vsCharCodes_unicode2nativeWithAlloc] trans failed."};
constexpr TraceLines kUnicodeWithBuffer = {"[vsCharCodes_byte2unicodeWithBuffer] count failed.",
                                           "[vsCharCodes_byte2nativeWithBuffer] alloc memory failed.",
                                           "[vsCharCodes_byte2unicodeWithBuffer] trans failed."};
constexpr TraceLines kUnicodeWithAlloc = {"[vsCharCodes_byte2unicodeWithAlloc] count failed.",
                                          "[vsCharCodes_byte2unicodeWithAlloc] alloc memory failed.",
                                          "[vsCharCodes_byte2unicodeWithAlloc] trans failed."};
constexpr TraceLines kUnicodeWithHandle = {"[vsCharCodes_sjis2unicodeWithHandle] count failed.\n",
                                           "[vsCharCodes_sjis2unicodeWithHandle] alloc memory failed.\n",
                                           "[vsCharCodes_sjis2unicodeWithHandle] trans failed.\n"};

void trace(const char* line) { vsTraceLog_trace("%s", line); }

// The count pass of an encoder: fast while every unmappable char takes one
// byte, exact when the raw flag or a two-byte replacement may take two.
uint32_t encoderCountFlags(uint32_t flags) {
  bool twoByteUnmappable = (flags & kVsCharCodec_raw) != 0 || (flags >> 24) != 0;
  return flags | kVsCharCodec_count | (twoByteUnmappable ? kVsCharCodec_exact : 0);
}

// Both passes of an encoder into the buffer (when `buffered` and the result
// fits) or a new block; the NUL-terminated result, or null after a trace line.
uint8_t* encodeText(const TraceLines& lines, bool buffered, const uint16_t* src, int32_t length,
                    int32_t* outLength, VsCharEncoder encoder, uint32_t flags) {
  if (outLength != nullptr) *outLength = 0;
  int32_t count = 0;
  if (encoder(src, 0, length, nullptr, 0, 0, &count, nullptr, encoderCountFlags(flags)) < 0 ||
      count > kLargestCount) {
    trace(lines.countFailed);
    return nullptr;
  }
  bool inBuffer = buffered && count + 1 < kVsCharCodes_bufferBytes;
  uint8_t* out = inBuffer ? gBuffer.bytes : static_cast<uint8_t*>(vsMemory_allocPointer(count + 1));
  if (out == nullptr) {
    trace(lines.allocFailed);
    return nullptr;
  }
  int32_t written = 0;
  if (encoder(src, 0, length, out, 0, count, &written, nullptr, flags & ~kExactCount) < 0) {
    trace(lines.transFailed);
    if (!inBuffer) vsMemory_freePointer(out);
    return nullptr;
  }
  out[written] = 0;
  if (outLength != nullptr) *outLength = written;
  return out;
}

// The count pass of a decoder: the fast count (an upper bound), or -1 after
// the trace line.
int32_t countUnits(const TraceLines& lines, const uint8_t* src, int32_t length, VsCharDecoder decoder) {
  int32_t count = 0;
  if (decoder(src, 0, length, nullptr, 0, 0, &count, nullptr, nullptr, kVsCharCodec_count) < 0 ||
      count > kLargestCount) {
    trace(lines.countFailed);
    return -1;
  }
  return count;
}

// The convert pass of a decoder into out[0, room): the units written, or -1
// after the trace line.
int32_t decodeInto(const TraceLines& lines, const uint8_t* src, int32_t length, VsCharDecoder decoder,
                   uint16_t* out, int32_t room) {
  int32_t written = 0;
  if (decoder(src, 0, length, out, 0, room, &written, nullptr, nullptr, kVsCharCodec_replace) < 0) {
    trace(lines.transFailed);
    return -1;
  }
  return written;
}

// Both passes of a decoder into the buffer (when `buffered` and the result
// fits) or a new block of 2 x count bytes (2 at least, so that an empty text
// is a result too); null after a trace line.
uint16_t* decodeText(const TraceLines& lines, bool buffered, const uint8_t* src, int32_t length,
                     VsCharDecoder decoder, int32_t* outLength) {
  if (outLength != nullptr) *outLength = 0;
  int32_t count = countUnits(lines, src, length, decoder);
  if (count < 0) return nullptr;
  bool inBuffer = buffered && count < kBufferUnits;
  uint16_t* out = inBuffer ? bufferUnits()
                           : static_cast<uint16_t*>(vsMemory_allocPointer(count > 0 ? 2 * count : 2));
  if (out == nullptr) {
    trace(lines.allocFailed);
    return nullptr;
  }
  int32_t written = decodeInto(lines, src, length, decoder, out, count);
  if (written < 0) {
    if (!inBuffer) vsMemory_freePointer(out);
    return nullptr;
  }
  if (outLength != nullptr) *outLength = written;
  return out;
}

}  // namespace

uint8_t* vsCharCodes_unicode2nativeWithBuffer(const uint16_t* src, int32_t length, int32_t* outLength,
                                              VsCharEncoder encoder, uint32_t flags) {
  uint8_t* out = encodeText(kNativeWithBuffer, true, src, length, outLength, encoder, flags);
  return out != nullptr ? out : emptyBytes();
}

uint8_t* vsCharCodes_unicode2nativeWithAlloc(const uint16_t* src, int32_t length, int32_t* outLength,
                                             VsCharEncoder encoder, uint32_t flags) {
  return encodeText(kNativeWithAlloc, false, src, length, outLength, encoder, flags);
}

uint16_t* vsCharCodes_byte2unicodeWithBuffer(const uint8_t* src, int32_t length, VsCharDecoder decoder,
                                             int32_t* outLength) {
  uint16_t* out = decodeText(kUnicodeWithBuffer, true, src, length, decoder, outLength);
  return out != nullptr ? out : &gEmpty;
}

uint16_t* vsCharCodes_byte2unicodeWithAlloc(const uint8_t* src, int32_t length, VsCharDecoder decoder,
                                            int32_t* outLength) {
  return decodeText(kUnicodeWithAlloc, false, src, length, decoder, outLength);
}

VmWord vsCharCodes_sjis2unicodeWithHandle(const uint8_t* src, int32_t length, int32_t* outLength) {
  if (outLength != nullptr) *outLength = 0;
  int32_t count = countUnits(kUnicodeWithHandle, src, length, vsSjis_sjisToUnicode);
  if (count < 0) return 0;
  VmWord handle = vsMemory_allocHandle(count > 0 ? 2 * count : 2, 0, 0);
  uint16_t* out = handle != 0 ? static_cast<uint16_t*>(vsMemory_handleLock(handle)) : nullptr;
  if (out == nullptr) {
    trace(kUnicodeWithHandle.allocFailed);
    if (handle != 0) vsMemory_freeHandle(handle);
    return 0;
  }
  int32_t written = decodeInto(kUnicodeWithHandle, src, length, vsSjis_sjisToUnicode, out, count);
  vsMemory_handleUnlock(handle);
  if (written < 0) {
    vsMemory_freeHandle(handle);
    return 0;
  }
  if (outLength != nullptr) *outLength = written;
  return handle;
}

uint8_t* vsCharCodes_unicode2utf8WithAlloc(const uint16_t* src, int32_t length) {
  if (length < 0 || length > kLargestCount / 3) return nullptr;
  for (int32_t perUnit = 2; perUnit <= 3; ++perUnit) {
    int32_t room = perUnit * length;
    uint8_t* out = static_cast<uint8_t*>(vsMemory_allocPointer(room + 1));
    if (out == nullptr) return nullptr;
    int32_t written = 0;
    if (length == 0 ||
        vsCharConv_utf16ToUtf8(src, 0, length, out, 0, room, &written, nullptr, kVsCharCodec_replace) >= 0) {
      out[written] = 0;
      return out;
    }
    vsMemory_freePointer(out);
  }
  return nullptr;
}

uint8_t* vsCharCodes_unicode2asciiWithBuffer(const uint16_t* src, int32_t length, int32_t* outLength) {
  return vsCharCodes_unicode2nativeWithBuffer(src, length, outLength, vsAscii_unicodeToAscii, kVsCharCodec_replace);
}

uint8_t* vsCharCodes_unicode2asciiWithAlloc(const uint16_t* src, int32_t length, int32_t* outLength) {
  return vsCharCodes_unicode2nativeWithAlloc(src, length, outLength, vsAscii_unicodeToAscii, kVsCharCodec_replace);
}

uint8_t* vsCharCodes_unicode2sjisWithBuffer(const uint16_t* src, int32_t length, int32_t* outLength) {
  return vsCharCodes_unicode2nativeWithBuffer(src, length, outLength, vsSjis_unicodeToSjis, kVsCharCodec_replace);
}

uint8_t* vsCharCodes_unicode2sjisWithAlloc(const uint16_t* src, int32_t length, int32_t* outLength) {
  return vsCharCodes_unicode2nativeWithAlloc(src, length, outLength, vsSjis_unicodeToSjis, kVsCharCodec_replace);
}

uint16_t* vsCharCodes_sjis2unicodeWithBuffer(const uint8_t* src, int32_t length, int32_t* outLength) {
  return vsCharCodes_byte2unicodeWithBuffer(src, length, vsSjis_sjisToUnicode, outLength);
}

uint16_t* vsCharCodes_sjis2unicodeWithAlloc(const uint8_t* src, int32_t length, int32_t* outLength) {
  return vsCharCodes_byte2unicodeWithAlloc(src, length, vsSjis_sjisToUnicode, outLength);
}

uint16_t* vsCharCodes_utf82unicodeWithBuffer(const uint8_t* src, int32_t length, int32_t* outLength) {
  return vsCharCodes_byte2unicodeWithBuffer(src, length, vsCharConv_utf8ToUtf16, outLength);
}

void vsCharCodes_freeConverted(const void* pointer) {
  if (pointer == nullptr || pointer == gBuffer.bytes || pointer == &gEmpty) return;
  vsMemory_freePointer(const_cast<void*>(pointer));
}

int32_t vsCharCodes_countUnicode2native(const uint16_t* src, int32_t length, VsCharEncoder encoder,
                                        uint32_t flags) {
  int32_t count = 0;
  if (encoder(src, 0, length, nullptr, 0, 0, &count, nullptr, flags | kExactCount) < 0) return -1;
  return count;
}

int32_t vsCharCodes_countUnicode2sjis(const uint16_t* src, int32_t length) {
  return vsCharCodes_countUnicode2native(src, length, vsSjis_unicodeToSjis, kVsCharCodec_replace);
}

int32_t vsCharCodes_countByte2unicode(const uint8_t* src, int32_t length, VsCharDecoder decoder, uint32_t flags) {
  int32_t count = 0;
  if (decoder(src, 0, length, nullptr, 0, 0, &count, nullptr, nullptr, flags | kExactCount) < 0) return -1;
  return count;
}

int32_t vsCharCodes_countSjis2unicode(const uint8_t* src, int32_t length) {
  return vsCharCodes_countByte2unicode(src, length, vsSjis_sjisToUnicode, kVsCharCodec_replace);
}

int32_t vsCharCodes_unicodeChar2native(uint16_t ch, VsCharEncodeChar charEncoder) {
  uint8_t bytes[2] = {};
  int32_t n = charEncoder(ch, bytes, 2);
  if (n == 1) return bytes[0];
  if (n == 2) return (bytes[0] << 8) | bytes[1];
  return 0;
}

int32_t vsCharCodes_unicodeChar2sjis(uint16_t ch) { return vsCharCodes_unicodeChar2native(ch, vsSjis_encodeChar); }
