// Binding the natives of the class image (see native_binding.h).
#include "tools/romizer/native_binding.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/romizer/jni_names.h"
#include "tools/romizer/member_text.h"
#include "tools/romizer/native_list.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint16_t kNativeBodyBytes = 8;
constexpr uint32_t kDirectNativeRecordBytes = kMethodCodeOffset;

struct KnownBody {
  VsNativeFunction function;
  const char* symbol;
};

// The functions that bodies of the loader and of this pass may hold.
const KnownBody kBodies[] = {
    {vsNative_abstractBody, "vsNative_abstractBody"},
    {vsNative_unboundBody, "vsNative_unboundBody"},
    {vsNative_intrinsicBody, "vsNative_intrinsicBody"},
    {vsNative_interfaceMethodMissingBody, "vsNative_interfaceMethodMissingBody"},
    {vsNative_interfaceMethodNotPublicBody, "vsNative_interfaceMethodNotPublicBody"},
};

const char* const kIntrinsicBound[] = {
    "java/lang/Math.sin(D)D",
    "java/lang/Math.cos(D)D",
    "java/lang/Math.tan(D)D",
    "java/lang/Math.sqrt(D)D",
    "java/lang/Math.ceil(D)D",
    "java/lang/Math.floor(D)D",
    "java/lang/Float.floatToIntBits(F)I",
    "java/lang/Float.intBitsToFloat(I)F",
    "java/lang/Double.doubleToLongBits(D)J",
    "java/lang/Double.longBitsToDouble(J)D",
    "java/lang/String.indexOf(II)I",
};

VmWord functionWord(VsNativeFunction f) { return vsWord_fromPointer(reinterpret_cast<const void*>(f)); }

bool hasNativeBody(const MethodRecord* m) { return m->codeLength == kNativeBodyBytes && m->code[0] == kOpInvokeNative; }

// A native that a class file declares: the loader gave it the unbound body.
bool isDeclaredNative(MethodRecord* m) {
  return (m->accessFlags & kMethodNative) != 0 && hasNativeBody(m) &&
         *vsMethod_nativeAddressSlot(m) == functionWord(vsNative_unboundBody);
}

bool isIntrinsicBound(const std::string& key) {
  for (const char* name : kIntrinsicBound)
    if (key == name) return true;
  return false;
}

struct Native {
  MethodRecord* method;
  std::string className;
  std::string name;
  std::string descriptor;
  std::string key;  // class.name(descriptor), as the lists spell it
};

// Which list names a native, and where.
struct Listing {
  const char* path;
  int line;
};

class Binder {
 public:
  explicit Binder(RomizerModel& model) : model_(model) {}

  void run(const char* bindingTable, const char* unboundList) {
    collectNatives();
    const std::map<std::string, Listing> direct = checkedList(bindingTable, nullptr);
    const std::map<std::string, Listing> unbound = checkedList(unboundList, &direct);
    for (const Native& n : natives_) {
      if (isIntrinsicBound(n.key)) {
        bindToBody(n.method, vsNative_intrinsicBody);
      } else if (unbound.count(n.key) != 0) {
        bindToBody(n.method, vsNative_unboundBody);
        model_.unboundNatives.push_back(n.key);
      } else if (direct.count(n.key) != 0) {
        bindDirect(n);
      } else {
        name(vsMethod_nativeAddressSlot(n.method), functionName(n));
      }
      functions_[vsRef_of(n.method)] = functionName(n);
    }
    bindOtherBodies();
    bindFinalizers();
  }

 private:
  std::vector<ClassRecord*> instanceClasses() const {
    std::vector<ClassRecord*> out;
    for (VmRef c : model_.classes)
      if (c != 0 && vsClass_isInstanceClass(&c)) out.push_back(vsRef_as<ClassRecord>(c));
    return out;
  }

  // The natives the class files declare, by class id and method order.
  void collectNatives() {
    for (ClassRecord* cls : instanceClasses()) {
      const VmRef methods = vsClass_methods(cls);
      if (methods == 0) continue;
      const ObjectArray* list = vsRef_as<ObjectArray>(methods);
      std::map<std::string, int> perName;
      const size_t first = natives_.size();
      for (int32_t i = 0; i < list->length; ++i) {
        if (list->elements[i] == 0) continue;
        MethodRecord* m = vsRef_as<MethodRecord>(list->elements[i]);
        if (!isDeclaredNative(m)) continue;
        Native n{m, romizer_className(cls), romizer_methodName(m), romizer_methodDescriptor(m), ""};
        n.key = n.className + "." + n.name + n.descriptor;
        ++perName[n.name];
        natives_.push_back(n);
      }
      for (size_t k = first; k < natives_.size(); ++k) overloaded_[vsRef_of(natives_[k].method)] = perName[natives_[k].name] > 1;
    }
  }

  std::string functionName(const Native& n) const {
    const std::string arguments = n.descriptor.substr(1, n.descriptor.find(')') - 1);
    const std::string f =
        romizer_jniName(n.className, n.name, overloaded_.at(vsRef_of(n.method)) ? &arguments : nullptr);
    if (f.empty()) romizer_fail("%s: its name is not well-formed modified UTF-8", n.key.c_str());
    return f;
  }

  const Native* findNative(const std::string& key) const {
    for (const Native& n : natives_)
      if (n.key == key) return &n;
    return nullptr;
  }

