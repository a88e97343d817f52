// Basic Windows CE types and constants of the CE layer.
//
// The port is written against the Windows CE core library; this layer gives
// it the CE names and meanings on Linux. Integer types have the CE widths on
// both targets (DWORD is 32 bits even on x86-64), WCHAR is a 16-bit UTF-16
// unit, and HANDLE is an opaque host pointer that never enters a VM word.
#pragma once

#include <cstdint>

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using BOOL = int32_t;
using WCHAR = char16_t;
using LPCWSTR = const WCHAR*;
using LPWSTR = WCHAR*;
using LPVOID = void*;
using LPDWORD = DWORD*;
using HANDLE = void*;
using PVOID = void*;
using ULONG_PTR = uintptr_t;

// A module instance (the program's HINSTANCE is a fixed non-zero value).
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Time-outs and results of the wait functions.
constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;
