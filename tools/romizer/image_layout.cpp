// The layout of the class image (see image_layout.h).
#include "tools/romizer/image_layout.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <deque>
#include <map>
#include <set>

#include "tools/romizer/pool_merger.h"
#include "tools/romizer/romizer_names.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/image/image_format.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/interp/string_helpers.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint32_t kMaxStringStep = 65535;
constexpr uint32_t kMaxInstanceSize = 32768;
constexpr uint32_t kOwnEntryOffset = offsetof(MethodRecord, ownEntry);
// A stored method leaves out its header and pool, and a method without
// handlers or map also its exception table, stack map and own entry.
constexpr uint32_t kMethodLeadBytes = offsetof(MethodRecord, exceptionTable);
constexpr uint32_t kMethodLongLeadBytes = offsetof(MethodRecord, entryWord);
// A symbol of the image has no header.
constexpr uint32_t kSymbolHeaderBytes = offsetof(VmSymbol, length);
static_assert(kOwnEntryOffset == 16 && kMethodLeadBytes == 8 && kMethodLongLeadBytes == 20 && kSymbolHeaderBytes == 4);

// The roots that the image supplies with their values from the romizer's
// heap; every other root below the run queues is 0 in the image (the image's
// class hash table and the class table sized for the ids are written apart).
bool imageKeepsRoot(int root) {
  return (root >= kRootClassOfKinds && root <= kRootStackChunkClass) ||
         (root >= kRootFieldTypeSymbolHeader && root <= kRootCompiler32Class) ||
         (root >= kRootMonitorSentinel && root <= kRootOutOfMemoryError) || root == kRootI18nHelper;
}

// Groups of the read-only part, in their order in the part.
enum Group : uint8_t {
  kGroupChars,
  kGroupKinds,
  kGroupClassInfos,
  kGroupTables,
  kGroupMethods,
  kGroupPool,
  kGroupMaps,
  kGroupNames,
  kGroupFieldTypes,
  kGroupSignatures,
  kGroupCount,
};

// Groups of the heap part.
enum HeapGroup : uint8_t {
  kHeapClasses,
  kHeapNears,
  kHeapMirrors,
  kHeapArrayClasses,
  kHeapTables,
  kHeapOther,
  kHeapGroupCount,
};

uint32_t align4(uint32_t n) { return (n + 3) & ~3u; }

// A new array of n elements, never one of the shared empty arrays.
VmRef newOwnArray(Root arrayClass, int32_t n, int32_t elementSize) {
  const VmRef array = vsJavaHeap_newArray(&vsRoot(arrayClass), n, elementSize);
  if (array == 0) romizer_fail("no memory for an array of %d elements", n);
  return array;
}

// Whether an encoded type or signature names the class id.
bool namesClass(VmRef symbol, uint32_t id) {
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  // A class id takes two bytes, the first with bit 7 set: the walk steps
  // over both, so that a pair across two encodings never matches.
  for (uint32_t i = 0; i + 1 < s->length;) {
    if ((s->bytes[i] & 0x80) == 0) {
      ++i;
      continue;
    }
    if (((s->bytes[i] & 127u) << 7 | (s->bytes[i + 1] & 127u)) == id) return true;
    i += 2;
  }
  return false;
}

// Ends the romizer on a class that only a signature named: the member that
// names it, and the missing class.
[[noreturn]] void failOnStub(const RomizerModel& model, VmRef stub, uint32_t id) {
  for (VmRef cls : model.classes) {
    if (vsObject_kind(cls) != kKindInstanceClass || vsClass_isStub(vsRef_as<ClassRecord>(cls))) continue;
    const ConstantPool* pool = vsClass_constantPool(vsRef_as<ClassRecord>(cls));
    const VmRef methods = vsClass_methods(vsRef_as<ClassRecord>(cls));
    for (int32_t i = 0; methods != 0 && i < vsRef_as<ObjectArray>(methods)->length; ++i) {
      const MethodRecord* m = vsRef_as<MethodRecord>(vsRef_as<ObjectArray>(methods)->elements[i]);
      if (namesClass(pool->entries[m->signatureIndex], id))
        romizer_fail("class %s: method %s names class %s, which the library does not hold",
                     romizer_className(cls).c_str(), romizer_symbolText(pool->entries[m->nameIndex]).c_str(),
                     romizer_className(stub).c_str());
    }
    const VmRef fields = vsClass_fields(vsRef_as<ClassRecord>(cls));
    const ShortArray* table = fields != 0 ? vsRef_as<ShortArray>(fields) : nullptr;
    for (int32_t i = 0; table != nullptr && i < table->length / 5; ++i) {
      const FieldEntry& f = reinterpret_cast<const FieldEntry*>(table->elements)[i];
      if (namesClass(pool->entries[f.signatureIndex], id))
        romizer_fail("class %s: field %s names class %s, which the library does not hold",
                     romizer_className(cls).c_str(), romizer_symbolText(pool->entries[f.nameIndex]).c_str(),
                     romizer_className(stub).c_str());
    }
  }
  romizer_fail("class %s is named by the library but not in it", romizer_className(stub).c_str());
}

