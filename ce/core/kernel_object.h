// Kernel objects of the CE layer: the header every HANDLE points at, and
// CloseHandle.
//
// A HANDLE is the address of a host-heap object that starts with a
// KernelObject header. The header carries a magic word and the kind, so a
// null, stale or foreign handle is refused (FALSE, WAIT_FAILED, ...) instead
// of being used. Closing dispatches on the kind: events and threads are
// closed here, and a module that brings a kind of its own (files, find
// handles) registers its close function, so this library links none of them.
//
//   HANDLE -> | magic | kind | object of that kind ... |
#pragma once

#include <cstdint>

#include "ce/core/windows_types.h"

enum class KernelObjectKind : uint32_t { Event = 1, Thread = 2, File = 3, Find = 4 };

constexpr uint32_t kKernelObjectKinds = 5;

struct KernelObject {
  uint32_t magic;
  KernelObjectKind kind;
};

constexpr uint32_t kKernelObjectMagic = 0x4B4F424Au;  // "KOBJ"

// The object behind a handle when it is a live object of that kind, else null.
KernelObject* vsCeObject_get(HANDLE handle, KernelObjectKind kind);

// The handle value the CE calls return for "no handle" (never an object).
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

// Makes CloseHandle call close for handles of this kind (a kind registered
// by another module: File, Find).
void vsCeObject_setCloser(KernelObjectKind kind, BOOL (*close)(HANDLE handle));

// Closes a handle through its kind's close function; FALSE for a handle that
// is no live object or whose kind has none.
BOOL CloseHandle(HANDLE handle);
