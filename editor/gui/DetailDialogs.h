#pragma once
// The two detail dialogs of the Freq. & Codes page as widgets: thin views
// over Form5 (function bits of one capcode) and Form6 (alert lengths of
// personal and group messages and of the 15 mail drops). Each choice the user
// makes goes to the model's handler at once, which writes the image and
// decodes the main window's status texts again; the dialog then shows the
// model's state. Constructing a dialog opens it (fills it from the image), so
// it can be grabbed for a screenshot without being shown. Each has only an
// OK button (and Form5 a close box): Return closes it as OK does, Escape as
// the close box does, and neither undoes a choice, which was stored when it
// was made.
#include <QDialog>

#include <array>
#include <functional>
#include <memory>

#include "controls/gui/PictureDialog.h"
#include "editor/DetailDialogs.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace qrt {

class CloseBox;
class Editor;
class Ncommand;

// Form5, "Capcode Function Bit Setting", for state.SelectedCapcode.
class FunctionBitDialog : public PictureDialog {
  Q_OBJECT

 public:
  // `afterChange` runs after every change the user makes, so that the main
  // window can redraw its status texts while the dialog is open.
  FunctionBitDialog(QWidget* parent, Editor& editor, std::function<void()> afterChange = {});
  ~FunctionBitDialog() override;

  Form5& model() { return *model_; }
  QComboBox* dispList(int k) const { return cboDisp_.at(k); }
  QComboBox* typeList(int k) const { return cboType_.at(k); }
  QCheckBox* priBox(int k) const { return chkPri_.at(k); }
  QLabel* capcodeLabel() const { return label3_; }
  Ncommand* okButton() const { return cmdOK_; }
  CloseBox* closeBox() const { return close_; }

  // Shows the model's state in the widgets without running any handler.
  void ShowModel();

 private:
  void AfterUserChange();

  std::unique_ptr<Form5> model_;
  std::function<void()> afterChange_;
  std::array<QComboBox*, 4> cboDisp_{};
  std::array<QComboBox*, 4> cboType_{};
  std::array<QCheckBox*, 4> chkPri_{};
  QLabel* label3_ = nullptr;
  Ncommand* cmdOK_ = nullptr;
  CloseBox* close_ = nullptr;
};

// Form6, "Personal and Mail Drop Status Control".
class AlertLengthDialog : public QDialog {
  Q_OBJECT

 public:
  AlertLengthDialog(QWidget* parent, Editor& editor, std::function<void()> afterChange = {});
  ~AlertLengthDialog() override;

  Form6& model() { return *model_; }
  QComboBox* personalList() const { return cboPersonal_; }
  QComboBox* mailList(int j) const { return cboMailAler_.at(j); }
  Ncommand* okButton() const { return cmdOK_; }

  void ShowModel();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void AfterUserChange();

  std::unique_ptr<Form6> model_;
  std::function<void()> afterChange_;
  QComboBox* cboPersonal_ = nullptr;
  std::array<QComboBox*, 15> cboMailAler_{};
  Ncommand* cmdOK_ = nullptr;
};

// Modal: return when the user has closed the dialog. Nothing is undone.
void ShowFunctionBitDialog(QWidget* parent, Editor& editor, std::function<void()> afterChange = {});
void ShowAlertLengthDialog(QWidget* parent, Editor& editor, std::function<void()> afterChange = {});

}  // namespace qrt
