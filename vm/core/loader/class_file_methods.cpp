// Methods of a class file.
//
// Per method: u2 flags, u2 name ("<init>", "<clinit>" or a valid name: 50),
// u2 signature (a method descriptor, void for a '<' name: 51). "<clinit>"
// keeps only the static flag; other flags are masked with 0xD3F and must
// pass the method check (67): at most one of public, private, protected; in
// an interface exactly public abstract; in a class abstract not with
// private, static, final, synchronized, native or strict; "<init>" only with
// access bits and strict. Attributes (each must end where its length says:
// 73):
//   "Code" (not for native or abstract methods, once: 68): u2 max stack,
//      u2 max locals, u4 code length (65536 or more: 69), the code, the
//      exception table, the code attributes;
//   "Exceptions" (once: 72): u2 count of class entries (91);
//   "Synthetic": flag 0x2000; others are skipped.
// A method that is neither native nor abstract needs "Code" (74). Its
// parameter words (the receiver counts one) must stay below 256 (75) and,
// with code, within max locals (76); max locals + max stack below 32768.
//
// Exception table: u2 count, then per handler u2 start, end, handler, catch
// type: start < code length, end <= code length, start < end, handler <
// code length (66); a catch type other than 0 must be a class entry (91).
// Stored as a short[] of four values per handler.
//
// Code attributes: u2 name (a UTF-8 entry: 58), u4 length; "StackMap" at
// most once (70) and exactly its length long (71); others are skipped.
//
// Stack map: u2 frames; per frame u2 offset, then the locals (at most max
// locals slots) and the stack (at most max stack slots: 63), each a u2 count
// and items. Item tags 0 to 6 are kept, double (3) and long (4) with a second
// slot of 10 and 9; 7 takes a u2 class entry (65) and keeps its name in the
// frame's class array; 8 takes a u2 new-site offset below the code length
// and below 32768 (64), stored as (offset & 0x0FFF) | 0x1000 | ((offset &
// 0xF000) << 1); other tags: 64. Per frame two references: a short[]
// {offset, locals count, locals..., stack count, stack...} and an Object[]
// of the same length with the class names (null when the frame names none).
#include <algorithm>
#include <vector>


#include "vm/core/interp/bytecode_preparation.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/loader/class_file_steps.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/signatures.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint16_t kMethodFlagMask = 0xD3F;
constexpr uint16_t kMethodStrict = 0x0800;
constexpr uint16_t kInterfaceMethodFlags = kMethodPublic | kMethodAbstract;
constexpr uint16_t kNotWithAbstract =
    kMethodPrivate | kMethodStatic | kMethodFinal | kMethodSynchronized | kMethodNative | kMethodStrict;
constexpr uint32_t kMaxCodeLength = 65536;
constexpr uint32_t kMaxParameterWords = 256;
constexpr uint32_t kMaxFrameWords = 32768;
constexpr uint32_t kNativeBodyBytes = 8;
constexpr uint32_t kMaxNewSiteOffset = 32768;

enum StackMapTag : uint8_t { kItemDouble = 3, kItemLong = 4, kItemLastPlain = 6, kItemObject = 7, kItemNew = 8 };
constexpr uint16_t kDoubleSecondSlot = 10;
constexpr uint16_t kLongSecondSlot = 9;

const ConstantPool* poolOf(const ClassBuild* b) { return vsRef_as<ConstantPool>(b->pool.object); }

// What the attributes of a method told.
struct MethodParts {
  uint16_t flags;
  uint16_t nameIndex;
  uint16_t signatureIndex;
  bool hasCode;
  uint16_t maxStack;
  uint16_t maxLocals;
  uint32_t codeLength;
  uint32_t codeOffset;
};

bool checkMethodFlags(uint16_t flags, bool inInterface, bool isInit) {
  const int access = ((flags & kMethodPublic) != 0) + ((flags & kMethodPrivate) != 0) + ((flags & kMethodProtected) != 0);
  bool ok = access <= 1;
  if (inInterface)
    ok = flags == kInterfaceMethodFlags;
  else if ((flags & kMethodAbstract) != 0)
    ok = ok && (flags & kNotWithAbstract) == 0;
  if (isInit) ok = ok && (flags & ~(kMethodAccessBits | kMethodStrict)) == 0;
  return ok || vsClassFile_fail(kErrMethodFlags);
}

// The encoded new-site offset of a stack-map item.
uint16_t encodeNewSite(uint32_t offset) {
  return static_cast<uint16_t>((offset & 0x0FFF) | 0x1000 | ((offset & 0xF000) << 1));
}

