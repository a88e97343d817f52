// Over the core started without an image, with the test programs' archive
// and the classdump fixtures: no parser-form map survives class creation
// (with the verifier off, every method holds a compact map or none, whose
// entries rise strictly and lie at instruction starts), and the decoder
// resolves the string constants of ldc unless the walk forbids it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "tests/core/core_start.h"
#include "vm/core/bytecode/bci_tables.h"
#include "vm/core/bytecode/stack_maps.h"
#include "vm/core/interp/method_helpers.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/loader/class_path.h"
#include "vm/core/loader/jar_file.h"
#include "vm/core/memory/class_table.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/constant_pool.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/kinds.h"
#include "vm/core/model/method_access.h"
#include "vm/core/model/model_flags.h"
#include "vm/core/model/symbols.h"
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

// Boots the core once and loads every class of both archives; the number
// of classes loaded.
int bootAndLoadAll() {
  static int loaded = -1;
  if (loaded >= 0) return loaded;
  loaded = 0;
  const std::vector<uint8_t> fixtures = vsTestCore_readFile(VS_CLASSDUMP_FIXTURES);
  vsVmFlags().UseVerifier = 0;
  if (fixtures.empty() || !vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY),
                                           vsTestCore_readFile(VS_ITEST_ARCHIVE), kTestCoreHeapBytes))
    return 0;
  void* low = vsLow_alloc(static_cast<uint32_t>(fixtures.size()));
  if (low == nullptr) return 0;
  std::memcpy(low, fixtures.data(), fixtures.size());
  vsMemFile_register("/fixtures.jar", static_cast<const uint8_t*>(low), nullptr, static_cast<uint32_t>(fixtures.size()));
  if (vsClassPath_set("/sys.jar;/app.jar;/fixtures.jar") == 0) return 0;
  for (const char* archive : {"/app.jar", "/fixtures.jar"}) vsJarFile_forEachEntry(archive, ".class", collect);
  for (const std::string& name : gNames) {
    // Classes of system packages may only come from the library.
    if (vsSystemPackage_isSystemClass(name.c_str(), "/fixtures.jar")) continue;
    if (vsClass_findOrLoadByName(name.c_str(), 1) != 0) ++loaded;
    vsPendingException() = 0;
  }
  return loaded;
}

// Counts the string constants that ldc hands over, null or not.
class StringCounter : public vsBytecodeClosure {
 public:
  explicit StringCounter(bool resolve) { resolvesStrings = resolve; }
  int objects = 0;
  int nulls = 0;
  int32_t pushObject(const VmRef* object) override {
    const uint8_t op = vsRef_as<MethodRecord>(method.object)->code[bci];
    if (op != kOpAconstNull) ++(*object != 0 ? objects : nulls);
    return 0;
  }
};

// str/One's text() is "ldc #k; areturn" with entry k the String "shared
// text"; here the entry goes back to its unresolved forms.
TEST(LoadedMapsTest, LdcResolvesStringsUnlessForbidden) {
  ASSERT_GT(bootAndLoadAll(), 20);
  VmHandle method;
  vsHandle_pushEmpty(&method);
  const ClassRecord* one = vsRef_as<ClassRecord>(vsClass_findOrLoadByName("str/One", 1));
  ASSERT_NE(one, nullptr);
  const ObjectArray* methods = vsRef_as<ObjectArray>(vsClass_methods(one));
  for (int32_t i = 0; i < methods->length; ++i)
    if (vsMethod_name(vsRef_as<MethodRecord>(methods->elements[i])) == vsSymbol_fromCString("text", true))
      method.object = methods->elements[i];
  ASSERT_NE(method.object, 0u);
  const MethodRecord* m = vsRef_as<MethodRecord>(method.object);
  ASSERT_EQ(m->code[0], kOpLdc);
  const uint32_t index = m->code[1];
  ConstantPool* pool = vsMethod_constantPool(m);
  ASSERT_EQ(vsConstantPool_tagAt(pool, index), kTagResolvedString);
  const VmRef text = vsSymbol_fromCString("shared text", false);
  const VmRef string = pool->entries[index];
  const struct {
    bool resolve;
    const char* seen;
  } cases[] = {{false, "null"}, {true, "object"}};
  for (const auto& c : cases) {
    vsConstantPool_setEntry(pool, index, kTagUnresolvedString, text);
    StringCounter counter(c.resolve);
    vsBytecodes_visit(&method.object, 0, &counter);
    ASSERT_EQ(vsPendingException(), 0u);
    EXPECT_EQ(counter.objects == 1 ? "object" : counter.nulls == 1 ? "null" : "nothing", std::string(c.seen))
        << (c.resolve ? "resolving" : "forbidden");
    EXPECT_EQ(vsConstantPool_tagAt(pool, index), c.resolve ? kTagResolvedString : kTagUnresolvedString);
    if (c.resolve) {
      EXPECT_EQ(pool->entries[index], string) << "the interned String";
    }
  }
  vsHandle_close(&method);
}

TEST(LoadedMapsTest, EveryLoadedMethodHoldsACompactMapOrNone) {
  ASSERT_GT(bootAndLoadAll(), 20);
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
