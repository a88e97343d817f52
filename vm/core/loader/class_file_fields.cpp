// Fields of a class file: the field table, the layout and the reference maps.
//
// Per field: u2 flags (masked with 0xDF; an interface's must be public static
// final, a class's at most one of public, private and protected and not both
// final and volatile: 61), u2 name (a valid name: 52), u2 signature (a field
// descriptor: 62), attributes: "ConstantValue" (length 2, once, an index
// below the pool count and not 0: 58), "Synthetic" (length 0: 59; flag
// 0x2000), others skipped. Two fields of the same name and signature: 60.
//
// Layout: instance fields go behind the superclass's instance size (4 for a
// class without superclass), first those of 4 bytes or more, then those of
// 2, then those of 1, each pass in declaration order; statics go from byte
// 48 of the class record in declaration order, each rounded up to 4 bytes.
// The instance size is rounded up to 4.
//
// Reference maps (one for instance fields, one for statics): for each field
// of object or array type in order of placement, its distance in words from
// the previous one (the first instance field from the superclass's last
// reference, the first static from word 0); a distance d above 254 is
// (d - 1) / 254 bytes of 255 (254 words each) and the rest; 0 ends a map.
// The instance map starts with the superclass's map without its end byte:
//
//   super map: 3 0        class with a reference at word 5 and 300:
//   instance map: 3 2 255 41 0       static map (statics at words 12, 13): 12 1 0
#include <algorithm>
#include <cstdint>
#include <vector>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/loader/class_file_steps.h"
#include "vm/core/loader/type_symbols.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint16_t kFieldFlagMask = 0xDF;
constexpr uint16_t kFieldSynthetic = 0x2000;
constexpr uint16_t kInterfaceFieldFlags = kFieldPublic | kFieldStatic | kFieldFinal;
constexpr uint32_t kStaticBase = 48;

const ConstantPool* poolOf(const ClassBuild* b) { return vsRef_as<ConstantPool>(b->pool.object); }

FieldEntry* entries(const ClassBuild* b) {
  return reinterpret_cast<FieldEntry*>(vsRef_as<ShortArray>(b->fields.object)->elements);
}

int32_t fieldCount(const ClassBuild* b) { return vsRef_as<ShortArray>(b->fields.object)->length / 5; }

VmRef typeOf(const ClassBuild* b, const FieldEntry& f) { return poolOf(b)->entries[f.signatureIndex]; }

bool isStatic(const FieldEntry& f) { return (f.accessFlags & kFieldStatic) != 0; }

bool isReference(const ClassBuild* b, const FieldEntry& f) { return vsType_basicType(typeOf(b, f)) >= kTypeObject; }

bool checkFlags(uint16_t flags, bool inInterface) {
  if (inInterface) return flags == kInterfaceFieldFlags || vsClassFile_fail(kErrFieldFlags);
  const int access = ((flags & kFieldPublic) != 0) + ((flags & kFieldPrivate) != 0) + ((flags & kFieldProtected) != 0);
  const bool finalVolatile = (flags & kFieldFinal) != 0 && (flags & kFieldVolatile) != 0;
  return (access <= 1 && !finalVolatile) || vsClassFile_fail(kErrFieldFlags);
}

// The field type of a signature entry: 0 with 62 (or 54 from the
// descriptor parser) pending.
VmRef fieldType(ClassBuild* b, uint32_t index) {
  const uint8_t* text;
  uint32_t length;
  if (!vsClassFile_utf8Text(poolOf(b), index, &text, &length)) return vsClassFile_fail(kErrBadPoolEntry), 0;
  if (text != nullptr && (length == 0 || text[0] == '(')) return vsClassFile_fail(kErrFieldSignature), 0;
  const VmRef type = vsConstantPool_internUtf8Descriptor(&b->pool.object, index);
  if (type == 0) return 0;
  if (!vsSymbol_isFieldType(type)) return vsClassFile_fail(kErrFieldSignature), 0;
  return type;
}

