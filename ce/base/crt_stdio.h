// UTF-16 stream output of the CE runtime on a FILE*: fputws and fputwc write
// little-endian 16-bit units, two bytes each, with no byte-order mark and no
// translation of line ends (streams are opened binary).
#pragma once

#include <cstdio>

#include "ce/core/windows_types.h"

// 0 or more on success, EOF (-1) on a write error.
int fputws(const WCHAR* text, FILE* stream);
// The unit written, or WEOF (0xFFFF) on a write error.
unsigned fputwc(WCHAR unit, FILE* stream);
