// Numeric text of the value fields: what counts as a number, and the
// conversion to a whole number with ties to even.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "base/Numbers.h"
#include "codecs/Numeric.h"

namespace qrt {
namespace {

struct NumericCase {
  const char* text;
  std::optional<double> value;
};

class NumericText : public ::testing::TestWithParam<NumericCase> {};

TEST_P(NumericText, ParsesLikeANumericField) {
  const NumericCase& c = GetParam();
  const auto value = ParseNumeric(c.text);
  ASSERT_EQ(value.has_value(), c.value.has_value()) << '"' << c.text << '"';
  if (c.value) {
    EXPECT_DOUBLE_EQ(*value, *c.value) << '"' << c.text << '"';
  }
  EXPECT_EQ(IsNumeric(c.text), c.value.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NumericText,
    ::testing::Values(NumericCase{"1530000", 1530000}, NumericCase{"  42  ", 42}, NumericCase{"\t7", 7},
                      NumericCase{"-5", -5}, NumericCase{"+5", 5}, NumericCase{"1.5", 1.5},
                      NumericCase{".5", 0.5}, NumericCase{"5.", 5}, NumericCase{"1e3", 1000},
                      NumericCase{"1E+3", 1000}, NumericCase{"25e-1", 2.5}, NumericCase{"1D2", 100},
                      NumericCase{"-0", 0}, NumericCase{"007", 7},
                      // not numbers
                      NumericCase{"", std::nullopt}, NumericCase{" ", std::nullopt},
                      NumericCase{"-", std::nullopt}, NumericCase{"+", std::nullopt},
                      NumericCase{".", std::nullopt}, NumericCase{"1 2", std::nullopt},
                      NumericCase{"12a", std::nullopt}, NumericCase{"abc", std::nullopt},
                      NumericCase{"1e", std::nullopt}, NumericCase{"1e+", std::nullopt},
                      NumericCase{"e5", std::nullopt}, NumericCase{"--1", std::nullopt},
                      NumericCase{"1..2", std::nullopt}, NumericCase{"0x10", std::nullopt},
                      NumericCase{"1,000", std::nullopt}, NumericCase{"1e400", std::nullopt},
                      NumericCase{"1-", std::nullopt}, NumericCase{"- 1", std::nullopt}));

struct RoundCase {
  double value;
  std::optional<int32_t> rounded;
};

class TiesToEven : public ::testing::TestWithParam<RoundCase> {};

TEST_P(TiesToEven, RoundsToNearestAndRefusesWhatDoesNotFit) {
  EXPECT_EQ(RoundToInt32(GetParam().value), GetParam().rounded) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, TiesToEven,
    ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2}, RoundCase{3.5, 4},
                      RoundCase{-0.5, 0}, RoundCase{-1.5, -2}, RoundCase{-2.5, -2}, RoundCase{2.4999, 2},
                      RoundCase{2.5001, 3}, RoundCase{-2.6, -3}, RoundCase{12.0, 12},
                      RoundCase{2147483647.4, 2147483647}, RoundCase{2147483647.5, std::nullopt},
                      RoundCase{-2147483648.5, std::numeric_limits<int32_t>::min()},
                      RoundCase{-2147483649.0, std::nullopt}, RoundCase{1e20, std::nullopt},
                      RoundCase{std::nan(""), std::nullopt},
                      RoundCase{std::numeric_limits<double>::infinity(), std::nullopt}));

TEST(NumericToInt32, CombinesTheTwoSteps) {
  EXPECT_EQ(NumericToInt32(" 1530012.5 "), 1530012);
  EXPECT_EQ(NumericToInt32("1530013.5"), 1530014);
  EXPECT_EQ(NumericToInt32("9e9"), std::nullopt);
  EXPECT_EQ(NumericToInt32("x"), std::nullopt);
}

TEST(TrimSpaces, RemovesOnlySpaces) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("\ta\t"), "\ta\t");
  EXPECT_EQ(TrimSpaces("    "), "");
  EXPECT_EQ(TrimLeadingSpaces("  a  "), "a  ");
}

// The digit strings of tags, counts and capcode fields: nothing but digits,
// within their limit; a leading number stops at the first other character.
TEST(Digits, WholeTextsAndLeadingNumbers) {
  EXPECT_EQ(ParseDigits("0042"), 42u);
  EXPECT_EQ(ParseDigits("7FFF", 32767, 16), 32767u);
  EXPECT_EQ(ParseDigits("7fff", 32767, 16), 32767u);
  for (const char* bad : {"", "+1", "-1", " 1", "1 ", "1e3", "0x10", "4294967296"})
    EXPECT_EQ(ParseDigits(bad), std::nullopt) << bad;
  EXPECT_EQ(ParseDigits("8000", 32767, 16), std::nullopt);
  EXPECT_EQ(LeadingDigits(" \t2097150x"), 2097150u);
  EXPECT_EQ(LeadingDigits(""), 0u);
  EXPECT_EQ(LeadingDigits("x12"), 0u);
  EXPECT_EQ(LeadingDigits("99999999999999999999999", 1000), 1000u);
}

// Numbers as the panels and messages show them; digests and tokens as stored.
TEST(Hex, NumbersUpperCasePaddedBytesLowerCase) {
  EXPECT_EQ(HexText(0x5, 2), "05");
  EXPECT_EQ(HexText(0x378, 3), "378");
  EXPECT_EQ(HexText(0xFFFFFFFF, 2), "FFFFFFFF");
  const uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(HexBytes(bytes), "000fa5ff");
}

}  // namespace
}  // namespace qrt
