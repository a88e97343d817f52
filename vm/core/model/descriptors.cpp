// The descriptor parser (see descriptors.h).
#include "vm/core/model/descriptors.h"

#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint32_t kMaxTypeCodes = 256;
constexpr uint32_t kMaxClassName = 65520;

struct Parser {
  const DescriptorText& text;
  uint32_t position = 0;
  uint32_t typeCodes = 0;
  // Encoded parameters, then the result type at its own place.
  uint8_t parameters[2 * kMaxTypeCodes];
  uint32_t parameterBytes = 0;
  uint8_t result[2];
  uint32_t resultBytes = 0;

  explicit Parser(const DescriptorText& t) : text(t) {}

  uint8_t at(uint32_t i) const {
    const uint8_t* base = text.holder != nullptr ? vsRef_as<uint8_t>(*text.holder) + text.offset : text.plain;
    return base[i];
  }
};

bool fail() {
  vsException_raiseWithCode(kVmErrorClass, kErrDescriptor);
  return false;
}

// The class of a name, or a stub standing for it: its class id, or -1 with
// an exception pending.
int32_t classIdOfName(const uint8_t* name, uint32_t length) {
  if (!vsName_isQualifiedName(name, length)) return fail(), -1;
  VmHandle symbol;
  vsHandle_push(&symbol, vsSymbol_intern(name, static_cast<int32_t>(length), false));
  int32_t id = -1;
  if (symbol.object != 0) {
    ClassLookup lookup;
    vsClassLookup_init(&lookup, &symbol.object, 1, 1, 0);
    const VmRef cls = vsClass_findOrLoad(&lookup);
    if (cls != 0) id = vsClass_id(vsRef_as<ClassRecord>(cls));
  }
  vsHandle_close(&symbol);
  return id;
}

// The class named by "L...;" at the position: its id, the position behind
// the ';'. -1 with an exception pending.
int32_t readClassType(Parser& p) {
  const uint32_t start = p.position + 1;
  uint32_t end = start;
  while (end < p.text.length && p.at(end) != ';') ++end;
  if (end >= p.text.length || end - start > kMaxClassName) return fail(), -1;
  // The lookup may allocate and move the text: work on a copy.
  uint8_t* name = new uint8_t[end - start + 1];
  for (uint32_t i = start; i < end; ++i) name[i - start] = p.at(i);
  const int32_t id = classIdOfName(name, end - start);
  delete[] name;
  p.position = end + 1;
  return id;
}

// The array class of `dims` dimensions over the element at the position.
int32_t readArrayType(Parser& p) {
  uint32_t dims = 0;
  while (p.position < p.text.length && p.at(p.position) == '[') {
    ++p.position;
    if (++dims > kVsMaxArrayDimensions) return fail(), -1;
    while (p.position < p.text.length && p.at(p.position) >= '0' && p.at(p.position) <= '9') ++p.position;
  }
  if (p.position >= p.text.length) return fail(), -1;
  const uint8_t c = p.at(p.position);
  VmHandle element;
  vsHandle_pushEmpty(&element);
  int32_t extraDims = static_cast<int32_t>(dims);
  if (c == 'L') {
    const int32_t id = readClassType(p);
    if (id >= 0) element.object = vsRef_of(vsClass_byId(static_cast<uint32_t>(id)));
  } else {
    const int32_t type = vsBasicType_ofLetter(c);
    if (type == kTypeNotPrimitive || type == kTypeVoid) {
      vsHandle_close(&element);
      return fail(), -1;
    }
    // The primitive array class of one dimension is the type's root.
    element.object = vsRoot(vsRoot_primitiveArray(type));
    extraDims -= 1;
    ++p.position;
  }
  int32_t id = -1;
  if (element.object != 0) {
    const VmRef array = vsClass_arrayClass(&element.object, extraDims);
    if (array != 0) id = vsClass_id(vsRef_as<ClassRecord>(array));
  }
  vsHandle_close(&element);
  return id;
}

