// A heap that cannot serve a request while the VM is still starting cannot
// hold the image: the VM ends with fatal error 130. A death test re-runs the
// program, which the armel tree cannot do under qemu-arm.
#include <gtest/gtest.h>

#include "tests/core/heap_fixture.h"
#include "vm/core/memory/heap_allocators.h"
#include "vm/core/startup/vm_control.h"

namespace {

class FourMegabyteHeapTest : public HeapTest {
 protected:
  FourMegabyteHeapTest() : HeapTest(4u << 20) {}
};

TEST_F(FourMegabyteHeapTest, ExhaustionDuringStartUpIsFatal) {
  EXPECT_DEATH(
      {
        vsVmState().startupPhase = 1;
        static_cast<void>(vsJavaHeap_newByteArray(0x8000000));
      },
      "Fatal error: 130");
}

}  // namespace
