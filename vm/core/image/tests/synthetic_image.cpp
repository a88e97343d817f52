// A small class image in low memory (see synthetic_image.h).
#include "vm/core/image/tests/synthetic_image.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

constexpr uint32_t kReadOnlySize = 8192;
constexpr uint32_t kHeapSize = 4096;
constexpr uint32_t kSymbolBuckets = 31;
constexpr uint32_t kStringBuckets = 2;
constexpr uint32_t kEntryCount = 5;
constexpr uint32_t kStringCount = 3;
constexpr uint32_t kArrayClasses = 9;
constexpr uint32_t kBlockStride = 4 + kClassRecordHeadBytes + 4 + sizeof(ObjectNear);
constexpr uint32_t kBlockSize = kArrayClasses * kBlockStride + 4 + sizeof(ObjectNear) + 4;
constexpr uint32_t kWritableSize = kBlockSize + kStringInstanceBytes * kStringCount;
constexpr uint32_t kPackageBytes = 16;  // 0, then {9, "java/lang"}, padding
constexpr uint32_t kImageBytes = 16384 + kReadOnlySize + kHeapSize;
constexpr char kSharedText[] = "xyhelloworld";
constexpr uint16_t kStringPairs[kStringCount][2] = {{kSyntheticFirstStep, 5}, {5, 5}, {2, 3}};

uint8_t* gImage = nullptr;
uint8_t* gArea = nullptr;
uint8_t* gEntries = nullptr;
ImageDescriptor* gDescriptor = nullptr;

VmWord* at(VmWord a) { return vsWord_toPointer<VmWord>(a); }
ClassRecord* record(VmWord a) { return vsWord_toPointer<ClassRecord>(a); }
VmWord align4(VmWord a) { return (a + 3) & ~VmWord{3}; }

void setNear(VmWord near, VmWord cls, VmWord info) {
  ObjectNear* n = vsWord_toPointer<ObjectNear>(near);
  n->classRecord = vsWord_toPointer<ClassRecord>(cls);
  n->classInfo = vsWord_toPointer<ClassInfo>(info);
  n->hashAndLock = 0;
}

struct Bump {
  VmWord next;
  VmWord end;
  VmWord take(uint32_t bytes) {
    const VmWord r = next;
    next += align4(bytes);
    if (next > end) std::abort();
    return r;
  }
};

struct ArrayClassDef {
  const char* name;
  int16_t kind;
  int32_t elementType;
  int32_t elementSize;
};

constexpr ArrayClassDef kArrayDefs[kArrayClasses] = {
    {"[Z", kKindByteArray, kTypeBoolean, 1}, {"[C", kKindCharArray, kTypeChar, 2},
    {"[F", kKindIntArray, kTypeFloat, 4},    {"[D", kKindLongArray, kTypeDouble, 8},
    {"[B", kKindByteArray, kTypeByte, 1},    {"[S", kKindCharArray, kTypeShort, 2},
    {"[I", kKindIntArray, kTypeInt, 4},      {"[J", kKindLongArray, kTypeLong, 8},
    {"[Ljava/lang/Object;", kKindObjectArray, kTypeObject, 4}};
constexpr uint32_t kObjectArrayIndex = 8;
constexpr uint32_t kShortArrayIndex = 5;
constexpr uint32_t kByteArrayIndex = 4;
constexpr uint32_t kCharArrayIndex = 1;

struct MethodDef {
  const char* name;
  const char* signature;
  uint16_t flags;
  std::vector<uint8_t> code;  // an ldc_fast operand of 0 names the String entry
};

struct InstanceClassDef {
  const char* name;
  int root;
  uint16_t size;
  int super;  // index in this table, -1 none
  std::vector<uint8_t> instanceMap;  // with its end byte
  std::vector<uint8_t> staticMap;    // with its end byte
  uint32_t staticBytes;
  uint32_t mirrorStatus;
  std::vector<MethodDef> methods = {};
};

