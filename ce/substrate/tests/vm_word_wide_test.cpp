// x86-64 only: armel has no address that does not fit a word.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <string>

#include "ce/substrate/vm_word.h"

namespace {

TEST(VmWordDeathTest, AddressAtFourGiBIsFatalAndNamesTheCaller) {
  const std::string line = std::to_string(__LINE__ + 1);
  EXPECT_DEATH(vsWord_fromPointer(reinterpret_cast<void*>(uintptr_t{0x100000000})),
               "address 0x100000000 .*vm_word_wide_test.cpp:" + line);
}

TEST(VmWordDeathTest, MappingAboveFourGiBIsFatal) {
  void* hint = reinterpret_cast<void*>(uintptr_t{0x7e0000000000});
  void* high = mmap(hint, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(high, MAP_FAILED);
  ASSERT_GT(reinterpret_cast<uintptr_t>(high), 0xFFFFFFFFu);
  char expected[64];
  std::snprintf(expected, sizeof expected, "address %p ", high);
  const std::string line = std::to_string(__LINE__ + 1);
  EXPECT_DEATH(vsWord_fromPointer(high), std::string(expected) + ".*vm_word_wide_test.cpp:" + line);
  munmap(high, 4096);
}

}  // namespace
