// The slider's arithmetic in twips: placing and snapping the thumb, the value
// it gives, the setters' rules, Changed and the drawn edges.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "controls/Edge.h"
#include "controls/SliderLogic.h"

namespace qrt {
namespace {

// A slider that records what it raises.
struct Probe {
  explicit Probe(int32_t width = 1500, int32_t height = 300) : s(width, height) {
    s.onChanged = [this] { ++changed; };
    s.onPropertyChanged = [this](std::string_view key) { marks.emplace_back(key); };
  }
  void Reset() {
    changed = 0;
    marks.clear();
  }
  SliderLogic s;
  int changed = 0;
  std::vector<std::string> marks;
};

// The contrast slider of the main window: 1..8, thumb 150 twips, 1500 wide.
Probe ContrastSlider() {
  Probe p(1500, 300);
  p.s.SetSliderWidth(150);
  p.s.SetMax(8);
  p.s.SetMin(1);
  p.s.SetValue(4);
  p.Reset();
  return p;
}

TEST(SliderGeometry, ContrastSliderTravelAndPlacement) {
  Probe p = ContrastSlider();
  EXPECT_EQ(p.s.Length(), 1500);
  EXPECT_DOUBLE_EQ(p.s.Travel(), 1350.0);
  // Value 4 of 1..8 puts the thumb three sevenths along the travel.
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 1350.0 / 7 * 3);
  EXPECT_EQ(p.s.Thumb().width, 150);
  p.s.SetValue(8);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 1350.0);
  p.s.SetValue(1);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 0.0);
}

struct ClickCase {
  const char* name;
  double x;         // pointer on the control, twips
  double position;  // thumb edge after snapping and clamping
  int value;
};

void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }

class ContrastClick : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ContrastClick, SnapsClampsAndConverts) {
  const ClickCase& c = GetParam();
  Probe p = ContrastSlider();
  p.s.ClickControl(c.x);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), c.position);
  EXPECT_EQ(p.s.Value(), c.value);
  EXPECT_EQ(p.changed, 1);
  EXPECT_TRUE(p.marks.empty()) << "a click is not a property change";
}

// Raw position = x - 75. Snapping rounds ties to even before the truncating
// division by 15, so raw 44.5 lands on 30 and raw 29.5 on 30 as well.
INSTANTIATE_TEST_SUITE_P(
    Slider, ContrastClick,
    ::testing::Values(ClickCase{"example_772", 772, 690, 5},
                      ClickCase{"thumb_at_675_reads_4", 750, 675, 4},
                      ClickCase{"left_of_the_groove", 0, 0, 1},
                      ClickCase{"raw_just_below_a_pixel", 89, 0, 1},
                      ClickCase{"raw_tie_44_5_rounds_down_to_even", 119.5, 30, 1},
                      ClickCase{"raw_tie_29_5_rounds_up_to_even", 104.5, 30, 1},
                      ClickCase{"raw_tie_14_5_stays_in_pixel_0", 89.5, 0, 1},
                      ClickCase{"right_end", 1425, 1350, 8},
                      ClickCase{"past_the_right_end", 1499, 1350, 8},
                      ClickCase{"far_past_the_right_end", 1e12, 1350, 8},
                      ClickCase{"far_left", -1e12, 0, 1}),
    [](const auto& row) { return std::string(row.param.name); });

