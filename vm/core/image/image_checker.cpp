// The check of a loaded class image (see image_checker.h).
#include "vm/core/image/image_checker.h"

#include <cstdarg>
#include <initializer_list>
#include <vector>

#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/bytecode/tag_stack.h"
#include "vm/core/image/image_bounds.h"
#include "vm/core/image/image_loader.h"
#include "vm/core/image/image_walk.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

struct StringPair {
  uint16_t step;
  uint16_t length;
};

class Checker {
 public:
  Checker(const ImageDescriptor* image, const VsOutputStream* out) : image_(image), out_(out) {}
  ImageCheckCounts run();

 private:
  void fault(const char* format, ...) VS_PRINTF_FORMAT(2, 3);
  bool inRange(VmWord w, VmWord start, uint32_t size) const { return w - start < size; }
  bool isHeapObjectStart(VmWord r) const;
  bool isAreaObjectStart(VmWord r) const;
  bool isMethodRecord(VmWord r) const;
  void checkReference(const VmWord* word);
  static void visit(VmWord* word, void* context);
  void checkHeapPart();
  void checkWritableArea();
  void checkReadOnlyWord(const VmWord* word);
  void checkReadOnlyRecord(VmRef record, std::initializer_list<uint32_t> words);
  void checkReadOnlyPart();
  void checkStrings();
  void checkSymbols();
  void checkClassTable();
  void checkClass(uint32_t id, const ClassRecord* cls);
  void checkMethod(const ClassRecord* cls, const MethodRecord* m);
  void checkMaps(const char* name, int nameLength, const MethodRecord* m, const std::vector<bool>& starts,
                 bool branches);
  void checkEntryTable();
  void checkRoots();

  const ImageDescriptor* image_;
  const VsOutputStream* out_;
  const char* region_ = "";
  ImageCheckCounts counts_{};
};

void Checker::fault(const char* format, ...) {
  char line[200];
  va_list args;
  va_start(args, format);
  vsPrintf_vsnprintf(line, sizeof line, format, args);
  va_end(args);
  vsOutputStream_printLine(out_, "image fault: %s", line);
  ++counts_.faults;
}

bool Checker::isHeapObjectStart(VmWord r) const { return vsJavaHeap_walksTo(r); }

bool Checker::isAreaObjectStart(VmWord r) const {
  const VmWord start = vsImage_bounds.writableStart;
  const VmWord blockEnd = start + vsImage_state.blockSize;
  if (r >= blockEnd) return (r - blockEnd) % kStringInstanceBytes == 0;
  VmWord at = start;
  while (at + 4 < blockEnd) {
    const ClassRecord* cls = vsRef_as<ClassRecord>(*vsWord_toPointer<VmWord>(at));
    at += 4;
    if (at == r) return true;
    const uint32_t size = vsJavaHeap_objectSizeOfClass(at, cls);
    if (size == 0) return false;
    at += size;
  }
  return false;
}

bool Checker::isMethodRecord(VmWord r) const {
  if (vsImage_isInReadOnlyPart(r))
    return r % 4 == 0 && (vsRef_as<MethodRecord>(r)->accessFlags & kMethodMergedPool) != 0;
  const VmGlobals& g = vsVmGlobals;
  return inRange(r, g.heapLow, g.allocationTop - g.heapLow) && isHeapObjectStart(r) &&
         vsObject_kind(r) == kKindMethod;
}

void Checker::checkReference(const VmWord* word) {
  ++counts_.references;
  const VmWord r = *word;
  const VmWord at = vsWord_fromPointer(word);
  const VmGlobals& g = vsVmGlobals;
  if (r == 0) return;
  if (inRange(r, image_->heapPart, image_->heapSize)) {
    fault("%s: word at %08x points into the image's heap part (%08x)", region_, at, r);
  } else if (inRange(r, g.heapLow, g.allocationTop - g.heapLow)) {
    if (!isHeapObjectStart(r)) fault("%s: word at %08x points inside a heap object (%08x)", region_, at, r);
  } else if (vsImage_isInWritableArea(r)) {
    if (!isAreaObjectStart(r)) fault("%s: word at %08x points inside a writable-area object (%08x)", region_, at, r);
  } else if (!vsImage_isInReadOnlyPart(r) || r % 4 != 0) {
    fault("%s: word at %08x is no reference (%08x)", region_, at, r);
  }
}

