// The wide-string functions of the CE C runtime that the layer's callers
// use, on UTF-16 units (WCHAR). They overload the C library's wchar_t
// functions of the same names.
#pragma once

#include <cstddef>

#include "ce/core/windows_types.h"

// The number of units before the terminator.
size_t wcslen(const WCHAR* text);

// Compares without regard to case (ASCII, Latin-1 and Cyrillic letters):
// below zero, zero or above zero.
int _wcsicmp(const WCHAR* a, const WCHAR* b);
