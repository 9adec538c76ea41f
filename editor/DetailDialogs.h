#pragma once
// The two detail dialogs of the Freq. & Codes page without any widget:
// Form5 edits the display type, message type and priority alert of the four
// function bits of one capcode; Form6 edits the alert lengths of personal and
// group messages and of the 15 mail drops. Every change lands in the image at
// once and the main window's status texts are decoded again, so they follow
// while the dialog is open. Closing a dialog undoes nothing.
//
// A byte that no entry of a list stands for (a display byte above 5, a type
// byte from 17 to 254, an alert code outside the table) opens the dialog with
// that list left without a selection, and nothing is written for it.
#include <array>
#include <string>
#include <string_view>

#include "editor/Controls.h"

namespace qrt {

class Editor;

inline constexpr std::array<std::string_view, 4> kFunBitCaptions = {"Fun. Bit A", "Fun. Bit B", "Fun. Bit C",
                                                                     "Fun. Bit D"};

// Function bit dialog for the capcode state.SelectedCapcode.
class Form5 {
 public:
  explicit Form5(Editor& editor);

  std::array<ListState, 4> cboDisp;    // "STD Numeric" ... "Disable"
  std::array<ListState, 4> cboType;    // "Personal", "Mail Drop 1" ... "Mail Drop F", "Group"
  std::array<CheckBoxState, 4> chkPri;
  LabelState Label3;                   // "#1" ... "#8"
  bool loading = false;                // true while Open() fills the lists

  // Fills the dialog from the image for the selected capcode. Writes back only
  // the values it read.
  void Open();

  // User changes: set the control and run its handler. SelectDisp/SelectType
  // throw std::out_of_range for an entry the list lacks (-1 clears the
  // selection and stores nothing); SetPri takes 0 or 1.
  void SelectDisp(int k, int index);
  void SelectType(int k, int index);
  void SetPri(int k, int value);

  void cboDisp_Click(int k);
  void cboType_Click(int k);
  void chkPri_Click(int k);

  int Capcode() const;  // 0..7, or -1 when the selection names no capcode

 private:
  Editor& editor_;
};

// Alert length dialog, "Personal and Mail Drop Status Control".
class Form6 {
 public:
  explicit Form6(Editor& editor);

  ListState cboPersonal;                 // "2 sec", "8 sec", "16 sec", "32 sec", "continuos"
  std::array<ListState, 15> cboMailAler;  // "Disable", "Beep", "1 sec", "16 sec"
  std::array<std::string, 15> mailLabels;  // "Mail Drop 1" ... "Mail Drop F"

  void Open();

  void SelectPersonal(int index);
  void SelectMail(int j, int index);

  void cboPersonal_Click();
  void cboMailAler_Click(int j);

 private:
  Editor& editor_;
};

}  // namespace qrt
