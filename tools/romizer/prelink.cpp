// The romizer's prelink pass (see prelink.h).
//
// While the image is built, raising an exception prints it and ends the VM
// through its innermost exit point; each resolution therefore runs under an
// exit point of its own, so that the romizer can still name the site. Where
// exceptions can be raised (the core's tests), a failure stays pending and
// is named with the site.
//
// The original words of the member references are kept per pool, so that
// a shared entry is resolved afresh, with all its checks, at every use.
#include "tools/romizer/prelink.h"

#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/method_resolution.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/interp/pool_strings.h"
#include "vm/core/interp/quickening.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/member_refs.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/signatures.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"

namespace {

// The methods that enter through an intrinsic entry. The shape is the
// parameters' and the result's descriptor letters ('L' any reference).
struct Intrinsic {
  const char* className;
  const char* name;
  const char* shape;
  MethodEntryKind kind;
};

constexpr Intrinsic kIntrinsics[] = {
    {"java/lang/Math", "sin", "(D)D", kEntryIntrinsicMathSin},
    {"java/lang/Math", "cos", "(D)D", kEntryIntrinsicMathCos},
    {"java/lang/Math", "tan", "(D)D", kEntryIntrinsicMathTan},
    {"java/lang/Math", "sqrt", "(D)D", kEntryIntrinsicMathSqrt},
    {"java/lang/Math", "ceil", "(D)D", kEntryIntrinsicMathCeil},
    {"java/lang/Math", "floor", "(D)D", kEntryIntrinsicMathFloor},
    {"java/lang/Double", "doubleToLongBits", "(D)J", kEntryIntrinsicBitsDoubleToLongBits},
    {"java/lang/Double", "longBitsToDouble", "(J)D", kEntryIntrinsicBitsLongBitsToDouble},
    {"java/lang/Float", "floatToIntBits", "(F)I", kEntryIntrinsicBitsFloatToIntBits},
    {"java/lang/Float", "intBitsToFloat", "(I)F", kEntryIntrinsicBitsIntBitsToFloat},
    {"java/lang/String", "indexOf", "(II)I", kEntryIntrinsicIndexOf},
    {"java/lang/String", "compareTo", "(L)I", kEntryIntrinsicCompareTo},
    {"java/lang/System", "arraycopy", "(LILII)V", kEntryIntrinsicArraycopy},
};

// The code's sites are read and written through the method's handle.
MethodRecord* methodOf(const VmHandle& h) { return vsRef_as<MethodRecord>(h.object); }

std::string symbolText(VmRef symbol) {
  if (symbol == 0) return "?";
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  // An encoded array type (two bytes, high bit set) has no text of its own.
  if (s->length == 2 && (s->bytes[0] & 0x80) != 0) return "<array class>";
  return std::string(reinterpret_cast<const char*>(s->bytes), s->length);
}

std::string classText(const ClassRecord* cls) { return symbolText(vsRef_of(vsClass_name(cls))); }

std::string javaText(VmRef string) {
  if (string == 0) return "";
  const StringObject* s = vsRef_as<StringObject>(string);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  std::string out;
  for (int32_t i = 0; i < s->count; ++i) out += chars[i] < 128 ? static_cast<char>(chars[i]) : '?';
  return out;
}

// The pending exception as "class \"message\"", cleared.
std::string takePending() {
  const VmRef exception = vsPendingException();
  vsPendingException() = 0;
  const ClassRecord* cls = vsObject_class(exception);
  std::string out = classText(cls);
  // Throwable's detail message is its first field.
  if (cls->instanceKind >= 8) out += " \"" + javaText(vsRef_as<VmWord>(exception)[1]) + "\"";
  return out;
}

[[noreturn]] void failAt(const std::string& site, const std::string& error) {
  romizer_fail("%s: %s", site.c_str(), error.c_str());
}

// The original words and tags of a pool's member references.
struct PoolSnapshot {
  std::vector<uint8_t> tags;
  std::vector<VmWord> words;
};

class Prelinker {
 public:
  explicit Prelinker(RomizerModel& model) : model_(model) {}