void Checker::visit(VmWord* word, void* context) { static_cast<Checker*>(context)->checkReference(word); }

void Checker::checkHeapPart() {
  region_ = "heap part";
  const VmWord start = vsImage_state.heapCopy;
  uint32_t at = 0;
  while (at < image_->heapSize) {
    const VmRef object = start + at;
    const uint32_t size = vsJavaHeap_objectSize(object);
    if (size == 0 || size > image_->heapSize - at) {
      fault("heap part: object at %08x measures %u bytes", object, size);
      return;
    }
    checkReference(vsWord_toPointer<VmWord>(object));
    vsObject_visitReferences(object, vsObject_class(object), visit, this);
    ++counts_.objects;
    at += size;
  }
}

void Checker::checkWritableArea() {
  region_ = "writable area";
  if (vsImage_state.blockSize == 0) return;
  const int32_t n = vsImage_walkWritableArea(visit, this, true, true);
  if (n < 0) {
    fault("writable area: the walk does not end at the area's end");
    return;
  }
  counts_.objects += static_cast<uint32_t>(n);
}

// A word of the image's read-only data that holds a reference.
void Checker::checkReadOnlyWord(const VmWord* word) {
  const VmGlobals& g = vsVmGlobals;
  const VmWord w = *word;
  const VmWord at = vsWord_fromPointer(word);
  if (inRange(w, image_->heapPart, image_->heapSize))
    fault("read-only part: word at %08x points into the image's heap part (%08x)", at, w);
  else if (inRange(w, g.heapLow, g.heapHigh - g.heapLow))
    fault("read-only part: word at %08x points into the Java heap (%08x)", at, w);
}

// The reference words of a record of the read-only part: its header, and
// the words its layout names. Records elsewhere are left to the heap walks.
void Checker::checkReadOnlyRecord(VmRef record, std::initializer_list<uint32_t> words) {
  if (record == 0 || !vsImage_isInReadOnlyPart(record)) return;
  const VmWord* w = vsRef_as<VmWord>(record);
  checkReadOnlyWord(&w[0]);
  for (uint32_t i : words) checkReadOnlyWord(&w[i]);
}

// Only words known to be references are checked: the part also holds text,
// code and numbers, whose bytes may look like any address.
void Checker::checkReadOnlyPart() {
  // The class records of the internal kinds, and their nears.
  for (int root = 0; root < static_cast<int>(kImageRootCount); ++root) {
    const VmRef r = vsPersistentRoots[root];
    if (!vsImage_isInReadOnlyPart(r)) continue;
    checkReadOnlyRecord(r, {3, 4, 5, 6, 7, 8, 9, 10, 11});
    checkReadOnlyRecord(vsRef_as<ClassRecord>(r)->protoNear.raw, {});
  }
  // Class infos, their tables, methods and method records.
  for (uint32_t id = 0; id < vsImage_state.classIdCount; ++id) {
    const ClassRecord* cls = vsClass_byId(id);
    if (cls == nullptr || !vsImage_isInReadOnlyPart(cls->classInfo.raw)) continue;
    const ClassInfo* info = cls->classInfo.get();
    const bool isArray = (info->accessFlags & kClassArray) != 0;
    if (isArray)
      checkReadOnlyRecord(vsRef_of(info), {3, 7, 8});
    else
      checkReadOnlyRecord(vsRef_of(info), {3, 5, 6, 7, 8});
    for (uint32_t i = 0; i < info->vtableLength; ++i) checkReadOnlyWord(&info->vtable[i]);
    if (isArray || !vsImage_isInReadOnlyPart(info->methods)) continue;
    checkReadOnlyRecord(info->fields, {});
    checkReadOnlyRecord(info->localInterfaces, {});
    const ObjectArray* methods = vsRef_as<ObjectArray>(info->methods);
    checkReadOnlyWord(&methods->header);
    for (int32_t i = 0; i < methods->length; ++i) {
      checkReadOnlyWord(&methods->elements[i]);
      const VmRef m = methods->elements[i];
      if (!vsImage_isInReadOnlyPart(m)) continue;
      const MethodRecord* method = vsRef_as<MethodRecord>(m);
      checkReadOnlyWord(&method->entryWord.raw);
      const bool itemsStored = (method->accessFlags & kMethodNoExceptionTable) == 0 ||
                               (method->accessFlags & kMethodNoStackMap) == 0;
      if (itemsStored) {
        checkReadOnlyWord(&method->exceptionTable);
        checkReadOnlyWord(&method->stackMap);
      }
    }
  }
  // The merged pool: its tags and every entry that holds a reference.
  const ConstantPool* pool = vsWord_toPointer<ConstantPool>(image_->mergedPool);
  checkReadOnlyRecord(image_->mergedPool, {2});
  checkReadOnlyRecord(pool->tags, {});
  const uint8_t* tags = vsRef_as<uint8_t>(pool->tags) + kArrayElementsOffset;
  for (uint32_t i = 1; i < pool->count; ++i)
    if (vsPoolTag_holdsReference(tags[i])) checkReadOnlyWord(&pool->entries[i]);
  checkReadOnlyRecord(image_->sharedChars, {});
  // The image's tables: well-known symbols and the runs of both hashes.
  const VmWord* wellKnown = vsWord_toPointer<VmWord>(image_->wellKnownSymbols);
  for (uint32_t i = 0; i < image_->wellKnownCount; ++i) checkReadOnlyWord(&wellKnown[i]);
  const RomStringTable* strings = vsWord_toPointer<RomStringTable>(image_->stringHash);
  for (VmWord p = strings->starts[0]; p < strings->starts[strings->bucketCount]; p += 4)
    checkReadOnlyWord(vsWord_toPointer<VmWord>(p));
}

