// The merged constant pool of the image (see pool_merger.h).
//
// The romizer's heap never collects (it has no collector, and a full heap
// ends the romizer), so records are held here by their plain references.
#include "tools/romizer/pool_merger.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "tools/romizer/romizer_names.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint32_t kMaxPoolEntries = 65535;
constexpr uint32_t kMaxLdcIndex = 255;

// An entry of the merged pool other than a symbol. A name-and-type keeps
// its two symbols until the symbol run has its indexes.
struct Slot {
  uint8_t tag;
  VmWord word;
  VmRef name;
  VmRef signature;
};

// A 16-bit index in a record that names a tag-1 entry, and its symbol.
struct SymbolUse {
  uint16_t* where;
  VmRef symbol;
};

using Key = std::tuple<uint8_t, VmWord, VmWord>;

bool isInstanceClass(VmRef cls) { return vsObject_kind(cls) == kKindInstanceClass; }

ShortArray* shortsOf(VmRef array) { return vsRef_as<ShortArray>(array); }

// Calls f(cls, method) for every method of every instance class, by id and
// method order; f may replace the method (widening), so the array is read
// again after each call.
template <class F>
void forEachMethod(const RomizerModel& model, F f) {
  for (VmRef cls : model.classes) {
    if (cls == 0 || !isInstanceClass(cls)) continue;
    const VmRef methods = vsClass_methods(vsRef_as<ClassRecord>(cls));
    if (methods == 0) continue;
    for (int32_t i = 0; i < vsRef_as<ObjectArray>(methods)->length; ++i)
      f(cls, vsRef_as<ObjectArray>(methods)->elements[i]);
  }
}

template <class F>
void forEachField(const RomizerModel& model, F f) {
  for (VmRef cls : model.classes) {
    if (cls == 0 || !isInstanceClass(cls)) continue;
    const VmRef fields = vsClass_fields(vsRef_as<ClassRecord>(cls));
    if (fields == 0) continue;
    FieldEntry* entries = reinterpret_cast<FieldEntry*>(shortsOf(fields)->elements);
    for (int32_t i = 0; i < shortsOf(fields)->length / 5; ++i) f(cls, &entries[i]);
  }
}

