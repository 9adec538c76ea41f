#pragma once
// The configuration editor (the main window's logic) without any widget: the
// state of every control, the binder, the decoders and every handler. The Qt
// main window and the CLI drive this class; tests drive it directly.
//
// Conventions
// - Every change of a control's state made through the User*/Set* helpers runs
//   that control's handler, whether the user or the program made the change,
//   and it runs even when the state does not change, so that showing an image
//   gives the same window whatever the window showed before.
// - Showing an image (init_ctl) never changes a byte of it: while the binder
//   runs, a handler stores only where its control's state differs from what
//   its field already holds. Only the user's own changes store.
// - Selecting a list entry the list does not have throws std::out_of_range;
//   the binder and the decoders turn that into their decode error code.
// - Focus is modelled here: SetFocus runs the LostFocus handler of the field
//   that had it and the GotFocus handler of the new one. Handlers that keep
//   the focus in a field call SetFocus on it again; when a LostFocus handler
//   does that, the focus stays in its field and the new target gets nothing.
//   A control that does not exist, is disabled, hidden or locked by Write
//   Mode never takes the focus.
// - User actions behave like the pointer and the keyboard: they first move the
//   focus onto the control (so a field being edited stores its entry) and are
//   dropped when the control is not usable or the focus was kept elsewhere.
//   UserEditText puts the focus into the field before the text changes.
//   KeyPress runs the window's key preview (WindowKeyPress) first; call
//   WindowKeyPress alone only for keys that reach no control.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Messages.h"
#include "editor/AppState.h"
#include "editor/Controls.h"

namespace qrt {

// What the editor needs from whoever shows it. Every method has a harmless
// default so that tests and the CLI implement only what they use.
class EditorHost {
 public:
  virtual ~EditorHost() = default;
  virtual void DoEvents() {}                 // let pending window events run
  virtual void ShowFunctionBitDialog() {}    // Form5, modal, for state.SelectedCapcode
  virtual void ShowAlertLengthDialog() {}    // Form6, modal
  virtual void RunTransferDialog() {}        // Form2, modal, for state.TransferMode
  virtual void ParkBus() {}
  virtual void SetTimer1(bool /*running*/) {}
};

// What a change the user made came to: stored (or nothing to store), or
// refused by the control's handler. A refusal has shown its message, which is
// kept here as well, so that callers learn the outcome from the handler itself.
struct EditOutcome {
  bool refused = false;
  std::string message;  // the message shown for the refusal; empty when stored

  static EditOutcome Stored() { return {}; }
  static EditOutcome Refused(std::string_view shown) { return {true, std::string(shown)}; }
};

// What start-up found where the program keeps its default table file.
enum class DefaultTable {
  None,     // there is no default.tbl
  Opened,   // default.tbl was opened and is shown
  Refused,  // default.tbl is there but was refused (its message has been shown)
};

struct Slider1State : ControlState {
  int Min = 1;
  int Max = 8;
  int Value = 4;
};

class Editor {
 public:
  Editor(AppState& state, Messages& messages, EditorHost& host);

  AppState& state;
  Messages& msg;
  EditorHost& host;
  Image& image() { return state.PagerImage; }

  // ---------------------------------------------------------------- controls
  // Sparse arrays: entries whose `exists` is false are not part of the window.
  std::array<CheckBoxState, 55> chkCtl;     // indices of the field tag table
  std::array<ListState, 10> cboCtl;         // 2, 3, 4, 5, 6, 9
  std::array<CheckBoxState, 65> chkSource;  // 33..64
  std::array<CheckBoxState, 7> chkMenu;
  std::array<TextState, 69> txtPrompt;      // 0..65 and 68
  std::array<LabelState, 69> lblPrompt;     // captions of the prompt fields
  std::array<TextState, 8> txtAddr;
  TextState txtPass;
  TextState txtFreq;
  ListState cboDft, cboLng, cboLogo, cboORC, cboSLC, cboSource, cboTone;
  std::array<ListState, 3> cboBatLev;
  Slider1State Slider1;
  LabelState lblValue, lblContrast;
  CheckBoxState optAuto1, optAuto2;
  std::array<ControlState, 3> optLeft, optCenter, optRight;
  std::array<ControlState, 2> optDefault;
  std::array<ControlState, 8> cmdFunc;
  ControlState cmdAlert;
  bool writeMode = false;  // WriteOpt selected; ModifyOpt otherwise
  ControlState WriteOpt, ModifyOpt, picTabBack;  // never locked

