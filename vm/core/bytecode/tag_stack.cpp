// The tag-stack simulator (see tag_stack.h).
#include "vm/core/bytecode/tag_stack.h"

#include <algorithm>

#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/vm_globals.h"

namespace {

enum Tag : uint8_t {
  kTagDead = 0,
  kTagIntSlot = 1,
  kTagFloatSlot = 2,
  kTagDoubleFirst = 3,
  kTagLongFirst = 4,
  kTagReference = 7,
  kTagLongSecond = 9,
  kTagDoubleSecond = 10,
};

// Resolved member entries: their tag is a base plus a basic type.
bool isResolved(uint8_t tag, PoolTag base, int32_t lastType) {
  return tag >= int{base} + int{kTypeBoolean} && tag <= int{base} + lastType;
}
bool isResolvedField(uint8_t tag) { return isResolved(tag, kTagResolvedFieldBase, kTypeArray); }
bool isResolvedVirtual(uint8_t tag) { return isResolved(tag, kTagResolvedVirtualBase, kTypeVoid); }
bool isResolvedInterface(uint8_t tag) { return isResolved(tag, kTagResolvedInterfaceBase, kTypeVoid); }

bool isReferenceTag(uint8_t tag) { return (tag >= 5 && tag <= 8) || tag > 10; }

uint32_t slotCount(int32_t type) { return type == kTypeLong || type == kTypeDouble ? 2 : 1; }

// A type or signature as the pool holds it: the VM's encoded form (a
// symbol) or the class file's text (a byte array).
struct TypeText {
  const uint8_t* bytes = nullptr;
  uint32_t length = 0;
  bool encoded = false;
};

bool textOf(VmRef entry, TypeText* out) {
  if (entry == 0) return false;
  if (vsObject_isByteArray(entry)) {
    const ByteArray* a = vsRef_as<ByteArray>(entry);
    *out = {reinterpret_cast<const uint8_t*>(a->elements), static_cast<uint32_t>(a->length), false};
  } else {
    const VmSymbol* s = vsRef_as<VmSymbol>(entry);
    *out = {s->bytes, s->length, true};
  }
  return out->length > 0;
}

// The signature of member reference `index` (tags 9 to 11).
bool memberSignature(const ConstantPool* pool, uint32_t index, TypeText* out) {
  const uint32_t nameAndType = pool->entries[index] >> 16;
  if (nameAndType >= pool->count || vsConstantPool_tagAt(pool, nameAndType) != kTagNameAndType) return false;
  const uint32_t signature = pool->entries[nameAndType] >> 16;
  if (signature >= pool->count || vsConstantPool_tagAt(pool, signature) != kTagUtf8) return false;
  return textOf(pool->entries[signature], out);
}

// The basic type of the item at *pos, which moves past it; 32 when the
// item cannot be read.
int32_t readItem(const TypeText& t, uint32_t* pos) {
  if (*pos >= t.length) return kTypeNotPrimitive;
  const uint8_t first = t.bytes[*pos];
  if (t.encoded) {
    if ((first & 0x80) != 0) {
      *pos += 2;
      return kTypeObject;
    }
    *pos += 1;
    return vsBasicType_ofLetter(first);
  }
  if (first == '[' || first == 'L') {
    while (*pos < t.length && t.bytes[*pos] == '[') ++*pos;
    if (*pos < t.length && t.bytes[*pos] == 'L') {
      while (*pos < t.length && t.bytes[*pos] != ';') ++*pos;
    }
    ++*pos;
    return kTypeObject;
  }
  *pos += 1;
  return vsBasicType_ofLetter(first);
}

struct MethodShape {
  int32_t result = kTypeNotPrimitive;
  uint32_t parameterWords = 0;  // without the receiver
};

// Parameter words and result of a method signature; false when unreadable.
bool readSignature(const TypeText& t, MethodShape* out) {
  uint32_t pos;
  uint32_t count;
  if (t.encoded) {
    if (t.length < 3) return false;
    count = (t.bytes[0] & 0x7fu) << 7 | (t.bytes[1] & 0x7fu);
    pos = 2;
    out->result = readItem(t, &pos);
  } else {
    if (t.bytes[0] != '(') return false;
    pos = 1;
    count = ~0u;
  }
  out->parameterWords = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (!t.encoded && pos < t.length && t.bytes[pos] == ')') {
      ++pos;
      out->result = readItem(t, &pos);
      break;
    }
    const int32_t type = readItem(t, &pos);
    if (type == kTypeNotPrimitive || type == kTypeVoid || pos > t.length) return false;
    out->parameterWords += slotCount(type);
  }
  return out->result != kTypeNotPrimitive && pos <= t.length;
}

