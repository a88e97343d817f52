// String conversions and formatters of the host programs: UTF-16 <-> UTF-8
// (code page 65001) and <-> the ANSI code page, printf into strings of
// exactly the needed length (measured with the counting printf forms), and
// path joins.
#pragma once

#include <cstdarg>
#include <string>

#include "ce/core/windows_types.h"

std::string WStringToUtf8(const std::u16string& text);
std::u16string Utf8ToWString(const std::string& text);
std::string WStringToString(const std::u16string& text);
std::u16string StringToWString(const std::string& text);

// The formatted text into out; out is emptied when the format is refused.
void FormatWStringV(std::u16string* out, const WCHAR* format, va_list arguments);
void FormatStringV(std::string* out, const char* format, va_list arguments);
void FormatWString(std::u16string* out, const WCHAR* format, ...);
void FormatString(std::string* out, const char* format, ...);

std::u16string PathJoin(const std::u16string& text, const WCHAR* more);
// The directory, a "\" unless it already ends with one, and the name.
std::u16string PathCombine(const std::u16string& directory, const WCHAR* name);
