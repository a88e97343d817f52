// Constant-pool readers, writers and member-reference checks.
#include <gtest/gtest.h>

#include <string>

#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/member_refs.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"

namespace {

VmRef symbol(const char* text) { return vsSymbol_fromCString(text, false); }

// A pool whose entries exercise every check:
//   1 "name"  2 "(I)V"  3 NameAndType(1, 2)  4 class id of String
//   5 Methodref(3, 4)   6 named class "Foo"  7 Fieldref(3, 6)
//   8 int 42            9 Methodref(8, 4)    10 Methodref(3, 8)
//   11 NameAndType(8, 2) 12 Methodref(11, 4) 13 class-file class (name 1)
//   14 Methodref(3, 13) 15 string "s"        16 float
//   17, 18 long          19, 20 double
class ConstantPoolTest : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    pool_ = vsJavaHeap_newConstantPool(21);
    ASSERT_NE(pool_, 0u);
    set(1, kTagUtf8, symbol("name"));
    set(2, kTagUtf8, symbol("(I)V"));
    set(3, kTagNameAndType, 2u << 16 | 1);
    set(4, kTagResolvedClass, vsClass_id(vsRoot_as<ClassRecord>(kRootString)));
    set(5, kTagMethodRef, 3u << 16 | 4);
    set(6, kTagUnresolvedClass, symbol("Foo"));
    set(7, kTagFieldRef, 3u << 16 | 6);
    set(8, kTagInt, 42);
    set(9, kTagMethodRef, 8u << 16 | 4);
    set(10, kTagMethodRef, 3u << 16 | 8);
    set(11, kTagNameAndType, 2u << 16 | 8);
    set(12, kTagMethodRef, 11u << 16 | 4);
    set(13, kTagClassFileClass, 1);
    set(14, kTagInterfaceMethodRef, 3u << 16 | 13);
    set(15, kTagUnresolvedString, symbol("s"));
    set(16, kTagFloat, 0x3f800000);
    set(17, kTagLong, 1);
    set(19, kTagDouble, 2);
  }
  void set(uint32_t i, uint8_t tag, VmWord value) { vsConstantPool_setEntry(p(), i, tag, value); }
  ConstantPool* p() const { return vsRef_as<ConstantPool>(pool_); }

  VmRef pool_ = 0;
};

void expectBadEntry() {
  EXPECT_TRUE(vsException_isPending());
  EXPECT_EQ(vsTestException_last().className, "java/lang/Error");
  EXPECT_TRUE(vsTestException_last().hasCode);
  EXPECT_EQ(vsTestException_last().code, 91);
  vsTestException_clear();
}

TEST_F(ConstantPoolTest, ReadersCheckIndexAndTag) {
  EXPECT_EQ(vsConstantPool_classAt(p(), 4), vsRoot_as<ClassRecord>(kRootString));
  EXPECT_EQ(vsConstantPool_nameAndTypeAt(p(), 3), 2u << 16 | 1);
  EXPECT_EQ(vsConstantPool_unresolvedClassAt(p(), 6), symbol("Foo"));
  EXPECT_EQ(vsConstantPool_classFileClassAt(p(), 13), 1u);
  EXPECT_FALSE(vsException_isPending());

  EXPECT_EQ(vsConstantPool_classAt(p(), 21), nullptr);
  expectBadEntry();
  EXPECT_EQ(vsConstantPool_classAt(p(), 6), nullptr);
  expectBadEntry();
  EXPECT_EQ(vsConstantPool_nameAndTypeAt(p(), 1), 0u);
  expectBadEntry();
  EXPECT_EQ(vsConstantPool_checkedEntry(p(), 0xffff, kTagInt), 0u);
  expectBadEntry();
}

TEST_F(ConstantPoolTest, ClassEntriesAndTags) {
  for (uint32_t i : {4u, 6u, 13u}) EXPECT_TRUE(vsConstantPool_isClassEntry(p(), i)) << i;
  for (uint32_t i : {1u, 3u, 8u, 21u, 300u}) EXPECT_FALSE(vsConstantPool_isClassEntry(p(), i)) << i;
  VmRef handle = pool_;
  uint8_t tag = 0;
  EXPECT_EQ(vsConstantPool_getTagInto(&handle, &tag, 7), &tag);
  EXPECT_EQ(tag, kTagFieldRef);
  EXPECT_TRUE(vsConstantPool_isMemberRef(kTagFieldRef));
  EXPECT_TRUE(vsConstantPool_isMemberRef(kTagInterfaceMethodRef));
  EXPECT_FALSE(vsConstantPool_isMemberRef(kTagNameAndType));
}

