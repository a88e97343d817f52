// Method lookup, assignability and the small helpers over names and arrays,
// on classes loaded into a core started without a class image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/core_fixture.h"
#include "tests/support/capture_stream.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/loader/type_symbols.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/class_relations.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/signatures.h"
#include "vm/core/startup/output_stream.h"

namespace {

using ClassLookupTest = CoreTest;

std::string textOf(VmRef symbol) {
  return std::string(reinterpret_cast<const char*>(vsRef_as<VmSymbol>(symbol)->bytes), vsRef_as<VmSymbol>(symbol)->length);
}

std::string holderOf(VmRef method) {
  return textOf(vsRef_of(vsClass_name(vsMethod_holderClass(vsRef_as<MethodRecord>(method)))));
}

TEST_F(ClassLookupTest, MethodsAreFoundUpTheChain) {
  const ClassRecord* derived = loaded("vt/other/Derived");
  const VmRef returnsInt = descriptor("()I");
  struct Case {
    const char* name;
    const char* holder;
  };
  const Case cases[] = {{"m", "vt/other/Derived"}, {"p", "vt/other/Derived"}, {"fixed", "vt/Base"},
                        {"hidden", "vt/Base"}, {"helper", "vt/Base"}};
  for (const Case& c : cases) {
    const VmRef found = vsClass_findMethod(derived, symbol(c.name), returnsInt);
    ASSERT_NE(found, 0u) << c.name;
    EXPECT_EQ(holderOf(found), c.holder) << c.name;
  }
  EXPECT_EQ(vsClass_findMethod(derived, symbol("m"), descriptor("()J")), 0u);
  EXPECT_EQ(vsClass_findMethodInClass(derived, symbol("fixed"), returnsInt), 0u);
  // With the image's option the most derived implementation in the virtual
  // table wins over what the chain found first.
  vsMethodLookup_imageOption = 1;
  const ClassRecord* sealed = loaded("vt/Sealed");
  EXPECT_EQ(holderOf(vsClass_findMethod(sealed, symbol("q"), returnsInt)), "vt/Base");
  EXPECT_EQ(holderOf(vsClass_findMethod(sealed, symbol("m"), returnsInt)), "vt/Sealed");
}

TEST_F(ClassLookupTest, InterfaceMethodsNameTheirHolderAndIndex) {
  const ClassRecord* named = loaded("it/Named");
  int32_t holder = -1;
  int32_t index = -1;
  const VmRef size = vsClass_findInterfaceMethod(named, symbol("size"), descriptor("()I"), &holder, &index);
  ASSERT_NE(size, 0u);
  EXPECT_EQ(holder, vsClass_id(named));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(vsClass_methodAt(named, index), size);
  EXPECT_EQ(vsClass_findInterfaceMethod(named, symbol("area"), descriptor("()I"), &holder, &index), 0u);
  EXPECT_TRUE(vsClass_implements(loaded("it/Square"), named));
  EXPECT_FALSE(vsClass_implements(loaded("vt/Base"), named));
}

TEST_F(ClassLookupTest, AssignabilityOfClassesInterfacesAndArrays) {
  struct Case {
    const char* s;
    const char* t;
    bool assignable;
  };
  const Case cases[] = {
      {"it/Square", "it/Shape", true},           {"it/Square", "it/AbstractShape", true},
      {"it/AbstractShape", "it/Square", false},  {"it/Shape", "java/lang/Object", true},
      {"it/Shape", "it/Named", false},           {"it/Square", "java/lang/String", false},
      {"[I", "java/lang/Object", true},          {"[I", "[J", false},
      {"[Lit/Square;", "[Lit/Shape;", true},     {"[Lit/Shape;", "[Lit/Square;", false},
      {"[[Lit/Square;", "[Ljava/lang/Object;", true}, {"[[I", "[Ljava/lang/Object;", true},
      {"[[I", "[[J", false},                     {"java/lang/String", "java/lang/Object", true},
  };
  for (const Case& c : cases) {
    const ClassRecord* s = loaded(c.s);
    const ClassRecord* t = loaded(c.t);
    EXPECT_EQ(vsClass_isAssignable(s, t), c.assignable) << c.s << " to " << c.t;
  }
}

TEST_F(ClassLookupTest, ClassAccessWithinAndAcrossPackages) {
  const ClassRecord* base = loaded("access/p/Base");
  const ClassRecord* sub = loaded("access/q/Sub");
  const ClassRecord* hidden = loaded("access/p/Hidden");
  EXPECT_TRUE(vsClass_checkAccess(sub, base, 1)) << "a public class";
  EXPECT_TRUE(vsClass_checkAccess(base, hidden, 1)) << "the same package";
  EXPECT_EQ(takePending(), "");
  EXPECT_FALSE(vsClass_checkAccess(sub, hidden, 1));
  EXPECT_EQ(takePending(), "java/lang/Error \" 94\"");
  EXPECT_FALSE(vsClass_checkAccess(sub, hidden, 0));
  EXPECT_EQ(takePending(), "java/lang/IllegalAccessException \"137\"");
}

TEST_F(ClassLookupTest, ArrayElementsMoveAsThroughABuffer) {
  VmHandle array;
  vsHandle_push(&array, vsJavaHeap_newIntArray(8));
  IntArray* a = vsRef_as<IntArray>(array.object);
  for (int32_t i = 0; i < 8; ++i) a->elements[i] = i;
  vsArray_copyElements(array.object, 0, array.object, 2, 5);
  const int32_t expected[] = {0, 1, 0, 1, 2, 3, 4, 7};
  for (int32_t i = 0; i < 8; ++i) EXPECT_EQ(a->elements[i], expected[i]) << i;
  vsArray_copyElements(array.object, 4, array.object, 0, 0);
  EXPECT_EQ(a->elements[0], 0);
  vsHandle_close(&array);
}

TEST_F(ClassLookupTest, SymbolsPrintEscapedAndCopyCut) {
  const VmRef s = symbol("a/b\\c\n\t\x01\xc3\xa9 ~");
  CaptureStream stream;
  vsSymbol_printEscaped(vsRef_as<VmSymbol>(s), &stream, false);
  EXPECT_EQ(stream.text(), "a/b\\\\c\\n\\t\\001\\303\\251 ~");
  stream.text().clear();
  vsSymbol_printEscaped(vsRef_as<VmSymbol>(symbol("java/lang/Object")), &stream, true);
  EXPECT_EQ(stream.text(), "java.lang.Object");
  char buffer[5];
  vsSymbol_copyToBuffer(vsRef_as<VmSymbol>(s), buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "a/b\\");
  EXPECT_EQ(vsSymbol_lastIndexOf(vsRef_as<VmSymbol>(symbol("a/b/C")), '/'), 3);
  EXPECT_EQ(vsSymbol_lastIndexOf(vsRef_as<VmSymbol>(symbol("C")), '/'), -1);
}

TEST_F(ClassLookupTest, TypesFromNamesAndResultClasses) {
  VmHandle name;
  vsHandle_push(&name, symbol("[[I"));
  const VmRef type = vsType_symbolFromName(&name.object);
  ASSERT_NE(type, 0u) << takePending();
  EXPECT_EQ(vsType_basicType(type), kTypeArray);
  const ClassRecord* matrix = vsRef_as<ClassRecord>(vsType_arrayClassOf(type));
  ASSERT_NE(matrix, nullptr);
  EXPECT_EQ(matrix, loaded("[[I"));
  vsHandle_close(&name);
  EXPECT_EQ(textOf(vsSignature_returnClassName(descriptor("(I)Ljava/lang/String;"))), "java/lang/String");
  EXPECT_EQ(vsSignature_returnClassName(descriptor("()V")), 0u);
}

}  // namespace
