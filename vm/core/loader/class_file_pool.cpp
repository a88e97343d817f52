// The constant pool of a class file: read, then checked.
//
// Read (per index from 1; a count below 2 gives an empty pool):
//   tag  1  u2 length, bytes   -> 1, the bytes as a byte[]   (45: past the end
//                                                             or malformed)
//   tag  3, 4  u4              -> 3 / 4
//   tag  5, 6  two u4          -> 5 / 6, low word at i, high word at i + 1
//                                 (47 when it would start in the last entry)
//   tag  7  u2 name index      -> 14
//   tag  8  u2 UTF-8 index     -> 16 (65 unless 0 < index < count)
//   tag  9, 10, 11  u2 class, u2 name-and-type -> name-and-type << 16 | class
//   tag 12  u2 name, u2 type   -> type << 16 | name
//   tag 52 and above: 46; 0, 2, 13 to 51: 48.
// Check:
//   - class entries: the name must be a valid class name (55); tag 13 with
//     the name symbol (an array name becomes its encoded type);
//   - string entries: tag 8 with the interned String, or during the start-up
//     phase tag 15 with the symbol;
//   - name-and-types: a method descriptor needs "<init>", "<clinit>" or a
//     valid name (50) and a '<' name must be "<init>" (52); a field
//     descriptor a valid field name (52); any other descriptor raises 54;
//   - member references: a class entry and a name-and-type (91), a field
//     reference with a field type, a method reference with a signature (49);
//   - every class named in the pool that is loaded, has a mirror and is not
//     yet open to applications is shown to the class-source check with the
//     archive of the class being loaded: an objection is NoClassDefFoundError,
//     otherwise the class becomes open.
#include <cstring>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/loader/class_file_steps.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/lifecycle/class_hooks.h"
#include "vm/services/text/utf8_stream.h"

