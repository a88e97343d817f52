// Names and symbol kinds: the checks that class, field and method names and
// descriptors pass, the package test, and two ways to print a symbol.
//
// Identifier characters, by ASCII code: '$', '_', 'A'-'Z' and 'a'-'z' may
// begin and continue an identifier, '0'-'9' only continue one, nothing else
// below 128 may appear; characters of 128 and above (multi-byte modified
// UTF-8, decoded) are accepted anywhere. A qualified name is identifiers
// separated by single '/'.
//
// Symbol kinds: a plain symbol holds text; a field-type symbol holds an
// encoded field type (one primitive letter, or a class id in two bytes); a
// method signature holds an encoded method descriptor. Heap symbols carry
// their kind in their header (roots 24 and 25 for the two encoded kinds).
#pragma once

#include <cstdint>

#include "vm/core/model/object_layout.h"

class VsOutputStream;

// The most dimensions an array type may have.
constexpr uint32_t kVsMaxArrayDimensions = 255;

// The identifier that starts at *position of bytes[0, length): true and
// *position at its end, or false when no identifier starts there.
bool vsName_identifierAt(const uint8_t* bytes, uint32_t length, uint32_t* position);
// Identifiers separated by '/', from *position.
bool vsName_qualifiedNameAt(const uint8_t* bytes, uint32_t length, uint32_t* position);
// One identifier, or one qualified name, covering all the bytes.
bool vsName_isIdentifier(const uint8_t* bytes, uint32_t length);
bool vsName_isQualifiedName(const uint8_t* bytes, uint32_t length);
// An array class name that can name a class, covering all the bytes: 1 to
// 255 '[', then a primitive letter (not V), or 'L', a qualified name and
// ';'. A one-letter element name that is a primitive letter names no class
// (its symbol is that primitive type).
bool vsName_isArrayClassName(const uint8_t* bytes, uint32_t length);

// A field or method name: one identifier covering the whole symbol.
bool vsSymbol_isValidIdentifier(VmRef symbol);
// Non-empty; a field-type symbol must be one letter or name an array class,
// a text symbol a qualified name or an array descriptor ('[' ...).
bool vsSymbol_isValidClassName(VmRef symbol);
// "<init>" or "<clinit>" (by identity), or a valid identifier.
bool vsSymbol_isValidMethodName(VmRef symbol);

// A field-type symbol. A heap symbol of one primitive letter counts too; its
// header then becomes the field-type header.
bool vsSymbol_isFieldType(VmRef symbol);
// A method signature; with a name that begins with '<' the result type must
// also be void.
bool vsSymbol_isMethodSignature(VmRef symbol, VmRef name);
// Gives a heap symbol the header of its encoded kind.
void vsSymbol_markFieldType(VmRef symbol);
void vsSymbol_markMethodSignature(VmRef symbol);

// Index of the last byte c, or -1.
int32_t vsSymbol_lastIndexOf(const VmSymbol* symbol, uint8_t c);
// Whether two class names (text symbols) lie in the same package. Names
// without '/' share the package without a name; leading '[' are skipped and
// an array descriptor must then go on with 'L', so an array of objects only
// shares a package with another array of objects.
bool vsName_samePackage(const VmSymbol* a, const VmSymbol* b);

// At most size - 1 bytes and a NUL.
void vsSymbol_copyToBuffer(const VmSymbol* symbol, char* buffer, uint32_t size);
// Each byte: '\\' as two backslashes, newline "\\n", tab "\\t", '/' as '.'
// when dots is set, other printable ASCII as itself, other ASCII as "\\%03o",
// bytes of 128 and above as a backslash and three octal digits.
void vsSymbol_printEscaped(const VmSymbol* symbol, const VsOutputStream* stream, bool dots);
