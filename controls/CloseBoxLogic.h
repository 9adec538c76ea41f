#pragma once
// The close box without a window: a fixed-size picture button that raises
// Click. Whatever size its container lays it out at, it stays 255 x 270 twips.
#include <functional>

namespace qrt {

class CloseBoxLogic {
 public:
  static constexpr int kWidthTwips = 255;
  static constexpr int kHeightTwips = 270;

  std::function<void()> onClick;
  std::function<void()> onRepaint;

  // The container asked for a size; the answer is always the fixed one.
  struct Size {
    int width, height;
  };
  static Size Resize(int /*requestedWidth*/, int /*requestedHeight*/) { return {kWidthTwips, kHeightTwips}; }

  void MouseDown();
  void MouseUp();
  void Click();

  bool Pressed() const { return pressed_; }  // the pressed close symbol shows

 private:
  bool pressed_ = false;
};

}  // namespace qrt
