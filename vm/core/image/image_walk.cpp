// Reference words of records and the writable-area walk (see image_walk.h).
#include "vm/core/image/image_walk.h"

#include "vm/core/image/image_bounds.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/kinds.h"
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
  const KindInfo& info = vsKind_info(kind);
  for (int i = 0; i < info.referenceWordCount; ++i) fn(&words[info.referenceWords[i]], context);
  if (kind == kKindInstanceClass) {
    const ClassRecord* record = vsRef_as<ClassRecord>(object);
    const uint8_t* statics = skipMap(vsRef_as<uint8_t>(object) + record->oopMap);
    visitMap(statics, words, 0, fn, context);
  } else if (kind == kKindArgumentBlock) {
    ArgumentBlock* block = vsRef_as<ArgumentBlock>(object);
    for (uint32_t i = 0; i < block->count; ++i)
      if (block->entries[i].type == kArgumentTypeReference) fn(&block->entries[i].value, context);
  }
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
