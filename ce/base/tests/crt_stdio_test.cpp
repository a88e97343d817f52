#include "ce/base/crt_stdio.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CeStdio, WritesLittleEndianUnitsWithoutMark) {
  char* bytes = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&bytes, &size);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(fputws(u"A\u0416\n", stream), 0);
  EXPECT_EQ(fputwc(u'\u20ac', stream), 0x20ACu);
  EXPECT_EQ(fputws(u"", stream), 0);
  fclose(stream);
  const std::string want("A\0\x16\x04\n\0\xac\x20", 8);
  EXPECT_EQ(std::string(bytes, size), want);
  free(bytes);
}

}  // namespace
