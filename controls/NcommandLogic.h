#pragma once
// Ncommand without a window: the system's picture push button with a centred
// caption. It keeps which face shows (raised or pressed), where the caption
// sits and in which colour, and its properties. The widget measures
// the caption, draws the face and forwards the mouse.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qrt {

// A caption font. Sizes are in points.
struct FontSpec {
  std::string name = "MS Sans Serif";
  double size = 8.25;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  bool operator==(const FontSpec&) const = default;
};

struct TwipSize {
  double width = 0, height = 0;
  bool operator==(const TwipSize&) const = default;
};

class NcommandLogic {
 public:
  static constexpr uint32_t kDefaultUpColor = 0xFFFFFF;  // white
  static constexpr uint32_t kDefaultDnColor = 0x000000;  // black
  static constexpr uint32_t kDisabledColor = 0xC0C0C0;   // light grey, fixed
  static constexpr const char* kDefaultCaption = "Ncommand";

  // A new instance in a container whose ambient font is `ambientFont`.
  explicit NcommandLogic(FontSpec ambientFont = {});

  std::function<void()> onClick;
  std::function<void(std::string_view key)> onPropertyChanged;
  std::function<void()> onRepaint;
  // Size of the caption label (twips) for a text in a font; the widget
  // supplies its font metrics. Without it the label counts as empty.
  std::function<TwipSize(const std::string& caption, const FontSpec& font)> measureLabel;

  // ------------------------------------------------------------ properties
  const std::string& Caption() const { return caption_; }
  const FontSpec& Font() const { return font_; }
  uint32_t UpColor() const { return upColor_; }
  uint32_t DnColor() const { return dnColor_; }
  bool Enabled() const { return enabled_; }

  void SetCaption(const std::string& caption);
  void SetFont(const FontSpec& font);
  void SetUpColor(uint32_t color);
  void SetDnColor(uint32_t color);
  void SetEnabled(bool enabled);

  // ------------------------------------------------------------- lifecycle
  void Resize(double innerWidth, double innerHeight);
  void Show();

  // ----------------------------------------------------- mouse on the overlay
  // Ignored while the overlay is disabled: a disabled button cannot be pressed.
  void MouseDown();
  void MouseUp();
  void Click();

  // --------------------------------------------------------------- view
  bool Pressed() const { return pressed_; }          // the pressed face shows
  uint32_t CaptionColor() const { return captionColor_; }
  bool OverlayEnabled() const { return overlayEnabled_; }
  double CaptionLeft() const { return captionLeft_; }
  double CaptionTop() const { return captionTop_; }
  TwipSize FaceSize() const { return {innerWidth_, innerHeight_}; }

  // Fix((inner - label) / 2 + 0.5): a caption wider than the button gets a
  // negative offset, truncated toward zero.
  static double CentreOffset(double inner, double label);

 private:
  void CentreCaption();
  void Mark(std::string_view key) const;
  void Repaint() const;

  std::string caption_ = kDefaultCaption;
  FontSpec font_;
  uint32_t upColor_ = kDefaultUpColor;
  uint32_t dnColor_ = kDefaultDnColor;
  bool enabled_ = true;

  bool pressed_ = false;
  uint32_t captionColor_ = kDefaultUpColor;
  bool overlayEnabled_ = true;
  double innerWidth_ = 0, innerHeight_ = 0;
  double captionLeft_ = 0, captionTop_ = 0;
};

}  // namespace qrt