const std::vector<InstanceClassDef>& instanceDefs() {
  static const std::vector<InstanceClassDef> defs = {
      {"java/lang/Object", kRootObject, 4, -1, {0}, {0}, 0, kMirrorOpen | kMirrorInitialized,
       {{"<init>", "()V", kMethodPublic, {kOpReturn}},
        {"toString", "()Ljava/lang/String;", kMethodPublic, {kOpLdcFast, 0, kOpAreturn}}}},
      {"java/lang/String", kRootString, 16, 0, {1, 0}, {0}, 0, kMirrorOpen},
      {"java/lang/Class", kRootClass, 16, 0, {1, 0}, {0}, 0, kMirrorOpen,
       {{"initialize", "()V", kMethodPublic, {kOpReturn}}}},
      {"java/lang/Throwable", kRootThrowable, 12, 0, {1, 1, 0}, {0}, 0, kMirrorOpen},
      {"java/lang/Thread", kRootThread, 24, 0, {2, 1, 0}, {0}, 0, kMirrorOpen},
      {"java/lang/System", kRootSystem, 4, 0, {0}, {0}, 0, kMirrorOpen},
      {"java/lang/Math", kRootMath, 4, 0, {0}, {12, 0}, 4, kMirrorOpen},
      {"com/sun/cldc/i18n/Helper", kRootI18nHelper, 4, 0, {0}, {0}, 0, 0},
      {"java/lang/OutOfMemoryError", kRootOutOfMemoryError, 12, 3, {1, 1, 0}, {0}, 0, kMirrorOpen},
      // Classes of the start's tests: main, main inherited, an instance main.
      {"Main", -1, 4, 0, {0}, {0}, 0, 0,
       {{"main", "([Ljava/lang/String;)V", kMethodPublic | kMethodStatic, {kOpReturn}}}},
      {"Sub", -1, 4, 9, {0}, {0}, 0, 0},
      {"Inst", -1, 4, 0, {0}, {0}, 0, 0, {{"main", "([Ljava/lang/String;)V", kMethodPublic, {kOpReturn}}}},
  };
  return defs;
}
constexpr uint32_t kClassIndexOfClass = 2;
constexpr uint32_t kStringIndex = 1;
// Class ids: Object, the nine array classes, the other classes of the
// roots, String[], then the test classes.
constexpr uint32_t kStringArrayId = 18;
uint32_t classIdOf(size_t index) {
  if (index == 0) return 0;
  return static_cast<uint32_t>(index) + (index < 9 ? 9 : 10);
}
uint32_t stringId() { return classIdOf(kStringIndex); }

// The encoded form of the descriptors the image uses; any other text is
// stored as it is.
std::string encoded(const std::string& text) {
  auto id = [](uint32_t i) { return std::string{static_cast<char>(0x80 | i >> 7), static_cast<char>(0x80 | (i & 127))}; };
  const std::string none = id(0), one = id(1);
  if (text == "()V") return none + "V";
  if (text == "(Ljava/lang/String;)V") return one + "V" + id(stringId());
  if (text == "([Ljava/lang/String;)V") return one + "V" + id(kStringArrayId);
  if (text == "()Ljava/lang/String;") return none + id(stringId());
  if (text == "Ljava/lang/String;") return id(stringId());
  return text;
}
constexpr uint32_t kOutOfMemoryIndex = 8;
constexpr uint32_t kMathIndex = 6;

struct Symbol {
  std::string text;
  VmWord ref;
  uint32_t bucket;
};

class Builder {
 public:
  SyntheticImage build();

 private:
  VmWord kindRecord(VmWord header, int16_t kind);
  VmWord oneWordNear(VmWord cls);
  VmWord symbol(const std::string& text) const;
  uint32_t poolIndex(const std::string& text) const;
  void layOutSymbols();
  void buildPool();
  VmWord classInfo(const char* name, uint32_t id, uint32_t flags, VmWord methods, VmWord fields, VmWord pool);
  VmWord method(const MethodDef& def, uint32_t id, uint32_t slot);
  VmWord objectArray(Bump& bump, std::vector<VmWord> elements);

  // Records of the block are built where they lie at run time, in the
  // writable area, and copied into the image's block at the end.
  VmWord arrayRecord(uint32_t i) const { return base_.writableArea + kBlockStride * i + 4; }
  VmWord arrayNear(uint32_t i) const { return arrayRecord(i) + kClassRecordHeadBytes + 4; }
  VmWord stringNear() const { return base_.writableArea + kBlockStride * kArrayClasses + 4; }

