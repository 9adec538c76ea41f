// Field tag grammar, the table of bound controls and prompt fields, and the
// shared list tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "codecs/ListTables.h"
#include "editor/BoundControls.h"
#include "editor/Editor.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

// ------------------------------------------------------------- grammar

struct TagCase {
  const char* name;
  const char* tag;
  bool parses;
  int address, bit, width;
  FieldKind kind;
};

void PrintTo(const TagCase& c, std::ostream* os) { *os << '"' << c.tag << '"'; }

class FieldTagGrammar : public ::testing::TestWithParam<TagCase> {};

TEST_P(FieldTagGrammar, Parses) {
  const TagCase& c = GetParam();
  const auto tag = ParseFieldTag(c.tag);
  ASSERT_EQ(tag.has_value(), c.parses) << '"' << c.tag << '"';
  if (!tag) return;
  EXPECT_EQ(tag->address, c.address);
  EXPECT_EQ(tag->bit, c.bit);
  EXPECT_EQ(tag->width, c.width);
  EXPECT_EQ(tag->kind, c.kind);
}

constexpr FieldKind O = FieldKind::Other;
INSTANTIATE_TEST_SUITE_P(
    Tags, FieldTagGrammar,
    ::testing::Values(
        TagCase{"hex", "&H39,3,1,chkN", true, 0x39, 3, 1, FieldKind::chkN},
        TagCase{"decimal", "57,3,1,chkN", true, 57, 3, 1, FieldKind::chkN},
        TagCase{"lower_case_prefix_and_digits", "&h7e0,0,8,chkN", true, 0x7E0, 0, 8, FieldKind::chkN},
        TagCase{"layout_suffix", "&H5C,0,1,chk,#120#60#1530#255#8.25#", true, 0x5C, 0, 1, FieldKind::chk},
        TagCase{"suffix_without_numbers", "&H61,3,2,cboBaud,#", true, 0x61, 3, 2, FieldKind::cboBaud},
        TagCase{"source", "&H7DF,0,8,chkSource", true, 0x7DF, 0, 8, FieldKind::chkSource},
        TagCase{"combo", "&H3C,6,2,cbo", true, 0x3C, 6, 2, FieldKind::cbo},
        TagCase{"logo_font", "&H3F,0,4,Lng", true, 0x3F, 0, 4, FieldKind::Lng},
        TagCase{"kind_case_is_exact", "&H39,3,1,CHKN", true, 0x39, 3, 1, O},
        TagCase{"kind_lower_n", "&H39,3,1,chkn", true, 0x39, 3, 1, O},
        TagCase{"kind_lng_lower", "&H3F,0,4,lng", true, 0x3F, 0, 4, O},
        TagCase{"kind_with_space", "&H39,3,1,chk ", true, 0x39, 3, 1, O},
        TagCase{"empty_kind", "&H39,3,1,", true, 0x39, 3, 1, O},
        TagCase{"largest_address", "&H7FFF,0,1,chk", true, 32767, 0, 1, FieldKind::chk},
        TagCase{"largest_decimal", "32767,0,1,chk", true, 32767, 0, 1, FieldKind::chk},
        TagCase{"leading_zeros", "&H0039,03,01,chk", true, 0x39, 3, 1, FieldKind::chk},
        TagCase{"byte_sized_bit", "&H39,255,255,chk", true, 0x39, 255, 255, FieldKind::chk},
        TagCase{"three_parts", "&H39,3,1", false, 0, 0, 0, O},
        TagCase{"prompt_tag", "&H100,1", false, 0, 0, 0, O},
        TagCase{"prompt_tag_with_suffix", "&H100,1,#120#60#", false, 0, 0, 0, O},
        TagCase{"page_background", "B", false, 0, 0, 0, O},
        TagCase{"empty", "", false, 0, 0, 0, O},
        TagCase{"bare_prefix", "&H,0,1,chk", false, 0, 0, 0, O},
        TagCase{"bad_hex_digit", "&HG1,0,1,chk", false, 0, 0, 0, O},
        TagCase{"hex_above_16_bit", "&H8000,0,1,chk", false, 0, 0, 0, O},
        TagCase{"hex_all_ones", "&HFFFF,0,1,chk", false, 0, 0, 0, O},
        TagCase{"decimal_above_16_bit", "32768,0,1,chk", false, 0, 0, 0, O},
        TagCase{"huge_decimal", "99999999999999999999999,0,1,chk", false, 0, 0, 0, O},
        TagCase{"huge_hex", "&HFFFFFFFFFFFFFFFFFFFF,0,1,chk", false, 0, 0, 0, O},
        TagCase{"negative", "-1,0,1,chk", false, 0, 0, 0, O},
        TagCase{"plus_sign", "+57,0,1,chk", false, 0, 0, 0, O},
        TagCase{"space_in_address", " 57,0,1,chk", false, 0, 0, 0, O},
        TagCase{"hex_without_prefix", "7E0,0,8,chkN", false, 0, 0, 0, O},
        TagCase{"bit_above_byte", "&H39,256,1,chk", false, 0, 0, 0, O},
        TagCase{"width_above_byte", "&H39,0,1000,chk", false, 0, 0, 0, O},
        TagCase{"bit_not_a_number", "&H39,x,1,chk", false, 0, 0, 0, O},
        TagCase{"bit_in_hex", "&H39,&H3,1,chk", false, 0, 0, 0, O},
        TagCase{"empty_bit", "&H39,,1,chk", false, 0, 0, 0, O},
        TagCase{"fraction", "&H39,3.5,1,chk", false, 0, 0, 0, O},
        TagCase{"empty_width", "&H39,3,,chk", false, 0, 0, 0, O}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PromptTagGrammar, AddressAndLogoFlag) {
  const struct {
    const char* tag;
    bool parses;
    int address;
    bool logo;
  } cases[] = {
      {"&H100,1", true, 0x100, true},
      {"276,0", true, 276, false},
      {"856,0", true, 856, false},
      {"&H3B8,0", true, 0x3B8, false},
      {"&HA0,0,#120#60#1200#285#9#", true, 0xA0, false},
      {"276", false, 0, false},
      {"276,2", false, 0, false},
      {"276,", false, 0, false},
      {",0", false, 0, false},
      {"x,0", false, 0, false},
      {"B", false, 0, false},
      {"B,#1#2#", false, 0, false},
      {"&H10000,0", false, 0, false},
  };
  for (const auto& c : cases) {
    const auto tag = ParsePromptTag(c.tag);
    ASSERT_EQ(tag.has_value(), c.parses) << c.tag;
    if (!tag) continue;
    EXPECT_EQ(tag->address, c.address) << c.tag;
    EXPECT_EQ(tag->logo, c.logo) << c.tag;
  }
}

TEST(FieldKindName, RoundTripsThroughTheParser) {
  for (FieldKind k : {FieldKind::chk, FieldKind::chkN, FieldKind::chkSource, FieldKind::cbo,
                      FieldKind::cboBaud, FieldKind::Lng}) {
    const std::string tag = "&H39,0,1," + std::string(FieldKindName(k));
    ASSERT_TRUE(ParseFieldTag(tag).has_value()) << tag;
    EXPECT_EQ(ParseFieldTag(tag)->kind, k) << tag;
  }
}

// ------------------------------------------------------ bound controls

std::string TagText(const char* fmt, int value) {
  char buf[40];
  std::snprintf(buf, sizeof buf, fmt, value);
  return buf;
}

TEST(BoundControls, RowsOfTheWindow) {
  const struct {
    Ctl array;
    int index;
    const char* tag;
    const char* caption;
    const char* page;
    const char* group;
  } rows[] = {
      {Ctl::chkCtl, 29, "&H31,3,1,chkN", "Ext. Charger's Beeper", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 4, "&H36,0,1,chkN", "Frequency Modification Enable", "Alert & Status", "Manual Write"},
      {Ctl::chkCtl, 5, "&H36,1,1,chk", "Password Required Enable", "Alert & Status", "Manual Write"},
      {Ctl::chkCtl, 7, "&H36,2,1,chk", "Password Modification Enable ", "Alert & Status", "Manual Write"},
      {Ctl::chkCtl, 8, "&H36,3,1,chk", "Beep And Vibration ", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 18, "&H36,5,1,chk", "Discard Error Msg", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 19, "&H36,6,1,chk", "Air Program Enable", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 17, "&H36,7,1,chk", "Push Key Lamp On Enable", "Alert & Status", "Alerts and Status"},
      {Ctl::cboCtl, 2, "&H39,0,2,cbo", "Read Time Out", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 54, "&H39,3,1,chkN", "Duplicate Msg Detect", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 2, "&H39,4,1,chkN", "Counter Out Enable", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 20, "&H39,5,1,chk", "Direct Show Lamp On", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 6, "&H39,6,1,chk", "Lowcell Alert ON", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 0, "&H39,7,1,chk", "Disp Source Addr ON", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 1, "&H3B,2,1,chk", "Long Message Control Enable", "Alert & Status", "Alerts and Status"},
      {Ctl::cboCtl, 6, "&H3B,3,1,cbo", "Date Display Method", "Alert & Status", "Prompts"},
      {Ctl::cboCtl, 3, "&H3B,4,1,cbo", "Paging Display", "Alert & Status", "Alerts and Status"},
      {Ctl::cboCtl, 4, "&H3C,6,2,cbo", "Reminder Duration", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 16, "&H3D,4,1,chkN", "Manual Write Enable", "Alert & Status", "Manual Write"},
      {Ctl::chkCtl, 21, "&H3D,6,1,chk", "RD Key Pager Off", "Alert & Status", "Alerts and Status"},
      {Ctl::chkCtl, 3, "&H3D,7,1,chk", "RD Key Delete Enable", "Alert & Status", "Alerts and Status"},
      {Ctl::cboLogo, 0, "&H3F,0,4,Lng", "Logo Font", "Alert & Status", "Prompts"},
      {Ctl::cboCtl, 5, "&H61,2,1,cbo", "Polarity", "Alert & Status", "Alerts and Status"},
      {Ctl::cboCtl, 9, "&H61,3,2,cboBaud", "POCSAG Signal Baud Rate", "Freq. & Codes", "Frequency"},
      {Ctl::chkCtl, 15, "&H7F,0,8,chkN", "History Disable", "Alert & Status", ""},
      {Ctl::chkCtl, 11, "&H7E0,0,8,chkN", "Lock/Unlock Disable", "Alert & Status", "Menu Of Pager"},
      {Ctl::chkCtl, 12, "&H7E1,0,8,chkN", "Delete Disable", "Alert & Status", "Menu Of Pager"},
      {Ctl::chkCtl, 13, "&H7E2,0,8,chkN", "Del. All Disable", "Alert & Status", "Menu Of Pager"},
      {Ctl::chkCtl, 14, "&H7E3,0,8,chkN", "Move To Memo Disable", "Alert & Status", "Menu Of Pager"},
  };
  for (const auto& r : rows) {
    const BoundControl* c = FindBoundControl(r.array, r.index);
    ASSERT_NE(c, nullptr) << r.tag;
    EXPECT_EQ(c->tag, r.tag);
    EXPECT_EQ(c->caption, r.caption) << r.tag;
    EXPECT_EQ(c->page, r.page) << r.tag;
    EXPECT_EQ(c->group, r.group) << r.tag;
  }
  // 29 single rows, eight capcode boxes, 32 source boxes.
  EXPECT_EQ(BoundControls().size(), std::size(rows) + 8 + 32);
}

TEST(BoundControls, ListEntries) {
  using Entries = std::vector<std::string_view>;
  const struct {
    Ctl array;
    int index;
    Entries entries;
  } lists[] = {
      {Ctl::cboCtl, 2, {"8 sec", "12 sec", "20 sec", "30 sec"}},
      {Ctl::cboCtl, 6, {"dd-mm-yy", "mm-dd-yy"}},
      {Ctl::cboCtl, 3, {"Page Count", "Direct"}},
      {Ctl::cboCtl, 4, {"Disable", "2 minutes", "10 minutes", "60 minutes"}},
      {Ctl::cboCtl, 5, {"Normal", "Invert"}},
      {Ctl::cboCtl, 9, {"512 bps", "1200 bps", "2400 bps"}},
      {Ctl::cboLogo, 0, {"English(Large)", "English(Small)", "Spainish", "French", "German"}},
  };
  for (const auto& l : lists) {
    const BoundControl* c = FindBoundControl(l.array, l.index);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Entries(c->entries.begin(), c->entries.end()), l.entries) << c->name;
  }
}

