// Open native files (see native_file.h).
#include "vm/services/lifecycle/native_file.h"

#include "ce/substrate/vm_sections.h"
#include "port/device.h"
#include "vm/core/natives/native_list.h"
#include "vm/services/memory/memory_service.h"

namespace {

VS_VMBSS(VmPtr<VsList>) gFiles = {};

VmWord itemOf(int32_t handle) { return static_cast<VmWord>(handle == 0 ? -1 : handle); }

}  // namespace

int32_t vsNativeFile_add(int32_t handle) {
  if (!gFiles) {
    auto* list = static_cast<VsList*>(vsMemory_allocPointer(sizeof(VsList)));
    if (list == nullptr) return -1;
    vsList_init(list);
    gFiles = list;
  }
  return vsList_append(gFiles.get(), itemOf(handle));
}

void vsNativeFile_remove(int32_t handle) {
  if (gFiles) vsList_remove(gFiles.get(), itemOf(handle));
}

void vsNativeFile_closeAll() {
  VsList* list = gFiles.get();
  if (list == nullptr) return;
  while (list->head != 0) {
    const int32_t item = static_cast<int32_t>(vsList_removeFirst(list));
    JkRandomAccessFileClose(item == -1 ? 0 : item);
  }
  vsMemory_freePointer(list);
  gFiles.raw = 0;
}
