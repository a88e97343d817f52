// Image bounds and compact image references.
#include "vm/core/image/image_bounds.h"

#include <gtest/gtest.h>

namespace {

// Two ranges at made-up addresses: nothing is read through them.
constexpr ImageBounds kBounds = {0x00400000, 0x1000, 0x00800000, 0x300};

class ImageBoundsTest : public testing::Test {
 protected:
  void SetUp() override { vsImage_bounds = kBounds; }
  void TearDown() override { vsImage_bounds = ImageBounds{}; }
};

TEST_F(ImageBoundsTest, RangesAreHalfOpen) {
  struct Case {
    VmWord address;
    bool readOnly;
    bool writable;
  };
  static constexpr Case kCases[] = {
      {0x00400000, true, false},  {0x00400fff, true, false},  {0x00401000, false, false},
      {0x003fffff, false, false}, {0x00800000, false, true},  {0x008002ff, false, true},
      {0x00800300, false, false}, {0x007fffff, false, false}, {0, false, false},
      {0xffffffff, false, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(vsImage_isInReadOnlyPart(c.address), c.readOnly);
    EXPECT_EQ(vsImage_isInWritableArea(c.address), c.writable);
    EXPECT_EQ(vsObject_isInRomImage(c.address), c.readOnly || c.writable);
  }
}

TEST_F(ImageBoundsTest, CompactReferencesCarryTheRangeInBitZero) {
  struct Case {
    VmWord address;
    VmWord reference;
  };
  static constexpr Case kCases[] = {
      {0x00400000, 0},     {0x00400004, 8},     {0x00400ffc, 0x1ff8},
      {0x00800000, 1},     {0x00800004, 9},     {0x008002fc, 0x5f9},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(vsImage_encodeReference(c.address), c.reference);
    EXPECT_EQ(vsImage_decodeReference(c.reference), c.address);
    EXPECT_LT(c.reference, vsImage_referenceRange());
  }
  EXPECT_EQ(vsImage_referenceRange(), 0x2000u);
}

TEST_F(ImageBoundsTest, AddressesOutsideTheImageHaveNoCompactReference) {
  for (VmWord address : {VmWord{0x00401000}, VmWord{0x00800300}, VmWord{0x003ffffc}, VmWord{0}})
    EXPECT_EQ(vsImage_encodeReference(address), kNotAnImageReference) << address;
}

TEST(ImageBoundsWithoutImage, NothingIsInTheImage) {
  ASSERT_EQ(vsImage_bounds.readOnlySize, 0u);
  EXPECT_FALSE(vsObject_isInRomImage(0));
  EXPECT_FALSE(vsObject_isInRomImage(0x00400000));
  EXPECT_EQ(vsImage_referenceRange(), 0u);
}

// The writable area is the larger range here: the range follows it.
TEST_F(ImageBoundsTest, RangeIsTwiceTheLargerPart) {
  vsImage_bounds.writableSize = 0x4000;
  EXPECT_EQ(vsImage_referenceRange(), 0x8000u);
  EXPECT_EQ(vsImage_encodeReference(0x00803ffc), 0x7ff9u);
}

}  // namespace