  ImageDescriptor base_{};
  Bump ro_{};
  Bump heap_{};
  VmWord roots_[kImageRootCount] = {};
  std::vector<Symbol> symbols_;
  VmWord pool_ = 0;
  VmWord classInfoNear_ = 0;
  VmWord methodNear_ = 0;
  uint32_t objects_ = 0;
};

VmWord Builder::kindRecord(VmWord header, int16_t kind) {
  const VmWord r = ro_.take(kClassRecordHeadBytes);
  ClassRecord* c = record(r);
  c->header = header;
  c->recordSize = kClassRecordHeadBytes;
  c->instanceKind = kind;
  const uint8_t* map = vsKind_map(kind);
  const uint32_t length = static_cast<uint32_t>(std::strlen(reinterpret_cast<const char*>(map))) + 1;
  const VmWord copy = ro_.take(length);
  std::memcpy(vsWord_toPointer<uint8_t>(copy), map, length);
  c->oopMap = copy;
  return r;
}

VmWord Builder::oneWordNear(VmWord cls) {
  const VmWord near = ro_.take(4);
  *at(near) = cls;
  return near;
}

VmWord Builder::symbol(const std::string& text) const {
  for (const Symbol& s : symbols_)
    if (s.text == text) return s.ref;
  std::abort();
}

uint32_t Builder::poolIndex(const std::string& text) const {
  const VmWord ref = symbol(text);
  const ConstantPool* pool = vsWord_toPointer<ConstantPool>(pool_);
  for (uint32_t i = 1; i < pool->count; ++i)
    if (pool->entries[i] == ref) return i;
  std::abort();
}

// Names first, then field types, then signatures; each symbol's length is
// word-aligned, and its (absent) header overlaps what precedes it.
void Builder::layOutSymbols() {
  std::vector<std::string> names, fieldTypes, signatures;
  for (int i = 0; i < kWellKnownCount; ++i) {
    const WellKnownDefinition& d = vsWellKnown_definition(static_cast<WellKnown>(i));
    (d.form == WellKnownForm::Name ? names : d.form == WellKnownForm::FieldType ? fieldTypes : signatures)
        .push_back(d.text);
  }
  for (const ArrayClassDef& a : kArrayDefs) names.push_back(a.name);
  for (const char* n : {"toString", "[Ljava/lang/String;", "Main", "Sub", "Inst"}) names.push_back(n);
  signatures.push_back("()Ljava/lang/String;");

  const VmWord start = ro_.take(4);
  VmWord length = start + 4;
  auto place = [&](const std::string& text) {
    const std::string bytes = encoded(text);
    VmSymbol* s = vsWord_toPointer<VmSymbol>(length - 4);
    s->length = static_cast<uint16_t>(bytes.size());
    std::memcpy(s->bytes, bytes.data(), bytes.size());
    const uint32_t hash = vsSymbol_hash(s->bytes, s->length);
    symbols_.push_back({text, length - 4, hash % kSymbolBuckets});
    length = align4(length + 2 + static_cast<VmWord>(bytes.size()));
  };
  for (const std::string& t : names) place(t);
  base_.fieldTypeSymbols[0] = length - 4;
  for (const std::string& t : fieldTypes) place(t);
  base_.signatureSymbols[0] = base_.fieldTypeSymbols[1] = length - 4;
  for (const std::string& t : signatures) place(t);
  base_.symbolArea[0] = start;
  base_.symbolArea[1] = base_.signatureSymbols[1] = length - 4;
  ro_.next = length;
}