struct ValueCase {
  const char* name;
  int32_t width, max;
  double x;
  int value;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class ValueRounding : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueRounding, HalvesGoToEvenWithTheSingleScale) {
  const ValueCase& c = GetParam();
  Probe p(c.width, 300);
  p.s.SetSliderWidth(150);
  p.s.SetMax(c.max);
  p.s.SetMin(0);
  p.s.ClickControl(c.x);
  EXPECT_EQ(p.s.Value(), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Slider, ValueRounding,
    ::testing::Values(
        // 0..4 over a travel of 1200: the scale 300 is exact, the halves are real.
        ValueCase{"exact_0_5_to_0", 1350, 4, 225, 0}, ValueCase{"exact_1_5_to_2", 1350, 4, 525, 2},
        ValueCase{"exact_2_5_to_2", 1350, 4, 825, 2}, ValueCase{"exact_3_5_to_4", 1350, 4, 1125, 4},
        // 0..7 over 1350: 675 / (1350/7) is 3.5 exactly in double precision but
        // 3.4999999... with the single-precision scale, which gives 3.
        ValueCase{"single_scale_below_half", 1500, 7, 750, 3},
        // 0..7 over 330 (thumb 150 on 480): 165 over the single scale is just
        // above 3.5, over a double scale just below.
        ValueCase{"single_scale_above_half", 480, 7, 240, 4}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SliderDrag, OnlyTheLeftButtonAloneDragsAndTheEndsHold) {
  Probe p = ContrastSlider();
  const double start = p.s.ThumbPosition();
  for (int buttons : {0, kRightButton, kMiddleButton, kLeftButton | kRightButton}) {
    p.s.DragThumb(buttons, 5000);
    EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), start) << "buttons " << buttons;
  }
  EXPECT_EQ(p.changed, 0);

  p.s.DragThumb(kLeftButton, 5000);  // far past the right end
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 1350.0);
  EXPECT_EQ(p.s.Value(), 8);
  p.s.DragThumb(kLeftButton, -5000);  // far past the left end
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 0.0);
  EXPECT_EQ(p.s.Value(), 1);
  EXPECT_EQ(p.changed, 2);
}

TEST(SliderDrag, PointerWithinTheThumbIsRelativeToItsEdge) {
  Probe p = ContrastSlider();
  p.s.ClickControl(75 + 300);  // thumb edge at 300
  ASSERT_DOUBLE_EQ(p.s.ThumbPosition(), 300.0);
  // Grabbing the thumb at its centre and moving by 400 twips moves it by 390
  // once snapped: raw 300 + 475 - 75 = 700 -> 690.
  p.s.DragThumb(kLeftButton, 475);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 690.0);
  EXPECT_EQ(p.s.Value(), 5);
  // Holding still at the centre keeps it where it is.
  p.s.DragThumb(kLeftButton, 75);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 690.0);
}

TEST(SliderValue, SetterClampsAndRaisesChangedOnce) {
  Probe p;  // 0..100
  EXPECT_EQ(p.s.SetValue(200), 100);
  EXPECT_EQ(p.s.Value(), 100);
  EXPECT_EQ(p.changed, 1);
  EXPECT_EQ(p.marks, std::vector<std::string>{"Value"});
  EXPECT_EQ(p.s.SetValue(-7), 0);
  EXPECT_EQ(p.s.Value(), 0);
  EXPECT_EQ(p.changed, 2);
  // Setting the value it already has still raises Changed.
  p.s.SetValue(0);
  EXPECT_EQ(p.changed, 3);
}

// Keys move the value a step or to an end, place the thumb where the value
// says and raise Changed once per move; a key at the end does nothing.
TEST(SliderValue, KeysMoveTheValueAndRaiseChangedLikeAClick) {
  Probe p = ContrastSlider();
  p.s.KeyTo(5);
  EXPECT_EQ(p.s.Value(), 5);
  EXPECT_EQ(p.changed, 1);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 1350.0 / 7 * 4);
  EXPECT_TRUE(p.marks.empty()) << "as with the mouse, no persisted property changes";
  p.s.KeyTo(99);
  EXPECT_EQ(p.s.Value(), 8);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 1350);
  EXPECT_EQ(p.changed, 2);
  p.s.KeyTo(9);
  EXPECT_EQ(p.changed, 2) << "already at the end";
  p.s.KeyTo(-5);
  EXPECT_EQ(p.s.Value(), 1);
  EXPECT_EQ(p.s.ThumbPosition(), 0);
  EXPECT_EQ(p.changed, 3);

  // Vertical: the value as read goes up, the thumb towards the top.
  Probe v(300, 1500);
  v.s.SetOrientation(SliderLogic::kVertical);
  v.s.SetValue(30);  // stored: reads 70
  v.Reset();
  v.s.KeyTo(v.s.Value() + 1);
  EXPECT_EQ(v.s.Value(), 71);
  EXPECT_EQ(v.s.StoredValue(), 29);
  EXPECT_EQ(v.changed, 1);
}

