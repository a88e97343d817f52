// The CE runtime's printf family, with Microsoft semantics, for narrow
// (char, UTF-8) and wide (WCHAR, UTF-16) text through one engine.
//
//   conversions  d i u x X o c C s S p e E f g G %
//   flags        - + space # 0      width and precision, also as *
//   sizes        h (16 bits), l (32 bits: a DWORD is read as 32 bits on
//                x86-64 too), ll and I64 (64 bits), I32, w (wide text)
//   texts        in the wide functions %s is a WCHAR string and %S a narrow
//                one, in the narrow functions the reverse; %ls/%ws and %hs
//                name the width explicitly (the same for %c, %C); a text of
//                the other width is converted (UTF-8 <-> UTF-16); a NULL
//                string prints "(null)"
//   %n           refused: the call fails with -1
//
// The bounded forms write at most count units. When the output is shorter
// than count it is terminated and its length returned; when it fills count
// exactly it is not terminated and count is returned; when it does not fit
// they return -1 with count units written and no terminator. The counting
// forms (_vscprintf, _vscwprintf) return the length without writing.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "ce/core/windows_types.h"

int _vsnprintf(char* buffer, size_t count, const char* format, va_list arguments);
int _vsnwprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list arguments);
int _snprintf(char* buffer, size_t count, const char* format, ...);
int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
int _vscprintf(const char* format, va_list arguments);
int _vscwprintf(const WCHAR* format, va_list arguments);