// One frame of a stack map. Without arrays it only counts and checks; with
// them it stores. The slot counts go to slots[0] (locals) and slots[1]
// (stack); *named is set when an item names a class.
bool readFrame(ClassBuild* b, const uint32_t limits[2], uint32_t codeLength, const VmRef* types,
               const VmRef* classes, uint32_t slots[2], bool* named) {
  ClassFileContext* c = b->context;
  uint32_t at = 0;
  auto put = [&](uint16_t value, VmRef name) {
    if (types != nullptr) vsRef_as<ShortArray>(*types)->elements[at] = static_cast<int16_t>(value);
    if (name != 0 && classes != nullptr && *classes != 0)
      vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(*classes)->elements[at], name);
    ++at;
  };
  put(vsClassFile_readU2(c), 0);
  for (int part = 0; part < 2; ++part) {
    const uint16_t items = vsClassFile_readU2(c);
    if (vsException_isPending()) return false;
    const uint32_t countAt = at++;
    uint32_t count = 0;
    for (uint32_t k = 0; k < items; ++k) {
      const uint8_t tag = vsClassFile_readU1(c);
      if (vsException_isPending()) return false;
      if (tag <= kItemLastPlain) {
        put(tag, 0);
        ++count;
        if (tag == kItemDouble || tag == kItemLong) {
          put(tag == kItemDouble ? kDoubleSecondSlot : kLongSecondSlot, 0);
          ++count;
        }
      } else if (tag == kItemObject) {
        const uint16_t index = vsClassFile_readU2(c);
        if (vsException_isPending()) return false;
        const VmRef name = vsClassFile_className(poolOf(b), index);
        if (name == 0) return vsClassFile_fail(kErrStringIndex);
        *named = true;
        put(kItemObject, name);
        ++count;
      } else if (tag == kItemNew) {
        const uint16_t offset = vsClassFile_readU2(c);
        if (vsException_isPending()) return false;
        if (offset >= codeLength || offset >= kMaxNewSiteOffset) return vsClassFile_fail(kErrStackMapItem);
        put(encodeNewSite(offset), 0);
        ++count;
      } else {
        return vsClassFile_fail(kErrStackMapItem);
      }
      if (count > limits[part]) return vsClassFile_fail(kErrStackMapSlots);
    }
    if (types != nullptr) vsRef_as<ShortArray>(*types)->elements[countAt] = static_cast<int16_t>(count);
    slots[part] = count;
  }
  return true;
}

// The stack map: Object[] of two references per frame, or 0 with an
// exception pending.
VmRef parseStackMap(ClassBuild* b, uint32_t maxLocals, uint32_t maxStack, uint32_t codeLength) {
  ClassFileContext* c = b->context;
  const uint16_t frames = vsClassFile_readU2(c);
  if (vsException_isPending()) return 0;
  VmHandle map;
  VmHandle types;
  VmHandle classes;
  vsHandle_push(&map, vsJavaHeap_newObjectArray(2 * frames));
  vsHandle_pushEmpty(&types);
  vsHandle_pushEmpty(&classes);
  const uint32_t limits[2] = {maxLocals, maxStack};
  bool ok = map.object != 0;
  for (uint32_t f = 0; ok && f < frames; ++f) {
    const uint32_t start = vsClassFile_offset(c);
    uint32_t slots[2] = {0, 0};
    bool named = false;
    ok = readFrame(b, limits, codeLength, nullptr, nullptr, slots, &named);
    if (!ok) break;
    const int32_t length = static_cast<int32_t>(3 + slots[0] + slots[1]);
    types.object = vsJavaHeap_newShortArray(length);
    classes.object = named && types.object != 0 ? vsJavaHeap_newObjectArray(length) : 0;
    ok = types.object != 0 && (!named || classes.object != 0);
    if (!ok) break;
    vsClassFile_seek(c, start);
    ok = readFrame(b, limits, codeLength, &types.object, &classes.object, slots, &named);
    if (!ok) break;
    ObjectArray* m = vsRef_as<ObjectArray>(map.object);
    vsJavaHeap_storeReference(&m->elements[2 * f], types.object);
    vsJavaHeap_storeReference(&m->elements[2 * f + 1], classes.object);
  }
  const VmRef result = ok ? map.object : 0;
  vsHandle_close(&map);
  return result;
}

