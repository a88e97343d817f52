// The class-file parser (see class_file_parser.h): the order of the steps,
// and the steps about the class as a whole.
//
// Interfaces (5): the class's list is every interface it names and, depth
// first, their superinterfaces, each once. Since every interface's own list
// is complete the same way, the walk takes each named interface and then its
// list, and never recurses. A named class that is not an interface raises
// java/lang/Error " 0".
// Class attributes (11): "SourceFile" is ignored; "InnerClasses" entries
// name class entries (inner and outer, when not 0) and a UTF-8 name (when not
// 0), else 77; the entry of the class itself gives the class its flags
// masked with 0x63F (and 0x400 with the interface bit); "Synthetic" must be
// of length 0 (59); others are skipped.
// Interface checks (15): no interface may be the class itself (78), a class
// that is not an interface (79), inaccessible (94) or named twice (80).
#include "vm/core/loader/class_file_parser.h"

#include <cstring>

#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/loader/class_file_steps.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_id_set.h"
#include "vm/core/model/class_linking.h"
#include "vm/core/model/class_relations.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/lifecycle/class_hooks.h"

namespace {

constexpr uint32_t kResumedFlagMask = 0x631;
constexpr uint32_t kInnerClassFlagMask = 0x63F;
constexpr uint32_t kEmptyTableCount = 3;

ClassLoadingRecord* rec(VmRef r) { return vsRef_as<ClassLoadingRecord>(r); }

ConstantPool* poolOf(const ClassBuild* b) { return vsRef_as<ConstantPool>(b->pool.object); }

ClassRecord* cls(const ClassBuild* b) { return vsRef_as<ClassRecord>(b->cls.object); }

bool isInterface(const ClassRecord* c) { return (c->classInfo->accessFlags & kClassInterface) != 0; }

// Step 1: the class is being loaded further out already.
bool isCircular(const ClassBuild* b) {
  const VmRef name = b->name.object;
  for (const ClassFileContext* c = b->context->enclosing.get(); c != nullptr; c = c->enclosing.get())
    if (*c->stack.get() != 0 && rec(*c->stack.get())->name == name) return true;
  for (VmRef r = rec(b->record.object)->next; r != 0; r = rec(r)->next)
    if (rec(r)->headerRead != 0 && rec(r)->name == name) return true;
  return false;
}

bool takeSuperclass(ClassBuild* b) {
  const uint32_t index = rec(b->record.object)->superIndex;
  if (index == 0) return true;
  VmHandle name;
  vsHandle_push(&name, vsClassFile_className(poolOf(b), index));
  b->super.object = vsClass_findLoaded(name.object);
  bool ok = true;
  if (b->super.object == 0) {
    vsException_raiseClassNotFound(&name.object, 1);
    ok = false;
  } else if ((vsRef_as<ClassRecord>(b->super.object)->classInfo->accessFlags & kClassFinal) != 0) {
    ok = vsClassFile_fail(kErrFinalSuperclass);
  } else if (isInterface(vsRef_as<ClassRecord>(b->super.object))) {
    ok = vsClassFile_fail(kErrInterfaceAsSuperclass);
  }
  vsHandle_close(&name);
  return ok;
}

// Step 8: the finalizer flag. A "private native void finalize()" sets it
// only while the class image is built: only then is the native bound to a
// function before the class can be collected.
bool isFinalizable(const ClassBuild* b) {
  const ClassRecord* super = vsRef_as<ClassRecord>(b->super.object);
  if (super == nullptr) return false;
  if ((super->classInfo->accessFlags & kClassFinalizable) != 0) return true;
  if (vsVmState().buildingImage == 0) return false;
  const ObjectArray* methods = vsRef_as<ObjectArray>(b->methods.object);
  for (int32_t i = 0; i < methods->length; ++i) {
    const MethodRecord* method = vsRef_as<MethodRecord>(methods->elements[i]);
    const uint16_t wanted = kMethodPrivate | kMethodNative;
    if ((method->accessFlags & wanted) == wanted &&
        vsMethod_matchesNameAndSignature(method, vsWellKnown_symbol(kSymFinalize), vsWellKnown_symbol(kSymSignatureVoid)))
      return true;
  }
  return false;
}

// Step 10: the class and its records, with its compact stack maps.
bool createClass(ClassBuild* b) {
  const uint32_t mapBytes = b->instanceMapBytes + b->staticMapBytes;
  b->cls.object = vsJavaHeap_newInstanceClass(b->vtableLength, 4 * b->itableWords, b->itableCount, b->staticBytes,
                                             mapBytes, b->instanceSize);
  if (b->cls.object == 0) return false;
  ClassInfo* info = cls(b)->classInfo.get();
  info->accessFlags = b->accessFlags;
  vsJavaHeap_storeReference(&info->name.raw, b->name.object);
  vsJavaHeap_storeReference(&info->constantPool.raw, b->pool.object);
  vsJavaHeap_storeReference(&info->fields, b->fields.object);
  vsJavaHeap_storeReference(&info->methods, b->methods.object);
  vsJavaHeap_storeReference(&info->localInterfaces, b->interfaces.object);
  vsJavaHeap_storeReference(&cls(b)->superClass.raw, b->super.object);
  const uint16_t id = vsClass_id(cls(b));
  const ObjectArray* methods = vsRef_as<ObjectArray>(b->methods.object);
  for (int32_t i = 0; i < methods->length; ++i) vsRef_as<MethodRecord>(methods->elements[i])->classId = id;
  vsClassFile_writeMaps(b);
  // With the verifier off the parser's maps become compact maps here; with
  // it on, verification compresses them when the class is linked (the
  // romizer verifies after widening the code).
  if (vsVmState().buildingImage == 0 && vsVmFlags().UseVerifier == 0 && !vsStackMap_compressClass(&b->cls.object))
    return false;
  return true;
}

// Step 14.
bool checkSuperclass(ClassBuild* b) {
  const ClassRecord* super = vsRef_as<ClassRecord>(b->super.object);
  if (super == nullptr) {
    vsClass_setTrivialConstructor(cls(b));
    return true;
  }
  // A chain cannot be longer than the number of class ids.
  uint32_t steps = 0;
  for (const ClassRecord* c = super; c != nullptr; c = c->superClass.get())
    if (c == cls(b) || ++steps > kMaxClassIds) return vsClassFile_fail(kErrSuperclassChain);
  if (!vsClass_checkAccess(cls(b), super, 1)) return false;
  if ((super->classInfo->accessFlags & kClassTrivialConstructor) != 0) {
    const VmRef init = vsClass_findMethodInClass(cls(b), vsWellKnown_symbol(kSymInit), vsWellKnown_symbol(kSymSignatureVoid));
    if (init != 0 && vsMethod_isTrivialConstructor(vsRef_as<MethodRecord>(init))) vsClass_setTrivialConstructor(cls(b));
  }
  return true;
}

// Step 15's last part: UTF-8 entries that never became symbols are dropped.
void dropUnusedUtf8(ClassBuild* b) {
  ConstantPool* p = poolOf(b);
  for (uint32_t i = 1; i < p->count; ++i)
    if (vsConstantPool_tagAt(p, i) == kTagUtf8 && vsObject_isByteArray(p->entries[i]))
      vsConstantPool_setEntry(p, i, kTagUnusedUtf8, 0);
}

bool readInnerClasses(ClassBuild* b, uint32_t length) {
  ClassFileContext* c = b->context;
  const uint32_t start = vsClassFile_offset(c);
  const uint16_t count = vsClassFile_readU2(c);
  for (uint32_t i = 0; i < count && !vsException_isPending(); ++i) {
    const uint16_t inner = vsClassFile_readU2(c);
    const uint16_t outer = vsClassFile_readU2(c);
    const uint16_t name = vsClassFile_readU2(c);
    const uint16_t flags = vsClassFile_readU2(c);
    if (vsException_isPending()) return false;
    const ConstantPool* p = poolOf(b);
    if ((inner != 0 && vsClassFile_className(p, inner) == 0) || (outer != 0 && vsClassFile_className(p, outer) == 0) ||
        (name != 0 && (name >= p->count || vsConstantPool_tagAt(p, name) != kTagUtf8)))
      return vsClassFile_fail(kErrInnerClasses);
    if (inner != 0 && vsClassFile_className(p, inner) == b->name.object) {
      uint32_t kept = flags & kInnerClassFlagMask;
      if ((kept & kClassInterface) != 0) kept |= kClassAbstract;
      ClassInfo* info = cls(b)->classInfo.get();
      info->accessFlags = (info->accessFlags & ~uint32_t{0xffff}) | kept;
    }
  }
  if (vsException_isPending()) return false;
  return vsClassFile_offset(c) - start == length || vsClassFile_fail(kErrAttributeLength);
}

}  // namespace