uint16_t readU2(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

void writeU2(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

// The opcodes with a pool operand: its width in bytes (1 or 2), or 0.
uint32_t poolOperandBytes(uint8_t opcode) {
  switch (opcode) {
    case kOpLdc:
      return 1;
    case kOpLdcW:
    case kOpLdc2W:
    case kOpGetstatic:
    case kOpPutstatic:
    case kOpGetfield:
    case kOpPutfield:
    case kOpInvokevirtual:
    case kOpInvokespecial:
    case kOpInvokestatic:
    case kOpInvokeinterface:
    case kOpNew:
    case kOpAnewarray:
    case kOpCheckcast:
    case kOpInstanceof:
    case 197:  // multianewarray
      return 2;
    default:
      return 0;
  }
}

// Calls f(bci, opcode, operand) for each instruction of the method's code
// (natives and abstract methods have only their native body).
template <class F>
void walkCode(VmRef method, F f) {
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  if ((m->accessFlags & (kMethodNative | kMethodAbstract)) != 0) return;
  uint32_t bci = 0;
  while (bci < m->codeLength) {
    const uint8_t opcode = m->code[bci];
    if (opcode >= kOpLdcFast)
      romizer_fail("method %s: opcode %u at %u before the pools are merged", romizer_methodName(method).c_str(),
                   opcode, bci);
    const int32_t length = vsBytecodes_lengthAt(&method, bci);
    if (length <= 0 || bci + static_cast<uint32_t>(length) > m->codeLength)
      romizer_fail("method %s: bad instruction at %u", romizer_methodName(method).c_str(), bci);
    if (poolOperandBytes(opcode) != 0) f(bci, opcode, &m->code[bci + 1]);
    bci += static_cast<uint32_t>(length);
  }
}

bool symbolLess(VmRef a, VmRef b) {
  const VmSymbol* x = vsRef_as<VmSymbol>(a);
  const VmSymbol* y = vsRef_as<VmSymbol>(b);
  const int c = std::memcmp(x->bytes, y->bytes, std::min(x->length, y->length));
  return c != 0 ? c < 0 : x->length < y->length;
}

// Builds the merged pool from the slots and the symbols, writes every
// symbol index, and puts the pool in place of the classes' pools.
void install(RomizerModel& model, const std::vector<Slot>& slots, const std::set<VmRef>& symbolSet,
             const std::vector<SymbolUse>& uses) {
  std::vector<VmRef> symbols(symbolSet.begin(), symbolSet.end());
  const uint32_t buckets = std::max<uint32_t>(1, static_cast<uint32_t>((symbols.size() + 1) / 2));
  std::vector<std::pair<uint32_t, VmRef>> keyed;
  for (VmRef s : symbols) keyed.emplace_back(romizer_symbolBucket(s, buckets), s);
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : symbolLess(a.second, b.second);
  });
  const uint32_t first = static_cast<uint32_t>(slots.size()) + 1;
  const uint32_t count = first + static_cast<uint32_t>(keyed.size());
  if (count > kMaxPoolEntries)
    romizer_fail("the merged pool needs %u entries, more than %u", count, kMaxPoolEntries);

  const VmRef poolRef = vsJavaHeap_newConstantPool(count);
  if (poolRef == 0) romizer_fail("no memory for the merged pool of %u entries", count);
  ConstantPool* pool = vsRef_as<ConstantPool>(poolRef);
  std::map<VmRef, uint16_t> indexOf;
  model.symbolBuckets = buckets;
  model.symbolBucketStarts.assign(buckets + 1, count);
  for (uint32_t i = 0; i < keyed.size(); ++i) {
    const uint32_t index = first + i;
    indexOf[keyed[i].second] = static_cast<uint16_t>(index);
    vsConstantPool_setEntry(pool, index, kTagUtf8, keyed[i].second);
  }
  uint32_t k = 0;
  for (uint32_t b = 0; b < buckets; ++b) {
    while (k < keyed.size() && keyed[k].first < b) ++k;
    model.symbolBucketStarts[b] = first + k;
  }
  for (uint32_t i = 0; i < slots.size(); ++i) {
    const Slot& s = slots[i];
    const VmWord word = s.tag == kTagNameAndType ? VmWord{indexOf.at(s.signature)} << 16 | indexOf.at(s.name) : s.word;
    vsConstantPool_setEntry(pool, i + 1, s.tag, word);
  }
  for (const SymbolUse& u : uses) *u.where = indexOf.at(u.symbol);

  model.mergedPool = poolRef;
  for (VmRef cls : model.classes) {
    if (cls == 0) continue;
    ClassInfo* info = vsRef_as<ClassRecord>(cls)->classInfo.get();
    if (info != nullptr && info->constantPool.raw != 0) info->constantPool = pool;
  }
  forEachMethod(model, [&](VmRef, VmRef method) {
    MethodRecord* m = vsRef_as<MethodRecord>(method);
    m->constantPool = pool;
    m->accessFlags |= kMethodMergedPool;
  });
}

// The symbol of a tag-1 entry of a pool.
VmRef symbolAt(const ConstantPool* pool, uint32_t index, VmRef owner, const char* what) {
  if (index == 0 || index >= pool->count || vsConstantPool_tagAt(pool, index) != kTagUtf8 ||
      pool->entries[index] == 0)
    romizer_fail("class %s: %s index %u is not a symbol", romizer_className(owner).c_str(), what, index);
  return pool->entries[index];
}

class Merger {
 public:
  explicit Merger(RomizerModel& model) : model_(model) {}

