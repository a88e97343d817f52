// Names, encoded signatures, type symbols and field lookup over a core
// started without a class image.
#include <gtest/gtest.h>

#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/loader/field_descriptors.h"
#include "vm/core/loader/type_symbols.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/names.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/signatures.h"
#include "vm/core/model/vm_globals.h"

namespace {

using LoaderTablesTest = CoreTest;

const VmSymbol* sym(VmRef s) { return vsRef_as<VmSymbol>(s); }

TEST_F(LoaderTablesTest, NamesAreCheckedByTheirKind) {
  struct Case {
    const char* text;
    bool identifier;
    bool className;
    bool methodName;
  };
  const Case cases[] = {
      {"value", true, true, true},         {"$x_9", true, true, true},
      {"9lives", false, false, false},     {"a/b/C", false, true, false},
      {"a//b", false, false, false},       {"a/b/", false, false, false},
      {"<init>", false, false, true},      {"<clinit>", false, false, true},
      {"<other>", false, false, false},    {"caf\xc3\xa9", true, true, true},
      {"bad\xc3", false, false, false},    {"[Ljava/lang/Object;", false, true, false},
      {"has space", false, false, false},  {"a-b", false, false, false},
  };
  for (const Case& c : cases) {
    const VmRef s = symbol(c.text);
    EXPECT_EQ(vsSymbol_isValidIdentifier(s), c.identifier) << c.text;
    EXPECT_EQ(vsSymbol_isValidClassName(s), c.className) << c.text;
    EXPECT_EQ(vsSymbol_isValidMethodName(s), c.methodName) << c.text;
  }
}

TEST_F(LoaderTablesTest, SamePackageFollowsTheEdgeList) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"a/b/C", "a/b/D", true},            // two classes of a/b
      {"[La/b/C;", "[La/b/D;", true},      // two one-dimensional arrays of them
      {"[[La/b/C;", "[[La/b/D;", true},    // two two-dimensional arrays
      {"[La/b/C;", "[[La/b/D;", true},     // arrays of either dimension
      {"a/b/C", "[La/b/C;", false},        // a class and an array of classes of a/b
      {"[I", "a/b/C", false},              // an array of int is in no package
      {"C", "D", true},                    // two names without a package
      {"C", "a/C", false},                 // without and with a package
      {"a/b/C", "a/bc/D", false},
      {"a/b/C", "a/b/c/D", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vsName_samePackage(sym(symbol(c.a)), sym(symbol(c.b))), c.same) << c.a << " " << c.b;
    EXPECT_EQ(vsName_samePackage(sym(symbol(c.b)), sym(symbol(c.a))), c.same) << c.b << " " << c.a;
  }
}

TEST_F(LoaderTablesTest, TheSignatureIteratorVisitsEveryItem) {
  VmHandle signature;
  vsHandle_push(&signature, descriptor("(I[JLjava/lang/String;[[Ljava/lang/Object;D)V"));
  ASSERT_NE(signature.object, 0u) << takePending();
  EXPECT_EQ(vsSignature_parameterCount(signature.object), 5);
  struct Walk {
    bool isStatic;
    bool objectTypesOnly;
    std::vector<int32_t> types;
  };
  const Walk walks[] = {
      {false, false, {kTypeObject, kTypeInt, kTypeArray, kTypeObject, kTypeArray, kTypeDouble}},
      {true, false, {kTypeInt, kTypeArray, kTypeObject, kTypeArray, kTypeDouble}},
      {true, true, {kTypeInt, kTypeObject, kTypeObject, kTypeObject, kTypeDouble}},
  };
  for (const Walk& w : walks) {
    SignatureIterator it;
    std::vector<int32_t> seen;
    for (vsSignatureIterator_init(&it, &signature.object, w.isStatic, w.objectTypesOnly);
         !vsSignatureIterator_atEnd(&it); vsSignatureIterator_next(&it))
      seen.push_back(it.type);
    EXPECT_EQ(seen, w.types);
    EXPECT_EQ(it.type, kTypeVoid) << "the step after the last parameter reads the result";
  }
  SignatureIterator it;
  vsSignatureIterator_init(&it, &signature.object, true, false);
  vsSignatureIterator_next(&it);
  vsSignatureIterator_next(&it);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sym(vsSignatureIterator_className(&it))->bytes),
                        sym(vsSignatureIterator_className(&it))->length),
            "java/lang/String");
  EXPECT_EQ(vsSignature_parameterWords(signature.object, false), 7);
  EXPECT_EQ(vsSignature_parameterWords(signature.object, true), 6);
  EXPECT_EQ(vsSignature_basicType(signature.object, false), kTypeVoid);
  vsHandle_close(&signature);

  const VmRef returnsArray = descriptor("()[Ljava/lang/String;");
  EXPECT_EQ(vsSignature_basicType(returnsArray, false), kTypeArray);
  EXPECT_EQ(vsSignature_basicType(returnsArray, true), kTypeObject);
}

