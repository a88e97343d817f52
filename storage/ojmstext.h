// Text functions of the suite storage: attributes out of descriptor text
// (JAD and manifest), the MIDlet attribute splitter, name and URL checks,
// and the UTF-8 / UTF-16 conversions of stored names.
//
// Invariants: every scan is bounded by the given text length (and stops at
// a NUL); an attribute key matches only at the start of a line, followed by
// blanks or tabs and ":", so "MIDlet-Permissions" never matches the line
// "MIDlet-Permissions-Opt: ..."; lines beginning with "#" are comments.
// Outputs are written only inside their stated sizes and always terminated.
#pragma once

#include <cstddef>
#include <cstdint>

// One MIDlet of a suite: its name, icon path and class name.
struct OjmsMidletInfo {
  char name[64];
  char icon[64];
  char className[256];
};
static_assert(offsetof(OjmsMidletInfo, icon) == 64);
static_assert(sizeof(OjmsMidletInfo) == 384);

// A parsed URL.
struct OjmsUrl {
  char scheme[16];
  char host[64];
  uint32_t port;
  char path[256];
};
static_assert(offsetof(OjmsUrl, port) == 80);
static_assert(sizeof(OjmsUrl) == 340);

// Offset of the first line of text[0, length) that starts with key followed
// by blanks or tabs and ":"; -1 when none.
int32_t ojms_findKey(const char* text, const char* key, int32_t length);
// The value of key: after the ":" and any blanks, up to CR, LF, NUL or the
// text end; trim removes trailing blanks and tabs. 0, or -1 when the key is
// missing or the value does not fit outSize bytes with its NUL.
int32_t ojms_getAttribute(const char* text, int32_t length, const char* key, char* out, int32_t outSize,
                          bool trim);
// Splits "name, icon, class" into record; -1 (trace "no such info") when a
// field is missing, -1 with error 262 when an argument is null or a field
// does not fit its slot.
int32_t _splitMIDletString(const char* value, OjmsMidletInfo* record);
bool ojms_isAttributeName(const char* text);
bool ojms_isUtf8(const char* text);
// Copies text without tabs, blanks and commas.
void ojms_removeBlanks(const char* text, char* out);
int32_t ojms_compareNoCase(const char* a, const char* b, int32_t n);
// 0, or -1 with error 262 when the URL is malformed or a part does not fit.
int32_t ojms_parseUrl(const char* url, int32_t length, OjmsUrl* record);

// UTF-8 (length bytes) to UTF-16 (at most outChars - 1 characters and a 0);
// the number of characters written. A bad lead byte, or a continuation that
// does not fit, gives 0x80 and advances one byte (two when a three-byte
// sequence breaks at its third byte).
int32_t ojms_utf8ToUtf16(const uint8_t* in, int32_t length, uint16_t* out, int32_t outChars);
// UTF-16 (chars characters) to UTF-8 in outBytes bytes, NUL-terminated; the
// character 0 takes two bytes (0xC0 0x80); output stops before a character
// that does not fit. The number of bytes written without the NUL.
int32_t ojms_utf16ToUtf8(const uint16_t* in, int32_t chars, uint8_t* out, int32_t outBytes);
// UTF-8 length of a UTF-16 text.
int32_t ojms_utf16Utf8Length(const uint16_t* in, int32_t chars);
// Characters of a UTF-8 text, -1 on a bad lead byte or a cut sequence.
int32_t ojms_utf8CharCount(const uint8_t* in, int32_t length);
// Bytes of the UTF-16 form of a UTF-8 text, -1 as above.
int32_t ojms_utf8Utf16Bytes(const uint8_t* in, int32_t length);
