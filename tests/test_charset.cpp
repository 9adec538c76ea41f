// Conversion of the prompt areas between Windows-1252 and the pager's
// national 7-bit variants.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "codecs/Charset.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

struct Pair {
  uint8_t pager, display;
};

struct LanguageCase {
  const char* name;
  int code;
  std::vector<Pair> pairs;
};

const std::vector<LanguageCase>& AllLanguages() {
  static const std::vector<LanguageCase> languages = {
      {"Spanish", 5, {{0x23, 0xA1}, {0x5B, 0xC7}, {0x5C, 0xD1}, {0x5D, 0xBA}, {0x5E, 0xAA},
                      {0x60, 0xBF}, {0x7B, 0xE7}, {0x7C, 0xF1}, {0x7D, 0xDC}, {0x7E, 0xFC}}},
      {"French", 6, {{0x23, 0xA3}, {0x40, 0xE0}, {0x5B, 0xB0}, {0x5C, 0xE7}, {0x5D, 0xA7},
                     {0x7B, 0xE9}, {0x7C, 0xF9}, {0x7D, 0xE8}, {0x7E, 0xAF}}},
      {"German", 8, {{0x40, 0xA7}, {0x5B, 0xC4}, {0x5C, 0xD6}, {0x5D, 0xDC},
                     {0x7B, 0xE4}, {0x7C, 0xF6}, {0x7D, 0xFC}, {0x7E, 0xDF}}},
  };
  return languages;
}

// Every text byte of every prompt record in the three areas.
std::vector<int> TextBytes() {
  std::vector<int> out;
  for (const ImageRange& r : kCharsetRanges)
    for (int rec = r.first; rec < r.last; rec += 20)
      for (int k = 2; k < 20; ++k) out.push_back(rec + k);
  return out;
}

class Languages : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(Languages, EachLetterTravelsToThePagerAndBack) {
  const LanguageCase& lang = GetParam();
  for (const Pair& p : lang.pairs) {
    Image img{};
    img[0x03A] = static_cast<uint8_t>(0x50 | lang.code);  // high nibble is not the language
    for (int a : TextBytes()) img[a] = p.display;
    ToPagerCharset(img);
    for (int a : TextBytes()) ASSERT_EQ(img[a], p.pager) << std::hex << a;
    ToDisplayCharset(img);
    for (int a : TextBytes()) ASSERT_EQ(img[a], p.display) << std::hex << a;
  }
}

TEST_P(Languages, OtherBytesSurviveTheRoundTrip) {
  const LanguageCase& lang = GetParam();
  std::set<int> pagerCodes;
  for (const Pair& p : lang.pairs) pagerCodes.insert(p.pager);
  Image img{};
  img[0x03A] = static_cast<uint8_t>(lang.code);
  const std::vector<int> text = TextBytes();
  int value = 0;
  for (int a : text) {
    while (pagerCodes.count(value % 256)) ++value;  // those become national letters
    img[a] = static_cast<uint8_t>(value++ % 256);
  }
  const Image before = img;
  ToPagerCharset(img);
  ToDisplayCharset(img);
  EXPECT_EQ(img, before);
}

TEST_P(Languages, OnlyTextBytesInsideTheAreasChange) {
  const LanguageCase& lang = GetParam();
  Image img{};
  for (int a = 0; a < kImageSize; ++a) img[a] = lang.pairs[a % lang.pairs.size()].display;
  img[0x03A] = static_cast<uint8_t>(lang.code);
  const Image before = img;
  ToPagerCharset(img);
  const std::vector<int> text = TextBytes();
  const std::set<int> converted(text.begin(), text.end());
  for (int a = 0; a < kImageSize; ++a) {
    if (converted.count(a))
      ASSERT_NE(img[a], before[a]) << std::hex << a;
    else
      ASSERT_EQ(img[a], before[a]) << "byte outside the text areas changed: " << std::hex << a;
  }
  // Headers hold numbers: a count of 0x23 or an attribute of 0x40 stays as it is.
  for (int a = 0; a < kImageSize; ++a) img[a] = lang.pairs[a % lang.pairs.size()].pager;
  img[0x03A] = static_cast<uint8_t>(lang.code);
  const Image pagerForm = img;
  ToDisplayCharset(img);
  for (int rec : {0x100, 0x358, 0x3B8, 0x3CC, 0x540, 0x7AC, 0x0A0, 0x428}) {
    EXPECT_EQ(img[rec], pagerForm[rec]) << std::hex << rec;
    EXPECT_EQ(img[rec + 1], pagerForm[rec + 1]) << std::hex << rec;
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Languages, ::testing::ValuesIn(AllLanguages()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Charset, AreasAndTheirEdges) {
  EXPECT_EQ(TextBytes().size(), (31u + 2u + 32u) * 18u);
  Image img{};
  img[0x03A] = 6;
  for (int a : {0x102, 0x36B, 0x3BA, 0x3DF, 0x542, 0x7BF, 0x0A2, 0x36C, 0x3B7, 0x3E0, 0x42A, 0x53F, 0x7C0})
    img[a] = 0xE9;
  ToPagerCharset(img);
  for (int a : {0x102, 0x36B, 0x3BA, 0x3DF, 0x542, 0x7BF}) EXPECT_EQ(img[a], 0x7B) << std::hex << a;
  for (int a : {0x0A2, 0x36C, 0x3B7, 0x3E0, 0x42A, 0x53F, 0x7C0}) EXPECT_EQ(img[a], 0xE9) << std::hex << a;
}

TEST(Charset, FollowsTheLanguageAt03AOnly) {
  Image img{};
  img[0x03A] = 2;   // English
  img[0x03E] = 6;   // the prompt language list says French; the pager set is 0x03A
  img[0x102] = 0xE9;
  img[0x103] = 0x5C;
  const Image before = img;
  ToPagerCharset(img);
  EXPECT_EQ(img, before);
  ToDisplayCharset(img);
  EXPECT_EQ(img, before);
  img[0x03A] = 0x06;
  ToDisplayCharset(img);
  EXPECT_EQ(img[0x103], 0xE7) << "0x5C from a French pager is ç";
}

TEST(Charset, SingleBytes) {
  EXPECT_EQ(PagerByte(6, 0xE9), 0x7B);
  EXPECT_EQ(DisplayByte(6, 0x7B), 0xE9);
  EXPECT_EQ(PagerByte(8, 0xE9), 0xE9);
  EXPECT_EQ(DisplayByte(2, 0x7B), 0x7B);
  EXPECT_TRUE(CharsetRow(2).empty());
  EXPECT_TRUE(CharsetRow(0).empty());
  EXPECT_EQ(CharsetRow(5).size(), 10u);
}

TEST(Charset, TheEditorConvertsItsOwnImage) {
  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor{state, messages, host};
  state.PagerImage[0x03A] = 8;
  state.PagerImage[0x546] = 0xDF;  // ß in a source prompt
  editor.ToPagerCharset();
  EXPECT_EQ(state.PagerImage[0x546], 0x7E);
  editor.ToDisplayCharset();
  EXPECT_EQ(state.PagerImage[0x546], 0xDF);
}

}  // namespace
}  // namespace qrt
