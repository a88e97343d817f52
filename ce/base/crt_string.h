// The wide-string functions of the CE C runtime, on UTF-16 units (WCHAR).
//
// They overload the C library's wchar_t functions of the same names; the
// "_wcs" ones compare without regard to ASCII case, as the CE runtime does
// for the names it compares (paths, registry names).
#pragma once

#include <cstddef>

#include "ce/core/windows_types.h"

size_t wcslen(const WCHAR* text);
WCHAR* wcscpy(WCHAR* to, const WCHAR* from);
WCHAR* wcscat(WCHAR* to, const WCHAR* from);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count);
const WCHAR* wcschr(const WCHAR* text, WCHAR unit);
const WCHAR* wcsrchr(const WCHAR* text, WCHAR unit);
int _wcsicmp(const WCHAR* a, const WCHAR* b);

// ASCII case folding of one unit.
WCHAR vsCeString_foldAscii(WCHAR unit);