void Checker::checkStrings() {
  const CharArray* chars = vsRef_as<CharArray>(image_->sharedChars);
  const ClassRecord* stringClass = vsRoot_as<ClassRecord>(kRootString);
  const RomStringTable* hash = vsWord_toPointer<RomStringTable>(image_->stringHash);
  uint32_t offset = 0;
  for (uint32_t i = 0; i < image_->stringCount; ++i) {
    StringPair pair;
    __builtin_memcpy(&pair, vsWord_toPointer<const uint8_t>(image_->stringTable) + 4 * i, sizeof pair);
    offset += pair.step;
    if (offset + pair.length > static_cast<uint32_t>(chars->length)) {
      fault("string table: string %u (offset %u, length %u) runs past the shared characters", i, offset,
            pair.length);
      return;
    }
    const VmRef address = image_->writableArea + image_->blockSize + kStringInstanceBytes * i;
    const StringObject* s = vsRef_as<StringObject>(address);
    if (s->header != stringClass->protoNear.raw || s->value != image_->sharedChars ||
        s->offset != static_cast<int32_t>(offset) || s->count != pair.length) {
      fault("string table: string %u differs from its pair (offset %u, length %u)", i, offset, pair.length);
      continue;
    }
    uint32_t h = 0;
    for (uint32_t c = 0; c < pair.length; ++c) h = 31 * h + chars->elements[offset + c];
    const uint32_t b = h % hash->bucketCount;
    bool found = false;
    for (VmWord p = hash->starts[b]; p < hash->starts[b + 1] && !found; p += 4)
      found = *vsWord_toPointer<VmWord>(p) == address;
    if (!found) fault("string hash: string %u is not in bucket %u", i, b);
  }
}

