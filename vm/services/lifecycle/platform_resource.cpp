// Platform resources (see platform_resource.h).
#include "vm/services/lifecycle/platform_resource.h"

#include "ce/substrate/vm_sections.h"
#include "vm/services/memory/trace_log.h"

namespace {

struct ResourceList {
  VmPtr<VsPlatformResource> head;
  int32_t stopped;  // the stop functions ran in this run
};

VS_VMBSS(ResourceList) gResources = {};

VmWord wordOf(VsPlatformResourceFunction f) {
  return f == nullptr ? 0 : vsWord_fromPointer(reinterpret_cast<const void*>(f));
}

// Calls the function of the given member of every record, in list order.
void callAll(VmWord VsPlatformResource::*member) {
  for (VsPlatformResource* r = gResources.head.get(); r != nullptr; r = r->next.get())
    if (const VmWord f = r->*member) reinterpret_cast<VsPlatformResourceFunction>(static_cast<uintptr_t>(f))(r);
}

}  // namespace

VsPlatformResource vsPlatformResource_make(VsPlatformResourceFunction suspend, VsPlatformResourceFunction resume,
                                           VsPlatformResourceFunction stop) {
  return {{0}, wordOf(suspend), wordOf(resume), wordOf(stop)};
}

int32_t vsPlatformResource_register(VsPlatformResource* resource) {
  if (resource == nullptr) return 0;
  VmPtr<VsPlatformResource>* link = &gResources.head;
  for (; link->get() != nullptr; link = &link->get()->next)
    if (link->get() == resource) return 1;
  resource->next.raw = 0;
  *link = resource;
  return 1;
}

void vsPlatformResourceSuspend() {
  vsTraceLog_trace("--------- vsPlatformResourceSuspend()\n");
  callAll(&VsPlatformResource::suspend);
}

void vsPlatformResourceResume() {
  vsTraceLog_trace("--------- vsPlatformResourceResume()\n");
  callAll(&VsPlatformResource::resume);
}

void vsPlatformResource_stopAll() {
  if (gResources.stopped != 0) return;
  gResources.stopped = 1;
  callAll(&VsPlatformResource::stop);
}
