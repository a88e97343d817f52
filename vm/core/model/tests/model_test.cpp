// Kinds and their maps, basic types, GC handles and the accessors of class,
// mirror and method records.
#include <gtest/gtest.h>

#include <vector>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/write_barrier.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/vm_globals.h"

namespace {

std::vector<uint8_t> mapOf(int kind) {
  std::vector<uint8_t> bytes;
  for (const uint8_t* p = vsKind_map(kind); *p != 0; ++p) bytes.push_back(*p);
  return bytes;
}

TEST(KindsTest, MapsNameTheReferenceWords) {
  EXPECT_EQ(mapOf(kKindThread), (std::vector<uint8_t>{3, 1, 1, 4, 1, 2, 1, 4, 1, 3, 3, 1}));
  EXPECT_EQ(mapOf(kKindZipStream), (std::vector<uint8_t>{27, 1}));
  EXPECT_EQ(mapOf(kKindClassLoading), (std::vector<uint8_t>{1, 2, 1, 1, 3, 2}));
  EXPECT_EQ(mapOf(kKindMonitor), (std::vector<uint8_t>{1, 1, 1, 1}));
  EXPECT_EQ(mapOf(kKindInstanceClass), (std::vector<uint8_t>{3, 1, 1, 1, 1, 1, 1, 2}));
  EXPECT_EQ(mapOf(kKindCompiler40), (std::vector<uint8_t>{3, 6}));
  EXPECT_TRUE(mapOf(kKindSymbol).empty());
  EXPECT_TRUE(mapOf(kKindObjectArray).empty());
  EXPECT_TRUE(mapOf(5).empty());
}

TEST(KindsTest, LongDistancesUseTheSkipByte) {
  const KindInfo far{-40, -1, SizeRule::None, 0, 1, {255}};
  const KindMap map = vsKind_buildMap(far);
  EXPECT_EQ(map[0], 255);  // 254 words on without a visit
  EXPECT_EQ(map[1], 1);
  EXPECT_EQ(map[2], 0);
}

TEST(BasicTypesTest, SizesAndStackShapes) {
  const struct {
    int32_t type;
    int32_t bytes;
    int32_t words;
    int32_t stackType;
    int32_t bit;
    char letter;
  } cases[] = {
      {kTypeBoolean, 1, 1, kTypeInt, 2, 'Z'},    {kTypeChar, 2, 1, kTypeInt, 2, 'C'},
      {kTypeFloat, 4, 1, kTypeFloat, 16, 'F'},   {kTypeDouble, 8, 2, kTypeDouble, 32, 'D'},
      {kTypeByte, 1, 1, kTypeInt, 2, 'B'},       {kTypeShort, 2, 1, kTypeInt, 2, 'S'},
      {kTypeInt, 4, 1, kTypeInt, 2, 'I'},        {kTypeLong, 8, 2, kTypeLong, 4, 'J'},
      {kTypeObject, 4, 1, kTypeObject, 1, 0},    {kTypeArray, 4, 1, kTypeObject, 1, 0},
      {kTypeVoid, 0, 0, kTypeVoid, 0, 'V'},      {3, 0, 0, 3, 0, 0},
      {40, 0, 0, 40, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vsBasicType_byteSize(c.type), c.bytes) << c.type;
    EXPECT_EQ(vsBasicType_stackWords(c.type), c.words) << c.type;
    EXPECT_EQ(vsBasicType_stackType(c.type), c.stackType) << c.type;
    EXPECT_EQ(vsBasicType_tagBit(c.type), c.bit) << c.type;
    if (c.letter != 0) {
      EXPECT_EQ(vsBasicType_ofLetter(c.letter), c.type) << c.letter;
    }
  }
  EXPECT_EQ(vsBasicType_ofLetter('L'), kTypeNotPrimitive);
  EXPECT_EQ(vsBasicType_ofLetter(0), kTypeNotPrimitive);
}

TEST(VmGlobalsTest, BlockIsAlignedForGeneratedCode) {
  EXPECT_EQ(vsWord_fromPointer(&vsVmGlobals) % 256, 0u);
  const VmSectionBounds b = vsSections_bounds();
  const auto* at = reinterpret_cast<const uint8_t*>(&vsVmGlobals);
  EXPECT_TRUE(at >= b.bssStart && at + sizeof(VmGlobals) <= b.bssEnd);
}

TEST(HandlesTest, NestedHandlesRestoreTheHead) {
  VmPtr<VmHandle> const start = vsLocalRootList;
  VmHandle outer;
  vsHandle_push(&outer, 0x1000);
  EXPECT_EQ(vsLocalRootList.get(), &outer);
  VmHandle copy;
  vsHandle_pushCopy(&copy, &outer.object);
  VmHandle empty;
  vsHandle_pushEmpty(&empty);
  EXPECT_EQ(copy.object, 0x1000u);
  EXPECT_EQ(empty.object, 0u);
  EXPECT_EQ(vsLocalRootList.get(), &empty);
  EXPECT_EQ(empty.previous.get(), &copy);
  vsHandle_assign(&empty.object, &copy.object);
  EXPECT_EQ(empty.object, 0x1000u);
  vsHandle_close(&empty);
  EXPECT_EQ(vsLocalRootList.get(), &copy);
  vsHandle_close(&outer);  // closes every handle opened after it too
  EXPECT_EQ(vsLocalRootList.raw, start.raw);
}

TEST(ObjectHelpersTest, BytesAndSignaturePositions) {
  EXPECT_EQ(vsBytes_swap32(0x12345678u), 0x78563412u);
  EXPECT_EQ(vsBytes_lowByte(0xabcd), 0xcd);
  EXPECT_EQ(vsBytes_highByte(0xabcd), 0xab);
  const uint8_t le[] = {0x34, 0x12};
  EXPECT_EQ(vsBytes_readU16(le), 0x1234);
  ClassLookup lookup{};
  VmRef name = 0x40;
  vsClassLookup_init(&lookup, &name, 1, 0, 0x2000);
  EXPECT_EQ(lookup.name.get(), &name);
  EXPECT_EQ(lookup.kind, 1);
  EXPECT_EQ(lookup.stub, 0);
  EXPECT_EQ(lookup.classFileBytes, 0x2000u);
}

using AccessTest = HeapTest;

TEST_F(AccessTest, ObjectAndClassTests) {
  VmRef object = vsRoot(kRootObject);
  VmRef objectArray = vsRoot(kRootObjectArray);
  VmRef intArray = vsRoot(kRootIntArray);
  EXPECT_TRUE(vsClass_isInstanceClass(&object));
  EXPECT_TRUE(vsClass_isObjectArrayClass(&objectArray));
  EXPECT_TRUE(vsClass_isTypeArrayClass(&intArray));
  EXPECT_FALSE(vsClass_isInstanceClass(&intArray));
  EXPECT_TRUE(vsObject_isObjectArray(vsJavaHeap_newObjectArray(2)));
  EXPECT_TRUE(vsObject_isTypeArray(vsJavaHeap_newLongArray(2)));
  EXPECT_FALSE(vsObject_isTypeArray(vsJavaHeap_newObjectArray(2)));
  EXPECT_TRUE(vsClass_isJavaLangObject(vsRoot_as<ClassRecord>(kRootObject)));
  EXPECT_EQ(vsArrayClass_elementSize(vsRoot_as<ClassRecord>(kRootByteArray)), 1);
  EXPECT_EQ(vsArrayClass_elementSize(vsRoot_as<ClassRecord>(kRootDoubleArray)), 8);
  EXPECT_EQ(vsClass_methods(vsRoot_as<ClassRecord>(kRootByteArray)), static_cast<VmWord>(kTypeByte));
  uint32_t flags = 0;
  vsClass_accessFlags(&intArray, &flags);
  EXPECT_EQ(flags & kClassArray, uint32_t{kClassArray});
  EXPECT_TRUE(vsClass_isArrayClass(vsRoot_as<ClassRecord>(kRootIntArray)));
}

TEST_F(AccessTest, ClassFlagsAndMirrorStatus) {
  ClassRecord* c = vsRef_as<ClassRecord>(vsTestHeap_newClass("Flags", vsRoot(kRootObject), 4));
  EXPECT_FALSE(vsClass_isVerified(c));
  EXPECT_FALSE(vsClass_isStub(c));
  vsClass_setVerified(c);
  EXPECT_TRUE(vsClass_isVerified(c));
  EXPECT_EQ(vsClass_mirror(c)->status, uint32_t{kMirrorVerified});
  EXPECT_EQ(vsClass_setMirrorVerified(c), uint32_t{kMirrorVerified});
  vsClass_setInitialized(c);
  EXPECT_TRUE(vsClass_isInitialized(c));
  vsClass_clearInitialized(c);
  EXPECT_FALSE(vsClass_isInitialized(c));
  EXPECT_FALSE(vsClass_isBeingInitialized(c));
  EXPECT_EQ(vsClass_setOpen(c), uint32_t{kMirrorVerified});
  EXPECT_TRUE(vsClass_isOpen(c));
  vsClass_setTrivialConstructor(c);
  EXPECT_NE(c->classInfo->accessFlags & kClassTrivialConstructor, 0u);
  EXPECT_EQ(vsClass_mirror(c)->classRecord.get(), c);
}

TEST_F(AccessTest, MethodAccessors) {
  VmRef method = vsJavaHeap_newMethod(8);
  MethodRecord* m = vsRef_as<MethodRecord>(method);
  m->classId = vsClass_id(vsRoot_as<ClassRecord>(kRootString));
  const struct {
    uint16_t flags;
    bool isNative, isAbstract, isPublic, isPrivate, isProtected, isPackage, isStatic;
  } cases[] = {
      {kMethodPublic | kMethodStatic, false, false, true, false, false, false, true},
      {kMethodPrivate | kMethodNative, true, false, false, true, false, false, false},
      {kMethodProtected | kMethodAbstract, false, true, false, false, true, false, false},
      {0, false, false, false, false, false, true, false},
  };
  for (const auto& c : cases) {
    m->accessFlags = c.flags;
    uint16_t out = 0;
    vsMethod_accessFlags(&method, &out);
    EXPECT_EQ(out, c.flags);
    EXPECT_EQ(vsMethod_isNative(m), c.isNative);
    EXPECT_EQ(vsMethod_isAbstract(m), c.isAbstract);
    EXPECT_EQ(vsMethod_isPublic(m), c.isPublic);
    EXPECT_EQ(vsMethod_isPrivate(m), c.isPrivate);
    EXPECT_EQ(vsMethod_isProtected(m), c.isProtected);
    EXPECT_EQ(vsMethod_isPackagePrivate(m), c.isPackage);
    EXPECT_EQ(vsMember_isStatic(m), c.isStatic);
  }
  EXPECT_EQ(vsMethod_holderClass(m), vsRoot_as<ClassRecord>(kRootString));
  EXPECT_FALSE(vsMethod_isNativeWithoutCode(m));

  // Tables and maps: the shared empty table stands in for a missing one.
  EXPECT_EQ(vsMethod_exceptionTable(m), vsRoot(kRootEmptyExceptionTable));
  m->exceptionTable = 0x1230;
  m->stackMap = 0x4560;
  EXPECT_EQ(vsMethod_exceptionTable(m), 0x1230u);
  EXPECT_EQ(vsMethod_stackmap(m), 0x4560u);
  m->accessFlags = kMethodNoExceptionTable | kMethodNoStackMap;
  EXPECT_EQ(vsMethod_exceptionTable(m), vsRoot(kRootEmptyExceptionTable));
  EXPECT_EQ(vsMethod_stackmap(m), 0u);

  // A method in the heap uses its own pool, whatever its flags say.
  m->accessFlags = kMethodMergedPool;
  m->constantPool.raw = 0x7770;
  vsVmGlobals.mergedPool = 0x8880;
  EXPECT_EQ(vsRef_of(vsMethod_constantPool(m)), 0x7770u);
  MethodRecord outside{};
  outside.accessFlags = kMethodMergedPool;
  outside.constantPool.raw = 0x7770;
  EXPECT_EQ(vsRef_of(vsMethod_constantPool(&outside)), 0x8880u);
  outside.accessFlags = 0;
  EXPECT_EQ(vsRef_of(vsMethod_constantPool(&outside)), 0x7770u);

  // The entry word of compiled code lies inside the heap.
  EXPECT_FALSE(vsMethod_isCompiled(m));
  m->ownEntry = vsVmGlobals.heapLow + 64;
  EXPECT_TRUE(vsMethod_isCompiled(m));
  EXPECT_EQ(vsMethod_nativeAddressSlot(m), reinterpret_cast<VmWord*>(m->code + 4));
}

TEST_F(AccessTest, VtableIndexOfAMethod) {
  VmHandle method;
  vsHandle_push(&method, vsJavaHeap_newMethod(1));
  VmRef cls = vsJavaHeap_newInstanceClass(3, 0, 0, 0, 2, 4);
  ClassInfo* ci = vsRef_as<ClassRecord>(cls)->classInfo.get();
  vsRef_as<MethodRecord>(method.object)->classId = ci->classId;
  EXPECT_EQ(vsMethod_findInVtable(vsRef_as<MethodRecord>(method.object)), -1);
  vsJavaHeap_storeReference(&ci->vtable[2], method.object);
  EXPECT_EQ(vsMethod_findInVtable(vsRef_as<MethodRecord>(method.object)), 2);
  vsHandle_close(&method);
}

TEST_F(AccessTest, RawStoresAndArgumentBlocks) {
  const VmRef array = vsJavaHeap_newIntArray(4);
  vsGC_clearBits(array, array + 24);
  vsObject_storeReferenceAt(array, 12, vsRoot(kRootObject));
  vsObject_storeByteAt(array, 16, 0x5a);
  EXPECT_EQ(vsRef_as<IntArray>(array)->elements[1], static_cast<int32_t>(vsRoot(kRootObject)));
  EXPECT_TRUE(vsGC_testBit(array + 12));
  EXPECT_EQ(vsRef_as<uint8_t>(array)[16], 0x5a);

  const VmRef block = vsJavaHeap_newPairArray(2);
  ArgumentBlock* b = vsRef_as<ArgumentBlock>(block);
  vsArgumentBlock_setReference(b, 0, vsRoot(kRootString));
  vsArgumentBlock_setWord(b, 1, 42, kTypeInt);
  EXPECT_EQ(b->entries[0].type, kArgumentTypeReference);
  EXPECT_EQ(b->entries[0].value, vsRoot(kRootString));
  EXPECT_TRUE(vsGC_testBit(vsRef_of(&b->entries[0].value)));
  EXPECT_EQ(b->entries[1].value, 42u);

  VmWord words[4] = {0, 0, 0, array};
  EXPECT_EQ(vsRecord_blockWordAt(vsWord_fromPointer(words), 2), vsRef_as<VmWord>(array) + 2);

  const uint8_t encoded[] = {0x80, static_cast<uint8_t>(0x80 | vsClass_id(vsRoot_as<ClassRecord>(kRootIntArray)))};
  EXPECT_EQ(vsSignature_classAt(encoded), vsRoot_as<ClassRecord>(kRootIntArray));
  EXPECT_EQ(vsSignature_objectTypeAt(encoded), kTypeArray);
  const uint8_t object[] = {0x80, static_cast<uint8_t>(0x80 | vsClass_id(vsRoot_as<ClassRecord>(kRootObject)))};
  EXPECT_EQ(vsSignature_objectTypeAt(object), kTypeObject);
}

}  // namespace