  void run() {
    // Before anything resolves: the getter test resolves field entries too.
    for (const VmRef cls : model_.classes) {
      const ClassRecord* record = vsRef_as<ClassRecord>(cls);
      if (!vsClass_isArrayClass(record) && vsClass_constantPool(record) != nullptr)
        snapshotOf(vsClass_constantPool(record));
    }
    for (const VmRef cls : model_.classes) linkClass(cls);
    for (const VmRef cls : model_.classes) resolveRemainingEntries(cls);
    for (const VmRef cls : model_.classes) vsRef_as<ClassRecord>(cls)->classInfo->accessFlags |= kClassAccessChecksWaived;
  }

 private:
  // Runs one resolution step. A failure either ends the VM through its exit
  // point (building the image) or stays pending; both end the romizer
  // naming the site.
  template <typename Step>
  void guarded(const std::string& site, Step step) {
    char text[512];
    std::snprintf(text, sizeof text, "%s", site.c_str());
    VmExitPoint point;
    if (setjmp(point.buffer) != 0) {
      vsExitPoint_remove(&point);
      romizer_fail("%s: the VM's error is printed above", text);
    }
    vsExitPoint_push(&point);
    step();
    vsExitPoint_remove(&point);
    if (vsException_isPending()) failAt(text, takePending());
  }

  PoolSnapshot& snapshotOf(const ConstantPool* pool) {
    const VmRef key = vsRef_of(pool);
    auto found = snapshots_.find(key);
    if (found != snapshots_.end()) return found->second;
    PoolSnapshot& s = snapshots_[key];
    for (uint32_t i = 0; i < pool->count; ++i) {
      const uint8_t tag = vsConstantPool_tagAt(pool, i);
      const bool member = vsConstantPool_isMemberRef(tag);
      s.tags.push_back(member ? tag : 0);
      s.words.push_back(member ? pool->entries[i] : 0);
    }
    return s;
  }

  // Gives a member reference its unresolved form back.
  void restore(const VmRef* pool, uint32_t index) {
    ConstantPool* p = vsRef_as<ConstantPool>(*pool);
    const PoolSnapshot& s = snapshotOf(p);
    if (index < s.tags.size() && s.tags[index] != 0) vsConstantPool_setEntry(p, index, s.tags[index], s.words[index]);
  }

  // "class.name" of member reference `index`; a malformed reference ends
  // the romizer.
  std::string memberText(const VmRef* pool, uint32_t index, const std::string& site) {
    VmRef name = 0, signature = 0, className = 0;
    guarded(site + " pool entry " + std::to_string(index),
            [&] { vsConstantPool_memberRefParts(pool, index, &name, &signature, nullptr, &className); });
    return symbolText(className) + "." + symbolText(name);
  }

  // "class name" of class entry `index`; a malformed entry ends the romizer.
  std::string classEntryText(const VmRef* pool, uint32_t index, const std::string& site) {
    VmRef name = 0;
    guarded(site + " pool entry " + std::to_string(index), [&] { name = vsConstantPool_className(pool, index); });
    return "class " + symbolText(name);
  }

  void linkClass(VmRef clsRef) {
    const ClassRecord* cls = vsRef_as<ClassRecord>(clsRef);
    if (vsClass_isArrayClass(cls) || vsClass_methods(cls) == 0) return;
    const int32_t count = vsRef_as<ObjectArray>(vsClass_methods(cls))->length;
    for (int32_t i = 0; i < count; ++i) {
      const VmRef m = vsRef_as<ObjectArray>(vsClass_methods(vsRef_as<ClassRecord>(clsRef)))->elements[i];
      if (m != 0) linkMethod(clsRef, m);
    }
  }

  void linkMethod(VmRef clsRef, VmRef methodRef) {
    VmHandle method, pool, accessing;
    vsHandle_push(&method, methodRef);
    vsHandle_push(&pool, vsRef_of(vsMethod_constantPool(methodOf(method))));
    vsHandle_push(&accessing, clsRef);
    const std::string where =
        classText(vsRef_as<ClassRecord>(clsRef)) + "." + symbolText(vsMethod_name(methodOf(method)));
    const bool hasCode = !vsMethod_isNative(methodOf(method)) && !vsMethod_isAbstract(methodOf(method));
    // The entry first: the getter test reads the slow getfield.
    chooseEntry(method, hasCode);
    if (hasCode) {
      walkCode(method, pool, accessing, where);
      resolveCatchTypes(method, pool, where);
    }
    vsHandle_close(&method);
  }

