// Parameters and results of natives.
#include "vm/core/natives/native_method.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ce/substrate/low_memory.h"
#include "vm/core/interp/native_bodies.h"
#include "vm/core/model/vm_globals.h"
#include "vm/core/natives/native_list.h"
#include "vm/core/natives/properties.h"
#include "vm/core/threads/thread_record.h"
#include "vm/services/memory/memory_service.h"

namespace {

class NativeMethodTest : public testing::Test {
 protected:
  void SetUp() override {
    stack_ = static_cast<VmWord*>(vsLow_alloc(kStackWords * 4));
    thread_ = static_cast<ThreadRecord*>(vsLow_alloc(sizeof(ThreadRecord)));
    ASSERT_NE(stack_, nullptr);
    ASSERT_NE(thread_, nullptr);
    for (uint32_t i = 0; i < kStackWords; ++i) stack_[i] = 0x1000 + i;
    vsVmGlobals.currentThread = vsWord_fromPointer(thread_);
  }
  void TearDown() override {
    vsVmGlobals.currentThread = 0;
    vsVmGlobals.nativeParameterPointer = 0;
    vsLow_free(stack_);
    vsLow_free(thread_);
  }

  static constexpr uint32_t kStackWords = 8;
  VmWord* stack_ = nullptr;
  ThreadRecord* thread_ = nullptr;
};

TEST_F(NativeMethodTest, ThisIsTheWordAtTheParameterPointer) {
  for (uint32_t at : {7u, 4u, 1u}) {
    vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&stack_[at]);
    VmRef slot = 0;
    vsNativeMethod_getThis(&slot);
    EXPECT_EQ(slot, 0x1000 + at) << at;
  }
}

TEST_F(NativeMethodTest, IntResultGoesToWordNineteenOnly) {
  VmWord* words = reinterpret_cast<VmWord*>(thread_);
  for (uint32_t i = 0; i < kThreadRecordBytes / 4; ++i) words[i] = 0xa0 + i;
  for (int32_t value : {0, -1, 0x7fffffff, static_cast<int32_t>(0x80000000u)}) {
    vsNativeMethod_setReturnInt(value);
    EXPECT_EQ(thread_->resultLow, static_cast<VmWord>(value));
  }
  for (uint32_t i = 0; i < kThreadRecordBytes / 4; ++i) {
    if (i == 19) continue;
    EXPECT_EQ(words[i], 0xa0 + i) << "word " << i;
  }
}

// Parameter words as the call stub lays them out: parameter i at the
// parameter pointer - 4i, so an array with parameter 0 at its top.
TEST_F(NativeMethodTest, ParametersAreNumberedDownFromTheParameterPointer) {
  // stack_[7 - i] is parameter i.
  stack_[7] = 0x11111111;  // receiver (instance) or unused (static)
  stack_[6] = 0xFFFFFF80;  // parameter 1
  stack_[5] = 0x0000FFFE;  // parameter 2
  stack_[4] = 0x89ABCDEF;  // parameter 3: high half of a long at 3
  stack_[3] = 0x01234567;  // parameter 4: its low half
  vsVmGlobals.nativeParameterPointer = vsWord_fromPointer(&stack_[7]);
  struct Case {
    const char* reader;
    int64_t got;
    int64_t expected;
  };
  const Case kCases[] = {
      {"int 1", vsNativeMethod_getParameterInt(1), -128},
      {"int 2", vsNativeMethod_getParameterInt(2), 0xFFFE},
      {"boolean 1", vsNativeMethod_getParameterBoolean(1), 0x80},
      {"byte 1", vsNativeMethod_getParameterByte(1), -128},
      {"char 2", vsNativeMethod_getParameterChar(2), 0xFFFE},
      {"short 2", vsNativeMethod_getParameterShort(2), -2},
      {"float 3", vsNativeMethod_getParameterFloat(3), 0x89ABCDEF},
      {"this", vsNativeMethod_getThisObject(), 0x11111111},
  };
  for (const Case& c : kCases) EXPECT_EQ(c.got, c.expected) << c.reader;
  uint32_t high = 0, low = 0;
  vsNativeMethod_getParameterLong(3, &high, &low);
  EXPECT_EQ(high, 0x89ABCDEFu);
  EXPECT_EQ(low, 0x01234567u) << "the low half is the word of the higher parameter number";
  vsNativeMethod_getParameterDouble(3, &high, &low);
  EXPECT_EQ(uint64_t{high} << 32 | low, 0x89ABCDEF01234567u);
  // A long at parameter 2: words 2 and 3, the low half in word 3.
  vsNativeMethod_getParameterLong(2, &high, &low);
  EXPECT_EQ(uint64_t{high} << 32 | low, 0x0000FFFE89ABCDEFu);
  VmRef slot = 0;
  vsNativeMethod_getParameterObject(2, &slot);
  EXPECT_EQ(slot, 0xFFFEu);
}

TEST_F(NativeMethodTest, PopLongTakesTwoWordsLowFirstAndMovesOn) {
  stack_[0] = 0x89ABCDEF;
  stack_[1] = 0x01234567;
  stack_[2] = 0xFFFFFFFF;
  stack_[3] = 0x7FFFFFFF;
  vsNative_popPointer = vsWord_fromPointer(&stack_[0]);
  EXPECT_EQ(vsNativeMethod_popLong(), 0x0123456789ABCDEF);
  EXPECT_EQ(vsNative_popPointer, vsWord_fromPointer(&stack_[2]));
  EXPECT_EQ(vsNativeMethod_popLong(), 0x7FFFFFFFFFFFFFFF);
  vsNative_popPointer = 0;
}

