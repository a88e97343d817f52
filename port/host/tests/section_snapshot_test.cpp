#include "port/host/section_snapshot.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ce/substrate/vm_sections.h"

namespace {

VS_VMDATA(uint32_t) gMarker = 0x5EC710Au;

TEST(SectionSnapshot, DescribesBothSectionsWithACopyOfTheData) {
  ASSERT_TRUE(SectionSnapshotCreate());
  int32_t count = 0;
  const JKT_Section_Info* r = JkSectionGetInfoR2(&count);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(count, 1);
  const VmSectionBounds s = vsSections_bounds();
  EXPECT_EQ(r->type, 2u);
  EXPECT_EQ(r->dataAddress, vsWord_fromPointer(s.dataStart));
  EXPECT_EQ(r->dataSize, static_cast<uint32_t>(s.dataEnd - s.dataStart));
  EXPECT_EQ(r->bssAddress, vsWord_fromPointer(s.bssStart));
  EXPECT_EQ(r->bssSize, static_cast<uint32_t>(s.bssEnd - s.bssStart));
  EXPECT_EQ(r->initDataAddress, r->copy.raw);
  EXPECT_EQ(r->imageBase, 0u);
  EXPECT_EQ(std::memcmp(r->copy.get(), s.dataStart, r->dataSize), 0);

  // The copy keeps the values of the moment it was taken.
  const size_t offset = static_cast<size_t>(reinterpret_cast<uint8_t*>(&gMarker) - s.dataStart);
  gMarker = 1;
  uint32_t copied;
  std::memcpy(&copied, r->copy.get() + offset, sizeof copied);
  EXPECT_EQ(copied, 0x5EC710Au);
  gMarker = 0x5EC710Au;
  SectionSnapshotDelete();
}

TEST(SectionSnapshot, NoSnapshotGivesNullAndCountZero) {
  SectionSnapshotDelete();
  int32_t count = 5;
  EXPECT_EQ(JkSectionGetInfoR2(&count), nullptr);
  EXPECT_EQ(count, 0);
}

}  // namespace
