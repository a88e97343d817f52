// The core fixture (see core_fixture.h).
#include "tests/core/core_fixture.h"

#include <cstring>

#include "tests/core/core_start.h"
#include "vm/core/model/descriptors.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/model/class_access.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"

namespace {

bool gBooted = false;

void boot() {
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    FAIL() << "the core did not start";
  }
  vsExitPoint_push(&point);
  const bool started = vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY), vsTestCore_readFile(VS_CORE_TEST_CLASSES),
                                       kTestCoreHeapBytes);
  vsExitPoint_remove(&point);
  ASSERT_TRUE(started);
  vsTestCore_snapshot();
  gBooted = true;
}

std::string javaText(VmRef string) {
  const StringObject* s = vsRef_as<StringObject>(string);
  const uint16_t* chars = vsRef_as<CharArray>(s->value)->elements + s->offset;
  std::string out;
  for (int32_t i = 0; i < s->count; ++i) out += static_cast<char>(chars[i]);
  return out;
}

}  // namespace

void CoreTest::SetUp() {
  if (!gBooted) {
    boot();
    return;
  }
  vsTestCore_restore();
}

VmRef CoreTest::symbol(const char* text) { return vsSymbol_fromCString(text, false); }

VmRef CoreTest::load(const char* name) { return vsClass_findOrLoadByName(name, 1); }

VmRef CoreTest::descriptor(const char* text) {
  return vsDescriptor_parse({reinterpret_cast<const uint8_t*>(text), nullptr, 0,
                             static_cast<uint32_t>(std::strlen(text))});
}

ClassRecord* CoreTest::loaded(const char* name) {
  const VmRef cls = load(name);
  EXPECT_NE(cls, 0u) << name << ": " << takePending();
  return vsRef_as<ClassRecord>(cls);
}

std::string CoreTest::takePending() {
  const VmRef exception = vsPendingException();
  if (exception == 0) return "";
  vsPendingException() = 0;
  const ClassRecord* cls = vsObject_class(exception);
  const VmSymbol* name = vsClass_name(cls);
  std::string out(reinterpret_cast<const char*>(name->bytes), name->length);
  const VmRef message = vsRef_as<VmWord>(exception)[1];
  if (cls->instanceKind >= 8 && message != 0) out += " \"" + javaText(message) + "\"";
  return out;
}
