// The typed accessors of natives over the core started with the system
// library: field ids and offsets, fields by id, name and offset, static
// fields by class name and by offset, array elements and regions, array
// creation, the String readers and native string copies, and the local
// frames whose slots the collector treats as roots.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/memory/finalization.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/global_refs.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_arrays.h"
#include "vm/core/natives/native_fields.h"
#include "vm/core/natives/native_method.h"
#include "vm/core/natives/native_roots.h"
#include "vm/core/threads/thread_record.h"

namespace {

constexpr uint32_t kSlots = 4;
// The fixture's local frame: VM storage, whose addresses fit VM words (the
// fixture object itself does not live there).
VS_VMBSS(NativeFrame) gFrame;
VS_VMBSS(VmRef[kSlots]) gSlots;

class NativeAccessorsTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    vsVmGlobals.currentThread = vsJavaHeap_newThreadRecord();
    ASSERT_NE(vsVmGlobals.currentThread, 0u);
    vsNativeMethod_pushLocalFrame(kSlots, &gFrame, gSlots);
  }
  void TearDown() override {
    EXPECT_EQ(vsNativeMethod_localFrames, vsWord_fromPointer(&gFrame)) << "a frame left open";
    vsNativeMethod_popLocalFrame(&gFrame);
    vsVmGlobals.currentThread = 0;
  }

  static VmRef mirror(const char* name) { return vsRef_of(vsClass_mirror(loaded(name))); }
  // A zeroed instance of the class.
  VmRef instance(const char* name) {
    slots_[0] = mirror(name);
    const VmRef object = vsNativeMethod_newObject(slots_[0]);
    EXPECT_NE(object, 0u) << name;
    return object;
  }

  VmRef* const slots_ = gSlots;
};

TEST_F(NativeAccessorsTest, FieldIdsAreByteOffsetsForNarrowFieldsElseWordIndexes) {
  struct Case {
    const char* className;
    const char* name;
    const char* signature;
    int32_t id;
  };
  const Case kCases[] = {
      {"layout/Fields", "i1", "I", 2},                    // int at byte offset 12
      {"nat/Accessed", "flag", "Z", 13},                  // boolean at byte offset 13
      {"nat/Accessed", "small", "B", 12},                 // byte at 12
      {"layout/Fields", "c1", "C", 38},                   // char at 38
      {"layout/Fields", "s1", "S", 36},                   // short at 36
      {"layout/Fields", "str", "Ljava/lang/String;", 6},  // a longer signature: word index of 28
      {"layout/Fields", "l1", "J", 0},                    // long at 4
      {"layout/Fields", "d1", "D", 3},                    // double at 16
      {"nat/AccessedChild", "flag", "Z", 13},             // inherited
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(vsNativeMethod_getFieldId(c.name, c.signature, mirror(c.className)), c.id)
        << c.className << "." << c.name;
    EXPECT_EQ(vsNativeMethod_getFieldIdByClassName(c.name, c.signature, c.className), c.id)
        << c.className << "." << c.name;
  }
  EXPECT_EQ(vsNativeMethod_getBooleanFieldId("flag", mirror("nat/Accessed")), 13);
}

