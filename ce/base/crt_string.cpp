// Wide strings (see crt_string.h).
#include "ce/base/crt_string.h"

size_t wcslen(const WCHAR* text) {
  size_t n = 0;
  while (text[n] != 0)
    ++n;
  return n;
}

namespace {

WCHAR lFold(WCHAR c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) || (c >= 0x0410 && c <= 0x042F))
    return static_cast<WCHAR>(c + 0x20);
  if (c >= 0x0400 && c <= 0x040F)
    return static_cast<WCHAR>(c + 0x50);
  return c;
}

}  // namespace

int _wcsicmp(const WCHAR* a, const WCHAR* b) {
  for (;; ++a, ++b) {
    const WCHAR x = lFold(*a);
    const WCHAR y = lFold(*b);
    if (x != y || x == 0)
      return static_cast<int>(x) - static_cast<int>(y);
  }
}
