#pragma once
// frmAbout: the modal about box of the Help menu. Its close box and its "OK"
// button both close it.
#include "controls/gui/PictureDialog.h"

namespace qrt {

class CloseBox;
class Ncommand;

class AboutBox : public PictureDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);

  CloseBox* closeBox() const { return close1_; }
  Ncommand* okButton() const { return cmdOK_; }

 private:
  CloseBox* close1_ = nullptr;
  Ncommand* cmdOK_ = nullptr;
};

// Shows the about box modally over `parent` and returns when it is closed.
void ShowAboutBox(QWidget* parent);

}  // namespace qrt
