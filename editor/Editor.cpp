// The editor's controls, the generic dispatch of user actions to the
// handlers, the focus model and the start-up steps that concern the image.
#include "editor/Editor.h"

#include <stdexcept>
#include <string>

#include "codecs/Capcode.h"
#include "codecs/ListTables.h"
#include "editor/BoundControls.h"
#include "editor/BoundFields.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

template <typename Array>
auto* Element(Array& controls, int index) {
  using Ptr = decltype(&controls[0]);
  if (index < 0 || index >= static_cast<int>(controls.size())) return Ptr{nullptr};
  return controls[index].exists ? &controls[index] : Ptr{nullptr};
}

template <typename Table>
void FillCoded(ListState& list, const Table& table) {
  list.entries.clear();
  list.itemData.clear();
  for (const auto& e : table) {
    list.entries.emplace_back(e.text);
    list.itemData.push_back(e.code);
  }
}

template <typename Table>
void FillPlain(ListState& list, const Table& table) {
  list.entries.assign(table.begin(), table.end());
  list.itemData.clear();
}

[[noreturn]] void NoSuchControl(const char* what) {
  throw std::out_of_range(std::string("no such control: ") + what);
}

constexpr int kEnter = 13;
constexpr int kSpace = 32;

}  // namespace

Editor::Editor(AppState& appState, Messages& messages, EditorHost& editorHost)
    : state(appState), msg(messages), host(editorHost) {
  InitControls();
}

void Editor::InitControls() {
  // Sparse arrays: only the elements the window has exist.
  for (auto& c : chkCtl) c.exists = false;
  for (auto& c : cboCtl) c.exists = false;
  for (auto& c : chkSource) c.exists = false;
  for (const BoundControl& row : BoundControls()) {
    switch (row.array) {
      case Ctl::chkCtl: chkCtl.at(row.index).exists = true; break;
      case Ctl::chkSource: chkSource.at(row.index).exists = true; break;
      case Ctl::cboCtl: {
        ListState& list = cboCtl.at(row.index);
        list.exists = true;
        list.entries.assign(row.entries.begin(), row.entries.end());
        break;
      }
      default: break;
    }
  }

  for (auto& t : txtPrompt) t.exists = false;
  for (auto& l : lblPrompt) l.exists = false;
  for (const PromptField& f : PromptFields()) {
    TextState& field = txtPrompt.at(f.element);
    field.exists = true;
    field.maxLength = 21;
    field.measureSpaces = 22;
    if (!f.caption.empty()) {
      lblPrompt.at(f.element).exists = true;
      lblPrompt.at(f.element).text = std::string(f.caption);
    }
  }
  // The logo field keeps its design size until the logo font list sizes it.
  txtPrompt[0].maxLength = 14;
  txtPrompt[0].measureSpaces = 0;

  FillPlain(cboDft, kDftEntries);
  FillCoded(cboLng, kLngEntries);
  cboLogo.entries.clear();
  cboLogo.itemData.clear();
  for (const LogoFontEntry& e : kLogoEntries) {
    cboLogo.entries.emplace_back(e.text);
    cboLogo.itemData.push_back(e.code);
  }
  FillPlain(cboORC, kORCEntries);
  FillPlain(cboSLC, kSLCEntries);
  FillPlain(cboSource, kSourceEntries);
  FillCoded(cboTone, kToneEntries);
  cboTone.visible = false;  // shown by "Set Alert Off"
  for (ListState& level : cboBatLev) FillCoded(level, kBatteryLevels);

  Slider1.Min = 1;
  Slider1.Max = 8;
  Slider1.Value = 4;
  lblMemory[15].text = "02";  // mail drop 15 has no memory byte of its own
  writeMode = false;          // "Modify Mode" is selected when the window opens
  focus = CtlRef{Ctl::picTabBack, 0};
}

// ------------------------------------------------------------------ accessors