// The words of `bytes` stored bytes of a record, zero beyond them.
std::vector<ImageWord> scalarWords(VmWord start, uint32_t size, uint32_t bytes) {
  std::vector<ImageWord> words(size / 4);
  const uint8_t* p = vsWord_toPointer<const uint8_t>(start);
  for (uint32_t i = 0; i < words.size(); ++i) {
    uint8_t b[4] = {0, 0, 0, 0};
    for (uint32_t k = 0; k < 4; ++k)
      if (4 * i + k < bytes) b[k] = p[4 * i + k];
    VmWord w;
    std::memcpy(&w, b, 4);
    words[i] = {WordKind::Scalar, w, start + 4 * i};
  }
  return words;
}

void mark(std::vector<ImageWord>& words, uint32_t i, WordKind kind) {
  if (i < words.size()) words[i].kind = kind;
}

// Marks the words a collector map names, walking from word `from`.
void markMap(std::vector<ImageWord>& words, const uint8_t* map, uint32_t from) {
  uint32_t at = from;
  for (; *map != 0; ++map) {
    if (*map == 255) {
      at += 254;
      continue;
    }
    at += *map;
    mark(words, at, WordKind::Reference);
  }
}

const uint8_t* mapEnd(const uint8_t* map) {
  while (*map != 0) ++map;
  return map + 1;
}

class Layout {
 public:
  explicit Layout(RomizerModel& model) : model_(model) {}

  ImageLayout run();

 private:
  void prepareRecords();
  void makeTables();
  void walk();
  void visit(VmRef ref);
  void describe(VmRef ref, ImageRecord& record);
  void describeClass(VmRef ref, ImageRecord& record);
  void describeMethod(VmRef ref, ImageRecord& record);
  void describeClassInfo(VmRef ref, ImageRecord& record);
  ImageRecord mapRecord(VmWord address);
  void place();
  void check(const ImageLayout& layout);
  std::string what(VmRef ref) const;

  RomizerModel& model_;
  ImageLayout out_;
  std::map<VmRef, ImageRecord> records_;   // lookup only; never iterated for order
  std::vector<VmRef> order_;               // walk order
  std::deque<VmRef> pending_;
  std::set<VmRef> readOnlyArrays_;         // type and object arrays of the read-only part
  std::set<VmRef> stringSet_;
  std::set<VmRef> entrySlotMethods_;
  std::map<VmWord, ImageRecord> maps_;      // reference maps by address
  std::vector<VmWord> mapOrder_;
  VmRef classTable_ = 0;
  VmRef stringRuns_ = 0;
};

std::string Layout::what(VmRef ref) const {
  const int32_t kind = vsObject_kind(ref);
  if (kind == kKindMethod) return "method " + romizer_methodName(ref);
  if (kind == kKindInstanceClass || kind == kKindObjectArrayClass || kind == kKindTypeArrayClass)
    return "class " + romizer_className(ref);
  return "record of kind " + std::to_string(kind) + " of class " + romizer_className(vsRef_of(vsObject_class(ref)));
}