TEST(SliderRange, MaxMustExceedMinAndMinMayReachMax) {
  Probe p;  // 0..100, value 50
  p.s.SetMax(0);  // equal to Min
  p.s.SetMax(-5);
  EXPECT_EQ(p.s.Max(), 100);
  p.s.SetMin(101);
  EXPECT_EQ(p.s.Min(), 0);
  EXPECT_TRUE(p.marks.empty());

  p.s.SetMin(100);  // equal to Max: accepted, and the value follows it up
  EXPECT_EQ(p.s.Min(), 100);
  EXPECT_EQ(p.s.Value(), 100);
  EXPECT_EQ(p.marks, (std::vector<std::string>{"Value", "Min"}));
  EXPECT_EQ(p.changed, 0) << "Min and Max never raise Changed";
}

TEST(SliderRange, MaxBelowTheValuePullsItDownWithoutChanged) {
  Probe p;
  p.s.SetValue(90);
  p.Reset();
  p.s.SetMax(60);
  EXPECT_EQ(p.s.Value(), 60);
  EXPECT_EQ(p.marks, (std::vector<std::string>{"Value", "Max"}));
  p.Reset();
  p.s.SetMax(80);  // raising it again leaves the value alone
  EXPECT_EQ(p.s.Value(), 60);
  EXPECT_EQ(p.marks, std::vector<std::string>{"Max"});
  EXPECT_EQ(p.changed, 0);
}

TEST(SliderRange, ClosedRangeLeavesThumbAndValueAloneOnMouse) {
  Probe p(1500, 300);
  p.s.SetSliderWidth(150);
  p.s.SetValue(30);
  p.s.SetMin(40);
  p.s.SetMax(41);
  p.s.SetValue(41);
  p.s.SetMin(41);  // Min == Max: the scale would divide by zero
  p.Reset();
  const double thumb = p.s.ThumbPosition();
  p.s.ClickControl(200);
  p.s.DragThumb(kLeftButton, 900);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), thumb);
  EXPECT_EQ(p.s.Value(), 41);
  EXPECT_EQ(p.changed, 0);
  // The Value setter still works and still raises Changed.
  EXPECT_EQ(p.s.SetValue(7), 41);
  EXPECT_EQ(p.changed, 1);
}

TEST(SliderRange, NoTravelLeftIgnoresTheMouse) {
  Probe p(1500, 300);
  p.s.SetSliderWidth(150);
  p.s.Resize(150, 300);  // the container shrank it to the thumb's length
  p.Reset();
  p.s.ClickControl(100);
  p.s.DragThumb(kLeftButton, 10);
  EXPECT_EQ(p.changed, 0);
  EXPECT_EQ(p.s.Value(), 50);
}

TEST(SliderRange, ExtremeRangeStaysInsideIt) {
  Probe p(1500, 300);
  p.s.SetMin(INT32_MIN);
  p.s.SetMax(INT32_MAX);
  p.s.ClickControl(1e9);
  EXPECT_EQ(p.s.Value(), INT32_MAX);
  p.s.ClickControl(-1e9);
  EXPECT_EQ(p.s.Value(), INT32_MIN);
  p.s.SetOrientation(SliderLogic::kVertical);
  EXPECT_EQ(p.s.Value(), INT32_MAX);  // Max + Min - Min
}