bool vsClassFile_fail(int32_t code) {
  vsException_raiseWithCode(kVmErrorClass, code);
  return false;
}

void vsClassFile_openBuild(ClassBuild* build, ClassFileContext* context) {
  *build = ClassBuild{};
  build->context = context;
  vsHandle_push(&build->record, *context->stack.get());
  vsHandle_push(&build->name, rec(build->record.object)->name);
  vsHandle_pushEmpty(&build->pool);
  vsHandle_pushEmpty(&build->super);
  vsHandle_pushEmpty(&build->interfaces);
  vsHandle_pushEmpty(&build->fields);
  vsHandle_pushEmpty(&build->methods);
  vsHandle_pushEmpty(&build->cls);
}

void vsClassFile_closeBuild(ClassBuild* build) { vsHandle_close(&build->record); }

bool vsClassFile_utf8Text(const ConstantPool* pool, uint32_t index, const uint8_t** bytes, uint32_t* length) {
  if (index >= pool->count || vsConstantPool_tagAt(pool, index) != kTagUtf8) return false;
  const VmRef entry = pool->entries[index];
  *bytes = nullptr;
  *length = 0;
  if (vsObject_isByteArray(entry)) {
    *bytes = reinterpret_cast<const uint8_t*>(vsRef_as<ByteArray>(entry)->elements);
    *length = static_cast<uint32_t>(vsRef_as<ByteArray>(entry)->length);
  } else if (!vsSymbol_isFieldType(entry) && !vsSymbol_isMethodSignature(entry, 0)) {
    *bytes = vsRef_as<VmSymbol>(entry)->bytes;
    *length = vsRef_as<VmSymbol>(entry)->length;
  }
  return true;
}