// Image methods use the merged pool, carry a compact stack map or none
// (flag 0x1000), and no exception table when they have no handler; with
// neither, the items in front of the entry item are not read.
// The read-only class-info records get read-only empty arrays in place of
// the shared empty arrays of the heap part (roots 41 and 42). Mirrors get
// their image status, and image classes skip the access checks.
void Layout::prepareRecords() {
  for (VmRef m : model_.entrySlots) entrySlotMethods_.insert(m);
  VmRef emptyObjects = 0;
  VmRef emptyShorts = 0;
  auto own = [&](VmWord* word) {
    if (*word != 0 && *word == vsRoot(kRootEmptyObjectArray)) {
      if (emptyObjects == 0) emptyObjects = newOwnArray(kRootObjectArray, 0, 4);
      *word = emptyObjects;
    } else if (*word != 0 && *word == vsRoot(kRootEmptyExceptionTable)) {
      if (emptyShorts == 0) emptyShorts = newOwnArray(kRootShortArray, 0, 2);
      *word = emptyShorts;
    }
    if (*word == 0) return;
    if (vsObject_kind(*word) > kKindObjectArray || vsObject_kind(*word) < kKindLongArray)
      romizer_fail("a class-info record holds a record of kind %d where an array belongs", vsObject_kind(*word));
  };
  for (VmRef cls : model_.classes) {
    ClassRecord* c = vsRef_as<ClassRecord>(cls);
    ClassInfo* info = c->classInfo.get();
    const int32_t kind = vsObject_kind(cls);
    if (c->mirror.raw != 0) {
      const std::string name = romizer_className(cls);
      uint32_t status = c->mirror->status & kMirrorVerified;
      if (kind == kKindInstanceClass && name.compare(0, 5, "java/") == 0) status |= kMirrorOpen;
      // Object, and Thread, whose currentThread() the initialisation of
      // every class calls (were Thread left to its own initialisation, that
      // call would request it again before it could be marked as under way),
      // start initialised: neither may have a static initializer.
      if (cls == vsRoot(kRootObject) || cls == vsRoot(kRootThread)) {
        if (vsClass_findMethodInClass(c, vsWellKnown_symbol(kSymClinit), vsWellKnown_symbol(kSymSignatureVoid)) != 0)
          romizer_fail("class %s: a static initializer, but the class starts initialised", name.c_str());
        status |= kMirrorInitialized;
      }
      c->mirror->status = kind == kKindInstanceClass ? status : 0;
    }
    if (info == nullptr) continue;
    own(&info->localInterfaces);
    if (kind != kKindInstanceClass) continue;
    info->accessFlags |= kClassAccessChecksWaived;
    own(&info->methods);
    own(&info->fields);
    const VmRef methods = info->methods;
    if (methods == 0) continue;
    for (int32_t i = 0; i < vsRef_as<ObjectArray>(methods)->length; ++i) {
      MethodRecord* m = vsRef_as<MethodRecord>(vsRef_as<ObjectArray>(methods)->elements[i]);
      // Records that later passes made (native copies) use the merged pool too.
      m->constantPool = vsRef_as<ConstantPool>(model_.mergedPool);
      m->accessFlags |= kMethodMergedPool;
      if (m->stackMap == 0) m->accessFlags |= kMethodNoStackMap;
      if (m->stackMap != 0 && vsObject_kind(m->stackMap) != kKindStackMap)
        romizer_fail("method %s: its stack map is not compact", romizer_methodName(vsRef_of(m)).c_str());
      if (m->exceptionTable == 0 || vsRef_as<ShortArray>(m->exceptionTable)->length == 0) {
        m->accessFlags |= kMethodNoExceptionTable;
        m->exceptionTable = 0;
      }
      ++out_.methodCount;
    }
  }
}

