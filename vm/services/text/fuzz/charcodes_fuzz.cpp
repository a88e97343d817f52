// Random input, destination sizes and flags into every decoder and encoder
// of the character codes: the Shift_JIS, ASCII and VM UTF-8 steps, and the
// host's UTF-16 <-> UTF-8 functions.
//
// Input: byte 0 picks the converter, byte 1 the destination size (in units),
// byte 2 the flags (replacement in bits 16-31 from byte 3), byte 4 the
// source start; the rest is the source (bytes, or little-endian UCS-2 units).
// Every destination ends where an inaccessible page begins, so a write past
// its end faults. Besides not crashing, each call must keep its results in
// range, and a fast count must bound the exact count (for encoders, when
// the replacement is one byte).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/support/fuzz_main.h"
#include "vm/core/natives/char_conv.h"
#include "vm/services/text/ascii.h"
#include "vm/services/text/sjis.h"
#include "vm/services/text/utf.h"

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

// One writable page followed by an inaccessible one; destinations end at
// the boundary.
class GuardedPage {
 public:
  GuardedPage() : page_(static_cast<size_t>(sysconf(_SC_PAGESIZE))) {
    base_ = static_cast<uint8_t*>(vsLow_map(2 * page_));
    check(base_ != nullptr);
    check(mprotect(base_ + page_, page_, PROT_NONE) == 0);
  }
  // A destination of `bytes` bytes whose end is the guard page.
  uint8_t* endingAt(size_t bytes) const { return base_ + page_ - bytes; }
  size_t page() const { return page_; }

 private:
  size_t page_;
  uint8_t* base_;
};

const VsCharDecoder kDecoders[] = {vsSjis_sjisToUnicode, vsAscii_asciiToUnicode, vsCharConv_utf8ToUtf16};
const VsCharEncoder kEncoders[] = {vsSjis_unicodeToSjis, vsAscii_unicodeToAscii, vsCharConv_utf16ToUtf8};

void decode(VsCharDecoder decoder, const GuardedPage& guard, const uint8_t* src, int32_t start, int32_t end,
            int32_t room, uint32_t flags, bool withPending) {
  uint16_t* dst = reinterpret_cast<uint16_t*>(guard.endingAt(static_cast<size_t>(room) * 2));
  int32_t written = 0;
  int32_t errors = 0;
  uint8_t pending = static_cast<uint8_t>(withPending && start < end ? src[start] | 0x80 : 0);
  uint8_t pendingCopy = pending;
  int32_t fast = 0;
  check(decoder(src, start, end, nullptr, 0, 0, &fast, &pendingCopy, nullptr, kVsCharCodec_count) >= 0);
  pendingCopy = pending;
  int32_t exact = 0;
  check(decoder(src, start, end, nullptr, 0, 0, &exact, &pendingCopy, nullptr, flags | 6) == end - start);
  check(fast >= exact);
  int32_t result = decoder(src, start, end, dst, 0, room, &written, withPending ? &pending : nullptr, &errors,
                           flags & ~6u);
  check(written >= 0 && written <= room && errors >= 0);
  check(result == -1 || (result < -1 && decoder == vsAscii_asciiToUnicode) || (result >= 0 && result <= end - start));
  if (result >= 0) check(written == exact);
}

void encode(VsCharEncoder encoder, const GuardedPage& guard, const uint16_t* src, int32_t start, int32_t end,
            int32_t room, uint32_t flags) {
  uint8_t* dst = guard.endingAt(static_cast<size_t>(room));
  int32_t fast = 0;
  check(encoder(src, start, end, nullptr, 0, 0, &fast, nullptr, kVsCharCodec_count) >= 0);
  int32_t exact = 0;
  check(encoder(src, start, end, nullptr, 0, 0, &exact, nullptr, flags | 6) == end - start);
  bool oneByteReplacement = (flags & kVsCharCodec_raw) == 0 || (flags & kVsCharCodec_replace) != 0;
  if (oneByteReplacement && (flags >> 24) == 0) check(fast >= exact);
  int32_t written = 0;
  int32_t errors = 0;
  int32_t result = encoder(src, start, end, dst, 0, room, &written, &errors, flags & ~6u);
  check(written >= 0 && written <= room && errors >= 0);
  check(result == -1 || (result < -1 && encoder == vsAscii_unicodeToAscii) || (result >= 0 && result <= end - start));
  if (result >= 0) check(written == exact);
}

void body(const uint8_t* data, size_t size) {
  static GuardedPage guard;
  if (size < 5) return;
  uint8_t pick = data[0];
  int32_t room = data[1];
  uint32_t flags = data[2] | (static_cast<uint32_t>(data[3]) << 16);
  if (data[2] & 0x80) flags |= static_cast<uint32_t>(data[3]) << 24;
  const uint8_t* bytes = data + 5;
  int32_t byteCount = static_cast<int32_t>(std::min<size_t>(size - 5, guard.page()));
  int32_t start = byteCount > 0 ? data[4] % (byteCount + 1) : 0;
  std::vector<uint8_t> byteCopy(bytes, bytes + byteCount);
  byteCopy.push_back(0);
  std::vector<uint16_t> units(static_cast<size_t>(byteCount / 2) + 1);
  for (int32_t i = 0; i + 1 < byteCount; i += 2) units[i / 2] = static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8));
  int32_t unitCount = byteCount / 2;
  int32_t unitStart = unitCount > 0 ? data[4] % (unitCount + 1) : 0;

  switch (pick % 5) {
    case 0:
    case 1:
      decode(kDecoders[(pick / 5) % 3], guard, byteCopy.data(), start, byteCount, room, flags, pick % 5 == 1);
      break;
    case 2:
      encode(kEncoders[(pick / 5) % 3], guard, units.data(), unitStart, unitCount, room, flags);
      break;
    case 3: {
      uint16_t* dst = reinterpret_cast<uint16_t*>(guard.endingAt(static_cast<size_t>(room) * 2));
      int32_t written = 0;
      int32_t replaced = 0;
      int32_t result = vsUtf_utf8ToUtf16(byteCopy.data(), byteCount, dst, room, &written, &replaced,
                                         static_cast<uint16_t>(flags >> 16));
      check(written >= 0 && written <= room && replaced >= 0 && replaced <= written);
      check(result >= -1 && result <= byteCount);
      if (result >= 0) check(written == vsUtf_utf8ToUtf16Length(byteCopy.data(), byteCount));
      break;
    }
    default: {
      uint8_t* dst = guard.endingAt(static_cast<size_t>(room));
      int32_t written = 0;
      int32_t result = vsUtf_utf16ToUtf8(units.data(), unitCount, dst, room, &written);
      check(written >= 0 && written <= room);
      check(result == -1 || result == unitCount);
      if (result >= 0) check(written == vsUtf_utf16ToUtf8Length(units.data(), unitCount));
      uint8_t one[2];
      uint16_t ch;
      if (unitCount > 0) {
        int32_t n = vsSjis_encodeChar(units[0], one, 2);
        check(n >= 0 && n <= 2);
        if (n > 0) check(vsSjis_decodeChar(one, n, &ch) == 1);
      }
      vsSjis_decodeChar(byteCopy.data(), byteCount, &ch);
      vsAscii_decodeChar(byteCopy.data(), byteCount, &ch);
      break;
    }
  }
}

}  // namespace

VS_FUZZ_TARGET(body)
