// Windows-1252 <-> UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "image/Cp1252.h"

namespace qrt {
namespace {

TEST(Cp1252, EveryByteSurvivesTheTripThroughUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1252ToUtf8(all);
  const auto back = Utf8ToCp1252(utf8);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    EXPECT_EQ(UnicodeToCp1252(Cp1252ToUnicode(byte)), byte) << b;
    EXPECT_EQ(Utf8ToCp1252(Cp1252CharToUtf8(byte)), std::string(1, static_cast<char>(b))) << b;
  }
}

TEST(Cp1252, NoTwoBytesShareACharacter) {
  for (int a = 0; a < 256; ++a)
    for (int b = a + 1; b < 256; ++b)
      EXPECT_NE(Cp1252ToUnicode(static_cast<uint8_t>(a)), Cp1252ToUnicode(static_cast<uint8_t>(b))) << a << ' ' << b;
}

// The punctuation block is where Windows-1252 differs from Latin-1.
TEST(Cp1252, PunctuationBlock) {
  const struct {
    uint8_t byte;
    char32_t cp;
    const char* utf8;
  } cases[] = {
      {0x80, 0x20AC, "€"}, {0x82, 0x201A, "‚"}, {0x83, 0x0192, "ƒ"}, {0x84, 0x201E, "„"},
      {0x85, 0x2026, "…"}, {0x86, 0x2020, "†"}, {0x87, 0x2021, "‡"}, {0x88, 0x02C6, "ˆ"},
      {0x89, 0x2030, "‰"}, {0x8A, 0x0160, "Š"}, {0x8B, 0x2039, "‹"}, {0x8C, 0x0152, "Œ"},
      {0x8E, 0x017D, "Ž"}, {0x91, 0x2018, "‘"}, {0x92, 0x2019, "’"}, {0x93, 0x201C, "“"},
      {0x94, 0x201D, "”"}, {0x95, 0x2022, "•"}, {0x96, 0x2013, "–"}, {0x97, 0x2014, "—"},
      {0x98, 0x02DC, "˜"}, {0x99, 0x2122, "™"}, {0x9A, 0x0161, "š"}, {0x9B, 0x203A, "›"},
      {0x9C, 0x0153, "œ"}, {0x9E, 0x017E, "ž"}, {0x9F, 0x0178, "Ÿ"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp1252ToUnicode(c.byte), c.cp) << std::hex << int{c.byte};
    EXPECT_EQ(Cp1252CharToUtf8(c.byte), c.utf8) << std::hex << int{c.byte};
    EXPECT_EQ(UnicodeToCp1252(c.cp), c.byte) << std::hex << int{c.byte};
  }
}

// Windows leaves five codes undefined; they keep their C1 control value so
// that no image byte is lost when a prompt is shown and stored again.
TEST(Cp1252, UndefinedCodesKeepTheirValue) {
  for (uint8_t b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(Cp1252ToUnicode(b), char32_t{b});
    EXPECT_EQ(UnicodeToCp1252(char32_t{b}), b);
  }
  // The other C1 code points have no byte: 0x80 is the euro sign, not U+0080.
  for (char32_t cp : {0x80, 0x85, 0x9F}) EXPECT_FALSE(UnicodeToCp1252(cp).has_value()) << std::hex << static_cast<uint32_t>(cp);
}

TEST(Cp1252, Latin1HalfAndAscii) {
  EXPECT_EQ(Cp1252ToUtf8("Men\xFC/zur\xFC" "ck"), "Menü/zurück");
  EXPECT_EQ(Utf8ToCp1252("Menü/zurück"), std::string("Men\xFC/zur\xFC" "ck"));
  EXPECT_EQ(Utf8ToCp1252("Menü/zurück")->size(), 11u);
  EXPECT_EQ(Cp1252ToUtf8("\xD6" "ffentl. Vergr\xF6\xDF" "ern \xA7 \xA1\xBF \xE9\xE8\xE7"),
            "Öffentl. Vergrößern § ¡¿ éèç");
  EXPECT_EQ(Cp1252CharToUtf8(0xA0), "\xC2\xA0");
  EXPECT_EQ(Cp1252CharToUtf8(0xFF), "ÿ");
  EXPECT_EQ(Cp1252CharToUtf8('A'), "A");
  EXPECT_EQ(Cp1252CharToUtf8(0x00), std::string(1, '\0'));
  EXPECT_EQ(Cp1252ToUtf8(""), "");
  EXPECT_EQ(Utf8ToCp1252(""), std::string());
  EXPECT_EQ(Utf8ToCp1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1252, RefusesCharactersWithoutAByte) {
  const char* cases[] = {
      "\xC4\x80",          // U+0100 Ā
      "Men\xC5\x91",       // U+0151 ő
      "\xE2\x82\xAD",      // U+20AD, beside the euro sign
      "\xD0\x96",          // Cyrillic Ж
      "\xF0\x9F\x98\x80",  // emoji, four bytes
      "\xE2\x80\x8B",      // zero-width space
      "\xC2\x80",          // U+0080, a C1 code that Windows-1252 uses for the euro sign
  };
  for (const char* s : cases) EXPECT_FALSE(Utf8ToCp1252(s).has_value()) << s;
}

TEST(Cp1252, RefusesMalformedUtf8) {
  const std::string cases[] = {
      "\xFC",                      // a Windows-1252 byte is not UTF-8
      "ab\xC3",                    // truncated at the end
      "\xE2\x82",                  // truncated three-byte sequence
      "\xF0\x9F\x98",              // truncated four-byte sequence
      "\x80",                      // stray continuation byte
      "\xC3\x28",                  // lead without continuation
      "\xC0\xAF",                  // overlong '/'
      "\xC1\xBF",                  // overlong
      "\xE0\x80\xAF",              // overlong, three bytes
      "\xF0\x80\x80\xAF",          // overlong, four bytes
      "\xED\xA0\x80",              // surrogate U+D800
      "\xF4\x90\x80\x80",          // above U+10FFFF
      "\xF8\x88\x80\x80\x80",      // five-byte form
      "\xFF",                      //
      "ok\xE2\x82\xACthen\xC3",    // valid start, broken end
  };
  for (const std::string& s : cases) EXPECT_FALSE(Utf8ToCp1252(s).has_value()) << testing::PrintToString(s);
}

TEST(Cp1252, EuroSign) {
  EXPECT_EQ(Cp1252CharToUtf8(0x80), "\xE2\x82\xAC");
  EXPECT_EQ(Utf8ToCp1252("100 €"), std::string("100 \x80"));
  EXPECT_EQ(UnicodeToCp1252(0x20AC), 0x80);
}

}  // namespace
}  // namespace qrt
