// The section reset against a double of the host's JkSectionGetInfoR2,
// whose records point at buffers of this test.
#include "vm/core/startup/section_reset.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "port/host/section_snapshot.h"
#include "tools/testport/test_port.h"

namespace {

JKT_Section_Info gRecords[4];
JKT_Section_Info* gAnswer = nullptr;
int32_t gCount = 0;

// The double answers these records, with their number as count.
void answer(std::initializer_list<JKT_Section_Info> records) {
  std::copy(records.begin(), records.end(), gRecords);
  gAnswer = gRecords;
  gCount = static_cast<int32_t>(records.size());
}

struct Area {
  uint8_t data[16];
  uint8_t bss[8];
  uint8_t init[16];
};

JKT_Section_Info describe(uint32_t type, Area& a) {
  JKT_Section_Info r{};
  r.type = type;
  r.dataAddress = vsWord_fromPointer(a.data);
  r.dataSize = sizeof a.data;
  r.bssAddress = vsWord_fromPointer(a.bss);
  r.bssSize = sizeof a.bss;
  r.initDataAddress = vsWord_fromPointer(a.init);
  return r;
}

void dirty(Area& a) {
  std::memset(a.data, 0xAA, sizeof a.data);
  std::memset(a.bss, 0xBB, sizeof a.bss);
  for (size_t i = 0; i < sizeof a.init; ++i)
    a.init[i] = static_cast<uint8_t>(i + 1);
}

bool isReset(const Area& a) {
  const uint8_t zeros[sizeof a.bss] = {};
  return std::memcmp(a.data, a.init, sizeof a.data) == 0 && std::memcmp(a.bss, zeros, sizeof a.bss) == 0;
}

bool isUntouched(const Area& a) { return a.data[0] == 0xAA && a.bss[0] == 0xBB; }

std::string resetTrace(int32_t mode, int32_t* result) {
  vsTestPort_startCapture();
  *result = vsSectionReset_run(mode);
  return vsTestPort_stopCapture().trace;
}

TEST(SectionReset, NullTableAndBadCountAreErrors) {
  int32_t result;
  gAnswer = nullptr;
  gCount = 1;
  EXPECT_EQ(resetTrace(1, &result), "ERROR: the return value of JkSectionGetInfoR2() is NULL.\n");
  EXPECT_EQ(result, -1);
  Area a;
  dirty(a);
  answer({describe(2, a)});
  for (int32_t count : {0, -1}) {
    gCount = count;
    EXPECT_EQ(resetTrace(1, &result), "ERROR: the arg of JkSectionGetInfoR2() is illegal.\n");
    EXPECT_EQ(result, -2);
    EXPECT_TRUE(isUntouched(a));
  }
}

TEST(SectionReset, IllegalTypeStopsAfterTheRecordsBeforeIt) {
  Area first, second;
  dirty(first);
  dirty(second);
  answer({describe(2, first), describe(11, second)});
  int32_t result;
  const std::string trace = resetTrace(1, &result);
  EXPECT_EQ(result, -3);
  EXPECT_TRUE(isReset(first));
  EXPECT_TRUE(isUntouched(second));
  EXPECT_NE(trace.find("ERROR: JKT_Section_Info: type is illegal 11\n"), std::string::npos);
}

TEST(SectionReset, ModeOneResetsTypesOneAndTwoModeZeroAll) {
  Area t0, t1, t2, t10;
  answer({describe(0, t0), describe(1, t1), describe(2, t2), describe(10, t10)});
  int32_t result;
  for (Area* a : {&t0, &t1, &t2, &t10})
    dirty(*a);
  resetTrace(1, &result);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(isUntouched(t0));
  EXPECT_TRUE(isReset(t1));
  EXPECT_TRUE(isReset(t2));
  EXPECT_TRUE(isUntouched(t10));
  for (Area* a : {&t0, &t1, &t2, &t10})
    dirty(*a);
  resetTrace(0, &result);
  EXPECT_EQ(result, 0);
  for (Area* a : {&t0, &t1, &t2, &t10})
    EXPECT_TRUE(isReset(*a));
}

TEST(SectionReset, TracesEachChosenRecordAndSkipsEmptyAreas) {
  Area a;
  dirty(a);
  JKT_Section_Info r = describe(2, a);
  r.bssSize = 0;
  r.dataSize = 0;
  r.dataAddress = 0x1000;
  r.bssAddress = 0x2000;
  r.initDataAddress = 0x3000;
  answer({r});
  int32_t result;
  EXPECT_EQ(resetTrace(1, &result),
            "  type: 2\n"
            "  bssAddress: 0x00002000 bssSize: 0x0\n"
            "  dataAddress: 0x00001000 dataSize: 0x0\n"
            "  initDataAddress: 0x00003000\n");
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(isUntouched(a));
}

}  // namespace

JKT_Section_Info* JkSectionGetInfoR2(int32_t* count) {
  *count = gCount;
  return gAnswer;
}
