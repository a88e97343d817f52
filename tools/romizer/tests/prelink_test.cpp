// The prelink pass over the prelink/ fixtures, loaded into a core started
// without a class image: resolved entries, pre-quickened code, the waived
// access checks, the chosen entries and the failures that end the romizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/core/core_fixture.h"
#include "tools/romizer/prelink.h"
#include "tools/romizer/tests/romizer_fail_double.h"
#include "vm/core/interp/method_entries.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/pool_resolution.h"
#include "vm/core/model/basic_types.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/member_refs.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/model/model_flags.h"

namespace {

constexpr const char* kFixtures[] = {"prelink/Base",    "prelink/Sealed", "prelink/Named", "prelink/Caller",
                                     "prelink/Getters", "prelink/Maths"};

class PrelinkTest : public CoreTest {
 protected:
  // A model of the fixtures (and what they load), in class-id order.
  RomizerModel modelOf(const std::vector<const char*>& names) {
    RomizerModel model;
    for (const char* name : names) model.classes.push_back(vsRef_of(loaded(name)));
    std::sort(model.classes.begin(), model.classes.end(), [](VmRef a, VmRef b) {
      return vsClass_id(vsRef_as<ClassRecord>(a)) < vsClass_id(vsRef_as<ClassRecord>(b));
    });
    return model;
  }

  RomizerModel prelinked() {
    RomizerModel model = modelOf({std::begin(kFixtures), std::end(kFixtures)});
    try {
      romizer_prelink(model);
    } catch (const RomizerFailure& failure) {
      ADD_FAILURE() << failure.message;
    }
    return model;
  }

  MethodRecord* method(const char* className, const char* name, const char* signature) {
    const VmRef m = vsClass_findMethodInClass(loaded(className), symbol(name), descriptor(signature));
    EXPECT_NE(m, 0u) << name;
    return vsRef_as<MethodRecord>(m);
  }

  // The opcodes of a method's instructions, in order.
  static std::vector<uint8_t> opcodes(MethodRecord* m) {
    std::vector<uint8_t> out;
    VmRef held = vsRef_of(m);
    for (uint32_t bci = 0; bci < m->codeLength;) {
      out.push_back(m->code[bci]);
      const int32_t length = vsBytecodes_lengthAt(&held, bci);
      if (length <= 0) {
        ADD_FAILURE() << "bad length at " << bci;
        break;
      }
      bci += static_cast<uint32_t>(length);
    }
    return out;
  }

  static uint32_t bciOf(MethodRecord* m, uint8_t opcode, int nth = 0) {
    VmRef held = vsRef_of(m);
    for (uint32_t bci = 0; bci < m->codeLength; bci += static_cast<uint32_t>(vsBytecodes_lengthAt(&held, bci)))
      if (m->code[bci] == opcode && nth-- == 0) return bci;
    ADD_FAILURE() << "no opcode " << int{opcode};
    return 0;
  }