TEST_F(NativeAccessorsTest, FindFieldOffsetTellsStaticFromInstanceAndTheDeclaringClass) {
  slots_[1] = mirror("nat/Accessed");
  slots_[2] = mirror("nat/AccessedChild");
  struct Case {
    int slot;
    const char* name;
    const char* signature;
    int32_t isStatic;
    int32_t offset;
  };
  const Case kCases[] = {
      {1, "second", "I", 0, 8}, {1, "flag", "Z", 0, 13},          {1, "second", "I", 1, 0},  // not static
      {1, "sint", "I", 1, 64},  {1, "sint", "I", 0, 0},                                      // static
      {1, "sflag", "Z", 1, 48}, {2, "sint", "I", 1, 0},  // declared in the superclass
      {2, "second", "I", 0, 8}, {2, "wide", "J", 0, 16},          {1, "missing", "I", 0, 0},
      {1, "second", "J", 0, 0}, {1, "second", "Lno/Such;", 0, 0},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(vsNativeMethod_findFieldOffset(&slots_[c.slot], c.name, c.signature, c.isStatic), c.offset)
        << c.name << " " << c.signature << " static " << c.isStatic;
  EXPECT_EQ(vsNativeMethod_getFieldOffset(&slots_[2], "ref", "Ljava/lang/Object;"), 24);
  EXPECT_EQ(vsNativeMethod_getStaticFieldOffset(&slots_[1], "sref", "Ljava/lang/Object;"), 88);
  EXPECT_EQ(takePending(), "") << "lookups leave nothing pending";
}

TEST_F(NativeAccessorsTest, InstanceFieldsByIdNameAndOffsetKeepTheirWidths) {
  slots_[1] = instance("nat/AccessedChild");
  const int32_t flag = vsNativeMethod_getBooleanFieldId("flag", mirror("nat/Accessed"));
  const int32_t small = vsNativeMethod_getFieldId("small", "B", mirror("nat/Accessed"));
  const int32_t second = vsNativeMethod_getFieldId("second", "I", mirror("nat/Accessed"));
  vsNativeMethod_setBooleanField(flag, slots_[1], 0x1FF);
  vsNativeMethod_setByteField(small, slots_[1], -2);
  vsNativeMethod_setIntField(second, slots_[1], 0x12345678);
  EXPECT_EQ(vsNativeMethod_getBooleanField(flag, slots_[1]), 0xFFu);
  EXPECT_EQ(vsNativeMethod_getByteField(small, slots_[1]), -2);
  EXPECT_EQ(vsNativeMethod_getIntField(second, slots_[1]), 0x12345678);
  EXPECT_EQ(vsNativeMethod_getIntFieldAt(&slots_[1], 4), 0) << "the neighbour stays";
  EXPECT_EQ(vsNativeMethod_getFieldByName("small", "B", slots_[1]), -2);
  EXPECT_EQ(vsNativeMethod_getFieldByName("flag", "Z", slots_[1]), 0xFF);
  vsNativeMethod_setFieldByName("flag", "Z", slots_[1], 0x100);
  EXPECT_EQ(vsNativeMethod_getByteFieldAt(&slots_[1], 13), 0);
  EXPECT_EQ(vsNativeMethod_getByteFieldAt(&slots_[1], 12), -2) << "a narrow store writes its own width";
  vsNativeMethod_setWordField(0, slots_[1], 77);
  EXPECT_EQ(vsNativeMethod_getFieldByName("first", "I", slots_[1]), 77);

  slots_[2] = vsNativeMethod_createString(reinterpret_cast<const uint16_t*>(u"v"), 1);
  vsNativeMethod_setObjectFieldByName("ref", "Ljava/lang/Object;", slots_[1], slots_[2]);
  EXPECT_EQ(vsNativeMethod_getObjectFieldByName("ref", "Ljava/lang/Object;", slots_[1]), slots_[2]);
  EXPECT_EQ(vsNativeMethod_getObjectField(5, slots_[1]), slots_[2]);
  vsNativeMethod_setObjectFieldAt(&slots_[1], 24, &slots_[0]);
  vsNativeMethod_getObjectFieldAt(&slots_[1], 24, &slots_[3]);
  EXPECT_EQ(slots_[3], slots_[0]);

  slots_[1] = instance("layout/Fields");
  struct Case {
    const char* name;
    int32_t offset;
    int32_t value;
    int32_t readBack;
  };
  const Case kNarrow[] = {{"b1", 40, 0x180, -128},
                          {"z1", 41, 0x1FE, 0xFE},
                          {"c1", 38, 0x18001, 0x8001},
                          {"s1", 36, 0x18001, -32767}};
  for (const Case& c : kNarrow) {
    switch (c.offset) {
      case 40:
        vsNativeMethod_setByteFieldAt(&slots_[1], c.offset, c.value);
        break;
      case 41:
        vsNativeMethod_setBooleanFieldAt(&slots_[1], c.offset, c.value);
        break;
      case 38:
        vsNativeMethod_setCharFieldAt(&slots_[1], c.offset, c.value);
        break;
      default:
        vsNativeMethod_setShortFieldAt(&slots_[1], c.offset, c.value);
        break;
    }
    const int32_t got =
        c.offset == 40   ? vsNativeMethod_getByteFieldAt(&slots_[1], c.offset)
        : c.offset == 41 ? static_cast<int32_t>(vsNativeMethod_getBooleanFieldAt(&slots_[1], c.offset))
        : c.offset == 38 ? static_cast<int32_t>(vsNativeMethod_getCharFieldAt(&slots_[1], c.offset))
                         : vsNativeMethod_getShortFieldAt(&slots_[1], c.offset);
    EXPECT_EQ(got, c.readBack) << c.name;
  }
  vsNativeMethod_setLongFieldAt(&slots_[1], 4, 0x89ABCDEF, 0x01234567);
  EXPECT_EQ(vsNativeMethod_getLongFieldAt(&slots_[1], 4), 0x0123456789ABCDEF);
  EXPECT_EQ(vsNativeMethod_getLongFieldByName("l1", slots_[1]), 0x0123456789ABCDEF);
  vsNativeMethod_setLongFieldByName("l1", slots_[1], -2);
  EXPECT_EQ(vsNativeMethod_getIntFieldAt(&slots_[1], 4), -2) << "low word first";
  EXPECT_EQ(vsNativeMethod_getIntFieldAt(&slots_[1], 8), -1);
  vsNativeMethod_setDoubleFieldByName("d1", slots_[1], 0x4000000000000000);
  EXPECT_EQ(vsNativeMethod_getDoubleFieldAt(&slots_[1], 16), 0x4000000000000000);
  vsNativeMethod_setDoubleFieldAt(&slots_[1], 16, 1, 2);
  EXPECT_EQ(vsNativeMethod_getDoubleFieldByName("d1", slots_[1]), 0x0000000200000001);
  vsNativeMethod_setFloatFieldByName("f1", slots_[1], 0x3F800000);
  EXPECT_EQ(vsNativeMethod_getFloatFieldAt(&slots_[1], 32), 0x3F800000u);
  vsNativeMethod_setFloatFieldAt(&slots_[1], 32, 0x40000000);
  EXPECT_EQ(vsNativeMethod_getFloatFieldByName("f1", slots_[1]), 0x40000000u);
  EXPECT_EQ(vsNativeMethod_getFloatField(7, slots_[1]), 0x40000000u);
  vsNativeMethod_setIntFieldAt(&slots_[1], 12, 5);
  EXPECT_EQ(vsNativeMethod_getIntFieldAt(&slots_[1], 12), 5);
}

TEST_F(NativeAccessorsTest, StaticFieldsByNameWidenNarrowValuesAndNeedAnInitialisedClass) {
  // Never initialised: getters give 0 and setters do nothing.
  vsNativeMethod_setStaticDataField("sint", "I", "nat/Accessed", 9);
  EXPECT_EQ(vsNativeMethod_getStaticDataField("sint", "I", "nat/Accessed"), 0);
  slots_[1] = mirror("nat/Accessed");
  EXPECT_EQ(vsNativeMethod_getStaticIntFieldAt(&slots_[1], 64), 0) << "the setter wrote nothing";
  vsClass_setInitialized(loaded("nat/Accessed"));

  vsNativeMethod_setStaticDataField("sflag", "Z", "nat/Accessed", -1);
  EXPECT_EQ(vsNativeMethod_getStaticIntFieldAt(&slots_[1], 48), 255) << "the whole slot";
  EXPECT_EQ(vsNativeMethod_getStaticDataField("sflag", "Z", "nat/Accessed"), 255);
  EXPECT_EQ(vsNativeMethod_getStaticByteFieldAt(&slots_[1], 48), -1) << "read as a byte";
  EXPECT_EQ(vsNativeMethod_getStaticBooleanFieldAt(&slots_[1], 48), 255u);

  struct Case {
    const char* name;
    const char* signature;
    int32_t value;
    int32_t slot;  // the whole slot after the store
    int32_t read;  // the getter's value
  };
  const Case kCases[] = {
      {"sbyte", "B", 0x180, -128, -128},
      {"schar", "C", -1, 0xFFFF, 0xFFFF},
      {"sshort", "S", 0x18000, -32768, -32768},
      {"sint", "I", -7, -7, -7},
  };
  for (const Case& c : kCases) {
    vsNativeMethod_setStaticDataField(c.name, c.signature, "nat/Accessed", c.value);
    const int32_t offset = vsNativeMethod_getStaticFieldOffset(&slots_[1], c.name, c.signature);
    EXPECT_EQ(vsNativeMethod_getStaticIntFieldAt(&slots_[1], offset), c.slot) << c.name;
    EXPECT_EQ(vsNativeMethod_getStaticDataField(c.name, c.signature, "nat/Accessed"), c.read) << c.name;
  }
  vsNativeMethod_setStaticCharFieldAt(&slots_[1], 56, 0x12345);
  EXPECT_EQ(vsNativeMethod_getStaticCharFieldAt(&slots_[1], 56), 0x2345u);
  vsNativeMethod_setStaticShortFieldAt(&slots_[1], 60, 0xFFFF);
  EXPECT_EQ(vsNativeMethod_getStaticIntFieldAt(&slots_[1], 60), -1) << "sign-extended";
  EXPECT_EQ(vsNativeMethod_getStaticShortFieldAt(&slots_[1], 60), -1);
  vsNativeMethod_setStaticByteFieldAt(&slots_[1], 52, 0x80);
  EXPECT_EQ(vsNativeMethod_getStaticIntFieldAt(&slots_[1], 52), -128) << "sign-extended";
  EXPECT_EQ(vsNativeMethod_getStaticIntFieldAt(&slots_[1], 48), 255) << "the boolean slot stays";
  vsNativeMethod_setStaticBooleanFieldAt(&slots_[1], 48, 0x101);
  EXPECT_EQ(vsNativeMethod_getStaticIntFieldAt(&slots_[1], 48), 1);

  vsNativeMethod_setStaticLongField("slong", "nat/Accessed", 0x0123456789ABCDEF);
  EXPECT_EQ(vsNativeMethod_getStaticLongField("slong", "nat/Accessed"), 0x0123456789ABCDEF);
  const int32_t slong = vsNativeMethod_getStaticFieldOffset(&slots_[1], "slong", "J");
  EXPECT_EQ(static_cast<uint32_t>(vsNativeMethod_getStaticIntFieldAt(&slots_[1], slong)), 0x89ABCDEFu)
      << "low first";
  vsNativeMethod_setStaticLongFieldAt(&slots_[1], slong, 1, 2);
  EXPECT_EQ(vsNativeMethod_getStaticLongFieldAt(&slots_[1], slong), 0x0000000200000001);
  vsNativeMethod_setStaticDoubleField("sdouble", "nat/Accessed", -3);
  EXPECT_EQ(vsNativeMethod_getStaticDoubleField("sdouble", "nat/Accessed"), -3);
  const int32_t sdouble = vsNativeMethod_getStaticFieldOffset(&slots_[1], "sdouble", "D");
  vsNativeMethod_setStaticDoubleFieldAt(&slots_[1], sdouble, 5, 6);
  EXPECT_EQ(vsNativeMethod_getStaticDoubleFieldAt(&slots_[1], sdouble), 0x0000000600000005);
  vsNativeMethod_setStaticFloatField("sfloat", "nat/Accessed", 0x3F800000);
  EXPECT_EQ(vsNativeMethod_getStaticFloatField("sfloat", "nat/Accessed"), 0x3F800000u);
  const int32_t sfloat = vsNativeMethod_getStaticFieldOffset(&slots_[1], "sfloat", "F");
  vsNativeMethod_setStaticFloatFieldAt(&slots_[1], sfloat, 0x40000000);
  EXPECT_EQ(vsNativeMethod_getStaticFloatFieldAt(&slots_[1], sfloat), 0x40000000u);
  vsNativeMethod_setStaticIntFieldAt(&slots_[1], 64, 11);
  EXPECT_EQ(vsNativeMethod_getStaticDataField("sint", "I", "nat/Accessed"), 11);

  slots_[2] = vsNativeMethod_createString(reinterpret_cast<const uint16_t*>(u"s"), 1);
  vsNativeMethod_setStaticObjectField("sref", "Ljava/lang/Object;", "nat/Accessed", slots_[2]);
  EXPECT_EQ(vsNativeMethod_getStaticObjectField("sref", "Ljava/lang/Object;", "nat/Accessed"), slots_[2]);
  vsNativeMethod_setStaticObjectFieldAt(&slots_[1], 88, &slots_[1]);
  vsNativeMethod_getStaticObjectFieldAt(&slots_[1], 88, &slots_[3]);
  EXPECT_EQ(slots_[3], slots_[1]);
}

TEST_F(NativeAccessorsTest, ArrayElementsRegionsAndCreation) {
  const int32_t kInts[] = {1, -2, 3};
  slots_[1] = vsNativeMethod_newIntArray(kInts, 3);
  ASSERT_NE(slots_[1], 0u);
  EXPECT_EQ(vsNativeMethod_getIntArrayLength(slots_[1]), 3);
  EXPECT_EQ(vsNativeMethod_getIntArrayElement(slots_[1], 1), -2);
  vsNativeMethod_setIntArrayElement(slots_[1], 2, 30);
  EXPECT_EQ(vsNativeMethod_getIntArrayData(slots_[1])[2], 30);
  vsNativeMethod_setIntArrayElementAt(&slots_[1], 0, 10);
  EXPECT_EQ(vsNativeMethod_getIntArrayElementAt(&slots_[1], 0), 10);
  vsNativeMethod_setWordArrayElement(slots_[1], 1, 20);
  EXPECT_EQ(vsNativeMethod_getWordArrayElement(slots_[1], 1), 20u);
  vsNativeMethod_setFloatArrayElementAt(&slots_[1], 1, 0x3F800000);
  EXPECT_EQ(vsNativeMethod_getFloatArrayElementAt(&slots_[1], 1), 0x3F800000u);
  // Regions move overlapping bytes safely.
  int32_t out[3] = {};
  vsNativeMethod_setArrayRegion(&slots_[1], 4, 8, vsNativeMethod_getArrayElementAddress(&slots_[1], 0));
  vsNativeMethod_getArrayRegion(&slots_[1], 0, 12, out);
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[1], 10);
  EXPECT_EQ(out[2], 0x3F800000);

  slots_[1] = vsJavaHeap_newByteArray(2);
  ASSERT_NE(slots_[1], 0u);
  vsNativeMethod_setByteArrayElement(slots_[1], 0, 0x1FF);
  EXPECT_EQ(vsNativeMethod_getByteArrayElement(slots_[1], 0), -1);
  EXPECT_EQ(vsNativeMethod_getBooleanArrayElementAt(&slots_[1], 0), 0xFFu);
  EXPECT_EQ(vsNativeMethod_getBooleanArrayElement(slots_[1], 0), -1) << "signed, as the table says";
  vsNativeMethod_setBooleanArrayElementAt(&slots_[1], 1, 1);
  EXPECT_EQ(vsNativeMethod_getByteArrayData(slots_[1])[1], 1);
  vsNativeMethod_setByteArrayElementAt(&slots_[1], 1, -3);
  EXPECT_EQ(vsNativeMethod_getByteArrayElementAt(&slots_[1], 1), -3);
  EXPECT_EQ(vsNativeMethod_getByteArrayLength(slots_[1]), 2);

  slots_[1] = vsJavaHeap_newCharArray(1);
  vsNativeMethod_setCharArrayElementAt(&slots_[1], 0, 0x18001);
  EXPECT_EQ(vsNativeMethod_getCharArrayElementAt(&slots_[1], 0), 0x8001u);
  EXPECT_EQ(vsNativeMethod_getShortArrayElementAt(&slots_[1], 0), -32767);
  EXPECT_EQ(vsNativeMethod_getShortArrayElement(slots_[1], 0), -32767);
  vsNativeMethod_setShortArrayElement(slots_[1], 0, 5);
  vsNativeMethod_setShortArrayElementAt(&slots_[1], 0, vsNativeMethod_getShortArrayData(slots_[1])[0] + 1);
  EXPECT_EQ(vsNativeMethod_getShortArrayElementAt(&slots_[1], 0), 6);

  slots_[1] = vsJavaHeap_newLongArray(2);
  vsNativeMethod_setLongArrayElementAt(&slots_[1], 1, 0x89ABCDEF, 0x01234567);
  EXPECT_EQ(vsNativeMethod_getLongArrayElementAt(&slots_[1], 1), 0x0123456789ABCDEF);
  EXPECT_EQ(vsNativeMethod_getLongArrayElementAt(&slots_[1], 0), 0);
  vsNativeMethod_setDoubleArrayElementAt(&slots_[1], 0, 1, 2);
  EXPECT_EQ(vsNativeMethod_getDoubleArrayElementAt(&slots_[1], 0), 0x0000000200000001);

  slots_[1] = vsJavaHeap_newFloatArray(1);
  vsNativeMethod_setFloatArrayElement(slots_[1], 0, 0x40000000);
  EXPECT_EQ(vsNativeMethod_getFloatArrayElement(slots_[1], 0), 0x40000000u);
  EXPECT_EQ(vsNativeMethod_getFloatArrayData(slots_[1])[0], 0x40000000u);
  EXPECT_EQ(vsNativeMethod_getFloatArrayLength(slots_[1]), 1);

  vsClass_setInitialized(loaded("java/lang/String"));
  slots_[1] = vsNativeMethod_newObjectArray(mirror("java/lang/String"), 2);
  ASSERT_NE(slots_[1], 0u);
  EXPECT_EQ(vsRef_as<ClassRecord>(vsObject_class(slots_[1])->elementOrLink), loaded("java/lang/String"));
  EXPECT_EQ(vsNativeMethod_getObjectArrayLength(slots_[1]), 2);
  slots_[2] = vsNativeMethod_createString(reinterpret_cast<const uint16_t*>(u"e"), 1);
  vsNativeMethod_setObjectArrayElement(slots_[1], 1, slots_[2]);
  EXPECT_EQ(vsNativeMethod_getObjectArrayElement(slots_[1], 1), slots_[2]);
  vsNativeMethod_setObjectArrayElementAt(&slots_[1], 0, &slots_[2]);
  vsNativeMethod_getObjectArrayElementAt(&slots_[1], 0, &slots_[3]);
  EXPECT_EQ(slots_[3], slots_[2]);
  EXPECT_EQ(vsNativeMethod_newObjectArray(mirror("java/lang/String"), -1), 0u);
  EXPECT_EQ(takePending(), "java/lang/NegativeArraySizeException");

  slots_[1] = vsNativeMethod_newIntMatrix(2, 3);
  ASSERT_NE(slots_[1], 0u);
  ASSERT_EQ(vsNativeMethod_getObjectArrayLength(slots_[1]), 2);
  EXPECT_EQ(vsNativeMethod_getIntArrayLength(vsNativeMethod_getObjectArrayElement(slots_[1], 1)), 3);
  EXPECT_NE(vsNativeMethod_getObjectArrayElement(slots_[1], 0),
            vsNativeMethod_getObjectArrayElement(slots_[1], 1));
  EXPECT_EQ(vsNativeMethod_newIntMatrix(-1, 2), 0u);
  EXPECT_EQ(takePending(), "java/lang/NegativeArraySizeException");
  EXPECT_EQ(vsNativeMethod_newIntMatrix(2, -1), 0u);
  EXPECT_EQ(takePending(), "java/lang/NegativeArraySizeException");

  slots_[1] = instance("nat/Accessed");
  EXPECT_EQ(vsObject_class(slots_[1]), loaded("nat/Accessed"));
}