namespace {

constexpr uint8_t kFirstUnknownTag = 52;

ConstantPool* poolOf(ClassBuild* b) { return vsRef_as<ConstantPool>(b->pool.object); }

void put(ClassBuild* b, uint32_t i, uint8_t tag, VmWord value) { vsConstantPool_setEntry(poolOf(b), i, tag, value); }

bool readUtf8(ClassBuild* b, uint32_t i) {
  ClassFileContext* c = b->context;
  const uint16_t length = vsClassFile_readU2(c);
  if (vsException_isPending()) return false;
  if (vsClassFile_remaining(c) < length) return vsClassFile_fail(kErrUtf8);
  VsUtf8BufferStream text(vsWord_toPointer<const uint8_t>(c->position), 0, length);
  if (text.countChars() < 0) return vsClassFile_fail(kErrUtf8);
  const VmRef bytes = vsJavaHeap_newByteArray(length);
  if (bytes == 0) return false;
  // The array may have moved the class file: read from the position now.
  const uint8_t* from = vsWord_toPointer<const uint8_t>(vsClassFile_skip(c, length));
  for (uint32_t k = 0; k < length; ++k) vsRef_as<ByteArray>(bytes)->elements[k] = static_cast<int8_t>(from[k]);
  put(b, i, kTagUtf8, bytes);
  return true;
}

// One entry at index i; the index of the next entry, or 0 on a failure.
uint32_t readEntry(ClassBuild* b, uint32_t i, uint32_t count) {
  ClassFileContext* c = b->context;
  const uint8_t tag = vsClassFile_readU1(c);
  if (vsException_isPending()) return 0;
  switch (tag) {
    case kTagUtf8:
      if (!readUtf8(b, i)) return 0;
      break;
    case kTagInt:
    case kTagFloat:
      put(b, i, tag, vsClassFile_readU4(c));
      break;
    case kTagLong:
    case kTagDouble: {
      if (i + 1 >= count) return vsClassFile_fail(kErrLongInLastEntry), 0;
      const uint32_t high = vsClassFile_readU4(c);
      const uint32_t low = vsClassFile_readU4(c);
      if (vsException_isPending()) return 0;
      put(b, i, tag, low);
      poolOf(b)->entries[i + 1] = high;
      return i + 2;
    }
    case 7:
      put(b, i, kTagClassFileClass, vsClassFile_readU2(c));
      break;
    case 8: {
      const uint16_t index = vsClassFile_readU2(c);
      if (vsException_isPending()) return 0;
      if (index == 0 || index >= count) return vsClassFile_fail(kErrStringIndex), 0;
      put(b, i, kTagClassFileString, index);
      break;
    }
    case kTagFieldRef:
    case kTagMethodRef:
    case kTagInterfaceMethodRef:
    case kTagNameAndType: {
      const uint32_t first = vsClassFile_readU2(c);
      const uint32_t second = vsClassFile_readU2(c);
      put(b, i, tag, second << 16 | first);
      break;
    }
    default:
      return vsClassFile_fail(tag >= kFirstUnknownTag ? kErrTagTooLarge : kErrBadTag), 0;
  }
  return vsException_isPending() ? 0 : i + 1;
}

bool hasTag(const ConstantPool* p, uint32_t i, uint8_t tag) { return i < p->count && vsConstantPool_tagAt(p, i) == tag; }

bool checkClassEntry(ClassBuild* b, uint32_t i) {
  const uint32_t nameIndex = poolOf(b)->entries[i];
  const uint8_t* text;
  uint32_t length;
  if (!vsClassFile_utf8Text(poolOf(b), nameIndex, &text, &length)) return vsClassFile_fail(kErrBadPoolEntry);
  if (text != nullptr && (length == 0 || (text[0] != '[' && !vsName_isQualifiedName(text, length))))
    return vsClassFile_fail(kErrClassName);
  const VmRef name = vsConstantPool_internUtf8(&b->pool.object, nameIndex);
  if (name == 0) return false;
  if (!vsSymbol_isValidClassName(name)) return vsClassFile_fail(kErrClassName);
  put(b, i, kTagUnresolvedClass, name);
  return true;
}

bool checkStringEntry(ClassBuild* b, uint32_t i) {
  const uint32_t utf8 = poolOf(b)->entries[i];
  if (!hasTag(poolOf(b), utf8, kTagUtf8)) return vsClassFile_fail(kErrBadPoolEntry);
  if (vsVmState().startupPhase != 0) {
    const VmRef symbol = vsConstantPool_internUtf8Name(&b->pool.object, utf8);
    if (symbol != 0) put(b, i, kTagUnresolvedString, symbol);
    return symbol != 0;
  }
  const VmRef string = vsConstantPool_internStringAt(&b->pool.object, i);
  if (string != 0) put(b, i, kTagResolvedString, string);
  return string != 0;
}

bool checkNameAndType(ClassBuild* b, uint32_t i) {
  const uint32_t nameIndex = poolOf(b)->entries[i] & 0xffff;
  const uint32_t typeIndex = poolOf(b)->entries[i] >> 16;
  const uint8_t* text;
  uint32_t length;
  if (!hasTag(poolOf(b), nameIndex, kTagUtf8) || !vsClassFile_utf8Text(poolOf(b), typeIndex, &text, &length))
    return vsClassFile_fail(kErrBadPoolEntry);
  const bool method = text != nullptr ? length > 0 && text[0] == '('
                                      : vsSymbol_isMethodSignature(poolOf(b)->entries[typeIndex], 0);
  VmHandle typeHolder;
  vsHandle_push(&typeHolder, vsConstantPool_internUtf8Descriptor(&b->pool.object, typeIndex));
  // Interning the name may move the type's symbol.
  const VmRef name = typeHolder.object == 0 ? 0 : vsConstantPool_internUtf8Name(&b->pool.object, nameIndex);
  const VmRef type = typeHolder.object;
  vsHandle_close(&typeHolder);
  if (type == 0 || name == 0) return false;
  const VmSymbol* n = vsRef_as<VmSymbol>(name);
  if (method && vsSymbol_isMethodSignature(type, 0)) {
    if (!vsSymbol_isValidMethodName(name)) return vsClassFile_fail(kErrMethodName);
    if (n->length > 0 && n->bytes[0] == '<' && name != vsWellKnown_symbol(kSymInit))
      return vsClassFile_fail(kErrFieldName);
    return true;
  }
  if (!method && vsSymbol_isFieldType(type)) {
    if (!vsSymbol_isValidIdentifier(name)) return vsClassFile_fail(kErrFieldName);
    return true;
  }
  return vsClassFile_fail(kErrDescriptor);
}

bool checkMemberReference(ClassBuild* b, uint32_t i, uint8_t tag) {
  const ConstantPool* p = poolOf(b);
  const uint32_t classIndex = p->entries[i] & 0xffff;
  const uint32_t nameAndType = p->entries[i] >> 16;
  if (!hasTag(p, classIndex, kTagUnresolvedClass) || !hasTag(p, nameAndType, kTagNameAndType))
    return vsClassFile_fail(kErrBadPoolEntry);
  const VmRef type = p->entries[p->entries[nameAndType] >> 16];
  const bool ok = tag == kTagFieldRef ? vsSymbol_isFieldType(type) : vsSymbol_isMethodSignature(type, 0);
  return ok || vsClassFile_fail(kErrReferenceKind);
}

// The class that a class entry names, for the class-source check: an
// array's innermost element class.
const ClassRecord* namedClass(VmRef name) {
  const VmSymbol* s = vsRef_as<VmSymbol>(name);
  const ClassRecord* cls = nullptr;
  if (vsSymbol_isFieldType(name)) {
    cls = s->length == 2 ? vsSignature_classAt(s->bytes) : nullptr;
    while (cls != nullptr && vsObject_kind(vsRef_of(cls)) == kKindObjectArrayClass)
      cls = vsRef_as<ClassRecord>(cls->elementOrLink);
    return cls != nullptr && vsObject_kind(vsRef_of(cls)) == kKindInstanceClass ? cls : nullptr;
  }
  const VmRef found = vsClass_findLoaded(name);
  return found != 0 ? vsRef_as<ClassRecord>(found) : nullptr;
}

bool checkClassSources(ClassBuild* b) {
  for (uint32_t i = 1; i < poolOf(b)->count; ++i) {
    if (vsConstantPool_tagAt(poolOf(b), i) != kTagUnresolvedClass) continue;
    ClassRecord* cls = const_cast<ClassRecord*>(namedClass(poolOf(b)->entries[i]));
    if (cls == nullptr || vsClass_isStub(cls) || cls->mirror.raw == 0 || vsClass_isOpen(cls)) continue;
    const VmSymbol* name = vsClass_name(cls);
    char text[kSourceNameBytes * 8];
    vsSymbol_copyToBuffer(name, text, sizeof text);
    if (vsSys_checkClassSource(text, static_cast<int32_t>(std::strlen(text)), b->context->source) != 0) {
      VmHandle held;
      vsHandle_push(&held, vsRef_of(name));
      vsException_raiseClassNotFound(&held.object, 1);
      vsHandle_close(&held);
      return false;
    }
    vsClass_setOpen(cls);
  }
  return true;
}

}  // namespace