bool calleeResult(const MethodRecord* callee, int32_t* result) {
  TypeText t;
  MethodShape shape;
  if (!textOf(vsMethod_signature(callee), &t) || !readSignature(t, &shape)) return false;
  *result = shape.result;
  return true;
}

// The callee of a resolved method entry, or null.
const MethodRecord* resolvedCallee(const ConstantPool* pool, uint32_t index, uint8_t tag) {
  const VmWord entry = pool->entries[index];
  if (tag == kTagBoundMethod || tag == kTagRedirectedDirect) return vsRef_as<MethodRecord>(entry);
  const ClassRecord* cls = vsClass_byId(entry >> 16);
  if (cls == nullptr) return nullptr;
  const uint32_t at = entry & 0xffff;
  if (isResolvedInterface(tag))
    return vsRef_as<MethodRecord>(vsClass_methodAt(cls, static_cast<int32_t>(at)));
  const ClassInfo* info = cls->classInfo.get();
  return at < info->vtableLength ? vsRef_as<MethodRecord>(info->vtable[at]) : nullptr;
}

}  // namespace

vsTagStackClosure::vsTagStackClosure(const VmRef* methodRef) {
  vsHandle_assign(&method.object, methodRef);
  vsHandle_push(&tags, vsVmGlobals.stackMapTags);
  resolvesStrings = false;
}

int32_t vsTagStackClosure::endOfFlow() { return 0; }

uint8_t* vsTagStackClosure::slots() {
  return reinterpret_cast<uint8_t*>(vsRef_as<ByteArray>(tags.object)->elements);
}

uint32_t vsTagStackClosure::locals() { return vsRef_as<MethodRecord>(method.object)->maxLocals; }

uint32_t vsTagStackClosure::limit() {
  const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
  return std::min<uint32_t>(static_cast<uint32_t>(vsRef_as<ByteArray>(tags.object)->length),
                            uint32_t{m->maxLocals} + m->maxStack);
}

void vsTagStackClosure::push(uint8_t tag) {
  if (top >= limit()) {
    exact = false;
    return;
  }
  slots()[top++] = tag;
}

void vsTagStackClosure::pushType(int32_t type) {
  switch (type) {
    case kTypeVoid: return;
    case kTypeFloat: return push(kTagFloatSlot);
    case kTypeLong: return push(kTagLongFirst), push(kTagLongSecond);
    case kTypeDouble: return push(kTagDoubleFirst), push(kTagDoubleSecond);
    case kTypeObject:
    case kTypeArray: return push(kTagReference);
    case kTypeNotPrimitive: exact = false; return;
    default: return push(kTagIntSlot);
  }
}

void vsTagStackClosure::popSlots(uint32_t n) {
  if (top < locals() + n) {
    exact = false;
    top = locals();
    return;
  }
  top -= n;
}

uint8_t vsTagStackClosure::at(uint32_t depth) {
  if (top < locals() + depth) {
    exact = false;
    return kTagDead;
  }
  return slots()[top - depth];
}

int32_t vsTagStackClosure::pushInt(int32_t) { return push(kTagIntSlot), 0; }
int32_t vsTagStackClosure::pushLong(uint32_t, uint32_t) { return pushType(kTypeLong), 0; }
int32_t vsTagStackClosure::pushFloat(uint32_t) { return push(kTagFloatSlot), 0; }
int32_t vsTagStackClosure::pushDouble(uint32_t, uint32_t) { return pushType(kTypeDouble), 0; }
int32_t vsTagStackClosure::pushObject(const VmRef*) { return push(kTagReference), 0; }
int32_t vsTagStackClosure::loadLocal(int32_t type, uint32_t) { return pushType(type), 0; }

