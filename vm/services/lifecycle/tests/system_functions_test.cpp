// The system-function table: every word is its entry's function, and each
// entry does its work when called through the table.
#include "vm/services/lifecycle/system_functions.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "port/host/section_snapshot.h"
#include "port/vm_sync.h"
#include "tools/testport/test_port.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/memory_split.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/core/threads/service_calls.h"
#include "vm/services/lifecycle/mem_file.h"

namespace {

// The VM variables as the program starts: the reset's initial values.
const bool gSnapshot = SectionSnapshotCreate();

// The entry's word as the function whose type it promises.
#define VS_ENTRY(table, name, function) vsSystemFunctions_entry<decltype(function)>((table).name)

class SystemFunctions : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(gSnapshot); }
  void SetUp() override {
    reset();
    table_ = vsSystemFunctions_table();
  }
  static void reset() {
    vsTestPort_startCapture();
    ASSERT_EQ(vsVm_initializeVariables(), 0);
    vsTestPort_stopCapture();
  }

  VsSystemFunctions table_{};
};

TEST_F(SystemFunctions, EveryWordIsTheAddressOfItsFunction) {
  std::vector<VmWord> words;
#define VS_CHECK_ENTRY(name, function, Signature)                                                \
  EXPECT_NE(table_.name, 0u) << #name;                                                           \
  EXPECT_EQ(table_.name, vsWord_fromPointer(reinterpret_cast<const void*>(&function))) << #name; \
  words.push_back(table_.name);
  VS_SYSTEM_FUNCTIONS(VS_CHECK_ENTRY)
#undef VS_CHECK_ENTRY
  ASSERT_EQ(words.size(), kVsSystemFunctionCount);
  VmWord record[kVsSystemFunctionCount];
  std::memcpy(record, &table_, sizeof record);
  for (uint32_t i = 0; i < kVsSystemFunctionCount; ++i) EXPECT_EQ(record[i], words[i]) << "word " << i;
}

TEST_F(SystemFunctions, FileEntriesReadAMemoryFile) {
  static const uint8_t kBytes[] = {'h', 'e', 'l', 'l', 'o'};
  ASSERT_GT(vsMemFile_register("/t.bin", kBytes, nullptr, sizeof kBytes), 0);
  EXPECT_EQ(VS_ENTRY(table_, fileExists, vsOs_fileExists)("/t.bin"), 1);
  EXPECT_EQ(VS_ENTRY(table_, fileExists, vsOs_fileExists)("/none"), 0);
  EXPECT_EQ(VS_ENTRY(table_, fileOpen, vsOs_fileOpen)("/none", "rb"), 0u);
  const VmWord file = VS_ENTRY(table_, fileOpen, vsOs_fileOpen)("/t.bin", "rb");
  ASSERT_NE(file, 0u);
  EXPECT_EQ(VS_ENTRY(table_, fileSize, vsOs_fileSize)(file), 5);
  uint8_t got[8] = {};
  EXPECT_EQ(VS_ENTRY(table_, fileRead, vsOs_fileRead)(file, got, 2, 2), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(got), 4), "hell");
  EXPECT_EQ(VS_ENTRY(table_, fileIsAtEnd, vsOs_fileIsAtEnd)(file), 0);
  EXPECT_EQ(VS_ENTRY(table_, fileSeek, vsOs_fileSeek)(file, 1, 0), 0);
  EXPECT_EQ(VS_ENTRY(table_, fileSeek, vsOs_fileSeek)(file, 6, 0), -1);
  EXPECT_EQ(VS_ENTRY(table_, fileRead, vsOs_fileRead)(file, got, 1, 8), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(got), 4), "ello");
  EXPECT_NE(VS_ENTRY(table_, fileIsAtEnd, vsOs_fileIsAtEnd)(file), 0);
  EXPECT_EQ(VS_ENTRY(table_, fileHasError, vsOs_fileHasError)(file), 0);
  VS_ENTRY(table_, fileClose, vsOs_fileClose)(file);
  EXPECT_EQ(VS_ENTRY(table_, fileAnswerZero1, vsSys_answerZero)(), 0);
  EXPECT_EQ(VS_ENTRY(table_, fileAnswerZero2, vsSys_answerZero)(), 0);
  vsMemFile_unregister("/t.bin", 0);
}