// The exception table (a short[]), the shared empty table for none; 0 with
// an exception pending.
VmRef parseExceptionTable(ClassBuild* b, uint32_t codeLength) {
  ClassFileContext* c = b->context;
  const uint16_t count = vsClassFile_readU2(c);
  if (vsException_isPending()) return 0;
  VmHandle table;
  vsHandle_push(&table, vsJavaHeap_newShortArray(4 * count));
  bool ok = table.object != 0;
  for (uint32_t i = 0; ok && i < count; ++i) {
    uint16_t v[4];
    for (uint16_t& x : v) x = vsClassFile_readU2(c);
    if (vsException_isPending()) {
      ok = false;
    } else if (v[0] >= codeLength || v[1] > codeLength || v[0] >= v[1] || v[2] >= codeLength) {
      ok = vsClassFile_fail(kErrExceptionTable);
    } else if (v[3] != 0 && !vsConstantPool_isClassEntry(poolOf(b), v[3])) {
      ok = vsClassFile_fail(kErrBadPoolEntry);
    } else {
      for (int k = 0; k < 4; ++k) vsRef_as<ShortArray>(table.object)->elements[4 * i + k] = static_cast<int16_t>(v[k]);
    }
  }
  const VmRef result = ok ? table.object : 0;
  vsHandle_close(&table);
  return result;
}

// The code attributes: the stack map, or the shared empty array when there
// is none; 0 with an exception pending.
VmRef parseCodeAttributes(ClassBuild* b, const MethodParts& parts) {
  ClassFileContext* c = b->context;
  const uint16_t count = vsClassFile_readU2(c);
  if (vsException_isPending()) return 0;
  VmHandle map;
  vsHandle_push(&map, vsRoot(kRootEmptyObjectArray));
  bool seen = false;
  bool ok = true;
  for (uint32_t i = 0; ok && i < count; ++i) {
    const uint16_t index = vsClassFile_readU2(c);
    const uint32_t length = vsClassFile_readU4(c);
    if (vsException_isPending()) {
      ok = false;
      break;
    }
    if (index == 0 || index >= poolOf(b)->count || vsConstantPool_tagAt(poolOf(b), index) != kTagUtf8) {
      ok = vsClassFile_fail(kErrConstantValue);
      break;
    }
    const VmRef name = vsClassFile_utf8Symbol(b, index, kErrConstantValue);
    if (name == 0) {
      ok = false;
    } else if (name == vsWellKnown_symbol(kSymStackMap)) {
      if (seen) {
        ok = vsClassFile_fail(kErrStackMapTwice);
        break;
      }
      seen = true;
      const uint32_t start = vsClassFile_offset(c);
      map.object = parseStackMap(b, parts.maxLocals, parts.maxStack, parts.codeLength);
      ok = map.object != 0;
      if (ok && vsClassFile_offset(c) - start != length) ok = vsClassFile_fail(kErrStackMapLength);
    } else {
      vsClassFile_skip(c, length);
      ok = !vsException_isPending();
    }
  }
  const VmRef result = ok ? map.object : 0;
  vsHandle_close(&map);
  return result;
}

// The method's signature symbol: 0 with 51 (or 54) pending.
VmRef methodSignature(ClassBuild* b, uint32_t index, VmRef name) {
  const uint8_t* text;
  uint32_t length;
  if (!vsClassFile_utf8Text(poolOf(b), index, &text, &length)) return vsClassFile_fail(kErrBadPoolEntry), 0;
  if (text != nullptr && (length == 0 || text[0] != '(')) return vsClassFile_fail(kErrMethodSignature), 0;
  const VmRef signature = vsConstantPool_internUtf8Descriptor(&b->pool.object, index);
  if (signature == 0) return 0;
  if (!vsSymbol_isMethodSignature(signature, name)) return vsClassFile_fail(kErrMethodSignature), 0;
  return signature;
}