int32_t vsTagStackClosure::storeLocal(int32_t type, uint32_t index) {
  popSlots(slotCount(type));
  const uint32_t n = slotCount(type);
  const uint32_t l = locals();
  if (index + n > l) {
    exact = false;
    return 0;
  }
  uint8_t* s = slots();
  if (index > 0 && (s[index - 1] == kTagLongFirst || s[index - 1] == kTagDoubleFirst)) s[index - 1] = kTagDead;
  if (index + n < l && (s[index + n] == kTagLongSecond || s[index + n] == kTagDoubleSecond)) s[index + n] = kTagDead;
  switch (type) {
    case kTypeLong: s[index] = kTagLongFirst, s[index + 1] = kTagLongSecond; break;
    case kTypeDouble: s[index] = kTagDoubleFirst, s[index + 1] = kTagDoubleSecond; break;
    case kTypeFloat: s[index] = kTagFloatSlot; break;
    case kTypeObject: s[index] = kTagReference; break;
    default: s[index] = kTagIntSlot; break;
  }
  return 0;
}

int32_t vsTagStackClosure::arrayLength() { return popSlots(1), push(kTagIntSlot), 0; }
int32_t vsTagStackClosure::loadArray(int32_t type) { return popSlots(2), pushType(type), 0; }
int32_t vsTagStackClosure::storeArray(int32_t type) { return popSlots(slotCount(type)), popSlots(2), 0; }
int32_t vsTagStackClosure::pop() { return popSlots(1), 0; }
int32_t vsTagStackClosure::pop2() { return popSlots(2), 0; }
int32_t vsTagStackClosure::dup() { return push(at(1)), 0; }

int32_t vsTagStackClosure::dup2() {
  const uint8_t a = at(2), b = at(1);
  return push(a), push(b), 0;
}

int32_t vsTagStackClosure::dupX1() {
  const uint8_t a = at(1), b = at(2);
  popSlots(2);
  return push(a), push(b), push(a), 0;
}

int32_t vsTagStackClosure::dup2X1() {
  const uint8_t a1 = at(2), a2 = at(1), b = at(3);
  popSlots(3);
  return push(a1), push(a2), push(b), push(a1), push(a2), 0;
}

int32_t vsTagStackClosure::dupX2() {
  const uint8_t a = at(1), b1 = at(3), b2 = at(2);
  popSlots(3);
  return push(a), push(b1), push(b2), push(a), 0;
}

int32_t vsTagStackClosure::dup2X2() {
  const uint8_t a1 = at(2), a2 = at(1), b1 = at(4), b2 = at(3);
  popSlots(4);
  return push(a1), push(a2), push(b1), push(b2), push(a1), push(a2), 0;
}

int32_t vsTagStackClosure::swap() {
  const uint8_t a = at(1), b = at(2);
  popSlots(2);
  return push(a), push(b), 0;
}

int32_t vsTagStackClosure::binaryOp(int32_t type, int32_t op) {
  constexpr int32_t kFirstShift = 5, kLastShift = 7;
  return popSlots(op >= kFirstShift && op <= kLastShift ? 1 : slotCount(type)), 0;
}

int32_t vsTagStackClosure::convert(int32_t from, int32_t to) { return popSlots(slotCount(from)), pushType(to), 0; }
int32_t vsTagStackClosure::branchIf(int32_t, int32_t) { return popSlots(1), 0; }
int32_t vsTagStackClosure::branchIfIntCompare(int32_t, int32_t) { return popSlots(2), 0; }
int32_t vsTagStackClosure::branchIfRefCompare(int32_t, int32_t) { return popSlots(2), 0; }

int32_t vsTagStackClosure::compare(int32_t type, int32_t) {
  popSlots(slotCount(type));
  popSlots(slotCount(type));
  return push(kTagIntSlot), 0;
}

