// Text helpers of the suite-descriptor service: numbers, byte search, blank
// trimming, comma-separated fields and the supported values. They need no
// environment, allocate nothing and never read outside [text, text + length).
// Blanks are the space and the tab.
#pragma once

#include <cstdint>

// Optional "+" or "-", then decimal digits only. On failure the value is
// 0x7FFFFFFF (0x80000000 for a negative number out of range) and the error
// is -3 (null text, length < 1), -4 (bare sign, non-digit) or -20 (out of
// the signed 32-bit range); 0 otherwise.
int32_t OamsParseInt(const char* text, int32_t length, int32_t* error);

// First p with from <= p <= to - patternLength where the pattern stands in
// text; -21 when there is none, -3 for bad arguments.
int32_t OamsFindBytes(const char* text, int32_t from, int32_t to, const char* pattern,
                      int32_t patternLength);

// The first byte that is not a blank; trimmedLength excludes trailing blanks
// (0 for an all-blank text). -3 and null for a null text or length pointer or
// a negative length.
const char* OamsTrimBlanks(const char* text, int32_t length, int32_t* trimmedLength,
                           int32_t* error);

// 1 + the number of commas; -3 for a null text or a negative length.
int32_t OamsCsvCountFields(const char* text, int32_t length);

// The index-th (from 0) comma-separated field, trimmed; null with -21 when
// there are not that many fields, -3 for bad arguments.
const char* OamsCsvGetField(const char* text, int32_t length, int32_t index,
                            int32_t* fieldLength, int32_t* error);

// which 0: the older configuration "CLDC-1.0"; which 1: "MIDP-2.0 MIDP-1.0".
// Other values: null, length -1, error -19; -3 for a null length pointer.
const char* OamsGetSupportedValue(int32_t which, int32_t* length, int32_t* error);

// Whether a value names a supported configuration (empty counts as
// supported) or only supported profiles (names separated by runs of blanks).
bool vsDescriptor_configurationSupported(const char* value, int32_t length);
bool vsDescriptor_profilesSupported(const char* value, int32_t length);