CheckBoxState* Editor::Check(CtlRef ref) {
  switch (ref.array) {
    case Ctl::chkCtl: return Element(chkCtl, ref.index);
    case Ctl::chkSource: return Element(chkSource, ref.index);
    case Ctl::chkMenu: return Element(chkMenu, ref.index);
    case Ctl::optAuto1: return ref.index == 0 ? &optAuto1 : nullptr;
    case Ctl::optAuto2: return ref.index == 0 ? &optAuto2 : nullptr;
    default: return nullptr;
  }
}

ListState* Editor::List(CtlRef ref) {
  if (ref.array == Ctl::cboCtl) return Element(cboCtl, ref.index);
  if (ref.array == Ctl::cboBatLev) return Element(cboBatLev, ref.index);
  if (ref.index != 0) return nullptr;
  switch (ref.array) {
    case Ctl::cboDft: return &cboDft;
    case Ctl::cboLng: return &cboLng;
    case Ctl::cboLogo: return &cboLogo;
    case Ctl::cboORC: return &cboORC;
    case Ctl::cboSLC: return &cboSLC;
    case Ctl::cboSource: return &cboSource;
    case Ctl::cboTone: return &cboTone;
    default: return nullptr;
  }
}

TextState* Editor::Text(CtlRef ref) {
  switch (ref.array) {
    case Ctl::txtPrompt: return Element(txtPrompt, ref.index);
    case Ctl::txtAddr: return Element(txtAddr, ref.index);
    case Ctl::txtPass: return ref.index == 0 ? &txtPass : nullptr;
    case Ctl::txtFreq: return ref.index == 0 ? &txtFreq : nullptr;
    default: return nullptr;
  }
}

ControlState* Editor::Control(CtlRef ref) {
  if (CheckBoxState* c = Check(ref)) return c;
  if (ListState* l = List(ref)) return l;
  if (TextState* t = Text(ref)) return t;
  switch (ref.array) {
    case Ctl::optLeft: return Element(optLeft, ref.index);
    case Ctl::optCenter: return Element(optCenter, ref.index);
    case Ctl::optRight: return Element(optRight, ref.index);
    case Ctl::optDefault: return Element(optDefault, ref.index);
    case Ctl::cmdFunc: return Element(cmdFunc, ref.index);
    default: break;
  }
  if (ref.index != 0) return nullptr;
  switch (ref.array) {
    case Ctl::Slider1: return &Slider1;
    case Ctl::cmdAlert: return &cmdAlert;
    case Ctl::WriteOpt: return &WriteOpt;
    case Ctl::ModifyOpt: return &ModifyOpt;
    case Ctl::picTabBack: return &picTabBack;
    default: return nullptr;
  }
}

// ------------------------------------------------------------ handler dispatch

void Editor::RunCheckHandler(CtlRef ref) {
  switch (ref.array) {
    case Ctl::chkCtl: chkCtl_Click(ref.index); break;
    case Ctl::chkSource: chkSource_Click(ref.index); break;
    case Ctl::chkMenu: chkMenu_Click(ref.index); break;
    case Ctl::optAuto1: optAuto1_Click(); break;
    case Ctl::optAuto2: optAuto2_Click(); break;
    default: break;
  }
}

EditOutcome Editor::RunListHandler(CtlRef ref) {
  switch (ref.array) {
    case Ctl::cboCtl: cboCtl_Click(ref.index); break;
    case Ctl::cboDft: return cboDft_Click();
    case Ctl::cboLng: cboLng_Click(); break;
    case Ctl::cboLogo: cboLogo_Click(); break;
    case Ctl::cboBatLev: cboBatLev_Click(ref.index); break;
    case Ctl::cboORC: cboORC_Click(); break;
    case Ctl::cboSLC: cboSLC_Click(); break;
    case Ctl::cboSource: cboSource_Click(); break;
    case Ctl::cboTone: cboTone_Click(); break;
    default: break;
  }
  return EditOutcome::Stored();
}

