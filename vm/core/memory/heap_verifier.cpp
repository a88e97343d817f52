// The heap verifier (see heap_verifier.h).
#include "vm/core/memory/heap_verifier.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "vm/core/interp/vm_errors.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_hooks.h"
#include "vm/core/memory/gc_marking.h"
#include "vm/core/memory/global_refs.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/output_stream.h"
#include "vm/core/startup/vm_control.h"

namespace {

constexpr VmWord kNotAnImageReference = 0xffffffffu;
constexpr uint32_t kSmallestFreeEntry = 28;

inline bool inRange(VmWord a, VmWord from, VmWord to) { return a - from < to - from; }

// One bit per word of [base, base + 4 * count).
class WordBits {
 public:
  void reset(VmWord base, VmWord end) {
    base_ = base;
    bits_.assign((end - base) / 128 + 1, 0);
  }
  bool test(VmWord a) const { return (bits_[index(a) / 32] >> (index(a) % 32) & 1) != 0; }
  // Returns whether the bit was set before.
  bool testAndSet(VmWord a) {
    const bool was = test(a);
    bits_[index(a) / 32] |= 1u << (index(a) % 32);
    return was;
  }

 private:
  uint32_t index(VmWord a) const { return (a - base_) / 4; }
  VmWord base_ = 0;
  std::vector<uint32_t> bits_;
};

class Verifier {
 public:
  void run(bool remembered);

 private:
  [[noreturn]] void fail(const char* what, VmWord at);
  bool inImage(VmWord a) const { return vsImage_encodeReference(a) != kNotAnImageReference; }
  bool inUsedHeap(VmWord a) const {
    return inRange(a, heapLow_, oldTop_) || inRange(a, youngStart_, top_);
  }
  bool readable(VmWord a) const { return a % 4 == 0 && (inImage(a) || inUsedHeap(a)); }
  bool isObjectStart(VmWord a) const { return inUsedHeap(a) && a % 4 == 0 && starts_.test(a); }
  bool isRecord(VmWord a) const { return a % 4 == 0 && (inImage(a) || isObjectStart(a)); }
  bool isNativeArray(VmWord a) const { return std::binary_search(nativeArrays_.begin(), nativeArrays_.end(), a); }

  void checkStacks();
  void checkNativeArea();
  VmWord checkFreeList();
  void walk(VmWord from, VmWord to);
  void checkHeader(VmRef object);
  void checkRemembered();
  void trace();
  void reach(VmWord* slot);
  void scan(VmRef object);

  static void onStackFault(const char* what, VmWord address, void* context) {
    static_cast<Verifier*>(context)->fail(what, address);
  }
  static void onLock(VmRef object, VmWord nearCopy, void* context) {
    static_cast<Verifier*>(context)->locks_.emplace_back(nearCopy, object);
  }
  static void onRoot(VmWord* slot, void* context) { static_cast<Verifier*>(context)->reach(slot); }
  static void onWeak(VmWord* slot, void* context);
  static void onSlot(VmWord* slot, void* context) {
    static_cast<Verifier*>(context)->slots_.push_back(vsWord_fromPointer(slot));
  }

