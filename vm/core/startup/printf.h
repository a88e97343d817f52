// The VM's printf engine.
//
// Formats the trace log of the services and the short texts that the
// start-up, the native-method layer and the option parser build. It works on
// 32-bit arguments only: d, i, u, o, x, X and c read an int or unsigned int,
// s, S, n and p read a pointer ('p' goes through the VM-word gate), and the
// length letters h, l and L are skipped, so no caller may pass a 64-bit
// integer. There are no floating-point conversions and no "0x" prefixes.
//
//   %[-+ 0]*[width|*][.precision|.*]{h,l,L}*conversion
//
// With a null buffer every character goes to the trace output and nothing is
// stored. With a buffer at most `size` characters are stored (a negative
// size means unlimited) and, unless size is 0, the text is NUL-terminated:
// behind the last stored character, or over it when the room ran out. The
// result is always the length of the full output.
//
// Text from outside the VM (option values, Java strings) is never used as a
// format: it is printed through "%s".
#pragma once

#include <cstdarg>
#include <cstdint>

#define VS_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))

int32_t vsPrintf_format(char* buffer, int32_t size, const char* format, va_list args)
    VS_PRINTF_FORMAT(3, 0);

// The engine with a null buffer: prints to the trace output.
int32_t vsPrintf_vcount(const char* format, va_list args) VS_PRINTF_FORMAT(1, 0);

// 0 for a null buffer (nothing is printed), else the engine's result.
int32_t vsPrintf_vsnprintf(char* buffer, int32_t size, const char* format, va_list args)
    VS_PRINTF_FORMAT(3, 0);
int32_t vsPrintf_snprintf(char* buffer, int32_t size, const char* format, ...)
    VS_PRINTF_FORMAT(3, 4);

// Digit helpers: each fills `scratch` from its end and returns the first
// character of the NUL-terminated digits.
using VsDigitScratch = char[12];
extern const char kVsPrintf_lowerDigits[];  // "0123456789abcdef"
extern const char kVsPrintf_upperDigits[];  // "0123456789ABCDEF"
char* vsPrintf_formatHex(uint32_t value, const char* digits, VsDigitScratch& scratch);
char* vsPrintf_formatOctal(uint32_t value, VsDigitScratch& scratch);
char* vsPrintf_formatUnsigned(uint32_t value, VsDigitScratch& scratch);
// A negative value gets '-'; another gets `sign` in front when it is not 0.
char* vsPrintf_formatSigned(int32_t value, char sign, VsDigitScratch& scratch);
