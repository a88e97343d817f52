// FormatMessageW for the system's own messages: the standard English text
// (language 1033, or 0 for the default) of every error code the layer sets.
//
// Only FORMAT_MESSAGE_FROM_SYSTEM is served, with or without
// FORMAT_MESSAGE_IGNORE_INSERTS (the texts hold no inserts). The text ends
// with "\r\n" as the system's texts do. An unknown code gives 0 with
// ERROR_MR_MID_NOT_FOUND; a buffer too small for the text and its terminator
// gives 0 with ERROR_INSUFFICIENT_BUFFER; other flags or languages give 0
// with ERROR_INVALID_PARAMETER.
#pragma once

#include <cstdarg>

#include "ce/core/windows_types.h"

constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

// The language id of US English.
constexpr DWORD kLanguageEnglishUs = 1033;

// Returns the number of units written, without the terminator.
DWORD FormatMessageW(DWORD flags, const void* source, DWORD messageId, DWORD languageId,
                     WCHAR* buffer, DWORD size, va_list* arguments);
