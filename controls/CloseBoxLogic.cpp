#include "controls/CloseBoxLogic.h"

namespace qrt {

void CloseBoxLogic::MouseDown() {
  pressed_ = true;
  if (onRepaint) onRepaint();
}

void CloseBoxLogic::MouseUp() {
  pressed_ = false;
  if (onRepaint) onRepaint();
}

void CloseBoxLogic::Click() {
  if (onClick) onClick();
}

}  // namespace qrt