void Editor::RunGotFocus(CtlRef ref) {
  switch (ref.array) {
    case Ctl::txtFreq: txtFreq_GotFocus(); break;
    // Numeric fields start empty: the user types the whole value anew.
    case Ctl::txtAddr: txtAddr[ref.index].text.clear(); break;
    case Ctl::txtPass: txtPass.text.clear(); break;
    case Ctl::txtPrompt: CurrentPrompt = ref.index; break;
    default: break;
  }
}

EditOutcome Editor::RunLostFocus(CtlRef ref) {
  switch (ref.array) {
    case Ctl::txtFreq: return txtFreq_LostFocus();
    case Ctl::txtAddr: {
      // The field starts empty when it gets the focus: text in it was typed.
      const bool typed = !txtAddr[ref.index].text.empty();
      read_capcode();
      const uint32_t capcode = DecodeCapcode(image(), ref.index);
      if (typed && IsIdleCodewordCapcode(capcode)) msg.Show(IdleCodewordWarning(capcode), MsgIcon::Warning);
      break;
    }
    case Ctl::txtPass: read_pass(); break;
    case Ctl::txtPrompt: return PromptStore(ref.index);
    default: break;
  }
  return EditOutcome::Stored();
}

// ---------------------------------------------------------------------- focus

bool Editor::CanTakeFocus(CtlRef ref) {
  const ControlState* c = Control(ref);
  return c != nullptr && c->usable() && c->visible;
}

EditOutcome Editor::SetFocus(CtlRef ref) {
  if (!CanTakeFocus(ref)) return EditOutcome::Stored();
  if (focusChanging_) {
    // A LostFocus handler keeps (or sends) the focus somewhere itself: that
    // is where it stays, and the control the user aimed at gets nothing.
    focus = ref;
    focusRedirected_ = true;
    return EditOutcome::Stored();
  }
  if (ref == focus) return EditOutcome::Stored();
  const CtlRef old = focus;
  focusChanging_ = true;
  focusRedirected_ = false;
  EditOutcome left;
  try {
    left = RunLostFocus(old);
  } catch (...) {
    focusChanging_ = false;
    throw;
  }
  focusChanging_ = false;
  if (focusRedirected_) return left;
  focus = ref;
  RunGotFocus(ref);
  return left;
}

bool Editor::FocusOnto(CtlRef ref, EditOutcome& left) {
  left = EditOutcome::Stored();
  if (!CanTakeFocus(ref)) return false;
  left = SetFocus(ref);
  return focus == ref;
}

// --------------------------------------------------------------- user actions

EditOutcome Editor::UserSetCheck(CtlRef ref, int value) {
  if (!Check(ref)) NoSuchControl("check box");
  EditOutcome left;
  if (!FocusOnto(ref, left) || left.refused) return left;
  SetCheck(ref, value);
  return left;
}

EditOutcome Editor::UserSelect(CtlRef ref, int index) {
  if (!List(ref)) NoSuchControl("list");
  EditOutcome left;
  if (!FocusOnto(ref, left) || left.refused) return left;
  return SetListIndex(ref, index);
}

EditOutcome Editor::UserEditText(CtlRef ref, const std::string& text) {
  TextState* field = Text(ref);
  if (!field) NoSuchControl("text field");
  EditOutcome left;
  if (!FocusOnto(ref, left) || left.refused) return left;
  field->text = text;
  switch (ref.array) {
    case Ctl::txtFreq: return txtFreq_KeyUp();
    case Ctl::txtAddr: return txtAddr_KeyUp(ref.index);
    case Ctl::txtPass: return txtPass_KeyUp();
    default: return left;
  }
}

bool Editor::KeyPress(CtlRef ref, int ch) {
  bool swallowed = WindowKeyPress(ch);
  if (ref.array == Ctl::WriteOpt) {
    if (!swallowed && ch == kSpace) {
      PagerCommand(1);
      swallowed = true;
    }
    SetFocus(CtlRef{Ctl::WriteOpt, 0});  // the button keeps the focus for the next pager
    return swallowed;
  }
  if (swallowed) return true;
  const ControlState* target = Control(ref);
  if (!target || !target->usable()) return false;
  switch (ref.array) {
    case Ctl::txtFreq: {
      const bool eaten = txtFreq_KeyPress(ch);
      if (ch == kEnter) {
        SetFocus(CtlRef{Ctl::picTabBack, 0});  // leaving the field stores its entry
        return true;
      }
      return eaten;
    }
    case Ctl::txtAddr:
    case Ctl::txtPass:
    case Ctl::txtPrompt:
      if (ch == kEnter) {
        SetFocus(CtlRef{Ctl::picTabBack, 0});
        return true;
      }
      return false;
    default: return false;
  }
}

