// The verifier over the core started without an image: the class path
// walk of verify-only mode and its statuses, a verification nested in
// another through the load hook (with collections inside it), the bci
// table dropped by a collection between verifications, code that only a
// method put together here can hold (preparation refuses it at load
// time), and the verifier's types checked against the tag-stack simulator
// at every instruction of every verified method. Each test starts from a
// snapshot of the started core.
#include "vm/core/bytecode/verifier.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/core_start.h"
#include "tests/core/heap_exhaust.h"
#include "vm/core/bytecode/class_link.h"
#include "vm/core/bytecode/tag_stack.h"
#include "vm/core/interp/exceptions.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/interp/stack_trace.h"
#include "vm/core/interp/string_helpers.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/memory/gc_front.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/string_factory.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/object_array.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_control.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

bool registerArchive(const char* path, const char* name) {
  const std::vector<uint8_t> bytes = vsTestCore_readFile(path);
  if (bytes.empty()) return false;
  void* low = vsLow_alloc(static_cast<uint32_t>(bytes.size()));
  if (low == nullptr) return false;
  std::memcpy(low, bytes.data(), bytes.size());
  return vsMemFile_register(name, static_cast<const uint8_t*>(low), nullptr,
                            static_cast<uint32_t>(bytes.size())) >= 0;
}

// The core with the library, the test programs as /app.jar, and the
// corpus's archives, as it was right after the start: every test begins
// with no class verified.
bool boot() {
  static int booted = -1;
  if (booted < 0) {
    vsVmFlags().UseVerifier = 1;
    booted = vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY), vsTestCore_readFile(VS_ITEST_ARCHIVE),
                             kTestCoreHeapBytes) &&
             registerArchive(VS_VERIFIER_OK, "/ok.jar") &&
             registerArchive(VS_VERIFIER_FIXTURES, "/fixtures.jar");
    if (booted == 1) vsTestCore_snapshot();
  } else if (booted == 1) {
    vsTestCore_restore();
  }
  return booted == 1;
}

// --- the tag cross-check ---------------------------------------------------

// A slot holds a reference for the verifier exactly when its type is null,
// uninitialized this, an object or an uninitialized object.
bool isReferenceType(uint16_t type) { return type == 5 || type == 6 || type == 7 || type >= 0x1000; }

std::string symbolText(VmRef symbol) {
  const VmSymbol* s = vsRef_as<VmSymbol>(symbol);
  return s != nullptr ? std::string(reinterpret_cast<const char*>(s->bytes), s->length) : "?";
}

// The verifier's walk over a method's parser-form map again, asking the
// simulator at every instruction start which slots hold references (from
// the compact map that verification left) and noting every slot where the
// two disagree.
class TagCrossCheck : public vsVerifierClosure {
 public:
  TagCrossCheck(const VmRef* method, const VmRef* parserMap, const VmRef* compactMap)
      : vsVerifierClosure(method) {
    stackMap.object = *parserMap;
    vsHandle_pushCopy(&compact, compactMap);
  }

  VmHandle compact;
  uint32_t instructions = 0;
  std::vector<std::string> faults;

  int32_t prolog() override {
    vsVerifierClosure::prolog();
    if (vsException_isPending()) return 0;
    ++instructions;
    vsTagStackClosure simulator(&method.object);
    const VmRef tags = vsTagStackClosure_computeTagsAt(&simulator, &compact.object, bci);
    std::ostringstream fault;
    if (tags == 0) {
      fault << "no tags";
    } else if (!simulator.exact || simulator.top != locals + depth) {
      fault << simulator.top << " tagged slots (exact " << simulator.exact << "), verifier " << locals
            << " + " << depth;
    } else {
      const uint8_t* t = reinterpret_cast<const uint8_t*>(vsRef_as<ByteArray>(tags)->elements);
      for (uint32_t k = 0; k < simulator.top; ++k) {
        const uint16_t type = k < locals ? localType(k) : stackType(k - locals);
        if (isReferenceType(type) != (t[k] == kSlotReference)) {
          fault << "slot " << k << " type " << type << " tag " << int{t[k]};
          break;
        }
      }
    }
    if (!fault.str().empty()) faults.push_back("bci " + std::to_string(bci) + ": " + fault.str());
    return 0;
  }
};

