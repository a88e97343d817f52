// Resolution of method and interface-method entries per invoke kind, the
// link errors, the access rule and the pool and method helpers, over the
// prelink/ fixtures loaded into a core started without a class image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/core/core_fixture.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/method_resolution.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/member_refs.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"

namespace {

enum Invoke { kVirtual, kSpecial, kStatic, kInterface };

class MethodResolutionTest : public CoreTest {
 protected:
  struct Handles {
    explicit Handles(MethodResolutionTest* test) {
      test->caller = test->loaded("prelink/Caller");
      vsHandle_push(&pool, vsRef_of(vsClass_constantPool(test->caller)));
      vsHandle_push(&accessing, vsRef_of(test->caller));
      test->poolSlot = &pool.object;
      test->accessingSlot = &accessing.object;
    }
    ~Handles() { vsHandle_close(&pool); }
    VmHandle pool, accessing;
  };

  ConstantPool* cp() const { return vsRef_as<ConstantPool>(*poolSlot); }

  // The member reference of Caller's pool to className.name, else 0.
  uint32_t ref(const char* className, const char* name) {
    for (uint32_t i = 1; i < cp()->count; ++i) {
      const uint8_t tag = vsConstantPool_tagAt(cp(), i);
      if (tag != kTagMethodRef && tag != kTagInterfaceMethodRef) continue;
      VmRef n = 0, signature = 0, cls = 0;
      if (vsConstantPool_memberRefParts(poolSlot, i, &n, &signature, nullptr, &cls) != 0 && n == symbol(name) &&
          cls == symbol(className))
        return i;
    }
    ADD_FAILURE() << "no reference to " << className << "." << name;
    return 0;
  }

  // The index of the class entry or UTF-8 entry of the text in Caller's pool.
  uint32_t classEntry(const char* className) {
    for (uint32_t i = 1; i < cp()->count; ++i)
      if (vsConstantPool_isClassEntry(cp(), i) && vsConstantPool_className(poolSlot, i) == symbol(className)) return i;
    ADD_FAILURE() << "no class entry " << className;
    return 0;
  }
  uint32_t utf8Entry(const char* text) {
    for (uint32_t i = 1; i < cp()->count; ++i)
      if (vsConstantPool_tagAt(cp(), i) == kTagUtf8 && cp()->entries[i] == symbol(text)) return i;
    ADD_FAILURE() << "no UTF-8 entry " << text;
    return 0;
  }

  int32_t resolve(Invoke kind, uint32_t index) {
    switch (kind) {
      case kVirtual:
        return vsConstantPool_resolveVirtualMethod(poolSlot, accessingSlot, index);
      case kSpecial:
        return vsConstantPool_resolveSpecialMethod(poolSlot, accessingSlot, index);
      case kStatic:
        return vsConstantPool_resolveStaticMethod(poolSlot, accessingSlot, index);
      case kInterface:
        vsConstantPool_resolveInterfaceMethod(poolSlot, accessingSlot, index);
        return 0;
    }
    return 0;
  }

  MethodRecord* method(const char* className, const char* name, const char* signature) {
    const VmRef m = vsClass_findMethodInClass(loaded(className), symbol(name), descriptor(signature));
    EXPECT_NE(m, 0u) << name;
    return vsRef_as<MethodRecord>(m);
  }