TEST(BoundControls, Tooltips) {
  EXPECT_EQ(FindBoundControl(Ctl::chkCtl, 6)->tooltip,
            "The pager emits an alert when it enters a low-battery contion.");
  EXPECT_EQ(FindBoundControl(Ctl::chkCtl, 1)->tooltip, "Enable : 2000words   Disable:300 words");
  const char* ordinals[] = {"1st", "2nd", "3rd", "4th", "5th", "6th"};
  for (int i = 0; i < 8; ++i) {
    const std::string want =
        i < 6 ? "Enable or disable the " + std::string(ordinals[i]) + " Capcode( address )" : "";
    EXPECT_EQ(FindBoundControl(Ctl::chkCtl, 30 + i)->tooltip, want) << "capcode " << i + 1;
  }
  std::set<std::pair<Ctl, int>> withTips = {{Ctl::chkCtl, 6}, {Ctl::chkCtl, 1}};
  for (int i = 0; i < 6; ++i) withTips.insert({Ctl::chkCtl, 30 + i});
  for (const BoundControl& c : BoundControls())
    if (!withTips.count({c.array, c.index})) {
      EXPECT_TRUE(c.tooltip.empty()) << c.name;
    }
}

TEST(BoundControls, CapcodeBoxesFollowTheirRecords) {
  for (int i = 0; i < 8; ++i) {
    const BoundControl* c = FindBoundControl(Ctl::chkCtl, 30 + i);
    ASSERT_NE(c, nullptr) << i;
    EXPECT_EQ(c->tag, TagText("&H%X,0,1,chk", 0x40 + 4 * i));
    const auto tag = ParseFieldTag(c->tag);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->address, 0x40 + 4 * i);
    EXPECT_EQ(c->caption, "ON");
    EXPECT_EQ(c->page, kPageFreqCodes);
    EXPECT_EQ(c->group, "Capcode( Decimal Address )");
    EXPECT_EQ(c->name, "capcode" + std::to_string(i + 1) + "_on");
  }
}