TEST(SliderVertical, ReadsHighestAtTheTop) {
  Probe p(300, 1500);
  p.s.SetOrientation(SliderLogic::kVertical);
  p.s.SetValue(30);
  EXPECT_EQ(p.s.StoredValue(), 30);
  EXPECT_EQ(p.s.Value(), 70);
  EXPECT_EQ(p.s.Length(), 1500);

  // The thumb travels down the control; a click near the top gives a high reading.
  p.s.SetSliderWidth(150);
  p.s.ClickControl(75);
  EXPECT_DOUBLE_EQ(p.s.Thumb().top, 0.0);
  EXPECT_EQ(p.s.Thumb().left, 0);
  EXPECT_EQ(p.s.Value(), 100);
  p.s.ClickControl(1500);
  EXPECT_DOUBLE_EQ(p.s.Thumb().top, 1350.0);
  EXPECT_EQ(p.s.Value(), 0);
}

struct WidthCase {
  const char* name;
  int32_t orientation;
  int32_t request;
  int32_t expected;
};

void PrintTo(const WidthCase& c, std::ostream* os) { *os << c.name; }

class SliderWidthRule : public ::testing::TestWithParam<WidthCase> {};

TEST_P(SliderWidthRule, AcceptedOnlyBelowTheGrooveLength) {
  const WidthCase& c = GetParam();
  Probe p(1500, 600);
  p.s.SetOrientation(c.orientation);
  p.s.SetSliderWidth(300);
  p.Reset();
  p.s.SetSliderWidth(c.request);
  EXPECT_EQ(p.s.SliderWidth(), c.expected);
  const double along = c.orientation == SliderLogic::kVertical ? p.s.Thumb().height : p.s.Thumb().width;
  EXPECT_EQ(along, c.expected);
  EXPECT_EQ(p.marks.size(), c.request == c.expected ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Slider, SliderWidthRule,
    ::testing::Values(WidthCase{"horizontal_fits", 0, 1499, 1499}, WidthCase{"horizontal_equal", 0, 1500, 300},
                      WidthCase{"horizontal_larger", 0, 4000, 300},
                      WidthCase{"vertical_measures_height", 1, 599, 599},
                      WidthCase{"vertical_equal_height", 1, 600, 300},
                      WidthCase{"vertical_ignores_width", 1, 1000, 300},
                      WidthCase{"negative", 0, -15, 300}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SliderLayout, GrooveAndThumbFollowTheSize) {
  Probe p(1500, 300);
  p.s.SetSliderWidth(150);
  // w and h stop one pixel short of the edges.
  EXPECT_EQ(p.s.Groove(), (TwipLine{15, 142.5, 1470, 142.5}));
  EXPECT_EQ(p.s.Thumb().top, 0);
  // The width setter makes the thumb as high as the control; a resize then
  // makes it a pixel shorter, like the groove.
  EXPECT_EQ(p.s.Thumb().height, 300);
  p.s.Resize(1500, 300);
  EXPECT_EQ(p.s.Thumb().height, 285);
  p.s.Resize(3000, 450);
  EXPECT_EQ(p.s.Groove(), (TwipLine{15, 217.5, 2970, 217.5}));
  EXPECT_EQ(p.s.Thumb().height, 435);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 2850.0 / 100 * 50);

  p.s.SetOrientation(SliderLogic::kVertical);  // 3000 x 450: thumb 150 still fits
  EXPECT_EQ(p.s.Groove(), (TwipLine{1492.5, 15, 1492.5, 420}));
  EXPECT_EQ(p.s.Thumb().left, 0);
  EXPECT_EQ(p.s.Thumb().width, 2985);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), 300.0 / 100 * 50);

  EXPECT_EQ(p.s.FrameRect(), (PixelRect{0, 0, 200, 30}));
  EXPECT_EQ(p.s.ThumbRect(), (PixelRect{0, 0, 199, 10}));
}

