// Reference words of records and the writable-area walk (see image_walk.h).
#include "vm/core/image/image_walk.h"

#include <algorithm>

#include "vm/core/image/image_bounds.h"
#include "vm/core/memory/compiled_code.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/threads/thread_record.h"
#include "vm/core/model/vm_globals.h"

VS_VMBSS(ImageState) vsImage_state = {};

namespace {

// Decodes a map in the collector's encoding from word `at`; returns the
// byte after its end byte.
const uint8_t* visitMap(const uint8_t* map, VmWord* words, uint32_t at, VsWordVisitor fn, void* context) {
  for (; *map != 0; ++map) {
    if (*map == 255) {
      at += 254;
      continue;
    }
    at += *map;
    fn(&words[at], context);
  }
  return map + 1;
}

const uint8_t* skipMap(const uint8_t* map) {
  while (*map != 0) ++map;
  return map + 1;
}

void visitPoolEntries(ConstantPool* pool, VsWordVisitor fn, void* context) {
  if (pool->tags == 0) return;
  const ByteArray* tags = vsRef_as<ByteArray>(pool->tags);
  const uint32_t n = std::min<uint32_t>(pool->count, static_cast<uint32_t>(tags->length));
  for (uint32_t i = 0; i < n; ++i)
    if (vsPoolTag_holdsReference(static_cast<uint8_t>(tags->elements[i]))) fn(&pool->entries[i], context);
}

// Methods, local interfaces, fields and pool, the virtual table, then the
// interfaces' method tables behind the interface-table pairs.
void visitClassInfo(ClassInfo* info, VsWordVisitor fn, void* context) {
  if ((info->accessFlags & kClassArray) != 0) return;
  fn(&info->methods, context);
  fn(&info->localInterfaces, context);
  fn(&info->fields, context);
  fn(reinterpret_cast<VmWord*>(&info->constantPool), context);
  for (uint32_t i = 0; i < info->vtableLength; ++i) fn(&info->vtable[i], context);
  const uint32_t first = info->vtableLength + 2u * info->itableLength;
  const uint32_t words = (info->recordSize - kClassInfoFixedBytes) / 4;
  for (uint32_t i = first; i < words; ++i) fn(&info->vtable[i], context);
}

// A chunk's owner, and the owner's frames while it still runs on the chunk.
void visitStackChunk(StackChunk* chunk, VsWordVisitor fn, void* context) {
  fn(&chunk->owner, context);
  const VmRef owner = chunk->owner;
  if (owner != 0 && vsRef_as<ThreadRecord>(owner)->stackChunk == vsRef_of(chunk))
    vsThreadStack_visitRoots(owner, fn, context);
}

// The long entries of a compressed stack map (bit 0 clear) refer to their
// short[]; short entries keep their bits in the word itself.
void visitStackMap(CountedRecord* map, VsWordVisitor fn, void* context) {
  for (uint32_t i = 0; i < map->count; ++i)
    if ((map->words[i] & 1) == 0) fn(&map->words[i], context);
}

// A method's entry word when it holds compiled code (an address inside the
// Java heap); interpreter entries lie in the program.
void visitCompiledEntry(MethodRecord* method, VsWordVisitor fn, void* context) {
  VmWord* entry = method->entryWord.get();
  const VmGlobals& g = vsVmGlobals;
  if (*entry - g.heapLow < g.heapHigh - g.heapLow) fn(entry, context);
}

}  // namespace

