// Code-page conversions: MultiByteToWideChar and WideCharToMultiByte for
// CP_UTF8 and CP_ACP, which is UTF-8 on this device.
//
// A source length of -1 takes the text up to and including its terminator.
// An output size of 0 asks for the size needed (in units or bytes); an
// output too small fails with ERROR_INSUFFICIENT_BUFFER (its contents are
// then unspecified). Malformed UTF-8 (overlong forms, surrogates, values
// above U+10FFFF, cut or stray bytes) becomes U+FFFD per maximal invalid
// part, and an unpaired surrogate in UTF-16 becomes U+FFFD, so every
// conversion succeeds on any input. Other code pages: ERROR_INVALID_PARAMETER.
#pragma once

#include <cstddef>
#include <string>

#include "ce/core/windows_types.h"

using UINT = uint32_t;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, WCHAR* out,
                        int outUnits);
int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* text, int length, char* out,
                        int outBytes, const char* defaultChar, BOOL* usedDefault);

// Decodes one code point of UTF-8 at text[0..length) (length > 0): stores it
// (U+FFFD for a malformed part) and returns the bytes it took (at least 1).
size_t vsCeCodepage_decodeUtf8(const unsigned char* text, size_t length, uint32_t* codePoint);
// Decodes one code point of UTF-16 (length > 0) the same way; returns units.
size_t vsCeCodepage_decodeUtf16(const WCHAR* text, size_t length, uint32_t* codePoint);
// Encodes a code point as UTF-8 into out (room for 4); returns the bytes.
size_t vsCeCodepage_encodeUtf8(uint32_t codePoint, char* out);

// Whole strings between UTF-16 and UTF-8, as the conversions above do them.
std::string vsCeCodepage_utf8(const std::u16string& text);
std::u16string vsCeCodepage_utf16(const std::string& text);