// Entry 0 unused, the symbols grouped by bucket, the first String, an int.
void Builder::buildPool() {
  std::vector<Symbol> byBucket = symbols_;
  std::stable_sort(byBucket.begin(), byBucket.end(),
                   [](const Symbol& a, const Symbol& b) { return a.bucket < b.bucket; });
  const uint32_t count = static_cast<uint32_t>(byBucket.size()) + 3;
  pool_ = ro_.take(kPoolEntriesOffset + 4 * count);
  ConstantPool* pool = vsWord_toPointer<ConstantPool>(pool_);
  pool->header = oneWordNear(roots_[kRootConstantPoolClass]);
  pool->count = static_cast<uint16_t>(count);
  const VmWord tags = ro_.take(kArrayElementsOffset + count);
  *at(tags) = arrayNear(kByteArrayIndex);
  vsWord_toPointer<ArrayObject>(tags)->length = static_cast<int32_t>(count);
  pool->tags = tags;
  uint8_t* tag = vsWord_toPointer<uint8_t>(tags) + kArrayElementsOffset;
  RomSymbolTable* hash = vsWord_toPointer<RomSymbolTable>(base_.symbolHash);
  hash->bucketCount = kSymbolBuckets;
  uint32_t i = 1;
  for (uint32_t b = 0; b <= kSymbolBuckets; ++b) {
    hash->starts[b] = pool_ + kPoolEntriesOffset + 4 * i;
    for (; i <= byBucket.size() && byBucket[i - 1].bucket == b; ++i) {
      pool->entries[i] = byBucket[i - 1].ref;
      tag[i] = kTagUtf8;
    }
  }
  pool->entries[count - 2] = base_.writableArea + kBlockSize;
  tag[count - 2] = kTagResolvedString;
  pool->entries[count - 1] = 42;
  tag[count - 1] = kTagInt;
}

VmWord Builder::classInfo(const char* name, uint32_t id, uint32_t flags, VmWord methods, VmWord fields,
                          VmWord pool) {
  const VmWord r = ro_.take(kClassInfoFixedBytes + 4);
  ClassInfo* info = vsWord_toPointer<ClassInfo>(r);
  info->header = classInfoNear_;
  info->recordSize = kClassInfoFixedBytes + 4;
  info->vtableLength = 1;
  info->classId = static_cast<uint16_t>(id);
  info->name = vsWord_toPointer<VmSymbol>(symbol(name));
  info->accessFlags = flags;
  info->methods = methods;
  info->fields = fields;
  info->constantPool = vsWord_toPointer<ConstantPool>(pool);
  return r;
}

VmWord Builder::method(const MethodDef& def, uint32_t id, uint32_t slot) {
  std::vector<uint8_t> code = def.code;
  if (code.size() == 3 && code[0] == kOpLdcFast && code[1] == 0)
    code[1] = static_cast<uint8_t>(vsWord_toPointer<ConstantPool>(pool_)->count - 2);
  const VmWord r = ro_.take(kMethodCodeOffset + static_cast<uint32_t>(code.size()));
  MethodRecord* m = vsWord_toPointer<MethodRecord>(r);
  m->header = methodNear_;
  m->constantPool = vsWord_toPointer<ConstantPool>(pool_);
  m->entryWord = vsWord_toPointer<VmWord>(base_.entryTable + 4 * slot);
  m->accessFlags = def.flags | kMethodMergedPool | kMethodNoStackMap | kMethodNoExceptionTable;
  m->classId = static_cast<uint16_t>(id);
  m->maxStack = 1;
  m->maxLocals = 1;
  m->parameterWords = 1;
  m->nameIndex = static_cast<uint16_t>(poolIndex(def.name));
  m->signatureIndex = static_cast<uint16_t>(poolIndex(def.signature));
  m->codeLength = static_cast<uint16_t>(code.size());
  std::memcpy(m->code, code.data(), code.size());
  at(base_.entryWords)[slot] = vsMethodEntry_address(kEntryNoExtraLocals) - kMethodEntryTrapBytes;
  return r;
}

VmWord Builder::objectArray(Bump& bump, std::vector<VmWord> elements) {
  const VmWord r = bump.take(kArrayElementsOffset + 4 * static_cast<uint32_t>(elements.size()));
  ObjectArray* a = vsWord_toPointer<ObjectArray>(r);
  a->header = arrayNear(kObjectArrayIndex);
  a->length = static_cast<int32_t>(elements.size());
  for (size_t i = 0; i < elements.size(); ++i) a->elements[i] = elements[i];
  return r;
}

