// Heap bootstrap of the core's tests and test tools: a Java heap with the
// classes the VM cannot run without, built through the heap's own
// allocators (there is no image and no class loading yet). It needs no test
// framework, so test tools and fuzz targets use it too; heap_fixture.h adds
// the GoogleTest fixture.
//
// The boot resets the VM variables, reserves a heap of the requested size
// and builds: the class records of the internal kinds with their maps;
// java.lang.Object, Object[] and the eight primitive array classes; the
// shared empty Object[] and short[] (roots 41, 42); java.lang.String
// ({value, offset, count}, 16 bytes); an OutOfMemoryError class and its
// preallocated instance (root 43); the class table (root 48); the symbol
// table (root 47, 128 slots) and the intern table (root 46, 64 slots).
//
// The class records are classified as object_layout.h draws it.
#pragma once

#include <cstdint>
#include <vector>

#include "vm/core/model/object_layout.h"

inline constexpr uint32_t kTestHeapBytes = 1u << 20;
inline constexpr int32_t kTestClassTableLength = 24;

// Boots a heap whose Java part starts at heapMin and may grow to
// heapCapacity bytes (equal: a fixed heap). False when set-up fails.
bool vsTestHeap_boot(uint32_t heapMin, uint32_t heapCapacity);
void vsTestHeap_shutdown();

// The allocation top, and a way back to it: a driver that runs many inputs
// on one heap drops all that an input allocated (nothing may refer to it
// any more) instead of booting again.
VmWord vsTestHeap_top();
void vsTestHeap_dropAbove(VmWord top);

// An instance class `name` (super null for a root class) with the given
// instance size and interface flag, registered with a mirror.
VmRef vsTestHeap_newClass(const char* name, VmRef super, uint32_t instanceSize,
                          bool isInterface = false);
// Makes `cls` declare the interfaces (class ids in a short[]).
void vsTestHeap_setInterfaces(VmRef cls, const std::vector<VmRef>& interfaces);
