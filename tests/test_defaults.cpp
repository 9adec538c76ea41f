// The factory image and the constant tables, checked byte for byte against
// values written out here from the factory documentation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/Cp1252.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

// "61 1E 5A D0" -> bytes.
std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

template <typename Container>
std::vector<uint8_t> Slice(const Container& c, int from, int count) {
  return std::vector<uint8_t>(c.begin() + from, c.begin() + from + count);
}

std::string Text(const Image& img, int from, int count) {
  return std::string(img.begin() + from, img.begin() + from + count);
}

// Windows-1252 bytes of a UTF-8 test literal.
std::string W(const std::string& utf8) {
  auto bytes = Utf8ToCp1252(utf8);
  EXPECT_TRUE(bytes.has_value()) << utf8;
  return bytes.value_or("");
}

// The three readable parts of a 20-byte prompt slot.
struct Slot {
  int attribute;
  int count;
  std::string text;  // the counted characters, Windows-1252
};

template <typename Container>
Slot ReadSlot(const Container& c, int at) {
  const int count = c[at + 1];
  std::string text;
  for (int i = 0; i < count && i < 18; ++i) text += static_cast<char>(c[at + 2 + i]);
  return {c[at], count, text};
}

// Every byte after the counted characters of a slot is `filler`.
template <typename Container>
void ExpectFiller(const Container& c, int at, uint8_t filler, const std::string& where) {
  for (int i = 2 + c[at + 1]; i < 20; ++i)
    EXPECT_EQ(c[at + i], filler) << where << " byte " << i;
}

const Image kImage = BuildDefaultImage();

// ------------------------------------------------------------ segment 1