void Checker::checkSymbols() {
  const RomSymbolTable* hash = vsWord_toPointer<RomSymbolTable>(image_->symbolHash);
  const ConstantPool* pool = vsWord_toPointer<ConstantPool>(image_->mergedPool);
  const VmWord first = image_->mergedPool + kPoolEntriesOffset;
  const VmWord end = first + 4 * pool->count;
  for (uint32_t b = 0; b < hash->bucketCount; ++b) {
    if (hash->starts[b] < first || hash->starts[b] > hash->starts[b + 1] || hash->starts[b + 1] > end) {
      fault("symbol hash: bucket %u lies outside the merged pool", b);
      return;
    }
    for (VmWord p = hash->starts[b]; p < hash->starts[b + 1]; p += 4) {
      const VmRef s = *vsWord_toPointer<VmWord>(p);
      if (!inRange(s, image_->symbolArea[0], image_->symbolArea[1] - image_->symbolArea[0])) {
        fault("symbol hash: entry at %08x is no image symbol", p);
        continue;
      }
      const VmSymbol* symbol = vsRef_as<VmSymbol>(s);
      if (vsSymbol_hash(symbol->bytes, symbol->length) % hash->bucketCount != b)
        fault("symbol hash: \"%.*s\" lies in bucket %u", symbol->length, reinterpret_cast<const char*>(symbol->bytes),
              b);
    }
  }
  // Every symbol is a symbol entry of the merged pool, inside the runs.
  const uint8_t* tags = vsRef_as<uint8_t>(pool->tags) + kArrayElementsOffset;
  uint32_t entries = 0;
  for (uint32_t i = 1; i < pool->count; ++i) entries += tags[i] == kTagUtf8 ? 1 : 0;
  const uint32_t inRuns = (hash->starts[hash->bucketCount] - hash->starts[0]) / 4;
  if (entries != inRuns)
    fault("symbol hash: its runs hold %u symbols, the merged pool %u symbol entries", inRuns, entries);
  for (uint32_t id = 0; id < vsImage_state.classIdCount; ++id) {
    const ClassRecord* cls = vsClass_byId(id);
    const VmSymbol* name = cls != nullptr ? vsClass_name(cls) : nullptr;
    if (name != nullptr && vsSymbol_intern(name->bytes, name->length, true) != vsRef_of(name))
      fault("symbol hash: the name of class %u is not found", id);
  }
  const VmWord* wellKnown = vsWord_toPointer<VmWord>(image_->wellKnownSymbols);
  for (uint32_t i = 0; i < image_->wellKnownCount; ++i) {
    const VmSymbol* symbol = vsRef_as<VmSymbol>(wellKnown[i]);
    if (symbol == nullptr || vsSymbol_intern(symbol->bytes, symbol->length, true) != wellKnown[i])
      fault("symbol hash: well-known symbol %u is not found", i);
  }
}

void Checker::checkMethod(const ClassRecord* cls, const MethodRecord* m) {
  const VmSymbol* className = vsClass_name(cls);
  const int nameLength = className != nullptr ? className->length : 0;
  const char* name = className != nullptr ? reinterpret_cast<const char*>(className->bytes) : "";
  const VmRef method = vsRef_of(m);
  if (vsMethodEntry_kindOfWord(*m->entryWord.get()) < 0)
    fault("method of %.*s at %08x: entry word %08x is no entry record", nameLength, name, method, *m->entryWord.get());
  const ConstantPool* pool = vsWord_toPointer<ConstantPool>(image_->mergedPool);
  const uint8_t* tags = vsRef_as<uint8_t>(pool->tags) + kArrayElementsOffset;
  std::vector<bool> starts(m->codeLength, false);
  bool branches = false;
  uint32_t bci = 0;
  while (bci < m->codeLength) {
    const uint8_t op = m->code[bci];
    starts[bci] = true;
    branches = branches || (op >= kOpIfeq && op <= kOpLookupswitch) || op == kOpIfnull || op == kOpIfnonnull ||
               op == kOpGotoW;
    const int32_t length = vsBytecodes_lengthAt(&method, bci);
    if (length <= 0 || length == kLengthNotAllowed || bci + static_cast<uint32_t>(length) > m->codeLength) {
      fault("method of %.*s at %08x: code does not walk to its end (opcode %u at %u)", nameLength, name, method, op,
            bci);
      return;
    }
    switch (op) {
      case kOpLdc: case kOpLdcW: case kOpLdc2W: case kOpGetfield: case kOpPutfield: case kOpInvokevirtual:
      case kOpInvokespecial: case kOpInvokeinterface: case kOpAnewarray: case kOpCheckcast: case kOpInstanceof:
        fault("method of %.*s at %08x: slow opcode %u left at %u", nameLength, name, method, op, bci);
        break;
      default:
        break;
    }
    bool wide = true;
    uint32_t lowTag = 0, highTag = 0, otherTag = 0;
    switch (op) {
      case kOpLdcFast:
        wide = false;
        [[fallthrough]];
      case kOpLdcWFast:
        lowTag = kTagInt, highTag = kTagFloat, otherTag = kTagResolvedString;
        break;
      case kOpLdc2WFast:
        lowTag = kTagLong, highTag = kTagDouble;
        break;
      case kOpGetstatic: case kOpPutstatic:
        lowTag = uint32_t{kTagResolvedFieldBase} + kTypeBoolean, highTag = uint32_t{kTagResolvedFieldBase} + kTypeArray;
        break;
      case kOpInvokestatic:
        lowTag = highTag = kTagBoundMethod;
        break;
      case kOpNew: case kOpAnewarrayFast: case kOpCheckcastFast: case kOpInstanceofFast:
        lowTag = highTag = kTagResolvedClass;
        break;
      case kOpInvokevirtualFast: case kOpInvokesuperFast:
        lowTag = uint32_t{kTagResolvedVirtualBase} + kTypeBoolean, highTag = uint32_t{kTagResolvedVirtualBase} + kTypeVoid;
        otherTag = kTagRedirectedVirtual;
        break;
      case kOpInvokedirectFast:
        lowTag = highTag = kTagBoundMethod, otherTag = kTagRedirectedDirect;
        break;
      case kOpInvokeinterfaceFast:
        lowTag = uint32_t{kTagResolvedInterfaceBase} + kTypeBoolean, highTag = uint32_t{kTagResolvedInterfaceBase} + kTypeVoid;
        break;
      default:
        break;
    }
    if (lowTag != 0) {
      const uint32_t index = wide ? (m->code[bci + 1] << 8 | m->code[bci + 2]) : m->code[bci + 1];
      if (index == 0 || index >= pool->count) {
        fault("method of %.*s at %08x: pool index %u out of range at %u", nameLength, name, method, index, bci);
      } else {
        const uint32_t tag = tags[index];
        if ((tag < lowTag || tag > highTag) && tag != otherTag)
          fault("method of %.*s at %08x: pool entry %u has tag %u for opcode %u", nameLength, name, method, index,
                tag, op);
      }
    }
    bci += static_cast<uint32_t>(length);
  }
  // A method without code has no frame to type; a native's maxStack and
  // maxLocals may even hold its function's address.
  if (m->codeLength != 0) checkMaps(name, nameLength, m, starts, branches);
}