void vsObject_visitReferences(VmRef object, const ClassRecord* cls, VsWordVisitor fn, void* context) {
  VmWord* words = vsRef_as<VmWord>(object);
  const int32_t kind = cls->instanceKind;
  if (kind >= 0) {
    visitMap(vsRef_as<uint8_t>(vsRef_of(cls)) + cls->oopMap, words, 0, fn, context);
    return;
  }
  if (kind < kLowestKind) return;
  if (kind == kKindObjectArray) {
    const uint32_t n = words[1];
    for (uint32_t i = 0; i < n; ++i) fn(&words[2 + i], context);
    return;
  }
  // The kind's own step comes before its map, so that a step that reads a
  // reference word (a pool's tag array) reads it before a visitor rewrites it.
  if (kind == kKindInstanceClass) {
    const ClassRecord* record = vsRef_as<ClassRecord>(object);
    const uint8_t* statics = skipMap(vsRef_as<uint8_t>(object) + record->oopMap);
    visitMap(statics, words, 0, fn, context);
  } else if (kind == kKindArgumentBlock) {
    ArgumentBlock* block = vsRef_as<ArgumentBlock>(object);
    for (uint32_t i = 0; i < block->count; ++i)
      if (block->entries[i].type == kArgumentTypeReference) fn(&block->entries[i].value, context);
  } else if (kind == kKindConstantPool) {
    visitPoolEntries(vsRef_as<ConstantPool>(object), fn, context);
  } else if (kind == kKindClassInfo) {
    visitClassInfo(vsRef_as<ClassInfo>(object), fn, context);
  } else if (kind == kKindStackChunk) {
    visitStackChunk(vsRef_as<StackChunk>(object), fn, context);
  } else if (kind == kKindStackMap) {
    visitStackMap(vsRef_as<CountedRecord>(object), fn, context);
  } else if (kind == kKindMethod) {
    visitCompiledEntry(vsRef_as<MethodRecord>(object), fn, context);
  } else if (kind == kKindCompiledCode) {
    jitReloc_forEachReference(object, fn, context);
  }
  const KindInfo& info = vsKind_info(kind);
  for (int i = 0; i < info.referenceWordCount; ++i) fn(&words[info.referenceWords[i]], context);
}

void vsImage_visitRoots(VsWordVisitor fn, void* context) {
  // With the headers: a record of the area that was hashed has a near
  // record of its own in the heap. The block's walk visits the String
  // class word.
  const bool block = vsImage_state.blockSize != 0;
  if (vsImage_bounds.writableSize != 0) vsImage_walkWritableArea(fn, context, block, true);
  if (!block) fn(&vsImage_state.stringClass, context);
}

int32_t vsImage_walkWritableArea(VsWordVisitor fn, void* context, bool headers, bool fields) {
  const VmWord start = vsImage_bounds.writableStart;
  const VmWord end = start + (vsImage_bounds.writableSize & ~uint32_t{3});
  const VmWord blockEnd = start + vsImage_state.blockSize;
  int32_t objects = 0;
  VmWord at = start;
  while (at < end) {
    VmRef cls;
    if (at < blockEnd) {
      VmWord* classWord = vsWord_toPointer<VmWord>(at);
      cls = *classWord;
      if (headers) fn(classWord, context);
      at += 4;
      // The block's last word: the String class for the rest of the area.
      if (at == blockEnd) {
        if (headers) fn(&vsImage_state.stringClass, context);
        continue;
      }
    } else {
      cls = vsImage_state.stringClass;
    }
    if (cls == 0) return -1;
    const ClassRecord* record = vsRef_as<ClassRecord>(cls);
    const uint32_t size = vsJavaHeap_objectSizeOfClass(at, record);
    if (size == 0 || size > end - at) return -1;
    if (headers) fn(vsWord_toPointer<VmWord>(at), context);
    if (fields) vsObject_visitReferences(at, record, fn, context);
    at += size;
    ++objects;
  }
  if (fields) {
    VmWord* entries = vsWord_toPointer<VmWord>(vsImage_state.entryTable);
    const VmGlobals& g = vsVmGlobals;
    for (uint32_t i = 0; i < vsImage_state.entrySize / 4; ++i)
      if (entries[i] - g.heapLow < g.heapHigh - g.heapLow) fn(&entries[i], context);
  }
  return objects;
}
