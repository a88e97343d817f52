// Options on a booted heap with the memory service: the port's pairs, the
// built-in defaults, the key and answer bounds, the shared buffer, the
// numeric registry and the serial counter.
#include "vm/services/text/option.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <string>

#include "ce/substrate/low_memory.h"
#include "tests/core/heap_fixture.h"
#include "tools/testport/test_port.h"
#include "vm/core/startup/exit_point.h"
#include "vm/core/startup/vm_control.h"
#include "vm/services/memory/memory_service.h"

namespace {

constexpr uint32_t kFirstChunkBytes = 16 * 1024;

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class Option : public HeapTest {
 protected:
  void SetUp() override {
    HeapTest::SetUp();
    first_ = vsLow_alloc(kFirstChunkBytes);
    ASSERT_EQ(vsMemory_initialize(first_, kFirstChunkBytes), 0);
    vsOption_initialize();
    vsTestPort_clearOptions();
  }
  void TearDown() override {
    vsTestPort_clearOptions();
    HeapTest::TearDown();
    vsLow_free(first_);
  }

  void* first_ = nullptr;
};

TEST_F(Option, PortPairsFirstThenDefaultsByExactKey) {
  vsTestPort_setOption("midp_selector_exit", "Leave");
  vsTestPort_setOption("own.key", "\xE3\x82\xAD");  // U+30AD
  struct Case {
    const char* key;
    const char* expected;  // null: no value
  };
  const Case cases[] = {
      {"midp_alert_done", "Done"},
      {"midp_alert_don", nullptr},
      {"midp_alert_donee", nullptr},
      {"MIDP_ALERT_DONE", nullptr},
      {"midp_selector_exit", "Leave"},
      {"own.key", "\xE3\x82\xAD"},
      {"default.timezone", "Asia/Tokyo"},
      {"midp20_permissionDialog_foreground", "0x00000000"},
      {"unknown", nullptr},
  };
  for (const Case& c : cases) {
    vsTestPort_startCapture();
    const char* value = vsOption_getUtf8(c.key);
    const std::string trace = vsTestPort_stopCapture().trace;
    EXPECT_EQ(count(trace, "JkOptionGetString("), 1u) << c.key << ": " << trace;
    if (c.expected == nullptr)
      EXPECT_EQ(value, nullptr) << c.key;
    else
      EXPECT_STREQ(value, c.expected) << c.key;
  }
  EXPECT_STREQ(vsOption_getDefault("midp_selector_exit"), "Exit");
  EXPECT_EQ(vsOption_getDefault(""), nullptr);
}

TEST_F(Option, AnswersShareTheBufferAndUpTo511BytesPass) {
  const std::string longest(511, 'v');
  vsTestPort_setOption("a", "first");
  vsTestPort_setOption("b", longest.c_str());
  const char* first = vsOption_getUtf8("a");
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first, "first");
  const char* second = vsOption_getUtf8("b");
  EXPECT_EQ(second, first) << "both answers are in the one option buffer";
  EXPECT_EQ(std::string(second), longest);
  EXPECT_NE(std::string(first), "first") << "the second look-up overwrote the first answer";
}

TEST_F(Option, EmptyAndOverlongKeysDoNotAskThePort) {
  vsTestPort_startCapture();
  const char* empty = vsOption_getUtf8("");
  std::string trace = vsTestPort_stopCapture().trace;
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  EXPECT_EQ(count(trace, "vsOption_getUtf8: key can't be empty"), 1u) << trace;
  EXPECT_EQ(count(trace, "JkOptionGetString("), 0u) << trace;

  struct Case {
    size_t units;
    bool asked;
  };
  for (const Case c : {Case{256, true}, Case{257, false}, Case{300, false}}) {
    const std::string key(c.units, 'k');
    vsTestPort_setOption(key.c_str(), "x");
    vsTestPort_startCapture();
    const char* value = vsOption_getUtf8(key.c_str());
    trace = vsTestPort_stopCapture().trace;
    EXPECT_EQ(count(trace, "JkOptionGetString("), c.asked ? 1u : 0u) << c.units << " units: " << trace;
    if (c.asked)
      EXPECT_STREQ(value, "x") << c.units;
    else
      EXPECT_EQ(value, nullptr) << c.units;
  }
  // 100 three-byte characters are 100 units: within the bound.
  std::string kana;
  for (int i = 0; i < 100; ++i) kana += "\xE3\x82\xAD";
  vsTestPort_setOption(kana.c_str(), "kana");
  EXPECT_STREQ(vsOption_getUtf8(kana.c_str()), "kana");
}

TEST_F(Option, A512ByteAnswerStopsTheVm) {
  const std::string tooLong(512, 'v');
  vsTestPort_setOption("big", tooLong.c_str());
  static VmExitPoint point;
  vsTestPort_startCapture();
  if (setjmp(point.buffer) != 0) {
    vsExitPoint_remove(&point);
    const std::string trace = vsTestPort_stopCapture().trace;
    EXPECT_EQ(count(trace, "JkOptionGetString() returned too large string."), 1u) << trace;
    EXPECT_EQ(count(trace, "bufferOverflow"), 1u) << trace;
    return;
  }
  vsExitPoint_push(&point);
  vsOption_getUtf8("big");
  vsExitPoint_remove(&point);
  vsTestPort_stopCapture();
  ADD_FAILURE() << "a 512-byte answer went through";
}

TEST_F(Option, NumericRegistryAndSerial) {
  EXPECT_EQ(vsOption_getValue(0, 5), kVsOption_noValue);
  vsOption_setValue(0, 5, 50);
  vsOption_setValue(0, 0x85, 51);  // the same low 7 bits: the same entry
  EXPECT_EQ(vsOption_getValue(0, 5), 51);
  EXPECT_EQ(vsOption_getValue(9, 0x105), 51);
  EXPECT_EQ(vsOption_getValue(0, 6), kVsOption_noValue);
  for (int32_t id = 6; id < 6 + kVsOption_valueSlots - 1; ++id) vsOption_setValue(0, id, id * 10);
  EXPECT_EQ(vsOption_getValue(0, 14), 140);
  vsTestPort_startCapture();
  vsOption_setValue(0, 40, 400);  // an eleventh id
  vsOption_setValue(0, 14, 141);  // an existing one still changes
  const std::string trace = vsTestPort_stopCapture().trace;
  EXPECT_EQ(count(trace, "vsOption: Error!! check MAX_VSOPTION_VALUE_REGIST_TABLE"), 1u) << trace;
  EXPECT_EQ(vsOption_getValue(0, 40), kVsOption_noValue);
  EXPECT_EQ(vsOption_getValue(0, 14), 141);

  EXPECT_EQ(vsOption_nextSerial(), 1);
  EXPECT_EQ(vsOption_nextSerial(), 2);
  EXPECT_EQ(vsOption_nextSerial(), 3);
}

}  // namespace