TEST(SliderLayout, HitTestCoversTheThumbOnly) {
  Probe p = ContrastSlider();
  p.s.ClickControl(375);  // thumb at 300..450
  EXPECT_TRUE(p.s.HitsThumb(300, 10));
  EXPECT_TRUE(p.s.HitsThumb(449, 10));
  EXPECT_FALSE(p.s.HitsThumb(450, 10));
  EXPECT_FALSE(p.s.HitsThumb(299, 10));
}


TEST(SliderPersistence, NewInstanceDefaults) {
  Probe p(3000, 300);
  EXPECT_EQ(p.s.Min(), 0);
  EXPECT_EQ(p.s.Max(), 100);
  EXPECT_EQ(p.s.Value(), 50);
  EXPECT_EQ(p.s.SliderWidth(), 315);
  EXPECT_EQ(p.s.SliderColor(), 0x8000000Fu);
  EXPECT_EQ(p.s.Orientation(), 0);
  EXPECT_EQ(p.s.BorderStyle(), 0);
  EXPECT_DOUBLE_EQ(p.s.ThumbPosition(), (3000.0 - 315) / 2);
}

// Draws the strokes into a character grid: H highlight, L light, s shadow,
// D dark shadow, '.' untouched.
std::vector<std::string> Raster(int edge, int flags, int w, int h) {
  std::vector<std::string> grid(h, std::string(w, '.'));
  for (const EdgeStroke& st : EdgeStrokes(edge, flags, 0, 0, w, h)) {
    const char c = st.shade == EdgeShade::Highlight ? 'H'
                   : st.shade == EdgeShade::Light   ? 'L'
                   : st.shade == EdgeShade::Shadow  ? 's'
                                                    : 'D';
    for (int y = st.y1; y <= st.y2; ++y)
      for (int x = st.x1; x <= st.x2; ++x) grid.at(y).at(x) = c;
  }
  return grid;
}

struct EdgeCase {
  const char* name;
  int edge, flags, w, h;
  std::vector<std::string> picture;
};

void PrintTo(const EdgeCase& c, std::ostream* os) { *os << c.name; }

class EdgeDrawing : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(EdgeDrawing, MatchesThePicture) {
  const EdgeCase& c = GetParam();
  EXPECT_EQ(Raster(c.edge, c.flags, c.w, c.h), c.picture);
}

INSTANTIATE_TEST_SUITE_P(
    Slider, EdgeDrawing,
    ::testing::Values(EdgeCase{"thumb_raised_inner", BDR_RAISEDINNER, BF_RECT, 4, 3, {"HHHs", "H..s", "ssss"}},
                      EdgeCase{"sunken_frame", EDGE_SUNKEN, BF_RECT, 5, 4, {"ssssH", "sDDLH", "sLLLH", "HHHHH"}},
                      EdgeCase{"raised_frame", EDGE_RAISED, BF_RECT, 5, 4, {"LLLLD", "LHHsD", "LsssD", "DDDDD"}},
                      EdgeCase{"no_frame", 0, BF_RECT, 3, 2, {"...", "..."}},
                      EdgeCase{"top_and_bottom_only", BDR_SUNKENOUTER, BF_TOP | BF_BOTTOM, 3, 3, {"ss.", "...", "HHH"}},
                      EdgeCase{"one_pixel", BDR_RAISEDINNER, BF_RECT, 1, 1, {"s"}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SliderColours, SystemAndPlainColours) {
  EXPECT_EQ(SystemColorIndex(0x8000000F), 15);
  EXPECT_FALSE(SystemColorIndex(0x00C0C0C0).has_value());
  EXPECT_EQ(PlainColor(0x00336699), (Rgb{0x99, 0x66, 0x33}));
  EXPECT_FALSE(PlainColor(0x8000000F).has_value());
}

}  // namespace
}  // namespace qrt
