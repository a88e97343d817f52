// The porting layer's memory calls (see am_mem.h).
#include "vm/services/memory/am_mem.h"

#include "vm/services/memory/handle_table.h"
#include "vm/services/memory/memory_service.h"
#include "vm/services/memory/trace_log.h"

void* AmMemAllocPointer(int32_t size) {
  if (size < 1 || static_cast<uint32_t>(size) > kVsMemory_largestBlock) {
    vsTraceLog_warning("Warning: AmMemAllocPointer(%d) is illegal.\n", size);
    return nullptr;
  }
  return vsMemory_allocPointer(size);
}

void AmMemFreePointer(void* pointer) {
  if (pointer != nullptr && vsMemory_freePointer(pointer) != 0)
    vsTraceLog_warning("Warning: AmMemFreePointer(%08x) is illegal.\n", vsWord_fromPointer(pointer));
}

VmWord AmMemAllocHandle(int32_t size) { return vsMemory_allocHandleOrError(size); }

int32_t AmMemFreeHandle(VmWord handle) { return vsMemory_freeHandle(handle); }

void* AmMemLockHandle(VmWord handle) { return vsMemory_handleLock(handle); }

int32_t AmMemUnlockHandle(VmWord handle) { return vsMemory_handleUnlock(handle); }
