#include "transfer/gui/TransferDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPalette>
#include <QProgressBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>

#include "controls/gui/CloseBox.h"
#include "controls/gui/Ncommand.h"
#include "controls/gui/Pictures.h"
#include "editor/Editor.h"
#include "link/Transport.h"

namespace qrt {
namespace {

// Design size in pixels (15 twips each).
constexpr int kWidth = 330;
constexpr int kHeight = 150;

QColor FromBgr(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace

TransferDialog::TransferDialog(QWidget* parent, Editor& editor, PagerTransport& link, bool runOnShow,
                               TransferObserver* observer)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      model_(editor, link),
      runOnShow_(runOnShow) {
  model_.SetObserver(observer);
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Pager Program"));
  setFixedSize(kWidth, kHeight);

  background_ = new QLabel(this);
  background_->setObjectName(QStringLiteral("BackgroundPicture"));
  background_->setScaledContents(true);

  label2_ = new QLabel(this);
  label2_->setObjectName(QStringLiteral("Label2"));
  QFont titleFont = label2_->font();
  titleFont.setBold(true);
  titleFont.setPointSize(titleFont.pointSize() + 2);
  label2_->setFont(titleFont);
  QPalette titlePalette = label2_->palette();
  titlePalette.setColor(QPalette::WindowText, Qt::white);  // on the picture's dark heading band
  label2_->setPalette(titlePalette);
  label2_->setGeometry(12, 5, 260, 22);

  auto* close = new CloseBox(this);
  close->setObjectName(QStringLiteral("Close1"));
  close->move(kWidth - close->width() - 6, 6);
  connect(close, &CloseBox::Click, this, [this] {
    model_.Close1_Click();
    CloseIfModelClosed();
  });
  close1_ = close;

  label1_ = new QLabel(this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setGeometry(12, 38, kWidth - 24, 18);

  pb1_ = new QProgressBar(this);
  pb1_->setObjectName(QStringLiteral("PB1"));
  pb1_->setTextVisible(false);
  pb1_->setMinimum(0);
  pb1_->setGeometry(12, 60, kWidth - 24, 18);
  // A style that paints the chunk in the palette's highlight colour, so that
  // the purple of reading and verifying shows on every platform.
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    fusion->setParent(pb1_);
    pb1_->setStyle(fusion);
  }

  lblAuto1_ = new QLabel(this);
  lblAuto1_->setObjectName(QStringLiteral("lblAuto1"));
  lblAuto1_->setGeometry(12, 86, 200, 18);
  lblAuto2_ = new QLabel(this);
  lblAuto2_->setObjectName(QStringLiteral("lblAuto2"));
  lblAuto2_->setGeometry(12, 106, 200, 18);

  auto* write = new Ncommand(QStringLiteral("Write"), this);
  write->setObjectName(QStringLiteral("cmdWrite"));
  write->setGeometry(kWidth - 12 - 90, 86, 90, 24);
  connect(write, &Ncommand::Click, this, [this] {
    model_.cmdWrite_Click();
    CloseIfModelClosed();
  });
  cmdWrite_ = write;

  auto* exit = new Ncommand(QStringLiteral("Exit"), this);
  exit->setObjectName(QStringLiteral("cmdExit"));
  exit->setGeometry(kWidth - 12 - 90, 116, 90, 24);
  connect(exit, &Ncommand::Click, this, [this] {
    model_.cmdExit_Click();
    CloseIfModelClosed();
  });
  cmdExit_ = exit;

  model_.SetView(this);
  Refresh();
}

TransferDialog::~TransferDialog() { model_.SetView(nullptr); }

void TransferDialog::Refresh() {
  const Form2State& s = model_.state;
  label2_->setText(QString::fromStdString(s.Label2));
  label1_->setText(QString::fromStdString(s.Label1));

  pb1_->setMaximum(std::max(1, s.PB1.Max));
  // The read ends at 2031 against a maximum of 2015: the bar only shows full.
  pb1_->setValue(std::clamp(s.PB1.Value, 0, pb1_->maximum()));
  QPalette palette = pb1_->palette();
  palette.setColor(QPalette::Highlight, s.PB1.SystemHighlight
                                            ? QApplication::palette().color(QPalette::Highlight)
                                            : FromBgr(s.PB1.Color));
  pb1_->setPalette(palette);

  lblAuto1_->setText(QString::fromStdString(s.lblAuto1.text));
  lblAuto1_->setVisible(s.lblAuto1.visible);
  lblAuto2_->setText(QString::fromStdString(s.lblAuto2.text));
  lblAuto2_->setVisible(s.lblAuto2.visible);
  auto showButton = [](QWidget* widget, const ControlState& state) {
    auto* button = static_cast<Ncommand*>(widget);
    button->setVisible(state.visible);
    button->setEnabled(state.enabled);        // no mouse while disabled
    button->setButtonEnabled(state.enabled);  // grey caption
  };
  showButton(cmdWrite_, s.cmdWrite);
  showButton(cmdExit_, s.cmdExit);
}

void TransferDialog::Form2Changed() {
  Refresh();
  if (isVisible()) {
    // Paint now: the transfer holds the event loop between its progress steps.
    label1_->repaint();
    pb1_->repaint();
  }
}

void TransferDialog::DoEvents() { QCoreApplication::processEvents(); }

void TransferDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (parentWidget()) {
    const QRect p = parentWidget()->window()->geometry();
    move(p.center() - rect().center());
  }
  if (runOnShow_ && !activated_) {
    activated_ = true;
    QTimer::singleShot(0, this, &TransferDialog::Activate);
  }
}

void TransferDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  background_->setGeometry(0, 0, width(), height());
  background_->setPixmap(DialogPicture(size(), devicePixelRatioF()));
  background_->lower();
}

void TransferDialog::Activate() {
  model_.Form_Activate();
  CloseIfModelClosed();
}

void TransferDialog::CloseIfModelClosed() {
  if (model_.state.closed && isVisible()) done(QDialog::Accepted);
}

void TransferDialog::closeEvent(QCloseEvent* event) {
  if (!model_.state.closed) model_.Close1_Click();
  if (model_.state.closed) {
    event->accept();
  } else {
    event->ignore();  // a transfer is running; it closes the dialog when it ends
  }
}

void TransferDialog::reject() {
  if (!model_.state.closed) model_.Close1_Click();
  if (model_.state.closed) QDialog::reject();
}

TransferResult RunTransferDialog(QWidget* parent, Editor& editor, PagerTransport& link, TransferObserver* observer,
                                 const StopRequest* stop) {
  TransferDialog dialog(parent, editor, link, true, observer);
  dialog.model().SetStopRequest(stop);
  dialog.exec();
  return dialog.model().result();
}

}  // namespace qrt
