// The merge hands the widening every ldc whose constant lands above index
// 255, and only those: three classes of 90 string constants each, every one
// loaded by ldc in its own class, romized in process with a widening that
// records its calls on these classes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/core/core_start.h"
#include "tools/romizer/class_loading_pass.h"
#include "tools/romizer/romizer_names.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/startup/vm_control.h"

namespace {

struct WideningCall {
  VmRef method;
  std::vector<LdcWidening> sites;
};

std::vector<WideningCall> gCalls;

}  // namespace

// Records the widening of the fixture's methods; the library's own strings
// may land above 255 too, and its methods are not the fixture's concern.
VmRef romizer_widenLdc(RomizerModel&, VmRef method, const std::vector<LdcWidening>& sites) {
  if (romizer_methodName(method).rfind("romizer/many/", 0) == 0) gCalls.push_back({method, sites});
  return method;
}

namespace {

// bci -> text of the string an ldc loads, for each method of the classes.
using LdcTexts = std::map<uint32_t, std::string>;

LdcTexts ldcTexts(VmRef method, const ConstantPool* pool, const std::map<uint32_t, uint16_t>& overrides) {
  LdcTexts out;
  const MethodRecord* m = vsRef_as<MethodRecord>(method);
  for (uint32_t bci = 0; bci < m->codeLength; bci += static_cast<uint32_t>(vsBytecodes_lengthAt(&method, bci))) {
    if (m->code[bci] != kOpLdc) continue;
    const auto wide = overrides.find(bci);
    const uint32_t index = wide != overrides.end() ? wide->second : m->code[bci + 1];
    EXPECT_EQ(vsConstantPool_tagAt(pool, index), kTagUnresolvedString);
    out[bci] = romizer_symbolText(pool->entries[index]);
  }
  return out;
}

class LdcWideningTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    vsVmState().buildingImage = 1;
    ASSERT_TRUE(vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY), vsTestCore_readFile(VS_ROMIZER_MANY),
                                kTestCoreHeapBytes));
    romizer_loadClasses(model_, {"/sys.jar", "/app.jar"});
    for (VmRef cls : model_.classes) {
      if (romizer_className(cls).rfind("romizer/many/", 0) != 0) continue;
      const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(vsRef_as<ClassRecord>(cls)));
      for (int32_t i = 0; i < methods->length; ++i) {
        methods_.push_back(methods->elements[i]);
        before_.push_back(ldcTexts(methods->elements[i], vsClass_constantPool(vsRef_as<ClassRecord>(cls)), {}));
      }
    }
    romizer_mergePools(model_);
  }

  static RomizerModel model_;
  static std::vector<VmRef> methods_;
  static std::vector<LdcTexts> before_;
};

RomizerModel LdcWideningTest::model_;
std::vector<VmRef> LdcWideningTest::methods_;
std::vector<LdcTexts> LdcWideningTest::before_;

// The widened sites are exactly the fixture's ldc whose string lands above
// 255 in the merged pool, at that string's index, method by method: at
// least the last of ManyC's initializer, whose 270 constants follow the
// library's.
TEST_F(LdcWideningTest, OnlyTheConstantsAbove255AreWidened) {
  ASSERT_EQ(methods_.size(), 9u);  // <init>, first, <clinit> of each
  const ConstantPool* pool = vsRef_as<ConstantPool>(model_.mergedPool);
  std::map<std::string, uint32_t> indexOf;
  for (uint32_t i = 1; i < pool->count; ++i)
    if (vsConstantPool_tagAt(pool, i) == kTagUnresolvedString) indexOf[romizer_symbolText(pool->entries[i])] = i;
  std::map<std::string, std::map<uint32_t, uint32_t>> expected;  // method -> bci -> merged index
  for (size_t i = 0; i < methods_.size(); ++i) {
    for (const auto& [bci, text] : before_[i]) {
      ASSERT_EQ(indexOf.count(text), 1u) << text;
      if (indexOf[text] > 255) expected[romizer_methodName(methods_[i])][bci] = indexOf[text];
    }
  }
  ASSERT_EQ(expected.count("romizer/many/ManyC.<clinit>"), 1u);
  EXPECT_GE(expected["romizer/many/ManyC.<clinit>"].size(), 270u - 255u);
  std::map<std::string, std::map<uint32_t, uint32_t>> widened;
  for (const WideningCall& call : gCalls) {
    std::map<uint32_t, uint32_t>& sites = widened[romizer_methodName(call.method)];
    EXPECT_TRUE(sites.empty()) << romizer_methodName(call.method) << " widened twice";
    uint32_t previous = 0;
    for (const LdcWidening& site : call.sites) {
      EXPECT_EQ(vsRef_as<MethodRecord>(call.method)->code[site.bci], kOpLdc);
      EXPECT_GE(site.bci, previous);
      previous = site.bci;
      sites[site.bci] = site.index;
    }
  }
  EXPECT_EQ(widened, expected);
}

// With the widened sites read at their new indexes, every ldc of every
// method loads the string it loaded before the merge.
TEST_F(LdcWideningTest, EveryLdcKeepsItsString) {
  ASSERT_FALSE(gCalls.empty());
  const ConstantPool* pool = vsRef_as<ConstantPool>(model_.mergedPool);
  ASSERT_EQ(before_.size(), methods_.size());
  for (size_t i = 0; i < methods_.size(); ++i) {
    std::map<uint32_t, uint16_t> wide;
    for (const WideningCall& call : gCalls)
      if (methods_[i] == call.method)
        for (const LdcWidening& site : call.sites) wide[site.bci] = site.index;
    EXPECT_EQ(ldcTexts(methods_[i], pool, wide), before_[i]) << romizer_methodName(methods_[i]);
  }
}

}  // namespace
