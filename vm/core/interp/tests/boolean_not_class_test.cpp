// The inot pass over javac's code: the class step fuses the negations of a
// class loaded from the class path, keeps its stack maps at instruction
// starts, and leaves methods with handlers and abstract classes alone.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/core/core_fixture.h"
#include "vm/core/bytecode/bci_tables.h"
#include "vm/core/bytecode/class_link.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/interp/boolean_not.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/method_lookup.h"

namespace {

class BooleanNotClassTest : public CoreTest {
 protected:
  MethodRecord* method(const char* cls, const char* name, const char* signature) {
    const VmRef m = vsClass_findMethodInClass(loaded(cls), symbol(name), descriptor(signature));
    EXPECT_NE(m, 0u) << name;
    return vsRef_as<MethodRecord>(m);
  }

  static std::vector<uint8_t> code(const MethodRecord* m) { return {m->code, m->code + m->codeLength}; }

  // Every map entry lies at an instruction start, in rising order.
  static std::string mapFault(MethodRecord* m) {
    VmHandle held;
    vsHandle_push(&held, vsRef_of(m));
    std::string fault;
    const VmRef starts = vsBytecodes_scanInstructionStarts(&held.object);
    const VmRef map = vsMethod_stackmap(vsRef_as<MethodRecord>(held.object));
    if (starts == 0) fault = "code that cannot be scanned";
    for (uint32_t i = 0; fault.empty() && map != 0 && i < vsRef_as<CountedRecord>(map)->count; ++i) {
      const uint32_t bci = vsStackMap_bci(vsRef_as<CountedRecord>(map), i);
      if (bci >= static_cast<uint32_t>(vsRef_as<ByteArray>(starts)->length) ||
          vsRef_as<ByteArray>(starts)->elements[bci] == 0)
        fault = "entry at " + std::to_string(bci) + " inside an instruction";
    }
    vsHandle_close(&held);
    return fault;
  }
};

TEST_F(BooleanNotClassTest, TheClassStepFusesEachNegation) {
  const struct {
    const char* name;
    const char* signature;
    int fusedAt;  // -1: left as it is
  } cases[] = {
      {"not", "(Z)Z", 1},          // iload_0, ifeq +7 ...
      {"isZero", "(I)Z", 1},       // iload_0, ifne +7 ...
      {"zeroOf", "(ZII)Z", 9},     // the ifne is the target of the conditional's goto
      {"guarded", "(I)Z", -1},     // a handler
  };
  std::map<std::string, std::vector<uint8_t>> before;
  for (const auto& c : cases) before[c.name] = code(method("code/Negations", c.name, c.signature));
  VmHandle cls;
  vsHandle_push(&cls, vsRef_of(loaded("code/Negations")));
  // Class initialisation links (verifies) before it prepares the methods;
  // verification leaves the compact maps the pass edits.
  vsClass_link(&cls.object);
  EXPECT_EQ(takePending(), "");
  vsClass_setupMethodEntries(&cls.object);
  EXPECT_EQ(takePending(), "");
  for (const auto& c : cases) {
    MethodRecord* m = method("code/Negations", c.name, c.signature);
    std::vector<uint8_t> expected = before[c.name];
    if (c.fusedAt >= 0) {
      ASSERT_GE(expected.size(), static_cast<size_t>(c.fusedAt) + 9) << c.name;
      ASSERT_TRUE(expected[c.fusedAt] == kOpIfeq || expected[c.fusedAt] == kOpIfne) << c.name;
      expected[c.fusedAt] = kOpInot;
      expected.erase(expected.begin() + c.fusedAt + 1, expected.begin() + c.fusedAt + 8);
    }
    EXPECT_EQ(code(m), expected) << c.name;
    EXPECT_EQ(mapFault(m), "") << c.name;
  }
  vsHandle_close(&cls);
}

TEST_F(BooleanNotClassTest, AbstractClassesAndArraysAreLeftAlone) {
  MethodRecord* m = method("code/AbstractNegations", "not", "(Z)Z");
  const std::vector<uint8_t> before = code(m);
  VmHandle cls;
  vsHandle_push(&cls, vsRef_of(loaded("code/AbstractNegations")));
  vsClass_setupMethodEntries(&cls.object);
  EXPECT_EQ(code(method("code/AbstractNegations", "not", "(Z)Z")), before);
  cls.object = vsRef_of(loaded("[I"));
  vsClass_setupMethodEntries(&cls.object);
  EXPECT_EQ(takePending(), "");
  vsHandle_close(&cls);
}

}  // namespace
