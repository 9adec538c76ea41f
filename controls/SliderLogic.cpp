#include "controls/SliderLogic.h"

#include <algorithm>
#include <cmath>

#include "controls/Twips.h"

namespace qrt {

SliderLogic::SliderLogic(int32_t widthTwips, int32_t heightTwips) : width_(widthTwips), height_(heightTwips) {
  // A new instance: range, value, thumb length and colour are the member
  // defaults; orientation and border go through their setters, which lay the
  // control out.
  SetOrientation(Defaults::Orientation);
  SetBorderStyle(Defaults::BorderStyle);
  PlaceThumb();
}

int32_t SliderLogic::Value() const {
  if (!IsVertical()) return stored_;
  // Max + Min - stored lies between Min and Max; only the sum needs 64 bits.
  return static_cast<int32_t>(int64_t{max_} + min_ - stored_);
}

void SliderLogic::Mark(std::string_view key) const {
  if (onPropertyChanged) onPropertyChanged(key);
}

void SliderLogic::Repaint() const {
  if (onRepaint) onRepaint();
}

void SliderLogic::SetMin(int32_t v) {
  if (v > max_) return;
  min_ = v;
  if (stored_ < v) {
    stored_ = v;
    Mark("Value");
  }
  PlaceThumb();
  Mark("Min");
}

void SliderLogic::SetMax(int32_t v) {
  // Equal to Min is refused as well: only the Min setter can close the range.
  if (v <= min_) return;
  max_ = v;
  if (stored_ > v) {
    stored_ = v;
    Mark("Value");
  }
  PlaceThumb();
  Mark("Max");
}

int32_t SliderLogic::SetValue(int32_t v) {
  v = std::clamp(v, min_, max_);
  stored_ = v;
  PlaceThumb();
  Mark("Value");
  if (onChanged) onChanged();
  return v;
}

void SliderLogic::SetSliderWidth(int32_t v) {
  // A negative thumb length cannot be laid out; it is refused like one that
  // does not fit the groove.
  if (v < 0 || v >= Length()) return;
  sliderWidth_ = v;
  if (IsVertical()) {
    thumb_.height = v;
    thumb_.width = width_;
  } else {
    thumb_.width = v;
    thumb_.height = height_;
  }
  Repaint();
  PlaceThumb();
  Mark("SliderWidth");
}

void SliderLogic::SetSliderColor(uint32_t c) {
  sliderColor_ = c;
  Repaint();
  Mark("SliderColor");
}

void SliderLogic::SetOrientation(int32_t o) {
  orientation_ = o;
  SetSliderWidth(sliderWidth_);
  Repaint();
  Resize(width_, height_);
}

void SliderLogic::SetBorderStyle(int32_t b) {
  borderStyle_ = b;
  Repaint();
}

void SliderLogic::Resize(int32_t widthTwips, int32_t heightTwips) {
  width_ = widthTwips;
  height_ = heightTwips;
  // The groove stops a pixel short of the right and bottom edges.
  const double w = RoundHalfEven(static_cast<double>(width_) - kTwipsPerPixel);
  const double h = RoundHalfEven(static_cast<double>(height_) - kTwipsPerPixel);
  if (IsVertical()) {
    groove_ = {w / 2, kTwipsPerPixel, w / 2, h - kTwipsPerPixel};
    thumb_.left = 0;
    thumb_.width = w;
    thumb_.height = sliderWidth_;
  } else {
    groove_ = {kTwipsPerPixel, h / 2, w - kTwipsPerPixel, h / 2};
    thumb_.top = 0;
    thumb_.height = h;
    thumb_.width = sliderWidth_;
  }
  Repaint();
  PlaceThumb();
}

void SliderLogic::SetThumbPosition(double pos) {
  if (IsVertical())
    thumb_.top = pos;
  else
    thumb_.left = pos;
  Repaint();
}

void SliderLogic::PlaceThumb() {
  const int64_t span = int64_t{max_} - min_;
  if (span == 0) return;
  SetThumbPosition(Travel() / static_cast<double>(span) * static_cast<double>(int64_t{stored_} - min_));
}

void SliderLogic::MoveThumbTo(double raw) {
  const int64_t span = int64_t{max_} - min_;
  const double travel = Travel();
  // With a closed range (Min == Max) or no room for the thumb to travel the
  // scale below would divide by zero: the thumb and the value stay put and
  // nothing is raised.
  if (span == 0 || travel <= 0 || !std::isfinite(raw)) return;

  // Snap to whole pixels: round to an integer (ties to even), then truncating
  // division by 15.
  const double rounded = RoundHalfEven(raw);
  double position;
  if (rounded >= 0x1p62 || rounded <= -0x1p62) {
    position = rounded;  // far off the control; the clamps below decide
  } else {
    const int64_t whole = static_cast<int64_t>(rounded);
    position = static_cast<double>(whole / kTwipsPerPixel * kTwipsPerPixel);
  }
  if (position < 0)
    position = 0;
  else if (position > travel)
    position = RoundHalfEven(travel);
  SetThumbPosition(position);

  // The scale is held in single precision, as the value arithmetic always was.
  const float scale = static_cast<float>(travel / static_cast<double>(span));
  const double value = static_cast<double>(min_) + position / static_cast<double>(scale);
  stored_ = std::clamp(ClampedToInt32(value, min_), min_, max_);
  if (onChanged) onChanged();
}

void SliderLogic::DragThumb(int buttons, double alongThumb) {
  if (buttons != kLeftButton) return;
  MoveThumbTo(ThumbPosition() + alongThumb - sliderWidth_ / 2.0);
}

void SliderLogic::ClickControl(double alongControl) { MoveThumbTo(alongControl - sliderWidth_ / 2.0); }

void SliderLogic::KeyTo(int64_t value) {
  const int64_t read = std::clamp<int64_t>(value, min_, max_);
  if (read == Value()) return;
  stored_ = static_cast<int32_t>(IsVertical() ? int64_t{max_} + min_ - read : read);
  PlaceThumb();
  if (onChanged) onChanged();
}

bool SliderLogic::HitsThumb(double x, double y) const {
  return x >= thumb_.left && x < thumb_.left + thumb_.width && y >= thumb_.top &&
         y < thumb_.top + thumb_.height;
}

PixelRect SliderLogic::FrameRect() const {
  return {0, 0, ClampedToInt32(static_cast<double>(width_) / kTwipsPerPixel),
          ClampedToInt32(static_cast<double>(height_) / kTwipsPerPixel)};
}

PixelRect SliderLogic::ThumbRect() const {
  return {0, 0, ClampedToInt32(thumb_.width / kTwipsPerPixel), ClampedToInt32(thumb_.height / kTwipsPerPixel)};
}

}  // namespace qrt