// The class table sized for the ids, the sentinel monitor, the shared text of the interned
// Strings and the runs of the string hash.
void Layout::makeTables() {
  const uint32_t ids = static_cast<uint32_t>(model_.classes.size());
  if (ids >= kMaxClassIds) romizer_fail("%u class ids, the image holds at most %u", ids, kMaxClassIds - 1);
  out_.classIdCount = ids;
  classTable_ = vsJavaHeap_newObjectArray(static_cast<int32_t>(ids) + kClassTableGrowth);
  if (classTable_ == 0) romizer_fail("no memory for the class table");
  for (uint32_t id = 0; id < ids; ++id) {
    const VmRef cls = model_.classes[id];
    if (cls == 0) romizer_fail("class id %u has no class", id);
    if (vsClass_isStub(vsRef_as<ClassRecord>(cls))) failOnStub(model_, cls, id);
    vsRef_as<ObjectArray>(classTable_)->elements[id] = cls;
  }

  if (vsRoot(kRootMonitorSentinel) == 0) {
    vsRoot(kRootMonitorSentinel) = vsJavaHeap_newMonitorRecord();
    if (vsRoot(kRootMonitorSentinel) == 0) romizer_fail("no memory for the sentinel monitor");
  }

  std::vector<std::pair<uint32_t, VmRef>> keyed;
  const ObjectArray* interned = vsRoot_as<ObjectArray>(kRootInternTable);
  std::vector<VmRef> strings;
  for (int32_t i = 0; interned != nullptr && i < interned->length; ++i)
    if (interned->elements[i] != 0) strings.push_back(interned->elements[i]);
  const uint32_t buckets = std::max<uint32_t>(1, static_cast<uint32_t>((strings.size() + 1) / 2));
  auto text = [](VmRef s) {
    const StringObject* o = vsRef_as<StringObject>(s);
    const uint16_t* c = vsRef_as<CharArray>(o->value)->elements + o->offset;
    return std::vector<uint16_t>(c, c + o->count);
  };
  for (VmRef s : strings) keyed.emplace_back(static_cast<uint32_t>(vsString_hashCode(s)) % buckets, s);
  std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : text(a.second) < text(b.second);
  });
  uint32_t total = 0;
  for (const auto& k : keyed) total += static_cast<uint32_t>(vsRef_as<StringObject>(k.second)->count);
  out_.sharedChars = newOwnArray(kRootCharArray, static_cast<int32_t>(total), 2);
  stringRuns_ = newOwnArray(kRootObjectArray, static_cast<int32_t>(keyed.size()), 4);
  uint32_t at = 0;
  uint32_t previous = 0;
  out_.stringBuckets = buckets;
  out_.stringBucketStarts.assign(buckets + 1, static_cast<uint32_t>(keyed.size()));
  uint32_t k = 0;
  for (uint32_t b = 0; b < buckets; ++b) {
    while (k < keyed.size() && keyed[k].first < b) ++k;
    out_.stringBucketStarts[b] = k;
  }
  for (uint32_t i = 0; i < keyed.size(); ++i) {
    const VmRef s = keyed[i].second;
    const std::vector<uint16_t> chars = text(s);
    if (previous > kMaxStringStep || chars.size() > 0xffff)
      romizer_fail("string %u of the image: step %u or length %zu above 65535", i, previous, chars.size());
    std::copy(chars.begin(), chars.end(), vsRef_as<CharArray>(out_.sharedChars)->elements + at);
    out_.stringPairs.emplace_back(static_cast<uint16_t>(previous), static_cast<uint16_t>(chars.size()));
    out_.strings.push_back(s);
    stringSet_.insert(s);
    vsRef_as<ObjectArray>(stringRuns_)->elements[i] = s;
    at += static_cast<uint32_t>(chars.size());
    previous = static_cast<uint32_t>(chars.size());
  }
}

ImageRecord Layout::mapRecord(VmWord address) {
  const uint8_t* map = vsWord_toPointer<const uint8_t>(address);
  const uint32_t bytes = static_cast<uint32_t>(mapEnd(map) - map);
  ImageRecord r;
  r.ref = address;
  r.map = true;
  r.size = align4(bytes);
  r.words = scalarWords(address, r.size, bytes);
  return r;
}

void Layout::describeClass(VmRef ref, ImageRecord& r) {
  const ClassRecord* cls = vsRef_as<ClassRecord>(ref);
  const int32_t objectKind = vsObject_kind(ref);
  for (uint32_t w : {0u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 11u}) mark(r.words, w, WordKind::Reference);
  mark(r.words, 10, cls->finalizer != 0 || model_.symbolWords.count(ref + 40) != 0 ? WordKind::Function
                                                                                  : WordKind::Scalar);
  if (objectKind != kKindInstanceClass) {
    mark(r.words, 2, WordKind::Address);
    return;
  }
  // Statics: the map behind the instance map's end byte, from word 0.
  if (cls->oopMap >= r.size) romizer_fail("class %s: reference map outside its record", romizer_className(ref).c_str());
  const uint8_t* instanceMap = vsWord_toPointer<const uint8_t>(ref + cls->oopMap);
  markMap(r.words, mapEnd(instanceMap), 0);
}

void Layout::describeMethod(VmRef ref, ImageRecord& r) {
  const MethodRecord* m = vsRef_as<MethodRecord>(ref);
  for (uint32_t w : {0u, 1u, 2u, 3u}) mark(r.words, w, WordKind::Reference);
  mark(r.words, 4, WordKind::Entry);
  mark(r.words, 5, WordKind::Address);
  const bool native = (m->accessFlags & kMethodNative) != 0 || (m->accessFlags & kMethodAbstract) != 0;
  if (native && m->codeLength == 0) mark(r.words, 7, WordKind::Function);
  if (native && m->codeLength >= 8 && m->code[0] == kOpInvokeNative) mark(r.words, 11, WordKind::Function);
  // Code bytes past the end are padding.
  const uint32_t bytes = kMethodCodeOffset + m->codeLength;
  for (uint32_t i = bytes / 4; i < r.words.size(); ++i) {
    uint8_t b[4];
    std::memcpy(b, &r.words[i].value, 4);
    for (uint32_t k = 0; k < 4; ++k)
      if (4 * i + k >= bytes) b[k] = 0;
    std::memcpy(&r.words[i].value, b, 4);
  }
  const bool slot = entrySlotMethods_.count(ref) != 0;
  if (!slot && m->entryWord.raw != ref + kOwnEntryOffset)
    romizer_fail("method %s: entry word outside its record and the entry table", romizer_methodName(ref).c_str());
  const uint16_t leftOut = kMethodNoExceptionTable | kMethodNoStackMap;
  r.skip = slot && (m->accessFlags & leftOut) == leftOut ? kMethodLongLeadBytes : kMethodLeadBytes;
}

