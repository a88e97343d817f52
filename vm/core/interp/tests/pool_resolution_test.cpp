// Resolution of class and field entries and the simple-getter test, over
// the link/ fixtures loaded into a core started without a class image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/loader/class_tables.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/member_refs.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"

namespace {

class PoolResolutionTest : public CoreTest {
 protected:
  // Handles live on the test's (low) stack: each test opens its own.
  struct Handles {
    explicit Handles(PoolResolutionTest* test) {
      test->user = test->loaded("link/User");
      vsHandle_push(&pool, vsRef_of(vsClass_constantPool(test->user)));
      vsHandle_push(&accessing, vsRef_of(test->user));
      test->poolSlot = &pool.object;
      test->accessingSlot = &accessing.object;
    }
    ~Handles() { vsHandle_close(&pool); }
    VmHandle pool, accessing;
  };

  const ConstantPool* cp() const { return vsRef_as<ConstantPool>(*poolSlot); }

  // The index of the field reference to the field of this name, else 0.
  uint32_t fieldRef(const char* fieldName) {
    const VmRef wanted = symbol(fieldName);
    for (uint32_t i = 1; i < cp()->count; ++i) {
      if (vsConstantPool_tagAt(cp(), i) != kTagFieldRef) continue;
      VmRef name = 0, signature = 0, cls = 0, className = 0;
      if (vsConstantPool_memberRefParts(poolSlot, i, &name, &signature, &cls, &className) != 0 &&
          name == wanted)
        return i;
    }
    ADD_FAILURE() << "no field reference to " << fieldName;
    return 0;
  }

  // The class index of member reference i.
  uint32_t classIndexOf(uint32_t i) const { return cp()->entries[i] & 0xffff; }

  int32_t resolve(uint32_t index, bool expectStatic, bool isGet) {
    holder = nullptr;
    offset = 0;
    return vsConstantPool_resolveField(poolSlot, index, &offset, expectStatic, isGet, accessingSlot,
                                       &holder);
  }

  VmRef method(const char* className, const char* name, const char* signature) {
    const VmRef m = vsClass_findMethodInClass(loaded(className), symbol(name), descriptor(signature));
    EXPECT_NE(m, 0u) << name;
    return m;
  }