  static int32_t entryKind(const MethodRecord* m) { return vsMethodEntry_kindOfWord(*m->entryWord.get()); }
};

TEST_F(PrelinkTest, CallsAreQuickenedByHowTheyBind) {
  prelinked();
  const struct {
    const char* name;
    const char* signature;
    std::vector<uint8_t> code;
  } cases[] = {
      // A final method and the methods of a final class: direct calls.
      {"direct", "(Lprelink/Base;Lprelink/Sealed;)I",
       {42 + 1, kOpInvokedirectFast, 42 + 2, kOpInvokedirectFast, 96, 42 + 2, kOpInvokedirectFast, 96, 172}},
      {"virtual", "(Lprelink/Base;)I", {42 + 1, kOpInvokevirtualFast, 42 + 1, kOpInvokevirtualFast, 96, 172}},
      // super.size() and the private secret(): calls through Base's and
      // Caller's own vtables.
      {"size", "()I", {42, kOpInvokesuperFast, 42, kOpInvokesuperFast, 96, 172}},
      // getstatic, invokestatic, putstatic and new stay slow.
      {"statics", "()Ljava/lang/Object;",
       {kOpInvokestatic, kOpGetstatic, 96, kOpPutstatic, kOpNew, 89, kOpInvokedirectFast, 176}},
  };
  for (const auto& c : cases) EXPECT_EQ(opcodes(method("prelink/Caller", c.name, c.signature)), c.code) << c.name;
}

TEST_F(PrelinkTest, InterfaceCallsKeepOrDropTheirCount) {
  // Base stands as the root class above Named, and the call of rank names
  // Base's size: a method of the hierarchy, called through the vtable.
  loaded("prelink/Named")->superClass = loaded("prelink/Base");
  MethodRecord* m = method("prelink/Caller", "viaInterface", "(Lprelink/Named;)I");
  ConstantPool* pool = vsMethod_constantPool(m);
  const uint32_t rank = vsMethod_operandU2At(m, bciOf(m, kOpInvokeinterface, 1) + 1);
  uint32_t size = 0;
  for (uint32_t i = 1; i < pool->count; ++i)
    if (vsConstantPool_tagAt(pool, i) == kTagUtf8 && pool->entries[i] == symbol("size")) size = i;
  ASSERT_NE(size, 0u);
  const uint32_t nat = pool->entries[rank] >> 16;
  pool->entries[nat] = (pool->entries[nat] & 0xffff0000u) | size;
  prelinked();
  // n.name() stays an interface call with its count; n.rank() became a
  // vtable call whose count and zero byte are nops.
  const uint32_t name = bciOf(m, kOpInvokeinterfaceFast);
  EXPECT_EQ(m->code[name + 3], 1);
  EXPECT_EQ(m->code[name + 4], 0);
  const uint32_t redirected = bciOf(m, kOpInvokevirtualFast);
  EXPECT_EQ(m->code[redirected + 3], 0);
  EXPECT_EQ(m->code[redirected + 4], 0);
  EXPECT_EQ(vsConstantPool_tagAt(pool, vsMethod_operandU2At(m, redirected + 1)), kTagRedirectedVirtual);
  EXPECT_EQ(vsConstantPool_tagAt(pool, vsMethod_operandU2At(m, name + 1)), int32_t{kTagResolvedInterfaceBase} + kTypeObject);
}

TEST_F(PrelinkTest, FieldAccessesCarryTheFieldPosition) {
  prelinked();
  MethodRecord* m = method("prelink/Caller", "readWide", "(Lprelink/Caller;)J");
  const uint32_t wide = bciOf(m, kOpGetfieldLongFast);
  const uint32_t value = bciOf(m, kOpGetfieldIntFast);
  // The long's word index, little-endian; the pool entry says where it is.
  const ConstantPool* pool = vsClass_constantPool(loaded("prelink/Caller"));
  for (uint32_t i = 1; i < pool->count; ++i) {
    if (vsConstantPool_tagAt(pool, i) != int32_t{kTagResolvedFieldBase} + kTypeLong) continue;
    const uint32_t offset = pool->entries[i] >> 16;
    EXPECT_EQ(pool->entries[i] & 0xffff, vsClass_id(loaded("prelink/Caller")));
    EXPECT_EQ(m->code[wide + 1] | m->code[wide + 2] << 8, static_cast<int>(offset / 4));
  }
  EXPECT_GT(m->code[value + 1] | m->code[value + 2] << 8, 0);
}

TEST_F(PrelinkTest, StringConstantsBecomeTheirInternedStrings) {
  prelinked();
  MethodRecord* m = method("prelink/Caller", "name", "()Ljava/lang/String;");
  ASSERT_EQ(m->code[0], kOpLdcFast);
  const ConstantPool* pool = vsMethod_constantPool(m);
  const uint32_t index = m->code[1];
  ASSERT_EQ(vsConstantPool_tagAt(pool, index), kTagResolvedString);
  const StringObject* s = vsRef_as<StringObject>(pool->entries[index]);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  EXPECT_EQ(std::string(chars, chars + s->count), "caller");
  // Every string and class entry of the pools is resolved.
  for (const char* name : kFixtures) {
    const ConstantPool* p = vsClass_constantPool(loaded(name));
    for (uint32_t i = 1; i < p->count; ++i) {
      const uint8_t tag = vsConstantPool_tagAt(p, i);
      EXPECT_TRUE(tag != kTagUnresolvedString && tag != kTagClassFileString && !vsPoolTag_isUnresolvedClass(tag))
          << name << " entry " << i << " tag " << int{tag};
    }
  }
}

TEST_F(PrelinkTest, EveryClassWaivesAccessChecks) {
  const RomizerModel model = prelinked();
  for (const VmRef cls : model.classes) {
    uint32_t flags = 0;
    vsClass_accessFlags(&cls, &flags);
    EXPECT_NE(flags & kClassAccessChecksWaived, 0u) << vsClass_id(vsRef_as<ClassRecord>(cls));
  }
}

TEST_F(PrelinkTest, GettersGetTheirAccessorEntryOthersAnEntrySlot) {
  const RomizerModel model = prelinked();
  const struct {
    const char* name;
    const char* signature;
    int32_t kind;
    int32_t type;
  } getters[] = {
      {"getFlag", "()Z", kEntryAccessorByte, kTypeBoolean},   {"getSmall", "()B", kEntryAccessorByte, kTypeByte},
      {"getLetter", "()C", kEntryAccessorChar, kTypeChar},    {"getHalf", "()S", kEntryAccessorShort, kTypeShort},
      {"getWhole", "()I", kEntryAccessorWord, kTypeInt},      {"getReal", "()F", kEntryAccessorWord, kTypeFloat},
      {"getWide", "()J", kEntryAccessorLong, kTypeLong},      {"getPrecise", "()D", kEntryAccessorLong, kTypeDouble},
      {"getRef", "()Ljava/lang/Object;", kEntryAccessorWord, kTypeObject},
  };
  for (const auto& g : getters) {
    MethodRecord* m = method("prelink/Getters", g.name, g.signature);
    EXPECT_EQ(entryKind(m), g.kind) << g.name;
    EXPECT_EQ(m->entryWord.get(), &m->ownEntry) << g.name;
    int32_t type = 0;
    uint32_t offset = 0;
    ASSERT_TRUE(vsMethod_isFastAccessor(m, &type, &offset)) << g.name;
    EXPECT_EQ(type, g.type) << g.name;
    EXPECT_GE(offset, 4u) << g.name;
    EXPECT_EQ(std::count(model.entrySlots.begin(), model.entrySlots.end(), vsRef_of(m)), 0) << g.name;
  }
  // Not getters: a slot each, with the interpreted kind.
  const struct {
    const char* cls;
    const char* name;
    const char* signature;
  } ordinary[] = {{"prelink/Getters", "lockedWhole", "()I"},
                  {"prelink/Getters", "nextWhole", "()I"},
                  {"prelink/Getters", "<init>", "()V"},
                  {"prelink/Caller", "readWide", "(Lprelink/Caller;)J"}};
  for (const auto& o : ordinary) {
    MethodRecord* m = method(o.cls, o.name, o.signature);
    EXPECT_EQ(entryKind(m), vsMethodEntry_interpretedKind(m)) << o.name;
    EXPECT_EQ(std::count(model.entrySlots.begin(), model.entrySlots.end(), vsRef_of(m)), 1) << o.name;
  }
  // Slots follow class ids, then the methods array.
  int32_t lastId = -1, lastIndex = -1;
  for (const VmRef slot : model.entrySlots) {
    const MethodRecord* m = vsRef_as<MethodRecord>(slot);
    const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(vsMethod_holderClass(m)));
    const int32_t index = static_cast<int32_t>(std::find(methods->elements, methods->elements + methods->length, slot) -
                                               methods->elements);
    EXPECT_TRUE(m->classId > lastId || (m->classId == lastId && index > lastIndex));
    lastId = m->classId;
    lastIndex = index;
    EXPECT_FALSE(vsMethod_isNative(m) || vsMethod_isAbstract(m));
  }
}