  // Read-only status texts of the Freq. & Codes page.
  std::array<LabelState, 8> tlblDisp, tlblPri, tlblType;
  std::array<LabelState, 16> lblLength, lblMemory;
  LabelState lblBfreq, lblPLLR, lblPLLN, lblINCD, lblCHANNEL;
  LabelState lblEdLen;  // measuring label: its text is a run of spaces

  CtlRef focus{Ctl::picTabBack, 0};
  int CurrentPrompt = 0;

  // Accessors for generic dispatch; nullptr when the reference names no such control.
  CheckBoxState* Check(CtlRef ref);
  ListState* List(CtlRef ref);
  TextState* Text(CtlRef ref);
  ControlState* Control(CtlRef ref);

  // ------------------------------------------------- user actions (GUI, CLI)
  // Each returns what the change came to. When moving the focus onto the
  // control makes the field being edited refuse its entry, that refusal is
  // the outcome and the change itself is dropped.
  EditOutcome UserSetCheck(CtlRef ref, int value);  // sets the box, runs its handler
  EditOutcome UserSelect(CtlRef ref, int index);    // selects the entry, runs its handler
  EditOutcome UserEditText(CtlRef ref, const std::string& text);  // typing: text, then KeyUp
  bool KeyPress(CtlRef ref, int ch);             // true when the key is swallowed
  // Moves the focus; the outcome is what leaving the previous field (its
  // store-on-leave) came to.
  EditOutcome SetFocus(CtlRef ref);
  void Click(CtlRef ref);                        // push and option buttons
  EditOutcome UserSetSlider(int value);
  bool WindowKeyPress(int ch);                   // key preview; true when swallowed

  // Program-side setters that run the handler (binder, decoders).
  void SetCheck(CtlRef ref, int value);
  EditOutcome SetListIndex(CtlRef ref, int index);  // throws std::out_of_range
  void SetSliderValue(int value);                // clamps to Min..Max, raises Changed

  // ----------------------------------------------- start-up (window load)
  // Steps of the window load that concern the image: FreqRejected cleared,
  // factory image built, the configured logo centred and stored into prompt 0,
  // ContrastChanged cleared. The caller then tries default.tbl and calls
  // ShowStartImage with what it found.
  void LoadDefaults(const std::string& logoText);
  // The last of those steps. Without a default table the first band is
  // applied to the factory image (SelectBand0, which binds); an opened table
  // is shown already; a refused one leaves the factory image exactly as built
  // and shows it, the band list set from it but no band applied.
  void ShowStartImage(DefaultTable table);
  void SelectBand0();

  // ------------------------------------------------------ binder (Binder.cpp)
  void init_ctl();
  void chkCtl_Click(int index);
  void cboCtl_Click(int index);
  void chkSource_Click(int index);

  // -------------------------------------------------- decoders (Decoders.cpp)
  void read_Disp();
  void read_Type();
  void read_Pri();
  void read_Alert();
  void read_BatLev();
  void read_SetAlarm();

  // ------------------------------------------ option handlers (Options.cpp)
  void cboBatLev_Click(int index);
  void cboORC_Click();
  void cboSLC_Click();
  void cboSource_Click();
  void cboTone_Click();
  void chkMenu_Click(int index);
  void Slider1_Changed();
  void optAuto1_Click();
  void optAuto2_Click();
  void optLeft_Click(int index);
  void optCenter_Click(int index);
  void optRight_Click(int index);
  void cmdAlert_Click();
  void cmdFunc_Click(int index);

