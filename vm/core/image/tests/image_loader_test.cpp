// Loading a small class image: copies, relocation, the words the VM keeps,
// the layout checks and the writable-area walk.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/image/image_bounds.h"
#include "vm/core/image/image_loader.h"
#include "vm/core/image/image_walk.h"
#include "vm/core/image/tests/synthetic_image.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/gc_marking.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/java_heap.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"
#include "tests/core/exception_double.h"

namespace {

class ImageLoaderTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    image_ = vsTestImage_build();
  }
  void TearDown() override {
    vsImage_unload();
    HeapTest::TearDown();
  }

  const ImageDescriptor& d() const { return *image_.descriptor; }
  VmWord* imageWord(VmWord address) { return vsWord_toPointer<VmWord>(address); }
  // Where an image heap-part address lands after a load at `copy`.
  VmWord copied(VmWord imageAddress) const { return imageAddress - d().heapPart + copy_; }
  int32_t load() {
    copy_ = vsVmGlobals.allocationTop;
    return vsImage_load(image_.descriptor);
  }
  const StringObject* string(uint32_t i) const {
    return vsWord_toPointer<StringObject>(d().writableArea + d().blockSize + kStringInstanceBytes * i);
  }

  SyntheticImage image_{};
  VmWord copy_ = 0;
};

TEST_F(ImageLoaderTest, CopiesAndRelocatesTheHeapPart) {
  ASSERT_EQ(load(), kImageLoaded);
  EXPECT_EQ(vsVmGlobals.allocationEnd, vsVmGlobals.heapHigh);
  EXPECT_GE(vsVmGlobals.allocationTop, copy_ + d().heapSize);

  const ObjectArray* pair = vsWord_toPointer<ObjectArray>(copied(image_.pairArray));
  const ObjectArray* other = vsWord_toPointer<ObjectArray>(copied(image_.otherArray));
  EXPECT_EQ(pair->elements[0], copied(image_.otherArray));
  EXPECT_EQ(pair->elements[1], d().sharedChars) << "a read-only address keeps its value";
  EXPECT_EQ(other->elements[0], copied(image_.pairArray));
  // A static of an instance class record, found through its static map.
  EXPECT_EQ(*vsWord_toPointer<VmWord>(copied(image_.mathClass) + kFirstStaticOffset), copied(image_.pairArray));
  // Headers: of an instance class record (read-only), of an instance (heap).
  const ClassRecord* math = vsWord_toPointer<ClassRecord>(copied(image_.mathClass));
  EXPECT_EQ(math->header, vsRef_of(vsRoot_as<ClassRecord>(kRootInstanceClassKind)->protoNear.get()));
  EXPECT_EQ(math->protoNear->classRecord.get(), math);
  EXPECT_EQ(vsRef_as<ObjectHeader>(vsRoot(kRootOutOfMemoryError))->near->classRecord.get()->instanceKind, 12);
  // The image's own copy is untouched.
  EXPECT_EQ(vsWord_toPointer<ObjectArray>(image_.pairArray)->elements[0], image_.otherArray);
}

TEST_F(ImageLoaderTest, RelocatesRootsAndTheWritableArea) {
  ASSERT_EQ(load(), kImageLoaded);
  const VmWord* imageRoots = imageWord(d().roots);
  for (int r = 0; r < static_cast<int>(kImageRootCount); ++r) {
    if (r == kRootSymbolTable || r == kRootInternTable) continue;
    const VmWord w = imageRoots[r];
    const bool inHeapPart = w - d().heapPart < d().heapSize;
    EXPECT_EQ(vsPersistentRoots[r], inHeapPart ? copied(w) : w) << "root " << r;
  }
  for (int r = static_cast<int>(kImageRootCount); r < kRootCount; ++r) EXPECT_EQ(vsPersistentRoots[r], 0u);
  EXPECT_EQ(vsWellKnown_symbol(kSymMain), imageWord(d().wellKnownSymbols)[kSymMain]);
  // Object[]'s class record lies in the writable area; its element class,
  // a heap-part record, was relocated there.
  const ClassRecord* objectArray = vsRoot_as<ClassRecord>(kRootObjectArray);
  EXPECT_TRUE(vsImage_isInWritableArea(vsRoot(kRootObjectArray)));
  EXPECT_EQ(objectArray->elementOrLink, vsRoot(kRootObject));
  EXPECT_EQ(vsImage_state.stringClass, vsRoot(kRootString));
  EXPECT_EQ(*vsWord_toPointer<VmWord>(d().writableArea + d().blockSize - 4), vsRoot(kRootString));
  EXPECT_EQ(vsRoot_as<ClassRecord>(kRootString)->protoNear.raw, string(0)->header);
}

TEST_F(ImageLoaderTest, RelocatesTheReferenceWordsOfTheVmGlobals) {
  // A reference word that already names the heap part moves with it; the
  // other words of the block keep their values.
  vsVmGlobals.currentThread = image_.pairArray;
  vsVmGlobals.pendingException = d().sharedChars;
  vsVmGlobals.nativeParameterPointer = image_.pairArray;
  ASSERT_EQ(load(), kImageLoaded);
  EXPECT_EQ(vsVmGlobals.currentThread, copied(image_.pairArray));
  EXPECT_EQ(vsVmGlobals.pendingException, d().sharedChars);
  EXPECT_EQ(vsVmGlobals.nativeParameterPointer, image_.pairArray);
  vsVmGlobals.currentThread = vsVmGlobals.pendingException = vsVmGlobals.nativeParameterPointer = 0;
}