TEST_F(LoaderTablesTest, DescriptorsAllow255Dimensions) {
  const std::string dims255(255, '[');
  const VmRef deepest = descriptor((dims255 + "I").c_str());
  ASSERT_NE(deepest, 0u) << takePending();
  ASSERT_TRUE(vsSymbol_isFieldType(deepest));
  const ClassRecord* array = vsRef_as<ClassRecord>(vsType_arrayClassOf(deepest));
  ASSERT_NE(array, nullptr);
  int32_t dims = 1;
  for (const ClassRecord* c = array; vsObject_kind(vsRef_of(c)) == kKindObjectArrayClass;
       c = vsRef_as<ClassRecord>(c->elementOrLink))
    ++dims;
  EXPECT_EQ(dims, 255);
  EXPECT_EQ(descriptor((dims255 + "[I").c_str()), 0u);
  EXPECT_EQ(takePending(), "java/lang/Error \" 54\"");
  EXPECT_NE(descriptor((dims255 + "Ljava/lang/Object;").c_str()), 0u);
  EXPECT_EQ(descriptor((dims255 + "[Ljava/lang/Object;").c_str()), 0u);
  EXPECT_EQ(takePending(), "java/lang/Error \" 54\"");
}

TEST_F(LoaderTablesTest, MalformedDescriptorsRaise54) {
  for (const char* bad : {"", "V", "X", "L;", "Ljava/lang/Object", "La//b;", "(", "()", "(V)V", "(I", "()VV",
                          "(I))V", "[", "[V", "II"}) {
    EXPECT_EQ(descriptor(bad), 0u) << bad;
    EXPECT_EQ(takePending(), "java/lang/Error \" 54\"") << bad;
  }
}

TEST_F(LoaderTablesTest, SymbolFromDescriptorTakesExactlyOneType) {
  struct Case {
    const char* text;
    bool accepted;
  };
  const Case cases[] = {{"I", true}, {"Z", true}, {"Ljava/lang/String;", true}, {"[[D", true},
                        {"V", false}, {"II", false}, {"ILjava/lang/String;", false}, {"()V", false}};
  for (const Case& c : cases) {
    const VmRef type =
        vsType_symbolFromDescriptor(reinterpret_cast<const uint8_t*>(c.text), static_cast<int32_t>(strlen(c.text)));
    EXPECT_EQ(type != 0, c.accepted) << c.text;
    EXPECT_EQ(takePending(), c.accepted ? "" : "java/lang/Error \" 54\"") << c.text;
  }
  const VmRef letter = vsType_symbolFromDescriptor(reinterpret_cast<const uint8_t*>("J"), 1);
  EXPECT_EQ(vsType_basicType(letter), kTypeLong);
  EXPECT_EQ(vsType_fieldSize(letter, false), 8);
  const VmRef flag = vsType_primitiveSymbol('Z');
  EXPECT_EQ(vsType_fieldSize(flag, false), 1);
  EXPECT_EQ(vsType_fieldSize(flag, true), 4);
  VmHandle name;
  vsHandle_push(&name, symbol("java/lang/String"));
  const VmRef string = load("java/lang/String");
  EXPECT_EQ(vsType_classNameOf(vsType_classSymbol(&string)), name.object);
  vsHandle_close(&name);
}

TEST_F(LoaderTablesTest, FieldsAreFoundInInterfacesBeforeTheSuperclass) {
  const ClassRecord* sub = loaded("lookup/Sub");
  const ClassRecord* constants = loaded("lookup/Constants");
  const ClassRecord* super = loaded("lookup/Super");
  vsFieldDesc desc;
  ASSERT_TRUE(vsField_find(&desc, sub, symbol("X"), vsType_primitiveSymbol('I')));
  EXPECT_EQ(desc.cls, vsRef_of(constants));
  ASSERT_TRUE(vsField_find(&desc, sub, symbol("inherited"), vsType_primitiveSymbol('I')));
  EXPECT_EQ(desc.cls, vsRef_of(super));
  EXPECT_EQ(desc.offset, 4u);
  ASSERT_TRUE(vsField_find(&desc, sub, symbol("own"), vsType_primitiveSymbol('I')));
  EXPECT_EQ(desc.cls, vsRef_of(sub));
  EXPECT_EQ(desc.offset, 8u);
  EXPECT_EQ(vsFieldDesc_basicType(&desc), kTypeInt);
  EXPECT_FALSE(vsField_find(&desc, sub, symbol("own"), vsType_primitiveSymbol('J')));
  EXPECT_EQ(desc.index, -1);
}

TEST_F(LoaderTablesTest, ProtectedFieldsAcrossPackages) {
  const ClassRecord* base = loaded("access/p/Base");
  const ClassRecord* neighbour = loaded("access/p/Neighbour");
  const ClassRecord* sub = loaded("access/q/Sub");
  const ClassRecord* sibling = loaded("access/q/Sibling");
  const ClassRecord* stranger = loaded("access/q/Stranger");
  struct Case {
    const char* field;
    const ClassRecord* accessing;
    const ClassRecord* object;
    bool allowed;
  };
  const Case cases[] = {
      {"guarded", sub, sub, true},            // a subclass on its own kind
      {"guarded", sub, base, true},           // ... on an object of the superclass
      {"guarded", sub, sibling, false},       // ... not on another subclass's object
      {"guarded", stranger, base, false},     // not from an unrelated class
      {"guarded", neighbour, base, true},     // the field's package
      {"packaged", neighbour, base, true},
      {"packaged", sub, sub, false},          // package private, other package
      {"open", stranger, base, true},
      {"secret", neighbour, base, false},     // private
      {"secret", base, base, true},           // the field's own class
  };
  for (const Case& c : cases) {
    vsFieldDesc desc;
    ASSERT_TRUE(vsField_find(&desc, base, symbol(c.field), vsType_primitiveSymbol('I'))) << c.field;
    EXPECT_EQ(vsField_checkAccess(&desc, c.accessing, c.object, 94), c.allowed) << c.field;
    EXPECT_EQ(takePending(), c.allowed ? "" : "java/lang/Error \" 94\"") << c.field;
  }
}

}  // namespace