  // ------------------------------------- frequency and synthesizer (Frequency.cpp)
  void read_BaseFreq();
  void read_pll();
  void read_freq();
  void Set_Freq(int32_t value, int address);
  EditOutcome cboDft_Click();       // refused when the frequency field refuses the band's frequency
  void txtFreq_GotFocus();
  bool txtFreq_KeyPress(int ch);
  EditOutcome txtFreq_KeyUp();
  EditOutcome txtFreq_LostFocus();  // validation and store
  void DetectBand();               // band detection from the image
  // The band list stands on its GP(RoHS) entry: the hardware variant a
  // write expects.
  bool BandListOnGp() const;
  // What a read the window cannot show puts back: the band list's entry and
  // whether "Frequency Modification Enable" shows.
  struct BandView {
    int listIndex = -1;
    bool freqModVisible = true;
  };
  BandView bandView() const;
  // The band list and the box as `view` had them, then the band detection of
  // the image (restored first) where it recognises the band.
  void RestoreBandView(const BandView& view);
  void WritePreset(int preset);    // 1..6

  // ------------------------------------- capcodes and password (Capcodes.cpp)
  void read_capcode();
  EditOutcome txtAddr_KeyUp(int index, int keyCode = 0, int shift = 0);
  // Stores the text of Cap #index+1's field into the image, as a key
  // release does (a refused entry is said and the field shows the image's).
  EditOutcome StoreCapcodeField(int index);
  // Whether capcode `slot` (1 to 8) is switched on in the image.
  bool CapcodeOn(int slot) const;
  void read_pass();
  EditOutcome txtPass_KeyUp();

  // ----------------------------------------- prompts and charset (Prompts.cpp)
  void read_prompt();
  EditOutcome PromptStore(int element);  // txtPrompt LostFocus
  void Set_PromptEd_Width();
  void read_SourcePrompt();
  void ToPagerCharset();
  void ToDisplayCharset();
  int PromptAddress(int element) const;  // record address from the field's tag

  // ---------------------------------- language, logo, defaults (Language.cpp)
  void cboLng_Click();
  void cboLogo_Click();
  void optDefault_Click(int index);

  // --------------------------------- pager commands and modes (Commands.cpp)
  void PagerCommand(int mode);     // 0 Read (F3), 1 Write (F4), 2 Verfy (F9)
  void WriteOpt_Click();
  void ModifyOpt_Click();

 private:
  void InitControls();  // entries, captions, tooltips, sparse-array gaps
  void RunCheckHandler(CtlRef ref);
  EditOutcome RunListHandler(CtlRef ref);
  void RunGotFocus(CtlRef ref);
  EditOutcome RunLostFocus(CtlRef ref);
  bool CanTakeFocus(CtlRef ref);
  // The user's pointer or keyboard reaching a control: true when it got the
  // focus; `left` is what leaving the previous field came to.
  bool FocusOnto(CtlRef ref, EditOutcome& left);
  void SetLocked(bool locked);  // Write Mode lock of every txt/opt/cbo/chk/cmd control
  void AlignPrompt(int index, int mode);  // -1 left, 0 centre, 1 right
  void SizeLogoField();  // length limit, weight and width of the logo field for the logo font list

  // Whether a handler stores its control's state: always for a user's
  // change; while the binder shows an image, only where the field does not
  // already hold what the control shows.
  bool StoresState(bool fieldHoldsIt) const { return !binding_ || !fieldHoldsIt; }

  bool focusChanging_ = false;    // a LostFocus handler is running
  bool focusRedirected_ = false;  // ... and it moved the focus itself
  bool sourceClickRunning_ = false;
  bool binding_ = false;  // init_ctl is showing an image
};

}  // namespace qrt