void Layout::describeClassInfo(VmRef ref, ImageRecord& r) {
  const ClassInfo* info = vsRef_as<ClassInfo>(ref);
  for (uint32_t w : {0u, 3u, 7u, 8u}) mark(r.words, w, WordKind::Reference);
  if ((info->accessFlags & kClassArray) == 0) {
    mark(r.words, 5, WordKind::Reference);
    mark(r.words, 6, WordKind::Reference);
  }
  const uint32_t vtableWord = kClassInfoFixedBytes / 4;
  for (uint32_t i = 0; i < info->vtableLength; ++i) mark(r.words, vtableWord + i, WordKind::Reference);
  const uint32_t pairsWord = vtableWord + info->vtableLength;
  const uint32_t tablesWord = pairsWord + 2u * info->itableLength;
  for (uint32_t w = tablesWord; w < r.words.size(); ++w) mark(r.words, w, WordKind::Reference);
}

void Layout::describe(VmRef ref, ImageRecord& r) {
  const int32_t kind = vsObject_kind(ref);
  r.ref = ref;
  r.size = vsJavaHeap_objectSize(ref);
  if (r.size == 0) romizer_fail("%s has no size", what(ref).c_str());
  uint32_t bytes = r.size;
  if (kind >= kKindLongArray && kind <= kKindByteArray) {
    const uint32_t elementBytes = 1u << (-2 - kind);
    bytes = kArrayElementsOffset + elementBytes * static_cast<uint32_t>(vsRef_as<ArrayObject>(ref)->length);
  } else if (kind == kKindSymbol) {
    bytes = kSymbolBytesOffset + vsRef_as<VmSymbol>(ref)->length;
    r.skip = kSymbolHeaderBytes;
  }
  r.words = scalarWords(ref, r.size, bytes);
  mark(r.words, 0, kind == kKindSymbol ? WordKind::Scalar : WordKind::Reference);
  if (kind >= 0) {
    if (static_cast<uint32_t>(kind) >= kMaxInstanceSize) romizer_fail("%s is too large", what(ref).c_str());
    const ClassRecord* cls = vsObject_class(ref);
    markMap(r.words, vsWord_toPointer<const uint8_t>(vsRef_of(cls) + cls->oopMap), 0);
    return;
  }
  switch (kind) {
    case kKindObjectArray:
      for (uint32_t w = 2; w < r.words.size(); ++w) mark(r.words, w, WordKind::Reference);
      return;
    case kKindByteArray:
    case kKindCharArray:
    case kKindIntArray:
    case kKindLongArray:
    case kKindSymbol:
      return;
    case kKindInstanceClass:
    case kKindObjectArrayClass:
    case kKindTypeArrayClass:
    case kKindClassOfKind:
      describeClass(ref, r);
      return;
    case kKindMethod:
      describeMethod(ref, r);
      return;
    case kKindClassInfo:
      describeClassInfo(ref, r);
      return;
    case kKindConstantPool: {
      const ConstantPool* pool = vsRef_as<ConstantPool>(ref);
      mark(r.words, 2, WordKind::Reference);
      for (uint32_t i = 0; i < pool->count; ++i)
        if (vsPoolTag_holdsReference(static_cast<uint8_t>(vsRef_as<ByteArray>(pool->tags)->elements[i])))
          mark(r.words, kPoolEntriesOffset / 4 + i, WordKind::Reference);
      return;
    }
    case kKindStackMap: {
      // Long entries refer to their short arrays.
      const CountedRecord* map = vsRef_as<CountedRecord>(ref);
      for (uint32_t i = 0; i < map->count; ++i)
        if (!vsStackMap_isShort(map, i)) mark(r.words, 2 + i, WordKind::Reference);
      return;
    }
    case kKindOneWordNear:
    case kKindNear:
    case kKindMethodNear:
    case kKindMonitor: {
      const KindInfo& info = vsKind_info(kind);
      for (uint32_t i = 0; i < info.referenceWordCount; ++i) mark(r.words, info.referenceWords[i], WordKind::Reference);
      return;
    }
    default:
      romizer_fail("%s cannot be part of the image", what(ref).c_str());
  }
}