  VmWord heapLow_ = 0;
  VmWord heapHigh_ = 0;
  VmWord oldTop_ = 0;
  VmWord youngStart_ = 0;
  VmWord top_ = 0;
  WordBits starts_;
  WordBits marks_;
  std::vector<VmRef> objects_;
  std::vector<VmWord> nativeArrays_;
  std::vector<std::pair<VmWord, VmRef>> locks_;  // a lock record's near copy, its object
  std::vector<VmWord> slots_;
  std::vector<VmRef> stack_;
};

void Verifier::fail(const char* what, VmWord at) {
  vsOutputStream_printLine(vsOutputStream_log(), "heap verify: %s at 0x%08x", what, at);
  // The heap is broken: no finalizer runs at exit and no collection starts.
  vsGC_state.inCollection = 1;
  vsVm_fatalErrorCode(kFatalInconsistency);
}

void Verifier::checkStacks() {
  const VsStackCheck check{onStackFault, onLock, this};
  vsThreadStacks_verify(&check);
  std::sort(locks_.begin(), locks_.end());
}

// The free list: each entry inside the area, at least 28 bytes, met once;
// the free total their sum. Returns the sum.
VmWord Verifier::checkFreeList() {
  const JavaHeapState& h = vsJavaHeap;
  uint32_t sum = 0;
  uint32_t count = 0;
  const uint32_t most = (h.nativeUpper - h.nativeTop) / kSmallestFreeEntry;
  VmWord last = 0;
  for (VmWord e = h.freeListHead; e != 0; e = vsRef_as<VmWord>(e)[1]) {
    if (++count > most || e % 4 != 0 || !inRange(e, h.nativeTop, h.nativeUpper)) fail("free entry", e);
    const uint32_t size = vsRef_as<VmWord>(e)[0];
    if (size < kSmallestFreeEntry || size % 4 != 0 || size > h.nativeUpper - e) fail("free entry size", e);
    sum += size;
    last = e;
  }
  if (last != h.freeListLast) fail("free list end", h.freeListLast);
  return sum;
}

void Verifier::checkNativeArea() {
  const JavaHeapState& h = vsJavaHeap;
  if (checkFreeList() != h.freeTotal) fail("native free total", h.freeListHead);
  std::vector<VmWord> free;
  for (VmWord e = h.freeListHead; e != 0; e = vsRef_as<VmWord>(e)[1]) free.push_back(e);
  std::sort(free.begin(), free.end());
  const VmRef byteArrayClass = vsRoot(kRootByteArray);
  auto isBlock = [&](VmWord at) {
    if (h.nativeUpper - at < kNativeBlockHeaderBytes + kArrayElementsOffset) return false;
    const VmWord* words = vsRef_as<VmWord>(at);
    const ByteArray* array = vsRef_as<ByteArray>(at + kNativeBlockHeaderBytes);
    return words[0] == byteArrayClass && array->header == at && array->length >= 0;
  };
  auto isFree = [&](VmWord at) { return std::binary_search(free.begin(), free.end(), at); };
  VmWord at = h.nativeTop;
  while (at < h.nativeUpper) {
    if (isFree(at)) {
      at += vsRef_as<VmWord>(at)[0];
      continue;
    }
    if (isBlock(at)) {
      const VmRef array = at + kNativeBlockHeaderBytes;
      const uint32_t size = kNativeBlockHeaderBytes + vsJavaHeap_objectSize(array);
      if (size > h.nativeUpper - at) fail("native block past the area", at);
      nativeArrays_.push_back(array);
      at += size;
      continue;
    }
    // A gap too small for the free list ends at a block or free entry.
    VmWord next = at + 4;
    while (next < h.nativeUpper && next - at < kSmallestFreeEntry && !isFree(next) && !isBlock(next)) next += 4;
    if (next - at >= kSmallestFreeEntry) fail("native area not tiled", at);
    at = next;
  }
  if (at != h.nativeUpper) fail("native area end", at);
}

// Steps over [from, to) by the size rule, each header leading to a class
// record whose own class is a class of class records.
void Verifier::walk(VmWord from, VmWord to) {
  VmWord at = from;
  while (at < to) {
    const VmWord near = *vsRef_as<VmWord>(at);
    if (!readable(near)) fail("header", at);
    const VmWord cls = *vsRef_as<VmWord>(near);
    if (!readable(cls)) fail("class record", at);
    const VmWord clsNear = *vsRef_as<VmWord>(cls);
    if (!readable(clsNear) || !readable(*vsRef_as<VmWord>(clsNear))) fail("class record", at);
    const int32_t kind = vsRef_as<ClassRecord>(*vsRef_as<VmWord>(clsNear))->instanceKind;
    if (kind != kKindInstanceClass && kind != kKindObjectArrayClass && kind != kKindTypeArrayClass &&
        kind != kKindClassOfKind)
      fail("class record", at);
    const uint32_t size = vsJavaHeap_objectSize(at);
    if (size == 0) fail("object without a size", at);
    if (size > to - at) fail("object past its bound", at);
    starts_.testAndSet(at);
    objects_.push_back(at);
    at += size;
  }
}

// The header is a near record of the heap or the image, or the near copy
// of the lock record that holds the object's lock; the class record it
// leads to is a record too.
void Verifier::checkHeader(VmRef object) {
  const VmWord near = *vsRef_as<VmWord>(object);
  if (!isRecord(near)) {
    const auto lock = std::lower_bound(locks_.begin(), locks_.end(), std::pair<VmWord, VmRef>{near, 0});
    if (lock == locks_.end() || lock->first != near || lock->second != object)
      fail("locked header off its lock record", object);
  }
  if (!isRecord(*vsRef_as<VmWord>(near))) fail("class record", object);
}

void Verifier::checkRemembered() {
  for (const VmRef object : objects_) {
    if (object >= oldTop_) break;
    slots_.clear();
    vsObject_visitReferences(object, vsObject_class(object), onSlot, this);
    const bool chunk = vsObject_class(object)->instanceKind == kKindStackChunk;
    for (const VmWord slot : slots_) {
      if (chunk && slot >= object + kStackChunkHeadBytes) continue;
      if (inRange(*vsRef_as<VmWord>(slot), youngStart_, heapHigh_) && !vsGC_testBit(slot))
        fail("old slot to a young object not remembered", slot);
    }
  }
}

void Verifier::reach(VmWord* slot) {
  const VmWord r = *slot;
  if (r == 0 || inImage(r)) return;
  const VmWord at = vsWord_fromPointer(slot);
  if (inRange(r, heapLow_, heapHigh_)) {
    if (!isObjectStart(r)) fail("reference to no object start", at);
    if (!marks_.testAndSet(r)) stack_.push_back(r);
    return;
  }
  if (inRange(r, vsJavaHeap.nativeTop, vsJavaHeap.nativeUpper)) {
    if (!isNativeArray(r)) fail("reference to no native block", at);
    return;
  }
  fail("reference outside the heap", at);
}

void Verifier::onWeak(VmWord* slot, void* context) {
  if (*slot != kGlobalRefCleared) static_cast<Verifier*>(context)->reach(slot);
}

void Verifier::scan(VmRef object) {
  checkHeader(object);
  const VmWord near = *vsRef_as<VmWord>(object);
  if (isObjectStart(near) && !marks_.testAndSet(near)) stack_.push_back(near);
  slots_.clear();
  vsObject_visitReferences(object, vsObject_class(object), onSlot, this);
  std::vector<VmWord> sorted = slots_;
  std::sort(sorted.begin(), sorted.end());
  const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
  if (twice != sorted.end()) fail("slot visited twice", *twice);
  for (const VmWord slot : sorted) reach(vsRef_as<VmWord>(slot));
}

void Verifier::trace() {
  vsGC_forEachRoot(onRoot, this);
  vsGlobalRef_visitEntries(kGlobalRefStrong, onRoot, this);
  vsGlobalRef_visitEntries(kGlobalRefWeak, onWeak, this);
  onRoot(&vsFinalizer_lists.finalizable, this);
  onRoot(&vsFinalizer_lists.pending, this);
  while (!stack_.empty()) {
    const VmRef object = stack_.back();
    stack_.pop_back();
    scan(object);
  }
}

void Verifier::run(bool remembered) {
  const VmGlobals& g = vsVmGlobals;
  const JavaHeapState& h = vsJavaHeap;
  heapLow_ = g.heapLow;
  heapHigh_ = g.heapHigh;
  oldTop_ = h.oldTop;
  youngStart_ = h.youngStart;
  top_ = g.allocationTop;
  if (!(heapLow_ <= oldTop_ && oldTop_ <= youngStart_ && youngStart_ <= top_ && top_ <= heapHigh_))
    fail("heap bounds", oldTop_);
  starts_.reset(heapLow_, heapHigh_);
  marks_.reset(heapLow_, heapHigh_);
  checkStacks();
  checkNativeArea();
  std::sort(nativeArrays_.begin(), nativeArrays_.end());
  walk(heapLow_, oldTop_);
  walk(youngStart_, top_);
  if (remembered) checkRemembered();
  trace();
}

}  // namespace

void vsHeapVerifier_run(bool remembered) {
  if (vsJavaHeap.blockStart == 0) return;
  Verifier verifier;
  verifier.run(remembered);
}
