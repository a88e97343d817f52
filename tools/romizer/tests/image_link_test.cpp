// The system image linked into a program: its descriptor describes the
// layout that the loader reads, and its read-only part cannot be written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "ce/substrate/vm_sections.h"
#include "vm/core/image/image_format.h"

namespace {

const ImageDescriptor& d() { return vsImage_descriptor; }

uint32_t wordAt(VmWord address) {
  uint32_t w;
  std::memcpy(&w, vsWord_toPointer<const void>(address), 4);
  return w;
}

TEST(LinkedImageTest, HeaderHoldsTheVersionAndTheLookupOption) {
  ASSERT_NE(d().header, 0u);
  EXPECT_EQ(wordAt(d().header), 1u);
  EXPECT_EQ(wordAt(d().header + 4) & kImageLookupOptionBit, kImageLookupOptionBit);
  EXPECT_EQ(wordAt(d().header + 8), kImageVersion);
  EXPECT_EQ(wordAt(d().header + 12), 0u);
  EXPECT_EQ(d().readOnly, d().header + 16);
}

// Every size word follows its part where the layout puts it.
TEST(LinkedImageTest, SizeWordsFollowTheirParts) {
  const VmWord afterReadOnly = d().readOnly + d().readOnlySize;
  EXPECT_EQ(wordAt(afterReadOnly), d().readOnlySize);
  EXPECT_EQ(wordAt(afterReadOnly + 4), 1u);
  EXPECT_EQ(d().heapPart, afterReadOnly + 8);
  EXPECT_EQ(d().writableBlock, d().heapPart + d().heapSize);
  const VmWord sizes = d().writableBlock + d().blockSize;
  EXPECT_EQ(wordAt(sizes), d().writableSize);
  EXPECT_EQ(wordAt(sizes + 4), d().blockSize);
  EXPECT_EQ(wordAt(sizes + 8), d().heapSize);
  EXPECT_EQ(wordAt(sizes + 12), 0u);
  EXPECT_EQ(d().roots, sizes + 16);
  EXPECT_EQ(d().rootsSize, 4 * kImageRootCount);
  EXPECT_EQ(wordAt(d().roots + d().rootsSize), d().rootsSize);
  EXPECT_EQ(d().wellKnownSymbols, d().roots + d().rootsSize + 4);
  EXPECT_EQ(wordAt(d().classIdCount + 4 + 4 * d().stringCount), d().stringCount);
  EXPECT_EQ(d().stringTable, d().classIdCount + 4);
  EXPECT_EQ(wordAt(d().entryWords + d().entrySize), d().entrySize);
}

// Root 0 is its own class; the shared text, the pool and the symbols lie in
// the read-only part; the writable area lives among the zeroed variables.
TEST(LinkedImageTest, RecordsLieInTheirParts) {
  auto inReadOnly = [](VmWord a) { return a - d().readOnly < d().readOnlySize; };
  const VmWord root0 = wordAt(d().roots);
  ASSERT_TRUE(inReadOnly(root0));
  EXPECT_EQ(wordAt(root0), root0);
  EXPECT_TRUE(inReadOnly(d().sharedChars));
  EXPECT_TRUE(inReadOnly(d().mergedPool));
  EXPECT_TRUE(inReadOnly(d().symbolArea[0]));
  EXPECT_LE(d().symbolArea[0], d().fieldTypeSymbols[0]);
  EXPECT_LE(d().fieldTypeSymbols[1], d().signatureSymbols[0]);
  EXPECT_LE(d().signatureSymbols[1], d().symbolArea[1]);
  EXPECT_LE(d().symbolArea[1], d().readOnly + d().readOnlySize);
  EXPECT_GE(d().writableSize, d().blockSize);
  EXPECT_EQ(d().entryTable, d().writableArea + d().writableSize);
  // The class table, the class hash table, the sentinel monitor, the empty
  // Object[] and short[] and the preallocated OutOfMemoryError: heap part.
  for (uint32_t root : {23u, 40u, 41u, 42u, 43u, 48u}) {
    const VmWord value = wordAt(d().roots + 4 * root);
    EXPECT_LT(value - d().heapPart, d().heapSize) << "root " << root;
  }
  const VmWord classTable = wordAt(d().roots + 4 * 48);
  EXPECT_EQ(wordAt(classTable + 4), wordAt(d().classIdCount) + 20);
}

// Every well-known symbol is found in its bucket of the symbol hash, and
// every run lies in the merged pool's entry array and holds the symbols of
// its bucket only.
TEST(LinkedImageTest, SymbolHashRunsHoldTheirBuckets) {
  const VmWord table = d().symbolHash;
  const uint32_t buckets = wordAt(table);
  ASSERT_GT(buckets, 0u);
  const VmWord entries = d().mergedPool + 12;
  const uint32_t poolCount = wordAt(d().mergedPool + 4) & 0xffff;
  auto hashOf = [](VmWord symbol) {
    const uint16_t length = static_cast<uint16_t>(wordAt(symbol + 4) & 0xffff);
    const uint8_t* bytes = vsWord_toPointer<const uint8_t>(symbol + 6);
    uint32_t h = 0;
    for (uint32_t i = 0; i < length; ++i) h = h * 31 + bytes[i];
    return h;
  };
  uint32_t symbols = 0;
  for (uint32_t b = 0; b < buckets; ++b) {
    const VmWord from = wordAt(table + 4 + 4 * b);
    const VmWord to = wordAt(table + 8 + 4 * b);
    ASSERT_LE(from, to);
    ASSERT_GE(from, entries);
    ASSERT_LE(to, entries + 4 * poolCount);
    for (VmWord p = from; p < to; p += 4) {
      const VmWord symbol = wordAt(p);
      ASSERT_TRUE(symbol >= d().symbolArea[0] && symbol < d().symbolArea[1]);
      EXPECT_EQ(hashOf(symbol) % buckets, b);
      ++symbols;
    }
  }
  EXPECT_GT(symbols, 0u);
  for (uint32_t slot = 0; slot < d().wellKnownCount; ++slot) {
    const VmWord symbol = wordAt(d().wellKnownSymbols + 4 * slot);
    const uint32_t b = hashOf(symbol) % buckets;
    bool found = false;
    for (VmWord p = wordAt(table + 4 + 4 * b); p < wordAt(table + 8 + 4 * b); p += 4) found |= wordAt(p) == symbol;
    EXPECT_TRUE(found) << "well-known slot " << slot;
  }
}

// The string hash's runs name the writable area's Strings in table order,
// and every String's text (read through the string table from the shared
// char array) hashes to its bucket.
TEST(LinkedImageTest, StringHashRunsFollowTheStringTable) {
  const VmWord table = d().stringHash;
  const uint32_t buckets = wordAt(table);
  ASSERT_GT(buckets, 0u);
  EXPECT_EQ(wordAt(table + 4), 0u);
  const VmWord firstString = d().writableArea + d().blockSize;
  const uint32_t* pairs = vsWord_toPointer<const uint32_t>(d().stringTable);
  const uint16_t* chars = vsWord_toPointer<const uint16_t>(d().sharedChars + 8);
  uint32_t offset = 0;
  uint32_t index = 0;
  for (uint32_t b = 0; b < buckets; ++b) {
    for (VmWord p = wordAt(table + 8 + 4 * b); p < wordAt(table + 12 + 4 * b); p += 4, ++index) {
      ASSERT_LT(index, d().stringCount);
      EXPECT_EQ(wordAt(p), firstString + 16 * index);
      offset += pairs[index] & 0xffff;
      const uint32_t length = pairs[index] >> 16;
      uint32_t h = 0;
      for (uint32_t k = 0; k < length; ++k) h = h * 31 + chars[offset + k];
      EXPECT_EQ(h % buckets, b) << "string " << index;
    }
  }
  EXPECT_EQ(index, d().stringCount);
  EXPECT_EQ(d().writableSize, d().blockSize + 16 * d().stringCount);
}

// The class table (root 48) holds each class at its id: the nine classes
// of the writable block (their records live in the writable area, which only
// the loader fills), then the classes of the heap part.
TEST(LinkedImageTest, ClassTableIdsEqualClassInfoIds) {
  const VmWord classTable = wordAt(d().roots + 4 * 48);
  const uint32_t count = wordAt(d().classIdCount);
  ASSERT_GT(count, 9u);
  for (uint32_t id = 0; id < count; ++id) {
    const VmWord cls = wordAt(classTable + 8 + 4 * id);
    ASSERT_NE(cls, 0u) << id;
    if (id < 9) {
      EXPECT_LT(cls - d().writableArea, d().blockSize) << id;
      continue;
    }
    ASSERT_LT(cls - d().heapPart, d().heapSize) << id;
    const VmWord info = wordAt(cls + 16);
    EXPECT_EQ(wordAt(info + 8) >> 16, id);
  }
}

// The writable area and the entry table lie among the zeroed VM variables,
// so that the section reset clears them before every run.
TEST(LinkedImageTest, WritableRegionsLieInTheZeroedVariables) {
  const VmSectionBounds b = vsSections_bounds();
  const VmWord start = vsWord_fromPointer(b.bssStart);
  const VmWord end = vsWord_fromPointer(b.bssEnd);
  EXPECT_GE(d().writableArea, start);
  EXPECT_LE(d().entryTable + d().entrySize, end);
  EXPECT_EQ(d().writableArea % 16, 0u);
}

// A stray write into the read-only part faults (the child process dies of
// SIGSEGV), natively and under qemu-arm.
TEST(LinkedImageTest, WritingTheReadOnlyPartFaults) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The fault itself ends the child, not a sanitizer's handler of it.
    signal(SIGSEGV, SIG_DFL);
    volatile uint32_t* word = vsWord_toPointer<volatile uint32_t>(d().readOnly + 4 * 5);
    *word = 0x12345678;
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  EXPECT_EQ(WTERMSIG(status), SIGSEGV);
}

}  // namespace
