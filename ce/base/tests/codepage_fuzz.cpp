// Both code-page directions on the same bytes: the size queries agree with
// the conversions, the results are valid text, and valid input round-trips.
#include <cstdint>
#include <cstring>
#include <vector>

#include "ce/base/codepage.h"
#include "tests/support/fuzz_main.h"

namespace {

void body(const uint8_t* data, size_t size) {
  if (size > 1 << 16)
    return;
  const char* text = reinterpret_cast<const char*>(data);
  const int units = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0);
  std::vector<WCHAR> wide(static_cast<size_t>(units) + 1);
  if (MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(size), wide.data(), units) != units && units > 0)
    __builtin_trap();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  std::vector<char> back(static_cast<size_t>(bytes) + 1);
  if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, back.data(), bytes, nullptr, nullptr) != bytes &&
      bytes > 0)
    __builtin_trap();
  // The result holds no U+FFFD unless the input was malformed or held one.
  bool replaced = false;
  for (int i = 0; i < units; ++i)
    replaced |= wide[static_cast<size_t>(i)] == 0xFFFD;
  if (!replaced && (static_cast<size_t>(bytes) != size || std::memcmp(back.data(), data, size) != 0))
    __builtin_trap();
  // The input read as UTF-16 units converts to valid UTF-8 that round-trips.
  const auto* asWide = reinterpret_cast<const WCHAR*>(data);
  std::vector<WCHAR> aligned(size / 2 + 1);
  std::memcpy(aligned.data(), asWide, size / 2 * 2);
  const int n8 = WideCharToMultiByte(CP_ACP, 0, aligned.data(), static_cast<int>(size / 2), nullptr, 0, nullptr, nullptr);
  std::vector<char> utf8(static_cast<size_t>(n8) + 1);
  WideCharToMultiByte(CP_ACP, 0, aligned.data(), static_cast<int>(size / 2), utf8.data(), n8, nullptr, nullptr);
  const int n16 = MultiByteToWideChar(CP_ACP, 0, utf8.data(), n8, nullptr, 0);
  std::vector<WCHAR> again(static_cast<size_t>(n16) + 1);
  MultiByteToWideChar(CP_ACP, 0, utf8.data(), n8, again.data(), n16);
  const int n8b = WideCharToMultiByte(CP_ACP, 0, again.data(), n16, nullptr, 0, nullptr, nullptr);
  if (n8b != n8)
    __builtin_trap();
}

}  // namespace

VS_FUZZ_TARGET(body)