SyntheticImage Builder::build() {
  SyntheticImage out{};
  // Addresses of every part, from the layout.
  const VmWord h = vsWord_fromPointer(gImage);
  ImageDescriptor& d = base_;
  d.header = h;
  d.readOnly = h + 16;
  d.readOnlySize = kReadOnlySize;
  d.heapPart = d.readOnly + kReadOnlySize + 8;
  d.heapSize = kHeapSize;
  d.writableBlock = d.heapPart + kHeapSize;
  d.blockSize = kBlockSize;
  d.writableArea = vsWord_fromPointer(gArea);
  d.writableSize = kWritableSize;
  d.roots = d.writableBlock + kBlockSize + 16;
  d.rootsSize = 4 * kImageRootCount;
  d.wellKnownSymbols = d.roots + d.rootsSize + 4;
  d.wellKnownCount = kWellKnownCount;
  d.symbolHash = d.wellKnownSymbols + 4 * kWellKnownCount;
  d.stringHash = d.symbolHash + 4 + 4 * (kSymbolBuckets + 1);
  d.packageList = d.stringHash + 8 + 4 * (kStringBuckets + 1);
  d.classIdCount = d.packageList + kPackageBytes;
  d.stringTable = d.classIdCount + 4;
  d.stringCount = kStringCount;
  d.entryWords = d.stringTable + 4 * kStringCount + 4;
  d.entryTable = vsWord_fromPointer(gEntries);
  d.entrySize = 4 * kEntryCount;

  at(h)[0] = 1;
  at(h)[1] = kImageLookupOptionBit;
  at(h)[2] = kImageVersion;
  *at(d.readOnly + kReadOnlySize) = kReadOnlySize;
  *at(d.readOnly + kReadOnlySize + 4) = 1;
  VmWord* sizes = at(d.writableBlock + kBlockSize);
  sizes[0] = kWritableSize;
  sizes[1] = kBlockSize;
  sizes[2] = kHeapSize;
  *at(d.roots + d.rootsSize) = d.rootsSize;
  at(d.packageList)[1] = 9;
  std::memcpy(vsWord_toPointer<uint8_t>(d.packageList) + 5, "java/lang", 9);
  *at(d.stringTable + 4 * kStringCount) = kStringCount;
  *at(d.entryWords + d.entrySize) = d.entrySize;
  for (uint32_t i = 0; i < kStringCount; ++i)
    std::memcpy(vsWord_toPointer<uint8_t>(d.stringTable) + 4 * i, kStringPairs[i], 4);

  ro_ = {d.readOnly, d.readOnly + kReadOnlySize};
  heap_ = {d.heapPart, d.heapPart + kHeapSize};

  // The records of the internal kinds, in the header chain.
  const VmWord k16 = kindRecord(0, kKindClassOfKind);
  record(k16)->header = k16;
  const VmWord k13 = kindRecord(k16, kKindOneWordNear);
  const VmWord k10 = kindRecord(k16, kKindInstanceClass);
  const VmWord k11 = kindRecord(k16, kKindObjectArrayClass);
  const VmWord k12 = kindRecord(k16, kKindTypeArrayClass);
  const VmWord k15 = kindRecord(k16, kKindMethodNear);
  const VmWord p10 = kindRecord(k10, kKindNear);
  const VmWord p11 = kindRecord(k11, kKindNear);
  const VmWord p12 = kindRecord(k12, kKindNear);
  roots_[kRootClassOfKinds] = k16;
  roots_[kRootInstanceClassKind] = k10;
  roots_[kRootObjectArrayClassKind] = k11;
  roots_[kRootTypeArrayClassKind] = k12;
  record(k10)->protoNear = vsWord_toPointer<ObjectNear>(p10);
  record(k11)->protoNear = vsWord_toPointer<ObjectNear>(p11);
  record(k12)->protoNear = vsWord_toPointer<ObjectNear>(p12);
  const VmWord methodClass = kindRecord(k15, kKindMethod);
  roots_[kRootMethodClass] = methodClass;
  methodNear_ = ro_.take(sizeof(ObjectNear) - 4);
  *at(methodNear_) = methodClass;
  record(methodClass)->protoNear = vsWord_toPointer<ObjectNear>(methodNear_);
  for (const KindInfo& k : kKindTable) {
    const bool internal = (k.root >= kRootConstantPoolClass && k.root <= kRootStackChunkClass) ||
                          (k.root >= kRootCompiler40Class && k.root <= kRootCompiler32Class);
    if (!internal) continue;
    const VmWord r = kindRecord(k13, k.kind);
    record(r)->protoNear = vsWord_toPointer<ObjectNear>(oneWordNear(r));
    roots_[k.root] = r;
  }
  roots_[kRootFieldTypeSymbolHeader] = oneWordNear(roots_[kRootSymbolClass]);
  roots_[kRootSignatureSymbolHeader] = oneWordNear(roots_[kRootSymbolClass]);
  classInfoNear_ = vsRef_of(record(roots_[kRootClassInfoClass])->protoNear.get());

  layOutSymbols();
  buildPool();
  for (int i = 0; i < kWellKnownCount; ++i)
    at(d.wellKnownSymbols)[i] = symbol(vsWellKnown_definition(static_cast<WellKnown>(i)).text);

  // The shared text and the string hash over the Strings' future places.
  const VmWord chars = ro_.take(kArrayElementsOffset + 2 * (sizeof kSharedText - 1));
  *at(chars) = arrayNear(kCharArrayIndex);
  vsWord_toPointer<CharArray>(chars)->length = sizeof kSharedText - 1;
  for (uint32_t i = 0; i + 1 < sizeof kSharedText; ++i)
    vsWord_toPointer<CharArray>(chars)->elements[i] = static_cast<uint8_t>(kSharedText[i]);
  d.sharedChars = chars;
  std::vector<std::pair<uint32_t, VmWord>> strings;
  for (uint32_t i = 0; i < kStringCount; ++i) {
    int32_t hash = 0;
    for (const char* c = kSyntheticStrings[i]; *c != '\0'; ++c) hash = 31 * hash + *c;
    strings.push_back({static_cast<uint32_t>(hash) % kStringBuckets, d.writableArea + kBlockSize + 16 * i});
  }
  std::stable_sort(strings.begin(), strings.end(), [](auto& a, auto& b) { return a.first < b.first; });
  const VmWord run = ro_.take(4 * kStringCount);
  RomStringTable* stringHash = vsWord_toPointer<RomStringTable>(d.stringHash);
  stringHash->bucketCount = kStringBuckets;
  uint32_t s = 0;
  for (uint32_t b = 0; b <= kStringBuckets; ++b) {
    stringHash->starts[b] = run + 4 * s;
    for (; s < kStringCount && strings[s].first == b; ++s) at(run)[s] = strings[s].second;
  }

  // The methods and their arrays; every class inherits Object.toString.
  const auto& defs = instanceDefs();
  std::vector<VmWord> methodArrays(defs.size());
  uint32_t slot = 0;
  for (size_t i = 0; i < defs.size(); ++i) {
    if (defs[i].methods.empty()) continue;
    std::vector<VmWord> records;
    for (const MethodDef& m : defs[i].methods) records.push_back(method(m, classIdOf(i), slot++));
    methodArrays[i] = objectArray(ro_, records);
  }
  const VmWord toString = vsWord_toPointer<ObjectArray>(methodArrays[0])->elements[1];
  out.toStringMethod = toString;

  // Instance classes: records and nears first (mirrors need Class's near).
  std::vector<VmWord> classes(defs.size()), nears(defs.size()), infos(defs.size());
  std::vector<VmWord> table(defs.size() + kArrayClasses + 1);
  for (size_t i = 0; i < defs.size(); ++i) {
    const InstanceClassDef& c = defs[i];
    const uint32_t mapBytes = static_cast<uint32_t>(c.instanceMap.size() + c.staticMap.size());
    const uint32_t size = align4(kClassRecordHeadBytes + c.staticBytes + mapBytes);
    classes[i] = heap_.take(size);
    nears[i] = heap_.take(sizeof(ObjectNear));
    const uint32_t id = classIdOf(i);
    table[id] = classes[i];
    infos[i] = classInfo(c.name, id, kClassPublic, methodArrays[i], 0, pool_);
    at(infos[i] + kClassInfoFixedBytes)[0] = toString;
    ClassRecord* r = record(classes[i]);
    r->header = p10;
    r->recordSize = static_cast<uint16_t>(size);
    r->instanceKind = static_cast<int16_t>(c.size);
    r->oopMap = kClassRecordHeadBytes + c.staticBytes;
    uint8_t* map = vsWord_toPointer<uint8_t>(classes[i]) + r->oopMap;
    std::memcpy(map, c.instanceMap.data(), c.instanceMap.size());
    std::memcpy(map + c.instanceMap.size(), c.staticMap.data(), c.staticMap.size());
    r->protoNear = vsWord_toPointer<ObjectNear>(nears[i]);
    r->classInfo = vsWord_toPointer<ClassInfo>(infos[i]);
    setNear(nears[i], classes[i], infos[i]);
    if (c.root >= 0) roots_[c.root] = classes[i];
    objects_ += 2;
  }
  for (size_t i = 0; i < defs.size(); ++i)
    if (defs[i].super >= 0) record(classes[i])->superClass = record(classes[defs[i].super]);
  // String's instances use the near of the writable block.
  record(roots_[kRootString])->protoNear = vsWord_toPointer<ObjectNear>(stringNear());
  auto mirror = [&](VmWord cls, uint32_t status) {
    const VmWord m = heap_.take(sizeof(ClassMirror));
    ClassMirror* mirror = vsWord_toPointer<ClassMirror>(m);
    mirror->header = nears[kClassIndexOfClass];
    mirror->classRecord = record(cls);
    mirror->status = status;
    record(cls)->mirror = vsWord_toPointer<ClassMirror>(m);
    ++objects_;
  };
  for (size_t i = 0; i < defs.size(); ++i) mirror(classes[i], defs[i].mirrorStatus);
  // String[], the one array class of the heap part.
  const VmWord stringArray = heap_.take(kClassRecordHeadBytes);
  const VmWord stringArrayNear = heap_.take(sizeof(ObjectNear));
  const VmWord stringArrayInfo =
      classInfo("[Ljava/lang/String;", kStringArrayId, kClassPublic | kClassFinal | kClassArray | kClassAbstract,
                kTypeObject, 4, 0);
  at(stringArrayInfo + kClassInfoFixedBytes)[0] = toString;
  ClassRecord* sa = record(stringArray);
  sa->header = p11;
  sa->recordSize = kClassRecordHeadBytes;
  sa->instanceKind = kKindObjectArray;
  sa->oopMap = vsRef_of(vsKind_map(kKindObjectArray));
  sa->protoNear = vsWord_toPointer<ObjectNear>(stringArrayNear);
  sa->classInfo = vsWord_toPointer<ClassInfo>(stringArrayInfo);
  sa->superClass = record(classes[0]);
  sa->elementOrLink = classes[kStringIndex];
  record(classes[kStringIndex])->arrayClass = sa;
  setNear(stringArrayNear, stringArray, stringArrayInfo);
  table[kStringArrayId] = stringArray;
  objects_ += 2;
  mirror(stringArray, 0);

  // The writable block: each array class and its near, String's near, and
  // String's class word.
  for (uint32_t i = 0; i < kArrayClasses; ++i) {
    const ArrayClassDef& a = kArrayDefs[i];
    const bool objects = a.kind == kKindObjectArray;
    const VmWord kindOfRecord = objects ? k11 : k12;
    const VmWord near = objects ? p11 : p12;
    *at(arrayRecord(i) - 4) = kindOfRecord;
    *at(arrayNear(i) - 4) = near;
    ClassRecord* r = record(arrayRecord(i));
    r->header = near;
    r->recordSize = kClassRecordHeadBytes;
    r->instanceKind = a.kind;
    r->oopMap = vsRef_of(vsKind_map(a.kind));
    r->protoNear = vsWord_toPointer<ObjectNear>(arrayNear(i));
    const uint32_t id = 1 + i;
    table[id] = arrayRecord(i);
    const VmWord info = classInfo(a.name, id, kClassPublic | kClassFinal | kClassArray | kClassAbstract,
                                  static_cast<VmWord>(a.elementType), static_cast<VmWord>(a.elementSize), 0);
    at(info + kClassInfoFixedBytes)[0] = toString;
    r->classInfo = vsWord_toPointer<ClassInfo>(info);
    r->superClass = record(classes[0]);
    if (objects) {
      r->elementOrLink = classes[0];
      record(classes[0])->arrayClass = r;
    }
    setNear(arrayNear(i), arrayRecord(i), info);
    mirror(arrayRecord(i), 0);
    roots_[i == kObjectArrayIndex ? static_cast<uint32_t>(kRootObjectArray) : kRootBooleanArray + i] = arrayRecord(i);
    objects_ += 2;
  }
  *at(stringNear() - 4) = p10;
  setNear(stringNear(), roots_[kRootString], record(roots_[kRootString])->classInfo.raw);
  *at(d.writableArea + kBlockSize - 4) = roots_[kRootString];
  objects_ += 1 + kStringCount;

  // Tables, the roots' records and the two arrays.
  out.classTable = objectArray(heap_, std::vector<VmWord>(table.size() + kClassTableGrowth, 0));
  for (size_t i = 0; i < table.size(); ++i) vsWord_toPointer<ObjectArray>(out.classTable)->elements[i] = table[i];
  roots_[kRootClassTable] = out.classTable;
  constexpr uint32_t kClassBuckets = 5;
  const VmWord hashTable = objectArray(heap_, std::vector<VmWord>(kClassBuckets, 0));
  for (size_t i = 0; i < defs.size(); ++i) {
    const VmSymbol* name = vsWord_toPointer<VmSymbol>(symbol(defs[i].name));
    VmWord& head = vsWord_toPointer<ObjectArray>(hashTable)->elements[vsSymbol_hash(name->bytes, name->length) %
                                                                     kClassBuckets];
    record(classes[i])->elementOrLink = head;
    head = classes[i];
  }
  roots_[kRootImageClassTable] = hashTable;
  const VmWord monitor = heap_.take(kMonitorRecordBytes);
  *at(monitor) = vsRef_of(record(roots_[kRootMonitorClass])->protoNear.get());
  roots_[kRootMonitorSentinel] = monitor;
  roots_[kRootEmptyObjectArray] = objectArray(heap_, {});
  const VmWord emptyShorts = heap_.take(kArrayElementsOffset);
  *at(emptyShorts) = arrayNear(kShortArrayIndex);
  roots_[kRootEmptyExceptionTable] = emptyShorts;
  const VmWord oom = heap_.take(defs[kOutOfMemoryIndex].size);
  *at(oom) = nears[kOutOfMemoryIndex];
  roots_[kRootOutOfMemoryError] = oom;
  out.pairArray = objectArray(heap_, {0, chars, 0});
  out.otherArray = objectArray(heap_, {out.pairArray});
  vsWord_toPointer<ObjectArray>(out.pairArray)->elements[0] = out.otherArray;
  out.mathClass = classes[kMathIndex];
  *at(out.mathClass + kFirstStaticOffset) = out.pairArray;
  objects_ += 8;

  // A byte array fills the rest of the heap part.
  const uint32_t rest = heap_.end - heap_.next;
  if (rest >= kArrayElementsOffset) {
    const VmWord filler = heap_.take(rest);
    *at(filler) = arrayNear(kByteArrayIndex);
    vsWord_toPointer<ArrayObject>(filler)->length = static_cast<int32_t>(rest - kArrayElementsOffset);
    ++objects_;
  }

  std::memcpy(at(d.writableBlock), gArea, kBlockSize);
  std::memset(gArea, 0, kWritableSize);
  std::memcpy(at(d.roots), roots_, sizeof roots_);
  *at(d.classIdCount) = static_cast<uint32_t>(table.size());
  d.mergedPool = pool_;
  *gDescriptor = d;
  out.descriptor = gDescriptor;
  out.symbolCount = static_cast<uint32_t>(symbols_.size());
  out.classCount = static_cast<uint32_t>(table.size());
  out.objectCount = objects_;
  return out;
}

}  // namespace

SyntheticImage vsTestImage_build() {
  if (gImage == nullptr) {
    gImage = static_cast<uint8_t*>(vsLow_alloc(kImageBytes));
    gArea = static_cast<uint8_t*>(vsLow_alloc(kWritableSize));
    gEntries = static_cast<uint8_t*>(vsLow_alloc(4 * kEntryCount));
    gDescriptor = static_cast<ImageDescriptor*>(vsLow_alloc(sizeof(ImageDescriptor)));
    if (gImage == nullptr || gArea == nullptr || gEntries == nullptr || gDescriptor == nullptr) std::abort();
  }
  std::memset(gImage, 0, kImageBytes);
  std::memset(gArea, 0, kWritableSize);
  std::memset(gEntries, 0, 4 * kEntryCount);
  Builder b;
  return b.build();
}
