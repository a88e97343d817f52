// The bytecode verifier (see verifier.h).
#include "vm/core/bytecode/verifier.h"

#include <cstring>

#include "vm/core/bytecode/bci_tables.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/interp/vm_errors.h"
#include "vm/core/loader/field_descriptors.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_relations.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/signatures.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/threads/monitors.h"

namespace {

enum VerificationType : uint16_t {
  kVTop = 0,
  kVInt = 1,
  kVFloat = 2,
  kVDouble = 3,
  kVLong = 4,
  kVNull = 5,
  kVUninitializedThis = 6,
  kVObject = 7,
  kVLongSecond = 9,
  kVDoubleSecond = 10,
  kVNewBase = 0x1000,
};

// The highest bci an uninitialized type can name.
constexpr uint32_t kMaxNewSite = 0x7fff;

struct VerifierState {
  uint32_t limit;  // bcis below it use the table
  uint32_t depth;  // verifications under way
  vsVerifierLoadHook loadHook;
  vsVerifierFailureHook failureHook;
  vsVerifierClosure* method;  // the method being verified, for the failure hook
};

VS_VMBSS(VerifierState) vsVerifier_state{};

uint16_t newType(uint32_t bci) {
  return static_cast<uint16_t>(kVNewBase | (bci & 0x0fff) | ((bci & 0x7000) << 1));
}
uint32_t newSite(uint16_t type) { return (type & 0x0fffu) | ((uint32_t{type} >> 1) & 0x7000u); }
bool isNew(uint16_t type) { return type >= kVNewBase; }
bool isReferenceLike(uint16_t type) {
  return type == kVNull || type == kVUninitializedThis || type == kVObject || isNew(type);
}
bool isSecondSlot(uint16_t type) { return type == kVLongSecond || type == kVDoubleSecond; }

// The first slot's verification type of a basic type (kVTop for void).
uint16_t verificationType(int32_t basicType) {
  switch (basicType) {
    case kTypeBoolean:
    case kTypeChar:
    case kTypeByte:
    case kTypeShort:
    case kTypeInt:
      return kVInt;
    case kTypeFloat:
      return kVFloat;
    case kTypeDouble:
      return kVDouble;
    case kTypeLong:
      return kVLong;
    case kTypeObject:
    case kTypeArray:
      return kVObject;
    default:
      return kVTop;
  }
}
uint16_t secondSlot(uint16_t type) { return type == kVLong ? kVLongSecond : kVDoubleSecond; }
bool isTwoSlot(uint16_t type) { return type == kVLong || type == kVDouble; }

// The array letter of a basic type.
uint8_t arrayLetter(int32_t basicType) {
  switch (basicType) {
    case kTypeBoolean:
      return 'Z';
    case kTypeChar:
      return 'C';
    case kTypeFloat:
      return 'F';
    case kTypeDouble:
      return 'D';
    case kTypeByte:
      return 'B';
    case kTypeShort:
      return 'S';
    case kTypeInt:
      return 'I';
    case kTypeLong:
      return 'J';
    default:
      return 0;
  }
}

const VmSymbol* symbolOf(VmRef name) { return vsRef_as<VmSymbol>(name); }

bool sameName(VmRef a, VmRef b) {
  if (a == b) return true;
  if (a == 0 || b == 0) return false;
  return vsSymbol_equalsBytes(symbolOf(a), symbolOf(b)->bytes, symbolOf(b)->length);
}

bool isArrayName(VmRef name) {
  return name != 0 && symbolOf(name)->length >= 2 && symbolOf(name)->bytes[0] == '[';
}

// An array of references: "[L...;" or "[[...".
bool isReferenceArrayName(VmRef name) {
  return isArrayName(name) && (symbolOf(name)->bytes[1] == 'L' || symbolOf(name)->bytes[1] == '[');
}

// Whether the name is the array of the primitive basic type; boolean and
// byte arrays stand for each other.
bool isPrimitiveArrayOf(VmRef name, int32_t basicType) {
  if (!isArrayName(name) || symbolOf(name)->length != 2) return false;
  const uint8_t letter = symbolOf(name)->bytes[1];
  const uint8_t wanted = arrayLetter(basicType);
  if (wanted == 'B' || wanted == 'Z') return letter == 'B' || letter == 'Z';
  return letter == wanted;
}

// The symbol of prefix + bytes [from, from + length) of the symbol in
// *name + suffix; built in a byte array, since interning may move the
// source. 0 with OutOfMemoryError pending.
VmRef composeName(const VmRef* name, uint32_t from, uint32_t length, const char* prefix, const char* suffix) {
  const uint32_t before = static_cast<uint32_t>(std::strlen(prefix));
  const uint32_t after = static_cast<uint32_t>(std::strlen(suffix));
  VmHandle bytes;
  vsHandle_push(&bytes, vsJavaHeap_newByteArray(static_cast<int32_t>(before + length + after)));
  VmRef result = 0;
  if (bytes.object != 0) {
    int8_t* out = vsRef_as<ByteArray>(bytes.object)->elements;
    std::memcpy(out, prefix, before);
    std::memcpy(out + before, symbolOf(*name)->bytes + from, length);
    std::memcpy(out + before + length, suffix, after);
    result = vsSymbol_fromByteArray(&bytes.object);
  }
  vsHandle_close(&bytes);
  return result;
}

// The element class name of a reference-array name.
VmRef elementName(const VmRef* arrayName) {
  const VmSymbol* s = symbolOf(*arrayName);
  if (s->bytes[1] == '[') return composeName(arrayName, 1, s->length - 1u, "", "");
  return composeName(arrayName, 2, s->length - 3u, "", "");
}

// The name of the array class whose elements are of the named class.
VmRef arrayNameOf(const VmRef* name) {
  const uint32_t length = symbolOf(*name)->length;
  if (isArrayName(*name)) return composeName(name, 0, length, "[", "");
  return composeName(name, 0, length, "[L", ";");
}

// The verifier's name of a class: an instance class's name, an array
// class's descriptor ("[I", "[Ljava/lang/String;"). 0 for no class, or
// with OutOfMemoryError pending.
VmRef nameOfClass(const ClassRecord* record) {
  if (record == nullptr) return 0;
  if (vsObject_kind(vsRef_of(record)) == kKindInstanceClass) return vsRef_of(vsClass_name(record));
  VmHandle cls;
  vsHandle_push(&cls, vsRef_of(record));
  uint32_t length = 0;
  const ClassRecord* c = record;
  for (; vsObject_kind(vsRef_of(c)) == kKindObjectArrayClass; c = vsRef_as<ClassRecord>(c->elementOrLink))
    ++length;
  const bool primitive = vsObject_kind(vsRef_of(c)) == kKindTypeArrayClass;
  length += primitive ? 2 : 2 + vsClass_name(c)->length;
  VmHandle bytes;
  vsHandle_push(&bytes, vsJavaHeap_newByteArray(static_cast<int32_t>(length)));
  VmRef result = 0;
  if (bytes.object != 0) {
    uint8_t* out = reinterpret_cast<uint8_t*>(vsRef_as<ByteArray>(bytes.object)->elements);
    c = vsRef_as<ClassRecord>(cls.object);
    for (; vsObject_kind(vsRef_of(c)) == kKindObjectArrayClass; c = vsRef_as<ClassRecord>(c->elementOrLink))
      *out++ = '[';
    if (primitive) {
      *out++ = '[';
      *out = arrayLetter(static_cast<int32_t>(c->classInfo->methods));
    } else {
      const VmSymbol* n = vsClass_name(c);
      *out++ = 'L';
      std::memcpy(out, n->bytes, n->length);
      out[n->length] = ';';
    }
    result = vsSymbol_fromByteArray(&bytes.object);
  }
  vsHandle_close(&bytes);
  vsHandle_close(&cls);
  return result;
}

// The name of the class an encoded item names (two bytes with bit 7 set).
VmRef nameOfEncoded(const uint8_t* item) { return nameOfClass(vsSignature_classAt(item)); }

// Class names as the pool and the maps hold them: an array class's name
// there is its encoded type (two bytes naming the class), which the
// verifier spells as the descriptor.
VmRef verifierName(VmRef name) {
  if (name == 0 || symbolOf(name)->length != 2 || !vsSymbol_isFieldType(name)) return name;
  return nameOfEncoded(symbolOf(name)->bytes);
}

VmRef poolClassName(const VmRef* pool, uint32_t index) {
  return verifierName(vsConstantPool_className(pool, index));
}

// The class of the name, found or loaded (kind 1); 0 with the failure
// pending.
ClassRecord* loadByName(const VmRef* name) {
  if (vsVerifier_state.loadHook != nullptr) vsVerifier_state.loadHook(name);
  if (vsException_isPending()) return nullptr;
  VmHandle held;
  vsHandle_pushCopy(&held, name);
  ClassLookup lookup;
  vsClassLookup_init(&lookup, &held.object, 1, 0, 0);
  const VmRef cls = vsClass_findOrLoad(&lookup);
  vsHandle_close(&held);
  return vsRef_as<ClassRecord>(cls);
}

bool chainNames(const ClassRecord* cls, VmRef name) {
  for (const ClassRecord* c = cls; c != nullptr; c = c->superClass.get())
    if (sameName(vsRef_of(vsClass_name(c)), name)) return true;
  return false;
}

int32_t fail(int32_t code) {
  vsVerifier_fail(code);
  return 0;
}

// The failure `code` unless a failure is pending already.
bool refuse(int32_t code) {
  if (!vsException_isPending()) vsVerifier_fail(code);
  return false;
}

int32_t* bciTable() {
  return reinterpret_cast<int32_t*>(vsRef_as<IntArray>(vsVmGlobals.verifierBciIndex)->elements);
}

}  // namespace

