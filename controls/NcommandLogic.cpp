#include "controls/NcommandLogic.h"

#include <utility>

#include "controls/Twips.h"

namespace qrt {

// A new instance: white caption, black when pressed, enabled, in the
// container's font (the member initialisers hold the rest).
NcommandLogic::NcommandLogic(FontSpec ambientFont) : font_(std::move(ambientFont)) {}

void NcommandLogic::Mark(std::string_view key) const {
  if (onPropertyChanged) onPropertyChanged(key);
}

void NcommandLogic::Repaint() const {
  if (onRepaint) onRepaint();
}

double NcommandLogic::CentreOffset(double inner, double label) { return Fix((inner - label) / 2 + 0.5); }

void NcommandLogic::CentreCaption() {
  const TwipSize label = measureLabel ? measureLabel(caption_, font_) : TwipSize{};
  captionLeft_ = CentreOffset(innerWidth_, label.width);
  captionTop_ = CentreOffset(innerHeight_, label.height);
  Repaint();
}

void NcommandLogic::SetCaption(const std::string& caption) {
  caption_ = caption;
  Mark("Caption");
  CentreCaption();
}

void NcommandLogic::SetFont(const FontSpec& font) {
  font_ = font;
  Mark("Font");
  CentreCaption();
}

void NcommandLogic::SetUpColor(uint32_t color) {
  upColor_ = color;
  Mark("UpColor");
  // At once, even on a disabled button: the grey returns with the next Show
  // or Enabled change.
  captionColor_ = color;
  Repaint();
}

void NcommandLogic::SetDnColor(uint32_t color) {
  dnColor_ = color;
  Mark("DnColor");
}

void NcommandLogic::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Mark("Enabled");
  overlayEnabled_ = enabled;
  captionColor_ = enabled ? upColor_ : kDisabledColor;
  Repaint();
}

void NcommandLogic::Resize(double innerWidth, double innerHeight) {
  innerWidth_ = innerWidth;
  innerHeight_ = innerHeight;
  CentreCaption();
}

void NcommandLogic::Show() {
  CentreCaption();
  overlayEnabled_ = enabled_;
  captionColor_ = enabled_ ? upColor_ : kDisabledColor;
  Repaint();
}

void NcommandLogic::MouseDown() {
  if (!overlayEnabled_) return;
  pressed_ = true;
  captionColor_ = dnColor_;
  Repaint();
}

void NcommandLogic::MouseUp() {
  if (!overlayEnabled_) return;
  pressed_ = false;
  captionColor_ = upColor_;
  Repaint();
}

void NcommandLogic::Click() {
  if (!overlayEnabled_) return;
  if (onClick) onClick();
}

}  // namespace qrt