std::vector<std::string> gEntries;

void collectEntry(const char* name, uint32_t length, VsJarFile*) { gEntries.emplace_back(name, length - 6); }

TEST(VerifierTest, EveryVerifiedSlotAgreesWithTheTagStack) {
  ASSERT_TRUE(boot());
  ASSERT_EQ(vsClassPath_set("/sys.jar;/app.jar;/ok.jar"), 1);
  int classes = 0;
  uint32_t methods = 0;
  uint32_t instructions = 0;
  std::vector<std::string> faults;
  for (const char* archive : {"/sys.jar", "/app.jar", "/ok.jar"}) {
    gEntries.clear();
    vsJarFile_forEachEntry(archive, ".class", collectEntry);
    ASSERT_EQ(vsPendingException(), 0u) << archive;
    ASSERT_FALSE(gEntries.empty()) << archive;
    for (const std::string& name : gEntries) {
      VmHandle cls;
      VmHandle list;
      VmHandle parserMaps;
      VmHandle method;
      VmHandle compact;
      vsHandle_push(&cls, vsClass_findOrLoadByName(name.c_str(), 1));
      vsHandle_pushEmpty(&list);
      vsHandle_pushEmpty(&parserMaps);
      vsHandle_pushEmpty(&method);
      vsHandle_pushEmpty(&compact);
      if (cls.object == 0) {
        faults.push_back(name + ": not loaded");
        vsPendingException() = 0;
      } else if (vsClass_isVerified(vsRef_as<ClassRecord>(cls.object))) {
        faults.push_back(name + ": verified before its maps were kept");
      } else {
        // The parser-form maps, which verification replaces.
        list.object = vsClass_methods(vsRef_as<ClassRecord>(cls.object));
        const int32_t count = list.object != 0 ? vsRef_as<ObjectArray>(list.object)->length : 0;
        parserMaps.object = vsJavaHeap_newObjectArray(count);
        ASSERT_TRUE(count == 0 || parserMaps.object != 0) << name;
        for (int32_t i = 0; i < count; ++i)
          vsObjectArray_setElement(
              vsRef_as<ObjectArray>(parserMaps.object), i,
              vsMethod_stackmap(vsRef_as<MethodRecord>(vsRef_as<ObjectArray>(list.object)->elements[i])));
        if (!vsVerifier_verifyClass(&cls.object)) {
          faults.push_back(name + ": refused");
          vsPendingException() = 0;
        } else {
          ++classes;
          for (int32_t i = 0; i < count; ++i) {
            method.object = vsRef_as<ObjectArray>(list.object)->elements[i];
            const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
            if (vsMethod_isNative(m) || vsMethod_isAbstract(m)) continue;
            ++methods;
            compact.object = vsMethod_stackmap(m);
            TagCrossCheck check(&method.object, &vsRef_as<ObjectArray>(parserMaps.object)->elements[i],
                                &compact.object);
            if (check.start()) check.walk();
            const std::string where = name + "." +
                                      symbolText(vsMethod_name(vsRef_as<MethodRecord>(method.object))) +
                                      " (method " + std::to_string(i) + ")";
            if (vsPendingException() != 0) {
              faults.push_back(where + ": the second walk failed at bci " + std::to_string(check.bci));
              vsPendingException() = 0;
            }
            instructions += check.instructions;
            for (const std::string& f : check.faults) faults.push_back(where + " " + f);
          }
        }
      }
      vsHandle_close(&cls);
    }
  }
  std::string first;
  for (size_t i = 0; i < faults.size() && i < 20; ++i) first += "\n  " + faults[i];
  EXPECT_EQ(faults.size(), 0u) << "disagreements, the first:" << first;
  EXPECT_GT(classes, 100);
  EXPECT_GT(instructions, 10000u);
  std::printf("%d classes, %u methods, %u instruction starts compared\n", classes, methods, instructions);
}