// A method with a branch, a switch or a handler has a compact map whose
// entries rise strictly and lie at instruction starts; the tag simulator
// answers at every instruction start with a top inside the frame and
// without allocating.
void Checker::checkMaps(const char* name, int nameLength, const MethodRecord* m, const std::vector<bool>& starts,
                        bool branches) {
  const VmRef method = vsRef_of(m);
  const VmRef handlers = vsMethod_exceptionTable(m);
  const bool needsMap = branches || (handlers != 0 && vsRef_as<ShortArray>(handlers)->length > 0);
  const VmRef map = vsMethod_stackmap(m);
  if (map != 0 && vsObject_kind(map) != kKindStackMap) {
    fault("method of %.*s at %08x: stack map %08x is no compact map", nameLength, name, method, map);
    return;
  }
  if (map == 0) {
    if (needsMap) fault("method of %.*s at %08x: branches or handlers without a stack map", nameLength, name, method);
  } else {
    const CountedRecord* entries = vsRef_as<CountedRecord>(map);
    for (uint32_t i = 0; i < entries->count; ++i) {
      const uint32_t at = vsStackMap_bci(entries, i);
      if (at >= m->codeLength || !starts[at])
        fault("method of %.*s at %08x: map entry %u at %u is no instruction start", nameLength, name, method, i, at);
      else if (i > 0 && at <= vsStackMap_bci(entries, i - 1))
        fault("method of %.*s at %08x: map entry %u at %u does not follow %u", nameLength, name, method, i, at,
              vsStackMap_bci(entries, i - 1));
    }
  }
  const uint32_t frame = uint32_t{m->maxLocals} + m->maxStack;
  if (!vsStackMap_ensureTagArray(frame)) {
    fault("method of %.*s at %08x: no room for a tag array of %u slots", nameLength, name, method, frame);
    return;
  }
  VmHandle methodHandle, mapHandle;
  vsHandle_push(&methodHandle, method);
  vsHandle_push(&mapHandle, map);
  const VmWord top = vsVmGlobals.allocationTop;
  for (uint32_t at = 0; at < m->codeLength; ++at) {
    if (!starts[at]) continue;
    vsTagStackClosure closure(&methodHandle.object);
    const VmRef tags = vsTagStackClosure_computeTagsAt(&closure, &mapHandle.object, at);
    if (tags == 0 || closure.top < m->maxLocals || closure.top > frame) {
      fault("method of %.*s at %08x: the tag simulator gives %u slots at %u (locals %u, frame %u)", nameLength, name,
            method, closure.top, at, m->maxLocals, frame);
      break;
    }
    if (vsVmGlobals.allocationTop != top) {
      fault("method of %.*s at %08x: the tag simulator allocated at %u", nameLength, name, method, at);
      break;
    }
  }
  vsHandle_close(&mapHandle);
  vsHandle_close(&methodHandle);
}