void vsVerifier_fail(int32_t code) {
  vsVerifierClosure* c = vsVerifier_state.method;
  if (vsVerifier_state.failureHook != nullptr && c != nullptr)
    vsVerifier_state.failureHook(code, &c->method.object, c->bci);
  vsException_raiseWithCode(kVmErrorClass, code);
}

bool vsVerifier_isVerifying() { return vsVerifier_state.depth != 0; }

void vsVerifier_releaseBciIndex() {
  if (vsVerifier_state.depth == 0) vsVmGlobals.verifierBciIndex = 0;
}

void vsVerifier_setLoadHook(vsVerifierLoadHook hook) { vsVerifier_state.loadHook = hook; }

void vsVerifier_setFailureHook(vsVerifierFailureHook hook) { vsVerifier_state.failureHook = hook; }

bool vsVerifier_isClassAssignable(const VmRef* name, const VmRef* targetName) {
  if (sameName(*name, *targetName)) return true;
  if (sameName(*targetName, vsWellKnown_symbol(kSymJavaLangObject))) return true;
  VmHandle current;
  vsHandle_pushCopy(&current, name);
  VmHandle target;
  vsHandle_pushCopy(&target, targetName);
  bool result = false;
  ClassRecord* c = loadByName(&current.object);
  if (c != nullptr) {
    VmHandle currentClass;
    vsHandle_push(&currentClass, vsRef_of(c));
    if (chainNames(c, target.object)) {
      result = true;
    } else {
      ClassRecord* t = loadByName(&target.object);
      if (t != nullptr) {
        uint32_t flags = 0;
        VmRef targetRef = vsRef_of(t);
        vsClass_accessFlags(&targetRef, &flags);
        result = (flags & kClassInterface) != 0 ||
                 vsClass_isAssignable(vsRef_as<ClassRecord>(currentClass.object), t);
      }
    }
    vsHandle_close(&currentClass);
  }
  vsHandle_close(&target);
  vsHandle_close(&current);
  return result;
}

bool vsVerifier_isAssignable(uint16_t type, const VmRef* name, uint16_t targetType, const VmRef* targetName) {
  if (type == targetType) return type != kVObject || vsVerifier_isClassAssignable(name, targetName);
  return targetType == kVTop || (targetType == kVObject && type == kVNull);
}

// --- the closure ---------------------------------------------------------

vsVerifierClosure::vsVerifierClosure(const VmRef* methodRef) {
  vsHandle_assign(&method.object, methodRef);
  const MethodRecord* m = vsRef_as<MethodRecord>(*methodRef);
  vsHandle_push(&cls, vsRef_of(vsMethod_holderClass(m)));
  vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(m)));
  vsHandle_push(&stackMap, vsMethod_stackmap(m));
  vsHandle_pushEmpty(&starts);
  vsHandle_pushEmpty(&stackTypes);
  vsHandle_pushEmpty(&stackNames);
  vsHandle_pushEmpty(&localTypes);
  vsHandle_pushEmpty(&localNames);
  vsHandle_pushEmpty(&savedName);
  // Verification rewrites nothing: string constants stay unresolved.
  resolvesStrings = false;
}

uint16_t vsVerifierClosure::typeAt(bool isStack, uint32_t i) {
  return static_cast<uint16_t>(
      vsRef_as<ShortArray>(isStack ? stackTypes.object : localTypes.object)->elements[i]);
}

VmRef vsVerifierClosure::nameAt(bool isStack, uint32_t i) {
  return vsRef_as<ObjectArray>(isStack ? stackNames.object : localNames.object)->elements[i];
}

void vsVerifierClosure::setSlot(bool isStack, uint32_t i, uint16_t type, VmRef name) {
  vsRef_as<ShortArray>(isStack ? stackTypes.object : localTypes.object)->elements[i] =
      static_cast<int16_t>(type);
  vsJavaHeap_storeReference(
      &vsRef_as<ObjectArray>(isStack ? stackNames.object : localNames.object)->elements[i],
      type == kVObject ? name : 0);
}

uint16_t vsVerifierClosure::localType(uint32_t i) { return typeAt(false, i); }
uint16_t vsVerifierClosure::stackType(uint32_t i) { return typeAt(true, i); }

bool vsVerifierClosure::push(uint16_t type, VmRef name) {
  const uint32_t slots = isTwoSlot(type) ? 2 : 1;
  if (depth + slots > capacity) return refuse(kErrStackOverflow);
  setSlot(true, depth++, type, name);
  if (slots == 2) setSlot(true, depth++, secondSlot(type), 0);
  return true;
}

bool vsVerifierClosure::pushBasic(int32_t basicType) {
  const uint16_t type = verificationType(basicType);
  return type == kVTop || push(type, 0);
}

bool vsVerifierClosure::popSingle(uint16_t* type, VmRef* name) {
  if (depth == 0) return refuse(kErrStackUnderflow);
  const uint16_t t = typeAt(true, depth - 1);
  if (isSecondSlot(t)) return refuse(kErrStackType);
  --depth;
  *type = t;
  *name = nameAt(true, depth);
  return true;
}

bool vsVerifierClosure::popTyped(int32_t basicType) {
  const uint16_t type = verificationType(basicType);
  if (isTwoSlot(type)) {
    if (depth < 2) return refuse(kErrStackUnderflow);
    if (typeAt(true, depth - 1) != secondSlot(type) || typeAt(true, depth - 2) != type)
      return refuse(kErrStackType);
    depth -= 2;
    return true;
  }
  uint16_t t;
  VmRef name;
  if (!popSingle(&t, &name)) return false;
  return t == type || refuse(kErrStackType);
}

bool vsVerifierClosure::popReferenceLike(uint16_t* type, VmRef* name) {
  if (!popSingle(type, name)) return false;
  return isReferenceLike(*type) || refuse(kErrStackType);
}

bool vsVerifierClosure::popReferenceTo(const VmRef* target) {
  uint16_t type;
  VmHandle name;
  vsHandle_pushEmpty(&name);
  bool ok = popSingle(&type, &name.object);
  if (ok && type != kVNull) {
    ok = type == kVObject ? vsVerifier_isClassAssignable(&name.object, target) || refuse(kErrStackType)
                          : refuse(kErrStackType);
  }
  vsHandle_close(&name);
  return ok;
}