  ClassRecord* user = nullptr;
  VmRef* poolSlot = nullptr;
  VmRef* accessingSlot = nullptr;
  uint32_t offset = 0;
  ClassRecord* holder = nullptr;
};

TEST_F(PoolResolutionTest, FieldsResolveToTypeOffsetAndHolder) {
  Handles handles(this);
  const struct {
    const char* field;
    bool isStatic;
    int32_t type;
  } cases[] = {{"value", false, kTypeInt}, {"wide", false, kTypeLong}, {"ref", false, kTypeObject},
               {"counter", true, kTypeInt}, {"LIMIT", true, kTypeInt}};
  for (const auto& c : cases) {
    const uint32_t index = fieldRef(c.field);
    const bool isGet = std::strcmp(c.field, "counter") != 0;
    EXPECT_EQ(resolve(index, c.isStatic, isGet), c.type) << c.field << ": " << takePending();
    EXPECT_EQ(holder, loaded("link/Holder")) << c.field;
    EXPECT_EQ(vsConstantPool_tagAt(cp(), index), kTagResolvedFieldBase + c.type) << c.field;
    EXPECT_EQ(cp()->entries[index], offset << 16 | vsClass_id(holder)) << c.field;
    // Instance fields lie behind the header; statics behind the class record's head.
    EXPECT_GE(offset, c.isStatic ? 48u : 4u) << c.field;
    // The resolved entry answers the same.
    const uint32_t first = offset;
    EXPECT_EQ(resolve(index, c.isStatic, isGet), c.type) << c.field;
    EXPECT_EQ(offset, first) << c.field;
  }
}

TEST_F(PoolResolutionTest, StaticnessMismatchIsCode97FreshOrResolved) {
  Handles handles(this);
  const uint32_t value = fieldRef("value");
  const uint32_t counter = fieldRef("counter");
  EXPECT_EQ(resolve(value, true, true), kTypeNotPrimitive);
  EXPECT_EQ(takePending(), "java/lang/Error \" 97\"");
  EXPECT_EQ(vsConstantPool_tagAt(cp(), value), kTagFieldRef);  // a failure changes nothing
  EXPECT_EQ(resolve(counter, false, true), kTypeNotPrimitive);
  EXPECT_EQ(takePending(), "java/lang/Error \" 97\"");

  ASSERT_EQ(resolve(value, false, true), kTypeInt);
  ASSERT_EQ(resolve(counter, true, false), kTypeInt);
  EXPECT_EQ(resolve(value, true, true), kTypeNotPrimitive);
  EXPECT_EQ(takePending(), "java/lang/Error \" 97\"");
  EXPECT_EQ(resolve(counter, false, true), kTypeNotPrimitive);
  EXPECT_EQ(takePending(), "java/lang/Error \" 97\"");
}

TEST_F(PoolResolutionTest, StoreIntoFinalOfAnotherClassIsCode94FreshOrResolved) {
  Handles handles(this);
  const uint32_t limit = fieldRef("LIMIT");
  EXPECT_EQ(resolve(limit, true, false), kTypeNotPrimitive);
  EXPECT_EQ(takePending(), "java/lang/Error \" 94\"");
  ASSERT_EQ(resolve(limit, true, true), kTypeInt);
  EXPECT_EQ(resolve(limit, true, false), kTypeNotPrimitive);
  EXPECT_EQ(takePending(), "java/lang/Error \" 94\"");
  // The holder itself may store into its final field.
  *accessingSlot = vsRef_of(loaded("link/Holder"));
  EXPECT_EQ(resolve(limit, true, false), kTypeInt);
  EXPECT_EQ(takePending(), "");
}

TEST_F(PoolResolutionTest, MissingFieldIsCode96) {
  Handles handles(this);
  // Point the reference to `value` at the name-and-type of `wide` with
  // value's descriptor: Holder has no field wide of type int.
  const uint32_t value = fieldRef("value");
  const uint32_t wide = fieldRef("wide");
  ConstantPool* p = vsRef_as<ConstantPool>(*poolSlot);
  const uint32_t valueType = p->entries[p->entries[value] >> 16] >> 16;
  const uint32_t wideName = p->entries[p->entries[wide] >> 16] & 0xffff;
  p->entries[p->entries[value] >> 16] = valueType << 16 | wideName;
  EXPECT_EQ(resolve(value, false, true), kTypeNotPrimitive);
  EXPECT_EQ(takePending(), "java/lang/Error \" 96\"");
}

TEST_F(PoolResolutionTest, BadIndexesAreCode91) {
  Handles handles(this);
  const uint32_t value = fieldRef("value");
  const uint32_t cases[] = {cp()->count, 0xffff, classIndexOf(value)};
  for (const uint32_t index : cases) {
    EXPECT_EQ(resolve(index, false, true), kTypeNotPrimitive) << index;
    EXPECT_EQ(takePending(), "java/lang/Error \" 91\"") << index;
  }
  EXPECT_EQ(vsConstantPool_resolveClass(poolSlot, value), nullptr);
  EXPECT_EQ(takePending(), "java/lang/Error \" 91\"");
  EXPECT_EQ(vsConstantPool_resolveClass(poolSlot, cp()->count), nullptr);
  EXPECT_EQ(takePending(), "java/lang/Error \" 91\"");
  EXPECT_EQ(vsConstantPool_className(poolSlot, value), 0u);
  EXPECT_EQ(takePending(), "java/lang/Error \" 91\"");
}

TEST_F(PoolResolutionTest, ClassEntriesLoadOnDemand) {
  Handles handles(this);
  const uint32_t lazy = classIndexOf(fieldRef("seen"));
  ASSERT_EQ(vsClass_findLoaded(symbol("link/Lazy")), 0u);
  EXPECT_EQ(vsConstantPool_className(poolSlot, lazy), symbol("link/Lazy"));
  EXPECT_EQ(vsConstantPool_lookupLoadedClass(poolSlot, lazy), nullptr);
  EXPECT_EQ(takePending(), "");
  ClassRecord* cls = vsConstantPool_resolveClass(poolSlot, lazy);
  ASSERT_NE(cls, nullptr) << takePending();
  EXPECT_EQ(vsConstantPool_tagAt(cp(), lazy), kTagResolvedClass);
  EXPECT_EQ(cp()->entries[lazy], vsClass_id(cls));
  EXPECT_EQ(vsConstantPool_lookupLoadedClass(poolSlot, lazy), cls);
  EXPECT_EQ(vsConstantPool_className(poolSlot, lazy), symbol("link/Lazy"));
  EXPECT_EQ(vsConstantPool_resolveMemberClass(poolSlot, fieldRef("seen")), cls);
}

TEST_F(PoolResolutionTest, TryResolveFieldNeverLoads) {
  Handles handles(this);
  VmHandle late;
  vsHandle_push(&late, method("link/User", "late", "(Llink/Lazy;)I"));
  int32_t type = 0;
  const uint32_t seen = fieldRef("seen");
  EXPECT_EQ(vsConstantPool_tryResolveField(&late.object, seen, &offset, &type, false, true), 0);
  EXPECT_EQ(takePending(), "");
  EXPECT_EQ(vsClass_findLoaded(symbol("link/Lazy")), 0u);
  EXPECT_EQ(vsConstantPool_tagAt(cp(), seen), kTagFieldRef);
  // Once the class is loaded the same reference resolves; a mismatch fails quietly.
  ASSERT_NE(load("link/Lazy"), 0u);
  EXPECT_EQ(vsConstantPool_tryResolveField(&late.object, seen, &offset, &type, true, true), 0);
  EXPECT_EQ(takePending(), "");
  EXPECT_EQ(vsConstantPool_tryResolveField(&late.object, seen, &offset, &type, false, true), 1);
  EXPECT_EQ(type, kTypeInt);
  EXPECT_GE(offset, 4u);
  vsHandle_close(&late);
}

TEST_F(PoolResolutionTest, SimpleGettersAreFiveBytesOverAResolvableField) {
  Handles handles(this);
  const struct {
    const char* name;
    const char* signature;
    int32_t expected;
    int32_t type;
  } cases[] = {{"getValue", "()I", 1, kTypeInt},          {"getRef", "()Ljava/lang/Object;", 1, kTypeObject},
               {"lockedValue", "()I", 0, 0},               {"nextValue", "()I", 0, 0},
               {"getCounter", "()I", 0, 0},                {"<init>", "()V", 0, 0}};
  for (const auto& c : cases) {
    VmHandle m;
    vsHandle_push(&m, method("link/Holder", c.name, c.signature));
    uint32_t fieldOffset = 0;
    int32_t type = 0;
    EXPECT_EQ(vsMethod_isSimpleGetter(&m.object, &fieldOffset, &type), c.expected) << c.name;
    if (c.expected == 1) {
      EXPECT_EQ(type, c.type) << c.name;
      EXPECT_GE(fieldOffset, 4u) << c.name;
    }
    EXPECT_EQ(takePending(), "") << c.name;
    vsHandle_close(&m);
  }
}

}  // namespace
