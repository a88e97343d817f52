// Kernel objects of the CE layer: the header every HANDLE points at, and
// CloseHandle.
//
// A HANDLE is the address of a host-heap object that starts with a
// KernelObject header. The header carries a magic word and the kind, so a
// null, stale or foreign handle is refused (FALSE, WAIT_FAILED, ...) instead
// of being used. Closing dispatches on the kind:
//
//   HANDLE -> | magic | kind | object of that kind ... |
#pragma once

#include <cstdint>

#include "ce/core/windows_types.h"

enum class KernelObjectKind : uint32_t { Event = 1, Thread = 2 };

struct KernelObject {
  uint32_t magic;
  KernelObjectKind kind;
};

constexpr uint32_t kKernelObjectMagic = 0x4B4F424Au;  // "KOBJ"

// The object behind a handle when it is a live object of that kind, else null.
KernelObject* vsCeObject_get(HANDLE handle, KernelObjectKind kind);

// Closes an event or thread handle; FALSE for anything else.
BOOL CloseHandle(HANDLE handle);