struct ClassPathCase {
  const char* path;
  bool passes;
  int32_t status;
};

TEST(VerifierTest, VerifyOnlyWalksTheClassPathAndSetsTheStatus) {
  ASSERT_TRUE(boot());
  const ClassPathCase cases[] = {
      {"/sys.jar;/ok.jar", true, 0},
      {"/sys.jar;/fixtures.jar", false, -1},
      {"/sys.jar;/no-such.jar", false, -1},
  };
  for (const ClassPathCase& c : cases) {
    ASSERT_EQ(vsClassPath_set(c.path), 1) << c.path;
    vsVmState().exitCode = 0;
    EXPECT_EQ(vsVerifier_verifyClassPath(), c.passes) << c.path;
    EXPECT_EQ(vsVmState().exitCode, c.status) << c.path;
    EXPECT_EQ(vsPendingException(), 0u) << c.path << ": nothing is left pending";
  }
}

// The hook verifies another class inside the outer verification, with a
// collection forced after it, and checks that the outer one's bci table
// is as it was.
const char* gInner = nullptr;
int gNested = 0;
bool gTableKept = true;

void nestOnce(const VmRef*) {
  if (gInner == nullptr) return;
  const char* inner = gInner;
  gInner = nullptr;
  std::vector<int32_t> before(kVerifierBciIndexSize);
  const IntArray* table = vsRef_as<IntArray>(vsVmGlobals.verifierBciIndex);
  std::memcpy(before.data(), table->elements, 4 * kVerifierBciIndexSize);
  VmHandle cls;
  vsHandle_push(&cls, vsClass_findOrLoadByName(inner, 1));
  if (cls.object != 0 && vsVerifier_verifyClass(&cls.object)) ++gNested;
  vsHandle_close(&cls);
  vsGC_fullCollection();
  table = vsRef_as<IntArray>(vsVmGlobals.verifierBciIndex);
  gTableKept =
      table != nullptr && std::memcmp(before.data(), table->elements, 4 * kVerifierBciIndexSize) == 0;
}

struct NestingCase {
  const char* name;
  bool nested;
  uint32_t stressInterval;  // a collection before every n-th allocation
};

TEST(VerifierTest, ANestedVerificationLeavesTheOuterOneAsItWas) {
  const NestingCase cases[] = {
      {"alone", false, 0},
      {"nested", true, 0},
      {"nested, collecting at every allocation", true, 1},
  };
  for (const NestingCase& c : cases) {
    ASSERT_TRUE(boot()) << c.name;
    ASSERT_EQ(vsClassPath_set("/sys.jar;/app.jar;/ok.jar"), 1);
    VmHandle outer;
    vsHandle_push(&outer, vsClass_findOrLoadByName("tests/Exceptions", 1));
    ASSERT_NE(outer.object, 0u) << c.name;
    ASSERT_FALSE(vsClass_isVerified(vsRef_as<ClassRecord>(outer.object))) << c.name;
    gInner = c.nested ? "tests/Hash" : nullptr;
    gNested = 0;
    gTableKept = true;
    GcStress& stress = vsGC_stress;
    stress = {c.stressInterval, c.stressInterval, 0, 0};
    vsVerifier_setLoadHook(nestOnce);
    const bool verified = vsVerifier_verifyClass(&outer.object);
    vsVerifier_setLoadHook(nullptr);
    stress = {0, 0, 0, 0};
    EXPECT_TRUE(verified) << c.name;
    EXPECT_EQ(vsPendingException(), 0u) << c.name;
    EXPECT_EQ(gNested, c.nested ? 1 : 0) << c.name << ": the verifications the hook nested";
    EXPECT_TRUE(gTableKept) << c.name << ": the outer verification's bci table";
    EXPECT_TRUE(vsClass_isVerified(vsRef_as<ClassRecord>(outer.object))) << c.name;
    EXPECT_EQ(vsClass_isVerified(vsRef_as<ClassRecord>(vsClass_findOrLoadByName("tests/Hash", 1))), c.nested)
        << c.name;
    EXPECT_FALSE(vsVerifier_isVerifying()) << c.name;
    vsHandle_close(&outer);
  }
}

