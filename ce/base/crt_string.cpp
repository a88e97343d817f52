// Wide strings (see crt_string.h).
#include "ce/base/crt_string.h"

size_t wcslen(const WCHAR* text) {
  size_t n = 0;
  while (text[n] != 0)
    ++n;
  return n;
}

WCHAR* wcscpy(WCHAR* to, const WCHAR* from) {
  size_t i = 0;
  do
    to[i] = from[i];
  while (from[i++] != 0);
  return to;
}

WCHAR* wcscat(WCHAR* to, const WCHAR* from) {
  wcscpy(to + wcslen(to), from);
  return to;
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (a[i] != b[i])
      return a[i] < b[i] ? -1 : 1;
    if (a[i] == 0)
      return 0;
  }
  return 0;
}

int wcscmp(const WCHAR* a, const WCHAR* b) { return wcsncmp(a, b, static_cast<size_t>(-1)); }

const WCHAR* wcschr(const WCHAR* text, WCHAR unit) {
  for (;; ++text) {
    if (*text == unit)
      return text;
    if (*text == 0)
      return nullptr;
  }
}

const WCHAR* wcsrchr(const WCHAR* text, WCHAR unit) {
  const WCHAR* found = nullptr;
  for (;; ++text) {
    if (*text == unit)
      found = text;
    if (*text == 0)
      return found;
  }
}

WCHAR vsCeString_foldAscii(WCHAR unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<WCHAR>(unit - u'A' + u'a') : unit;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) {
  for (size_t i = 0;; ++i) {
    const WCHAR x = vsCeString_foldAscii(a[i]);
    const WCHAR y = vsCeString_foldAscii(b[i]);
    if (x != y)
      return x < y ? -1 : 1;
    if (x == 0)
      return 0;
  }
}
