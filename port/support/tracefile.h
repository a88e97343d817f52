// The process's trace file and its printers.
//
// The trace file is opened once, by TraceLogOpen, only while the registry
// value HKCU "Software\Vostel" "TraceLog" is 1; it lies in the directory
// named by "Vostel_Dir". Text is written as UTF-16LE units without a byte
// order mark, lines ending as the caller writes them ("\n").
//
// Invariants: while the file is not open every printer does nothing. One
// mutex guards the stream in every printer, TraceFlush and TraceClose, so
// each call's text lands whole even while another thread flushes (which
// closes and re-opens the file). The bounded printers keep the first 256
// characters of their output.
#pragma once

#include <cstdint>
#include <string>

#include "ce/core/windows_types.h"

// Opens the trace file name in the program directory once; 1 when open.
int TraceLogOpen(const WCHAR* name);
void TraceWriteW(const WCHAR* text);
void TraceLineW(const WCHAR* text);
void TracePutCharW(WCHAR unit);
// Exactly length bytes of ANSI (UTF-8) text, converted to UTF-16.
void TraceWriteCountedA(const char* text, uint32_t length);
void TraceLineA(const char* text);
void TraceStringA(const char* text);
void TracePrintfW(const WCHAR* format, ...);
void TracePrintfUnboundedW(const WCHAR* format, ...);
// Closes and re-opens the file for appending; 1 when re-opened.
int TraceFlush();
void TraceClose();

// The number of characters the bounded printers keep.
constexpr int kTraceBoundedChars = 256;