// The attributes of one field; false with an exception pending.
bool readAttributes(ClassBuild* b, FieldEntry* f) {
  ClassFileContext* c = b->context;
  const uint16_t count = vsClassFile_readU2(c);
  bool seenConstant = false;
  for (uint32_t i = 0; i < count && !vsException_isPending(); ++i) {
    const VmRef name = vsClassFile_utf8Symbol(b, vsClassFile_readU2(c), kErrBadPoolEntry);
    const uint32_t length = vsClassFile_readU4(c);
    if (vsException_isPending()) return false;
    if (name == vsWellKnown_symbol(kSymConstantValue)) {
      if (length != 2 || seenConstant) return vsClassFile_fail(kErrConstantValue);
      seenConstant = true;
      const uint16_t index = vsClassFile_readU2(c);
      if (vsException_isPending()) return false;
      if (index == 0 || index >= poolOf(b)->count) return vsClassFile_fail(kErrConstantValue);
      f->constantValueIndex = index;
    } else if (name == vsWellKnown_symbol(kSymSynthetic)) {
      if (length != 0) return vsClassFile_fail(kErrSynthetic);
      f->accessFlags |= kFieldSynthetic;
    } else {
      vsClassFile_skip(c, length);
    }
  }
  return !vsException_isPending();
}

// Two fields of the same name and signature (pool entries as symbols). The
// sorted keys live only here: nothing in between can leave the VM.
bool hasDuplicateField(const ClassBuild* b) {
  std::vector<uint64_t> keys;
  for (int32_t i = 0; i < fieldCount(b); ++i) {
    const FieldEntry& f = entries(b)[i];
    keys.push_back(uint64_t{poolOf(b)->entries[f.nameIndex]} << 32 | poolOf(b)->entries[f.signatureIndex]);
  }
  std::sort(keys.begin(), keys.end());
  return std::adjacent_find(keys.begin(), keys.end()) != keys.end();
}

// Calls visit(i) for the fields in order of placement.
template <class Visit>
void inPlacementOrder(const ClassBuild* b, bool statics, Visit visit) {
  const int32_t n = fieldCount(b);
  if (statics) {
    for (int32_t i = 0; i < n; ++i)
      if (isStatic(entries(b)[i])) visit(i);
    return;
  }
  for (int32_t pass = 0; pass < 3; ++pass) {
    for (int32_t i = 0; i < n; ++i) {
      const FieldEntry& f = entries(b)[i];
      if (isStatic(f)) continue;
      const int32_t size = vsType_fieldSize(typeOf(b, f), false);
      if ((pass == 0 && size >= 4) || (pass == 1 && size == 2) || (pass == 2 && size == 1)) visit(i);
    }
  }
}

// The bytes of a distance in the map encoding, written to out when given.
uint32_t encodeDistance(uint32_t d, uint8_t* out) {
  const uint32_t runs = d > 254 ? (d - 1) / 254 : 0;
  for (uint32_t k = 0; out != nullptr && k < runs; ++k) out[k] = 255;
  if (out != nullptr) out[runs] = static_cast<uint8_t>(d - 254 * runs);
  return runs + 1;
}

const uint8_t* superMap(const ClassBuild* b) {
  const ClassRecord* super = vsRef_as<ClassRecord>(b->super.object);
  return super != nullptr ? vsRef_as<uint8_t>(b->super.object) + super->oopMap : nullptr;
}

// The bytes of the superclass's map before its end byte, and the word of
// its last reference.
uint32_t superMapPrefix(const ClassBuild* b, uint32_t* lastWord) {
  const uint8_t* map = superMap(b);
  uint32_t n = 0;
  *lastWord = 0;
  for (; map != nullptr && map[n] != 0; ++n) *lastWord += map[n] == 255 ? 254 : map[n];
  return n;
}

