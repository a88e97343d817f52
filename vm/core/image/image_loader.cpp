// Loading the class image (see image_loader.h).
#include "vm/core/image/image_loader.h"

#include <cstring>

#include "vm/core/image/image_bounds.h"
#include "vm/core/image/image_walk.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

const VmWord* word(VmWord address) { return vsWord_toPointer<const VmWord>(address); }

struct StringPair {
  uint16_t step;
  uint16_t length;
};

struct Relocation {
  VmWord imageHeap;
  uint32_t heapSize;
  uint32_t delta;
};

void relocate(VmWord* w, void* context) {
  const Relocation* r = static_cast<const Relocation*>(context);
  if (*w - r->imageHeap < r->heapSize) *w += r->delta;
}

bool writableBlockPresent(const ImageDescriptor* image) { return *word(image->readOnly + image->readOnlySize + 4) == 1; }

// Step 4's Strings: pair i's String starts at the sum of the steps of pairs
// 0..i, its own step included.
bool buildStrings(const ImageDescriptor* image) {
  const uint32_t room = image->writableSize - image->blockSize;
  if (image->stringCount > room / kStringInstanceBytes) return false;
  const ClassRecord* stringClass = vsRef_as<ClassRecord>(*word(image->writableBlock + image->blockSize - 4));
  const VmWord near = stringClass->protoNear.raw;
  StringObject* out = vsWord_toPointer<StringObject>(image->writableArea + image->blockSize);
  uint32_t offset = 0;
  for (uint32_t i = 0; i < image->stringCount; ++i) {
    StringPair pair;
    std::memcpy(&pair, vsWord_toPointer<const uint8_t>(image->stringTable) + 4 * i, sizeof pair);
    offset += pair.step;
    out[i].header = near;
    out[i].value = image->sharedChars;
    out[i].offset = static_cast<int32_t>(offset);
    out[i].count = pair.length;
  }
  return true;
}

// Relocates the copied heap part object by object; false when an object
// measures 0 or runs past the part.
bool relocateHeapPart(const ImageDescriptor* image, VmWord copy, Relocation* r) {
  uint32_t at = 0;
  while (at < image->heapSize) {
    const VmRef original = image->heapPart + at;
    const uint32_t size = vsJavaHeap_objectSize(original);
    if (size == 0 || size > image->heapSize - at) return false;
    const ClassRecord* cls = vsObject_class(original);
    relocate(vsWord_toPointer<VmWord>(copy + at), r);
    vsObject_visitReferences(copy + at, cls, relocate, r);
    at += size;
  }
  return true;
}

}  // namespace

const char* vsImage_layoutFault(const ImageDescriptor* image) {
  const VmWord* header = word(image->header);
  if (header[0] != 1 || header[3] != 0) return "header";
  if (image->readOnly != image->header + 4 * kImageHeaderWords) return "read-only part";
  const VmWord afterReadOnly = image->readOnly + image->readOnlySize;
  if (image->readOnlySize % 4 != 0 || *word(afterReadOnly) != image->readOnlySize) return "read-only size";
  if (image->heapPart != afterReadOnly + 8) return "heap part";
  if (image->heapSize % 4 != 0 || image->heapSize >= kImageMaxPartBytes ||
      image->readOnlySize >= kImageMaxPartBytes)
    return "part sizes";
  if (image->writableBlock != image->heapPart + image->heapSize) return "writable block";
  const VmWord* sizes = word(image->writableBlock + image->blockSize);
  if (image->blockSize % 4 != 0 || (image->blockSize == 0 && image->writableSize != 0)) return "block size";
  if (sizes[0] != image->writableSize) return "writable-area size";
  if (sizes[1] != image->blockSize) return "block size";
  if (sizes[2] != image->heapSize) return "heap size";
  if (sizes[3] != 0) return "word after the heap size";
  if (image->roots != image->writableBlock + image->blockSize + 16) return "roots";
  if (image->rootsSize != 4 * kImageRootCount || *word(image->roots + image->rootsSize) != image->rootsSize)
    return "roots size";
  if (image->wellKnownSymbols != image->roots + image->rootsSize + 4 || image->wellKnownCount != kWellKnownCount)
    return "well-known symbols";
  const uint32_t symbolBuckets = *word(image->symbolHash);
  if (image->symbolHash != image->wellKnownSymbols + 4 * image->wellKnownCount || symbolBuckets == 0)
    return "symbol hash";
  const uint32_t stringBuckets = *word(image->stringHash);
  if (image->stringHash != image->symbolHash + 4 + 4 * (symbolBuckets + 1) || stringBuckets == 0 ||
      word(image->stringHash)[1] != 0)
    return "string hash";
  if (image->packageList != image->stringHash + 8 + 4 * (stringBuckets + 1) || image->classIdCount < image->packageList)
    return "package list";
  const uint32_t ids = *word(image->classIdCount);
  if (ids == 0 || ids > kMaxClassIds) return "class-id count";
  if (image->stringTable != image->classIdCount + 4 || *word(image->stringTable + 4 * image->stringCount) != image->stringCount)
    return "string count";
  if (image->writableSize != 0 &&
      image->writableSize < image->blockSize + kStringInstanceBytes * image->stringCount)
    return "writable-area size";
  if (image->entryWords != image->stringTable + 4 * image->stringCount + 4 || image->entrySize % 4 != 0 ||
      *word(image->entryWords + image->entrySize) != image->entrySize)
    return "entry-table size";
  return nullptr;
}

