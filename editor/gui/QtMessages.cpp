#include "editor/gui/QtMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ProductInfo.h"

namespace qrt {
namespace {

QMessageBox::Icon IconOf(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

// The texts are UTF-8; the system's own messages are plain ASCII, paths may not be.
QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

QString QtMessages::Title() { return QString::fromUtf8(product::kName); }

QWidget* QtMessages::Parent() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return fallback_;
}

void QtMessages::Show(std::string_view text, MsgIcon icon) {
  QMessageBox box(IconOf(icon), Title(), Text(text), QMessageBox::Ok, Parent());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

QString QtMessages::OfferCaption(MsgOffer offer) {
  return offer == MsgOffer::PortDiagnostics ? QStringLiteral("Port &Diagnostics...") : QString();
}

void QtMessages::ShowOffering(std::string_view text, MsgIcon icon, MsgOffer offer) {
  if (offer == MsgOffer::None || !offerHandler_) return Show(text, icon);
  QMessageBox box(IconOf(icon), Title(), Text(text), QMessageBox::Ok, Parent());
  box.setTextFormat(Qt::PlainText);
  QPushButton* more = box.addButton(OfferCaption(offer), QMessageBox::ActionRole);
  more->setObjectName("cmdOffer");
  box.setDefaultButton(QMessageBox::Ok);
  box.exec();
  if (box.clickedButton() == more) offerHandler_(offer);
}

bool QtMessages::AskYesNo(std::string_view text, MsgIcon icon) {
  QMessageBox box(IconOf(icon), Title(), Text(text), QMessageBox::Yes | QMessageBox::No, Parent());
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace qrt