TEST(BoundControls, SourceBoxesFollowTheirEnableBytes) {
  std::set<int> seen;
  for (const BoundControl& c : BoundControls()) {
    if (c.array != Ctl::chkSource) continue;
    seen.insert(c.index);
    EXPECT_EQ(c.tag, TagText("&H%X,0,8,chkSource", 0x7C0 + c.index - 33));
    const auto tag = ParseFieldTag(c.tag);
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->address, 0x7C0 + c.index - 33);
    EXPECT_EQ(tag->kind, FieldKind::chkSource);
    EXPECT_TRUE(c.caption.empty());
    EXPECT_TRUE(c.group.empty());
    EXPECT_EQ(c.page, kPageSourcePrompts);
    EXPECT_EQ(c.name, "source_prompt_" + std::to_string(c.index - 32) + "_on");
    // Each box sits beside the prompt field of the same index.
    const PromptField* field = FindPromptField(c.index);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->page, kPageSourcePrompts);
  }
  std::set<int> want;
  for (int i = 33; i <= 64; ++i) want.insert(i);
  EXPECT_EQ(seen, want);
}

TEST(BoundControls, EveryTagIsAFieldInsideOneByteOfTheImage) {
  // Bits of the image claimed by some control: two controls must never share one.
  std::map<int, int> claimed;
  for (const BoundControl& c : BoundControls()) {
    const auto tag = ParseFieldTag(c.tag);
    ASSERT_TRUE(tag) << c.name;
    EXPECT_GE(tag->address, 0) << c.name;
    EXPECT_LE(tag->address, ImageLastIndex) << c.name;
    EXPECT_GE(tag->width, 1) << c.name;
    EXPECT_LE(tag->bit + tag->width, 8) << c.name;
    const int bits = ((1 << tag->width) - 1) << tag->bit;
    EXPECT_EQ(claimed[tag->address] & bits, 0) << c.name << " overlaps another field";
    claimed[tag->address] |= bits;

    switch (c.array) {
      case Ctl::chkCtl:
        EXPECT_TRUE(tag->kind == FieldKind::chk || tag->kind == FieldKind::chkN) << c.name;
        EXPECT_TRUE(c.entries.empty()) << c.name;
        break;
      case Ctl::cboCtl:
        EXPECT_TRUE(tag->kind == FieldKind::cbo || tag->kind == FieldKind::cboBaud) << c.name;
        break;
      case Ctl::chkSource: EXPECT_EQ(tag->kind, FieldKind::chkSource) << c.name; break;
      case Ctl::cboLogo: EXPECT_EQ(tag->kind, FieldKind::Lng) << c.name; break;
      default: ADD_FAILURE() << c.name << " is not a bound control array";
    }
    if (c.array == Ctl::cboCtl || c.array == Ctl::cboLogo) {
      EXPECT_GE(c.entries.size(), 2u) << c.name;
      // Every entry index must be storable in the field.
      EXPECT_GE(1u << tag->width, c.entries.size()) << c.name;
    }
    // A check box's field is one bit, or a whole byte read as zero / non-zero.
    if (c.array == Ctl::chkCtl || c.array == Ctl::chkSource) {
      EXPECT_TRUE(tag->width == 1 || (tag->width == 8 && tag->bit == 0)) << c.name;
    }
  }
}

