#pragma once
// Messages on the screen: a modal message box with an OK button, or Yes and
// No, above whichever window is in front (the transfer dialog while it runs).
#include <QPointer>
#include <QWidget>

#include <functional>

#include "base/Messages.h"

namespace qrt {

class QtMessages : public Messages {
 public:
  // `fallbackParent` is used when no window of the program is active.
  explicit QtMessages(QWidget* fallbackParent = nullptr) : fallback_(fallbackParent) {}
  void setFallbackParent(QWidget* parent) { fallback_ = parent; }

  void Show(std::string_view text, MsgIcon icon) override;
  bool AskYesNo(std::string_view text, MsgIcon icon) override;
  // The box gets a button for the offer when a handler takes it ("Port
  // Diagnostics..."); the handler runs after the box has closed.
  void ShowOffering(std::string_view text, MsgIcon icon, MsgOffer offer) override;
  void setOfferHandler(std::function<void(MsgOffer)> handler) { offerHandler_ = std::move(handler); }

  // The caption of an offer's button.
  static QString OfferCaption(MsgOffer offer);

  // The caption of every message box: the application's title.
  static QString Title();

 private:
  QWidget* Parent() const;
  QPointer<QWidget> fallback_;
  std::function<void(MsgOffer)> offerHandler_;
};

}  // namespace qrt
