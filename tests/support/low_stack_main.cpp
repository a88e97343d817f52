// Test main: runs every test on a thread whose stack lies below 4 GiB, so a
// test's locals can be handed to VM code as words, as on the VM thread.
#include <gtest/gtest.h>

#include <cstdio>

#include "ce/substrate/low_thread.h"

namespace {

constexpr size_t kTestStackBytes = size_t{32} << 20;

void* runAll(void*) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(RUN_ALL_TESTS()));
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // A death test re-runs this program for the dying statement; forking a
  // process whose tests run on a second thread is only safe that way.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  LowThread t;
  if (!vsLowThread_start(&t, runAll, nullptr, kTestStackBytes)) {
    std::fprintf(stderr, "cannot start the low-stack test thread\n");
    return 2;
  }
  void* result = nullptr;
  vsLowThread_join(&t, &result);
  return static_cast<int>(reinterpret_cast<intptr_t>(result));
}
