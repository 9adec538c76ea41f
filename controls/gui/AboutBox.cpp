#include "controls/gui/AboutBox.h"

#include <QFrame>
#include <QLabel>

#include "controls/ShellTexts.h"
#include "controls/gui/CloseBox.h"
#include "controls/gui/Ncommand.h"
#include "controls/gui/Pictures.h"

namespace qrt {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 330;
constexpr int kMargin = 24;
const QColor kText(0x12, 0x2B, 0x45);

QLabel* MakeLabel(QWidget* parent, const char* name, const std::string& text, int pixelSize, bool bold,
                  const QColor& colour, QRect geometry) {
  QLabel* l = MakePictureLabel(parent, name, text, pixelSize, bold, colour);
  l->setGeometry(geometry);
  return l;
}

QFrame* MakeLine(QWidget* parent, const char* name, int y) {
  auto* line = new QFrame(parent);
  line->setObjectName(name);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setGeometry(kMargin, y, kWidth - 2 * kMargin, 2);
  return line;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : PictureDialog(AboutPicture, parent) {
  setObjectName("frmAbout");
  setWindowTitle(QString::fromStdString(std::string(shell::kAboutHeading) + " " + shell::ProductName()));
  setFixedSize(kWidth, kHeight);
  const int wide = kWidth - 2 * kMargin;

  MakeLabel(this, "Label2_0", shell::kAboutHeading, 20, true, Qt::white, QRect(18, 9, 200, 30));
  MakeLabel(this, "lblTitle", shell::ProductName(), 19, true, kText, QRect(kMargin, 64, wide, 28));
  MakeLabel(this, "lblVersion", shell::VersionAndBuildDate(), 13, false, kText, QRect(kMargin, 94, wide, 20));
  MakeLine(this, "Line1_0", 124);
  MakeLabel(this, "Label2_1", shell::kModels, 13, false, kText, QRect(kMargin, 134, wide, 20));
  // The company line is set when the box loads, as on the splash window.
  MakeLabel(this, "lblDescription", shell::CompanyLine(), 13, true, kText, QRect(kMargin, 158, wide, 20));
  MakeLine(this, "Line1_1", 188);
  auto* contact = MakeLabel(this, "Label1", shell::ContactBlock(), 12, false, kText, QRect(kMargin, 198, wide, 60));
  contact->setWordWrap(true);
  contact->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  close1_ = new CloseBox(this);
  close1_->setObjectName("Close1");
  close1_->move(kWidth - close1_->width() - 10, 10);
  cmdOK_ = new Ncommand("OK", this);
  cmdOK_->setObjectName("cmdOK");
  cmdOK_->setGeometry(kWidth - kMargin - 90, kHeight - kMargin - 28, 90, 28);

  connect(close1_, &CloseBox::Click, this, &QDialog::accept);
  connect(cmdOK_, &Ncommand::Click, this, &QDialog::accept);
}

void ShowAboutBox(QWidget* parent) {
  AboutBox box(parent);
  box.exec();
}

}  // namespace qrt