void Checker::checkClass(uint32_t id, const ClassRecord* cls) {
  const ClassInfo* info = cls->classInfo.get();
  if (info == nullptr || info->classId != id) {
    fault("class table: slot %u holds class id %u", id, info != nullptr ? info->classId : 0xffffu);
    return;
  }
  for (uint32_t i = 0; i < info->vtableLength; ++i)
    if (info->vtable[i] != 0 && !isMethodRecord(info->vtable[i])) fault("class %u: virtual-table entry %u is no method record", id, i);
  const VmWord* pairs = &info->vtable[info->vtableLength];
  for (uint32_t i = 0; i < info->itableLength; ++i) {
    const ClassRecord* iface = vsClass_byId(pairs[2 * i]);
    const uint32_t offset = pairs[2 * i + 1];
    const VmRef methods = iface != nullptr ? vsClass_methods(iface) : 0;
    const uint32_t n = methods != 0 ? static_cast<uint32_t>(vsRef_as<ObjectArray>(methods)->length) : 0;
    // The method block of an interface without methods is empty: when it
    // comes last, its offset is the record's end.
    if (iface == nullptr || offset % 4 != 0 || offset < kClassInfoFixedBytes || offset > info->recordSize ||
        n > (info->recordSize - offset) / 4) {
      fault("class %u: interface-table pair %u is broken", id, i);
      continue;
    }
    const VmWord* table = vsWord_toPointer<VmWord>(vsRef_of(info) + offset);
    for (uint32_t k = 0; k < n; ++k)
      if (table[k] != 0 && !isMethodRecord(table[k]))
        fault("class %u: interface-table entry %u of pair %u is no method record", id, k, i);
  }
  if (cls->instanceKind < 0 || info->methods == 0) return;
  const ObjectArray* methods = vsRef_as<ObjectArray>(info->methods);
  for (int32_t i = 0; i < methods->length; ++i)
    if (methods->elements[i] != 0) checkMethod(cls, vsRef_as<MethodRecord>(methods->elements[i]));
}

void Checker::checkClassTable() {
  const ObjectArray* table = vsRoot_as<ObjectArray>(kRootClassTable);
  if (table == nullptr || vsImage_state.classIdCount > static_cast<uint32_t>(table->length)) {
    fault("class table: shorter than the %u class ids", vsImage_state.classIdCount);
    return;
  }
  for (uint32_t id = 0; id < vsImage_state.classIdCount; ++id) {
    const VmRef cls = table->elements[id];
    if (cls == 0)
      fault("class table: slot %u is empty", id);
    else
      checkClass(id, vsRef_as<ClassRecord>(cls));
  }
}

void Checker::checkEntryTable() {
  const VmWord* entries = vsWord_toPointer<VmWord>(image_->entryTable);
  for (uint32_t i = 0; i < image_->entrySize / 4; ++i)
    if (vsMethodEntry_kindOfWord(entries[i]) < 0) fault("entry table: word %u (%08x) is no entry record", i, entries[i]);
}

// What each root of the image holds.
enum class RootRule : uint8_t { Null, Kind, PrimitiveArrayClass, NamedClass, ObjectArrayClass, Object,
                                ObjectArray, EmptyObjectArray, EmptyShortArray, OutOfMemory, Monitor, NullOrObject };

struct RootExpectation {
  RootRule rule;
  int32_t value;  // kind, basic type or well-known slot
};