bool vsVerifierClosure::popPair(uint16_t types[2], VmRef names[2]) {
  if (depth < 2) return refuse(kErrStackUnderflow);
  if (isSecondSlot(typeAt(true, depth - 2))) return refuse(kErrStackType);
  for (uint32_t k = 0; k < 2; ++k) {
    types[k] = typeAt(true, depth - 2 + k);
    names[k] = nameAt(true, depth - 2 + k);
  }
  depth -= 2;
  return true;
}

bool vsVerifierClosure::writeLocal(uint32_t index, uint16_t type, VmRef name) {
  const uint32_t slots = isTwoSlot(type) ? 2 : 1;
  if (index >= locals || slots > locals - index) return refuse(kErrLocalIndex);
  if (index > 0 && isTwoSlot(typeAt(false, index - 1))) setSlot(false, index - 1, kVTop, 0);
  setSlot(false, index, type, name);
  if (slots == 2) setSlot(false, index + 1, secondSlot(type), 0);
  return true;
}

// --- frames and the map ----------------------------------------------------

namespace {

const ShortArray* entryTypes(const VmRef* map, uint32_t position) {
  return vsRef_as<ShortArray>(vsRef_as<ObjectArray>(*map)->elements[position]);
}
VmRef entryName(const VmRef* map, uint32_t position, uint32_t at) {
  const ObjectArray* names = vsRef_as<ObjectArray>(vsRef_as<ObjectArray>(*map)->elements[position + 1]);
  return names != nullptr ? verifierName(names->elements[at]) : 0;
}
uint32_t entryBci(const VmRef* map, uint32_t position) {
  return static_cast<uint16_t>(entryTypes(map, position)->elements[0]);
}

}  // namespace

int32_t vsVerifierClosure::entryAt(uint32_t target) {
  if (target < vsVerifier_state.limit && vsVmGlobals.verifierBciIndex != 0) return bciTable()[target];
  for (uint32_t p = 0; p < mapLength; p += 2)
    if (entryBci(&stackMap.object, p) == target) return static_cast<int32_t>(p);
  return -1;
}

bool vsVerifierClosure::frameMatches(uint32_t position) {
  const ShortArray* e = entryTypes(&stackMap.object, position);
  const uint32_t entryLocals = static_cast<uint16_t>(e->elements[1]);
  if (entryLocals > locals) return false;
  bool namesThis = false;
  VmHandle name;
  VmHandle target;
  vsHandle_pushEmpty(&name);
  vsHandle_pushEmpty(&target);
  bool ok = true;
  for (uint32_t k = 0; ok && k < entryLocals; ++k) {
    const uint16_t want = static_cast<uint16_t>(entryTypes(&stackMap.object, position)->elements[2 + k]);
    namesThis |= want == kVUninitializedThis;
    name.object = nameAt(false, k);
    target.object = entryName(&stackMap.object, position, 2 + k);
    ok = vsVerifier_isAssignable(typeAt(false, k), &name.object, want, &target.object);
  }
  const uint32_t stackAt = 2 + entryLocals;
  const uint32_t entryStack =
      ok ? static_cast<uint16_t>(entryTypes(&stackMap.object, position)->elements[stackAt]) : 0;
  ok = ok && entryStack == depth;
  for (uint32_t k = 0; ok && k < entryStack; ++k) {
    const uint16_t want =
        static_cast<uint16_t>(entryTypes(&stackMap.object, position)->elements[stackAt + 1 + k]);
    namesThis |= want == kVUninitializedThis;
    name.object = nameAt(true, k);
    target.object = entryName(&stackMap.object, position, stackAt + 1 + k);
    ok = vsVerifier_isAssignable(typeAt(true, k), &name.object, want, &target.object);
  }
  vsHandle_close(&target);
  vsHandle_close(&name);
  if (ok && isInitializer && thisUninitialized && !namesThis) ok = false;
  return ok;
}

void vsVerifierClosure::setFrame(uint32_t position) {
  const ShortArray* e = entryTypes(&stackMap.object, position);
  const uint32_t entryLocals = static_cast<uint16_t>(e->elements[1]);
  const uint32_t stackAt = 2 + entryLocals;
  bool namesThis = false;
  for (uint32_t k = 0; k < locals; ++k) {
    const uint16_t type = k < entryLocals
                              ? static_cast<uint16_t>(entryTypes(&stackMap.object, position)->elements[2 + k])
                              : uint16_t{kVTop};
    namesThis |= type == kVUninitializedThis;
    setSlot(false, k, type, k < entryLocals ? entryName(&stackMap.object, position, 2 + k) : 0);
  }
  depth = static_cast<uint16_t>(entryTypes(&stackMap.object, position)->elements[stackAt]);
  for (uint32_t k = 0; k < depth; ++k) {
    const uint16_t type =
        static_cast<uint16_t>(entryTypes(&stackMap.object, position)->elements[stackAt + 1 + k]);
    namesThis |= type == kVUninitializedThis;
    setSlot(true, k, type, entryName(&stackMap.object, position, stackAt + 1 + k));
  }
  if (isInitializer) thisUninitialized = namesThis;
}

bool vsVerifierClosure::checkTarget(int32_t target) {
  const int32_t entry = target < 0 ? -1 : entryAt(static_cast<uint32_t>(target));
  if (entry < 0) return refuse(kErrTargetFrame);
  return frameMatches(static_cast<uint32_t>(entry)) || refuse(kErrTargetFrame);
}

namespace {

struct HandlerEntry {
  uint32_t start, end, handler, catchType;
};

uint32_t handlerCount(const MethodRecord* m) {
  const ShortArray* t = vsRef_as<ShortArray>(vsMethod_exceptionTable(m));
  return t == nullptr ? 0 : static_cast<uint32_t>(t->length) / 4;
}

HandlerEntry handlerAt(const MethodRecord* m, uint32_t i) {
  const int16_t* w = vsRef_as<ShortArray>(vsMethod_exceptionTable(m))->elements + 4 * i;
  return {static_cast<uint16_t>(w[0]), static_cast<uint16_t>(w[1]), static_cast<uint16_t>(w[2]),
          static_cast<uint16_t>(w[3])};
}

}  // namespace

bool vsVerifierClosure::coversBci(uint32_t at) {
  const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
  const uint32_t n = handlerCount(m);
  for (uint32_t i = 0; i < n; ++i) {
    const HandlerEntry e = handlerAt(m, i);
    if (e.start <= at && at < e.end) return true;
  }
  return false;
}

bool vsVerifierClosure::checkHandlers() {
  const uint32_t n = handlerCount(vsRef_as<MethodRecord>(method.object));
  for (uint32_t i = 0; i < n; ++i) {
    const HandlerEntry e = handlerAt(vsRef_as<MethodRecord>(method.object), i);
    if (!(e.start <= bci && bci < e.end)) continue;
    if (capacity == 0) return refuse(kErrTargetFrame);
    const int32_t entry = entryAt(e.handler);
    if (entry < 0) return refuse(kErrTargetFrame);
    VmRef catchName = vsWellKnown_symbol(kSymJavaLangThrowable);
    if (e.catchType != 0) {
      catchName = poolClassName(&pool.object, e.catchType);
      if (catchName == 0) return false;
    }
    savedDepth = depth;
    savedType = typeAt(true, 0);
    savedName.object = nameAt(true, 0);
    depth = 1;
    setSlot(true, 0, kVObject, catchName);
    const bool ok = frameMatches(static_cast<uint32_t>(entry));
    depth = savedDepth;
    setSlot(true, 0, savedType, savedName.object);
    savedName.object = 0;
    if (!ok) return refuse(kErrTargetFrame);
  }
  return true;
}

