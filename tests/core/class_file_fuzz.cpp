// The frame of the class-file fuzz targets (see class_file_fuzz.h).
#include "tests/core/class_file_fuzz.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "tests/core/core_start.h"
#include "vm/core/loader/class_loading.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/memory/object_size.h"
#include "vm/core/model/handles.h"
#include "vm/core/model/object_helpers.h"
#include "vm/core/model/symbols.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/startup/exit_point.h"

namespace {

constexpr uint32_t kHeapBytes = 1u << 20;
constexpr size_t kMaxInput = 1u << 18;
constexpr size_t kMaxName = 256;

bool gStarted = false;

bool start(const VsClassFileFuzzTarget& target) {
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    return false;
  }
  vsExitPoint_push(&point);
  if (target.beforeBoot != nullptr) target.beforeBoot();
  bool started = vsTestCore_boot(vsTestCore_readFile(target.library), {}, kHeapBytes);
  if (started && target.afterBoot != nullptr) started = target.afterBoot();
  vsExitPoint_remove(&point);
  if (started) vsTestCore_snapshot();
  return started;
}

void loadAndStep(const VsClassFileFuzzTarget& target, const uint8_t* name, size_t nameLength,
                 const uint8_t* classFile, size_t size) {
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    return;
  }
  vsExitPoint_push(&point);
  VmHandle symbol, bytes, cls;
  vsHandle_push(&symbol, vsSymbol_intern(name, static_cast<int32_t>(nameLength), false));
  vsHandle_push(&bytes, vsJavaHeap_newByteArray(static_cast<int32_t>(size)));
  vsHandle_push(&cls, 0);
  if (symbol.object != 0 && bytes.object != 0) {
    if (size != 0) std::memcpy(vsRef_as<ByteArray>(bytes.object)->elements, classFile, size);
    ClassLookup lookup;
    vsClassLookup_init(&lookup, &symbol.object, 1, 0, bytes.object);
    cls.object = vsClass_findOrLoad(&lookup);
    // The loader's refusals are fuzz_classfile's to check.
    vsPendingException() = 0;
  }
  if (target.step != nullptr) target.step(&cls.object);
  vsHandle_close(&symbol);
  vsPendingException() = 0;
  vsExitPoint_remove(&point);
}

}  // namespace

void vsClassFileFuzz_run(const VsClassFileFuzzTarget& target, const uint8_t* data, size_t size) {
  if (size > kMaxInput) return;
  if (!gStarted) {
    if (!start(target)) std::abort();
    gStarted = true;
  } else {
    vsTestCore_restore();
  }
  const void* nul = std::memchr(data, 0, size < kMaxName ? size : kMaxName);
  if (nul == nullptr) return;
  const size_t nameLength = static_cast<size_t>(static_cast<const uint8_t*>(nul) - data);
  loadAndStep(target, data, nameLength, data + nameLength + 1, size - nameLength - 1);
  if ((target.check != nullptr && !target.check()) || !vsJavaHeap_walksToTop()) std::abort();
}
