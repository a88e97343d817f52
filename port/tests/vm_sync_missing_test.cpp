// Death tests re-run the program, which qemu-arm cannot do: x86-64 only.
#include <gtest/gtest.h>

#include "port/vm_sync.h"

namespace {

TEST(VmSyncMissing, UsingTheLockWithoutTheObjectIsFatal) {
  VmSyncDelete();
  EXPECT_DEATH(JkVmEventSet(), "JkVmEventSet: no VM sync object");
  EXPECT_DEATH(JkVmEventWait(0), "JkVmEventWait: no VM sync object");
}

}  // namespace
