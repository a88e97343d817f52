// Strings from UTF-8 text and interned Strings.
#include <gtest/gtest.h>

#include <string>

#include "ce/substrate/low_memory.h"
#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/interp/string_helpers.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/services/text/utf8_stream.h"

namespace {

using StringFactoryTest = HeapTest;

std::u16string charsOf(VmRef string) {
  const StringObject* s = vsRef_as<StringObject>(string);
  const uint16_t* c = vsRef_as<CharArray>(s->value)->elements + s->offset;
  return std::u16string(c, c + s->count);
}

VmRef symbol(const std::string& text) {
  return vsSymbol_intern(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()), false);
}

TEST_F(StringFactoryTest, DecodesModifiedUtf8) {
  const uint8_t text[] = {'a', 0xc0, 0x80, 0xe3, 0x81, 0x82, 0xc3, 0xa9};
  const VmRef s = vsJavaHeap_newStringFromUtf8(text, sizeof text);
  ASSERT_NE(s, 0u);
  VmRef handle = s;
  EXPECT_TRUE(vsObject_isString(&handle));
  EXPECT_EQ(charsOf(s), (std::u16string{u'a', u'\0', u'\u3042', u'\u00e9'}));
  EXPECT_EQ(vsRef_as<StringObject>(s)->offset, 0);
}

TEST_F(StringFactoryTest, StreamStringLeavesRoomBeforeAndAfter) {
  const uint8_t text[] = {'x', 'y', 'z'};
  VsUtf8BufferStream stream(text, 0, 3);
  stream.nextChar();
  const VmRef s = vsJavaHeap_newStringFromStream(&stream, 2, 1);
  ASSERT_NE(s, 0u);
  EXPECT_EQ(charsOf(s), (std::u16string{0, 0, u'x', u'y', u'z', 0}));
}

TEST_F(StringFactoryTest, MalformedTextRaisesIllegalArgument) {
  const uint8_t text[] = {'a', 0x80, 'b'};
  EXPECT_EQ(vsJavaHeap_newStringFromUtf8(text, sizeof text), 0u);
  EXPECT_EQ(vsTestException_last().className, "java/lang/IllegalArgumentException");
}

TEST_F(StringFactoryTest, StringFromSymbol) {
  VmRef name = symbol("java/lang/Thread");
  const VmRef s = vsJavaHeap_newStringFromSymbol(&name);
  EXPECT_EQ(charsOf(s), u"java/lang/Thread");
}

TEST_F(StringFactoryTest, InterningEqualTextsGivesOneString) {
  VmRef a = symbol("hello");
  const VmRef first = vsJavaHeap_internString(&a);
  ASSERT_NE(first, 0u);
  const VmRef second = vsJavaHeap_internString(&a);
  EXPECT_EQ(first, second);
  VmRef b = symbol("world");
  EXPECT_NE(vsJavaHeap_internString(&b), first);
  EXPECT_EQ(vsInternTable_count, 2u);
}

TEST_F(StringFactoryTest, InternTableGrowsAtThreeQuarters) {
  const int32_t length = kInternTableInitialLength;
  std::vector<VmRef> strings;
  for (int32_t i = 0; i < length / 4 * 3; ++i) {
    VmRef s = symbol("s" + std::to_string(i));
    const int32_t before = vsRoot_as<ObjectArray>(kRootInternTable)->length;
    strings.push_back(vsJavaHeap_internString(&s));
    ASSERT_NE(strings.back(), 0u);
    const int32_t after = vsRoot_as<ObjectArray>(kRootInternTable)->length;
    if (i + 1 < length / 4 * 3)
      EXPECT_EQ(after, before) << i;
    else
      EXPECT_EQ(after, length + length / 8 + 1024);
  }
  for (int32_t i = 0; i < length / 4 * 3; ++i) {
    VmRef s = symbol("s" + std::to_string(i));
    EXPECT_EQ(vsJavaHeap_internString(&s), strings[i]);
  }
}

TEST_F(StringFactoryTest, ImageStringsAreFoundFirst) {
  // An image hash of one bucket holding one String built here.
  VmRef name = symbol("image");
  VmHandle imageString;
  vsHandle_push(&imageString, vsJavaHeap_newStringFromSymbol(&name));
  VmWord* run = static_cast<VmWord*>(vsLow_alloc(4));
  run[0] = imageString.object;
  auto* table = static_cast<RomStringTable*>(vsLow_alloc(sizeof(RomStringTable) + 8));
  table->bucketCount = 1;
  table->starts[0] = vsWord_fromPointer(run);
  table->starts[1] = vsWord_fromPointer(run + 1);
  vsInternTable_rom = table;
  EXPECT_EQ(vsJavaHeap_internString(&name), imageString.object);
  EXPECT_EQ(vsInternTable_count, 0u);
  vsInternTable_rom = nullptr;
  vsHandle_close(&imageString);
  vsLow_free(table);
  vsLow_free(run);
}

}  // namespace