// The table outlives a verification until the next collection drops it;
// the next verification allocates a new one.
TEST(VerifierTest, ACollectionBetweenVerificationsDropsTheBciTable) {
  ASSERT_TRUE(boot());
  ASSERT_EQ(vsClassPath_set("/sys.jar;/app.jar"), 1);
  const char* const names[] = {"tests/Exceptions", "tests/Hash"};
  for (const char* name : names) {
    VmHandle cls;
    vsHandle_push(&cls, vsClass_findOrLoadByName(name, 1));
    ASSERT_NE(cls.object, 0u) << name;
    EXPECT_TRUE(vsVerifier_verifyClass(&cls.object)) << name;
    EXPECT_NE(vsVmGlobals.verifierBciIndex, 0u) << name << ": the table after the verification";
    vsGC_fullCollection();
    EXPECT_EQ(vsVmGlobals.verifierBciIndex, 0u) << name << ": the table after a collection";
    vsHandle_close(&cls);
  }
}

// --- the closure on code that preparation would refuse ---------------------

// The pending exception is java/lang/Error with the message `code` as
// "%3d".
bool pendingCode(int32_t code) {
  const VmRef e = vsPendingException();
  char text[8];
  std::snprintf(text, sizeof text, "%3d", code);
  VmHandle message;
  vsHandle_push(&message, vsJavaHeap_newStringFromUtf8(reinterpret_cast<const uint8_t*>(text),
                                                       static_cast<int32_t>(std::strlen(text))));
  const bool same = e != 0 && vsRef_as<ThrowableObject>(e)->detailMessage != 0 &&
                    vsString_equals(vsRef_as<ThrowableObject>(e)->detailMessage, message.object);
  vsHandle_close(&message);
  return same;
}

// A parser-form map with one empty frame (no locals, no stack) per bci.
VmRef emptyFrames(std::initializer_list<uint16_t> bcis) {
  VmHandle map;
  VmHandle frame;
  vsHandle_push(&map, vsJavaHeap_newObjectArray(static_cast<int32_t>(2 * bcis.size())));
  vsHandle_pushEmpty(&frame);
  int32_t i = 0;
  for (const uint16_t bci : bcis) {
    if (map.object == 0) break;
    frame.object = vsJavaHeap_newShortArray(3);
    if (frame.object == 0) {
      map.object = 0;
      break;
    }
    vsRef_as<ShortArray>(frame.object)->elements[0] = static_cast<int16_t>(bci);
    vsObjectArray_setElement(vsRef_as<ObjectArray>(map.object), 2 * i++, frame.object);
  }
  const VmRef result = map.object;
  vsHandle_close(&map);
  return result;
}

struct RawCodeCase {
  const char* name;
  std::vector<uint8_t> code;
  std::initializer_list<uint16_t> frames;
  int32_t code_or_pass;  // the verification error, 0 when the code passes
};