TEST_F(ImageLoaderTest, BuildsTheStringsOfTheStringTable) {
  ASSERT_EQ(load(), kImageLoaded);
  // Pair 0 starts at its own step; each further pair adds its step.
  const int32_t offsets[] = {kSyntheticFirstStep, kSyntheticFirstStep + 5, kSyntheticFirstStep + 7};
  for (uint32_t i = 0; i < d().stringCount; ++i) {
    EXPECT_EQ(string(i)->value, d().sharedChars);
    EXPECT_EQ(string(i)->offset, offsets[i]) << i;
    EXPECT_EQ(string(i)->count, static_cast<int32_t>(std::strlen(kSyntheticStrings[i]))) << i;
  }
}

TEST_F(ImageLoaderTest, SetsTheWordsTheVmReads) {
  ASSERT_EQ(load(), kImageLoaded);
  EXPECT_EQ(vsImage_bounds.readOnlyStart, d().readOnly);
  EXPECT_EQ(vsImage_bounds.readOnlySize, d().readOnlySize);
  EXPECT_EQ(vsImage_bounds.writableStart, d().writableArea);
  EXPECT_EQ(vsImage_bounds.writableSize, d().writableSize);
  EXPECT_EQ(vsClassTable_count(), image_.classCount);
  EXPECT_EQ(vsVmGlobals.classTable, vsRoot(kRootClassTable) + kArrayElementsOffset);
  EXPECT_EQ(vsVmGlobals.mergedPool, d().mergedPool);
  EXPECT_EQ(vsMethodLookup_imageOption, 1u);
  EXPECT_EQ(vsSymbolTable_rom.raw, d().symbolHash);
  EXPECT_EQ(vsSymbolTable_imageArea[0], d().symbolArea[0]);
  EXPECT_EQ(vsSymbolTable_imageArea[1], d().symbolArea[1]);
  EXPECT_EQ(vsInternTable_rom.raw, d().stringHash);
  EXPECT_EQ(vsRoot_as<ObjectArray>(kRootSymbolTable)->length, kSymbolTableInitialLength);
  EXPECT_EQ(vsRoot_as<ObjectArray>(kRootInternTable)->length, kInternTableInitialLength);
  // The lookups find the image's own symbols and classes.
  EXPECT_EQ(vsSymbol_fromCString("java/lang/Thread", true), vsWellKnown_symbol(kSymJavaLangThread));
  EXPECT_EQ(vsClass_byId(0), vsRoot_as<ClassRecord>(kRootObject));
}

TEST_F(ImageLoaderTest, LookupOptionFollowsHeaderBitZero) {
  imageWord(d().header)[1] = 2;
  ASSERT_EQ(load(), kImageLoaded);
  EXPECT_EQ(vsMethodLookup_imageOption, 0u);
}

TEST_F(ImageLoaderTest, InternsToTheImageString) {
  ASSERT_EQ(load(), kImageLoaded);
  const VmWord top = vsVmGlobals.allocationTop;
  VmHandle symbol;
  vsHandle_push(&symbol, vsSymbol_fromCString("world", false));
  const VmWord afterSymbol = vsVmGlobals.allocationTop;
  EXPECT_EQ(vsJavaHeap_internString(&symbol.object), d().writableArea + d().blockSize + kStringInstanceBytes);
  EXPECT_EQ(vsVmGlobals.allocationTop, afterSymbol);
  EXPECT_GT(afterSymbol, top);
  vsHandle_close(&symbol);
}

TEST_F(ImageLoaderTest, HalfOpenHeapPartRange) {
  // The last word inside the part moves; the first word past it does not.
  ObjectArray* pair = vsWord_toPointer<ObjectArray>(image_.pairArray);
  pair->elements[2] = d().heapPart + d().heapSize;
  ASSERT_EQ(load(), kImageLoaded);
  EXPECT_EQ(vsWord_toPointer<ObjectArray>(copied(image_.pairArray))->elements[2], d().heapPart + d().heapSize);

  vsImage_unload();
  pair->elements[2] = d().heapPart + d().heapSize - 4;
  vsTestHeap_dropAbove(copy_);
  ASSERT_EQ(load(), kImageLoaded);
  EXPECT_EQ(vsWord_toPointer<ObjectArray>(copied(image_.pairArray))->elements[2], copied(d().heapPart + d().heapSize - 4));
}

TEST_F(ImageLoaderTest, EntryWordsPassUnchanged) {
  // Even an entry word that happens to equal a heap-part address is code.
  imageWord(d().entryWords)[1] = d().heapPart + 8;
  ASSERT_EQ(load(), kImageLoaded);
  const VmWord* entries = vsWord_toPointer<VmWord>(d().entryTable);
  EXPECT_EQ(entries[0], imageWord(d().entryWords)[0]);
  EXPECT_EQ(entries[1], d().heapPart + 8);
}