int32_t vsVerifierClosure::prolog() {
  if (mapPosition < mapLength && entryBci(&stackMap.object, mapPosition) < bci) return fail(kErrMapEntry);
  const bool hasEntry = mapPosition < mapLength && entryBci(&stackMap.object, mapPosition) == bci;
  if (noFallThrough && !hasEntry) return fail(kErrFrame);
  // Every entry at this bci is consumed (two for one bci only switch the
  // bci table off); the frame must match each unless control cannot
  // reach here from the previous instruction.
  while (mapPosition < mapLength && entryBci(&stackMap.object, mapPosition) == bci) {
    const uint32_t entry = mapPosition;
    mapPosition += 2;
    if (!noFallThrough && !frameMatches(entry)) return refuse(kErrFrame), 0;
    setFrame(entry);
    noFallThrough = false;
  }
  if (hasHandlers && !checkHandlers()) return 0;
  noFallThrough = false;
  return 0;
}

// --- method set-up ----------------------------------------------------------

bool vsVerifierClosure::start() {
  const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
  codeLength = m->codeLength;
  locals = m->maxLocals;
  // Step 1.
  hasHandlers = handlerCount(m) != 0;
  // Step 2: the bci table.
  if (stackMap.object != 0 && !vsObject_isObjectArray(stackMap.object)) return refuse(kErrMapEntry);
  mapLength =
      stackMap.object != 0 ? static_cast<uint32_t>(vsRef_as<ObjectArray>(stackMap.object)->length) & ~1u : 0;
  vsVerifier_state.limit = 0;
  if (vsVmGlobals.verifierBciIndex != 0) {
    const uint32_t limit = codeLength < kVerifierBciIndexSize ? codeLength : kVerifierBciIndexSize;
    int32_t* table = bciTable();
    for (uint32_t i = 0; i < limit; ++i) table[i] = -1;
    bool unique = true;
    for (uint32_t p = 0; p < mapLength; p += 2) {
      const uint32_t at = entryBci(&stackMap.object, p);
      if (at >= limit) continue;
      if (table[at] >= 0) unique = false;
      table[at] = static_cast<int32_t>(p);
    }
    vsVerifier_state.limit = unique ? limit : 0;
  }
  // Step 3: no final method is overridden.
  VmRef name = vsMethod_name(m);
  isInitializer = name == vsWellKnown_symbol(kSymInit);
  const ClassRecord* holder = vsRef_as<ClassRecord>(cls.object);
  if (!vsMember_isStatic(m) && holder->superClass.get() != nullptr) {
    const VmRef found = vsClass_findMethod(holder->superClass.get(), name, vsMethod_signature(m));
    const MethodRecord* over = vsRef_as<MethodRecord>(found);
    if (over != nullptr && (over->accessFlags & kMethodFinal) != 0 && !vsMethod_isPrivate(over)) {
      const ClassRecord* overHolder = vsMethod_holderClass(over);
      const bool accessible = vsMethod_isPublic(over) || vsMethod_isProtected(over) ||
                              vsName_samePackage(vsClass_name(overHolder), vsClass_name(holder));
      if (accessible) return refuse(kErrFinalOverride);
    }
  }
  // Step 4: instruction starts.
  starts.object = vsBytecodes_scanInstructionStarts(&method.object);
  if (starts.object == 0) return false;
  const uint8_t* startBytes = reinterpret_cast<const uint8_t*>(vsRef_as<ByteArray>(starts.object)->elements);
  m = vsRef_as<MethodRecord>(method.object);
  // The class file's max_stack: preparation added the lock records.
  uint32_t monitorEnters = 0;
  for (uint32_t i = 0; i < codeLength; ++i)
    if ((startBytes[i] & kInstructionStart) != 0 && vsMethod_codeByteAt(m, i) == kOpMonitorenter)
      ++monitorEnters;
  const uint32_t lockWords = kLockRecordWords * monitorEnters;
  capacity = m->maxStack > lockWords ? m->maxStack - lockWords : 0;
  // Step 5: the exception table.
  const uint32_t handlers = handlerCount(m);
  for (uint32_t i = 0; i < handlers; ++i) {
    const HandlerEntry e = handlerAt(vsRef_as<MethodRecord>(method.object), i);
    const uint8_t* s = reinterpret_cast<const uint8_t*>(vsRef_as<ByteArray>(starts.object)->elements);
    const bool placed = e.start <= e.end && e.start < codeLength && e.handler < codeLength &&
                        e.end <= codeLength && e.end != 0 && (s[e.start] & kInstructionStart) != 0 &&
                        (s[e.handler] & kInstructionStart) != 0 &&
                        (e.end == codeLength || (s[e.end] & kInstructionStart) != 0);
    if (!placed) return refuse(kErrExceptionTable);
    if (e.catchType == 0) continue;
    const ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
    if (e.catchType >= p->count) return refuse(kErrPoolIndex);
    if (!vsConstantPool_isClassEntry(p, e.catchType)) return refuse(kErrNotAClass);
    // Loaded by name: verification leaves the pool as it is.
    VmHandle catchName;
    vsHandle_push(&catchName, poolClassName(&pool.object, e.catchType));
    const ClassRecord* c = catchName.object != 0 ? loadByName(&catchName.object) : nullptr;
    vsHandle_close(&catchName);
    if (c == nullptr) return false;
    if (!chainNames(c, vsWellKnown_symbol(kSymJavaLangThrowable))) return refuse(kErrCatchType);
  }
  // Step 6: every uninitialized type of the map names a `new`.
  for (uint32_t p = 0; p < mapLength; p += 2) {
    const ShortArray* e = entryTypes(&stackMap.object, p);
    const uint8_t* s = reinterpret_cast<const uint8_t*>(vsRef_as<ByteArray>(starts.object)->elements);
    for (int32_t k = 1; k < e->length; ++k) {
      const uint16_t type = static_cast<uint16_t>(e->elements[k]);
      const uint32_t localsCount = static_cast<uint16_t>(e->elements[1]);
      if (static_cast<uint32_t>(k) == 2 + localsCount) continue;  // the stack count
      if (!isNew(type)) continue;
      const uint32_t site = newSite(type);
      if (site >= codeLength || (s[site] & kNewInstruction) == 0) return refuse(kErrMapEntry);
    }
  }
  // Step 7.
  stackTypes.object = vsJavaHeap_newShortArray(static_cast<int32_t>(capacity));
  if (stackTypes.object == 0) return false;
  stackNames.object = vsJavaHeap_newObjectArray(static_cast<int32_t>(capacity));
  if (stackNames.object == 0) return false;
  localTypes.object = vsJavaHeap_newShortArray(static_cast<int32_t>(locals));
  if (localTypes.object == 0) return false;
  localNames.object = vsJavaHeap_newObjectArray(static_cast<int32_t>(locals));
  if (localNames.object == 0) return false;
  // Step 8: the initial frame.
  thisUninitialized = false;
  uint32_t at = 0;
  m = vsRef_as<MethodRecord>(method.object);
  const bool isStatic = vsMember_isStatic(m);
  if (!isStatic) {
    if (locals == 0) return refuse(kErrLocalIndex);
    if (isInitializer && !vsClass_isJavaLangObject(vsRef_as<ClassRecord>(cls.object))) {
      setSlot(false, at++, kVUninitializedThis, 0);
      thisUninitialized = true;
    } else {
      setSlot(false, at++, kVObject, vsRef_of(vsClass_name(vsRef_as<ClassRecord>(cls.object))));
    }
  }
  VmHandle signature;
  vsHandle_push(&signature, vsMethod_signature(m));
  SignatureIterator it;
  vsSignatureIterator_init(&it, &signature.object, true, true);
  bool ok = true;
  for (; ok && !vsSignatureIterator_atEnd(&it); vsSignatureIterator_next(&it)) {
    const uint16_t type = verificationType(it.type);
    const uint32_t slots = isTwoSlot(type) ? 2 : 1;
    if (type == kVTop || at + slots > locals) {
      ok = refuse(kErrLocalIndex);
      break;
    }
    VmRef name = 0;
    if (type == kVObject) {
      name = nameOfClass(vsClass_byId(static_cast<uint32_t>(it.classId)));
      if (name == 0) {
        ok = refuse(kErrLocalType);
        break;
      }
    }
    setSlot(false, at, type, name);
    if (slots == 2) setSlot(false, at + 1, secondSlot(type), 0);
    at += slots;
  }
  vsHandle_close(&signature);
  return ok;
}

