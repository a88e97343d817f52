// GC handle list (see handles.h).
#include "vm/core/model/handles.h"

VS_VMBSS(VmPtr<VmHandle>) vsLocalRootList{};

void vsHandle_push(VmHandle* handle, VmRef object) {
  handle->object = object;
  handle->previous = vsLocalRootList;
  vsLocalRootList = handle;
}

void vsHandle_pushEmpty(VmHandle* handle) { vsHandle_push(handle, 0); }

void vsHandle_pushCopy(VmHandle* handle, const VmRef* from) { vsHandle_push(handle, *from); }

void vsHandle_assign(VmRef* to, const VmRef* from) { *to = *from; }

void vsHandle_close(VmHandle* handle) { vsLocalRootList = handle->previous; }
