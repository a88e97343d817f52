// Loads each input as a class file into a core started without a class
// image. An input is a class name, a NUL byte and the class file. The core
// is started once and snapshotted; every input starts from the snapshot.
// Hostile class files may fail anywhere, but only with a Java error (or a
// fatal VM error through the exit point), never a crash or a sanitizer
// report; afterwards the heap must still walk by its size rule from its
// start exactly to the allocation top.
#include <cstdlib>
#include <cstring>

#include "tests/core/core_start.h"
#include "tests/support/fuzz_main.h"
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

bool start() {
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    return false;
  }
  vsExitPoint_push(&point);
  const bool booted = vsTestCore_boot(vsTestCore_readFile(VS_SYSTEM_LIBRARY), {}, kHeapBytes);
  vsExitPoint_remove(&point);
  if (booted) vsTestCore_snapshot();
  return booted;
}

void load(const uint8_t* name, size_t nameLength, const uint8_t* classFile, size_t size) {
  static VmExitPoint point;
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    return;
  }
  vsExitPoint_push(&point);
  VmHandle symbol;
  VmHandle bytes;
  vsHandle_push(&symbol, vsSymbol_intern(name, static_cast<int32_t>(nameLength), false));
  vsHandle_push(&bytes, vsJavaHeap_newByteArray(static_cast<int32_t>(size)));
  if (symbol.object != 0 && bytes.object != 0) {
    if (size != 0) std::memcpy(vsRef_as<ByteArray>(bytes.object)->elements, classFile, size);
    ClassLookup lookup;
    vsClassLookup_init(&lookup, &symbol.object, 1, 0, bytes.object);
    vsClass_findOrLoad(&lookup);
  }
  vsHandle_close(&symbol);
  vsPendingException() = 0;
  vsExitPoint_remove(&point);
}

void body(const uint8_t* data, size_t size) {
  if (size > kMaxInput) return;
  if (!gStarted) {
    if (!start()) std::abort();
    gStarted = true;
  } else {
    vsTestCore_restore();
  }
  const void* nul = std::memchr(data, 0, size < kMaxName ? size : kMaxName);
  if (nul == nullptr) return;
  const size_t nameLength = static_cast<const uint8_t*>(nul) - data;
  load(data, nameLength, data + nameLength + 1, size - nameLength - 1);
  if (!vsJavaHeap_walksToTop()) std::abort();
}

}  // namespace

VS_FUZZ_TARGET(body)