RootExpectation expectation(int root) {
  if (root == kRootClassOfKinds) return {RootRule::Kind, kKindClassOfKind};
  if (root == kRootTypeArrayClassKind) return {RootRule::Kind, kKindTypeArrayClass};
  if (root == kRootObjectArrayClassKind) return {RootRule::Kind, kKindObjectArrayClass};
  if (root == kRootInstanceClassKind) return {RootRule::Kind, kKindInstanceClass};
  if (root >= kRootBooleanArray && root <= kRootLongArray) return {RootRule::PrimitiveArrayClass, root};
  for (const KindInfo& k : kKindTable)
    if (k.root == root && ((root >= kRootMethodClass && root <= kRootStackChunkClass) ||
                           (root >= kRootCompiler40Class && root <= kRootCompiler32Class)))
      return {RootRule::Kind, k.kind};
  switch (root) {
    case kRootImageClassTable: return {RootRule::ObjectArray, 0};
    case kRootFieldTypeSymbolHeader: case kRootSignatureSymbolHeader: return {RootRule::Object, 0};
    case kRootObject: return {RootRule::NamedClass, kSymJavaLangObject};
    case kRootSystem: return {RootRule::NamedClass, kSymJavaLangSystem};
    case kRootThread: return {RootRule::NamedClass, kSymJavaLangThread};
    case kRootThrowable: return {RootRule::NamedClass, kSymJavaLangThrowable};
    case kRootMath: return {RootRule::NamedClass, kSymJavaLangMath};
    case kRootObjectArray: return {RootRule::ObjectArrayClass, 0};
    case kRootString: return {RootRule::NamedClass, kSymJavaLangString};
    case kRootClass: return {RootRule::NamedClass, kSymJavaLangClass};
    case kRootI18nHelper: return {RootRule::NamedClass, kSymI18nHelper};
    case kRootClassPath: case kRootLoadedClassTable: case kRootWaitingRecords: return {RootRule::NullOrObject, 0};
    case kRootMonitorSentinel: return {RootRule::Monitor, 0};
    case kRootEmptyObjectArray: return {RootRule::EmptyObjectArray, 0};
    case kRootEmptyExceptionTable: return {RootRule::EmptyShortArray, 0};
    case kRootOutOfMemoryError: return {RootRule::OutOfMemory, 0};
    case kRootInternTable: case kRootSymbolTable: case kRootClassTable: return {RootRule::ObjectArray, 0};
    default: return {RootRule::Null, 0};
  }
}

int32_t recordKind(VmRef r) { return vsRef_as<ClassRecord>(r)->instanceKind; }

bool rootHolds(VmRef r, RootExpectation e) {
  switch (e.rule) {
    case RootRule::Null: return r == 0;
    case RootRule::NullOrObject: return true;
    case RootRule::Object: return r != 0;
    case RootRule::Kind: return r != 0 && recordKind(r) == e.value;
    case RootRule::PrimitiveArrayClass:
      return r != 0 && vsObject_kind(r) == kKindTypeArrayClass &&
             vsRef_as<ClassRecord>(r)->classInfo->methods == static_cast<VmWord>(e.value);
    case RootRule::NamedClass:
      return r != 0 && vsObject_kind(r) == kKindInstanceClass &&
             vsRef_of(vsClass_name(vsRef_as<ClassRecord>(r))) == vsWellKnown_symbol(static_cast<WellKnown>(e.value));
    case RootRule::ObjectArrayClass:
      return r != 0 && vsObject_kind(r) == kKindObjectArrayClass &&
             vsRef_as<ClassRecord>(r)->elementOrLink == vsRoot(kRootObject);
    case RootRule::ObjectArray: return r != 0 && vsObject_kind(r) == kKindObjectArray;
    case RootRule::EmptyObjectArray:
      return r != 0 && vsObject_kind(r) == kKindObjectArray && vsRef_as<ArrayObject>(r)->length == 0;
    case RootRule::EmptyShortArray:
      return r != 0 && vsObject_class(r) == vsRoot_as<ClassRecord>(kRootShortArray) &&
             vsRef_as<ArrayObject>(r)->length == 0;
    case RootRule::OutOfMemory:
      return r != 0 && vsObject_kind(r) >= 0 &&
             vsRef_of(vsClass_name(vsObject_class(r))) == vsWellKnown_symbol(kSymOutOfMemoryError);
    case RootRule::Monitor: return r != 0 && vsObject_kind(r) == kKindMonitor;
  }
  return false;
}

void Checker::checkRoots() {
  for (int root = 0; root < static_cast<int>(kImageRootCount); ++root)
    if (!rootHolds(vsPersistentRoots[root], expectation(root)))
      fault("roots: root %d (%08x) is not as listed", root, vsPersistentRoots[root]);
}

ImageCheckCounts Checker::run() {
  if (const char* word = vsImage_layoutFault(image_)) fault("size words: the %s disagrees with the descriptor", word);
  checkHeapPart();
  checkWritableArea();
  checkReadOnlyPart();
  checkStrings();
  checkSymbols();
  checkRoots();
  checkClassTable();
  checkEntryTable();
  if (counts_.faults == 0)
    vsOutputStream_printLine(out_, "image ok: %u objects, %u references", counts_.objects, counts_.references);
  return counts_;
}

}  // namespace

ImageCheckCounts vsImage_check(const ImageDescriptor* image, const VsOutputStream* out) {
  Checker checker(image, out);
  return checker.run();
}