TEST_F(ImageLoaderTest, FreeMemoryMustExceedTheHeapPart) {
  // After a full collection a live byte array fills the Java part up to
  // `end`, so that the collections of a failing allocation cannot make
  // room, and the native area keeps its space.
  VmGlobals& g = vsVmGlobals;
  vsJavaHeap.fixed = 0;
  vsGC_requestFullCollection();
  vsGC_collect(0);
  const VmWord start = g.allocationTop;
  VmHandle filler;
  vsHandle_pushEmpty(&filler);
  const auto fillTo = [&](VmWord end) {
    filler.object = 0;
    vsTestHeap_dropAbove(start);
    filler.object = vsJavaHeap_newByteArray(static_cast<int32_t>(end - start - 8));
    ASSERT_NE(filler.object, 0u);
    ASSERT_EQ(g.allocationTop, end);
  };
  fillTo(g.heapHigh - d().heapSize);
  ASSERT_EQ(vsJavaHeap_freeMemory(), d().heapSize);
  EXPECT_EQ(load(), kImageNoRoom);
  EXPECT_EQ(vsImage_bounds.readOnlySize, 0u) << "nothing was loaded";
  EXPECT_EQ(g.allocationTop, g.heapHigh - d().heapSize);

  // Four bytes more pass the check: the part is copied and relocated, and
  // only the heap tables then find no room. A load runs in the start-up
  // phase, where no collection runs (one that could not make room ends the
  // VM): here no collection may start during it either.
  fillTo(g.heapHigh - d().heapSize - 4);
  vsGC_state.inCollection = 1;
  EXPECT_EQ(load(), kImageNoRoom);
  vsGC_state.inCollection = 0;
  EXPECT_EQ(vsImage_bounds.readOnlySize, d().readOnlySize);
  EXPECT_EQ(vsRoot(kRootObject), copied(imageWord(d().roots)[kRootObject]));
  vsHandle_close(&filler);
  vsTestException_clear();
}

TEST_F(ImageLoaderTest, RefusesSizeWordsThatDisagree) {
  struct Case {
    VmWord address;
    const char* fault;
  };
  const VmWord sizes = d().writableBlock + d().blockSize;
  const Case cases[] = {
      {d().header, "header"},
      {d().readOnly + d().readOnlySize, "read-only size"},
      {sizes, "writable-area size"},
      {sizes + 4, "block size"},
      {sizes + 8, "heap size"},
      {sizes + 12, "word after the heap size"},
      {d().roots + d().rootsSize, "roots size"},
      {d().symbolHash, "string hash"},
      {d().classIdCount, "class-id count"},
      {d().stringTable + 4 * d().stringCount, "string count"},
      {d().entryWords + d().entrySize, "entry-table size"},
  };
  for (const Case& c : cases) {
    image_ = vsTestImage_build();
    // (A larger symbol bucket count would move the string hash.)
    *imageWord(c.address) += c.address == d().classIdCount ? 20000 : 4;
    EXPECT_STREQ(vsImage_layoutFault(image_.descriptor), c.fault);
    const VmWord top = vsVmGlobals.allocationTop;
    EXPECT_EQ(vsImage_load(image_.descriptor), kImageMalformed) << c.fault;
    EXPECT_EQ(vsVmGlobals.allocationTop, top) << c.fault;
  }
  image_ = vsTestImage_build();
  EXPECT_EQ(vsImage_layoutFault(image_.descriptor), nullptr);
}

struct Visits {
  std::vector<VmWord*> words;
};

void collect(VmWord* word, void* context) { static_cast<Visits*>(context)->words.push_back(word); }

TEST_F(ImageLoaderTest, WalksTheWritableArea) {
  ASSERT_EQ(load(), kImageLoaded);
  // Nine array classes with their nears, String's near, three Strings.
  Visits headers;
  EXPECT_EQ(vsImage_walkWritableArea(collect, &headers, true, false), 9 * 2 + 1 + 3);
  // Class words (19, the last one naming String), the kept String class
  // word, and the 22 headers.
  EXPECT_EQ(headers.words.size(), 19u + 1 + 1 + 22);
  EXPECT_EQ(headers.words[2 * 19 + 1], &vsImage_state.stringClass);

  Visits fields;
  vsImage_walkWritableArea(collect, &fields, false, true);
  // Each class record: 8 words; each near: its class info; each String: its value.
  EXPECT_EQ(fields.words.size(), 9u * 8 + 9 + 1 + 3);
  EXPECT_EQ(*fields.words.back(), d().sharedChars);

  // An entry word that holds a heap address (compiled code) is visited.
  VmWord* entries = vsWord_toPointer<VmWord>(d().entryTable);
  entries[1] = vsVmGlobals.heapLow + 64;
  Visits withCode;
  vsImage_walkWritableArea(collect, &withCode, false, true);
  ASSERT_EQ(withCode.words.size(), fields.words.size() + 1);
  EXPECT_EQ(withCode.words.back(), &entries[1]);
}

}  // namespace
