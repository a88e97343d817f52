// Wide strings (see crt_string.h).
#include "ce/base/crt_string.h"

size_t wcslen(const WCHAR* text) {
  size_t n = 0;
  while (text[n] != 0)
    ++n;
  return n;
}
