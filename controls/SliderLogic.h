#pragma once
// ctlEBSlider without a window: a groove with a draggable thumb, an integer
// range and a Changed event. Every length is in twips (15 to a pixel); the
// widget converts mouse positions and sizes and draws what this class holds.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "controls/Edge.h"

namespace qrt {

// Rectangle in twips; left/top may be fractional, as the container keeps them.
struct TwipRect {
  double left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TwipRect&) const = default;
};

struct TwipLine {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const TwipLine&) const = default;
};

// Rectangle in pixels for DrawEdge, right and bottom exclusive.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const PixelRect&) const = default;
};

// Mouse buttons as the container reports them: a bit mask.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;

class SliderLogic {
 public:
  struct Defaults {
    static constexpr int32_t Min = 0;
    static constexpr int32_t Max = 100;
    static constexpr int32_t Value = 50;
    static constexpr int32_t SliderWidth = 315;
    static constexpr uint32_t SliderColor = kButtonFaceColor;
    static constexpr int32_t BorderStyle = 0;
    static constexpr int32_t Orientation = 0;
  };
  static constexpr int32_t kHorizontal = 0;
  static constexpr int32_t kVertical = 1;

  // A new instance on a control of the given size (twips).
  SliderLogic(int32_t widthTwips, int32_t heightTwips);

  // Raised by the Value setter, drags and clicks; never by Min, Max or loading.
  std::function<void()> onChanged;
  // Tells the container that the persisted property under `key` changed.
  std::function<void(std::string_view key)> onPropertyChanged;
  // The thumb or the whole control needs drawing again.
  std::function<void()> onRepaint;

  // ------------------------------------------------------------ properties
  int32_t Min() const { return min_; }
  int32_t Max() const { return max_; }
  // Vertical sliders read highest at the top: Max + Min - stored value.
  int32_t Value() const;
  int32_t StoredValue() const { return stored_; }
  int32_t SliderWidth() const { return sliderWidth_; }
  uint32_t SliderColor() const { return sliderColor_; }
  int32_t BorderStyle() const { return borderStyle_; }
  int32_t Orientation() const { return orientation_; }
  bool IsVertical() const { return orientation_ == kVertical; }

  void SetMin(int32_t v);
  void SetMax(int32_t v);
  // Clamps into Min..Max and returns the value actually stored.
  int32_t SetValue(int32_t v);
  void SetSliderWidth(int32_t v);
  void SetSliderColor(uint32_t c);
  void SetOrientation(int32_t o);
  void SetBorderStyle(int32_t b);

  // ------------------------------------------------------------- lifecycle
  // The container gave the control a new size.
  void Resize(int32_t widthTwips, int32_t heightTwips);
  void PlaceThumb();

  // --------------------------------------------------------------- mouse
  // Mouse move over the thumb; `alongThumb` is the pointer's x (y when
  // vertical) within the thumb. Only the left button alone drags.
  void DragThumb(int buttons, double alongThumb);
  // Mouse down on the control outside the thumb, any button; `alongControl`
  // is the pointer's x (y) on the control. The thumb centres on the pointer.
  void ClickControl(double alongControl);
  // The keyboard: moves Value (as read, so that a vertical slider's Up means
  // higher) to `value`, kept between Min and Max, puts the thumb there and
  // raises Changed, as a click does. A key that cannot move the value (the
  // thumb already at that end) does nothing.
  void KeyTo(int64_t value);

  // True when the point (twips on the control) lies on the thumb.
  bool HitsThumb(double x, double y) const;

  // ------------------------------------------------------------- geometry
  int32_t ControlWidth() const { return width_; }
  int32_t ControlHeight() const { return height_; }
  // Length along the groove (L) and the thumb's travel (L - T).
  int32_t Length() const { return IsVertical() ? height_ : width_; }
  double Travel() const { return static_cast<double>(Length()) - sliderWidth_; }
  const TwipRect& Thumb() const { return thumb_; }
  // Thumb edge along the groove: left when horizontal, top when vertical.
  double ThumbPosition() const { return IsVertical() ? thumb_.top : thumb_.left; }
  const TwipLine& Groove() const { return groove_; }
  PixelRect FrameRect() const;  // the control's outer frame, for BorderStyle
  PixelRect ThumbRect() const;  // the thumb's own raised edge

 private:
  void SetThumbPosition(double pos);
  void MoveThumbTo(double raw);
  void Mark(std::string_view key) const;
  void Repaint() const;

  int32_t min_ = Defaults::Min;
  int32_t max_ = Defaults::Max;
  int32_t stored_ = Defaults::Value;
  int32_t sliderWidth_ = Defaults::SliderWidth;
  uint32_t sliderColor_ = Defaults::SliderColor;
  int32_t borderStyle_ = Defaults::BorderStyle;
  int32_t orientation_ = Defaults::Orientation;

  int32_t width_ = 0;
  int32_t height_ = 0;
  TwipRect thumb_;
  TwipLine groove_;
};

}  // namespace qrt
