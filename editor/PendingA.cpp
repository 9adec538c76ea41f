// Handlers not written yet. Each definition moves to its own source file
// when it is implemented; this file disappears when it is empty.
#include "editor/Editor.h"

namespace qrt {
void Editor::init_ctl() { }
void Editor::chkCtl_Click(int index) { (void)index; }
void Editor::cboCtl_Click(int index) { (void)index; }
void Editor::chkSource_Click(int index) { (void)index; }
void Editor::read_Disp() { }
void Editor::read_Type() { }
void Editor::read_Pri() { }
void Editor::read_Alert() { }
void Editor::read_BatLev() { }
void Editor::read_SetAlarm() { }
void Editor::cboBatLev_Click(int index) { (void)index; }
void Editor::cboORC_Click() { }
void Editor::cboSLC_Click() { }
void Editor::cboSource_Click() { }
void Editor::cboTone_Click() { }
void Editor::chkMenu_Click(int index) { (void)index; }
void Editor::Slider1_Changed() { }
void Editor::optAuto1_Click() { }
void Editor::optAuto2_Click() { }
void Editor::optLeft_Click(int index) { (void)index; }
void Editor::optCenter_Click(int index) { (void)index; }
void Editor::optRight_Click(int index) { (void)index; }
void Editor::cmdAlert_Click() { }
void Editor::cmdFunc_Click(int index) { (void)index; }
void Editor::cboLng_Click() { }
void Editor::cboLogo_Click() { }
void Editor::optDefault_Click(int index) { (void)index; }
void Editor::PagerCommand(int mode) { (void)mode; }
void Editor::WriteOpt_Click() { }
void Editor::ModifyOpt_Click() { }
void Editor::InitControls() { }
}  // namespace qrt
