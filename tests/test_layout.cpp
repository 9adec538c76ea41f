// Layout suffix of the main window's controls and the proportional resize rule.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale>
#include <random>
#include <vector>

#include "editor/Layout.h"

namespace qrt::layout {
namespace {

// A locale whose decimal point is a comma, as on many technicians' machines.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

class CommaLocale {
 public:
  CommaLocale() : saved_(std::locale::global(std::locale(std::locale::classic(), new CommaPunct))) {}
  ~CommaLocale() { std::locale::global(saved_); }

 private:
  std::locale saved_;
};

TEST(LayoutNumber, RoundTripsExactly) {
  const std::vector<double> values = {0,      1,         120,     9285,      -15,     8.25,   0.1,
                                      1.0 / 3, 2.0 / 3 * 1e5, 1e-9, 123456789.125, 7.000000000000001,
                                      std::numeric_limits<double>::max(),
                                      std::numeric_limits<double>::denorm_min()};
  for (double v : values) {
    const std::string text = FormatNumber(v);
    const auto back = ParseNumber(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_EQ(*back, v) << text;
    EXPECT_EQ(text.find('#'), std::string::npos);
    EXPECT_EQ(text.find(','), std::string::npos) << "a comma would split the field tag: " << text;
  }
}

TEST(LayoutNumber, IgnoresTheUsersDecimalComma) {
  CommaLocale comma;
  EXPECT_EQ(FormatNumber(8.25), "8.25");
  EXPECT_EQ(FormatNumber(12345.5), "12345.5");
  EXPECT_EQ(ParseNumber("8.25"), 8.25);
  EXPECT_FALSE(ParseNumber("8,25").has_value());
}

TEST(LayoutNumber, RefusesWhatIsNotOneNumber) {
  for (const char* text : {"", "#", "12#", "1.5x", " 3", "abc", "nan", "inf", "--1"})
    EXPECT_FALSE(ParseNumber(text).has_value()) << '"' << text << '"';
  EXPECT_EQ(FormatNumber(-0.0), "0");
  EXPECT_EQ(FormatNumber(std::nan("")), "0");
}

struct SuffixCase {
  const char* name;
  const char* tag;
  std::optional<Geometry> box;
  std::optional<double> font;
  const char* expected;
};

class SuffixTable : public ::testing::TestWithParam<SuffixCase> {};

TEST_P(SuffixTable, AppendsAndReadsBack) {
  const SuffixCase& c = GetParam();
  const std::string tagged = AppendLayoutSuffix(c.tag, c.box, c.font);
  EXPECT_EQ(tagged, c.expected);
  EXPECT_EQ(TagWithoutSuffix(tagged), c.tag);
  const Geometry g = ParseLayoutSuffix(tagged);
  if (c.box) {
    EXPECT_EQ(g.left, c.box->left);
    EXPECT_EQ(g.top, c.box->top);
    EXPECT_EQ(g.width, c.box->width);
    EXPECT_EQ(g.height, c.box->height);
    EXPECT_EQ(g.fontSize, c.font.value_or(0));
  } else {
    // Without a position the font (if any) lands in the first number, as it
    // does for the controls of the original window that have a font but no box.
    EXPECT_EQ(g.left, c.font.value_or(0));
    EXPECT_EQ(g.top, 0);
    EXPECT_EQ(g.fontSize, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Controls, SuffixTable,
    ::testing::Values(
        SuffixCase{"check_box", "&H36,5,1,chk", Geometry{120, 315, 2175, 255}, 8.25,
                   "&H36,5,1,chk,#120#315#2175#255#8.25#"},
        SuffixCase{"prompt_field", "276,0", Geometry{1.5, 2.25, 2000, 285}, 9,
                   "276,0,#1.5#2.25#2000#285#9#"},
        SuffixCase{"untagged_label", "", Geometry{0, 0, 9600, 7005}, 8, ",#0#0#9600#7005#8#"},
        SuffixCase{"picture_without_font", "B", Geometry{120, 315, 9285, 6555}, std::nullopt,
                   "B,#120#315#9285#6555#"},
        SuffixCase{"timer", "", std::nullopt, std::nullopt, ",#"},
        SuffixCase{"font_only", "x", std::nullopt, 10, "x,#10#"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(LayoutSuffix, MissingOrBrokenNumbersReadAsZero) {
  EXPECT_EQ(ParseLayoutSuffix("&H36,5,1,chk"), Geometry{});
  EXPECT_EQ(ParseLayoutSuffix(",#"), Geometry{});
  EXPECT_EQ(ParseLayoutSuffix(",#10#20#"), (Geometry{10, 20, 0, 0, 0}));
  // The last number has no closing '#': it is missing, not 7.
  EXPECT_EQ(ParseLayoutSuffix(",#1#2#3#4#7"), (Geometry{1, 2, 3, 4, 0}));
  EXPECT_EQ(ParseLayoutSuffix(",#1#junk#3#4#8#"), (Geometry{1, 0, 3, 4, 8}));
  // Anything after the fifth number is not read.
  EXPECT_EQ(ParseLayoutSuffix(",#1#2#3#4#5#6#"), (Geometry{1, 2, 3, 4, 5}));
}

TEST(LayoutScale, DoubleWidthOneAndAHalfHeight) {
  const Geometry design{120, 315, 2175, 255, 8};
  const Ratios r = ScaleRatios(2 * 634, 1.5 * 470, 634, 470);
  EXPECT_EQ(r.x, 2);
  EXPECT_EQ(r.y, 1.5);

  EXPECT_EQ(ScaleGeometry(design, r), (Geometry{240, 472.5, 4350, 382.5, 12}));
}

TEST(LayoutScale, FontFollowsTheSmallerRatio) {
  const Geometry design{0, 0, 100, 100, 10};
  EXPECT_EQ(ScaleGeometry(design, {3, 0.5}).fontSize, 5);
  EXPECT_EQ(ScaleGeometry(design, {0.75, 4}).fontSize, 7.5);
}

TEST(LayoutScale, ShrinkingBackRestoresTheDesignExactly) {
  const std::vector<Geometry> designs = {
      {120, 60, 1530, 255, 8}, {1665, 60, 1530, 255, 8.25}, {7, 13, 1, 3, 7.5}, {120, 315, 9285, 6555, 0}};
  const int initialW = 634, initialH = 470;
  for (const Geometry& d : designs) {
    const Geometry big = ScaleGeometry(d, ScaleRatios(1268, 705, initialW, initialH));
    EXPECT_NE(big, d);
    const Geometry back = ScaleGeometry(d, ScaleRatios(initialW, initialH, initialW, initialH));
    EXPECT_EQ(back, d);
  }
}

TEST(LayoutScale, RepeatedResizesDoNotDrift) {
  // Every resize starts from the tag; the geometry the previous resize left on
  // the control plays no part. A thousand odd sizes later the design size
  // still gives the design geometry bit for bit, through the tag text.
  const Geometry design{1665, 60, 1530, 255, 8.25};
  const std::string tag = AppendLayoutSuffix("&H39,0,2,cbo", design, design.fontSize);
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> size(1, 4000);
  Geometry current{};
  for (int i = 0; i < 1000; ++i) {
    current = ScaleGeometry(ParseLayoutSuffix(tag), ScaleRatios(size(rng), size(rng), 634, 470));
  }
  EXPECT_NE(current, design);
  current = ScaleGeometry(ParseLayoutSuffix(tag), ScaleRatios(634, 470, 634, 470));
  EXPECT_EQ(current, design);
}

TEST(LayoutScale, MinimizedWindowShrinksToNothingWithoutError) {
  const Geometry design{120, 315, 9285, 6555, 8};
  const Ratios r = ScaleRatios(0, 0, 634, 470);
  const Geometry g = ScaleGeometry(design, r);
  EXPECT_EQ(g, (Geometry{0, 0, 0, 0, 0}));
  for (double v : {g.left, g.top, g.width, g.height, g.fontSize}) EXPECT_TRUE(std::isfinite(v));
  // Restored: laid out again from the design.
  EXPECT_EQ(ScaleGeometry(design, ScaleRatios(634, 470, 634, 470)), design);
}

TEST(LayoutScale, NoDivisionByAZeroInitialSize) {
  const Ratios r = ScaleRatios(500, 300, 0, 0);
  EXPECT_EQ(r.x, 1);
  EXPECT_EQ(r.y, 1);
  const Ratios negative = ScaleRatios(-10, -10, 634, 470);
  EXPECT_EQ(negative.x, 0);
  EXPECT_EQ(negative.y, 0);
}

// A list 315 high at 285, between a label above (0..240) and one below
// (from 660): half of each gap is its room, 262.5..630. The units are twips.
TEST(LayoutRoom, BetweenTheNeighboursThatShareItsWidth) {
  const std::vector<Geometry> siblings = {
      {120, 0, 2700, 240, 8},     // label above
      {120, 285, 1500, 315, 8},   // the list
      {120, 660, 2700, 225, 8},   // label below
      {1700, 270, 900, 900, 8},   // beside the list: no neighbour
      {0, 900, 200, 300, 8},      // further down, but sharing its width: not the nearest
  };
  EXPECT_EQ(VerticalRoom(siblings, 1, 6555), (Band{262.5, 630}));
  // Alone in its container: the whole height.
  EXPECT_EQ(VerticalRoom({siblings[1]}, 0, 6555), (Band{0, 6555}));
  // A sibling overlapping the control is no neighbour; a container smaller
  // than the control still leaves it its own box.
  EXPECT_EQ(VerticalRoom({siblings[1], {100, 300, 200, 20, 8}}, 0, 700), (Band{0, 700}));
  EXPECT_EQ(VerticalRoom({siblings[1]}, 0, 500), (Band{0, 600}));
  EXPECT_EQ(ScaleBand({240, 600}, {2, 0.5}), (Band{120, 300}));
}

struct FitCase {
  const char* name;
  double needed;
  Band room;
  double top, height;
};

// A list designed 315 high at 285 (its centre at 442.5), scaled to y 1 or
// beyond, then given the height its font needs.
TEST(LayoutFit, ListsTakeWhatTheirFontNeedsCentredAndInsideTheirRoom) {
  const Geometry design{120, 285, 1500, 315, 8};
  const FitCase cases[] = {
      {"design_size_is_the_design", 315, {240, 600}, 285, 315},
      {"bigger_font_capped_by_the_room", 405, {240, 600}, 240, 360},
      {"bigger_font_with_room", 405, {0, 1000}, 442.5 - 202.5, 405},
      {"smaller_font_shrinks_about_the_centre", 255, {240, 600}, 315, 255},
      {"no_room_above_pushes_down", 345, {285, 1000}, 285, 345},
      {"no_room_below_pushes_up", 345, {0, 600}, 255, 345},
      {"tight_room_gives_the_room", 400, {300, 580}, 300, 280},
      {"no_room_at_all", 300, {285, 285}, 285, 0},
  };
  for (const FitCase& c : cases) {
    const Geometry g = FitHeight(design, c.needed, c.room);
    EXPECT_DOUBLE_EQ(g.top, c.top) << c.name;
    EXPECT_DOUBLE_EQ(g.height, c.height) << c.name;
    EXPECT_EQ(g.left, design.left) << c.name;
    EXPECT_EQ(g.width, design.width) << c.name;
    EXPECT_GE(g.top, c.room.top) << c.name;
    EXPECT_LE(g.top + g.height, std::max(c.room.bottom, c.room.top)) << c.name;
  }

  // A shrunk window (0.75): the room of the list shrinks with it, the font's
  // need less so; the list fills its room and covers neither neighbour.
  const Ratios small{0.75, 0.75};
  const Geometry shrunk = FitHeight(ScaleGeometry(design, small), 315, ScaleBand({240, 600}, small));
  EXPECT_DOUBLE_EQ(shrunk.top, 180);
  EXPECT_DOUBLE_EQ(shrunk.height, 270);

  // The need follows the list's natural height from the design font on.
  EXPECT_EQ(NeededListHeight(315, 330, 330), 315);
  EXPECT_EQ(NeededListHeight(315, 330, 405), 390);
  EXPECT_EQ(NeededListHeight(315, 330, 0), 0);
}

TEST(LayoutNames, ListsAreTheCboControls) {
  EXPECT_TRUE(IsListName("cboDft"));
  EXPECT_TRUE(IsListName("cboCtl(9)"));
  EXPECT_FALSE(IsListName("chkCtl(4)"));
  EXPECT_FALSE(IsListName("txtFreq"));
  EXPECT_FALSE(IsListName("cb"));
  EXPECT_FALSE(IsListName("lblcbo"));
}

}  // namespace
}  // namespace qrt::layout