int32_t vsTagStackClosure::branchAlways(int32_t) { return endOfFlow(); }
int32_t vsTagStackClosure::returnValue(int32_t) { return endOfFlow(); }
int32_t vsTagStackClosure::tableSwitch(uint32_t, int32_t, int32_t, int32_t) { return endOfFlow(); }
int32_t vsTagStackClosure::lookupSwitch(uint32_t, int32_t, int32_t) { return endOfFlow(); }
int32_t vsTagStackClosure::throwException() { return endOfFlow(); }
int32_t vsTagStackClosure::reserved() { return endOfFlow(); }
int32_t vsTagStackClosure::illegalInstruction() { return endOfFlow(); }

int32_t vsTagStackClosure::field(uint32_t index, bool isStatic, bool isPut) {
  const ConstantPool* pool = vsMethod_constantPool(vsRef_as<MethodRecord>(method.object));
  int32_t type = kTypeNotPrimitive;
  if (index < pool->count) {
    const uint8_t tag = vsConstantPool_tagAt(pool, index);
    TypeText t;
    uint32_t pos = 0;
    if (isResolvedField(tag)) {
      type = tag - kTagResolvedFieldBase;
    } else if (tag == kTagFieldRef && memberSignature(pool, index, &t)) {
      type = readItem(t, &pos);
    }
  }
  if (type == kTypeNotPrimitive || type == kTypeVoid) {
    exact = false;
    return 0;
  }
  if (isPut) {
    popSlots(slotCount(type));
    if (!isStatic) popSlots(1);
  } else {
    if (!isStatic) popSlots(1);
    pushType(type);
  }
  return 0;
}

int32_t vsTagStackClosure::invoke(uint32_t index, bool isStatic) {
  const ConstantPool* pool = vsMethod_constantPool(vsRef_as<MethodRecord>(method.object));
  if (index >= pool->count) return exact = false, 0;
  const uint8_t tag = vsConstantPool_tagAt(pool, index);
  if (tag == kTagMethodRef || tag == kTagInterfaceMethodRef) {
    TypeText t;
    MethodShape shape;
    if (!memberSignature(pool, index, &t) || !readSignature(t, &shape)) return exact = false, 0;
    popSlots(shape.parameterWords + (isStatic ? 0 : 1));
    return pushType(shape.result), 0;
  }
  const bool resolved = tag == kTagBoundMethod || tag == kTagRedirectedDirect || tag == kTagRedirectedVirtual ||
                        isResolvedVirtual(tag) || isResolvedInterface(tag);
  const MethodRecord* callee = resolved ? resolvedCallee(pool, index, tag) : nullptr;
  if (callee == nullptr) return exact = false, 0;
  int32_t result;
  if (isResolvedInterface(tag)) {
    result = tag - kTagResolvedInterfaceBase;
  } else if (isResolvedVirtual(tag)) {
    result = tag - kTagResolvedVirtualBase;
  } else if (!calleeResult(callee, &result)) {
    return exact = false, 0;
  }
  popSlots(callee->parameterWords);
  return pushType(result), 0;
}

