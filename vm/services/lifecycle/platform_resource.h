// Platform resources that follow the VM's suspend, resume and stop.
//
// A resource is a four-word record that its owner keeps alive for the
// run; the list links them in registration order through `next` (its head
// is a VM variable). Each stop function runs once per run: the first
// vsPlatformResource_stopAll calls them all, later calls do nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce/substrate/vm_word.h"

struct VsPlatformResource;
using VsPlatformResourceFunction = void (*)(VsPlatformResource* resource);

struct VsPlatformResource {
  VmPtr<VsPlatformResource> next;
  VmWord suspend;  // VsPlatformResourceFunction as words
  VmWord resume;
  VmWord stop;
};
static_assert(sizeof(VsPlatformResource) == 16 && offsetof(VsPlatformResource, stop) == 12);

// The record with its functions (next 0).
VsPlatformResource vsPlatformResource_make(VsPlatformResourceFunction suspend, VsPlatformResourceFunction resume,
                                           VsPlatformResourceFunction stop);
// Appends the record: 1, or 0 for null; a record in the list stays where it is.
int32_t vsPlatformResource_register(VsPlatformResource* resource);
void vsPlatformResourceSuspend();
void vsPlatformResourceResume();
void vsPlatformResource_stopAll();
