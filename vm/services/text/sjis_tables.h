// The Shift_JIS mapping as tables, written by tools/sjis_tables.py into
// sjis_tables.cpp (never edited by hand; a test reruns the script).
//
// Decoding a pair is one read: lead byte -> row, then row x trail.
//
//   kVsSjis_leadRow[lead]      0: no row (not a lead, or a lead of an
//                              unassigned row); else row index + 1
//   kVsSjis_decodeRows[row][trail - 0x40]   UCS-2, 0 unassigned
//
// Encoding dispatches on the char's high byte: page = kVsSjis_encodePages[ch >> 8]
// holds the low bytes lo..last (lo > last for an empty page) at
// kVsSjis_encodeCodes[base + low - lo]; a code below 0x100 is one byte, 0 is
// unmappable. Chars below U+0080 are ASCII and not in the pages.
#pragma once

#include <cstdint>

constexpr int32_t kVsSjis_rowCount = 39;  // leads 0x81-0x84, 0x88-0x9F, 0xE0-0xEA
constexpr int32_t kVsSjis_trailFirst = 0x40;
constexpr int32_t kVsSjis_trailLast = 0xFC;
constexpr int32_t kVsSjis_trailCount = kVsSjis_trailLast - kVsSjis_trailFirst + 1;

struct VsSjisEncodePage {
  uint16_t base;
  uint8_t lo;
  uint8_t last;
};
static_assert(sizeof(VsSjisEncodePage) == 4);

extern const uint8_t kVsSjis_leadRow[256];
extern const uint16_t kVsSjis_decodeRows[kVsSjis_rowCount][kVsSjis_trailCount];
extern const VsSjisEncodePage kVsSjis_encodePages[256];
extern const uint16_t kVsSjis_encodeCodes[];