  // The entries of a list, each a native of the input that the list may
  // name; `other` is the binding table when reading the unbound list.
  std::map<std::string, Listing> checkedList(const char* path, const std::map<std::string, Listing>* other) const {
    std::map<std::string, Listing> out;
    for (const NativeListEntry& e : romizer_readNativeList(path)) {
      const char* text = e.text.c_str();
      const Native* n = findNative(e.text);
      if (n == nullptr) romizer_fail("%s:%d: %s is not a native of the input", path, e.line, text);
      if (isIntrinsicBound(e.text))
        romizer_fail("%s:%d: %s is entered through its intrinsic entry", path, e.line, text);
      if (other != nullptr) {
        if (other->count(e.text) != 0) romizer_fail("%s:%d: %s is also in the binding table", path, e.line, text);
        if (n->name == "finalize" && n->descriptor == "()V")
          romizer_fail("%s:%d: %s is a finalizer, which must be bound to its function", path, e.line, text);
      }
      out[e.text] = {path, e.line};
    }
    return out;
  }

  void name(VmWord* word, const std::string& symbol) { model_.symbolWords[vsWord_fromPointer(word)] = symbol; }

  void bindToBody(MethodRecord* m, VsNativeFunction body) {
    VmWord* slot = vsMethod_nativeAddressSlot(m);
    *slot = functionWord(body);
    for (const KnownBody& b : kBodies)
      if (b.function == body) name(slot, b.symbol);
  }

  // Code length 0, the function in item 8 and the direct entry of the
  // result. The record gives back its 8 code bytes.
  void bindDirect(const Native& n) {
    MethodEntryKind kind;
    switch (n.descriptor[n.descriptor.find(')') + 1]) {
      case 'V':
        kind = kEntryNativeDirectVoid;
        break;
      case 'Z':
      case 'B':
      case 'C':
      case 'S':
      case 'I':
        kind = kEntryNativeDirectWord;
        break;
      case 'L':
      case '[':
        kind = kEntryNativeDirectReference;
        break;
      default:
        romizer_fail("%s: a float, long or double result cannot be bound directly", n.key.c_str());
    }
    VmRef record = vsRef_of(n.method);
    MethodRecord* m = n.method;
    m->codeLength = 0;
    m->maxStack = 0;
    m->maxLocals = 0;
    vsJavaHeap_shrinkObject(&record, kDirectNativeRecordBytes + kNativeBodyBytes, kDirectNativeRecordBytes, true);
    vsMethod_setEntryAddress(m, vsMethodEntry_address(kind));
    name(reinterpret_cast<VmWord*>(&m->maxStack), functionName(n));
  }

  // Every other method with a native body: methods declared abstract get
  // the abstract body; the methods the loader made (native copies of
  // interface methods) keep theirs.
  void bindOtherBodies() {
    std::set<VmRef> seen;
    const auto bind = [&](VmRef method) {
      if (method == 0 || functions_.count(method) != 0 || !seen.insert(method).second) return;
      MethodRecord* m = vsRef_as<MethodRecord>(method);
      if (!hasNativeBody(m)) return;
      if ((m->accessFlags & (kMethodAbstract | kMethodNative)) == kMethodAbstract)
        *vsMethod_nativeAddressSlot(m) = functionWord(vsNative_abstractBody);
      const VmWord function = *vsMethod_nativeAddressSlot(m);
      for (const KnownBody& b : kBodies)
        if (functionWord(b.function) == function) return name(vsMethod_nativeAddressSlot(m), b.symbol);
      romizer_fail("%s.%s%s: its body calls no known function", romizer_className(vsMethod_holderClass(m)).c_str(),
                   romizer_methodName(m).c_str(), romizer_methodDescriptor(m).c_str());
    };
    for (ClassRecord* cls : instanceClasses()) {
      const VmRef methods = vsClass_methods(cls);
      const ObjectArray* list = methods != 0 ? vsRef_as<ObjectArray>(methods) : nullptr;
      for (int32_t i = 0; list != nullptr && i < list->length; ++i) bind(list->elements[i]);
      const ClassInfo* info = cls->classInfo.get();
      for (uint32_t i = 0; i < info->vtableLength; ++i) bind(info->vtable[i]);
      for (uint32_t k = 0; k < info->itableLength; ++k) {
        const ClassRecord* iface = vsClass_byId(info->vtable[info->vtableLength + 2 * k]);
        const VmRef ifaceMethods = iface != nullptr ? vsClass_methods(iface) : 0;
        const int32_t count = ifaceMethods != 0 ? vsRef_as<ObjectArray>(ifaceMethods)->length : 0;
        const uint32_t first = (info->vtable[info->vtableLength + 2 * k + 1] - kClassInfoFixedBytes) / 4;
        for (int32_t i = 0; i < count; ++i) bind(info->vtable[first + i]);
      }
    }
  }

  void bindFinalizers() {
    for (ClassRecord* cls : instanceClasses()) {
      if ((cls->classInfo->accessFlags & kClassFinalizable) == 0) continue;
      const VmRef finalize =
          vsClass_findMethod(cls, vsWellKnown_symbol(kSymFinalize), vsWellKnown_symbol(kSymSignatureVoid));
      const auto function = functions_.find(finalize);
      if (finalize == 0 || function == functions_.end())
        romizer_fail("%s: its finalizer is not a native", romizer_className(cls).c_str());
      name(&cls->finalizer, function->second);
    }
  }

  RomizerModel& model_;
  std::vector<Native> natives_;
  std::map<VmRef, bool> overloaded_;
  // The function of each declared native (its Java_ name), by method.
  std::map<VmRef, std::string> functions_;
};

}  // namespace

void romizer_bindNatives(RomizerModel& model, const char* bindingTable, const char* unboundList) {
  Binder(model).run(bindingTable, unboundList);
}