  void run() {
    collectLdcConstants();
    for (VmRef cls : model_.classes)
      if (cls != 0) symbols_.insert(vsClass_name(vsRef_as<ClassRecord>(cls)) != nullptr
                                        ? vsRef_of(vsClass_name(vsRef_as<ClassRecord>(cls)))
                                        : 0);
    symbols_.erase(0);
    for (uint32_t slot = 0; slot < kWellKnownCount; ++slot)
      if (vsWellKnown_symbol(static_cast<WellKnown>(slot)) != 0)
        symbols_.insert(vsWellKnown_symbol(static_cast<WellKnown>(slot)));
    forEachField(model_, [&](VmRef cls, FieldEntry* f) {
      const ConstantPool* pool = vsClass_constantPool(vsRef_as<ClassRecord>(cls));
      useSymbol(&f->nameIndex, symbolAt(pool, f->nameIndex, cls, "field name"));
      useSymbol(&f->signatureIndex, symbolAt(pool, f->signatureIndex, cls, "field signature"));
      if (f->constantValueIndex != 0) f->constantValueIndex = map(pool, f->constantValueIndex, cls);
    });
    forEachMethod(model_, [&](VmRef cls, VmRef method) { mergeMethod(cls, method); });
    install(model_, slots_, symbols_, uses_);
  }

 private:
  void useSymbol(uint16_t* where, VmRef symbol) {
    symbols_.insert(symbol);
    uses_.push_back({where, symbol});
  }

  uint16_t add(const Key& key, const Slot& slot) {
    const auto found = known_.find(key);
    if (found != known_.end()) return found->second;
    slots_.push_back(slot);
    const uint32_t index = static_cast<uint32_t>(slots_.size());
    if (index >= kMaxPoolEntries) romizer_fail("the merged pool needs more than %u entries", kMaxPoolEntries);
    known_[key] = static_cast<uint16_t>(index);
    return static_cast<uint16_t>(index);
  }

  // The merged index of entry i of a class's pool.
  uint16_t map(const ConstantPool* pool, uint32_t i, VmRef owner) {
    if (i == 0 || i >= pool->count)
      romizer_fail("class %s: pool index %u out of range", romizer_className(owner).c_str(), i);
    const uint8_t tag = vsConstantPool_tagAt(pool, i);
    const VmWord v = pool->entries[i];
    switch (tag) {
      case kTagLong:
      case kTagDouble: {
        if (i + 1 >= pool->count)
          romizer_fail("class %s: pool entry %u cut off", romizer_className(owner).c_str(), i);
        const Key key{tag, v, pool->entries[i + 1]};
        const auto found = known_.find(key);
        if (found != known_.end()) return found->second;
        const uint16_t index = add(key, {tag, v, 0, 0});
        slots_.push_back({vsConstantPool_tagAt(pool, i + 1), pool->entries[i + 1], 0, 0});
        return index;
      }
      case kTagFieldRef:
      case kTagMethodRef:
      case kTagInterfaceMethodRef: {
        const uint16_t cls = map(pool, v & 0xffff, owner);
        const uint16_t nat = map(pool, v >> 16, owner);
        return add({tag, cls, nat}, {tag, VmWord{nat} << 16 | cls, 0, 0});
      }
      case kTagNameAndType: {
        const VmRef name = symbolAt(pool, v & 0xffff, owner, "name");
        const VmRef signature = symbolAt(pool, v >> 16, owner, "signature");
        symbols_.insert(name);
        symbols_.insert(signature);
        return add({tag, name, signature}, {tag, 0, name, signature});
      }
      case kTagUnresolvedClass:
      case kTagUnresolvedString:
        symbols_.insert(v);
        return add({tag, v, 0}, {tag, v, 0, 0});
      case kTagUtf8:
      case kTagUnusedUtf8:
      case kTagClassFileClass:
      case kTagClassFileString:
        romizer_fail("class %s: pool entry %u of tag %u is named where a constant belongs",
                     romizer_className(owner).c_str(), i, tag);
      default:
        return add({tag, v, 0}, {tag, v, 0, 0});
    }
  }