TEST_F(NativeAccessorsTest, StringReadersReadStringsAndNativeCopiesAlike) {
  slots_[1] = vsNativeMethod_createString(reinterpret_cast<const uint16_t*>(u"xhello"), 6);
  slots_[1] = vsJavaHeap_newString(&vsRef_as<StringObject>(slots_[1])->value, 1, 5);
  ASSERT_NE(slots_[1], 0u);
  const VmRef copy = vsNativeMethod_copyStringToNative(slots_[1]);
  ASSERT_NE(copy, 0u);
  for (const VmRef s : {slots_[1], copy}) {
    const bool isCopy = s == copy;
    EXPECT_EQ(vsNativeMethod_getStringCount(s), 5) << "copy " << isCopy;
    EXPECT_EQ(vsNativeMethod_getStringOffset(s), isCopy ? 0 : 1) << "copy " << isCopy;
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(vsNativeMethod_getStringChars(s)), 5),
              u"hello")
        << "copy " << isCopy;
    EXPECT_EQ(vsNativeMethod_getStringValueData(s)[isCopy ? 0 : 1], 'h') << "copy " << isCopy;
  }
  vsNativeMethod_freeNativeString(copy);
}

TEST_F(NativeAccessorsTest, LocalFrameSlotsAreRootsUntilTheFramePops) {
  NativeFrame outer, inner;
  VmRef outerSlots[1], innerSlots[2];
  vsNativeMethod_pushLocalFrame(1, &outer, outerSlots);
  vsNativeMethod_pushLocalFrame(2, &inner, innerSlots);
  EXPECT_EQ(inner.prev, vsWord_fromPointer(&outer));
  EXPECT_EQ(innerSlots[1], 0u) << "slots start zeroed";
  outerSlots[0] = vsJavaHeap_newIntArray(4);
  innerSlots[1] = vsJavaHeap_newIntArray(4);
  const int32_t outerWeak = vsGlobalRef_new(&outerSlots[0], kGlobalRefWeak);
  const int32_t innerWeak = vsGlobalRef_new(&innerSlots[1], kGlobalRefWeak);
  vsGC_fullCollection();
  EXPECT_EQ(vsGlobalRef_get(innerWeak), innerSlots[1]) << "held by the inner frame";
  vsNativeMethod_popLocalFrame(&inner);
  EXPECT_EQ(vsNativeMethod_localFrames, vsWord_fromPointer(&outer));
  vsGC_fullCollection();
  EXPECT_EQ(vsGlobalRef_get(innerWeak), 0u) << "the popped frame holds nothing";
  EXPECT_EQ(vsGlobalRef_get(outerWeak), outerSlots[0]) << "held by the outer frame";
  vsNativeMethod_popLocalFrame(&outer);
  vsGlobalRef_delete(innerWeak);
  vsGlobalRef_delete(outerWeak);
}