// Reads the attributes of a method into parts and the handles.
bool readMethodAttributes(ClassBuild* b, MethodParts* parts, VmHandle* exceptionTable, VmHandle* stackMap) {
  ClassFileContext* c = b->context;
  const uint16_t count = vsClassFile_readU2(c);
  bool seenExceptions = false;
  const bool withoutCode = (parts->flags & (kMethodNative | kMethodAbstract)) != 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint16_t index = vsClassFile_readU2(c);
    const uint32_t length = vsClassFile_readU4(c);
    if (vsException_isPending()) return false;
    const VmRef name = vsClassFile_utf8Symbol(b, index, kErrBadPoolEntry);
    if (name == 0) return false;
    const uint32_t start = vsClassFile_offset(c);
    if (name == vsWellKnown_symbol(kSymCode)) {
      if (withoutCode || parts->hasCode) return vsClassFile_fail(kErrCodeAttribute);
      parts->hasCode = true;
      parts->maxStack = vsClassFile_readU2(c);
      parts->maxLocals = vsClassFile_readU2(c);
      parts->codeLength = vsClassFile_readU4(c);
      if (vsException_isPending()) return false;
      if (parts->codeLength >= kMaxCodeLength) return vsClassFile_fail(kErrCodeLength);
      parts->codeOffset = vsClassFile_offset(c);
      vsClassFile_skip(c, parts->codeLength);
      if (vsException_isPending()) return false;
      exceptionTable->object = parseExceptionTable(b, parts->codeLength);
      if (exceptionTable->object == 0) return false;
      stackMap->object = parseCodeAttributes(b, *parts);
      if (stackMap->object == 0) return false;
    } else if (name == vsWellKnown_symbol(kSymExceptions)) {
      if (seenExceptions) return vsClassFile_fail(kErrExceptionsTwice);
      seenExceptions = true;
      const uint16_t n = vsClassFile_readU2(c);
      for (uint32_t k = 0; k < n && !vsException_isPending(); ++k)
        if (!vsConstantPool_isClassEntry(poolOf(b), vsClassFile_readU2(c)) && !vsException_isPending())
          return vsClassFile_fail(kErrBadPoolEntry);
    } else {
      if (name == vsWellKnown_symbol(kSymSynthetic)) parts->flags |= kMethodSyntheticOrSwitch;
      vsClassFile_skip(c, length);
    }
    if (vsException_isPending()) return false;
    if (vsClassFile_offset(c) - start != length) return vsClassFile_fail(kErrAttributeLength);
  }
  return !vsException_isPending();
}

void writeNativeBody(MethodRecord* m, VmRef signature, VsNativeFunction function) {
  m->code[0] = kOpInvokeNative;
  m->code[1] = static_cast<uint8_t>(vsBasicType_stackType(vsSignature_basicType(signature, false)));
  m->code[2] = 0;
  m->code[3] = 0;
  *vsMethod_nativeAddressSlot(m) = vsWord_fromPointer(reinterpret_cast<const void*>(function));
}

// The method record of the parts; 0 with an exception pending.
VmRef createMethod(ClassBuild* b, const MethodParts& parts, VmRef signature, const VmHandle& exceptionTable,
                   const VmHandle& stackMap) {
  const bool withoutCode = (parts.flags & (kMethodNative | kMethodAbstract)) != 0;
  if (!withoutCode && !parts.hasCode) return vsClassFile_fail(kErrMissingCode), 0;
  const uint32_t parameterWords =
      static_cast<uint32_t>(vsSignature_parameterWords(signature, (parts.flags & kMethodStatic) != 0));
  if (parameterWords >= kMaxParameterWords) return vsClassFile_fail(kErrArgumentSize), 0;
  const uint32_t maxLocals = withoutCode ? parameterWords : parts.maxLocals;
  const uint32_t maxStack = withoutCode ? 0 : parts.maxStack;
  if (!withoutCode && parameterWords > maxLocals) return vsClassFile_fail(kErrArgumentsAboveLocals), 0;
  if (maxLocals + maxStack >= kMaxFrameWords) {
    vsException_throwOutOfMemoryError();
    return 0;
  }
  VmHandle held;
  vsHandle_push(&held, signature);
  VmHandle method;
  vsHandle_push(&method, vsJavaHeap_newMethod(static_cast<uint16_t>(withoutCode ? kNativeBodyBytes : parts.codeLength)));
  VmRef result = 0;
  if (method.object != 0) {
    MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    vsJavaHeap_storeReference(&m->constantPool.raw, b->pool.object);
    vsJavaHeap_storeReference(&m->exceptionTable, exceptionTable.object);
    vsJavaHeap_storeReference(&m->stackMap, stackMap.object);
    m->accessFlags = parts.flags;
    m->classId = 0xFFFF;
    m->maxStack = static_cast<uint16_t>(maxStack);
    m->maxLocals = static_cast<uint16_t>(maxLocals);
    m->nameIndex = parts.nameIndex;
    m->signatureIndex = parts.signatureIndex;
    vsMethod_setParameterWords(m);
    if (withoutCode) {
      writeNativeBody(m, held.object,
                      (parts.flags & kMethodNative) != 0 ? vsNative_unboundBody : vsNative_abstractBody);
    } else {
      const uint8_t* code = vsWord_toPointer<const uint8_t>(b->context->classFile.object + kArrayElementsOffset) +
                            parts.codeOffset;
      for (uint32_t i = 0; i < parts.codeLength; ++i) m->code[i] = code[i];
    }
    if (vsMethod_prepareBytecode(&method.object) != 0) {
      jitEntry_setDefault(vsRef_as<MethodRecord>(method.object), 0);
      result = method.object;
    }
  }
  vsHandle_close(&held);
  return result;
}