VmRef vsClassFile_utf8Symbol(ClassBuild* build, uint32_t index, int32_t code) {
  const ConstantPool* p = poolOf(build);
  if (index >= p->count || vsConstantPool_tagAt(p, index) != kTagUtf8) return vsClassFile_fail(code), 0;
  return vsConstantPool_internUtf8Name(&build->pool.object, index);
}

VmRef vsClassFile_className(const ConstantPool* pool, uint32_t index) {
  if (index >= pool->count || vsConstantPool_tagAt(pool, index) != kTagUnresolvedClass) return 0;
  return pool->entries[index];
}

int32_t vsClassFile_collectInterfaces(ClassBuild* build) {
  ClassIdSet set;
  vsClassIdSet_clear(&set);
  const ShortArray* indexes = vsRef_as<ShortArray>(rec(build->record.object)->interfaceIndexes);
  for (int32_t i = 0; i < indexes->length; ++i) {
    const VmRef name = vsClassFile_className(poolOf(build), static_cast<uint16_t>(indexes->elements[i]));
    const VmRef found = name != 0 ? vsClass_findLoaded(name) : 0;
    const ClassRecord* iface = vsRef_as<ClassRecord>(found);
    if (iface == nullptr || !isInterface(iface)) return vsClassFile_fail(kErrImplementsAClass);
    vsClassIdSet_add(&set, vsClass_id(iface));
    const VmRef list = vsClass_localInterfaces(iface);
    const ShortArray* supers = list != 0 ? vsRef_as<ShortArray>(list) : nullptr;
    for (int32_t k = 0; supers != nullptr && k < supers->length; ++k) {
      const ClassRecord* super = vsClass_byId(static_cast<uint16_t>(supers->elements[k]));
      if (super == nullptr || !isInterface(super)) return vsClassFile_fail(kErrImplementsAClass);
      vsClassIdSet_add(&set, vsClass_id(super));
    }
  }
  build->interfaces.object = vsJavaHeap_newShortArray(static_cast<int32_t>(set.count));
  if (build->interfaces.object == 0) return 0;
  for (uint32_t i = 0; i < set.count; ++i)
    vsRef_as<ShortArray>(build->interfaces.object)->elements[i] = static_cast<int16_t>(set.ids[i]);
  return 1;
}

int32_t vsClassFile_parseClassAttributes(ClassBuild* build) {
  ClassFileContext* c = build->context;
  const uint16_t count = vsClassFile_readU2(c);
  for (uint32_t i = 0; i < count && !vsException_isPending(); ++i) {
    const uint16_t index = vsClassFile_readU2(c);
    const uint32_t length = vsClassFile_readU4(c);
    if (vsException_isPending()) return 0;
    const VmRef name = vsClassFile_utf8Symbol(build, index, kErrBadPoolEntry);
    if (name == 0) return 0;
    if (name == vsWellKnown_symbol(kSymInnerClasses)) {
      if (!readInnerClasses(build, length)) return 0;
    } else if (name == vsWellKnown_symbol(kSymSynthetic) && length != 0) {
      return vsClassFile_fail(kErrSynthetic);
    } else {
      vsClassFile_skip(c, length);
    }
  }
  return vsException_isPending() ? 0 : 1;
}

int32_t vsClassFile_checkInterfaces(ClassBuild* build) {
  ClassIdSet seen;
  vsClassIdSet_clear(&seen);
  const ShortArray* indexes = vsRef_as<ShortArray>(rec(build->record.object)->interfaceIndexes);
  for (int32_t i = 0; i < indexes->length; ++i) {
    const VmRef name = vsClassFile_className(poolOf(build), static_cast<uint16_t>(indexes->elements[i]));
    if (name == build->name.object) return vsClassFile_fail(kErrImplementsItself);
    const ClassRecord* iface = vsRef_as<ClassRecord>(vsClass_findLoaded(name));
    if (iface == nullptr || !isInterface(iface)) return vsClassFile_fail(kErrNotAnInterface);
    if (!vsClass_checkAccess(cls(build), iface, 1)) return 0;
    if (!vsClassIdSet_add(&seen, vsClass_id(iface))) return vsClassFile_fail(kErrInterfaceTwice);
  }
  return 1;
}