TEST_F(NativeMethodTest, LongResultGoesToWordsNineteenAndTwenty) {
  vsNativeMethod_setReturnLong(0x01234567, 0x89ABCDEF);
  EXPECT_EQ(thread_->resultLow, 0x01234567u);
  EXPECT_EQ(thread_->resultHigh, 0x89ABCDEFu);
}

// Properties over a memory service of its own, with the test port's values.
class PropertyTest : public testing::Test {
 protected:
  void SetUp() override {
    area_ = static_cast<uint8_t*>(vsLow_alloc(kAreaBytes));
    ASSERT_NE(area_, nullptr);
    ASSERT_EQ(vsMemory_initialize(area_, kAreaBytes), 0);
    vsProperty_initialize();
    ASSERT_NE(vsProperty_buffer, 0u);
  }
  void TearDown() override {
    vsProperty_buffer = 0;
    vsLow_free(area_);
  }

  static constexpr uint32_t kAreaBytes = 16 * 1024;
  uint8_t* area_ = nullptr;
};

TEST_F(PropertyTest, ThePortIsAskedFirstThenTheFixedTable) {
  struct Case {
    const char* key;
    const char* value;  // null: no value
  };
  const Case kCases[] = {
      {"", ""},
      {"microedition.profiles", "MIDP-2.0"},
      {"microedition.locale", "en-US"},  // the port's, not the table's "ja-JP"
      {"microedition.configuration", "CLDC-1.1"},
      {"microedition.encoding", "ISO-8859-1"},
      {"ISO_8859_15_InternalEncodingName", "ISO8859_15"},
      {"EUCCN_InternalEncodingName", "Euc_Cn"},
      {"microedition.m3g.version", "1.0"},
      {"supports.recording", "false"},
      {"microedition.media.version", "1.1"},
      {"microedition.profile", nullptr},
      {"no.such.key", nullptr},
  };
  for (const Case& c : kCases) {
    const char* got = vsProperty_getUtf8(c.key);
    if (c.value == nullptr) {
      EXPECT_EQ(got, nullptr) << c.key;
    } else {
      ASSERT_NE(got, nullptr) << c.key;
      EXPECT_STREQ(got, c.value) << c.key;
    }
  }
  EXPECT_STREQ(vsProperty_getFixed("microedition.locale"), "ja-JP");
  EXPECT_EQ(vsProperty_getFixed(""), nullptr);
}

TEST_F(PropertyTest, AKeyTooLongForTheBufferIsRefusedWithoutOverrun) {
  // The buffer is a block of the service: mark the block made after it.
  void* after = vsMemory_allocPointer(64);
  ASSERT_NE(after, nullptr);
  std::memset(after, 0x5A, 64);
  for (int32_t units : {256, 257, 300}) {
    // "microedition.locale" padded with 'x' to the length, in ASCII units.
    std::string key(static_cast<size_t>(units), 'x');
    std::memcpy(key.data(), "microedition.locale", 19);
    const char* got = vsProperty_getUtf8(key.c_str());
    EXPECT_EQ(got, nullptr) << units << " units";
    for (int i = 0; i < 64; ++i) ASSERT_EQ(static_cast<uint8_t*>(after)[i], 0x5A) << units << " units, byte " << i;
  }
}

// The list's items from head to tail, checked against the back links.
std::vector<VmWord> itemsOf(const VsList& list) {
  std::vector<VmWord> items;
  VmWord prev = 0;
  for (VmWord at = list.head; at != 0; at = vsWord_toPointer<VsListNode>(at)->next) {
    EXPECT_EQ(vsWord_toPointer<VsListNode>(at)->prev, prev);
    items.push_back(vsWord_toPointer<VsListNode>(at)->item);
    prev = at;
  }
  EXPECT_EQ(list.tail, prev);
  return items;
}

TEST_F(PropertyTest, ListsAppendAndRemoveAnywhere) {
  VsList list;
  vsList_init(&list);
  EXPECT_EQ(vsList_removeFirst(&list), 0u);
  for (VmWord item : {1u, 2u, 3u, 4u}) ASSERT_EQ(vsList_append(&list, item), 0);
  EXPECT_EQ(itemsOf(list), (std::vector<VmWord>{1, 2, 3, 4}));
  EXPECT_EQ(vsList_remove(&list, 3), 3u) << "middle";
  EXPECT_EQ(vsList_remove(&list, 9), 0u) << "absent";
  EXPECT_EQ(vsList_remove(&list, 4), 4u) << "tail";
  EXPECT_EQ(itemsOf(list), (std::vector<VmWord>{1, 2}));
  EXPECT_EQ(vsList_removeFirst(&list), 1u);
  EXPECT_EQ(vsList_remove(&list, 2), 2u) << "the last one";
  EXPECT_EQ(list.head, 0u);
  EXPECT_EQ(list.tail, 0u);
  // Nodes are freed: many rounds fit in the small service.
  for (int round = 0; round < 2000; ++round) {
    ASSERT_EQ(vsList_append(&list, 5), 0) << round;
    ASSERT_EQ(vsList_removeFirst(&list), 5u) << round;
  }
}

}  // namespace