  // The constants of ldc first, then those of ldc_w, so that as many ldc
  // as possible keep their one-byte operand.
  void collectLdcConstants() {
    for (uint8_t wanted : {kOpLdc, kOpLdcW})
      forEachMethod(model_, [&](VmRef cls, VmRef method) {
        const ConstantPool* pool = vsClass_constantPool(vsRef_as<ClassRecord>(cls));
        walkCode(method, [&](uint32_t, uint8_t opcode, uint8_t* operand) {
          if (opcode == wanted) map(pool, opcode == kOpLdc ? operand[0] : readU2(operand), cls);
        });
      });
  }

  void mergeMethod(VmRef cls, VmRef method) {
    const ConstantPool* pool = vsClass_constantPool(vsRef_as<ClassRecord>(cls));
    std::vector<LdcWidening> widen;
    walkCode(method, [&](uint32_t bci, uint8_t opcode, uint8_t* operand) {
      const uint16_t index = map(pool, opcode == kOpLdc ? operand[0] : readU2(operand), cls);
      if (opcode != kOpLdc)
        writeU2(operand, index);
      else if (index <= kMaxLdcIndex)
        operand[0] = static_cast<uint8_t>(index);
      else
        widen.push_back({bci, index});
    });
    MethodRecord* m = vsRef_as<MethodRecord>(method);
    if (m->exceptionTable != 0) {
      ShortArray* table = shortsOf(m->exceptionTable);
      for (int32_t i = 3; i < table->length; i += 4)
        if (table->elements[i] != 0)
          table->elements[i] = static_cast<int16_t>(map(pool, static_cast<uint16_t>(table->elements[i]), cls));
    }
    if (!widen.empty()) {
      method = romizer_widenLdc(model_, method, widen);
      m = vsRef_as<MethodRecord>(method);
    }
    useSymbol(&m->nameIndex, symbolAt(pool, m->nameIndex, cls, "method name"));
    useSymbol(&m->signatureIndex, symbolAt(pool, m->signatureIndex, cls, "method signature"));
  }

  RomizerModel& model_;
  std::vector<Slot> slots_;
  std::map<Key, uint16_t> known_;
  std::set<VmRef> symbols_;
  std::vector<SymbolUse> uses_;
};

}  // namespace

uint32_t romizer_symbolBucket(VmRef symbol, uint32_t bucketCount) {
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  return vsSymbol_hash(s->bytes, s->length) % bucketCount;
}

void romizer_mergePools(RomizerModel& model) { Merger(model).run(); }

void romizer_addPoolSymbols(RomizerModel& model, const std::vector<VmRef>& extra) {
  const ConstantPool* pool = vsRef_as<ConstantPool>(model.mergedPool);
  const uint32_t first = model.symbolBucketStarts.front();
  std::vector<Slot> slots;
  for (uint32_t i = 1; i < first; ++i) {
    const uint8_t tag = vsConstantPool_tagAt(pool, i);
    const VmWord v = pool->entries[i];
    if (tag == kTagNameAndType)
      slots.push_back({tag, 0, pool->entries[v & 0xffff], pool->entries[v >> 16]});
    else
      slots.push_back({tag, v, 0, 0});
  }
  std::set<VmRef> symbols(extra.begin(), extra.end());
  for (uint32_t i = first; i < pool->count; ++i) symbols.insert(pool->entries[i]);
  std::vector<SymbolUse> uses;
  forEachField(model, [&](VmRef, FieldEntry* f) {
    uses.push_back({&f->nameIndex, pool->entries[f->nameIndex]});
    uses.push_back({&f->signatureIndex, pool->entries[f->signatureIndex]});
  });
  forEachMethod(model, [&](VmRef, VmRef method) {
    MethodRecord* m = vsRef_as<MethodRecord>(method);
    uses.push_back({&m->nameIndex, pool->entries[m->nameIndex]});
    uses.push_back({&m->signatureIndex, pool->entries[m->signatureIndex]});
  });
  install(model, slots, symbols, uses);
}
