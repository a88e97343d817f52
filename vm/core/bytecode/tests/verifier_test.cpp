// The verifier over the core started without an image: the class path
// walk of verify-only mode and its statuses, and a verification nested in
// another through the load hook.
#include "vm/core/bytecode/verifier.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/core_start.h"
#include "vm/core/bytecode/class_link.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
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
// corpus's archives.
bool boot() {
  static int booted = -1;
  if (booted < 0) {
    vsVmFlags().UseVerifier = 1;
    booted = vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY), vsTestCore_readFile(VS_ITEST_ARCHIVE),
                             kTestCoreHeapBytes) &&
             registerArchive(VS_VERIFIER_OK, "/ok.jar") &&
             registerArchive(VS_VERIFIER_FIXTURES, "/fixtures.jar");
  }
  return booted == 1;
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

// The hook verifies another class inside the outer verification, and
// checks that the outer one's bci table is as it was.
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
  table = vsRef_as<IntArray>(vsVmGlobals.verifierBciIndex);
  gTableKept = std::memcmp(before.data(), table->elements, 4 * kVerifierBciIndexSize) == 0;
}

TEST(VerifierTest, ANestedVerificationLeavesTheOuterOneAsItWas) {
  ASSERT_TRUE(boot());
  ASSERT_EQ(vsClassPath_set("/sys.jar;/app.jar;/ok.jar"), 1);
  VmHandle outer;
  vsHandle_push(&outer, vsClass_findOrLoadByName("tests/Exceptions", 1));
  ASSERT_NE(outer.object, 0u);
  ASSERT_FALSE(vsClass_isVerified(vsRef_as<ClassRecord>(outer.object)));
  gInner = "tests/Hash";
  vsVerifier_setLoadHook(nestOnce);
  const bool verified = vsVerifier_verifyClass(&outer.object);
  vsVerifier_setLoadHook(nullptr);
  EXPECT_TRUE(verified);
  EXPECT_EQ(gNested, 1) << "the hook nested one verification";
  EXPECT_TRUE(gTableKept) << "the outer verification's bci table";
  EXPECT_TRUE(vsClass_isVerified(vsRef_as<ClassRecord>(outer.object)));
  EXPECT_TRUE(vsClass_isVerified(vsRef_as<ClassRecord>(vsClass_findOrLoadByName("tests/Hash", 1))));
  EXPECT_FALSE(vsVerifier_isVerifying());
  vsHandle_close(&outer);
}

// Loading with the allocation window closed: the preallocated
// OutOfMemoryError ends the walk with status -2.
TEST(VerifierTest, AnExhaustedHeapEndsVerifyOnlyWithMinusTwo) {
  ASSERT_TRUE(boot());
  ASSERT_EQ(vsClassPath_set("/sys.jar;/app.jar"), 1);
  vsVmState().exitCode = 0;
  const VmWord end = vsVmGlobals.allocationEnd;
  vsVmGlobals.allocationEnd = vsVmGlobals.allocationTop;
  const bool passed = vsVerifier_verifyClassPath();
  vsVmGlobals.allocationEnd = end;
  EXPECT_FALSE(passed);
  EXPECT_EQ(vsVmState().exitCode, -2);
  EXPECT_EQ(vsPendingException(), 0u);
}

}  // namespace