int32_t vsClassFile_readConstants(ClassBuild* build) {
  const uint16_t declared = vsClassFile_readU2(build->context);
  if (vsException_isPending()) return 0;
  const uint32_t count = declared < 2 ? 0 : declared;
  build->pool.object = vsJavaHeap_newConstantPool(count);
  if (build->pool.object == 0) return 0;
  for (uint32_t i = 1; i < count;) {
    i = readEntry(build, i, count);
    if (i == 0) return 0;
  }
  return 1;
}

int32_t vsClassFile_checkConstants(ClassBuild* build) {
  const uint32_t count = poolOf(build)->count;
  // Strings first: a UTF-8 entry that a class or a name-and-type entry also
  // names as a descriptor then still gives the string its text.
  for (uint32_t i = 1; i < count; ++i)
    if (vsConstantPool_tagAt(poolOf(build), i) == kTagClassFileString && !checkStringEntry(build, i)) return 0;
  for (uint32_t i = 1; i < count; ++i)
    if (vsConstantPool_tagAt(poolOf(build), i) == kTagClassFileClass && !checkClassEntry(build, i)) return 0;
  for (uint32_t i = 1; i < count; ++i)
    if (vsConstantPool_tagAt(poolOf(build), i) == kTagNameAndType && !checkNameAndType(build, i)) return 0;
  for (uint32_t i = 1; i < count; ++i) {
    const uint8_t tag = vsConstantPool_tagAt(poolOf(build), i);
    if ((tag == kTagFieldRef || tag == kTagMethodRef || tag == kTagInterfaceMethodRef) &&
        !checkMemberReference(build, i, tag))
      return 0;
  }
  return checkClassSources(build) ? 1 : 0;
}

int32_t vsClassFile_parseConstantPool(ClassBuild* build) {
  return vsClassFile_readConstants(build) != 0 && vsClassFile_checkConstants(build) != 0 ? 1 : 0;
}