void vsClassFile_bindNatives(ClassBuild* build) {
  const VmWord unbound = vsWord_fromPointer(reinterpret_cast<const void*>(vsNative_unboundBody));
  const ObjectArray* methods = vsRef_as<ObjectArray>(build->methods.object);
  char className[256];
  vsSymbol_copyToBuffer(vsRef_as<VmSymbol>(build->name.object), className, sizeof className);
  for (int32_t i = 0; i < methods->length; ++i) {
    MethodRecord* m = vsRef_as<MethodRecord>(methods->elements[i]);
    if (!vsMethod_isNative(m) || vsMethod_isNativeWithoutCode(m) || *vsMethod_nativeAddressSlot(m) != unbound) continue;
    char methodName[256];
    vsSymbol_copyToBuffer(vsRef_as<VmSymbol>(vsMethod_name(m)), methodName, sizeof methodName);
    const VmWord function = vsSys_findNativeFunction(className, methodName);
    if (function != 0) *vsMethod_nativeAddressSlot(m) = function;
  }
}

VmRef vsClassFile_parse(ClassFileContext* context, VmRef* stack) {
  ClassBuild b;
  vsClassFile_openBuild(&b, context);
  VmRef result = 0;
  bool ok = !isCircular(&b) || vsClassFile_fail(kErrClassCircularity);
  // 2. The header, unless an earlier call read it.
  if (ok && rec(b.record.object)->headerRead == 0) {
    const int32_t loaded = vsClassFile_parseHeader(&b);
    if (loaded <= 0) {
      vsClassFile_closeBuild(&b);
      return 0;
    }
  }
  // 3. Resume behind the header.
  if (ok) {
    const ClassLoadingRecord* r = rec(b.record.object);
    b.pool.object = r->constantPool;
    vsClassFile_seek(context, r->offsetBehindHeader);
    b.accessFlags = r->accessFlags & kResumedFlagMask;
    ok = takeSuperclass(&b) && vsClassFile_collectInterfaces(&b) != 0 && vsClassFile_parseFields(&b) != 0 &&
         vsClassFile_parseMethods(&b) != 0;
  }
  const bool classIsInterface = (b.accessFlags & kClassInterface) != 0;
  if (ok && !classIsInterface && (b.accessFlags & kClassAbstract) != 0) {
    b.methods.object = vsClass_addMissingInterfaceMethods(&b.methods.object, vsRef_as<ClassRecord>(b.super.object),
                                                          b.interfaces.object);
    ok = b.methods.object != 0;
  }
  // 7. Table sizes.
  if (ok && !classIsInterface) {
    const ClassRecord* super = vsRef_as<ClassRecord>(b.super.object);
    const uint32_t added = vsClass_countVirtualEntries(super, b.methods.object, b.name.object,
                                                       (b.accessFlags & kClassFinal) != 0);
    b.vtableLength = (super != nullptr ? super->classInfo->vtableLength : 0) + (added == 0 ? kEmptyTableCount : added);
    b.itableWords = vsClass_interfaceTableWords(super, b.interfaces.object, &b.itableCount);
  }
  // 8. - 10.
  if (ok) {
    if (isFinalizable(&b)) b.accessFlags |= kClassFinalizable;
    ok = vsClassFile_layoutFields(&b) != 0 && createClass(&b);
  }
  // 11. - 12.
  if (ok) ok = vsClassFile_parseClassAttributes(&b) != 0;
  if (ok && vsClassFile_remaining(context) != 0) ok = vsClassFile_fail(kErrTrailingBytes);
  // 13. - 15.
  if (ok) {
    if (!classIsInterface) vsClass_fillVirtualTable(cls(&b));
    vsClass_storeNativeFinalizer(cls(&b));
    if (b.hasNatives) vsClassFile_bindNatives(&b);
    ok = checkSuperclass(&b) && vsClassFile_checkInterfaces(&b) != 0;
  }
  if (ok && !classIsInterface) ok = vsClass_fillInterfaceTable(&b.cls.object) != 0;
  if (ok) ok = vsClass_setStaticInitialValues(&b.cls.object) != 0;
  if (ok) {
    dropUnusedUtf8(&b);
    ClassLoadingRecord* r = rec(b.record.object);
    vsJavaHeap_storeReference(&r->createdClass, b.cls.object);
    *stack = r->next;
    result = b.cls.object;
  }
  vsClassFile_closeBuild(&b);
  return result;
}
