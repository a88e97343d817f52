// No parser-form map survives class creation: with the verifier off, every
// method of every class of the test programs' archive and of the classdump
// fixtures holds a compact map or none, and each compact map's entries rise
// strictly and lie at instruction starts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/core_start.h"
#include "vm/core/bytecode/bci_tables.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/vm_flags.h"
#include "vm/services/connection/system_package.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

std::vector<std::string> gNames;

void collect(const char* name, uint32_t length, VsJarFile*) { gNames.emplace_back(name, length - 6); }

// The reasons why a method's map is not as it should be, or "".
std::string checkMethod(VmRef method) {
  const MethodRecord* m = vsRef_as<MethodRecord>(method);
  const VmRef map = vsMethod_stackmap(m);
  if (map == 0) return "";
  if (vsObject_kind(map) != kKindStackMap) return "a map of kind " + std::to_string(vsObject_kind(map));
  VmHandle handle;
  vsHandle_push(&handle, method);
  const VmRef starts = vsBytecodes_scanInstructionStarts(&handle.object);
  std::string fault = starts == 0 ? "code that cannot be scanned" : "";
  const CountedRecord* c = vsRef_as<CountedRecord>(vsMethod_stackmap(vsRef_as<MethodRecord>(handle.object)));
  for (uint32_t i = 0; fault.empty() && i < c->count; ++i) {
    const ByteArray* s = vsRef_as<ByteArray>(starts);
    const uint32_t bci = vsStackMap_bci(c, i);
    if (i > 0 && bci <= vsStackMap_bci(c, i - 1)) fault = "entry " + std::to_string(i) + " does not rise";
    else if (bci >= static_cast<uint32_t>(s->length) || s->elements[bci] == 0)
      fault = "entry " + std::to_string(i) + " at " + std::to_string(bci) + " inside an instruction";
  }
  vsHandle_close(&handle);
  return fault;
}

TEST(LoadedMapsTest, EveryLoadedMethodHoldsACompactMapOrNone) {
  const std::vector<uint8_t> fixtures = vsTestCore_readFile(VS_CLASSDUMP_FIXTURES);
  ASSERT_FALSE(fixtures.empty());
  vsVmFlags().UseVerifier = 0;
  ASSERT_TRUE(vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY), vsTestCore_readFile(VS_ITEST_ARCHIVE),
                              kTestCoreHeapBytes));
  void* low = vsLow_alloc(static_cast<uint32_t>(fixtures.size()));
  ASSERT_NE(low, nullptr);
  std::memcpy(low, fixtures.data(), fixtures.size());
  vsMemFile_register("/fixtures.jar", static_cast<const uint8_t*>(low), nullptr, static_cast<uint32_t>(fixtures.size()));
  vsClassPath_set("/sys.jar;/app.jar;/fixtures.jar");
  for (const char* archive : {"/app.jar", "/fixtures.jar"}) vsJarFile_forEachEntry(archive, ".class", collect);
  ASSERT_GT(gNames.size(), 20u);
  int loaded = 0;
  for (const std::string& name : gNames) {
    // Classes of system packages may only come from the library.
    if (vsSystemPackage_isSystemClass(name.c_str(), "/fixtures.jar")) continue;
    if (vsClass_findOrLoadByName(name.c_str(), 1) != 0) ++loaded;
    vsPendingException() = 0;
  }
  EXPECT_GT(loaded, 20);
  int methods = 0;
  int withMaps = 0;
  for (uint32_t id = 0; id < vsClassTable_count(); ++id) {
    const ClassRecord* cls = vsClass_byId(id);
    if (cls == nullptr || vsObject_kind(vsRef_of(cls)) != kKindInstanceClass || vsClass_methods(cls) == 0) continue;
    const ObjectArray* list = vsRef_as<ObjectArray>(vsClass_methods(cls));
    for (int32_t i = 0; i < list->length; ++i) {
      const VmRef m = list->elements[i];
      ++methods;
      if (vsMethod_stackmap(vsRef_as<MethodRecord>(m)) != 0) ++withMaps;
      const std::string fault = checkMethod(m);
      EXPECT_EQ(fault, "") << "class id " << id << " method " << i;
    }
  }
  EXPECT_GT(withMaps, 10) << "of " << methods << " methods";
}

}  // namespace
