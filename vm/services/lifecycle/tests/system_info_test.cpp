// The system-information record as the system-property natives find it:
// every text "UNKNOWN" (UTF-8, or UTF-16 units with their count), every
// number 0, the same record on every call of a run.
#include <gtest/gtest.h>

#include <string>

#include "port/host/section_snapshot.h"
#include "vm/core/startup/vm_variables.h"
#include "vm/services/lifecycle/system_info.h"

namespace {

const bool gSnapshot = SectionSnapshotCreate();

std::string text(VmPtr<const char> word) { return word ? std::string(word.get()) : std::string("(unset)"); }

std::string wideText(const VsSystemInfoWideText& wide) {
  if (!wide.units) return "(unset)";
  std::string s;
  for (int32_t i = 0; i < wide.length; ++i) {
    const uint16_t unit = wide.units.get()[i];
    s += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  return s;
}

TEST(SystemInfo, UnsetWordsReadUnknownAndZero) {
  ASSERT_TRUE(gSnapshot);
  ASSERT_EQ(vsVm_initializeVariables(), 0);
  const VsSystemInfo* info = vsSystemInfo_get();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(text(info->text0), "UNKNOWN");
  EXPECT_EQ(text(info->text1), "UNKNOWN");
  EXPECT_EQ(info->number0, 0);
  for (int32_t i = 0; i < kVsSystemInfoIndexedTexts; ++i)
    EXPECT_EQ(text(info->indexedTexts[i]), "UNKNOWN") << "indexed text " << i;
  EXPECT_EQ(info->number1, 0);
  for (int32_t i = 0; i < kVsSystemInfoWideTexts; ++i) {
    EXPECT_EQ(info->wideTexts[i].length, 7) << "wide text " << i;
    EXPECT_EQ(wideText(info->wideTexts[i]), "UNKNOWN") << "wide text " << i;
  }
  EXPECT_EQ(vsSystemInfo_get(), info);
  // A new run fills its record again.
  ASSERT_EQ(vsVm_initializeVariables(), 0);
  EXPECT_EQ(text(vsSystemInfo_get()->indexedTexts[8]), "UNKNOWN");
}

}  // namespace