void vsVerifierClosure::walk() {
  vsBytecodes_iterate(&method.object, 0, codeLength, this);
  if (vsException_isPending()) return;
  if (mapPosition < mapLength) {
    vsVerifier_fail(kErrMapEntry);
  } else if (!noFallThrough) {
    vsVerifier_fail(kErrFallsOff);
  }
}

// --- instructions --------------------------------------------------------------

int32_t vsVerifierClosure::pushInt(int32_t) { return push(kVInt, 0), 0; }
int32_t vsVerifierClosure::pushLong(uint32_t, uint32_t) { return push(kVLong, 0), 0; }
int32_t vsVerifierClosure::pushFloat(uint32_t) { return push(kVFloat, 0), 0; }
int32_t vsVerifierClosure::pushDouble(uint32_t, uint32_t) { return push(kVDouble, 0), 0; }

int32_t vsVerifierClosure::pushObject(const VmRef*) {
  // aconst_null, or a string constant (resolved or not).
  if (vsMethod_codeByteAt(vsRef_as<MethodRecord>(method.object), bci) == kOpAconstNull)
    return push(kVNull, 0), 0;
  return push(kVObject, vsWellKnown_symbol(kSymJavaLangString)), 0;
}

int32_t vsVerifierClosure::loadLocal(int32_t basicType, uint32_t index) {
  const uint16_t type = verificationType(basicType);
  const uint32_t slots = isTwoSlot(type) ? 2 : 1;
  if (index >= locals || slots > locals - index) return fail(kErrLocalIndex);
  const uint16_t have = typeAt(false, index);
  if (type == kVObject) {
    if (!isReferenceLike(have)) return fail(kErrLocalType);
    return push(have, nameAt(false, index)), 0;
  }
  if (have != type || (slots == 2 && typeAt(false, index + 1) != secondSlot(type)))
    return fail(kErrLocalType);
  return push(type, 0), 0;
}

int32_t vsVerifierClosure::storeLocal(int32_t basicType, uint32_t index) {
  const uint16_t type = verificationType(basicType);
  if (type == kVObject) {
    uint16_t have;
    VmRef name;
    if (!popReferenceLike(&have, &name)) return 0;
    return writeLocal(index, have, name), 0;
  }
  if (!popTyped(basicType)) return 0;
  return writeLocal(index, type, 0), 0;
}

int32_t vsVerifierClosure::incrementLocal(uint32_t index, int32_t) {
  if (index >= locals) return fail(kErrLocalIndex);
  return typeAt(false, index) == kVInt ? 0 : fail(kErrLocalType);
}

int32_t vsVerifierClosure::arrayLength() {
  uint16_t type;
  VmRef name;
  if (!popSingle(&type, &name)) return 0;
  if (type != kVNull && !(type == kVObject && isArrayName(name))) return fail(kErrArrayLength);
  return push(kVInt, 0), 0;
}

int32_t vsVerifierClosure::loadArray(int32_t basicType) {
  if (!popTyped(kTypeInt)) return 0;
  uint16_t type;
  VmHandle name;
  vsHandle_pushEmpty(&name);
  bool ok = popSingle(&type, &name.object);
  if (ok && basicType == kTypeObject) {
    if (type == kVNull) {
      ok = push(kVNull, 0);
    } else if (type == kVObject && isReferenceArrayName(name.object)) {
      const VmRef element = elementName(&name.object);
      ok = element != 0 && push(kVObject, element);
    } else {
      ok = refuse(kErrStackType);
    }
  } else if (ok) {
    ok = type == kVNull || (type == kVObject && isPrimitiveArrayOf(name.object, basicType)) ||
         refuse(kErrStackType);
    ok = ok && pushBasic(basicType);
  }
  vsHandle_close(&name);
  return 0;
}

int32_t vsVerifierClosure::storeArray(int32_t basicType) {
  if (basicType != kTypeObject) {
    if (!popTyped(basicType) || !popTyped(kTypeInt)) return 0;
    uint16_t type;
    VmRef name;
    if (!popSingle(&type, &name)) return 0;
    if (type == kVNull || (type == kVObject && isPrimitiveArrayOf(name, basicType))) return 0;
    return fail(kErrStackType);
  }
  VmHandle value;
  VmHandle array;
  vsHandle_pushEmpty(&value);
  vsHandle_pushEmpty(&array);
  uint16_t valueType = 0;
  uint16_t arrayType = 0;
  bool ok =
      popSingle(&valueType, &value.object) && popTyped(kTypeInt) && popSingle(&arrayType, &array.object);
  if (ok &&
      ((valueType != kVNull && valueType != kVObject) || (arrayType != kVNull && arrayType != kVObject)))
    ok = refuse(kErrArrayStore);
  if (ok && valueType != kVNull && arrayType != kVNull) {
    if (!isReferenceArrayName(array.object)) {
      ok = refuse(kErrArrayStore);
    } else {
      array.object = elementName(&array.object);
      ok = array.object != 0;
      // Neither side an array class: the store's run-time check decides.
      if (ok && (isArrayName(array.object) || isArrayName(value.object)))
        ok = vsVerifier_isClassAssignable(&value.object, &array.object) || refuse(kErrArrayStore);
    }
  }
  vsHandle_close(&array);
  vsHandle_close(&value);
  return 0;
}

int32_t vsVerifierClosure::pop() {
  uint16_t type;
  VmRef name;
  return popSingle(&type, &name), 0;
}

int32_t vsVerifierClosure::pop2() {
  uint16_t types[2];
  VmRef names[2];
  return popPair(types, names), 0;
}

int32_t vsVerifierClosure::dup() {
  uint16_t type;
  VmRef name;
  if (!popSingle(&type, &name)) return 0;
  return push(type, name) && push(type, name), 0;
}

int32_t vsVerifierClosure::dup2() {
  uint16_t t[2];
  VmRef n[2];
  if (!popPair(t, n)) return 0;
  if (depth + 4 > capacity) return fail(kErrStackOverflow);
  for (uint32_t k = 0; k < 4; ++k) setSlot(true, depth++, t[k % 2], n[k % 2]);
  return 0;
}

int32_t vsVerifierClosure::dupX1() {
  uint16_t a, b;
  VmRef an, bn;
  if (!popSingle(&a, &an) || !popSingle(&b, &bn)) return 0;
  return push(a, an) && push(b, bn) && push(a, an), 0;
}

int32_t vsVerifierClosure::dup2X1() {
  uint16_t a[2];
  VmRef an[2];
  uint16_t b;
  VmRef bn;
  if (!popPair(a, an) || !popSingle(&b, &bn)) return 0;
  if (depth + 5 > capacity) return fail(kErrStackOverflow);
  const uint16_t types[5] = {a[0], a[1], b, a[0], a[1]};
  const VmRef names[5] = {an[0], an[1], bn, an[0], an[1]};
  for (uint32_t k = 0; k < 5; ++k) setSlot(true, depth++, types[k], names[k]);
  return 0;
}

int32_t vsVerifierClosure::dupX2() {
  uint16_t a;
  VmRef an;
  uint16_t b[2];
  VmRef bn[2];
  if (!popSingle(&a, &an) || !popPair(b, bn)) return 0;
  if (depth + 4 > capacity) return fail(kErrStackOverflow);
  const uint16_t types[4] = {a, b[0], b[1], a};
  const VmRef names[4] = {an, bn[0], bn[1], an};
  for (uint32_t k = 0; k < 4; ++k) setSlot(true, depth++, types[k], names[k]);
  return 0;
}