// One type at the position into out (1 or 2 bytes); false with an exception
// pending.
bool readType(Parser& p, bool allowVoid, uint8_t* out, uint32_t* n) {
  if (p.position >= p.text.length || ++p.typeCodes > kMaxTypeCodes) return fail();
  const uint8_t c = p.at(p.position);
  int32_t id;
  if (c == 'L') {
    id = readClassType(p);
  } else if (c == '[') {
    id = readArrayType(p);
  } else {
    const int32_t type = vsBasicType_ofLetter(c);
    if (type == kTypeNotPrimitive || (type == kTypeVoid && !allowVoid)) return fail();
    out[0] = c;
    *n = 1;
    ++p.position;
    return true;
  }
  if (id < 0) return false;
  vsDescriptor_encodeClassId(static_cast<uint32_t>(id), out);
  *n = 2;
  return true;
}

VmRef parseMethod(Parser& p) {
  if (p.text.length < 3) return fail(), 0;
  p.position = 1;
  uint32_t count = 0;
  while (p.position < p.text.length && p.at(p.position) != ')') {
    uint32_t n = 0;
    if (!readType(p, false, p.parameters + p.parameterBytes, &n)) return 0;
    p.parameterBytes += n;
    ++count;
  }
  if (p.position >= p.text.length) return fail(), 0;
  ++p.position;
  if (!readType(p, true, p.result, &p.resultBytes)) return 0;
  if (p.position != p.text.length) return fail(), 0;
  uint8_t encoded[2 + 2 + 2 * kMaxTypeCodes];
  vsDescriptor_encodeClassId(count, encoded);
  std::memcpy(encoded + 2, p.result, p.resultBytes);
  std::memcpy(encoded + 2 + p.resultBytes, p.parameters, p.parameterBytes);
  return vsDescriptor_internEncoded(encoded, 2 + p.resultBytes + p.parameterBytes, true);
}

VmRef parseField(Parser& p) {
  if (p.text.length == 0) return fail(), 0;
  uint8_t encoded[2];
  uint32_t n = 0;
  if (!readType(p, false, encoded, &n)) return 0;
  if (p.position != p.text.length) return fail(), 0;
  if (n == 1) return vsWellKnown_primitiveType(encoded[0]);
  return vsDescriptor_internEncoded(encoded, n, false);
}

}  // namespace

void vsDescriptor_encodeClassId(uint32_t id, uint8_t out[2]) {
  out[0] = static_cast<uint8_t>(0x80 | ((id >> 7) & 0x7f));
  out[1] = static_cast<uint8_t>(0x80 | (id & 0x7f));
}

VmRef vsDescriptor_internEncoded(const uint8_t* bytes, uint32_t length, bool isSignature) {
  const VmRef symbol = vsSymbol_intern(bytes, static_cast<int32_t>(length), false);
  if (symbol == 0) return 0;
  const VmWord plainHeader = vsRoot_as<ClassRecord>(kRootSymbolClass)->protoNear.raw;
  const bool inHeap = symbol - vsVmGlobals.heapLow < vsVmGlobals.heapHigh - vsVmGlobals.heapLow;
  if (inHeap && *vsRef_as<VmWord>(symbol) == plainHeader) {
    if (isSignature)
      vsSymbol_markMethodSignature(symbol);
    else
      vsSymbol_markFieldType(symbol);
  }
  return symbol;
}

VmRef vsDescriptor_parse(const DescriptorText& text) {
  Parser p(text);
  if (text.length > 0 && p.at(0) == '(') return parseMethod(p);
  return parseField(p);
}

VmRef vsType_classSymbol(const VmRef* cls) {
  uint8_t bytes[2];
  vsDescriptor_encodeClassId(vsClass_id(vsRef_as<ClassRecord>(*cls)), bytes);
  return vsDescriptor_internEncoded(bytes, 2, false);
}

int32_t vsType_basicType(VmRef typeSymbol) {
  const VmSymbol* s = vsRef_as<VmSymbol>(typeSymbol);
  if (s->length == 1) return vsBasicType_ofLetter(s->bytes[0]);
  return vsSignature_objectTypeAt(s->bytes);
}
