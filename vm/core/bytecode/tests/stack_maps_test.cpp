// Compact reference maps: the two entry forms, compression of the parser's
// form, the lookup and the edits of a fused instruction sequence.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/vm_globals.h"

namespace {

using StackMapTest = HeapTest;

struct Frame {
  uint16_t bci;
  std::vector<uint16_t> locals;
  std::vector<uint16_t> stack;
};

// The parser's form: per frame a short[] {bci, L, locals, S, stack} and a
// (here empty) name array.
VmRef parserMap(const std::vector<Frame>& frames) {
  VmHandle map;
  vsHandle_push(&map, vsJavaHeap_newObjectArray(static_cast<int32_t>(2 * frames.size())));
  for (size_t f = 0; f < frames.size(); ++f) {
    const Frame& fr = frames[f];
    const VmRef types = vsJavaHeap_newShortArray(static_cast<int32_t>(3 + fr.locals.size() + fr.stack.size()));
    int16_t* t = vsRef_as<ShortArray>(types)->elements;
    size_t at = 0;
    t[at++] = static_cast<int16_t>(fr.bci);
    t[at++] = static_cast<int16_t>(fr.locals.size());
    for (uint16_t v : fr.locals) t[at++] = static_cast<int16_t>(v);
    t[at++] = static_cast<int16_t>(fr.stack.size());
    for (uint16_t v : fr.stack) t[at++] = static_cast<int16_t>(v);
    vsJavaHeap_storeReference(&vsRef_as<ObjectArray>(map.object)->elements[2 * f], types);
  }
  const VmRef result = map.object;
  vsHandle_close(&map);
  return result;
}

VmRef compress(const std::vector<Frame>& frames) {
  VmHandle parser;
  vsHandle_push(&parser, parserMap(frames));
  VmHandle method;
  vsHandle_pushEmpty(&method);
  const VmRef result = vsStackMap_compressMethod(&method.object, &parser.object);
  vsHandle_close(&parser);
  return result;
}

CountedRecord* m(VmRef map) { return vsRef_as<CountedRecord>(map); }

std::vector<uint16_t> ints(uint32_t n) { return std::vector<uint16_t>(n, 1); }

std::vector<uint32_t> bcis(VmRef map) {
  std::vector<uint32_t> out;
  for (uint32_t i = 0; i < m(map)->count; ++i) out.push_back(vsStackMap_bci(m(map), i));
  return out;
}

TEST_F(StackMapTest, AnEntryIsShortExactlyWhenItFits) {
  const struct {
    uint32_t locals, stack, bci;
    bool isShort;
  } cases[] = {{15, 1, 511, true}, {16, 0, 0, false}, {0, 4, 0, false}, {0, 0, 512, false},
               {14, 3, 0, false}, {0, 3, 0, true},   {0, 0, 0, true}};
  for (const auto& c : cases) {
    VmHandle map;
    vsHandle_push(&map, compress({{static_cast<uint16_t>(c.bci), ints(c.locals), ints(c.stack)}}));
    ASSERT_NE(map.object, 0u);
    SCOPED_TRACE(testing::Message() << "L " << c.locals << " S " << c.stack << " bci " << c.bci);
    EXPECT_EQ(vsStackMap_isShort(m(map.object), 0), c.isShort);
    EXPECT_EQ(vsStackMap_localCount(m(map.object), 0), c.locals);
    EXPECT_EQ(vsStackMap_stackCount(m(map.object), 0), c.stack);
    EXPECT_EQ(vsStackMap_bci(m(map.object), 0), c.bci);
    vsHandle_close(&map);
  }
}

TEST_F(StackMapTest, CompressionGivesTheExactWords) {
  VmHandle map;
  // Frame 0: locals object, int; stack null. Frame 1 (long by its bci):
  // locals double (two slots), a new site of offset 0x9000 (negative as a
  // signed value), an uninitialized this; stack int, object.
  vsHandle_push(&map, compress({{3, {7, 1}, {5}}, {600, {3, 10, 0x3000, 6}, {1, 7}}, {4, {}, {}}}));
  ASSERT_NE(map.object, 0u);
  ASSERT_EQ(m(map.object)->count, 3u);
  EXPECT_EQ(m(map.object)->words[0], 0x50000u | 3u << 7 | 2u << 3 | 1u << 1 | 1u);
  EXPECT_EQ(m(map.object)->words[2], 4u << 7 | 1u);
  ASSERT_FALSE(vsStackMap_isShort(m(map.object), 1));
  const ShortArray* entry = vsRef_as<ShortArray>(m(map.object)->words[1]);
  ASSERT_EQ(entry->length, 4);
  EXPECT_EQ(entry->elements[0], 4);
  EXPECT_EQ(entry->elements[1], 2);
  EXPECT_EQ(entry->elements[2], 600);
  EXPECT_EQ(entry->elements[3], 0b101100);
  vsHandle_close(&map);
}

TEST_F(StackMapTest, ALongMaskRunsOnFromLocalsIntoTheStack) {
  std::vector<uint16_t> locals = ints(17);
  locals[16] = 7;
  VmHandle map;
  vsHandle_push(&map, compress({{2, locals, {7, 1}}}));
  const ShortArray* entry = vsRef_as<ShortArray>(m(map.object)->words[0]);
  ASSERT_EQ(entry->length, 5);
  EXPECT_EQ(entry->elements[3], 0);
  EXPECT_EQ(entry->elements[4], 0b11);
  EXPECT_TRUE(vsStackMap_isReference(m(map.object), 0, 17));
  EXPECT_FALSE(vsStackMap_isReference(m(map.object), 0, 18));
  vsHandle_close(&map);
}

TEST_F(StackMapTest, NoFramesOrAMalformedFrameGiveNoMap) {
  EXPECT_EQ(compress({}), 0u);
  VmHandle parser;
  vsHandle_push(&parser, parserMap({{1, {7}, {}}}));
  vsRef_as<ShortArray>(vsRef_as<ObjectArray>(parser.object)->elements[0])->elements[1] = 9;  // L past the end
  EXPECT_EQ(vsStackMap_compressMethod(&parser.object, &parser.object), 0u);
  EXPECT_EQ(vsPendingException(), 0u);
  vsHandle_close(&parser);
}

TEST_F(StackMapTest, ShiftingAShortEntryPastItsRangeMakesItLong) {
  VmHandle map;
  vsHandle_push(&map, compress({{500, {1}, {}}, {510, {7, 1, 7}, {7}}}));
  ASSERT_TRUE(vsStackMap_isShort(m(map.object), 1));
  ASSERT_TRUE(vsStackMap_shiftBci(&map.object, 505, 7));
  EXPECT_TRUE(vsStackMap_isShort(m(map.object), 0));
  EXPECT_EQ(vsStackMap_bci(m(map.object), 0), 500u);
  EXPECT_FALSE(vsStackMap_isShort(m(map.object), 1));
  EXPECT_EQ(vsStackMap_bci(m(map.object), 1), 517u);
  EXPECT_EQ(vsStackMap_localCount(m(map.object), 1), 3u);
  EXPECT_EQ(vsStackMap_stackCount(m(map.object), 1), 1u);
  for (uint32_t k = 0; k < 4; ++k) EXPECT_EQ(vsStackMap_isReference(m(map.object), 1, k), k != 1) << "slot " << k;
  vsHandle_close(&map);
}

TEST_F(StackMapTest, FindEntryTakesTheEntryAtOrBefore) {
  VmHandle map;
  vsHandle_push(&map, compress({{4, {}, {}}, {9, {}, {}}, {20, {}, {}}}));
  const struct {
    uint32_t bci;
    int32_t entry;
  } cases[] = {{0, -1}, {3, -1}, {4, 0}, {8, 0}, {9, 1}, {19, 1}, {20, 2}, {900, 2}};
  for (const auto& c : cases) EXPECT_EQ(vsStackMap_findEntry(m(map.object), c.bci), c.entry) << "bci " << c.bci;
  VmHandle empty;
  vsHandle_push(&empty, vsJavaHeap_newCountedRecord(0));
  EXPECT_EQ(vsStackMap_findEntry(m(empty.object), 5), -1);
  vsHandle_close(&map);
}

TEST_F(StackMapTest, AFusionRemovesItsEntriesAndShiftsTheRest) {
  VmHandle map;
  // Entry 18 is long, so that moving it goes through the barrier.
  vsHandle_push(&map, compress({{9, {}, {}}, {10, {7}, {}}, {11, {}, {}}, {17, {}, {}}, {18, ints(16), {7}}}));
  vsStackMap_removeRange(&map.object, 11, 18);
  EXPECT_EQ(bcis(map.object), (std::vector<uint32_t>{9, 10, 18}));
  EXPECT_TRUE(vsJavaHeap_walksToTop());
  ASSERT_TRUE(vsStackMap_shiftBci(&map.object, 18, -7));
  EXPECT_EQ(bcis(map.object), (std::vector<uint32_t>{9, 10, 11}));
  EXPECT_TRUE(vsStackMap_isReference(m(map.object), 2, 16));
  EXPECT_TRUE(vsStackMap_isReference(m(map.object), 1, 0));

  vsStackMap_removeEntry(&map.object, 0);
  EXPECT_EQ(bcis(map.object), (std::vector<uint32_t>{10, 11}));
  vsStackMap_removeEntry(&map.object, 5);
  EXPECT_EQ(bcis(map.object), (std::vector<uint32_t>{10, 11}));
  EXPECT_TRUE(vsJavaHeap_walksToTop());
  vsStackMap_removeRange(&map.object, 0, 100);
  EXPECT_EQ(m(map.object)->count, 0u);
  EXPECT_TRUE(vsJavaHeap_walksToTop());
  vsHandle_close(&map);
}

TEST_F(StackMapTest, TheTagArrayOnlyGrows) {
  ASSERT_TRUE(vsStackMap_ensureTagArray(12));
  const VmRef first = vsVmGlobals.stackMapTags;
  EXPECT_EQ(vsRef_as<ByteArray>(first)->length, 12);
  ASSERT_TRUE(vsStackMap_ensureTagArray(5));
  EXPECT_EQ(vsVmGlobals.stackMapTags, first);
  ASSERT_TRUE(vsStackMap_ensureTagArray(40));
  EXPECT_EQ(vsRef_as<ByteArray>(vsVmGlobals.stackMapTags)->length, 40);
}

}  // namespace
