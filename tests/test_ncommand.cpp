// The push button's caption placement, colours, pressed state and persisted
// properties; the close box's fixed size; the property bag they both use.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "controls/CloseBoxLogic.h"
#include "controls/NcommandLogic.h"

namespace qrt {
namespace {

struct CentreCase {
  const char* name;
  double inner, label;
  double offset;
};

void PrintTo(const CentreCase& c, std::ostream* os) { *os << c.name; }

class CaptionCentring : public ::testing::TestWithParam<CentreCase> {};

TEST_P(CaptionCentring, HalfTheDifferencePlusAHalfTruncatedTowardZero) {
  const CentreCase& c = GetParam();
  EXPECT_EQ(NcommandLogic::CentreOffset(c.inner, c.label), c.offset);
}

// A floor instead of a truncation, or a rounding without the half, shows in
// the negative rows.
INSTANTIATE_TEST_SUITE_P(
    Ncommand, CaptionCentring,
    ::testing::Values(CentreCase{"wider_caption_minus_20_6", 100, 120.6, -9},
                      CentreCase{"wider_by_one", 100, 101, 0}, CentreCase{"wider_by_two", 100, 102, 0},
                      CentreCase{"wider_by_three", 100, 103, -1}, CentreCase{"wider_by_21", 100, 121, -10},
                      CentreCase{"same_width", 500, 500, 0}, CentreCase{"odd_difference", 101, 100, 1},
                      CentreCase{"even_difference", 1000, 400, 300},
                      CentreCase{"fraction_below_half", 100.8, 100, 0},
                      CentreCase{"fraction_at_one", 102, 100, 1}),
    [](const auto& row) { return std::string(row.param.name); });

// A button with a fixed-size caption label: 10 twips per character, 195 high.
struct Button {
  Button() : b(FontSpec{"Arial", 9}) {
    b.measureLabel = [this](const std::string& caption, const FontSpec& font) {
      lastFont = font;
      return TwipSize{10.0 * static_cast<double>(caption.size()), 195};
    };
    b.onClick = [this] { ++clicks; };
    b.onPropertyChanged = [this](std::string_view key) { marks.emplace_back(key); };
  }
  NcommandLogic b;
  FontSpec lastFont;
  int clicks = 0;
  std::vector<std::string> marks;
};

TEST(Ncommand, NewInstanceDefaults) {
  Button t;
  EXPECT_EQ(t.b.Caption(), "Ncommand");
  EXPECT_EQ(t.b.UpColor(), 0xFFFFFFu);
  EXPECT_EQ(t.b.DnColor(), 0u);
  EXPECT_TRUE(t.b.Enabled());
  EXPECT_EQ(t.b.Font(), (FontSpec{"Arial", 9}));
}

TEST(Ncommand, CaptionCentredOnResizeShowAndChange) {
  Button t;
  t.b.Resize(1215, 375);
  // "Ncommand": 80 wide; (1215 - 80) / 2 + 0.5 = 568; (375 - 195) / 2 + 0.5 = 90.5.
  EXPECT_EQ(t.b.CaptionLeft(), 568);
  EXPECT_EQ(t.b.CaptionTop(), 90);
  t.b.SetCaption("OK");
  EXPECT_EQ(t.b.CaptionLeft(), 598);
  t.b.SetCaption(std::string(130, 'W'));  // 1300 wide: (1215 - 1300) / 2 + 0.5 = -42
  EXPECT_EQ(t.b.CaptionLeft(), -42);
  EXPECT_EQ(t.b.FaceSize(), (TwipSize{1215, 375}));

  // A new font is measured at once.
  t.b.SetFont(FontSpec{"Courier New", 12, true});
  EXPECT_EQ(t.lastFont, (FontSpec{"Courier New", 12, true}));
}

TEST(Ncommand, PressAndReleaseSwitchFaceAndColour) {
  Button t;
  t.b.SetUpColor(0x00FF00);
  t.b.SetDnColor(0x0000FF);
  t.b.Show();
  EXPECT_FALSE(t.b.Pressed());
  EXPECT_EQ(t.b.CaptionColor(), 0x00FF00u);
  t.b.MouseDown();
  EXPECT_TRUE(t.b.Pressed());
  EXPECT_EQ(t.b.CaptionColor(), 0x0000FFu);
  t.b.MouseUp();
  EXPECT_FALSE(t.b.Pressed());
  EXPECT_EQ(t.b.CaptionColor(), 0x00FF00u);
  t.b.Click();
  EXPECT_EQ(t.clicks, 1);
}

TEST(Ncommand, DnColorShowsOnlyOnTheNextPress) {
  Button t;
  t.b.Show();
  t.b.SetDnColor(0x123456);
  EXPECT_EQ(t.b.CaptionColor(), 0xFFFFFFu);
  t.b.MouseDown();
  EXPECT_EQ(t.b.CaptionColor(), 0x123456u);
}

TEST(Ncommand, DisabledIsGreyAndCannotBePressedOrClicked) {
  Button t;
  t.b.Show();
  t.b.SetEnabled(false);
  EXPECT_EQ(t.b.CaptionColor(), 0xC0C0C0u);
  EXPECT_FALSE(t.b.OverlayEnabled());
  t.b.MouseDown();
  EXPECT_FALSE(t.b.Pressed());
  t.b.Click();
  EXPECT_EQ(t.clicks, 0);

  // A new UpColor shows at once even while disabled ...
  t.b.SetUpColor(0x00AA00);
  EXPECT_EQ(t.b.CaptionColor(), 0x00AA00u);
  // ... until the next show puts the grey back.
  t.b.Show();
  EXPECT_EQ(t.b.CaptionColor(), 0xC0C0C0u);

  t.b.SetEnabled(true);
  EXPECT_EQ(t.b.CaptionColor(), 0x00AA00u);
  EXPECT_TRUE(t.b.OverlayEnabled());
  t.b.Click();
  EXPECT_EQ(t.clicks, 1);
}

struct SetterCase {
  const char* key;
  void (*apply)(NcommandLogic&);
};

void PrintTo(const SetterCase& c, std::ostream* os) { *os << c.key; }

class SetterMarks : public ::testing::TestWithParam<SetterCase> {};

TEST_P(SetterMarks, EachSetterMarksItsOwnKey) {
  const SetterCase& c = GetParam();
  Button t;
  c.apply(t.b);
  EXPECT_EQ(t.marks, std::vector<std::string>{c.key});
}

INSTANTIATE_TEST_SUITE_P(
    Ncommand, SetterMarks,
    ::testing::Values(SetterCase{"Caption", [](NcommandLogic& b) { b.SetCaption("OK"); }},
                      SetterCase{"Font", [](NcommandLogic& b) { b.SetFont(FontSpec{"Tahoma", 10}); }},
                      SetterCase{"UpColor", [](NcommandLogic& b) { b.SetUpColor(0x808080); }},
                      SetterCase{"DnColor", [](NcommandLogic& b) { b.SetDnColor(0xFF); }},
                      SetterCase{"Enabled", [](NcommandLogic& b) { b.SetEnabled(false); }}),
    [](const auto& row) { return std::string(row.param.key); });

TEST(CloseBox, AlwaysItsOwnSize) {
  for (auto [w, h] : {std::pair{0, 0}, std::pair{255, 270}, std::pair{1000, 50}, std::pair{-30, 9000}}) {
    const auto size = CloseBoxLogic::Resize(w, h);
    EXPECT_EQ(size.width, 255);
    EXPECT_EQ(size.height, 270);
  }
}

TEST(CloseBox, PressedWhileHeldAndClickRaised) {
  CloseBoxLogic box;
  int clicks = 0, repaints = 0;
  box.onClick = [&] { ++clicks; };
  box.onRepaint = [&] { ++repaints; };
  box.MouseDown();
  EXPECT_TRUE(box.Pressed());
  box.MouseUp();
  EXPECT_FALSE(box.Pressed());
  box.Click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(repaints, 2);
}

}  // namespace
}  // namespace qrt