int32_t vsVerifierClosure::dup2X2() {
  uint16_t a[2], b[2];
  VmRef an[2], bn[2];
  if (!popPair(a, an) || !popPair(b, bn)) return 0;
  if (depth + 6 > capacity) return fail(kErrStackOverflow);
  const uint16_t types[6] = {a[0], a[1], b[0], b[1], a[0], a[1]};
  const VmRef names[6] = {an[0], an[1], bn[0], bn[1], an[0], an[1]};
  for (uint32_t k = 0; k < 6; ++k) setSlot(true, depth++, types[k], names[k]);
  return 0;
}

int32_t vsVerifierClosure::swap() {
  uint16_t a, b;
  VmRef an, bn;
  if (!popSingle(&a, &an) || !popSingle(&b, &bn)) return 0;
  setSlot(true, depth++, a, an);
  setSlot(true, depth++, b, bn);
  return 0;
}

int32_t vsVerifierClosure::negate(int32_t type) { return popTyped(type) && pushBasic(type), 0; }

int32_t vsVerifierClosure::binaryOp(int32_t type, int32_t op) {
  constexpr int32_t kFirstShift = 5, kLastShift = 7;
  const bool shift = op >= kFirstShift && op <= kLastShift;
  return popTyped(shift ? kTypeInt : type) && popTyped(type) && pushBasic(type), 0;
}

int32_t vsVerifierClosure::convert(int32_t from, int32_t to) { return popTyped(from) && pushBasic(to), 0; }

int32_t vsVerifierClosure::compare(int32_t type, int32_t) {
  return popTyped(type) && popTyped(type) && push(kVInt, 0), 0;
}

int32_t vsVerifierClosure::branchIf(int32_t cond, int32_t target) {
  uint16_t type;
  VmRef name;
  const bool ok = cond <= 1 ? popReferenceLike(&type, &name) : popTyped(kTypeInt);
  return ok && checkTarget(target), 0;
}

int32_t vsVerifierClosure::branchIfIntCompare(int32_t, int32_t target) {
  return popTyped(kTypeInt) && popTyped(kTypeInt) && checkTarget(target), 0;
}

int32_t vsVerifierClosure::branchIfRefCompare(int32_t, int32_t target) {
  uint16_t type;
  VmRef name;
  return popReferenceLike(&type, &name) && popReferenceLike(&type, &name) && checkTarget(target), 0;
}

int32_t vsVerifierClosure::branchAlways(int32_t target) {
  if (checkTarget(target)) noFallThrough = true;
  return 0;
}

int32_t vsVerifierClosure::tableSwitch(uint32_t table, int32_t defaultTarget, int32_t low, int32_t high) {
  if (!popTyped(kTypeInt) || !checkTarget(defaultTarget)) return 0;
  const int64_t count = high < low ? 0 : int64_t{high} - low + 1;
  if (uint64_t{table} + 12 + 4 * static_cast<uint64_t>(count) > codeLength)
    return fail(kErrIllegalInstruction);
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t at = table + 12 + 4 * static_cast<uint32_t>(i);
    if (!checkTarget(vsBytecodes_target(bci, vsMethod_codeIntAt(vsRef_as<MethodRecord>(method.object), at))))
      return 0;
  }
  noFallThrough = true;
  return 0;
}

int32_t vsVerifierClosure::lookupSwitch(uint32_t table, int32_t defaultTarget, int32_t pairs) {
  if (!popTyped(kTypeInt) || !checkTarget(defaultTarget)) return 0;
  const int64_t count = pairs < 0 ? 0 : int64_t{pairs};
  if (uint64_t{table} + 8 + 8 * static_cast<uint64_t>(count) > codeLength)
    return fail(kErrIllegalInstruction);
  int64_t previous = INT64_MIN;
  for (int64_t i = 0; i < count; ++i) {
    const uint32_t at = table + 8 + 8 * static_cast<uint32_t>(i);
    const int32_t key = vsMethod_codeIntAt(vsRef_as<MethodRecord>(method.object), at);
    if (int64_t{key} <= previous) return fail(kErrSwitchKeys);
    previous = key;
    if (!checkTarget(
            vsBytecodes_target(bci, vsMethod_codeIntAt(vsRef_as<MethodRecord>(method.object), at + 4))))
      return 0;
  }
  noFallThrough = true;
  return 0;
}

int32_t vsVerifierClosure::returnValue(int32_t type) {
  if (thisUninitialized) return fail(kErrReturnUninitialized);
  VmHandle signature;
  vsHandle_push(&signature, vsMethod_signature(vsRef_as<MethodRecord>(method.object)));
  int32_t result = vsSignature_basicType(signature.object, false);
  if (result == kTypeBoolean || result == kTypeByte || result == kTypeChar || result == kTypeShort)
    result = kTypeInt;
  if (result == kTypeArray) result = kTypeObject;
  bool ok = result == type || refuse(kErrReturnType);
  if (ok && type == kTypeObject) {
    VmHandle target;
    vsHandle_push(&target, nameOfEncoded(symbolOf(signature.object)->bytes + 2));
    ok = popReferenceTo(&target.object);
    vsHandle_close(&target);
  } else if (ok && type != kTypeVoid) {
    ok = popTyped(type);
  }
  vsHandle_close(&signature);
  if (ok) noFallThrough = true;
  return 0;
}

bool vsVerifierClosure::classEntryName(uint32_t index, VmRef* name) {
  const ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
  if (index >= p->count) return refuse(kErrPoolIndex);
  if (!vsConstantPool_isClassEntry(p, index)) return refuse(kErrNotAClass);
  *name = poolClassName(&pool.object, index);
  return *name != 0;
}

namespace {

// Whether the member of the named class, found in a superclass of the
// current class in another package, is protected: the object must then be
// of the current class.
bool isProtectedAccess(const ClassRecord* current, VmRef className, VmRef name, VmRef signature,
                       bool isField) {
  if (vsName_samePackage(vsClass_name(current), symbolOf(className))) return false;
  for (const ClassRecord* c = current->superClass.get(); c != nullptr; c = c->superClass.get()) {
    if (!sameName(vsRef_of(vsClass_name(c)), className)) continue;
    if (isField) {
      vsFieldDesc desc;
      if (!vsField_find(&desc, c, name, signature)) return false;
      const ClassRecord* holder = vsRef_as<ClassRecord>(desc.cls);
      return (desc.accessFlags & kFieldProtected) != 0 &&
             !vsName_samePackage(vsClass_name(holder), vsClass_name(current));
    }
    const MethodRecord* m = vsRef_as<MethodRecord>(vsClass_findMethod(c, name, signature));
    return m != nullptr && vsMethod_isProtected(m) &&
           !vsName_samePackage(vsClass_name(vsMethod_holderClass(m)), vsClass_name(current));
  }
  return false;
}

}  // namespace