void Layout::visit(VmRef ref) {
  if (ref == 0 || records_.count(ref) != 0 || stringSet_.count(ref) != 0) return;
  ImageRecord& r = records_[ref];
  describe(ref, r);
  order_.push_back(ref);
  pending_.push_back(ref);
}

void Layout::walk() {
  for (int root = 0; root < static_cast<int>(kImageRootCount); ++root)
    if (imageKeepsRoot(root)) out_.roots[root] = vsRoot(static_cast<Root>(root));
  out_.roots[23] = vsClassTables.loaded;
  out_.roots[kRootClassTable] = classTable_;
  out_.wellKnown.clear();
  for (uint32_t i = 0; i < kWellKnownCount; ++i) out_.wellKnown.push_back(vsWellKnown_symbol(static_cast<WellKnown>(i)));

  visit(out_.sharedChars);
  for (VmRef root : out_.roots) visit(root);
  for (VmRef s : out_.wellKnown) visit(s);
  for (VmRef cls : model_.classes) visit(cls);
  visit(model_.mergedPool);
  visit(stringRuns_);
  for (VmRef m : model_.entrySlots) visit(m);
  for (VmRef s : out_.strings) {
    const StringObject* o = vsRef_as<StringObject>(s);
    visit(o->header);
  }
  while (!pending_.empty()) {
    const VmRef ref = pending_.front();
    pending_.pop_front();
    const std::vector<ImageWord> words = records_.at(ref).words;
    for (const ImageWord& w : words) {
      if (w.kind == WordKind::Reference) {
        visit(w.value);
      } else if (w.kind == WordKind::Address && vsObject_kind(ref) != kKindMethod && w.value != 0 &&
                 maps_.count(w.value) == 0) {
        maps_[w.value] = mapRecord(w.value);
        mapOrder_.push_back(w.value);
      }
    }
  }
}