// Preparation refuses these instructions when a class is loaded, so only
// a method put together here reaches the verifier with them: it refuses
// each with 26, and a tableswitch whose high is below its low checks its
// default alone. (Switch words are in machine order, as preparation
// leaves them: little-endian on both targets.)
TEST(VerifierTest, TheClosureRefusesWhatPreparationWould) {
  const RawCodeCase cases[] = {
      {"jsr", {kOpJsr, 0x00, 0x03, kOpReturn}, {}, 26},
      {"ret", {kOpIconst0, kOpPop, kOpRet, 0x00, kOpReturn}, {}, 26},
      {"jsr_w", {kOpJsrW, 0x00, 0x00, 0x00, 0x05, kOpReturn}, {}, 26},
      {"opcode 186", {186, 0x00, 0x01, 0x00, 0x00, kOpReturn}, {}, 26},
      {"opcode 202", {202, kOpReturn}, {}, 26},
      {"opcode 255", {255, kOpReturn}, {}, 26},
      {"inot", {kOpIconst0, kOpInot, kOpPop, kOpReturn}, {}, 26},
      {"invokevirtual_fast", {kOpInvokevirtualFast, 0x00, 0x01, kOpReturn}, {}, 26},
      {"getfield_word1_int_fast", {kOpAconstNull, kOpGetfieldWord1IntFast, 0x01, kOpPop, kOpReturn}, {}, 26},
      {"cut off", {kOpIconst0, kOpPop, kOpBipush}, {}, 26},
      {"tableswitch high < low",
       {kOpIconst0, kOpTableswitch, 0, 0, 15, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, kOpReturn},
       {16},
       0},
      {"tableswitch over every int: 2^32 targets, past the code",
       {kOpIconst0, kOpTableswitch, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0x80, 0xff, 0xff, 0xff, 0x7f, kOpReturn},
       {16},
       26},
      {"tableswitch high < low, default without a frame",
       {kOpIconst0, kOpTableswitch, 0, 0, 15, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, kOpReturn},
       {},
       8},
  };
  ASSERT_TRUE(boot());
  ASSERT_EQ(vsClassPath_set("/sys.jar;/fixtures.jar"), 1);
  // The methods borrow the class, pool and signature of OkReturn.t()V.
  VmHandle cls;
  VmHandle t;
  VmHandle method;
  vsHandle_push(&cls, vsClass_findOrLoadByName("OkReturn", 1));
  ASSERT_NE(cls.object, 0u);
  vsHandle_pushEmpty(&t);
  vsHandle_pushEmpty(&method);
  const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(vsRef_as<ClassRecord>(cls.object)));
  for (int32_t i = 0; i < methods->length; ++i)
    if (vsMethod_name(vsRef_as<MethodRecord>(methods->elements[i])) == vsSymbol_fromCString("t", true))
      t.object = methods->elements[i];
  ASSERT_NE(t.object, 0u);
  for (const RawCodeCase& c : cases) {
    method.object = vsJavaHeap_newMethod(static_cast<uint16_t>(c.code.size()));
    ASSERT_NE(method.object, 0u) << c.name;
    MethodRecord* m = vsRef_as<MethodRecord>(method.object);
    const MethodRecord* from = vsRef_as<MethodRecord>(t.object);
    m->constantPool = from->constantPool;
    m->accessFlags = from->accessFlags;
    m->classId = from->classId;
    m->maxStack = 2;
    m->maxLocals = 1;
    m->nameIndex = from->nameIndex;
    m->signatureIndex = from->signatureIndex;
    std::memcpy(m->code, c.code.data(), c.code.size());
    const VmRef map = emptyFrames(c.frames);
    ASSERT_NE(map, 0u) << c.name;
    vsRef_as<MethodRecord>(method.object)->stackMap = map;
    const bool passed = vsVerifier_verifyMethod(&method.object);
    EXPECT_EQ(passed, c.code_or_pass == 0) << c.name;
    if (c.code_or_pass != 0) {
      EXPECT_TRUE(pendingCode(c.code_or_pass)) << c.name << ": expected error " << c.code_or_pass;
    }
    vsPendingException() = 0;
  }
  vsHandle_close(&cls);
}

// Loading with the Java part full of live objects: the preallocated
// OutOfMemoryError ends the walk with status -2.
TEST(VerifierTest, AnExhaustedHeapEndsVerifyOnlyWithMinusTwo) {
  ASSERT_TRUE(boot());
  ASSERT_EQ(vsClassPath_set("/sys.jar;/app.jar"), 1);
  vsVmState().exitCode = 0;
  VmHandle filler;
  vsTestHeap_exhaust(&filler);
  ASSERT_NE(filler.object, 0u);
  const bool passed = vsVerifier_verifyClassPath();
  vsHandle_close(&filler);
  EXPECT_FALSE(passed);
  EXPECT_EQ(vsVmState().exitCode, -2);
  EXPECT_EQ(vsPendingException(), 0u);
}

}  // namespace
