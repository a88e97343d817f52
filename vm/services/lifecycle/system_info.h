// The VM's system-information record, which the system-property natives
// read. Nothing in the VM writes its texts yet: on the first read of a run
// every unset text becomes "UNKNOWN" and the numbers 0, so the natives
// always find a text to hand to Java.
//
//   VsSystemInfo (19 words, per run)
//   +0  text 0 (UTF-8)   +4 text 1 (UTF-8)   +8 number 0 (s32)
//   +12 .. +44  texts 2-10 (nine UTF-8 texts; the property getter's
//               index 0..8)
//   +48 number 1 (s32)
//   +52 wide text 0 {units, length}   +60 wide text 1   +68 wide text 2
//       (UTF-16 units, not terminated, and their count)
//
// kVsSystemInfoWords names the kind of each word; the filling follows it.
// Texts 0 and 1 go together: both become "UNKNOWN" when text 1 is unset.
// A wide text whose units are unset becomes "UNKNOWN" with length 7.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

struct VsSystemInfoWideText {
  VmPtr<const uint16_t> units;
  int32_t length;
};
static_assert(sizeof(VsSystemInfoWideText) == 8);

inline constexpr int32_t kVsSystemInfoIndexedTexts = 9;
inline constexpr int32_t kVsSystemInfoWideTexts = 3;

struct VsSystemInfo {
  VmPtr<const char> text0;
  VmPtr<const char> text1;
  int32_t number0;
  VmPtr<const char> indexedTexts[kVsSystemInfoIndexedTexts];
  int32_t number1;
  VsSystemInfoWideText wideTexts[kVsSystemInfoWideTexts];
};
static_assert(sizeof(VsSystemInfo) == 19 * 4);
static_assert(offsetof(VsSystemInfo, text1) == 4 && offsetof(VsSystemInfo, number0) == 8 &&
              offsetof(VsSystemInfo, indexedTexts) == 12 && offsetof(VsSystemInfo, number1) == 48 &&
              offsetof(VsSystemInfo, wideTexts) == 52);

// What a word of the record holds.
enum class VsSystemInfoKind : int32_t { Text, Number, WideUnits, WideLength };

struct VsSystemInfoWord {
  VsSystemInfoKind kind;
  int32_t guard;  // Text: the word whose being unset makes this one "UNKNOWN"
};

inline constexpr int32_t kVsSystemInfoWordCount = 19;

inline constexpr VsSystemInfoWord kVsSystemInfoWords[kVsSystemInfoWordCount] = {
    {VsSystemInfoKind::Text, 1},       {VsSystemInfoKind::Text, 1},       {VsSystemInfoKind::Number, 0},
    {VsSystemInfoKind::Text, 3},       {VsSystemInfoKind::Text, 4},       {VsSystemInfoKind::Text, 5},
    {VsSystemInfoKind::Text, 6},       {VsSystemInfoKind::Text, 7},       {VsSystemInfoKind::Text, 8},
    {VsSystemInfoKind::Text, 9},       {VsSystemInfoKind::Text, 10},      {VsSystemInfoKind::Text, 11},
    {VsSystemInfoKind::Number, 0},     {VsSystemInfoKind::WideUnits, 0},  {VsSystemInfoKind::WideLength, 0},
    {VsSystemInfoKind::WideUnits, 0},  {VsSystemInfoKind::WideLength, 0}, {VsSystemInfoKind::WideUnits, 0},
    {VsSystemInfoKind::WideLength, 0},
};
static_assert(sizeof(VsSystemInfo) == sizeof(kVsSystemInfoWords) / sizeof(VsSystemInfoWord) * 4);

// The record of this run, filled on its first call.
const VsSystemInfo* vsSystemInfo_get();