void Layout::place() {
  // The arrays that records of the read-only part own.
  for (VmRef cls : model_.classes) {
    const ClassInfo* info = vsRef_as<ClassRecord>(cls)->classInfo.get();
    if (info == nullptr) continue;
    readOnlyArrays_.insert(info->localInterfaces);
    if ((info->accessFlags & kClassArray) != 0) continue;
    for (VmWord w : {info->methods, info->fields}) readOnlyArrays_.insert(w);
  }
  for (const auto& [ref, record] : records_) {
    if (vsObject_kind(ref) == kKindMethod && vsRef_as<MethodRecord>(ref)->exceptionTable != 0)
      readOnlyArrays_.insert(vsRef_as<MethodRecord>(ref)->exceptionTable);
    if (vsObject_kind(ref) != kKindStackMap) continue;
    const CountedRecord* map = vsRef_as<CountedRecord>(ref);
    for (uint32_t i = 0; i < map->count; ++i)
      if (!vsStackMap_isShort(map, i)) readOnlyArrays_.insert(map->words[i]);
  }
  readOnlyArrays_.insert(vsRef_as<ConstantPool>(model_.mergedPool)->tags);
  readOnlyArrays_.insert(out_.sharedChars);
  readOnlyArrays_.insert(stringRuns_);
  readOnlyArrays_.erase(0);

  const VmRef stringClass = vsRoot(kRootString);
  const VmRef stringNear = vsRef_as<ClassRecord>(stringClass)->protoNear.raw;
  std::set<VmRef> blockClasses;
  for (Root r : {kRootBooleanArray, kRootCharArray, kRootFloatArray, kRootDoubleArray, kRootByteArray,
                 kRootShortArray, kRootIntArray, kRootLongArray, kRootObjectArray})
    blockClasses.insert(vsRoot(r));

  std::vector<VmRef> groups[kGroupCount];
  std::vector<VmRef> heapGroups[kHeapGroupCount];
  std::vector<VmRef> blockOrder;
  for (VmRef ref : order_) {
    const int32_t kind = vsObject_kind(ref);
    switch (kind) {
      case kKindClassOfKind:
      case kKindOneWordNear:
      case kKindMethodNear:
        groups[kGroupKinds].push_back(ref);
        break;
      case kKindClassInfo:
        groups[kGroupClassInfos].push_back(ref);
        break;
      case kKindMethod:
        groups[kGroupMethods].push_back(ref);
        break;
      case kKindConstantPool:
        groups[kGroupPool].push_back(ref);
        break;
      case kKindStackMap:
        groups[kGroupTables].push_back(ref);
        break;
      case kKindSymbol: {
        const VmWord header = vsRef_as<ObjectHeader>(ref)->near.raw;
        groups[header == vsRoot(kRootFieldTypeSymbolHeader)   ? kGroupFieldTypes
               : header == vsRoot(kRootSignatureSymbolHeader) ? kGroupSignatures
                                                              : kGroupNames]
            .push_back(ref);
        break;
      }
      case kKindInstanceClass:
        heapGroups[kHeapClasses].push_back(ref);
        break;
      case kKindObjectArrayClass:
      case kKindTypeArrayClass:
        if (blockClasses.count(ref) != 0)
          blockOrder.push_back(ref);
        else
          heapGroups[kHeapArrayClasses].push_back(ref);
        break;
      case kKindNear: {
        const VmRef owner = vsRef_as<ObjectNear>(ref)->classRecord.raw;
        if (ref == stringNear || blockClasses.count(owner) != 0)
          break;  // placed with its class in the block
        heapGroups[vsObject_kind(owner) == kKindInstanceClass ? kHeapNears : kHeapArrayClasses].push_back(ref);
        break;
      }
      default:
        if (ref == out_.sharedChars)
          groups[kGroupChars].push_back(ref);
        else if (readOnlyArrays_.count(ref) != 0)
          groups[kind == kKindByteArray && ref == vsRef_as<ConstantPool>(model_.mergedPool)->tags ? kGroupPool : kGroupTables]
              .push_back(ref);
        else if (kind >= 0 && vsObject_class(ref) == vsRef_as<ClassRecord>(vsRoot(kRootClass)))
          heapGroups[kHeapMirrors].push_back(ref);
        else if (ref == classTable_ || ref == out_.roots[23])
          heapGroups[kHeapTables].push_back(ref);
        else
          heapGroups[kHeapOther].push_back(ref);
    }
  }
  for (VmWord m : mapOrder_) groups[kGroupMaps].push_back(m);

  uint32_t at = 0;
  auto placeRecord = [&](ImageRecord r, ImagePart part, std::vector<ImageRecord>& into) {
    if (at < r.skip) at = r.skip;
    r.part = part;
    r.offset = at - r.skip;
    at = r.offset + r.size;
    into.push_back(std::move(r));
  };
  auto pad = [&](std::vector<ImageRecord>& into) {
    ImageRecord r;
    r.size = 4;
    r.words.push_back({WordKind::Scalar, 0, 0});
    r.offset = at;
    at += 4;
    into.push_back(std::move(r));
  };
  for (int g = 0; g < kGroupCount; ++g) {
    if (g == kGroupNames || g == kGroupFieldTypes || g == kGroupSignatures) {
      pad(out_.readOnly);
      const uint32_t start = at - kSymbolHeaderBytes;
      if (g == kGroupNames) out_.symbolStart = start;
      for (VmRef ref : groups[g]) placeRecord(records_.at(ref), ImagePart::ReadOnly, out_.readOnly);
      const uint32_t end = out_.readOnly.back().offset + kSymbolBytesOffset +
                           (groups[g].empty() ? 0u : vsRef_as<VmSymbol>(groups[g].back())->length);
      const uint32_t groupStart = groups[g].empty() ? at : start;
      const uint32_t groupEnd = groups[g].empty() ? at : end;
      if (g == kGroupFieldTypes) out_.fieldTypeStart = groupStart, out_.fieldTypeEnd = groupEnd;
      if (g == kGroupSignatures) out_.signatureStart = groupStart, out_.signatureEnd = groupEnd;
      out_.symbolEnd = groupEnd;
      out_.symbolCount += static_cast<uint32_t>(groups[g].size());
      continue;
    }
    for (VmRef ref : groups[g])
      placeRecord(g == kGroupMaps ? maps_.at(ref) : records_.at(ref), ImagePart::ReadOnly, out_.readOnly);
  }
  out_.readOnlySize = at;
  for (const ImageRecord& r : out_.readOnly)
    if (r.ref == stringRuns_) out_.stringRunsOffset = r.offset;

  at = 0;
  for (auto& group : heapGroups)
    for (VmRef ref : group) placeRecord(records_.at(ref), ImagePart::Heap, out_.heap);
  out_.heapSize = at;

  at = 0;
  auto placeInBlock = [&](VmRef ref) {
    at += 4;
    ImageRecord r = records_.at(ref);
    r.classWord = vsRef_of(vsObject_class(ref));
    placeRecord(std::move(r), ImagePart::Block, out_.block);
  };
  for (VmRef cls : blockOrder) {
    placeInBlock(cls);
    placeInBlock(vsRef_as<ClassRecord>(cls)->protoNear.raw);
  }
  if (records_.count(stringNear) == 0) romizer_fail("the String near is not part of the image");
  placeInBlock(stringNear);
  at += 4;
  out_.stringClass = stringClass;
  out_.blockSize = at;
}