TEST(DefaultImage, HeaderRowsAsDocumented) {
  const struct {
    int address;
    const char* bytes;
  } rows[] = {
      {0x000, "FF FF FF FF 00 00 B4 A0 00 00 28 01 00 02 05 0A"},
      {0x010, "0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 0A 3C 3C"},
      {0x020, "3C 3C 3C 3C 3C 3C 3C 3C 3C 3C 3C 3C 5A 96 11 FF"},
      {0x030, "FF FF 00 00 00 00 06 00 00 41 42 0E 40 0C 52 00"},
      {0x040, "61 1E 5A D0 60 22 5A D0 60 46 5A D0 60 6A 5A D0"},
      {0x050, "60 8E 5A D0 60 B2 5A D0 60 D6 5A D0 60 FA 5A D0"},
      {0x060, "40 2A 41 A9 00 14 E7 90 00 17 58 90 78 12 F7 A2"},
      {0x077, "F0 07 08 09 0A 0B 0C 0D 00"},
      {0x080, "21 10 16 1C 21 24 27 2A 2C 04 A3 22 16 B1 C0 CF"},
      {0x090, "08 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
  };
  for (const auto& row : rows) {
    const auto want = Hex(row.bytes);
    EXPECT_EQ(Slice(kImage, row.address, static_cast<int>(want.size())), want)
        << "row at 0x" << std::hex << row.address;
    EXPECT_EQ(Slice(HeaderDefaults(), row.address, static_cast<int>(want.size())), want);
  }
}

TEST(DefaultImage, SevenUpperCaseLettersAt070) {
  for (int a = 0x070; a <= 0x076; ++a) EXPECT_TRUE(kImage[a] >= 'A' && kImage[a] <= 'Z') << a;
}

TEST(DefaultImage, FlashOnlySlot) {
  const Slot s = ReadSlot(kImage, 0x0A0);
  EXPECT_EQ(s.attribute, 0x43);
  EXPECT_EQ(s.count, 10);
  EXPECT_EQ(s.text, "FLASH ONLY");
  ExpectFiller(kImage, 0x0A0, ' ', "flash-only");
}

// The readings the window shows for the factory image.
TEST(DefaultImage, TellingValues) {
  const struct {
    const char* what;
    int address, bit, width, value;
  } cases[] = {
      {"not a GP model", 0x00D, 0, 8, 0x02},
      {"alert tone code", 0x02E, 0, 8, 0x11},
      {"charger beeper bit", 0x031, 3, 1, 1},
      {"password required", 0x036, 1, 1, 1},
      {"password modification", 0x036, 2, 1, 1},
      {"frequency lock clear", 0x036, 0, 1, 0},
      {"beep and vibration clear", 0x036, 3, 1, 0},
      {"read time out entry 12 sec", 0x039, 0, 2, 1},
      {"low-cell alert", 0x039, 6, 1, 1},
      {"charset language English", 0x03A, 0, 4, kLangEnglish},
      {"logo shown", 0x03B, 0, 2, 2},
      {"long message control", 0x03B, 2, 1, 1},
      {"date mm-dd-yy", 0x03B, 3, 1, 1},
      {"page count", 0x03B, 4, 1, 0},
      {"source prompts off", 0x03B, 5, 2, 0},
      {"reminder 2 minutes", 0x03C, 6, 2, 1},
      {"prompt language English", 0x03E, 0, 4, kLangEnglish},
      {"logo font English large", 0x03F, 0, 4, 0},
      {"normal polarity", 0x061, 2, 1, 0},
      {"1200 bps", 0x061, 3, 2, 1},
      {"1200 bps derived low bits", 0x061, 0, 2, 2},
      {"1200 bps derived byte", 0x062, 0, 8, 0x41},
      {"1200 bps derived high bits", 0x063, 6, 2, 2},
      {"band 130-180 MHz", 0x065, 4, 4, 1},
      {"personal memory share", 0x06C, 0, 8, 120},
      {"history enabled", 0x07F, 0, 8, 0},
      {"contrast", 0x089, 0, 8, 4},
      {"battery low", 0x08D, 0, 8, 0xB1},
      {"battery medium", 0x08E, 0, 8, 0xC0},
      {"battery high", 0x08F, 0, 8, 0xCF},
      {"personal alert length", 0x090, 0, 8, 8},
  };
  for (const auto& c : cases) EXPECT_EQ(GetField(kImage, c.address, c.bit, c.width), c.value) << c.what;
  for (int a = 0x01E; a <= 0x02B; ++a) EXPECT_EQ(kImage[a], 60) << "mail drop share at " << a;
  for (int a = 0x032; a <= 0x035; ++a) EXPECT_EQ(kImage[a], 0) << "priority bits at " << a;
  for (int a = 0x091; a <= 0x09F; ++a) EXPECT_EQ(kImage[a], 0) << "mail drop alert length at " << a;
  for (int n = 0; n < 7; ++n) EXPECT_EQ(kImage[0x078 + n], 7 + n) << "menu slot " << n;
  EXPECT_EQ(GetBE32(kImage, 0x064), 1370000u);
  EXPECT_EQ(GetBE32(kImage, 0x068), 1530000u);
  EXPECT_STREQ(kDefaultFreqText, "1530000");
}

// Capcode record: byte 1 bits 0-1 = bits 19-20, bits 2-4 = bits 0-2; byte 2 =
// bits 11-18; byte 3 = bits 3-10.
TEST(DefaultImage, OnlyCapcodeOneEnabledAndCapcodeValues) {
  const int expected[8] = {1234567, 1234560, 1234561, 1234562, 1234563, 1234564, 1234565, 1234566};
  for (int i = 0; i < 8; ++i) {
    const int at = 0x040 + 4 * i;
    EXPECT_EQ(kImage[at], i == 0 ? 0x61 : 0x60) << "record " << i;
    EXPECT_EQ(kImage[at] & 1, i == 0 ? 1 : 0) << "enable bit of record " << i;
    const int b1 = kImage[at + 1], b2 = kImage[at + 2], b3 = kImage[at + 3];
    const int high18 = ((b1 & 3) << 16) | (b2 << 8) | b3;
    EXPECT_EQ(high18 * 8 + ((b1 >> 2) & 7), expected[i]) << "capcode " << i + 1;
  }
}

// ------------------------------------------------------ prompt tables

struct PromptRow {
  int k;
  int en_attr;
  const char* en;
  int es_attr;
  const char* es;
  int fr_attr;
  const char* fr;
  int de_attr;
  const char* de;  // UTF-8 here; the tables hold Windows-1252
};

const PromptRow kPromptRows[] = {
    {0, 0x05, "VESTRA  ", 0x05, "VESTRA", 0x05, "VESTRA", 0x05, "VESTRA  "},
    {1, 0x06, "NO PAGES", 0x05, "SIN MESAJES", 0x03, "PAS DE MESSAGE", 0x03, "Keine Nachricht"},
    {2, 0x49, "ESCAPE", 0x42, "ARRIBA PARA SALIR", 0x42, "MONTER OU SORTIR", 0x45, "Menü/zurück"},
    {3, 0x45, "MESSAGE LOCK", 0x42, "BLOQUEAR MENSAJE", 0x44, "VERROUILLAGE", 0x42, "Nachricht sichern"},
    {4, 0x44, "MESSAGE UNLOCK", 0x42, "DESBLOQ. MENSAJE", 0x43, "DEVERROUILLAGE", 0x42, "Nachr. freigeben"},
    {5, 0x44, "MESSAGE DELETE", 0x47, "BORRAR", 0x45, "EFFACEMENT", 0x42, "Nachricht löschen"},
    {6, 0x46, "DELETE ALL", 0x44, "BORRAR TODOS", 0x44, "EFFACER TOUT", 0x44, "Alle löschen"},
    {7, 0x45, "MOVE TO MEMO", 0x44, "MOVER A MEMO", 0x44, "DEP > MEMOIRE", 0x42, "Als Notiz sichern"},
    {8, 0x46, "SET SCROLL", 0x42, "ROLLO DE MENSAJE", 0x43, "Reg.DEFILEMENT", 0x45, "Scrollrate"},
    {9, 0x47, "SET TIME", 0x44, "AJUSTAR HORA", 0x46, "Reg.HEURE", 0x45, "Uhr stellen"},
    {10, 0x46, "SET ALARM", 0x43, "AJUSTAR ALARMA", 0x45, "Reg.ALARME", 0x43, "Wecker stellen"},
    {11, 0x46, "SET ALERT", 0x42, "ALERTA SILENCIOSA", 0x45, "Reg.ALERTE", 0x43, "Alarmart wählen"},
    {12, 0x46, "PAGER OFF", 0x47, "APAGAR", 0x45, "ARRET PAGER", 0x46, "Pager aus"},
    {13, 0x00, "TONE ONLY", 0x06, "SOLO TONO", 0x05, "TON UNIQUEMENT", 0x00, "Nur Ton"},
    {14, 0x43, "SLEEP", 0x44, "DORMIDA", 0x44, "MISE EN VEILLE", 0x43, "Stiller Alarm"},
    {15, 0x43, "SILENT", 0x44, "SILENCIOSA", 0x44, "SILENCIEUX", 0x43, "Vibration"},
    {16, 0x45, "PAGER OFF ?", 0x46, "APAGAR ?", 0x44, "ARRET PAGER ?", 0x45, "Pager aus ?"},
    {17, 0x44, "MESSAGE DELETE ?", 0x46, "BORRAR ?", 0x44, "EFFACEMENT ?", 0x46, "Löschen ?"},
    {18, 0x46, "DELETE ALL ?", 0x44, "BORRAR TODOS", 0x43, "EFFACER TOUT ?", 0x43, "Alle löschen ?"},
    {19, 0x22, "TIME SET", 0x04, "AJUSTAR HORA", 0x06, "Reg.HEURE", 0x25, "Uhr stellen"},
    {20, 0x22, "ALARM SET", 0x03, "AJUSTAR ALARMA", 0x05, "Reg.ALARME", 0x23, "Wecker stellen"},
    {21, 0x22, "SCROLL SET", 0x02, "ROLLO DE MENSAJE", 0x03, "Reg.DEFILEMENT", 0x25, "Scrollrate"},
    {22, 0x44, "AUTO SLEEP SET", 0x44, "AUTO DORMIDA", 0x45, "REG.VEILLE", 0x42, "Automat. Aussch."},
    {23, 0x27, "START    END", 0x04, "ON      OFF", 0x04, "DEPART  FIN", 0x27, "Start    Ende"},
    {24, 0x46, "MESSAGE AREA", 0x44, "MENSAJE AREA", 0x42, "ZONE DE MESSAGES", 0x43, "Private Nachr."},
    {25, 0x45, "MAIL DROP AREA", 0x43, "MAIL DROP AREA", 0x41, "ZONE BOITE LETTRES", 0x43, "Öffentl. Nachr."},
    {26, 0x43, "SILENT THEN BEEP", 0x44, "SILEN.-TONO", 0x43, "SILENCIEUX ET BEEP", 0x43, "Vibr., dann Ton"},
    {27, 0x48, "ZOOM IN", 0x47, "ZOOM IN", 0x46, "LOUPE+", 0x45, "Vergrößern"},
    {28, 0x47, "ZOOM OUT", 0x46, "ZOOM OUT", 0x46, "LOUPE-", 0x45, "Verkleinern"},
    {29, 0x47, "CHIRP ON", 0x46, "TIMBRE ON", 0x42, "AVEC MODE DISCRET", 0x44, "Kurz-Piep ein"},
    {30, 0x46, "CHIRP OFF", 0x45, "TIMBRE OFF", 0x42, "SANS MODE DISCRET", 0x44, "Kurz-Piep aus"},
};

void PrintTo(const PromptRow& r, std::ostream* os) { *os << "slot " << r.k; }

class PromptTableRows : public ::testing::TestWithParam<PromptRow> {};

TEST_P(PromptTableRows, AttributeCountTextAndFillerInEveryLanguage) {
  const PromptRow& r = GetParam();
  const int at = 20 * r.k;
  const struct {
    const char* language;
    int code;
    const PromptTable& table;
    int attribute;
    std::string text;
  } languages[] = {
      {"English", kLangEnglish, PromptsEnglish(), r.en_attr, W(r.en)},
      {"Spanish", kLangSpanish, PromptsSpanish(), r.es_attr, W(r.es)},
      {"French", kLangFrench, PromptsFrench(), r.fr_attr, W(r.fr)},
      {"German", kLangGerman, PromptsGerman(), r.de_attr, W(r.de)},
  };
  for (const auto& l : languages) {
    const Slot s = ReadSlot(l.table, at);
    EXPECT_EQ(s.attribute, l.attribute) << l.language << " slot " << r.k;
    EXPECT_EQ(s.count, static_cast<int>(l.text.size())) << l.language << " slot " << r.k;
    EXPECT_EQ(s.text, l.text) << l.language << " slot " << r.k;
    ExpectFiller(l.table, at, ' ', std::string(l.language) + " slot " + std::to_string(r.k));
    EXPECT_EQ(&PromptTableForLanguage(l.code), &l.table) << l.language;
  }
  // Segment 2 of the image is the English table.
  const Slot img = ReadSlot(kImage, 0x100 + at);
  EXPECT_EQ(img.attribute, r.en_attr);
  EXPECT_EQ(img.text, r.en);
  EXPECT_EQ(Slice(kImage, 0x100 + at, 20), Slice(PromptsEnglish(), at, 20));
}

INSTANTIATE_TEST_SUITE_P(AllSlots, PromptTableRows, ::testing::ValuesIn(kPromptRows),
                         [](const auto& row) { return "slot" + std::to_string(row.param.k); });

TEST(PromptTables, GermanTextsAreWindows1252NotUtf8) {
  const Slot escape = ReadSlot(PromptsGerman(), 2 * 20);
  ASSERT_EQ(escape.count, 11);
  EXPECT_EQ(escape.text, std::string("Men\xFC/zur\xFC" "ck", 11));
  EXPECT_EQ(static_cast<uint8_t>(escape.text[3]), 0xFC);
  EXPECT_EQ(static_cast<uint8_t>(escape.text[8]), 0xFC);
  const Slot bigger = ReadSlot(PromptsGerman(), 27 * 20);
  EXPECT_EQ(bigger.text, std::string("Vergr\xF6\xDF" "ern"));
  const Slot opened = ReadSlot(PromptsGerman(), 25 * 20);
  EXPECT_EQ(static_cast<uint8_t>(opened.text[0]), 0xD6);
  // No table may hold a UTF-8 lead byte for these letters.
  for (const PromptTable* t : {&PromptsEnglish(), &PromptsSpanish(), &PromptsFrench(), &PromptsGerman()})
    for (uint8_t b : *t) EXPECT_NE(b, 0xC3);
}

TEST(PromptTables, LanguageHelpersFallBackToEnglish) {
  for (int code : {0, 1, 2, 3, 4, 7, 9, 15, -1}) {
    EXPECT_EQ(&PromptTableForLanguage(code), &PromptsEnglish()) << code;
    EXPECT_EQ(&FlashPromptForLanguage(code), &FlashPromptEnglish()) << code;
    EXPECT_EQ(HistoryPromptsForLanguage(code), nullptr) << code;
  }
  EXPECT_EQ(HistoryPromptsForLanguage(kLangSpanish), nullptr);
  EXPECT_EQ(HistoryPromptsForLanguage(kLangFrench), &HistoryPromptsFrench());
  EXPECT_EQ(HistoryPromptsForLanguage(kLangGerman), &HistoryPromptsGerman());
  EXPECT_EQ(&FlashPromptForLanguage(kLangGerman), &FlashPromptGerman());
  EXPECT_EQ(&FlashPromptForLanguage(kLangSpanish), &FlashPromptSpanish());
  EXPECT_EQ(&FlashPromptForLanguage(kLangFrench), &FlashPromptFrench());
}

TEST(PromptTables, FlashOnlyAndHistorySlots) {
  const struct {
    const char* what;
    const PromptSlot& slot;
    int attribute;
    std::string text;
  } flash[] = {
      {"English", FlashPromptEnglish(), 0x43, "FLASH ONLY"},
      {"Spanish", FlashPromptSpanish(), 0x43, "FLASH ONLY"},
      {"French", FlashPromptFrench(), 0x43, "FLASH ONLY"},
      {"German", FlashPromptGerman(), 0x43, "Nur Blinken"},
  };
  for (const auto& f : flash) {
    const Slot s = ReadSlot(f.slot, 0);
    EXPECT_EQ(s.attribute, f.attribute) << f.what;
    EXPECT_EQ(s.text, f.text) << f.what;
    EXPECT_EQ(s.count, static_cast<int>(f.text.size())) << f.what;
    ExpectFiller(f.slot, 0, ' ', f.what);
  }
  const struct {
    const char* what;
    const HistoryPrompts& table;
    int attr1;
    std::string text1;
    int attr2;
    std::string text2;
  } history[] = {
      {"French", HistoryPromptsFrench(), 0x45, "HISTORIQUE", 0x25, "HISTORIQUE"},
      {"German", HistoryPromptsGerman(), 0x43, "Verlauf einst.", 0x25, "Verlauf einst."},
  };
  for (const auto& h : history) {
    const Slot a = ReadSlot(h.table, 0), b = ReadSlot(h.table, 20);
    EXPECT_EQ(a.attribute, h.attr1) << h.what;
    EXPECT_EQ(a.text, h.text1) << h.what;
    EXPECT_EQ(a.count, static_cast<int>(h.text1.size())) << h.what;
    EXPECT_EQ(b.attribute, h.attr2) << h.what;
    EXPECT_EQ(b.text, h.text2) << h.what;
    EXPECT_EQ(b.count, static_cast<int>(h.text2.size())) << h.what;
  }
}

// ------------------------------------------------------------ segment 3

TEST(DefaultImage, FunctionSegment) {
  for (int a = 0x370; a <= 0x38F; ++a) EXPECT_EQ(kImage[a], 0x00) << "message type at " << a;
  for (int a = 0x390; a <= 0x3AF; ++a) EXPECT_EQ(kImage[a], 0x02) << "display type at " << a;
  for (int a = 0x3B0; a <= 0x3B3; ++a) EXPECT_LE(kImage[a], 9) << "PIN digit at " << a;
  const Slot h1 = ReadSlot(kImage, 0x3B8), h2 = ReadSlot(kImage, 0x3CC);
  EXPECT_EQ(h1.attribute, 0x46);
  EXPECT_EQ(h1.count, 11);
  EXPECT_EQ(h1.text, "SET HISTORY");
  EXPECT_EQ(h2.attribute, 0x24);
  EXPECT_EQ(h2.count, 11);
  EXPECT_EQ(h2.text, "HISTORY SET");
  EXPECT_EQ(kImage[0x3E0], 0x0C);
  EXPECT_EQ(Text(kImage, 0x3E1, 14), "QRT35V1.0V3.82");
  EXPECT_TRUE(HasModelName(kImage));
  EXPECT_EQ(Slice(kImage, 0x36C, 148), Slice(FunctionDefaults(), 0, 148));
}

// ------------------------------------------------------------ segment 4

TEST(DefaultImage, StatusSegment) {
  for (int a = 0x400; a <= 0x427; ++a) EXPECT_EQ(kImage[a], 0xFF) << a;
  for (int a = 0x43C; a <= 0x51F; ++a) EXPECT_EQ(kImage[a], 0xFF) << a;
  const Slot charging = ReadSlot(kImage, 0x428);
  EXPECT_EQ(charging.attribute, 0x27);
  EXPECT_EQ(charging.count, 8);
  EXPECT_EQ(charging.text, "CHARGING");
  ExpectFiller(kImage, 0x428, 0xFF, "charging");
  EXPECT_EQ(Slice(kImage, 0x520, 18), Hex("96 FF FF FF FF FF FF 2D 05 B4 D3 02 FF 03 30 01 00 B1"));
  const std::string name = Text(kImage, 0x532, 12);
  const size_t first = name.find_first_not_of(' '), last = name.find_last_not_of(' ');
  ASSERT_NE(first, std::string::npos) << "factory text is blank";
  const int lead = static_cast<int>(first), trail = 11 - static_cast<int>(last);
  EXPECT_GT(lead, 0) << "factory text not between spaces";
  EXPECT_LE(std::abs(lead - trail), 1) << "factory text not centred: '" << name << "'";
  for (size_t i = first; i <= last; ++i) EXPECT_TRUE(name[i] >= 'A' && name[i] <= 'Z') << name;
  EXPECT_EQ(Slice(kImage, 0x53E, 2), Hex("2B 00"));
}

// ------------------------------------------------------------ segment 5

TEST(DefaultImage, NewsSegment) {
  for (int n = 0; n < 32; ++n) {
    const Slot s = ReadSlot(kImage, 0x540 + 20 * n);
    const std::string want = "NEWS " + std::to_string(n + 1);
    EXPECT_EQ(s.attribute, 0x05) << want;
    EXPECT_EQ(s.count, n < 9 ? 6 : 7) << want;
    EXPECT_EQ(s.text, want);
    ExpectFiller(kImage, 0x540 + 20 * n, ' ', want);
  }
  for (int a = 0x7C0; a <= 0x7DF; ++a) EXPECT_EQ(kImage[a], 0x00) << a;
  EXPECT_EQ(Slice(kImage, 0x7E0, 4), Hex("01 01 01 01"));
  EXPECT_EQ(Slice(kImage, 0x7E4, 26),
            Hex("00 FF FF 01 01 01 01 01 FF FF FF FF 01 01 01 01 01 01 01 01 08 14 0E 0D CC FF"));
  EXPECT_EQ(kImage[0x7FE], 0xFF);
  EXPECT_EQ(kImage[0x7FF], 0xFF);
}

// ------------------------------------------------------- whole image

TEST(DefaultImage, CarriesNoValidChecksumUntilWritten) {
  EXPECT_FALSE(ChecksumMatches(kImage));
  Image written = kImage;
  StoreChecksum(written);
  EXPECT_TRUE(ChecksumMatches(written));
}

// The character-set conversion works on 256-875, 952-991 and 1344-1983; every
// prompt slot of the factory image that holds text lies inside them, except
// the flash-only and charging prompts, which must stay outside.
TEST(DefaultImage, PromptRegionsCoverTheConvertedSlots) {
  auto inside = [](int a) {
    return (a >= 256 && a <= 875) || (a >= 952 && a <= 991) || (a >= 1344 && a <= 1983);
  };
  for (int k = 0; k < 31; ++k) EXPECT_TRUE(inside(0x100 + 20 * k) && inside(0x100 + 20 * k + 19)) << k;
  for (int a : {0x3B8, 0x3CC}) EXPECT_TRUE(inside(a) && inside(a + 19)) << a;
  for (int n = 0; n < 32; ++n) EXPECT_TRUE(inside(0x540 + 20 * n) && inside(0x540 + 20 * n + 19)) << n;
  for (int a = 0x0A0; a < 0x0B4; ++a) EXPECT_FALSE(inside(a));
  for (int a = 0x428; a < 0x43C; ++a) EXPECT_FALSE(inside(a));
}

// ------------------------------------------------- Load Default source

TEST(FactoryPromptSlot, TakesEachSlotFromItsTable) {
  const struct {
    const char* what;
    int address, language, attribute;
    std::string text;
    uint8_t filler;
  } cases[] = {
      {"German flash-only", 0x0A0, kLangGerman, 0x43, "Nur Blinken", ' '},
      {"English flash-only", 0x0A0, kLangEnglish, 0x43, "FLASH ONLY", ' '},
      {"French logo", 0x100, kLangFrench, 0x05, "VESTRA", ' '},
      {"German escape", 0x128, kLangGerman, 0x45, W("Menü/zurück"), ' '},
      {"Spanish last prompt", 0x358, kLangSpanish, 0x45, "TIMBRE OFF", ' '},
      {"English history 1 in French", 0x3B8, kLangFrench, 0x46, "SET HISTORY", ' '},
      {"English history 2", 0x3CC, kLangEnglish, 0x24, "HISTORY SET", ' '},
      {"charging", 0x428, kLangGerman, 0x27, "CHARGING", 0xFF},
      {"news 1", 0x540, kLangEnglish, 0x05, "NEWS 1", ' '},
      {"news 32", 0x7AC, kLangFrench, 0x05, "NEWS 32", ' '},
  };
  for (const auto& c : cases) {
    const auto slot = FactoryPromptSlot(c.address, c.language);
    ASSERT_TRUE(slot.has_value()) << c.what;
    const Slot s = ReadSlot(*slot, 0);
    EXPECT_EQ(s.attribute, c.attribute) << c.what;
    EXPECT_EQ(s.text, c.text) << c.what;
    ExpectFiller(*slot, 0, c.filler, c.what);
  }
}

TEST(FactoryPromptSlot, RefusesSlotsThatLeaveTheirTable) {
  // 20 bytes from these addresses would run past the end of a table or start
  // outside the prompt areas.
  for (int a : {-20, 0x000, 0x09F, 0x0B4, 0x35C, 0x3F0, 0x530, 0x7F0, 0x800, 0x7FFF})
    EXPECT_FALSE(FactoryPromptSlot(a, kLangEnglish).has_value()) << std::hex << a;
  EXPECT_TRUE(FactoryPromptSlot(0x358, kLangEnglish).has_value());
  EXPECT_TRUE(FactoryPromptSlot(0x7EC, kLangEnglish).has_value()) << "last 20 bytes of the image";
}

// ------------------------------------------------- synthesizer presets

TEST(SynthPresets, RowsAsDocumented) {
  const struct {
    int preset;
    const char* registers;
    uint32_t base;
    uint32_t second;
  } rows[] = {
      {1, "FF FF FF FF 00 00 A9 B0 00 00 28 01 00 02 05", 1300000, 0x00175890},
      {2, "FF FF FF FF 00 00 87 C4 00 00 20 01 00 08 19", 1300125, 0x0017590D},
      {3, "FF FF FF FF 00 01 53 66 00 00 50 01 00 04 05", 1300075, 0x00175890},
      {4, "FF FF FF FF 00 00 EC A0 00 00 18 01 00 04 19", 4000000, 0x00454660},
      {5, "FF FF FF FF 00 00 EC A2 00 00 18 01 00 04 19", 4000125, 0x004546DD},
      {6, "FF FF FF FF 00 02 36 A2 00 00 28 01 00 04 19", 9280125, 9310125},
  };
  ASSERT_EQ(SynthPresetRegisters().size(), 6u);
  ASSERT_EQ(SynthPresetFrequencies().size(), 6u);
  for (const auto& r : rows) {
    const auto& reg = SynthPresetRegisters()[r.preset - 1];
    const auto& freq = SynthPresetFrequencies()[r.preset - 1];
    EXPECT_EQ(Slice(reg, 0, 15), Hex(r.registers)) << "preset " << r.preset;
    EXPECT_EQ(reg[15], 0x05) << "preset " << r.preset;
    const uint32_t base = (uint32_t{freq[0]} << 24) | (freq[1] << 16) | (freq[2] << 8) | freq[3];
    const uint32_t second = (uint32_t{freq[4]} << 24) | (freq[5] << 16) | (freq[6] << 8) | freq[7];
    EXPECT_EQ(base, r.base) << "preset " << r.preset;
    EXPECT_EQ(second, r.second) << "preset " << r.preset;
  }
}

}  // namespace
}  // namespace qrt