  void chooseEntry(VmHandle& method, bool hasCode) {
    const int32_t intrinsic = intrinsicKind(methodOf(method));
    if (intrinsic >= 0) {
      vsMethod_setEntryAddress(methodOf(method), vsMethodEntry_address(static_cast<MethodEntryKind>(intrinsic)));
      return;
    }
    if (!hasCode) return;
    jitEntry_setFastAccessor(&method.object);
    int32_t type = 0;
    uint32_t offset = 0;
    if (vsMethod_isFastAccessor(methodOf(method), &type, &offset)) return;
    jitEntry_setInterpreted(methodOf(method));
    model_.entrySlots.push_back(method.object);
  }

  static int32_t intrinsicKind(const MethodRecord* m) {
    const ClassRecord* holder = vsMethod_holderClass(m);
    if (holder == nullptr) return -1;
    const std::string className = classText(holder);
    const std::string name = symbolText(vsMethod_name(m));
    for (const Intrinsic& row : kIntrinsics)
      if (className == row.className && name == row.name && hasShape(m, row.shape)) return row.kind;
    return -1;
  }

  static char letterOf(int32_t type) {
    static const char kLetters[] = "????ZCFDBSIJLLV";
    return type >= 0 && type < static_cast<int32_t>(sizeof kLetters - 1) ? kLetters[type] : '?';
  }

  static bool hasShape(const MethodRecord* m, const char* shape) {
    const VmRef signature = vsMethod_signature(m);
    SignatureIterator it;
    vsSignatureIterator_init(&it, &signature, true, true);
    std::string seen = "(";
    for (; !vsSignatureIterator_atEnd(&it); vsSignatureIterator_next(&it)) seen += letterOf(it.type);
    seen += ")";
    seen += letterOf(vsSignature_basicType(signature, true));
    return seen == shape;
  }

  void walkCode(VmHandle& method, VmHandle& pool, VmHandle& accessing, const std::string& where) {
    uint32_t bci = 0;
    while (bci < methodOf(method)->codeLength) {
      const int32_t length = vsBytecodes_lengthAt(&method.object, bci);
      if (length <= 0 || length == kLengthNotAllowed || bci + static_cast<uint32_t>(length) > methodOf(method)->codeLength)
        romizer_fail("%s: bad instruction at %u", where.c_str(), bci);
      linkInstruction(method, pool, accessing, where, bci);
      bci += static_cast<uint32_t>(length);
    }
  }

  void linkInstruction(VmHandle& method, VmHandle& pool, VmHandle& accessing, const std::string& where,
                       uint32_t bci) {
    const uint8_t opcode = methodOf(method)->code[bci];
    switch (opcode) {
      case kOpLdc:
        resolveConstant(pool, methodOf(method)->code[bci + 1], where);
        break;
      case kOpLdcW:
        resolveConstant(pool, vsMethod_operandU2At(methodOf(method), bci + 1), where);
        break;
      case kOpLdc2W:
        break;
      case kOpGetstatic:
      case kOpPutstatic:
      case kOpGetfield:
      case kOpPutfield:
        linkField(method, pool, accessing, where, bci, opcode);
        break;
      case kOpInvokevirtual:
      case kOpInvokespecial:
      case kOpInvokestatic:
      case kOpInvokeinterface:
        linkInvoke(method, pool, accessing, where, bci, opcode);
        break;
      case kOpNew:
      case kOpAnewarray:
      case kOpCheckcast:
      case kOpInstanceof:
      case kOpMultianewarray:
        resolveClassEntry(pool, vsMethod_operandU2At(methodOf(method), bci + 1), where);
        break;
      default:
        return;
    }
    quicken(method, bci);
  }

  // The fast form of the instruction, now that its entry is resolved;
  // statics keep their slow forms in the image.
  static void quicken(VmHandle& method, uint32_t bci) {
    MethodRecord* m = methodOf(method);
    vsMethod_quickenAt(m, bci, vsMethod_fastFormAt(m, bci, kQuickenHolderInitialized | kQuickenCodeInImage));
  }

