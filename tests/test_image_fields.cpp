// Bit fields and shift routines of the pager image.
#include <gtest/gtest.h>

#include "image/PagerImage.h"

namespace qrt {
namespace {

struct SetCase {
  const char* name;
  uint8_t before;
  int bit, width, value;
  uint8_t after;
};

class SetFieldTable : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetFieldTable, ReplacesOnlyTheFieldBits) {
  const SetCase& c = GetParam();
  Image img{};
  img[0x39] = c.before;
  img[0x38] = 0x5A;
  img[0x3A] = 0xA5;
  SetField(img, 0x39, c.bit, c.width, c.value);
  EXPECT_EQ(img[0x39], c.after);
  EXPECT_EQ(img[0x38], 0x5A) << "neighbouring byte touched";
  EXPECT_EQ(img[0x3A], 0xA5) << "neighbouring byte touched";
  EXPECT_EQ(GetField(img, 0x39, c.bit, c.width), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, SetFieldTable,
    ::testing::Values(SetCase{"top2_set", 0x00, 6, 2, 3, 0xC0}, SetCase{"top2_clear", 0xFF, 6, 2, 0, 0x3F},
                      SetCase{"whole_byte", 0x9C, 0, 8, 0x41, 0x41}, SetCase{"bit3", 0xF0, 3, 1, 1, 0xF8},
                      SetCase{"nibble_low", 0x5F, 0, 4, 2, 0x52}, SetCase{"bit7_clear", 0xFF, 7, 1, 0, 0x7F}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(GetField, WholeByteTopBitAndZeroWidth) {
  Image img{};
  img[5] = 0xA7;
  EXPECT_EQ(GetField(img, 5, 0, 8), 0xA7);
  EXPECT_EQ(GetField(img, 5, 7, 1), 1);
  EXPECT_EQ(GetField(img, 5, 3, 0), 0);
  EXPECT_EQ(GetField(img, 5, 1, 2), 3);
}

TEST(SetField, ErrorsLeaveTheImageUnchanged) {
  Image img{};
  img.fill(0x33);
  const Image before = img;
  EXPECT_THROW(SetField(img, 0x10, 7, 2, 1), OverflowError);   // reaches past bit 7
  EXPECT_THROW(SetField(img, 0x10, 4, 4, 0x1F), OverflowError);  // value wider than the field
  EXPECT_THROW(SetField(img, 0x10, 0, 1, 2), OverflowError);     // 2^width, fits the byte, still refused
  EXPECT_THROW(SetField(img, 0x10, 0, 8, 256), OverflowError);
  EXPECT_THROW(SetField(img, 0x10, 0, 8, -1), OverflowError);
  EXPECT_THROW(SetField(img, -1, 0, 1, 1), ImageIndexError);
  EXPECT_THROW(SetField(img, 2048, 0, 1, 1), ImageIndexError);
  EXPECT_THROW((void)GetField(img, 2048, 0, 1), ImageIndexError);
  EXPECT_THROW((void)GetField(img, -5, 0, 1), ImageIndexError);
  EXPECT_EQ(img, before);
}

TEST(Checksum, SumsAllButMarkerAndChecksumBytes) {
  Image img{};
  img.fill(1);
  // 2046 bytes counted, minus the write marker.
  EXPECT_EQ(ImageChecksum(img), 2045);
  img[addr::kWriteMarker] = 0xEE;  // not covered
  img[0x7FE] = 0x12;               // not covered
  EXPECT_EQ(ImageChecksum(img), 2045);
  img.fill(0xFF);
  // 2045 * 255 = 521475, kept to 16 bits.
  EXPECT_EQ(ImageChecksum(img), 521475 % 65536);
  StoreChecksum(img);
  EXPECT_EQ(img[0x7FE], (521475 % 65536) >> 8);
  EXPECT_EQ(img[0x7FF], (521475 % 65536) & 0xFF);
  EXPECT_TRUE(ChecksumMatches(img));
  img[100] ^= 1;
  EXPECT_FALSE(ChecksumMatches(img));
}

TEST(BigEndian, RoundTripsAndBoundsChecked) {
  Image img{};
  SetBE32(img, 0x68, 1530000);
  EXPECT_EQ(img[0x68], 0x00);
  EXPECT_EQ(img[0x69], 0x17);
  EXPECT_EQ(img[0x6A], 0x58);
  EXPECT_EQ(img[0x6B], 0x90);
  EXPECT_EQ(GetBE32(img, 0x68), 1530000u);
  EXPECT_THROW(SetBE32(img, 2045, 1), ImageIndexError);
}

}  // namespace
}  // namespace qrt
