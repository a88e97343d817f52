// Dumps the whole Shift_JIS mapping as the codec steps give it, for the
// comparison with the charmap oracle (sjis_oracle.py):
//
//   d XX            every single byte 0x00-0xFF:  d 41 0041 | d 80 - | d 81 lead
//   d XX YY         every pair, lead 0x81-0x9F and 0xE0-0xFC x 0x00-0xFF:
//                   d 82 A0 3042 | d 87 40 - | d 81 0A lone 000A
//   e UUUU          every UCS-2 value:  e 3042 82A0 | e 0041 41 | e 2015 -
//
// Each line comes from the step with the flags 0 (drop), and its errors count
// must be the rule's (1 per bad single byte and lone lead, 2 per bad pair, 1
// per unmappable char); the one-character forms must agree with the steps.
// A line that breaks either rule ends in " mismatch".
#include <cstdint>
#include <cstdio>

#include "vm/services/text/sjis.h"

namespace {

void dumpDecode(const uint8_t* bytes, int32_t count) {
  uint16_t out[4] = {};
  int32_t written = 0;
  int32_t errors = 0;
  uint8_t pending = 0;
  int32_t consumed = vsSjis_sjisToUnicode(bytes, 0, count, out, 0, 4, &written, &pending, &errors, 0);
  uint16_t one = 0;
  int32_t decoded = vsSjis_decodeChar(bytes, count, &one);
  std::printf("d");
  for (int32_t i = 0; i < count; ++i) std::printf(" %02X", bytes[i]);
  bool ok = consumed == count;
  if (pending != 0) {
    std::printf(" lead");
    ok = ok && count == 1 && written == 0 && errors == 0 && decoded == 0;
  } else if (written == 1 && errors == 0) {
    std::printf(" %04X", out[0]);
    ok = ok && decoded == 1 && one == out[0];
  } else if (written == 0) {
    std::printf(" -");
    ok = ok && errors == count && decoded == 0 && one == 0xFFFD;
  } else if (written == 1 && errors == 1 && count == 2) {
    std::printf(" lone %04X", out[0]);
    ok = ok && decoded == 0;
  } else {
    ok = false;
  }
  std::printf(ok ? "\n" : " mismatch\n");
}

void dumpEncode(uint16_t ch) {
  uint8_t out[4] = {};
  int32_t written = 0;
  int32_t errors = 0;
  int32_t consumed = vsSjis_unicodeToSjis(&ch, 0, 1, out, 0, 4, &written, &errors, 0);
  uint8_t one[2] = {};
  int32_t n = vsSjis_encodeChar(ch, one, 2);
  std::printf("e %04X ", ch);
  bool ok = consumed == 1 && n == written;
  if (written == 0) {
    std::printf("-");
    ok = ok && errors == 1;
  } else {
    for (int32_t i = 0; i < written; ++i) std::printf("%02X", out[i]);
    for (int32_t i = 0; i < n && ok; ++i) ok = one[i] == out[i];
    ok = ok && errors == 0;
  }
  std::printf(ok ? "\n" : " mismatch\n");
}

}  // namespace

int main() {
  for (int32_t b = 0; b < 0x100; ++b) {
    uint8_t byte = static_cast<uint8_t>(b);
    dumpDecode(&byte, 1);
  }
  for (int32_t lead = 0x81; lead <= 0xFC; ++lead) {
    if (!vsSjis_isLeadByte(lead)) continue;
    for (int32_t trail = 0; trail < 0x100; ++trail) {
      uint8_t pair[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
      dumpDecode(pair, 2);
    }
  }
  for (int32_t ch = 0; ch < 0x10000; ++ch) dumpEncode(static_cast<uint16_t>(ch));
  return std::fflush(stdout) == 0 ? 0 : 1;
}
