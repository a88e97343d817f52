// Case-blind string comparison (see case_compare.h).
#include "vm/services/lifecycle/case_compare.h"

namespace {

int32_t folded(unsigned char c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

int32_t compare(const char* a, const char* b, uint32_t limit) {
  const auto* x = reinterpret_cast<const unsigned char*>(a != nullptr ? a : "");
  const auto* y = reinterpret_cast<const unsigned char*>(b != nullptr ? b : "");
  for (uint32_t i = 0; i < limit; ++i) {
    const int32_t difference = folded(x[i]) - folded(y[i]);
    if (difference != 0 || x[i] == 0) return difference;
  }
  return 0;
}

}  // namespace

int32_t vsStr_caseCompare(const char* a, const char* b) { return compare(a, b, UINT32_MAX); }

int32_t vsStr_caseCompareN(const char* a, const char* b, int32_t n) {
  return n <= 0 ? 0 : compare(a, b, static_cast<uint32_t>(n));
}
