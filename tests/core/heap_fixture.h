// GoogleTest fixture of the core: every test on a freshly booted heap
// (heap_boot.h), and the heap walk that checks the heap's layout.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/core/heap_boot.h"

// The start of every object of [heap start, allocation top), walked by the
// size rule; a failed walk (a size of 0, or past the top) is a test failure.
std::vector<VmWord> vsTestHeap_walk();

class HeapTest : public testing::Test {
 protected:
  explicit HeapTest(uint32_t heapBytes = kTestHeapBytes) : heapBytes_(heapBytes) {}
  void SetUp() override { ASSERT_TRUE(vsTestHeap_boot(heapBytes_, heapBytes_)); }
  void TearDown() override { vsTestHeap_shutdown(); }

 private:
  uint32_t heapBytes_;
};