  ClassRecord* caller = nullptr;
  VmRef* poolSlot = nullptr;
  VmRef* accessingSlot = nullptr;
};

TEST_F(MethodResolutionTest, InvokesBindDirectlyOrThroughTheVtable) {
  Handles handles(this);
  const uint8_t intResultVtable = int32_t{kTagResolvedVirtualBase} + kTypeInt;
  const struct {
    const char* cls;
    const char* name;
    const char* signature;
    Invoke kind;
    int32_t result;
    uint8_t tag;
  } cases[] = {
      {"prelink/Base", "fixed", "()I", kVirtual, 1, kTagBoundMethod},     // a final method
      {"prelink/Sealed", "own", "()I", kVirtual, 1, kTagBoundMethod},     // a final class
      {"prelink/Sealed", "shape", "()I", kVirtual, 1, kTagBoundMethod},   // overrides, in a final class
      {"prelink/Base", "size", "()I", kVirtual, 0, intResultVtable},      // protected, overridden
      {"prelink/Base", "shape", "()I", kVirtual, 0, intResultVtable},     // abstract
      {"prelink/Caller", "secret", "()I", kSpecial, 0, intResultVtable},  // private
      {"prelink/Base", "<init>", "()V", kSpecial, 1, kTagBoundMethod},    // constructor
      {"prelink/Base", "count", "()I", kStatic, 0, kTagBoundMethod},      // holder not initialised
  };
  for (const auto& c : cases) {
    const uint32_t index = ref(c.cls, c.name);
    EXPECT_EQ(resolve(c.kind, index), c.result) << c.name << ": " << takePending();
    ASSERT_EQ(vsConstantPool_tagAt(cp(), index), c.tag) << c.name;
    const MethodRecord* target = method(c.cls, c.name, c.signature);
    if (c.tag == kTagBoundMethod) {
      EXPECT_EQ(cp()->entries[index], vsRef_of(target)) << c.name;
    } else {
      EXPECT_EQ(cp()->entries[index], uint32_t{target->classId} << 16 | vsMethod_findInVtable(target)) << c.name;
    }
    // A resolved entry answers the same at once.
    EXPECT_EQ(resolve(c.kind, index), c.result) << c.name;
    EXPECT_EQ(takePending(), "") << c.name;
  }
}

TEST_F(MethodResolutionTest, InvokestaticAnswersWhetherTheHolderIsInitialised) {
  Handles handles(this);
  const uint32_t count = ref("prelink/Base", "count");
  EXPECT_EQ(resolve(kStatic, count), 0);
  vsClass_setInitialized(loaded("prelink/Base"));
  EXPECT_EQ(resolve(kStatic, count), 1);
  EXPECT_EQ(takePending(), "");
}

TEST_F(MethodResolutionTest, InterfaceReferencesResolveToTheInterface) {
  Handles handles(this);
  const uint32_t named = vsClass_id(loaded("prelink/Named"));
  const struct {
    const char* name;
    uint8_t tag;
    uint32_t index;
  } cases[] = {{"name", int32_t{kTagResolvedInterfaceBase} + kTypeObject, 0}, {"rank", int32_t{kTagResolvedInterfaceBase} + kTypeInt, 1}};
  for (const auto& c : cases) {
    const uint32_t index = ref("prelink/Named", c.name);
    resolve(kInterface, index);
    ASSERT_EQ(takePending(), "") << c.name;
    EXPECT_EQ(vsConstantPool_tagAt(cp(), index), c.tag) << c.name;
    EXPECT_EQ(cp()->entries[index], named << 16 | c.index) << c.name;
  }
}

TEST_F(MethodResolutionTest, InterfaceReferencesToTheRootClassAreRedirected) {
  // Base stands as the root class above Named; the reference to rank is
  // pointed at methods of Base by the name of its name-and-type.
  ClassRecord* base = loaded("prelink/Base");
  loaded("prelink/Named")->superClass = base;
  const MethodRecord* size = method("prelink/Base", "size", "()I");
  const struct {
    const char* name;
    uint8_t tag;
    VmWord word;
    const char* error;
  } cases[] = {
      {"size", kTagRedirectedVirtual, uint32_t{vsClass_id(base)} << 16 | vsMethod_findInVtable(size), ""},
      {"fixed", kTagRedirectedDirect, vsRef_of(method("prelink/Base", "fixed", "()I")), ""},
      {"hidden", kTagInterfaceMethodRef, 0, "java/lang/Error \" 94\""},
      {"count", kTagInterfaceMethodRef, 0, "java/lang/Error \" 99\""},
      {"direct", kTagInterfaceMethodRef, 0, "java/lang/Error \"136\""},
  };
  for (const auto& c : cases) {
    Handles handles(this);
    const uint32_t index = ref("prelink/Named", "rank");
    const uint32_t nat = cp()->entries[index] >> 16;
    const VmWord natWord = cp()->entries[nat];
    cp()->entries[nat] = (natWord & 0xffff0000u) | utf8Entry(c.name);
    const VmWord unresolved = cp()->entries[index];
    resolve(kInterface, index);
    EXPECT_EQ(takePending(), c.error) << c.name;
    EXPECT_EQ(vsConstantPool_tagAt(cp(), index), c.tag) << c.name;
    EXPECT_EQ(cp()->entries[index], c.tag == kTagInterfaceMethodRef ? unresolved : c.word) << c.name;
    // Resolved, the entry answers at once.
    resolve(kInterface, index);
    EXPECT_EQ(takePending(), c.tag == kTagInterfaceMethodRef ? c.error : "") << c.name;
    vsConstantPool_setEntry(cp(), index, kTagInterfaceMethodRef, unresolved);
    cp()->entries[nat] = natWord;
  }
}

TEST_F(MethodResolutionTest, LinkErrorsLeaveTheEntryUnchanged) {
  const struct {
    const char* what;
    const char* cls;
    const char* name;
    Invoke kind;
    // Patches of the reference before resolving: a new name for its
    // name-and-type, a new class entry, or the method-reference tag.
    const char* newName;
    const char* newClass;
    bool asMethodRef;
    const char* error;
  } cases[] = {
      {"invokestatic of an instance method", "prelink/Base", "fixed", kStatic, nullptr, nullptr, false,
       "java/lang/Error \" 98\""},
      {"invokespecial of a static method", "prelink/Base", "count", kSpecial, nullptr, nullptr, false,
       "java/lang/Error \" 98\""},
      {"invokevirtual of a static method", "prelink/Base", "count", kVirtual, nullptr, nullptr, false,
       "java/lang/Error \" 99\""},
      {"invokevirtual through an interface", "prelink/Named", "name", kVirtual, nullptr, nullptr, true,
       "java/lang/Error \" 99\""},
      {"invokeinterface through a class", "prelink/Named", "name", kInterface, nullptr, "prelink/Base", false,
       "java/lang/Error \" 99\""},
      {"no such method", "prelink/Base", "fixed", kVirtual, "direct", nullptr, false, "java/lang/Error \"136\""},
      {"constructor through another class", "prelink/Base", "<init>", kSpecial, nullptr, "prelink/Named", false,
       "java/lang/Error \"136\""},
      {"private method of another class", "prelink/Base", "fixed", kVirtual, "hidden", nullptr, false,
       "java/lang/Error \" 94\""},
  };
  for (const auto& c : cases) {
    Handles handles(this);
    const uint32_t index = ref(c.cls, c.name);
    const uint32_t nat = cp()->entries[index] >> 16;
    const VmWord natWord = cp()->entries[nat];
    const uint8_t originalTag = vsConstantPool_tagAt(cp(), index);
    const VmWord originalWord = cp()->entries[index];
    if (c.newName != nullptr) cp()->entries[nat] = (natWord & 0xffff0000u) | utf8Entry(c.newName);
    if (c.newClass != nullptr) cp()->entries[index] = (cp()->entries[index] & 0xffff0000u) | classEntry(c.newClass);
    if (c.asMethodRef) vsConstantPool_setTag(cp(), index, kTagMethodRef);
    const uint8_t tag = vsConstantPool_tagAt(cp(), index);
    const VmWord word = cp()->entries[index];
    resolve(c.kind, index);
    EXPECT_EQ(takePending(), c.error) << c.what;
    EXPECT_EQ(vsConstantPool_tagAt(cp(), index), tag) << c.what;
    EXPECT_EQ(cp()->entries[index], word) << c.what;
    vsConstantPool_setEntry(cp(), index, originalTag, originalWord);
    cp()->entries[nat] = natWord;
  }
}

TEST_F(MethodResolutionTest, BadEntriesAreCode91) {
  Handles handles(this);
  const uint32_t count = ref("prelink/Base", "count");
  const uint32_t name = ref("prelink/Named", "name");
  const struct {
    Invoke kind;
    uint32_t index;
  } cases[] = {{kVirtual, cp()->count}, {kStatic, 0xffff}, {kSpecial, classEntry("prelink/Base")},
               {kVirtual, name},       {kInterface, count}, {kInterface, cp()->count}};
  for (const auto& c : cases) {
    resolve(c.kind, c.index);
    EXPECT_EQ(takePending(), "java/lang/Error \" 91\"") << c.index;
  }
}

TEST_F(MethodResolutionTest, ResolvedEntriesServeOnlyTheirInvokeKind) {
  Handles handles(this);
  const uint32_t count = ref("prelink/Base", "count");
  const uint32_t size = ref("prelink/Base", "size");
  ASSERT_EQ(resolve(kStatic, count), 0);
  ASSERT_EQ(resolve(kVirtual, size), 0);
  ASSERT_EQ(takePending(), "");
  resolve(kVirtual, count);
  EXPECT_EQ(takePending(), "java/lang/Error \" 99\"");
  resolve(kSpecial, count);
  EXPECT_EQ(takePending(), "java/lang/Error \" 98\"");
  resolve(kStatic, size);
  EXPECT_EQ(takePending(), "java/lang/Error \" 98\"");
}

TEST_F(MethodResolutionTest, AccessFollowsVisibilityPackageAndSubclass) {
  MethodRecord* fixed = method("prelink/Base", "fixed", "()I");
  MethodRecord* hidden = method("prelink/Base", "hidden", "()I");
  MethodRecord* size = method("prelink/Base", "size", "()I");
  MethodRecord* secret = method("prelink/Caller", "secret", "()I");
  ClassRecord* base = loaded("prelink/Base");
  ClassRecord* callerClass = loaded("prelink/Caller");
  ClassRecord* user = loaded("link/User");
  const struct {
    const char* what;
    MethodRecord* member;
    ClassRecord* accessing;
    ClassRecord* referenced;
    bool accessible;
  } cases[] = {
      {"public, other package", fixed, user, base, true},
      {"private, own class", secret, callerClass, callerClass, true},
      {"private, subclass", hidden, callerClass, base, false},
      {"protected, same package", size, loaded("prelink/Writer"), base, true},
      {"protected, other package, no subclass", size, user, base, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(vsMember_isAccessible(c.member, c.accessing, c.referenced), c.accessible) << c.what;
    EXPECT_EQ(vsMember_checkAccess(c.member, c.accessing, c.referenced, 1), c.accessible) << c.what;
    EXPECT_EQ(takePending(), c.accessible ? "" : "java/lang/Error \" 94\"") << c.what;
  }
  EXPECT_FALSE(vsMember_checkAccess(hidden, callerClass, base, 0));
  // The exception's class comes with the library; an Error names it until then.
  EXPECT_NE(takePending().find("java/lang/IllegalAccessException"), std::string::npos);
  // A class that waives access checks passes them all.
  callerClass->classInfo->accessFlags |= kClassAccessChecksWaived;
  EXPECT_TRUE(vsMember_checkAccess(hidden, callerClass, base, 1));
  EXPECT_EQ(takePending(), "");
}

TEST_F(MethodResolutionTest, MemberIndexesAreCheckedSubIndexes) {
  Handles handles(this);
  const uint32_t fixed = ref("prelink/Base", "fixed");
  EXPECT_EQ(vsConstantPool_memberClassIndex(poolSlot, fixed), classEntry("prelink/Base"));
  EXPECT_EQ(cp()->entries[vsConstantPool_nameIndex(poolSlot, fixed)], symbol("fixed"));
  EXPECT_EQ(cp()->entries[vsConstantPool_descriptorIndex(poolSlot, fixed)], descriptor("()I"));
  EXPECT_EQ(takePending(), "");
  const uint32_t bad[] = {cp()->count, classEntry("prelink/Base"), utf8Entry("fixed")};
  for (const uint32_t index : bad) {
    EXPECT_EQ(vsConstantPool_memberClassIndex(poolSlot, index), 0u);
    EXPECT_EQ(takePending(), "java/lang/Error \" 91\"") << index;
    EXPECT_EQ(vsConstantPool_nameIndex(poolSlot, index), 0u);
    EXPECT_EQ(takePending(), "java/lang/Error \" 91\"") << index;
    EXPECT_EQ(vsConstantPool_descriptorIndex(poolSlot, index), 0u);
    EXPECT_EQ(takePending(), "java/lang/Error \" 91\"") << index;
  }
  // A name-and-type whose name is no UTF-8 entry.
  const uint32_t nat = cp()->entries[fixed] >> 16;
  cp()->entries[nat] = (cp()->entries[nat] & 0xffff0000u) | classEntry("prelink/Base");
  EXPECT_EQ(vsConstantPool_nameIndex(poolSlot, fixed), 0u);
  EXPECT_EQ(takePending(), "java/lang/Error \" 91\"");
}

TEST_F(MethodResolutionTest, NamesakesInTheVtable) {
  // Caller's vtable holds Base's hidden (private) and its own hidden.
  EXPECT_TRUE(vsMethod_hasNamesakeInVtable(method("prelink/Caller", "hidden", "()I")));
  EXPECT_FALSE(vsMethod_hasNamesakeInVtable(method("prelink/Caller", "secret", "()I")));
  EXPECT_FALSE(vsMethod_hasNamesakeInVtable(method("prelink/Base", "hidden", "()I")));
  MethodRecord* hidden = method("prelink/Caller", "hidden", "()I");
  const uint16_t id = hidden->classId;
  hidden->classId = 0xffff;
  EXPECT_FALSE(vsMethod_hasNamesakeInVtable(hidden));
  hidden->classId = id;
}

TEST_F(MethodResolutionTest, OperandsReadBigEndianAndWriteInMachineOrder) {
  MethodRecord* m = method("prelink/Caller", "readWide", "(Lprelink/Caller;)J");
  const uint8_t first = m->code[2], second = m->code[3];
  EXPECT_EQ(vsMethod_operandU2At(m, 2), first << 8 | second);
  vsMethod_setOperandU2(m, 2, 0x1234);
  EXPECT_EQ(m->code[2], 0x34);
  EXPECT_EQ(m->code[3], 0x12);
}

}  // namespace

namespace {

// An array class has no method table of its own: the search goes on in
// Object, so an array names Object's methods and no others.
TEST_F(MethodResolutionTest, ArrayClassesFindObjectsMethods) {
  const VmRef object = vsRef_of(loaded("java/lang/Object"));
  const VmRef equals = vsClass_findMethodInClass(vsRef_as<ClassRecord>(object), symbol("equals"),
                                                 descriptor("(Ljava/lang/Object;)Z"));
  ASSERT_NE(equals, 0u);
  for (const char* name : {"[I", "[Ljava/lang/Object;", "[[I"}) {
    const ClassRecord* array = loaded(name);
    ASSERT_NE(array, nullptr) << name;
    EXPECT_EQ(vsClass_findMethod(array, symbol("equals"), descriptor("(Ljava/lang/Object;)Z")), equals) << name;
    EXPECT_EQ(vsClass_findMethod(array, symbol("main"), descriptor("([Ljava/lang/String;)V")), 0u) << name;
    EXPECT_EQ(vsClass_findMethodInClass(array, symbol("equals"), descriptor("(Ljava/lang/Object;)Z")), 0u) << name;
  }
}

}  // namespace