TEST_F(PrelinkTest, IntrinsicsOfMathGetTheirIntrinsicEntries) {
  RomizerModel model = modelOf({std::begin(kFixtures), std::end(kFixtures)});
  // Maths stands for java.lang.Math (renamed once it is loaded).
  ClassRecord* maths = loaded("prelink/Maths");
  const auto methodOfMaths = [&](const char* name, const char* signature) {
    return vsRef_as<MethodRecord>(vsClass_findMethodInClass(maths, symbol(name), descriptor(signature)));
  };
  maths->classInfo->name = vsRef_as<VmSymbol>(symbol("java/lang/Math"));
  romizer_prelink(model);
  const struct {
    const char* name;
    const char* signature;
    int32_t kind;
  } cases[] = {
      {"sin", "(D)D", kEntryIntrinsicMathSin},   {"cos", "(D)D", kEntryIntrinsicMathCos},
      {"sqrt", "(D)D", kEntryIntrinsicMathSqrt}, {"floor", "(D)D", kEntryIntrinsicMathFloor},
  };
  for (const auto& c : cases) {
    MethodRecord* m = methodOfMaths(c.name, c.signature);
    ASSERT_NE(m, nullptr) << c.name;
    EXPECT_EQ(entryKind(m), c.kind) << c.name;
    EXPECT_EQ(std::count(model.entrySlots.begin(), model.entrySlots.end(), vsRef_of(m)), 0) << c.name;
  }
  // A name of the table with another shape, and a name not in it: slots.
  for (MethodRecord* m : {methodOfMaths("tan", "(F)D"), methodOfMaths("abs", "(D)D")}) {
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(entryKind(m), vsMethodEntry_interpretedKind(m));
    EXPECT_EQ(std::count(model.entrySlots.begin(), model.entrySlots.end(), vsRef_of(m)), 1);
  }
}

