// Test fixture of the core: a Java heap with the classes the VM cannot run
// without, built through the heap's own allocators (there is no image and
// no class loading yet).
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

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "vm/core/model/object_layout.h"

inline constexpr uint32_t kTestHeapBytes = 1u << 20;
inline constexpr int32_t kTestClassTableLength = 24;

// Boots a heap whose Java part starts at heapMin and may grow to
// heapCapacity bytes (equal: a fixed heap). False when set-up fails.
bool vsTestHeap_boot(uint32_t heapMin, uint32_t heapCapacity);
void vsTestHeap_shutdown();

// The start of every object of [heap start, allocation top), walked by the
// size rule; a failed walk (a size of 0, or past the top) is a test failure.
std::vector<VmWord> vsTestHeap_walk();

// An instance class `name` (super null for a root class) with the given
// instance size and interface flag, registered with a mirror.
VmRef vsTestHeap_newClass(const char* name, VmRef super, uint32_t instanceSize,
                          bool isInterface = false);
// Makes `cls` declare the interfaces (class ids in a short[]).
void vsTestHeap_setInterfaces(VmRef cls, const std::vector<VmRef>& interfaces);

class HeapTest : public testing::Test {
 protected:
  explicit HeapTest(uint32_t heapBytes = kTestHeapBytes) : heapBytes_(heapBytes) {}
  void SetUp() override { ASSERT_TRUE(vsTestHeap_boot(heapBytes_, heapBytes_)); }
  void TearDown() override { vsTestHeap_shutdown(); }

 private:
  uint32_t heapBytes_;
};
