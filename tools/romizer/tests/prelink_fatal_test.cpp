// The prelink pass while the image is built: a raise prints the VM's error
// and ends the VM through its innermost exit point, the pass's own, which
// names the site. The VM shuts down on the way, so each case runs as a death
// test, which re-runs the program (not under qemu-arm).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/core/core_fixture.h"
#include "tools/romizer/prelink.h"
#include "tools/romizer/tests/romizer_fail_double.h"
#include "vm/core/model/bytecodes.h"
#include "vm/core/model/method_lookup.h"
#include "vm/core/startup/vm_control.h"

namespace {

class PrelinkFatalTest : public CoreTest {};

TEST_F(PrelinkFatalTest, TheVmsErrorPrecedesTheSite) {
  // Writer.store is getstatic Holder.LIMIT, putstatic Holder.counter,
  // return; its store is redirected to the final LIMIT.
  MethodRecord* store = vsRef_as<MethodRecord>(
      vsClass_findMethodInClass(loaded("prelink/Writer"), symbol("store"), descriptor("()V")));
  ASSERT_NE(store, nullptr);
  ASSERT_EQ(store->code[0], kOpGetstatic);
  ASSERT_EQ(store->code[3], kOpPutstatic);
  store->code[4] = store->code[1];
  store->code[5] = store->code[2];
  RomizerModel model;
  model.classes = {vsRef_of(loaded("link/Holder")), vsRef_of(loaded("prelink/Writer"))};
  EXPECT_EXIT(
      {
        vsVmState().buildingImage = 1;
        try {
          romizer_prelink(model);
        } catch (const RomizerFailure& failure) {
          std::fprintf(stderr, "%s\n", failure.message.c_str());
          std::_Exit(1);
        }
        std::_Exit(0);
      },
      testing::ExitedWithCode(1),
      "java/lang/Error \" 94\"\n(.|\n)*prelink/Writer.store: putstatic link/Holder.LIMIT: the VM's error is printed above");
}

}  // namespace