ImageLayout Layout::run() {
  prepareRecords();
  makeTables();
  walk();
  // Symbols that later passes made join the merged pool; the walk then
  // starts again over the new pool.
  std::set<VmRef> pooled;
  const ConstantPool* pool = vsRef_as<ConstantPool>(model_.mergedPool);
  for (uint32_t i = model_.symbolBucketStarts.front(); i < pool->count; ++i) pooled.insert(pool->entries[i]);
  std::vector<VmRef> missing;
  for (VmRef ref : order_)
    if (vsObject_kind(ref) == kKindSymbol && pooled.count(ref) == 0) missing.push_back(ref);
  if (!missing.empty()) {
    romizer_addPoolSymbols(model_, missing);
    records_.clear();
    order_.clear();
    maps_.clear();
    mapOrder_.clear();
    walk();
  }

  // Packages of the image's classes.
  std::set<std::string> packages;
  for (VmRef cls : model_.classes) {
    if (vsObject_kind(cls) != kKindInstanceClass) continue;
    const std::string name = romizer_className(cls);
    const size_t slash = name.rfind('/');
    if (slash != std::string::npos) packages.insert(name.substr(0, slash));
  }
  out_.packages.assign(packages.begin(), packages.end());

  place();
  check(out_);
  return std::move(out_);
}

void Layout::check(const ImageLayout& layout) {
  const ImageAddressMap where(layout);
  for (const auto* part : {&layout.readOnly, &layout.heap, &layout.block}) {
    for (const ImageRecord& r : *part) {
      if (r.ref == 0 || r.map) continue;
      const int32_t kind = vsObject_kind(r.ref);
      const bool javaObject = kind >= kKindLongArray;
      for (uint32_t i = r.skip / 4; i < r.words.size(); ++i) {
        const ImageWord& w = r.words[i];
        // Untraced addresses are never relocated, so none may name the heap part.
        if (w.kind == WordKind::Address && w.value != 0 && kind != kKindMethod &&
            where.find(w.value).part == ImagePart::Heap)
          romizer_fail("%s: untraced word %u points into the heap part", what(r.ref).c_str(), i);
        if (w.kind != WordKind::Reference || w.value == 0) continue;
        const ImageTarget t = where.find(w.value);
        if (!t.ok) romizer_fail("%s: word %u points outside the image", what(r.ref).c_str(), i);
        if (r.part == ImagePart::ReadOnly && t.part == ImagePart::Heap)
          romizer_fail("%s: word %u of the read-only part points into the heap part", what(r.ref).c_str(), i);
        const bool sharedText = kind >= 0 && i == 1 && w.value == layout.sharedChars;
        if (javaObject && r.part != ImagePart::ReadOnly && t.part == ImagePart::ReadOnly && i != 0 && !sharedText)
          romizer_fail("%s: word %u lets Java reach the read-only part", what(r.ref).c_str(), i);
      }
      if (kind == kKindInstanceClass) {
        const ClassRecord* cls = vsRef_as<ClassRecord>(r.ref);
        if ((cls->classInfo->accessFlags & kClassFinalizable) != 0 && model_.symbolWords.count(r.ref + 40) == 0)
          romizer_fail("class %s: finalizer not bound to a function", romizer_className(r.ref).c_str());
      }
    }
  }
}

}  // namespace

ImageAddressMap::ImageAddressMap(const ImageLayout& layout) {
  for (const auto* part : {&layout.readOnly, &layout.heap, &layout.block})
    for (const ImageRecord& r : *part)
      if (r.ref != 0) ranges_.push_back({r.ref, r.size, r.part, r.offset});
  for (uint32_t i = 0; i < layout.strings.size(); ++i)
    ranges_.push_back({layout.strings[i], kStringInstanceBytes, ImagePart::Strings, kStringInstanceBytes * i});
  std::sort(ranges_.begin(), ranges_.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
}

ImageTarget ImageAddressMap::find(VmWord address) const {
  auto it = std::upper_bound(ranges_.begin(), ranges_.end(), address,
                             [](VmWord a, const Range& r) { return a < r.start; });
  if (it == ranges_.begin()) return {ImagePart::ReadOnly, 0, false};
  --it;
  if (address - it->start >= it->size) return {ImagePart::ReadOnly, 0, false};
  return {it->part, it->offset + (address - it->start), true};
}

ImageLayout romizer_layOut(RomizerModel& model) { return Layout(model).run(); }