TEST(BoundControls, IndicesFitTheEditorsControlArrays) {
  const std::map<Ctl, size_t> sizes = {
      {Ctl::chkCtl, std::tuple_size_v<decltype(Editor::chkCtl)>},
      {Ctl::cboCtl, std::tuple_size_v<decltype(Editor::cboCtl)>},
      {Ctl::chkSource, std::tuple_size_v<decltype(Editor::chkSource)>},
      {Ctl::cboLogo, 1},
  };
  std::set<std::pair<Ctl, int>> seen;
  std::set<int> chk, cbo;
  for (const BoundControl& c : BoundControls()) {
    EXPECT_TRUE(seen.insert({c.array, c.index}).second) << c.name << " listed twice";
    ASSERT_TRUE(sizes.count(c.array)) << c.name;
    EXPECT_GE(c.index, 0) << c.name;
    EXPECT_LT(static_cast<size_t>(c.index), sizes.at(c.array)) << c.name;
    if (c.array == Ctl::chkCtl) chk.insert(c.index);
    if (c.array == Ctl::cboCtl) cbo.insert(c.index);
  }
  std::set<int> wantChk = {29, 4, 5, 7, 8, 18, 19, 17, 54, 2, 20, 6, 0, 1, 16, 21, 3, 15, 11, 12, 13, 14};
  for (int i = 30; i <= 37; ++i) wantChk.insert(i);
  EXPECT_EQ(chk, wantChk);
  EXPECT_EQ(cbo, (std::set<int>{2, 6, 3, 4, 5, 9}));
}