TEST_F(NativeAccessorsTest, NewObjectByNameReportsTheExceptionItCleared) {
  EXPECT_EQ(vsNativeMethod_newObjectByName("nat/Accessed", &slots_[1]), 0);
  ASSERT_NE(slots_[1], 0u);
  EXPECT_EQ(vsObject_class(slots_[1]), loaded("nat/Accessed"));
  EXPECT_NE(vsNativeMethod_newObjectByName("nat/NoSuchClass", &slots_[1]), 0);
  EXPECT_EQ(slots_[1], 0u);
  EXPECT_EQ(takePending(), "") << "cleared";
  slots_[2] = mirror("layout/Fields");
  EXPECT_EQ(vsNativeMethod_newObjectOfClass(&slots_[2], &slots_[1]), 0);
  EXPECT_EQ(vsObject_class(slots_[1]), loaded("layout/Fields"));
}

TEST_F(NativeAccessorsTest, CurrentClassWhileAFinalizerRunsIsTheClassOfItsObject) {
  slots_[1] = instance("nat/Accessed");
  vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&slots_[1]);
  vsFinalizer_lists.running = 1;
  vsNativeMethod_getCurrentClass(&slots_[2]);
  vsFinalizer_lists.running = 0;
  vsVmGlobals.nativeParameterPointer = 0;
  EXPECT_EQ(slots_[2], mirror("nat/Accessed"));
}

TEST_F(NativeAccessorsTest, DoublesMoveAsLongs) {
  const VmWord words[2] = {0x89ABCDEF, 0x01234567};  // low word first
  vsNative_popPointer = vsWord_fromPointer(&words[0]);
  EXPECT_EQ(vsNativeMethod_popDouble(), 0x0123456789ABCDEF);
  vsNativeMethod_setReturnDouble(1, 2);
  const ThreadRecord* thread = vsRef_as<ThreadRecord>(vsVmGlobals.currentThread);
  EXPECT_EQ(thread->resultLow, 1u);
  EXPECT_EQ(thread->resultHigh, 2u);
}

}  // namespace