TEST_F(ConstantPoolTest, ResolvedEntriesGiveTheirRawHalves) {
  set(18, static_cast<uint8_t>(int{kTagResolvedFieldBase} + kTypeInt), 0x9004u << 16 | 0x0007);
  EXPECT_EQ(vsConstantPool_entryHigh(p(), 18), 0x9004);
  EXPECT_EQ(vsConstantPool_entryLow(p(), 18), 7);
  set(20, static_cast<uint8_t>(int{kTagResolvedVirtualBase} + kTypeVoid), 0x0003u << 16 | 0x8001);
  int32_t low = 0;
  int32_t high = 0;
  EXPECT_EQ(vsConstantPool_resolvedRefAt(p(), 20, &low, &high), int{kTagResolvedVirtualBase} + kTypeVoid - 24);
  EXPECT_EQ(low, 0x8001);
  EXPECT_EQ(high, 3);
}

TEST_F(ConstantPoolTest, ReferenceEntriesGoThroughTheBarrier) {
  vsGC_clearBits(pool_, pool_ + 12 + 4 * 21);
  set(1, kTagUtf8, symbol("other"));
  set(8, kTagInt, 7);
  EXPECT_TRUE(vsGC_testBit(vsRef_of(&p()->entries[1])));
  EXPECT_FALSE(vsGC_testBit(vsRef_of(&p()->entries[8])));
  EXPECT_EQ(vsConstantPool_tagAt(p(), 8), kTagInt);
}

TEST_F(ConstantPoolTest, ConstantCheckFollowsTheBasicType) {
  const ClassRecord* string = vsRoot_as<ClassRecord>(kRootString);
  const ClassRecord* object = vsRoot_as<ClassRecord>(kRootObject);
  const struct {
    uint32_t index;
    int32_t type;
    const ClassRecord* fieldClass;
    bool fits;
  } cases[] = {
      {8, kTypeInt, nullptr, true},      {8, kTypeBoolean, nullptr, true}, {8, kTypeChar, nullptr, true},
      {8, kTypeByte, nullptr, true},     {8, kTypeShort, nullptr, true},   {16, kTypeFloat, nullptr, true},
      {17, kTypeLong, nullptr, true},    {19, kTypeDouble, nullptr, true}, {15, kTypeObject, string, true},
      {8, kTypeFloat, nullptr, false},   {16, kTypeInt, nullptr, false},   {19, kTypeLong, nullptr, false},
      {17, kTypeDouble, nullptr, false}, {15, kTypeObject, object, false}, {8, kTypeObject, string, false},
      {15, kTypeArray, string, false},   {30, kTypeInt, nullptr, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vsConstantPool_checkConstant(p(), c.index, c.type, c.fieldClass), c.fits)
        << "entry " << c.index << " type " << c.type;
    if (c.fits)
      EXPECT_FALSE(vsException_isPending());
    else
      expectBadEntry();
  }
}

TEST_F(ConstantPoolTest, MemberRefParts) {
  VmRef handle = pool_;
  VmRef name = 0;
  VmRef signature = 0;
  VmRef cls = 0;
  VmRef className = 0;
  ASSERT_EQ(vsConstantPool_memberRefParts(&handle, 5, &name, &signature, &cls, &className), 1);
  EXPECT_EQ(name, symbol("name"));
  EXPECT_EQ(signature, symbol("(I)V"));
  EXPECT_EQ(cls, vsRoot(kRootString));
  EXPECT_EQ(className, 0u);

  ASSERT_EQ(vsConstantPool_memberRefParts(&handle, 5, &name, &signature, nullptr, &className), 1);
  EXPECT_EQ(className, symbol("java/lang/String"));

  ASSERT_EQ(vsConstantPool_memberRefParts(&handle, 7, &name, &signature, &cls, &className), 1);
  EXPECT_EQ(cls, 0u);
  EXPECT_EQ(className, symbol("Foo"));

  ASSERT_EQ(vsConstantPool_memberRefParts(&handle, 14, &name, &signature, nullptr, &className), 1);
  EXPECT_EQ(className, symbol("name"));
  EXPECT_EQ(vsConstantPool_memberRefNameAndType(&handle, 5), 3u);
  EXPECT_FALSE(vsException_isPending());
}

TEST_F(ConstantPoolTest, MalformedMemberRefsRaiseNinetyOne) {
  VmRef handle = pool_;
  VmRef name = 0;
  VmRef signature = 0;
  VmRef className = 0;
  const struct {
    uint32_t index;
    const char* what;
  } cases[] = {
      {8, "not a member reference"},
      {9, "its name-and-type entry is an int"},
      {10, "its class entry is an int"},
      {12, "its name is not a UTF-8 entry"},
      {40, "index past the count"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vsConstantPool_memberRefParts(&handle, c.index, &name, &signature, nullptr, &className), 0)
        << c.what;
    expectBadEntry();
  }
  EXPECT_EQ(vsConstantPool_memberRefNameAndType(&handle, 9), 0u);
  expectBadEntry();
  EXPECT_EQ(vsConstantPool_memberRefNameAndType(&handle, 1), 0u);
  expectBadEntry();
}

}  // namespace