// Encodes one map (to out when given); returns its length with the end byte.
uint32_t encodeMap(const ClassBuild* b, bool statics, uint32_t startWord, uint8_t* out) {
  uint32_t at = startWord;
  uint32_t length = 0;
  inPlacementOrder(b, statics, [&](int32_t i) {
    const FieldEntry& f = entries(b)[i];
    if (!isReference(b, f)) return;
    const uint32_t word = f.offset / 4u;
    length += encodeDistance(word - at, out != nullptr ? out + length : nullptr);
    at = word;
  });
  if (out != nullptr) out[length] = 0;
  return length + 1;
}

}  // namespace

int32_t vsClassFile_parseFields(ClassBuild* build) {
  ClassFileContext* c = build->context;
  const uint16_t count = vsClassFile_readU2(c);
  if (vsException_isPending()) return 0;
  build->fields.object = vsJavaHeap_newShortArray(5 * count);
  if (build->fields.object == 0) return 0;
  const bool inInterface = (build->accessFlags & kClassInterface) != 0;
  for (uint32_t i = 0; i < count; ++i) {
    FieldEntry f{};
    f.accessFlags = vsClassFile_readU2(c) & kFieldFlagMask;
    f.nameIndex = vsClassFile_readU2(c);
    f.signatureIndex = vsClassFile_readU2(c);
    if (vsException_isPending() || !checkFlags(f.accessFlags, inInterface)) return 0;
    const VmRef name = vsClassFile_utf8Symbol(build, f.nameIndex, kErrBadPoolEntry);
    if (name == 0) return 0;
    if (!vsSymbol_isValidIdentifier(name)) return vsClassFile_fail(kErrFieldName);
    if (fieldType(build, f.signatureIndex) == 0 || !readAttributes(build, &f)) return 0;
    entries(build)[i] = f;
  }
  if (hasDuplicateField(build)) return vsClassFile_fail(kErrDuplicateMember);
  return 1;
}

int32_t vsClassFile_layoutFields(ClassBuild* build) {
  const ClassRecord* super = vsRef_as<ClassRecord>(build->super.object);
  uint32_t instanceAt = super != nullptr ? static_cast<uint32_t>(super->instanceKind) : 4;
  uint32_t staticAt = kStaticBase;
  inPlacementOrder(build, false, [&](int32_t i) {
    FieldEntry& f = entries(build)[i];
    f.offset = static_cast<uint16_t>(instanceAt);
    instanceAt += static_cast<uint32_t>(vsType_fieldSize(typeOf(build, f), false));
  });
  inPlacementOrder(build, true, [&](int32_t i) {
    FieldEntry& f = entries(build)[i];
    f.offset = static_cast<uint16_t>(staticAt);
    staticAt += static_cast<uint32_t>(vsType_fieldSize(typeOf(build, f), true));
  });
  build->instanceSize = (instanceAt + 3) & ~uint32_t{3};
  build->staticBytes = staticAt - kStaticBase;
  // Offsets past 16 bits would not fit the table; such a class is refused
  // as too large when it is created.
  if (instanceAt >= 0x8000 || staticAt >= 0x10000) {
    build->instanceSize = 0x8000;
    return 1;
  }
  uint32_t lastWord;
  const uint32_t prefix = superMapPrefix(build, &lastWord);
  build->instanceMapBytes = prefix + encodeMap(build, false, lastWord, nullptr);
  build->staticMapBytes = encodeMap(build, true, 0, nullptr);
  return 1;
}

void vsClassFile_writeMaps(ClassBuild* build) {
  ClassRecord* cls = vsRef_as<ClassRecord>(build->cls.object);
  uint8_t* out = vsRef_as<uint8_t>(build->cls.object) + cls->oopMap;
  uint32_t lastWord;
  const uint32_t prefix = superMapPrefix(build, &lastWord);
  const uint8_t* from = superMap(build);
  for (uint32_t i = 0; i < prefix; ++i) out[i] = from[i];
  const uint32_t instance = prefix + encodeMap(build, false, lastWord, out + prefix);
  encodeMap(build, true, 0, out + instance);
}
