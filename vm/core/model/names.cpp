// Names and symbol kinds (see names.h).
#include "vm/core/model/names.h"

#include <array>
#include <cstring>

#include "vm/core/model/basic_types.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/output_stream.h"

namespace {

// 1: may begin and continue an identifier; 2: may only continue one.
constexpr std::array<uint8_t, 128> buildIdentifierTable() {
  std::array<uint8_t, 128> t{};
  t['$'] = t['_'] = 1;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = 1;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = 1;
  for (int c = '0'; c <= '9'; ++c) t[c] = 2;
  return t;
}

constexpr std::array<uint8_t, 128> kIdentifierTable = buildIdentifierTable();

constexpr bool isContinuation(uint8_t b) { return (b & 0xc0) == 0x80; }

// The length of the multi-byte character at p (2 or 3), or 0 when it is
// not well-formed modified UTF-8.
uint32_t multiByteLength(const uint8_t* p, uint32_t left) {
  if ((p[0] & 0xe0) == 0xc0) return left >= 2 && isContinuation(p[1]) ? 2 : 0;
  if ((p[0] & 0xf0) == 0xe0) return left >= 3 && isContinuation(p[1]) && isContinuation(p[2]) ? 3 : 0;
  return 0;
}

// The class of the character at *at (1, 2 or 0), stepping over it.
int characterClass(const uint8_t* bytes, uint32_t length, uint32_t* at) {
  const uint8_t b = bytes[*at];
  if (b < 128) {
    ++*at;
    return kIdentifierTable[b];
  }
  const uint32_t n = multiByteLength(bytes + *at, length - *at);
  if (n == 0) return 0;
  *at += n;
  return 1;
}

const VmSymbol* sym(VmRef s) { return vsRef_as<VmSymbol>(s); }

bool inside(VmRef s, const VmWord (&range)[2]) { return s - range[0] < range[1] - range[0]; }

bool insideImageSymbols(VmRef s) { return inside(s, vsSymbolTable_imageArea); }

bool insideHeap(VmRef s) { return s - vsVmGlobals.heapLow < vsVmGlobals.heapHigh - vsVmGlobals.heapLow; }

bool isPrimitiveLetter(uint8_t c) { return vsBasicType_isPrimitiveLetter(c); }

// The header of a heap symbol, or 0 for a symbol of the image (no header).
// The header of a symbol; image symbols have none stored, their sub-range
// stands for it.
VmWord headerOf(VmRef s) {
  if (!insideImageSymbols(s)) return *vsRef_as<VmWord>(s);
  if (inside(s, vsSymbolTable_imageSignatures)) return vsRoot(kRootSignatureSymbolHeader);
  if (inside(s, vsSymbolTable_imageFieldTypes)) return vsRoot(kRootFieldTypeSymbolHeader);
  return 0;
}

}  // namespace

bool vsName_identifierAt(const uint8_t* bytes, uint32_t length, uint32_t* position) {
  uint32_t at = *position;
  if (at >= length || characterClass(bytes, length, &at) != 1) return false;
  while (at < length) {
    uint32_t next = at;
    if (characterClass(bytes, length, &next) == 0) break;
    at = next;
  }
  *position = at;
  return true;
}

bool vsName_qualifiedNameAt(const uint8_t* bytes, uint32_t length, uint32_t* position) {
  uint32_t at = *position;
  if (!vsName_identifierAt(bytes, length, &at)) return false;
  while (at + 1 < length && bytes[at] == '/') {
    uint32_t next = at + 1;
    if (!vsName_identifierAt(bytes, length, &next)) break;
    at = next;
  }
  *position = at;
  return true;
}

bool vsName_isIdentifier(const uint8_t* bytes, uint32_t length) {
  uint32_t at = 0;
  return vsName_identifierAt(bytes, length, &at) && at == length;
}

bool vsName_isQualifiedName(const uint8_t* bytes, uint32_t length) {
  uint32_t at = 0;
  return vsName_qualifiedNameAt(bytes, length, &at) && at == length;
}

bool vsName_isArrayClassName(const uint8_t* bytes, uint32_t length) {
  uint32_t dims = 0;
  while (dims < length && bytes[dims] == '[') ++dims;
  if (dims == 0 || dims > kVsMaxArrayDimensions || dims == length) return false;
  const uint8_t* element = bytes + dims;
  const uint32_t rest = length - dims;
  if (rest == 1) return isPrimitiveLetter(element[0]);
  if (element[0] != 'L' || element[rest - 1] != ';') return false;
  const uint32_t nameLength = rest - 2;
  if (nameLength == 1 && isPrimitiveLetter(element[1])) return false;
  return vsName_isQualifiedName(element + 1, nameLength);
}

bool vsSymbol_isValidIdentifier(VmRef symbol) {
  return vsName_isIdentifier(sym(symbol)->bytes, sym(symbol)->length);
}