VmRef parseMethod(ClassBuild* b) {
  ClassFileContext* c = b->context;
  MethodParts parts{};
  parts.flags = vsClassFile_readU2(c);
  parts.nameIndex = vsClassFile_readU2(c);
  parts.signatureIndex = vsClassFile_readU2(c);
  if (vsException_isPending()) return 0;
  const VmRef name = vsClassFile_utf8Symbol(b, parts.nameIndex, kErrBadPoolEntry);
  if (name == 0) return 0;
  if (!vsSymbol_isValidMethodName(name)) return vsClassFile_fail(kErrMethodName), 0;
  if (name == vsWellKnown_symbol(kSymClinit)) {
    parts.flags = kMethodStatic;
  } else {
    parts.flags &= kMethodFlagMask;
    if (!checkMethodFlags(parts.flags, (b->accessFlags & kClassInterface) != 0, name == vsWellKnown_symbol(kSymInit)))
      return 0;
  }
  VmHandle signature;
  VmHandle exceptionTable;
  VmHandle stackMap;
  vsHandle_push(&signature, methodSignature(b, parts.signatureIndex, name));
  vsHandle_push(&exceptionTable, 0);
  vsHandle_push(&stackMap, vsRoot(kRootEmptyObjectArray));
  VmRef method = 0;
  if (signature.object != 0 && readMethodAttributes(b, &parts, &exceptionTable, &stackMap))
    method = createMethod(b, parts, signature.object, exceptionTable, stackMap);
  vsHandle_close(&signature);
  return method;
}

// Two methods of the same name and signature. The sorted keys live only
// here: nothing in between can leave the VM.
bool hasDuplicateMethod(const ClassBuild* b) {
  const ObjectArray* methods = vsRef_as<ObjectArray>(b->methods.object);
  std::vector<uint64_t> keys;
  for (int32_t i = 0; i < methods->length; ++i) {
    const MethodRecord* m = vsRef_as<MethodRecord>(methods->elements[i]);
    keys.push_back(uint64_t{poolOf(b)->entries[m->nameIndex]} << 32 | poolOf(b)->entries[m->signatureIndex]);
  }
  std::sort(keys.begin(), keys.end());
  return std::adjacent_find(keys.begin(), keys.end()) != keys.end();
}

}  // namespace

int32_t vsClassFile_parseMethods(ClassBuild* build) {
  const uint16_t count = vsClassFile_readU2(build->context);
  if (vsException_isPending()) return 0;
  build->methods.object = vsJavaHeap_newObjectArray(count);
  if (build->methods.object == 0) return 0;
  for (uint32_t i = 0; i < count; ++i) {
    const VmRef method = parseMethod(build);
    if (method == 0) return 0;
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(build->methods.object)->elements[i], method);
    if ((vsRef_as<MethodRecord>(method)->accessFlags & kMethodNative) != 0) build->hasNatives = true;
  }
  if (hasDuplicateMethod(build)) return vsClassFile_fail(kErrDuplicateMember);
  return 1;
}

VmRef vsMethod_makeNativeCopy(const VmRef* method, VsNativeFunction function) {
  VmHandle copy;
  vsHandle_push(&copy, vsJavaHeap_newMethod(kNativeBodyBytes));
  VmRef result = 0;
  if (copy.object != 0) {
    const MethodRecord* from = vsRef_as<MethodRecord>(*method);
    MethodRecord* m = vsRef_as<MethodRecord>(copy.object);
    vsJavaHeap_storeReference(&m->constantPool.raw, vsRef_of(vsMethod_constantPool(from)));
    vsJavaHeap_storeReference(&m->stackMap, vsRoot(kRootEmptyObjectArray));
    vsMethod_copyHead(m, from);
    m->accessFlags = static_cast<uint16_t>((from->accessFlags & ~kMethodMergedPool) | kMethodNative);
    writeNativeBody(m, vsMethod_signature(from), function);
    jitEntry_setDefault(m, 0);
    result = copy.object;
  }
  vsHandle_close(&copy);
  return result;
}