int32_t vsVerifierClosure::field(uint32_t index, bool isStatic, bool isPut) {
  const ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
  if (index >= p->count) return fail(kErrPoolIndex);
  if (vsConstantPool_tagAt(p, index) != kTagFieldRef) return fail(kErrNotAField);
  VmHandle name;
  VmHandle type;
  VmHandle owner;
  VmHandle target;
  vsHandle_pushEmpty(&name);
  vsHandle_pushEmpty(&type);
  vsHandle_pushEmpty(&owner);
  vsHandle_pushEmpty(&target);
  bool ok = false;
  const uint32_t nameIndex = vsConstantPool_nameIndex(&pool.object, index);
  const uint32_t typeIndex = nameIndex != 0 ? vsConstantPool_descriptorIndex(&pool.object, index) : 0;
  const uint32_t classIndex = typeIndex != 0 ? vsConstantPool_memberClassIndex(&pool.object, index) : 0;
  if (classIndex != 0) {
    name.object = vsConstantPool_internUtf8Name(&pool.object, nameIndex);
    type.object = name.object != 0 ? vsConstantPool_internUtf8Descriptor(&pool.object, typeIndex) : 0;
    owner.object = type.object != 0 ? poolClassName(&pool.object, classIndex) : 0;
    ok = owner.object != 0;
  }
  int32_t basicType = kTypeVoid;
  if (ok) {
    basicType = vsType_basicType(type.object);
    target.object = verificationType(basicType) == kVObject ? nameOfEncoded(symbolOf(type.object)->bytes) : 0;
    ok = verificationType(basicType) != kVObject || target.object != 0 || refuse(kErrNotAField);
  }
  const ClassRecord* current = vsRef_as<ClassRecord>(cls.object);
  const bool isProtected =
      ok && !isStatic && isProtectedAccess(current, owner.object, name.object, type.object, true);
  if (ok && isProtected) owner.object = vsRef_of(vsClass_name(current));
  if (ok && !isPut) {
    if (!isStatic) ok = popReferenceTo(&owner.object);
    if (ok)
      ok = verificationType(basicType) == kVObject ? push(kVObject, target.object) : pushBasic(basicType);
  } else if (ok) {
    ok = verificationType(basicType) == kVObject ? popReferenceTo(&target.object) : popTyped(basicType);
    if (ok && !isStatic) {
      if (depth > 0 && typeAt(true, depth - 1) == kVUninitializedThis) {
        vsFieldDesc desc;
        current = vsRef_as<ClassRecord>(cls.object);
        const bool declared =
            vsField_find(&desc, current, name.object, type.object) && desc.cls == cls.object;
        if (declared) {
          --depth;
        } else {
          ok = refuse(kErrStackType);
        }
      } else {
        ok = popReferenceTo(&owner.object);
      }
    }
  }
  vsHandle_close(&target);
  vsHandle_close(&owner);
  vsHandle_close(&type);
  vsHandle_close(&name);
  return 0;
}

int32_t vsVerifierClosure::getField(uint32_t index) { return field(index, false, false); }
int32_t vsVerifierClosure::putField(uint32_t index) { return field(index, false, true); }
int32_t vsVerifierClosure::getStatic(uint32_t index) { return field(index, true, false); }
int32_t vsVerifierClosure::putStatic(uint32_t index) { return field(index, true, true); }

void vsVerifierClosure::replaceType(uint16_t from, uint16_t to, VmRef name) {
  for (uint32_t k = 0; k < depth; ++k)
    if (typeAt(true, k) == from) setSlot(true, k, to, name);
  for (uint32_t k = 0; k < locals; ++k)
    if (typeAt(false, k) == from) setSlot(false, k, to, name);
}

bool vsVerifierClosure::initializeObject(uint16_t receiver, const VmRef* methodClass) {
  const ClassRecord* current = vsRef_as<ClassRecord>(cls.object);
  if (isNew(receiver)) {
    const uint32_t site = newSite(receiver);
    const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    if (site + 3 > codeLength || vsMethod_codeByteAt(m, site) != kOpNew) return refuse(kErrNewSite);
    VmRef name = 0;
    if (!classEntryName(vsMethod_codeU2At(m, site + 1), &name)) return false;
    if (!sameName(name, *methodClass)) return refuse(kErrInitializerCall);
    replaceType(receiver, kVObject, name);
    return true;
  }
  if (receiver == kVUninitializedThis) {
    const ClassRecord* super = current->superClass.get();
    const bool related = sameName(*methodClass, vsRef_of(vsClass_name(current))) ||
                         (super != nullptr && sameName(*methodClass, vsRef_of(vsClass_name(super))));
    if (!related || !thisUninitialized || coversBci(bci)) return refuse(kErrInitializerCall);
    thisUninitialized = false;
    replaceType(kVUninitializedThis, kVObject, vsRef_of(vsClass_name(current)));
    return true;
  }
  return refuse(kErrInitialized);
}

int32_t vsVerifierClosure::invoke(uint32_t index, int32_t opcode, uint32_t countByte) {
  const ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
  if (index >= p->count) return fail(kErrPoolIndex);
  const uint8_t tag = vsConstantPool_tagAt(p, index);
  if (tag != kTagMethodRef && tag != kTagInterfaceMethodRef) return fail(kErrNotAMethod);
  VmHandle name;
  VmHandle signature;
  VmHandle owner;
  VmHandle target;
  vsHandle_pushEmpty(&name);
  vsHandle_pushEmpty(&signature);
  vsHandle_pushEmpty(&owner);
  vsHandle_pushEmpty(&target);
  bool ok = false;
  const uint32_t nameIndex = vsConstantPool_nameIndex(&pool.object, index);
  const uint32_t typeIndex = nameIndex != 0 ? vsConstantPool_descriptorIndex(&pool.object, index) : 0;
  const uint32_t classIndex = typeIndex != 0 ? vsConstantPool_memberClassIndex(&pool.object, index) : 0;
  if (classIndex != 0) {
    name.object = vsConstantPool_internUtf8Name(&pool.object, nameIndex);
    signature.object = name.object != 0 ? vsConstantPool_internUtf8Descriptor(&pool.object, typeIndex) : 0;
    owner.object = signature.object != 0 ? poolClassName(&pool.object, classIndex) : 0;
    ok = owner.object != 0;
  }
  const bool isInit = ok && name.object == vsWellKnown_symbol(kSymInit);
  if (ok && symbolOf(name.object)->length > 0 && symbolOf(name.object)->bytes[0] == '<' &&
      !(isInit && opcode == kOpInvokespecial))
    ok = refuse(kErrSpecialName);
  const bool isStatic = opcode == kOpInvokestatic;
  uint32_t words = 0;
  if (ok) {
    SignatureIterator it;
    vsSignatureIterator_init(&it, &signature.object, true, true);
    for (; !vsSignatureIterator_atEnd(&it); vsSignatureIterator_next(&it))
      words += isTwoSlot(verificationType(it.type)) ? 2 : 1;
    if (depth < words) ok = refuse(kErrArguments);
  }
  if (ok) {
    // The arguments in place, first to last.
    uint32_t at = depth - words;
    SignatureIterator it;
    vsSignatureIterator_init(&it, &signature.object, true, true);
    for (; ok && !vsSignatureIterator_atEnd(&it); vsSignatureIterator_next(&it)) {
      const uint16_t want = verificationType(it.type);
      const uint16_t have = typeAt(true, at);
      if (want == kVObject) {
        target.object = nameOfClass(vsClass_byId(static_cast<uint32_t>(it.classId)));
        if (target.object == 0) {
          ok = refuse(kErrNotAMethod);
          break;
        }
        VmHandle haveName;
        vsHandle_push(&haveName, nameAt(true, at));
        ok = have == kVNull ||
             (have == kVObject && vsVerifier_isClassAssignable(&haveName.object, &target.object)) ||
             refuse(kErrStackType);
        vsHandle_close(&haveName);
        at += 1;
      } else if (isTwoSlot(want)) {
        ok = (have == want && typeAt(true, at + 1) == secondSlot(want)) || refuse(kErrStackType);
        at += 2;
      } else {
        ok = have == want || refuse(kErrStackType);
        at += 1;
      }
    }
    if (ok) depth -= words;
  }
  if (ok && !isStatic) {
    if (!isInit) {
      const ClassRecord* current = vsRef_as<ClassRecord>(cls.object);
      if (opcode == kOpInvokespecial && !chainNames(current, owner.object)) ok = refuse(kErrSpecialClass);
      if (ok && opcode != kOpInvokeinterface &&
          isProtectedAccess(current, owner.object, name.object, signature.object, false))
        owner.object = vsRef_of(vsClass_name(current));
      ok = ok && popReferenceTo(&owner.object);
    } else {
      uint16_t receiver;
      VmRef receiverName;
      ok = popSingle(&receiver, &receiverName) && initializeObject(receiver, &owner.object);
    }
  }
  if (ok && opcode == kOpInvokeinterface) {
    const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    if (countByte != words + 1) {
      ok = refuse(kErrInterfaceCount);
    } else if (vsMethod_codeByteAt(m, bci + 4) != 0) {
      ok = refuse(kErrInterfaceZero);
    }
  }
  if (ok) {
    const int32_t result = vsSignature_basicType(signature.object, true);
    const uint16_t type = verificationType(result);
    if (type == kVObject) {
      const VmRef result = nameOfEncoded(symbolOf(signature.object)->bytes + 2);
      ok = (result != 0 || refuse(kErrNotAMethod)) && push(kVObject, result);
    } else if (type != kVTop) {
      ok = push(type, 0);
    }
  }
  vsHandle_close(&target);
  vsHandle_close(&owner);
  vsHandle_close(&signature);
  vsHandle_close(&name);
  return 0;
}