int32_t vsTagStackClosure::getField(uint32_t index) { return field(index, false, false); }
int32_t vsTagStackClosure::putField(uint32_t index) { return field(index, false, true); }
int32_t vsTagStackClosure::getStatic(uint32_t index) { return field(index, true, false); }
int32_t vsTagStackClosure::putStatic(uint32_t index) { return field(index, true, true); }
int32_t vsTagStackClosure::invokeInterface(uint32_t index, uint32_t) { return invoke(index, false); }
int32_t vsTagStackClosure::invokeSpecial(uint32_t index) { return invoke(index, false); }
int32_t vsTagStackClosure::invokeStatic(uint32_t index) { return invoke(index, true); }
int32_t vsTagStackClosure::invokeVirtual(uint32_t index) { return invoke(index, false); }
int32_t vsTagStackClosure::fastInvokeVirtual(uint32_t index) { return invoke(index, false); }
int32_t vsTagStackClosure::fastInvokeDirect(uint32_t index) { return invoke(index, false); }
int32_t vsTagStackClosure::fastInvokeSuper(uint32_t index) { return invoke(index, false); }
int32_t vsTagStackClosure::invokeNative(int32_t resultType, uint32_t) { return pushType(resultType), 0; }
int32_t vsTagStackClosure::newObject(uint32_t) { return push(kTagReference), 0; }
int32_t vsTagStackClosure::newArray(int32_t) { return popSlots(1), push(kTagReference), 0; }
int32_t vsTagStackClosure::newObjectArray(uint32_t) { return popSlots(1), push(kTagReference), 0; }
int32_t vsTagStackClosure::newMultiArray(uint32_t, uint32_t dimensions) {
  return popSlots(dimensions), push(kTagReference), 0;
}
int32_t vsTagStackClosure::instanceOf(uint32_t) { return popSlots(1), push(kTagIntSlot), 0; }
int32_t vsTagStackClosure::monitorEnter() { return popSlots(1), 0; }
int32_t vsTagStackClosure::monitorExit() { return popSlots(1), 0; }
int32_t vsTagStackClosure::fastGetField(int32_t type, uint32_t) { return popSlots(1), pushType(type), 0; }
int32_t vsTagStackClosure::fastPutField(int32_t type, uint32_t) {
  return popSlots(slotCount(type)), popSlots(1), 0;
}

void vsTagStackClosure::startFromSignature() {
  const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
  if (!vsMember_isStatic(m)) push(kTagReference);
  TypeText t;
  if (!textOf(vsMethod_signature(m), &t)) {
    exact = false;
  } else {
    uint32_t pos = 0;
    uint32_t count = ~0u;
    if (t.encoded) {
      count = t.length >= 2 ? ((t.bytes[0] & 0x7fu) << 7 | (t.bytes[1] & 0x7fu)) : 0;
      pos = 2;
      readItem(t, &pos);  // the result
    } else {
      pos = 1;
    }
    for (uint32_t i = 0; i < count && pos < t.length; ++i) {
      if (!t.encoded && t.bytes[pos] == ')') break;
      const int32_t type = readItem(t, &pos);
      if (top + slotCount(type) > locals()) {
        exact = false;
        break;
      }
      pushType(type);
    }
  }
  while (top < locals()) push(kTagDead);
}

VmRef vsTagStackClosure_computeTagsAt(vsTagStackClosure* c, const VmRef* map, uint32_t bci) {
  if (c->tags.object == 0) return 0;
  const MethodRecord* m = vsRef_as<MethodRecord>(c->method.object);
  const uint32_t l = m->maxLocals;
  const uint32_t room = std::min<uint32_t>(static_cast<uint32_t>(vsRef_as<ByteArray>(c->tags.object)->length),
                                           l + m->maxStack);
  if (l > room) return 0;
  uint8_t* s = reinterpret_cast<uint8_t*>(vsRef_as<ByteArray>(c->tags.object)->elements);
  c->exact = true;
  uint32_t start = 0;
  const int32_t entry = *map != 0 ? vsStackMap_findEntry(vsRef_as<CountedRecord>(*map), bci) : -1;
  if (entry >= 0) {
    const CountedRecord* e = vsRef_as<CountedRecord>(*map);
    const uint32_t i = static_cast<uint32_t>(entry);
    start = vsStackMap_bci(e, i);
    const uint32_t entryLocals = vsStackMap_localCount(e, i);
    for (uint32_t k = 0; k < l; ++k)
      s[k] = k >= entryLocals ? kTagDead : vsStackMap_isReference(e, i, k) ? kTagReference : kTagIntSlot;
    if (entryLocals > l) c->exact = false;
    c->top = l;
    const uint32_t stack = vsStackMap_stackCount(e, i);
    for (uint32_t j = 0; j < stack; ++j) c->push(vsStackMap_isReference(e, i, entryLocals + j) ? kTagReference : kTagIntSlot);
  } else {
    c->top = 0;
    c->startFromSignature();
  }
  if (bci > start) vsBytecodes_iterate(&c->method.object, start, bci, c);
  for (uint32_t k = 0; k < c->top; ++k) s[k] = isReferenceTag(s[k]) ? kSlotReference : kSlotOther;
  return c->tags.object;
}
