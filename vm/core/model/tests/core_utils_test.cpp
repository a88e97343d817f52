// The class-file reader, field and class-name lookups, verifier type
// indexes and the deferred-collection request.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/core/exception_double.h"
#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_reader.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/class_name_by_id.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/peak_usage.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/type_index.h"
#include "vm/core/model/vm_globals.h"

namespace {

TEST(ClassReaderTest, ReadsUpToTheLastByteAndNoFurther) {
  uint8_t bytes[] = {0xca, 0xfe, 0xba, 0xbe, 0x01};
  ClassReader reader{vsWord_fromPointer(bytes), vsWord_fromPointer(bytes + 1), vsWord_fromPointer(bytes + 5)};
  EXPECT_EQ(vsClassReader_readU16(&reader), 0xfeba);
  EXPECT_EQ(vsClassReader_readU16(&reader), 0xbe01);  // ends on the last byte
  EXPECT_FALSE(vsException_isPending());
  ClassReader shortReader{vsWord_fromPointer(bytes), vsWord_fromPointer(bytes + 4), vsWord_fromPointer(bytes + 5)};
  EXPECT_EQ(vsClassReader_readU16(&shortReader), 0);
  EXPECT_EQ(vsTestException_last().code, 44);
  EXPECT_EQ(vsTestException_last().className, "java/lang/Error");
  EXPECT_EQ(shortReader.position, vsWord_fromPointer(bytes + 4));
  vsTestException_clear();
}

using LookupTest = HeapTest;

TEST_F(LookupTest, NamesAClassByItsNumber) {
  const VmRef cls = vsTestHeap_newClass("pkg/Named", vsRoot(kRootObject), 4);
  const uint32_t number = vsClass_id(vsRef_as<ClassRecord>(cls)) + 1u;
  int32_t length = -1;
  const uint8_t* name = vsClass_nameUtf8ById(number, &length);
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(name), static_cast<size_t>(length)), "pkg/Named");
  vsRef_as<ClassRecord>(cls)->classInfo->name = nullptr;
  EXPECT_EQ(vsClass_nameUtf8ById(number, &length), nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(vsClass_nameUtf8ById(0, &length), nullptr);
  EXPECT_EQ(vsClass_nameUtf8ById(5000, &length), nullptr);
}

TEST(TypeIndexTest, PresetTableThenTheContextsPairs) {
  static const int32_t preset[] = {7, 6, 5};
  vsVerifier_presetTypeIndexes = TypeIndexTable{VmPtr<const int32_t>::of(preset), 3};
  static const int32_t pairs[] = {10, 100, 12, 120, 3, 30};
  const VerifierTypeContext context{VmPtr<const int32_t>::of(pairs), 6};
  EXPECT_EQ(vsVerifier_typeIndex(&context, 0), 7);
  EXPECT_EQ(vsVerifier_typeIndex(&context, 2), 5);
  EXPECT_EQ(vsVerifier_typeIndex(&context, 3), 4);   // position of the pair {3, 30}
  EXPECT_EQ(vsVerifier_typeIndex(&context, 12), 2);
  EXPECT_EQ(vsVerifier_typeIndex(&context, 100), -1);  // values are not ids
  EXPECT_EQ(vsVerifier_typeIndex(&context, 11), -1);
  vsVerifier_presetTypeIndexes = TypeIndexTable{};
}

TEST(PeakUsageTest, KeepsTheLargestRequest) {
  vsNativeMethod_deferredCollectionBytes = 0;
  vsMemory_updatePeakUsage(100);
  vsMemory_updatePeakUsage(0x20000);
  vsMemory_updatePeakUsage(5000);
  EXPECT_EQ(vsNativeMethod_deferredCollectionBytes, 0x20000u);
  vsNativeMethod_deferredCollectionBytes = 0;
}

}  // namespace
