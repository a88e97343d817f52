// Symbol interning.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"

namespace {

using SymbolsTest = HeapTest;

VmRef intern(const std::string& text, bool lookupOnly = false) {
  return vsSymbol_intern(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()),
                         lookupOnly);
}

std::string textOf(VmRef symbol) {
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  return std::string(reinterpret_cast<const char*>(s->bytes), s->length);
}

int32_t tableLength() { return vsRoot_as<ObjectArray>(kRootSymbolTable)->length; }

TEST_F(SymbolsTest, LengthsUpTo65520AreAccepted) {
  const std::string longest(65520, 'a');
  const VmRef symbol = intern(longest);
  ASSERT_NE(symbol, 0u);
  EXPECT_EQ(vsRef_as<VmSymbol>(symbol)->length, 65520);
  EXPECT_FALSE(vsException_isPending());
  EXPECT_EQ(intern(longest + "a"), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
  vsPendingException() = 0;
  EXPECT_EQ(vsSymbol_intern(reinterpret_cast<const uint8_t*>("x"), -1, false), 0u);
  EXPECT_EQ(vsPendingException(), vsRoot(kRootOutOfMemoryError));
}

TEST_F(SymbolsTest, EqualBytesGiveTheSameSymbol) {
  const VmRef a = intern("java/lang/Object");
  EXPECT_EQ(intern("java/lang/Object"), a);
  EXPECT_EQ(vsSymbol_fromCString("java/lang/Object", true), a);
  EXPECT_NE(intern("java/lang/Objects"), a);
  EXPECT_EQ(textOf(a), "java/lang/Object");
  EXPECT_EQ(vsObject_kind(a), kKindSymbol);
  EXPECT_TRUE(vsObject_isSymbol(a));
  EXPECT_EQ(intern(""), intern(""));
}

TEST_F(SymbolsTest, LookupOnlyGivesNullForAnAbsentName) {
  const uint32_t count = vsSymbolTable_count;
  const VmWord top = vsVmGlobals.allocationTop;
  EXPECT_EQ(intern("absent", true), 0u);
  EXPECT_FALSE(vsException_isPending());
  EXPECT_EQ(vsSymbolTable_count, count);
  EXPECT_EQ(vsVmGlobals.allocationTop, top);
}

TEST_F(SymbolsTest, ManySymbolsGrowTheTableAndAreFoundAgain) {
  const uint32_t start = vsSymbolTable_count;
  std::vector<VmRef> made;
  int32_t length = tableLength();
  ASSERT_EQ(length, kSymbolTableInitialLength);
  for (int i = 0; i < 2000; ++i) {
    made.push_back(intern("symbol" + std::to_string(i)));
    ASSERT_NE(made.back(), 0u);
    const uint32_t count = vsSymbolTable_count;
    if (count > static_cast<uint32_t>(length) * 3 / 4) {
      const int32_t grown = tableLength();
      EXPECT_EQ(grown, length + length / 8 + 1024) << "at " << count;
      if (length == kSymbolTableInitialLength) {
        EXPECT_EQ(count, 97u);
      }
      length = grown;
    } else {
      EXPECT_EQ(tableLength(), length);
    }
  }
  EXPECT_EQ(vsSymbolTable_count, start + 2000);
  EXPECT_EQ(length, 3654);
  for (int i = 0; i < 2000; ++i) EXPECT_EQ(intern("symbol" + std::to_string(i), true), made[i]) << i;
}

TEST_F(SymbolsTest, TheImageTableIsSearchedFirst) {
  // A read-only table of 3 buckets with one symbol (no header) in its bucket.
  const std::string text = "image/Symbol";
  auto* sym = static_cast<VmSymbol*>(vsLow_alloc(sizeof(VmSymbol) + text.size()));
  sym->length = static_cast<uint16_t>(text.size());
  std::copy(text.begin(), text.end(), sym->bytes);
  auto* run = static_cast<VmWord*>(vsLow_alloc(4));
  run[0] = vsWord_fromPointer(sym);
  auto* rom = static_cast<RomSymbolTable*>(vsLow_alloc(sizeof(RomSymbolTable) + 16));
  rom->bucketCount = 3;
  const uint32_t bucket = vsSymbol_hash(sym->bytes, sym->length) % 3;
  for (uint32_t b = 0; b <= 3; ++b) rom->starts[b] = vsWord_fromPointer(b <= bucket ? run : run + 1);
  vsSymbolTable_rom = rom;
  vsSymbolTable_imageArea[0] = vsWord_fromPointer(sym);
  vsSymbolTable_imageArea[1] = vsWord_fromPointer(sym->bytes + sym->length);

  const uint32_t count = vsSymbolTable_count;
  EXPECT_EQ(intern(text), vsWord_fromPointer(sym));
  EXPECT_EQ(intern(text, true), vsWord_fromPointer(sym));
  EXPECT_EQ(vsSymbolTable_count, count);
  EXPECT_TRUE(vsObject_isSymbol(vsWord_fromPointer(sym)));
  EXPECT_NE(intern("image/Other"), 0u);
  EXPECT_EQ(vsSymbolTable_count, count + 1);

  vsSymbolTable_rom = nullptr;
  vsSymbolTable_imageArea[0] = vsSymbolTable_imageArea[1] = 0;
  vsLow_free(rom);
  vsLow_free(run);
  vsLow_free(sym);
}

TEST_F(SymbolsTest, ClassNamesAndStringsBecomeSymbols) {
  VmRef dotted = intern("java.lang.Thread");
  EXPECT_EQ(vsSymbol_fromClassName(&dotted), intern("java/lang/Thread"));
  VmRef slashed = intern("a/b.c");
  EXPECT_EQ(vsSymbol_fromClassName(&slashed), intern("a.b/c"));

  const uint8_t utf8[] = {'p', '.', 'Q', 0xc0, 0x80, 0xe3, 0x81, 0x82};
  VmRef string = vsJavaHeap_newStringFromUtf8(utf8, sizeof utf8);
  const std::string expected(reinterpret_cast<const char*>(utf8), sizeof utf8);
  EXPECT_EQ(vsSymbol_fromString(&string, false), intern(expected));
  EXPECT_EQ(vsSymbol_fromString(&string, true), intern("p/Q" + expected.substr(3)));

  VmRef bytes = vsJavaHeap_newByteArray(3);
  std::copy_n("abc", 3, vsRef_as<ByteArray>(bytes)->elements);
  EXPECT_EQ(vsSymbol_fromByteArray(&bytes), intern("abc"));
}

TEST_F(SymbolsTest, ArrayDescriptors) {
  const struct {
    const char* text;
    bool isArray;
  } cases[] = {{"[I", true}, {"[[Ljava/lang/Object;", true}, {"[", false}, {"I", false}, {"", false}};
  for (const auto& c : cases)
    EXPECT_EQ(vsSymbol_isArrayDescriptor(vsRef_as<VmSymbol>(intern(c.text))), c.isArray) << c.text;
}

TEST(SymbolHashTest, IsThirtyOneTimesPlusByte) {
  const uint8_t bytes[] = {'a', 'b', 0xff};
  EXPECT_EQ(vsSymbol_hash(bytes, 3), ((97u * 31) + 98) * 31 + 255);
  EXPECT_EQ(vsSymbol_hash(bytes, 0), 0u);
}

}  // namespace
