#include "ce/substrate/vm_word.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "ce/substrate/low_memory.h"

namespace {

int gStatic = 7;

TEST(VmWord, RoundTripsStaticLowBlockAndLowStackAddresses) {
  int local = 3;
  void* block = vsLow_alloc(24);
  ASSERT_NE(block, nullptr);
  for (void* p : {static_cast<void*>(&gStatic), block, static_cast<void*>(&local)}) {
    const VmWord w = vsWord_fromPointer(p);
    EXPECT_EQ(vsWord_toPointer(w), p);
    EXPECT_EQ(static_cast<uintptr_t>(w), reinterpret_cast<uintptr_t>(p));
  }
  EXPECT_EQ(vsWord_fromPointer(nullptr), 0u);
  EXPECT_EQ(vsWord_toPointer<int>(vsWord_fromPointer(&gStatic)), &gStatic);
  vsLow_free(block);
}

// A record as the VM lays it out: words, halves, bytes and pointer fields,
// the same offsets on every target.
struct Node;
struct SampleRecord {
  VmPtr<Node> next;
  uint32_t flags;
  int32_t count;
  uint16_t kind;
  uint8_t tag;
  uint8_t spare;
  VmPtr<SampleRecord> owner;
  uint32_t longLow;  // a Java long: low word first
  uint32_t longHigh;
};
static_assert(sizeof(SampleRecord) == 28 && alignof(SampleRecord) == 4);
static_assert(offsetof(SampleRecord, next) == 0);
static_assert(offsetof(SampleRecord, flags) == 4);
static_assert(offsetof(SampleRecord, count) == 8);
static_assert(offsetof(SampleRecord, kind) == 12);
static_assert(offsetof(SampleRecord, tag) == 14);
static_assert(offsetof(SampleRecord, owner) == 16);
static_assert(offsetof(SampleRecord, longLow) == 20);
static_assert(std::is_trivially_copyable_v<SampleRecord> && std::is_standard_layout_v<SampleRecord>);

TEST(VmWord, PointerFieldsReadAndWriteThroughTheGate) {
  auto* rec = static_cast<SampleRecord*>(vsLow_alloc(sizeof(SampleRecord)));
  ASSERT_NE(rec, nullptr);
  EXPECT_FALSE(rec->owner);
  rec->owner = rec;
  EXPECT_TRUE(rec->owner);
  EXPECT_EQ(rec->owner.get(), rec);
  EXPECT_EQ(rec->owner->owner.get(), rec);
  EXPECT_EQ(rec->owner.raw, vsWord_fromPointer(rec));
  const auto copy = VmPtr<SampleRecord>::of(rec);
  EXPECT_EQ(copy.raw, rec->owner.raw);
  vsLow_free(rec);
}

}  // namespace