void Editor::Click(CtlRef ref) {
  if (CheckBoxState* box = Check(ref)) {
    UserSetCheck(ref, box->value == 1 ? 0 : 1);
    return;
  }
  ControlState* c = Control(ref);
  if (!c) NoSuchControl("button");
  if (ref.array == Ctl::picTabBack) {
    SetFocus(ref);
    return;
  }
  EditOutcome left;
  if (!FocusOnto(ref, left) || left.refused) return;
  switch (ref.array) {
    case Ctl::optLeft: optLeft_Click(ref.index); break;
    case Ctl::optCenter: optCenter_Click(ref.index); break;
    case Ctl::optRight: optRight_Click(ref.index); break;
    case Ctl::optDefault: optDefault_Click(ref.index); break;
    case Ctl::cmdFunc: cmdFunc_Click(ref.index); break;
    case Ctl::cmdAlert: cmdAlert_Click(); break;
    case Ctl::WriteOpt: WriteOpt_Click(); break;
    case Ctl::ModifyOpt: ModifyOpt_Click(); break;
    default: break;
  }
}

EditOutcome Editor::UserSetSlider(int value) {
  EditOutcome left;
  if (!FocusOnto(CtlRef{Ctl::Slider1, 0}, left) || left.refused) return left;
  SetSliderValue(value);
  return left;
}

bool Editor::WindowKeyPress(int ch) {
  if (ch == kSpace && writeMode) {
    PagerCommand(1);
    return true;
  }
  return false;
}

// -------------------------------------------------------------- program setters

void Editor::SetCheck(CtlRef ref, int value) {
  CheckBoxState* box = Check(ref);
  if (!box) NoSuchControl("check box");
  if (value != 0 && value != 1)
    throw std::out_of_range("check box value " + std::to_string(value) + " is neither 0 nor 1");
  box->value = value;
  RunCheckHandler(ref);
}

EditOutcome Editor::SetListIndex(CtlRef ref, int index) {
  ListState* list = List(ref);
  if (!list) NoSuchControl("list");
  if (index < -1 || index >= static_cast<int>(list->entries.size()))
    throw std::out_of_range("list has no entry " + std::to_string(index));
  list->index = index;
  if (index < 0) return EditOutcome::Stored();  // no selection: nothing to store
  return RunListHandler(ref);
}

void Editor::SetSliderValue(int value) {
  Slider1.Value = SliderPositionOf(value, Slider1.Min, Slider1.Max);
  Slider1_Changed();
}

// ------------------------------------------------------------------- start-up

void Editor::LoadDefaults(const std::string& logoText) {
  state.FreqRejected = false;
  state.PagerImage = BuildDefaultImage();
  state.ImageBackup.fill(0);
  state.LastFreqText = kDefaultFreqText;
  state.WindowLoaded = false;
  txtPrompt[0].text = logoText;
  optCenter_Click(1);  // centred in the design width of the logo field
  PromptStore(0);
  state.WindowLoaded = true;
  state.ContrastChanged = false;
}

void Editor::ShowStartImage(DefaultTable table) {
  switch (table) {
    case DefaultTable::None:
      SelectBand0();
      break;
    case DefaultTable::Opened:
      break;
    case DefaultTable::Refused:
      // Applying a band would rewrite the synthesizer and base frequency of
      // the image the user is about to see as the factory's.
      DetectBand();
      init_ctl();
      break;
  }
}

void Editor::SelectBand0() { SetListIndex(CtlRef{Ctl::cboDft, 0}, 0); }

}  // namespace qrt