TEST_F(SystemFunctions, FormatsAndReservedBlocks) {
  EXPECT_STREQ(VS_ENTRY(table_, int64Format, vsOs_int64Format)(), "%I64d");
  EXPECT_STREQ(VS_ENTRY(table_, uint64Format, vsOs_uint64Format)(), "%I64u");
  constexpr uint32_t kBytes = 4096;
  void* block = vsLow_alloc(kBytes);
  ASSERT_NE(block, nullptr);
  const VmWord start = vsWord_fromPointer(block) + 1;  // misaligned: the area starts at the next word
  vsVm_sizeHeap({start, kBytes - 1}, 0, 0);
  const auto alloc = VS_ENTRY(table_, allocReserved, vsOs_allocReserved);
  const VmWord first = alloc(5);
  EXPECT_EQ(first, start + 3);
  VS_ENTRY(table_, freeReserved, vsOs_freeReserved)(first);
  const VmWord second = alloc(8);
  EXPECT_EQ(second, first + 8) << "sizes round up to words, and a freed block is kept";
  EXPECT_EQ(alloc(kBytes), 0u) << "more than is left";
  EXPECT_EQ(alloc(kBytes - 4 - 16), second + 8) << "exactly what is left";
  EXPECT_EQ(alloc(1), 0u);
  vsLow_free(block);
}

TEST_F(SystemFunctions, ClockAndInstructionCachePassOn) {
  const int64_t before = vsOs_currentTimeMillis();
  const int64_t through = VS_ENTRY(table_, currentTimeMillis, vsSys_currentTimeMillis)();
  const int64_t after = vsOs_currentTimeMillis();
  EXPECT_LE(before, through);
  EXPECT_LE(through, after);
  vsTestPort_startCapture();
  VS_ENTRY(table_, initializeICache, vsSys_initializeICache)();
  EXPECT_EQ(vsTestPort_stopCapture().trace, "JkDeviceInitInstructionCache()\n");
  vsTestPort_startCapture();
  VS_ENTRY(table_, finalizeICache, vsSys_finalizeICache)();
  EXPECT_EQ(vsTestPort_stopCapture().trace, "");
}

std::vector<int32_t> gWaits;

// Answers "signalled" twice, then leaves through the exit point.
int32_t signalTwiceThenExit(int32_t milliseconds) {
  gWaits.push_back(milliseconds);
  if (gWaits.size() < 3) return 0;
  vsExitPoint_jump();
}

TEST_F(SystemFunctions, IdleForeverWaitsWithoutLimitAgainAndAgain) {
  gWaits.clear();
  VmSyncSetWaitHook(signalTwiceThenExit);
  VmExitPoint point;
  if (setjmp(point.buffer) == 0) {
    vsExitPoint_push(&point);
    VS_ENTRY(table_, idleForever, vsSys_idleForever)();
  }
  vsExitPoint_remove(&point);
  VmSyncSetWaitHook(nullptr);
  EXPECT_EQ(gWaits, (std::vector<int32_t>{-1, -1, -1}));
}

TEST_F(SystemFunctions, ConsoleSwitchAndSpareWord) {
  VS_ENTRY(table_, setConsoleOutput, vsSys_setConsoleOutput)(0);
  vsTestPort_startCapture();
  vsSys_consoleWrite("x\n", 2);
  EXPECT_EQ(vsTestPort_stopCapture().console, "");
  VS_ENTRY(table_, setConsoleOutput, vsSys_setConsoleOutput)(1);
  vsTestPort_startCapture();
  vsSys_consoleWrite("y\n", 2);
  EXPECT_EQ(vsTestPort_stopCapture().console, "y\n");

  const auto get = VS_ENTRY(table_, getSpareWord, vsSys_getSpareWord);
  EXPECT_EQ(get(), 0u);
  VS_ENTRY(table_, setSpareWord, vsSys_setSpareWord)(0xdeadbeefu);
  EXPECT_EQ(get(), 0xdeadbeefu);
  reset();
  EXPECT_EQ(get(), 0u) << "every run starts with 0";
}

TEST_F(SystemFunctions, HooksAndFixedAnswers) {
  EXPECT_FALSE(VS_ENTRY(table_, skipClassFileSearch, vsSys_skipClassFileSearch)());
  EXPECT_FALSE(VS_ENTRY(table_, answerFalse, vsSys_answerFalse)());
  EXPECT_EQ(VS_ENTRY(table_, answerZero, vsSys_answerZero)(), 0);
  VS_ENTRY(table_, setSpareWord, vsSys_setSpareWord)(7);
  vsTestPort_startCapture();
  VS_ENTRY(table_, nativeCallBegin, vsOs_nativeCallBegin)();
  VS_ENTRY(table_, nativeCallEnd, vsOs_nativeCallEnd)();
  VS_ENTRY(table_, doNothing, vsSys_doNothing)();
  const TestPortCapture written = vsTestPort_stopCapture();
  EXPECT_EQ(written.trace + written.console, "") << "the empty entries write nothing";
  EXPECT_EQ(vsSys_getSpareWord(), 7u) << "and change nothing";
}

}  // namespace
