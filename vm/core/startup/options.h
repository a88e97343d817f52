// The option parser of the VM's own arguments.
//
// Fixed options first ("-version", "-?"/"-help", "-classpath"/"-cp", "-int",
// "-comp", "-D..."), then the flag forms:
//   -Name        set the bool (or int) flag Name to 0
//   +Name        set it to 1
//   =NameValue   set the int flag Name to Value ([-kmKM0-9]+, see parseSize)
// Name is the longest run of ASCII letters after the first character and
// Value the longest run of value characters after it; whatever follows is
// ignored ("-UseVerifier=x" clears UseVerifier). So a flag whose name holds
// '_' and the "size_t" flag cannot be set from an option. A name or value
// of more than 255 characters is refused.
//
// The parser never writes into the arguments it is given.
#pragma once

#include <cstdint>

constexpr int32_t kVsOptions_maxText = 255;
constexpr int32_t kVsOptions_maxClassPath = 1024;

// Arguments consumed (1 or 2), 0 for an argument that is not an option, -1
// for a flag form that names no settable flag (or too long a text).
// "-version" and "-help" end the VM (status 0 and 1) and do not return.
int32_t vsOptions_parse(int32_t n, char* const* args);

// 1 when a flag was set, else 0.
int32_t vsOptions_setFlagFromText(const char* text);

// A decimal integer with an optional '-' ("%d"), then nothing (the number),
// 'k'/'K' (x 1024) or 'm'/'M' (x 1048576); anything else fails. 1 or 0.
// Arithmetic wraps modulo 2^32.
int32_t vsOptions_parseSize(const char* text, int32_t* value);

// A leading decimal integer with an optional '-'; the text after it, or null
// when there are no digits. Arithmetic wraps modulo 2^32.
const char* vsOptions_readDecimal(const char* text, int32_t* value);

// "Java 2 Micro Edition" and the VM's build line, on the log stream.
void vsOptions_printVersion();

// The "-classpath" option of this run, or null.
const char* vsOptions_classPath();
void vsOptions_clearClassPath();

// Range-checked setters of compiler options: 0, or -1 out of range.
int32_t vsJVM_setInterpretationLogSize(int32_t n);  // 0..16
int32_t vsJVM_setMaxMethodToCompile(int32_t n);     // >= 0
int32_t vsJVM_setMinMethodToCompile(int32_t n);     // >= 0