  void linkField(VmHandle& method, VmHandle& pool, VmHandle& accessing, const std::string& where, uint32_t bci,
                 uint8_t opcode) {
    const uint32_t index = vsMethod_operandU2At(methodOf(method), bci + 1);
    restore(&pool.object, index);
    const bool expectStatic = opcode == kOpGetstatic || opcode == kOpPutstatic;
    const bool isGet = opcode == kOpGetstatic || opcode == kOpGetfield;
    const std::string verb = where + ": " + vsBytecodes_name(opcode);
    const std::string site = verb + " " + memberText(&pool.object, index, verb);
    guarded(site, [&] {
      uint32_t offset = 0;
      ClassRecord* holder = nullptr;
      vsConstantPool_resolveField(&pool.object, index, &offset, expectStatic, isGet, &accessing.object, &holder);
    });
  }

  void linkInvoke(VmHandle& method, VmHandle& pool, VmHandle& accessing, const std::string& where, uint32_t bci,
                  uint8_t opcode) {
    const uint32_t index = vsMethod_operandU2At(methodOf(method), bci + 1);
    restore(&pool.object, index);
    const std::string verb = where + ": " + vsBytecodes_name(opcode);
    const std::string site = verb + " " + memberText(&pool.object, index, verb);
    guarded(site, [&] { vsConstantPool_resolveInvoke(&pool.object, &accessing.object, index, opcode); });
  }

  void resolveClassEntry(VmHandle& pool, uint32_t index, const std::string& where) {
    if (vsConstantPool_isClassEntry(vsRef_as<ConstantPool>(pool.object), index) &&
        vsConstantPool_tagAt(vsRef_as<ConstantPool>(pool.object), index) == kTagResolvedClass)
      return;
    guarded(where + ": " + classEntryText(&pool.object, index, where + ":"),
            [&] { vsConstantPool_resolveClass(&pool.object, index); });
  }

  // A string constant becomes its interned String; other constants stay.
  void resolveConstant(VmHandle& pool, uint32_t index, const std::string& where) {
    const ConstantPool* p = vsRef_as<ConstantPool>(pool.object);
    if (index >= p->count) romizer_fail("%s: ldc of pool entry %u past the pool", where.c_str(), index);
    const uint8_t tag = vsConstantPool_tagAt(p, index);
    if (tag != kTagUnresolvedString && tag != kTagClassFileString) return;
    guarded(where + ": string constant " + std::to_string(index), [&] {
      if (tag == kTagUnresolvedString) {
        vsConstantPool_resolveString(&pool.object, index);
        return;
      }
      const VmRef string = vsConstantPool_internStringAt(&pool.object, index);
      if (string != 0) vsConstantPool_setEntry(vsRef_as<ConstantPool>(pool.object), index, kTagResolvedString, string);
    });
  }

  void resolveCatchTypes(VmHandle& method, VmHandle& pool, const std::string& where) {
    const VmRef table = vsMethod_exceptionTable(methodOf(method));
    if (table == 0) return;
    const int32_t length = vsRef_as<ShortArray>(table)->length;
    for (int32_t i = 3; i < length; i += 4) {
      const uint16_t catchType =
          static_cast<uint16_t>(vsRef_as<ShortArray>(vsMethod_exceptionTable(methodOf(method)))->elements[i]);
      if (catchType != 0) resolveClassEntry(pool, catchType, where + ": catch");
    }
  }

  // Class and string entries no code names (constant values, for one).
  void resolveRemainingEntries(VmRef clsRef) {
    const ClassRecord* cls = vsRef_as<ClassRecord>(clsRef);
    if (vsClass_isArrayClass(cls) || vsClass_constantPool(cls) == nullptr) return;
    // A merged pool is swept once, for the first class that uses it.
    if (!swept_.insert(vsRef_of(vsClass_constantPool(cls))).second) return;
    VmHandle pool;
    vsHandle_push(&pool, vsRef_of(vsClass_constantPool(cls)));
    const std::string where = "the pool of " + classText(cls);
    const uint32_t count = vsRef_as<ConstantPool>(pool.object)->count;
    for (uint32_t i = 1; i < count; ++i) {
      const uint8_t tag = vsConstantPool_tagAt(vsRef_as<ConstantPool>(pool.object), i);
      if (vsPoolTag_isUnresolvedClass(tag))
        resolveClassEntry(pool, i, where);
      else
        resolveConstant(pool, i, where);
    }
    vsHandle_close(&pool);
  }

  RomizerModel& model_;
  std::map<VmRef, PoolSnapshot> snapshots_;
  std::set<VmRef> swept_;
};

}  // namespace

void romizer_prelink(RomizerModel& model) { Prelinker(model).run(); }