int32_t vsVerifierClosure::invokeInterface(uint32_t index, uint32_t count) {
  return invoke(index, kOpInvokeinterface, count);
}
int32_t vsVerifierClosure::invokeSpecial(uint32_t index) { return invoke(index, kOpInvokespecial, 0); }
int32_t vsVerifierClosure::invokeStatic(uint32_t index) { return invoke(index, kOpInvokestatic, 0); }
int32_t vsVerifierClosure::invokeVirtual(uint32_t index) { return invoke(index, kOpInvokevirtual, 0); }

int32_t vsVerifierClosure::throwException() {
  VmHandle target;
  vsHandle_push(&target, vsWellKnown_symbol(kSymJavaLangThrowable));
  if (popReferenceTo(&target.object)) noFallThrough = true;
  vsHandle_close(&target);
  return 0;
}

int32_t vsVerifierClosure::newObject(uint32_t index) {
  VmRef name = 0;
  if (!classEntryName(index, &name)) return 0;
  if (isArrayName(name)) return fail(kErrNotAClass);
  if (bci > kMaxNewSite) return fail(kErrIllegalInstruction);
  const uint16_t type = newType(bci);
  // One object per site at a time: a second `new` here while the first is
  // still uninitialized would let one constructor call mark both.
  for (uint32_t k = 0; k < depth; ++k)
    if (typeAt(true, k) == type) return fail(kErrStackType);
  for (uint32_t k = 0; k < locals; ++k)
    if (typeAt(false, k) == type) setSlot(false, k, kVTop, 0);
  return push(type, 0), 0;
}

int32_t vsVerifierClosure::newArray(int32_t arrayType) {
  if (!popTyped(kTypeInt)) return 0;
  const uint8_t letter = arrayLetter(arrayType);
  if (letter == 0) return fail(kErrIllegalInstruction);
  const char text[3] = {'[', static_cast<char>(letter), 0};
  const VmRef name = vsSymbol_fromCString(text, false);
  return name != 0 && push(kVObject, name), 0;
}

int32_t vsVerifierClosure::newObjectArray(uint32_t index) {
  VmHandle name;
  vsHandle_pushEmpty(&name);
  if (classEntryName(index, &name.object) && popTyped(kTypeInt)) {
    name.object = arrayNameOf(&name.object);
    if (name.object != 0) push(kVObject, name.object);
  }
  vsHandle_close(&name);
  return 0;
}

int32_t vsVerifierClosure::newMultiArray(uint32_t index, uint32_t dimensions) {
  VmRef name = 0;
  if (!classEntryName(index, &name)) return 0;
  const VmSymbol* s = symbolOf(name);
  uint32_t arrayDimensions = 0;
  while (arrayDimensions < s->length && s->bytes[arrayDimensions] == '[') ++arrayDimensions;
  if (dimensions < 1 || arrayDimensions < dimensions) return fail(kErrMultiArray);
  for (uint32_t k = 0; k < dimensions; ++k)
    if (!popTyped(kTypeInt)) return 0;
  return push(kVObject, poolClassName(&pool.object, index)), 0;
}

int32_t vsVerifierClosure::checkCast(uint32_t index) {
  VmHandle name;
  VmHandle object;
  vsHandle_pushEmpty(&name);
  vsHandle_push(&object, vsWellKnown_symbol(kSymJavaLangObject));
  if (classEntryName(index, &name.object) && popReferenceTo(&object.object)) push(kVObject, name.object);
  vsHandle_close(&object);
  vsHandle_close(&name);
  return 0;
}

int32_t vsVerifierClosure::instanceOf(uint32_t index) {
  VmRef name = 0;
  if (!classEntryName(index, &name)) return 0;
  VmHandle object;
  vsHandle_push(&object, vsWellKnown_symbol(kSymJavaLangObject));
  if (popReferenceTo(&object.object)) push(kVInt, 0);
  vsHandle_close(&object);
  return 0;
}

int32_t vsVerifierClosure::monitorEnter() {
  uint16_t type;
  VmRef name;
  return popReferenceLike(&type, &name), 0;
}

int32_t vsVerifierClosure::monitorExit() { return monitorEnter(); }

// Code being verified has not been rewritten: the VM's own forms, and
// anything the decoder cannot read, are errors.
int32_t vsVerifierClosure::booleanNot() { return fail(kErrIllegalInstruction); }
int32_t vsVerifierClosure::fastInvokeVirtual(uint32_t) { return fail(kErrIllegalInstruction); }
int32_t vsVerifierClosure::fastInvokeDirect(uint32_t) { return fail(kErrIllegalInstruction); }
int32_t vsVerifierClosure::fastInvokeSuper(uint32_t) { return fail(kErrIllegalInstruction); }
int32_t vsVerifierClosure::fastGetField(int32_t, uint32_t) { return fail(kErrIllegalInstruction); }
int32_t vsVerifierClosure::fastPutField(int32_t, uint32_t) { return fail(kErrIllegalInstruction); }
int32_t vsVerifierClosure::fastLoadThisGetField(int32_t) { return fail(kErrIllegalInstruction); }
int32_t vsVerifierClosure::reserved() { return fail(kErrIllegalInstruction); }
int32_t vsVerifierClosure::illegalInstruction() { return fail(kErrIllegalInstruction); }

// --- classes ---------------------------------------------------------------------

bool vsVerifier_verifyMethod(const VmRef* method) {
  vsVerifierClosure closure(method);
  vsVerifierClosure* outer = vsVerifier_state.method;
  vsVerifier_state.method = &closure;
  if (closure.start()) closure.walk();
  vsVerifier_state.method = outer;
  return !vsException_isPending();
}

bool vsVerifier_verifyAllMethods(const VmRef* cls) {
  if (vsClass_isVerified(vsRef_as<ClassRecord>(*cls))) return true;
  VmHandle methods;
  vsHandle_push(&methods, vsClass_methods(vsRef_as<ClassRecord>(*cls)));
  VmHandle method;
  vsHandle_pushEmpty(&method);
  const int32_t count = methods.object != 0 ? vsRef_as<ObjectArray>(methods.object)->length : 0;
  bool ok = true;
  for (int32_t i = 0; ok && i < count; ++i) {
    method.object = vsRef_as<ObjectArray>(methods.object)->elements[i];
    const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    if (m == nullptr || vsMethod_isNative(m) || vsMethod_isAbstract(m)) continue;
    ok = vsVerifier_verifyMethod(&method.object);
  }
  vsHandle_close(&method);
  vsHandle_close(&methods);
  if (!ok || !vsStackMap_compressClass(cls)) return false;
  vsClass_setVerified(vsRef_as<ClassRecord>(*cls));
  return true;
}

bool vsVerifier_verifyClass(const VmRef* cls) {
  if (vsVmGlobals.verifierBciIndex == 0) {
    const VmRef table = vsJavaHeap_newIntArray(static_cast<int32_t>(kVerifierBciIndexSize));
    if (table == 0) return false;
    vsVmGlobals.verifierBciIndex = table;
  }
  // A verification inside another keeps the outer one's table and limit.
  int32_t saved[kVerifierBciIndexSize];
  const uint32_t savedLimit = vsVerifier_state.limit;
  const bool nested = vsVerifier_state.depth != 0;
  if (nested) std::memcpy(saved, bciTable(), sizeof saved);
  ++vsVerifier_state.depth;
  const bool ok = vsVerifier_verifyAllMethods(cls);
  --vsVerifier_state.depth;
  if (nested) {
    std::memcpy(bciTable(), saved, sizeof saved);
    vsVerifier_state.limit = savedLimit;
  }
  return ok;
}
