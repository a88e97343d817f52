// Class loading over a core started without a class image: stubs, the
// class tables, mirrors, the well-known symbols and the parse contexts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/loader/class_file_context.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/roots.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/model/well_known_symbols.h"

namespace {

using ClassLoadingTest = CoreTest;

ClassRecord* classOfType(VmRef type) { return vsSignature_classAt(vsRef_as<VmSymbol>(type)->bytes); }

TEST_F(ClassLoadingTest, AStubHandsItsIdAndArrayClassToTheRealClass) {
  ClassRecord* stub = classOfType(descriptor("Lorder/Parent;"));
  ASSERT_NE(stub, nullptr) << takePending();
  EXPECT_TRUE(vsClass_isStub(stub));
  const uint16_t id = vsClass_id(stub);
  ClassRecord* array = classOfType(descriptor("[Lorder/Parent;"));
  ASSERT_EQ(stub->arrayClass.get(), array);
  EXPECT_EQ(vsRef_as<ClassRecord>(array->elementOrLink), stub);
  EXPECT_EQ(vsClass_findLoaded(symbol("order/Parent")), 0u) << "a stub is not a loaded class";

  const uint32_t idsBefore = vsClassTable_count();
  ClassRecord* real = loaded("order/Parent");
  ASSERT_NE(real, stub);
  EXPECT_FALSE(vsClass_isStub(real));
  EXPECT_EQ(vsClass_id(real), id);
  EXPECT_EQ(vsClassTable_count(), idsBefore) << "the new class gave its own id back";
  EXPECT_EQ(vsClass_byId(id), real);
  EXPECT_EQ(real->arrayClass.get(), array);
  EXPECT_EQ(vsRef_as<ClassRecord>(array->elementOrLink), real);
  const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(real));
  for (int32_t i = 0; i < methods->length; ++i)
    EXPECT_EQ(vsRef_as<MethodRecord>(methods->elements[i])->classId, id);
  EXPECT_EQ(vsClass_findLoaded(symbol("order/Parent")), vsRef_of(real));
  // The encoded type still names the class, now the real one.
  EXPECT_EQ(classOfType(descriptor("Lorder/Parent;")), real);
}

TEST_F(ClassLoadingTest, AnArrayNameLoadsItsElementClass) {
  const VmRef array = load("[[Lorder/IA;");
  ASSERT_NE(array, 0u) << takePending();
  const ClassRecord* element = vsRef_as<ClassRecord>(vsRef_as<ClassRecord>(array)->elementOrLink);
  const ClassRecord* innermost = vsRef_as<ClassRecord>(element->elementOrLink);
  EXPECT_FALSE(vsClass_isStub(innermost));
  EXPECT_EQ(vsClass_findLoaded(symbol("order/IA")), vsRef_of(innermost));
  EXPECT_EQ(load("[[Lorder/IA;"), array) << "array classes are made once";
  EXPECT_EQ(load("[I"), vsRoot(kRootIntArray));
  EXPECT_EQ(load("[Lno/Such;"), 0u);
  EXPECT_EQ(takePending(), "java/lang/NoClassDefFoundError \"no/Such\"");
}

TEST_F(ClassLoadingTest, InvalidNamesAreNotFound) {
  for (const char* name : {"", "a//b", "a;b", "[", "9a"}) {
    EXPECT_EQ(vsClass_findOrLoadByName(name, 0), 0u) << name;
    EXPECT_EQ(takePending(), std::string("java/lang/ClassNotFoundException \"") + name + "\"") << name;
  }
}

TEST_F(ClassLoadingTest, ALoadedClassIsFoundAgain) {
  const VmRef first = load("order/Child");
  ASSERT_NE(first, 0u) << takePending();
  const uint32_t ids = vsClassTable_count();
  EXPECT_EQ(load("order/Child"), first);
  EXPECT_EQ(vsClassTable_count(), ids);
  // Its superclass and interfaces were loaded on the way.
  for (const char* name : {"order/Parent", "order/IA", "order/IB"}) EXPECT_NE(vsClass_findLoaded(symbol(name)), 0u);
}

TEST_F(ClassLoadingTest, MirrorsTellWhatIsOpenToApplications) {
  struct Case {
    const char* name;
    uint32_t status;
  };
  const Case cases[] = {{"java/lang/Object", kMirrorOpen}, {"layout/Fields", kMirrorOpen}, {"[I", 0}, {"[Llayout/Fields;", 0}};
  for (const Case& c : cases) {
    const ClassRecord* cls = loaded(c.name);
    ASSERT_NE(cls->mirror.get(), nullptr) << c.name;
    EXPECT_EQ(cls->mirror->status, c.status) << c.name;
    EXPECT_EQ(cls->mirror->classRecord.get(), cls) << c.name;
  }
}