TEST_F(PrelinkTest, StoreIntoAnotherClassesFinalStaticEndsTheRomizer) {
  // Redirect Writer's putstatic of Holder.counter to Holder.LIMIT, which a
  // compiler would refuse.
  MethodRecord* store = method("prelink/Writer", "store", "()V");
  const uint32_t getstatic = bciOf(store, kOpGetstatic);
  const uint32_t putstatic = bciOf(store, kOpPutstatic);
  store->code[putstatic + 1] = store->code[getstatic + 1];
  store->code[putstatic + 2] = store->code[getstatic + 2];
  RomizerModel model = modelOf({"link/Holder", "prelink/Writer"});
  try {
    romizer_prelink(model);
    ADD_FAILURE() << "the pass accepted the store";
  } catch (const RomizerFailure& failure) {
    EXPECT_EQ(failure.message, "prelink/Writer.store: putstatic link/Holder.LIMIT: java/lang/Error \" 94\"");
  }
}

TEST_F(PrelinkTest, ASharedEntryIsCheckedForEveryReferencingClass) {
  // Outsider's call uses Caller's pool and names Base's protected size,
  // which Caller (same package) may call and Outsider may not.
  ClassRecord* callerClass = loaded("prelink/Caller");
  ClassRecord* outsider = loaded("prelink/out/Outsider");
  ASSERT_LT(vsClass_id(callerClass), vsClass_id(outsider));
  MethodRecord* virtualCall = method("prelink/Caller", "virtual", "(Lprelink/Base;)I");
  // Both methods are virtual(Base), so the names read from the shared pool.
  MethodRecord* call = method("prelink/out/Outsider", "virtual", "(Lprelink/Base;)I");
  ASSERT_EQ(call->code[1], kOpInvokevirtual);
  const uint32_t size = bciOf(virtualCall, kOpInvokevirtual);
  call->code[2] = virtualCall->code[size + 1];
  call->code[3] = virtualCall->code[size + 2];
  call->constantPool = vsClass_constantPool(callerClass);
  call->nameIndex = virtualCall->nameIndex;
  call->signatureIndex = virtualCall->signatureIndex;
  RomizerModel model = modelOf({"prelink/Caller", "prelink/out/Outsider"});
  try {
    romizer_prelink(model);
    ADD_FAILURE() << "the pass accepted the call";
  } catch (const RomizerFailure& failure) {
    EXPECT_EQ(failure.message, "prelink/out/Outsider.virtual: invokevirtual prelink/Base.size: java/lang/Error \" 94\"");
  }
}

