#pragma once
// Messages on the screen: a modal message box with an OK button, or Yes and
// No, above whichever window is in front (the transfer dialog while it runs).
#include <QPointer>
#include <QWidget>

#include "base/Messages.h"

namespace qrt {

class QtMessages : public Messages {
 public:
  // `fallbackParent` is used when no window of the program is active.
  explicit QtMessages(QWidget* fallbackParent = nullptr) : fallback_(fallbackParent) {}
  void setFallbackParent(QWidget* parent) { fallback_ = parent; }

  void Show(std::string_view text, MsgIcon icon) override;
  bool AskYesNo(std::string_view text, MsgIcon icon) override;

  // The caption of every message box: the application's title.
  static QString Title();

 private:
  QWidget* Parent() const;
  QPointer<QWidget> fallback_;
};

}  // namespace qrt