bool vsSymbol_isValidClassName(VmRef symbol) {
  const VmSymbol* s = sym(symbol);
  if (s->length == 0) return false;
  if (vsSymbol_isFieldType(symbol)) {
    if (s->length == 1) return true;
    const ClassRecord* cls = s->length == 2 ? vsSignature_classAt(s->bytes) : nullptr;
    return cls != nullptr && vsClass_isArrayClass(cls);
  }
  if (vsSymbol_isArrayDescriptor(s)) return true;
  return vsName_isQualifiedName(s->bytes, s->length);
}

bool vsSymbol_isValidMethodName(VmRef symbol) {
  if (symbol == vsWellKnown_symbol(kSymInit) || symbol == vsWellKnown_symbol(kSymClinit)) return true;
  return vsSymbol_isValidIdentifier(symbol);
}

bool vsSymbol_isFieldType(VmRef symbol) {
  const VmWord header = headerOf(symbol);
  if (header != 0 && header == vsRoot(kRootFieldTypeSymbolHeader)) return true;
  const VmSymbol* s = sym(symbol);
  if (s->length != 1 || !isPrimitiveLetter(s->bytes[0])) return false;
  if (insideHeap(symbol)) vsSymbol_markFieldType(symbol);
  return true;
}

bool vsSymbol_isMethodSignature(VmRef symbol, VmRef name) {
  const VmWord header = headerOf(symbol);
  if (header == 0 || header != vsRoot(kRootSignatureSymbolHeader)) return false;
  if (name == 0) return true;
  const VmSymbol* n = sym(name);
  if (n->length == 0 || n->bytes[0] != '<') return true;
  // The result type follows the two bytes of the parameter count.
  return sym(symbol)->length >= 3 && sym(symbol)->bytes[2] == 'V';
}

void vsSymbol_markFieldType(VmRef symbol) {
  if (!insideHeap(symbol)) return;
  vsJavaHeap_storeReference(vsRef_as<VmWord>(symbol), vsRoot(kRootFieldTypeSymbolHeader));
}

void vsSymbol_markMethodSignature(VmRef symbol) {
  if (!insideHeap(symbol)) return;
  vsJavaHeap_storeReference(vsRef_as<VmWord>(symbol), vsRoot(kRootSignatureSymbolHeader));
}

int32_t vsSymbol_lastIndexOf(const VmSymbol* symbol, uint8_t c) {
  for (int32_t i = symbol->length - 1; i >= 0; --i)
    if (symbol->bytes[i] == c) return i;
  return -1;
}

bool vsName_samePackage(const VmSymbol* a, const VmSymbol* b) {
  const int32_t lastA = vsSymbol_lastIndexOf(a, '/');
  const int32_t lastB = vsSymbol_lastIndexOf(b, '/');
  if (lastA < 0 || lastB < 0) return lastA < 0 && lastB < 0;
  int32_t startA = 0;
  int32_t startB = 0;
  while (startA < lastA && a->bytes[startA] == '[') ++startA;
  while (startB < lastB && b->bytes[startB] == '[') ++startB;
  if ((startA > 0 && a->bytes[startA] != 'L') || (startB > 0 && b->bytes[startB] != 'L')) return false;
  const int32_t lengthA = lastA - startA;
  return lengthA == lastB - startB &&
         std::memcmp(a->bytes + startA, b->bytes + startB, static_cast<size_t>(lengthA)) == 0;
}

void vsSymbol_copyToBuffer(const VmSymbol* symbol, char* buffer, uint32_t size) {
  if (size == 0) return;
  const uint32_t n = symbol->length < size - 1 ? symbol->length : size - 1;
  std::memcpy(buffer, symbol->bytes, n);
  buffer[n] = '\0';
}

void vsSymbol_printEscaped(const VmSymbol* symbol, const VsOutputStream* stream, bool dots) {
  char text[256];
  uint32_t used = 0;
  for (uint32_t i = 0; i < symbol->length; ++i) {
    const uint8_t b = symbol->bytes[i];
    char piece[8];
    if (b == '\\') {
      std::strcpy(piece, "\\\\");
    } else if (b == '\n') {
      std::strcpy(piece, "\\n");
    } else if (b == '\t') {
      std::strcpy(piece, "\\t");
    } else if (b == '/' && dots) {
      std::strcpy(piece, ".");
    } else if (b >= 0x20 && b < 0x7f) {
      piece[0] = static_cast<char>(b);
      piece[1] = '\0';
    } else {
      piece[0] = '\\';
      piece[1] = static_cast<char>('0' + (b >> 6));
      piece[2] = static_cast<char>('0' + ((b >> 3) & 7));
      piece[3] = static_cast<char>('0' + (b & 7));
      piece[4] = '\0';
    }
    const uint32_t n = static_cast<uint32_t>(std::strlen(piece));
    if (used + n >= sizeof text) {
      text[used] = '\0';
      stream->printString(text);
      used = 0;
    }
    std::memcpy(text + used, piece, n);
    used += n;
  }
  text[used] = '\0';
  stream->printString(text);
}