TEST_F(PrelinkTest, MissingMethodEndsTheRomizerNamingBothClasses) {
  // Point Caller's call of Base.fixed at a name Base does not have.
  ClassRecord* callerClass = loaded("prelink/Caller");
  ConstantPool* pool = vsClass_constantPool(callerClass);
  VmRef poolRef = vsRef_of(pool);
  uint32_t fixed = 0, direct = 0;
  for (uint32_t i = 1; i < pool->count; ++i) {
    const uint8_t tag = vsConstantPool_tagAt(pool, i);
    if (tag == kTagUtf8 && pool->entries[i] == symbol("direct")) direct = i;
    if (tag != kTagMethodRef) continue;
    VmRef name = 0, signature = 0, cls = 0;
    if (vsConstantPool_memberRefParts(&poolRef, i, &name, &signature, nullptr, &cls) != 0 && name == symbol("fixed"))
      fixed = i;
  }
  ASSERT_NE(fixed, 0u);
  ASSERT_NE(direct, 0u);
  const uint32_t nat = pool->entries[fixed] >> 16;
  pool->entries[nat] = (pool->entries[nat] & 0xffff0000u) | direct;
  RomizerModel model = modelOf({std::begin(kFixtures), std::end(kFixtures)});
  try {
    romizer_prelink(model);
    ADD_FAILURE() << "the pass accepted the call";
  } catch (const RomizerFailure& failure) {
    EXPECT_EQ(failure.message, "prelink/Caller.direct: invokevirtual prelink/Base.direct: java/lang/Error \"136\"");
  }
}

TEST_F(PrelinkTest, MalformedReferenceEndsTheRomizerNamingTheEntry) {
  // readWide's getfield names the UTF-8 entry of its method's name.
  MethodRecord* m = method("prelink/Caller", "readWide", "(Lprelink/Caller;)J");
  const uint32_t getfield = bciOf(m, kOpGetfield);
  m->code[getfield + 1] = static_cast<uint8_t>(m->nameIndex >> 8);
  m->code[getfield + 2] = static_cast<uint8_t>(m->nameIndex);
  RomizerModel model = modelOf({"prelink/Caller"});
  try {
    romizer_prelink(model);
    ADD_FAILURE() << "the pass accepted the entry";
  } catch (const RomizerFailure& failure) {
    EXPECT_EQ(failure.message, "prelink/Caller.readWide: getfield pool entry " + std::to_string(m->nameIndex) +
                                   ": java/lang/Error \" 91\"");
  }
}

TEST_F(PrelinkTest, RomEntriesAreWrittenIntoTableSlotsOnly) {
  MethodRecord* slotted = method("prelink/Getters", "nextWhole", "()I");
  MethodRecord* own = method("prelink/Getters", "lockedWhole", "()I");
  // A stand-in slot of the method-entry table for one method.
  VmWord slot = 0;
  slotted->entryWord = &slot;
  own->ownEntry = 0;
  jitEntry_setRomEntries();
  EXPECT_EQ(vsMethodEntry_kindOfWord(slot), vsMethodEntry_interpretedKind(slotted));
  EXPECT_EQ(own->ownEntry, 0u);
}

TEST_F(PrelinkTest, FastAccessorsNeedAFieldBelowByte32768) {
  VmRef getter = vsRef_of(method("prelink/Getters", "getWhole", "()I"));
  VmRef other = vsRef_of(method("prelink/Getters", "nextWhole", "()I"));
  MethodRecord* m = vsRef_as<MethodRecord>(other);
  const VmWord before = m->ownEntry;
  jitEntry_setFastAccessor(&other);
  EXPECT_EQ(m->ownEntry, before);
  // The getter's field entry, moved to byte 32768.
  MethodRecord* g = vsRef_as<MethodRecord>(getter);
  ConstantPool* pool = vsMethod_constantPool(g);
  const uint32_t index = vsMethod_operandU2At(g, 2);
  uint32_t offset = 0;
  int32_t type = 0;
  ASSERT_EQ(vsConstantPool_tryResolveField(&getter, index, &offset, &type, false, true), 1);
  // Waived checks take the resolved entry as it stands.
  loaded("prelink/Getters")->classInfo->accessFlags |= kClassAccessChecksWaived;
  const VmWord resolved = pool->entries[index];
  pool->entries[index] = 32768u << 16 | (resolved & 0xffff);
  const VmWord ownBefore = g->ownEntry;
  jitEntry_setFastAccessor(&getter);
  EXPECT_EQ(g->ownEntry, ownBefore);
  pool->entries[index] = resolved;
  jitEntry_setFastAccessor(&getter);
  EXPECT_EQ(vsMethodEntry_kindOfWord(g->ownEntry), kEntryAccessorWord);
  EXPECT_EQ(g->maxStack, kTypeInt);
  EXPECT_EQ(g->maxLocals, offset);
}

}  // namespace