TEST_F(ClassLoadingTest, TheStartFillsEveryWellKnownSymbol) {
  for (int i = 0; i < kWellKnownCount; ++i) {
    const WellKnown slot = static_cast<WellKnown>(i);
    const VmRef s = vsWellKnown_symbol(slot);
    ASSERT_NE(s, 0u) << vsWellKnown_definition(slot).text;
    switch (vsWellKnown_definition(slot).form) {
      case WellKnownForm::Name:
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(vsRef_as<VmSymbol>(s)->bytes), vsRef_as<VmSymbol>(s)->length),
                  vsWellKnown_definition(slot).text);
        break;
      case WellKnownForm::FieldType:
        EXPECT_TRUE(vsSymbol_isFieldType(s)) << vsWellKnown_definition(slot).text;
        break;
      case WellKnownForm::Signature:
        EXPECT_TRUE(vsSymbol_isMethodSignature(s, 0)) << vsWellKnown_definition(slot).text;
        break;
    }
  }
  EXPECT_EQ(vsWellKnown_symbol(kSymSignatureVoid), descriptor("()V"));
  EXPECT_EQ(vsWellKnown_findName("java/lang/Error"), kSymError);
  EXPECT_EQ(vsWellKnown_findName("java/lang/Nothing"), kWellKnownCount);
}

TEST_F(ClassLoadingTest, TheBootstrapClassesHaveTheLayoutsTheVmReads) {
  EXPECT_EQ(vsRoot_as<ClassRecord>(kRootObject)->instanceKind, 4);
  EXPECT_EQ(vsRoot_as<ClassRecord>(kRootClass)->instanceKind, 16);
  EXPECT_EQ(vsRoot_as<ClassRecord>(kRootString)->instanceKind, 16);
  EXPECT_EQ(vsRoot_as<ClassRecord>(kRootThrowable)->instanceKind, 12);
  const ClassRecord* objectArray = vsRoot_as<ClassRecord>(kRootObjectArray);
  EXPECT_EQ(vsRoot_as<ClassRecord>(kRootObject)->arrayClass.get(), objectArray);
  EXPECT_EQ(objectArray->superClass.get(), vsRoot_as<ClassRecord>(kRootObject));
  EXPECT_EQ(objectArray->classInfo->vtableLength, vsRoot_as<ClassRecord>(kRootObject)->classInfo->vtableLength);
  for (Root r : {kRootBooleanArray, kRootIntArray, kRootLongArray}) {
    EXPECT_EQ(vsRoot_as<ClassRecord>(r)->superClass.get(), vsRoot_as<ClassRecord>(kRootObject));
    EXPECT_NE(vsRoot_as<ClassRecord>(r)->mirror.get(), nullptr);
  }
  const VmRef oom = vsRoot(kRootOutOfMemoryError);
  ASSERT_NE(oom, 0u);
  EXPECT_EQ(vsObject_class(oom), vsRef_as<ClassRecord>(vsClass_findLoaded(symbol("java/lang/OutOfMemoryError"))));
  // A Thread is named by Class's field only: a stub.
  EXPECT_EQ(vsClass_findLoaded(symbol("java/lang/Thread")), 0u);
}

TEST_F(ClassLoadingTest, TheClassInitializerIsTakenOnce) {
  ClassRecord* base = loaded("vt/Base");
  const VmRef initializer = vsClass_takeClassInitializer(base);
  ASSERT_NE(initializer, 0u);
  ASSERT_NE(initializer, kClassInitializerNotTaken);
  EXPECT_EQ(vsMethod_name(vsRef_as<MethodRecord>(initializer)), vsWellKnown_symbol(kSymClinit));
  EXPECT_EQ(vsClass_findMethodInClass(base, vsWellKnown_symbol(kSymClinit), vsWellKnown_symbol(kSymSignatureVoid)), 0u);
  EXPECT_EQ(vsClass_takeClassInitializer(base), 0u) << "taken already";
  EXPECT_EQ(vsClass_takeClassInitializer(loaded("it/Shape")), kClassInitializerNotTaken) << "an interface";
}

TEST_F(ClassLoadingTest, ParseContextsFollowAMovedClassFile) {
  VmHandle bytes;
  vsHandle_push(&bytes, vsJavaHeap_newByteArray(16));
  for (int8_t i = 0; i < 16; ++i) vsRef_as<ByteArray>(bytes.object)->elements[i] = i;
  VmRef stack = 0;
  ClassFileContext context;
  vsClassFile_open(&context, bytes.object, &stack, nullptr, nullptr);
  EXPECT_EQ(vsClassFile_readU2(&context), 0x0001);
  // Move the array as a collection would, between the two hooks.
  vsClassFile_relocateContexts();
  VmHandle copy;
  vsHandle_push(&copy, vsJavaHeap_newByteArray(16));
  std::memcpy(vsRef_as<ByteArray>(copy.object)->elements, vsRef_as<ByteArray>(bytes.object)->elements, 16);
  std::memset(vsRef_as<ByteArray>(bytes.object)->elements, 0x7f, 16);
  context.classFile.object = copy.object;
  vsClassFile_restoreContexts();
  EXPECT_EQ(vsClassFile_offset(&context), 2u);
  EXPECT_EQ(vsClassFile_readU4(&context), 0x02030405u);
  EXPECT_EQ(vsClassFile_remaining(&context), 10u);
  vsClassFile_skip(&context, 10);
  EXPECT_EQ(vsClassFile_readU1(&context), 0);
  EXPECT_EQ(takePending(), "java/lang/Error \" 44\"");
  EXPECT_EQ(vsClassFile_offset(&context), 16u);
  vsClassFile_close(&context);
  vsHandle_close(&bytes);
  EXPECT_EQ(vsClassFile_contexts.get(), nullptr);
}

}  // namespace