TEST(BoundControls, NamesAreUniqueAndFindable) {
  std::set<std::string_view> names;
  for (const BoundControl& c : BoundControls()) {
    EXPECT_FALSE(c.name.empty());
    for (char ch : c.name) EXPECT_TRUE((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_') << c.name;
    EXPECT_TRUE(names.insert(c.name).second) << c.name << " used twice";
    EXPECT_EQ(FindBoundControl(c.name), &c);
    EXPECT_EQ(FindBoundControl(c.array, c.index), &c);
  }
  EXPECT_NE(FindBoundControl("ext_charger_beeper"), nullptr);
  EXPECT_NE(FindBoundControl("read_time_out"), nullptr);
  EXPECT_EQ(FindBoundControl("no_such_setting"), nullptr);
  EXPECT_EQ(FindBoundControl(Ctl::chkCtl, 9), nullptr);
  EXPECT_EQ(FindBoundControl(Ctl::chkSource, 32), nullptr);
}

// The factory image must show in every bound list without an index the list
// lacks, and its coded bytes must name entries of their lists.
TEST(BoundControls, FactoryImageFitsEveryList) {
  const Image img = BuildDefaultImage();
  for (const BoundControl& c : BoundControls()) {
    if (c.array != Ctl::cboCtl) continue;
    const auto tag = ParseFieldTag(c.tag);
    ASSERT_TRUE(tag);
    EXPECT_LT(GetField(img, tag->address, tag->bit, tag->width), c.entries.size()) << c.name;
  }
  for (int i = 0; i < 3; ++i) EXPECT_GE(IndexOfCode(kBatteryLevels, img[kBatLevAddress + i]), 0) << i;
  EXPECT_EQ(IndexOfCode(kToneEntries, img[kToneAddress]), 4) << "Music 1";
  EXPECT_EQ(IndexOfCode(kLogoEntries, GetField(img, 0x3F, 0, 4)), 0);
  EXPECT_EQ(IndexOfCode(kLngEntries, GetField(img, 0x3E, 0, 4)), 0);
}

// ------------------------------------------------------- prompt fields

TEST(PromptFields, ElementsTagsAndAddresses) {
  std::set<int> elements;
  std::map<int, int> owner;  // image byte -> element whose slot covers it
  for (const PromptField& f : PromptFields()) {
    EXPECT_TRUE(elements.insert(f.element).second) << f.element;
    const auto tag = ParsePromptTag(f.tag);
    ASSERT_TRUE(tag) << f.tag;
    EXPECT_EQ(tag->logo, f.element == 0) << f.tag;
    int want;
    if (f.element == 0) want = 0x100;
    else if (f.element <= 30) want = 276 + 20 * (f.element - 1);
    else if (f.element == 31) want = 0x3B8;
    else if (f.element == 32) want = 0x3CC;
    else if (f.element <= 64) want = 0x540 + 20 * (f.element - 33);
    else if (f.element == 65) want = 0xA0;
    else want = 0x428;
    EXPECT_EQ(tag->address, want) << "element " << f.element;
    // Elements 1 to 30 are written in decimal, the others with "&H".
    const bool decimal = f.element >= 1 && f.element <= 30;
    EXPECT_EQ(f.tag.rfind("&H", 0) != 0, decimal) << f.tag;
    for (int a = tag->address; a < tag->address + kPromptSlotSize; ++a) {
      EXPECT_LE(a, ImageLastIndex);
      EXPECT_EQ(owner.count(a), 0u) << "elements " << owner[a] << " and " << f.element << " overlap";
      owner[a] = f.element;
    }
    EXPECT_EQ(FindPromptField(f.element), &f);
    EXPECT_EQ(FindPromptField(f.name), &f);
  }
  std::set<int> want;
  for (int e = 0; e <= 65; ++e) want.insert(e);
  want.insert(68);
  EXPECT_EQ(elements, want);
  EXPECT_EQ(FindPromptField(66), nullptr);
  EXPECT_EQ(FindPromptField(67), nullptr);
  EXPECT_EQ(PromptFields().back().element, 68);
  EXPECT_LE(want.size(), static_cast<size_t>(kPromptElementCount));
  EXPECT_EQ(FindPromptField(1)->tag, "276,0");
  EXPECT_EQ(FindPromptField(30)->tag, "856,0");
  EXPECT_EQ(FindPromptField(64)->tag, "&H7AC,0");
}

TEST(PromptFields, Captions) {
  const char* menu[] = {
      "NO PAGES ------->", "ESCAPE --------->", "MESSAGE LOCK --->", "MESSAGE UNLOCK ->",
      "DELETE --------->", "DELETE ALL ----->", "MOVE TO MEMO --->", "SET SCROLL ----->",
      "SET TIME ------->", "SET ALARM ------>", "SET ALERT ------>", "PAGER OFF ------>",
      "TONE ONLY ------> ", "SLEEP ----------> ", "SILENT --------->", "PAGER OFF ? ---->",
      "DELETE? -------->", "DELETE ALL ? --->", "TIME SET ------->", "ALARM SET ------>",
      "SCROLL SET ----->", "AUTO SLEEP SET ->", "START END ------>", "MESSAGE AREA --->",
      "MAIL DROP AREA ->", "SILENT THEN BEEP>", "ZOOM IN -------->", "ZOOM OUT ------->",
      "CHIRP ON ------->", "CHIRP OFF------->",
  };
  for (int e = 1; e <= 30; ++e) EXPECT_EQ(FindPromptField(e)->caption, menu[e - 1]) << e;
  EXPECT_EQ(FindPromptField(0)->caption, "");
  EXPECT_EQ(FindPromptField(31)->caption, "SET HISTORY----->");
  EXPECT_EQ(FindPromptField(32)->caption, "HISTORY SET----->");
  EXPECT_EQ(FindPromptField(65)->caption, "FLASH ONLY------>");
  EXPECT_EQ(FindPromptField(68)->caption, "CHARGING-------->");
  const char letters[] = "ABCD";
  for (int cap = 1; cap <= 8; ++cap)
    for (int bit = 0; bit < 4; ++bit) {
      const int element = 33 + 4 * (cap - 1) + bit;
      EXPECT_EQ(FindPromptField(element)->caption,
                "Cap#" + std::to_string(cap) + " Fun.Bit " + std::string(1, letters[bit]))
          << element;
    }
}

// ------------------------------------------------------------ list tables

TEST(ListTables, BatteryLevelsFallWithTheirCodes) {
  const struct {
    const char* text;
    int code;
  } want[] = {{"1.58V", 235}, {"1.53V", 227}, {"1.48V", 220}, {"1.43V", 213}, {"1.39V", 207},
              {"1.35V", 201}, {"1.29V", 192}, {"1.23V", 183}, {"1.19V", 177}, {"1.14V", 170},
              {"1.09V", 162}, {"1.05V", 156}, {"1.00V", 149}};
  ASSERT_EQ(kBatteryLevels.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(kBatteryLevels[i].text, want[i].text) << i;
    EXPECT_EQ(kBatteryLevels[i].code, want[i].code) << i;
    if (i > 0) {
      EXPECT_LT(kBatteryLevels[i].code, kBatteryLevels[i - 1].code) << i;
    }
  }
}

TEST(ListTables, ToneCodes) {
  const std::pair<const char*, int> want[] = {
      {"Tone 1", 1},   {"Tone 2", 2},   {"Tone 3", 3},   {"Tone 4", 4},    {"Music 1", 17},
      {"Music 2", 18}, {"Music 3", 19}, {"Music 4", 20}, {"Music 5", 21},  {"Music 6", 22},
      {"Music 7", 23}, {"Music 8", 24}, {"Vibration", 32}, {"Flash Only", 49}};
  ASSERT_EQ(kToneEntries.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(kToneEntries[i].text, want[i].first);
    EXPECT_EQ(kToneEntries[i].code, want[i].second);
    EXPECT_EQ(IndexOfCode(kToneEntries, want[i].second), static_cast<int>(i));
  }
  EXPECT_EQ(IndexOfCode(kToneEntries, 5), -1);
}

TEST(ListTables, LanguagesPickTheirOwnPromptTables) {
  const std::pair<const char*, int> want[] = {{"English", 2}, {"Spainish", 5}, {"French", 6}, {"German", 8}};
  ASSERT_EQ(kLngEntries.size(), std::size(want));
  std::set<const PromptTable*> tables;
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(kLngEntries[i].text, want[i].first);
    EXPECT_EQ(kLngEntries[i].code, want[i].second);
    tables.insert(&PromptTableForLanguage(kLngEntries[i].code));
  }
  EXPECT_EQ(tables.size(), 4u);
}

TEST(ListTables, LogoFontsAndTheirFieldSizes) {
  const struct {
    const char* text;
    int code;
    bool bold;
    int spaces, maxLength;
  } want[] = {{"English(Large)", 0, true, 17, 16},
              {"English(Small)", 2, false, 22, 21},
              {"Spainish", 5, false, 22, 21},
              {"French", 6, false, 22, 21},
              {"German", 8, false, 22, 21}};
  ASSERT_EQ(kLogoEntries.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    EXPECT_EQ(kLogoEntries[i].text, want[i].text);
    EXPECT_EQ(kLogoEntries[i].code, want[i].code);
    EXPECT_EQ(kLogoEntries[i].bold, want[i].bold);
    EXPECT_EQ(kLogoEntries[i].measureSpaces, want[i].spaces);
    EXPECT_EQ(kLogoEntries[i].maxLength, want[i].maxLength);
    // Every code must fit the four-bit field at 0x03F.
    EXPECT_LT(kLogoEntries[i].code, 16);
  }
}

TEST(ListTables, MenuCodesAndBandBounds) {
  for (size_t i = 0; i < kMenuItems.size(); ++i) EXPECT_EQ(kMenuItems[i].code, static_cast<int>(i) + 7);
  EXPECT_EQ(kMenuItems[0].text, "Zoom In/Out Off");
  EXPECT_EQ(kMenuItems[6].text, "Set Alert Off");
  // The band bounds are read from characters 1-3 and 5-7 of the entry.
  const int bounds[][2] = {{130, 180}, {130, 180}, {400, 499}, {929, 932}};
  for (size_t i = 0; i < kDftEntries.size(); ++i) {
    EXPECT_EQ(std::stoi(std::string(kDftEntries[i].substr(0, 3))), bounds[i][0]);
    EXPECT_EQ(std::stoi(std::string(kDftEntries[i].substr(4, 3))), bounds[i][1]);
  }
}

TEST(ListTables, BaudDerivedBytes) {
  const int want[3][3] = {{1, 0x01, 0}, {2, 0x41, 2}, {3, 0xF3, 1}};
  for (int s = 0; s < 3; ++s) {
    EXPECT_EQ(kBaudDerived[s].bits61, want[s][0]) << s;
    EXPECT_EQ(kBaudDerived[s].byte62, want[s][1]) << s;
    EXPECT_EQ(kBaudDerived[s].bits63, want[s][2]) << s;
  }
  // The factory image holds the 1200 bps set.
  const Image img = BuildDefaultImage();
  const int s = GetField(img, 0x61, 3, 2);
  EXPECT_EQ(GetField(img, 0x61, 0, 2), kBaudDerived[s].bits61);
  EXPECT_EQ(img[0x62], kBaudDerived[s].byte62);
  EXPECT_EQ(GetField(img, 0x63, 6, 2), kBaudDerived[s].bits63);
}

}  // namespace
}  // namespace qrt