int32_t vsImage_load(const ImageDescriptor* image) {
  if (vsImage_layoutFault(image) != nullptr) return kImageMalformed;
  VmGlobals& g = vsVmGlobals;
  // Step 1: strictly larger, and the copy must fit above the top in one run.
  if (vsJavaHeap_freeMemory() <= image->heapSize || g.heapHigh - g.allocationTop < image->heapSize)
    return kImageNoRoom;

  // Step 2.
  vsImage_bounds = {image->readOnly, image->readOnlySize, image->writableArea, image->writableSize};
  // Step 3: the young window reaches heap end, and the copy goes to the top.
  g.allocationEnd = g.heapHigh;
  const VmWord copy = g.allocationTop;
  vsImage_state = {image->entryTable, image->entrySize, 0, 0, 0, copy};
  std::memcpy(vsWord_toPointer<void>(copy), vsWord_toPointer<const void>(image->heapPart), image->heapSize);

  // Step 4.
  if (image->writableSize > 0 && writableBlockPresent(image)) {
    std::memcpy(vsWord_toPointer<void>(image->writableArea), vsWord_toPointer<const void>(image->writableBlock),
                image->blockSize);
    std::memcpy(vsWord_toPointer<void>(image->entryTable), vsWord_toPointer<const void>(image->entryWords),
                image->entrySize);
    if (!buildStrings(image)) return kImageMalformed;
    vsImage_state.blockSize = image->blockSize;
    vsImage_state.stringClass = *word(image->writableArea + image->blockSize - 4);
  }

  // Step 5.
  std::memcpy(vsPersistentRoots, vsWord_toPointer<const void>(image->roots), image->rootsSize);
  std::memcpy(vsWellKnownSymbols, vsWord_toPointer<const void>(image->wellKnownSymbols), 4 * kWellKnownCount);

  // Step 6.
  Relocation r{image->heapPart, image->heapSize, copy - image->heapPart};
  g.allocationTop = copy + (image->heapSize & ~uint32_t{3});

  // Step 7.
  if (!relocateHeapPart(image, copy, &r)) return kImageMalformed;
  for (VmRef& root : vsPersistentRoots) relocate(&root, &r);
  for (VmRef& symbol : vsWellKnownSymbols) relocate(&symbol, &r);
  for (VmWord VmGlobals::*w : kVmGlobalsReferenceWords) relocate(&(g.*w), &r);
  if (vsImage_state.blockSize != 0 && vsImage_walkWritableArea(relocate, &r, true, true) < 0) return kImageMalformed;

  // Step 8.
  vsRoot(kRootSymbolTable) = vsJavaHeap_newObjectArray(kSymbolTableInitialLength);
  if (vsRoot(kRootSymbolTable) == 0) return kImageNoRoom;
  vsRoot(kRootInternTable) = vsJavaHeap_newObjectArray(kInternTableInitialLength);
  if (vsRoot(kRootInternTable) == 0) return kImageNoRoom;

  // Step 9, with the words the lookups read.
  vsImage_state.classIdCount = *word(image->classIdCount);
  vsClassTable_setCount(vsImage_state.classIdCount);
  g.mergedPool = image->mergedPool;
  vsSymbolTable_rom = vsWord_toPointer<RomSymbolTable>(image->symbolHash);
  vsSymbolTable_imageArea[0] = image->symbolArea[0];
  vsSymbolTable_imageArea[1] = image->symbolArea[1];
  for (int i = 0; i < 2; ++i) {
    vsSymbolTable_imageFieldTypes[i] = image->fieldTypeSymbols[i];
    vsSymbolTable_imageSignatures[i] = image->signatureSymbols[i];
  }
  vsInternTable_rom = vsWord_toPointer<RomStringTable>(image->stringHash);
  vsMethodLookup_imageOption = word(image->header)[1] & kImageLookupOptionBit;
  return kImageLoaded;
}

void vsImage_unload() {
  vsImage_bounds = {};
  vsImage_state = {};
  vsSymbolTable_rom = nullptr;
  for (int i = 0; i < 2; ++i)
    vsSymbolTable_imageArea[i] = vsSymbolTable_imageFieldTypes[i] = vsSymbolTable_imageSignatures[i] = 0;
  vsSymbolTable_count = 0;
  vsInternTable_rom = nullptr;
  vsInternTable_count = 0;
  vsMethodLookup_imageOption = 0;
}
