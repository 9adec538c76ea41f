// The main window's design table. Positions are planned on a 15-twip pixel
// grid so that the window at its design size puts every control on whole
// pixels; the builder below takes pixels and stores twips.
#include "editor/Form1Design.h"

#include <stdexcept>

#include "ProductInfo.h"
#include "codecs/ListTables.h"
#include "editor/BoundControls.h"
#include "editor/Editor.h"

namespace qrt::form1 {
namespace {

constexpr int kPx = kTwipsPerPixel;

// Tooltips of the capcode row captions "Cap #1" .. "Cap #6"; rows 7 and 8 have none.
constexpr std::array<std::string_view, 8> kCapcodeLabelTips = {
    "Please input 1st Capcode( 7 Dec digits between 8 and 2097151 )",
    "Please input 2nd Capcode( 7 Dec digits between 8 and 2097151 )",
    "Please input 3rd Capcode( 7 Dec digits between 8 and 2097151 )",
    "Please input 4th Capcode( 7 Dec digits between 8 and 2097151 )",
    "Please input 5th Capcode( 7 Dec digits between 8 and 2097151 )",
    "Please input 6th Capcode( 7 Dec digits between 8 and 2097151 )",
    "",
    ""};
constexpr std::string_view kPasswordTip = "The password may be required for writed or manual writed.";
constexpr std::array<std::string_view, 16> kMailColumnCaptions = {
    "PG", "M1", "M2", "M3", "M4", "M5", "M6", "M7", "M8", "M9", "MA", "MB", "MC", "MD", "ME", "MF"};

std::string Indexed(std::string_view array, int index) {
  return std::string(array) + "(" + std::to_string(index) + ")";
}

class Builder {
 public:
  explicit Builder(std::vector<DesignControl>& out) : out_(out) {}

  // Geometry in pixels of the design grid.
  DesignControl& Add(Kind kind, std::string name, std::string parent, int page, int x, int y, int w,
                     int h, std::string_view caption = {}) {
    return AddTwips(kind, std::move(name), std::move(parent), page, x * kPx, y * kPx, w * kPx,
                    h * kPx, caption);
  }

  DesignControl& AddTwips(Kind kind, std::string name, std::string parent, int page, int x, int y,
                          int w, int h, std::string_view caption = {}) {
    DesignControl c;
    c.kind = kind;
    c.name = std::move(name);
    c.parent = std::move(parent);
    c.page = page;
    c.left = x;
    c.top = y;
    c.width = w;
    c.height = h;
    c.caption = std::string(caption);
    if (kind == Kind::Background || kind == Kind::Page || kind == Kind::Panel || kind == Kind::Slider)
      c.font = FontRole::None;
    out_.push_back(std::move(c));
    return out_.back();
  }

  // A control of the field tag table: tag, caption (for a box) and tooltip from the table.
  DesignControl& Bound(Kind kind, Ctl array, int index, std::string name, std::string parent, int page,
                       int x, int y, int w, int h) {
    const BoundControl* row = FindBoundControl(array, index);
    if (!row) throw std::logic_error("no field tag row for " + name);
    DesignControl& c = Add(kind, std::move(name), std::move(parent), page, x, y, w, h,
                           kind == Kind::CheckBox ? row->caption : std::string_view{});
    c.tag = std::string(row->tag);
    c.tooltip = std::string(row->tooltip);
    c.ctl = CtlRef{array, index};
    return c;
  }

  DesignControl& BoundCheck(int index, std::string parent, int page, int x, int y, int w, int h = 17) {
    return Bound(Kind::CheckBox, Ctl::chkCtl, index, Indexed("chkCtl", index), std::move(parent), page,
                 x, y, w, h);
  }

  // A list of the field tag table with its label to the left or above.
  void BoundList(int index, std::string parent, int page, int labelX, int labelY, int labelW, int x,
                 int y, int w) {
    const BoundControl* row = FindBoundControl(Ctl::cboCtl, index);
    if (!row) throw std::logic_error("no field tag row for cboCtl");
    Add(Kind::Label, Indexed("lblCtl", index), parent, page, labelX, labelY, labelW, 15, row->caption);
    Bound(Kind::List, Ctl::cboCtl, index, Indexed("cboCtl", index), std::move(parent), page, x, y, w, 21);
  }

  DesignControl& Control(Kind kind, Ctl array, int index, std::string name, std::string parent, int page,
                         int x, int y, int w, int h, std::string_view caption = {}) {
    DesignControl& c = Add(kind, std::move(name), std::move(parent), page, x, y, w, h, caption);
    c.ctl = CtlRef{array, index};
    return c;
  }

  DesignControl& Shows(Kind kind, Lbl label, int index, std::string name, std::string parent, int page,
                       int x, int y, int w, int h) {
    DesignControl& c = Add(kind, std::move(name), std::move(parent), page, x, y, w, h);
    c.label = LblRef{label, index};
    return c;
  }

  // A prompt text field with its caption label; the field's width is the
  // width of 22 spaces of the prompt font, which the window measures.
  void Prompt(const PromptField& f, std::string parent, int page, int captionX, int captionW, int fieldX,
              int y) {
    DesignControl& label = Shows(Kind::Label, Lbl::lblPrompt, f.element, Indexed("lblPrompt", f.element),
                                 parent, page, captionX, y + 3, captionW, 15);
    label.caption = std::string(f.caption);
    label.font = FontRole::Fixed;
    DesignControl& field = Control(Kind::TextField, Ctl::txtPrompt, f.element,
                                   Indexed("txtPrompt", f.element), std::move(parent), page, fieldX, y,
                                   kPromptFieldWidth, 21);
    field.tag = std::string(f.tag);
    field.font = FontRole::Fixed;
  }

  // The L, C, R buttons of alignment array element k, and the Load Default
  // button when there is one, stacked down a column or along a row.
  void AlignButtons(int k, std::string parent, int page, int x, int y, bool down, int defaultIndex) {
    const std::array<std::pair<Ctl, std::string_view>, 3> buttons = {
        {{Ctl::optLeft, "L"}, {Ctl::optCenter, "C"}, {Ctl::optRight, "R"}}};
    const std::array<std::string_view, 3> names = {"optLeft", "optCenter", "optRight"};
    const std::array<std::string_view, 3> tips = {"Align Left", "Align Center", "Align Right"};
    int at = 0;
    for (int i = 0; i < 3; ++i, at += down ? 26 : 22) {
      DesignControl& b = Control(Kind::Button, buttons[i].first, k, Indexed(names[i], k), parent, page,
                                 down ? x : x + at, down ? y + at : y, 22, down ? 24 : 20, buttons[i].second);
      b.tooltip = std::string(tips[i]);
      b.font = FontRole::Bold;
      b.align = Align::Center;
    }
    if (defaultIndex >= 0) {
      DesignControl& d = Control(Kind::Button, Ctl::optDefault, defaultIndex, Indexed("optDefault", defaultIndex),
                                 std::move(parent), page, down ? x : x + at, down ? y + at + 8 : y, 22,
                                 down ? 24 : 20, defaultIndex == 0 ? "D" : "");
      d.tooltip = "Load Default";
      d.font = FontRole::Bold;
      d.hasPicture = defaultIndex != 0;
    }
  }

  static constexpr int kPromptFieldWidth = 153;  // 22 spaces of the 8-point fixed font and the frame

 private:
  std::vector<DesignControl>& out_;
};

void BuildFrame(Builder& b) {
  b.AddTwips(Kind::Background, "picTabBack", "", -1, 0, 0, 9600, 7005);
  const std::array<std::string_view, 4> buttonCaptions = {"Freq. && Codes", "Alert && Status",
                                                          "Prompts Edit", "Source Prompts"};
  const std::array<std::string_view, 4> labelCaptions = {"Freq. && Codes", "Alerts && Status",
                                                         "Prompts Edit", "Source Prompts"};
  const std::array<int, 4> lefts = {120, 1665, 3210, 4755};
  // The labels lie under the buttons: created first, so that a shown button covers its label.
  for (int i = 0; i < 4; ++i) {
    DesignControl& l = b.AddTwips(Kind::TabLabel, std::string(kTabLabelNames[i]), "picTabBack", -1,
                                  lefts[i], 60, 1530, 255, labelCaptions[i]);
    l.font = FontRole::Bold;
    l.align = Align::Center;
  }
  for (int i = 0; i < 4; ++i) {
    b.AddTwips(Kind::TabButton, std::string(kTabButtonNames[i]), "picTabBack", -1, lefts[i], 60, 1530, 255,
               buttonCaptions[i]);
  }
  b.Control(Kind::ModeOption, Ctl::ModifyOpt, 0, "ModifyOpt", "picTabBack", -1, 426, 4, 98, 17,
            "Modify Mode");
  b.Control(Kind::ModeOption, Ctl::WriteOpt, 0, "WriteOpt", "picTabBack", -1, 528, 4, 90, 17, "Write Mode");
  for (int i = 0; i < 4; ++i) {
    DesignControl& p = b.AddTwips(Kind::Page, std::string(kPageNames[i]), "picTabBack", i, 120, 315, 9285, 6555);
    p.tag = "B";
  }
}

// ------------------------------------------------------------ Freq. & Codes

void BuildFreqCodes(Builder& b) {
  const std::string page = "picSet1";
  constexpr int pg = 0;

  // Capcodes: caption, number, enable box, and the function bit panel.
  b.Add(Kind::Frame, "fraCapcode", page, pg, 4, 4, 408, 234, "Capcode( Decimal Address )");
  const int panelX = 152;
  b.Add(Kind::Label, "lblHdrDisp", "fraCapcode", pg, panelX + 62, 18, 88, 15, "Disable && Disp:");
  b.Add(Kind::Label, "lblHdrPri", "fraCapcode", pg, panelX + 154, 18, 48, 15, "Priority:");
  b.Add(Kind::Label, "lblHdrType", "fraCapcode", pg, panelX + 206, 18, 44, 15, "Type:");
  for (int i = 0; i < 8; ++i) {
    const int y = 36 + 24 * i;
    DesignControl& cap = b.Add(Kind::Label, Indexed("lblCap", i), "fraCapcode", pg, 8, y + 3, 42, 15,
                               "Cap #" + std::to_string(i + 1));
    cap.tooltip = std::string(kCapcodeLabelTips[i]);
    b.Control(Kind::TextField, Ctl::txtAddr, i, Indexed("txtAddr", i), "fraCapcode", pg, 50, y, 60, 21);
    b.BoundCheck(30 + i, "fraCapcode", pg, 112, y + 2, 40);
    const std::string panel = Indexed("picFunBit", i);
    b.Add(Kind::Panel, panel, "fraCapcode", pg, panelX, y, 252, 22);
    b.Control(Kind::Button, Ctl::cmdFunc, i, Indexed("cmdFunc", i), panel, pg, 0, 0, 58, 21, "Fun. Bit");
    b.Shows(Kind::StatusField, Lbl::tlblDisp, i, Indexed("tlblDisp", i), panel, pg, 62, 0, 88, 21);
    b.Shows(Kind::StatusField, Lbl::tlblPri, i, Indexed("tlblPri", i), panel, pg, 154, 0, 48, 21);
    b.Shows(Kind::StatusField, Lbl::tlblType, i, Indexed("tlblType", i), panel, pg, 206, 0, 44, 21);
  }

  // Receive frequency and band.
  b.Add(Kind::Frame, "fraFreq", page, pg, 418, 4, 197, 148, "Frequency");
  DesignControl& range = b.Add(Kind::Label, "lblDft", "fraFreq", pg, 8, 17, 180, 15, kDftLabel);
  range.tooltip = std::string(kDftTooltip);
  DesignControl& dft = b.Control(Kind::List, Ctl::cboDft, 0, "cboDft", "fraFreq", pg, 8, 33, 172, 21);
  dft.tooltip = std::string(kDftTooltip);
  b.Add(Kind::Label, "lblFreq", "fraFreq", pg, 8, 58, 180, 15, "Frequency Of Pager");
  b.Control(Kind::TextField, Ctl::txtFreq, 0, "txtFreq", "fraFreq", pg, 8, 74, 80, 21);
  b.Add(Kind::Label, "lbl00Hz", "fraFreq", pg, 90, 77, 32, 15, "00Hz");
  b.BoundList(9, "fraFreq", pg, 8, 99, 180, 8, 115, 96);

  // Synthesizer words, read only.
  b.Add(Kind::Panel, "picPLL", page, pg, 418, 156, 197, 82);
  const std::array<std::pair<std::string_view, Lbl>, 5> pll = {{{"BFreq:", Lbl::lblBfreq},
                                                                 {"PLL-R:", Lbl::lblPLLR},
                                                                 {"PLL-N:", Lbl::lblPLLN},
                                                                 {"Incd:", Lbl::lblINCD},
                                                                 {"Channel:", Lbl::lblCHANNEL}}};
  const std::array<std::string_view, 5> pllNames = {"lblBfreq", "lblPLLR", "lblPLLN", "lblINCD",
                                                    "lblCHANNEL"};
  for (int r = 0; r < 5; ++r) {
    const int y = 3 + 15 * r;
    b.Add(Kind::Label, "lblPLLCaption(" + std::to_string(r) + ")", "picPLL", pg, 8, y, 58, 15, pll[r].first);
    b.Shows(Kind::Label, pll[r].second, 0, std::string(pllNames[r]), "picPLL", pg, 70, y, 118, 15);
  }

  // Message status grid: one column for personal and group messages, one per mail drop.
  b.Add(Kind::Frame, "fraStatus", page, pg, 4, 244, 611, 104,
        "Message Type Status( PG:Personal && Group     M:Mail Drop )");
  b.Add(Kind::Label, "lblRowLength", "fraStatus", pg, 8, 38, 72, 15, "Alert Length");
  b.Add(Kind::Label, "lblRowMemory", "fraStatus", pg, 8, 58, 72, 15, "Memory(KB)");
  for (int j = 0; j < 16; ++j) {
    const int x = 84 + 32 * j;
    DesignControl& head =
        b.Add(Kind::Label, j == 0 ? std::string("lblPersonal") : Indexed("lblMail", j - 1), "fraStatus", pg,
              x, 18, 30, 15, kMailColumnCaptions[j]);
    head.align = Align::Center;
    head.font = FontRole::Bold;
    b.Shows(Kind::Cell, Lbl::lblLength, j, Indexed("lblLength", j), "fraStatus", pg, x, 36, 30, 18).align =
        Align::Center;
    b.Shows(Kind::Cell, Lbl::lblMemory, j, Indexed("lblMemory", j), "fraStatus", pg, x, 56, 30, 18).align =
        Align::Center;
  }
  b.Control(Kind::Button, Ctl::cmdAlert, 0, "cmdAlert", "fraStatus", pg, 84, 78, 132, 21,
            "Alert Length Select");

  // Batch writing: add one to the capcodes after every pager.
  b.Add(Kind::Frame, "fraAuto", page, pg, 4, 354, 214, 62, "Auto Increase 1 After Write");
  b.Control(Kind::CheckBox, Ctl::optAuto1, 0, "optAuto1", "fraAuto", pg, 8, 18, 196, 17,
            "1st Capcode Auto Increase");
  b.Control(Kind::CheckBox, Ctl::optAuto2, 0, "optAuto2", "fraAuto", pg, 8, 38, 196, 17,
            "2nd Capcode Auto Increase");
}

// ----------------------------------------------------------- Alert & Status

void BuildAlertStatus(Builder& b) {
  const std::string page = "picSet2";
  constexpr int pg = 1;

  // Column A: the pager's alert and display options.
  b.Add(Kind::Frame, "fraAlerts", page, pg, 4, 4, 214, 356, "Alerts and Status");
  int y = 18;
  const std::array<int, 5> firstBoxes = {29, 8, 18, 19, 17};
  for (int i = 0; i < 5; ++i, y += 18) b.BoundCheck(firstBoxes[i], "fraAlerts", pg, 8, y, 200);
  // Shown only while "Push Key Lamp On Enable" is checked: indented under it.
  for (int index : {21, 3}) {
    b.BoundCheck(index, "fraAlerts", pg, 22, y, 186);
    y += 18;
  }
  for (int index : {54, 2, 6, 0, 1}) {
    b.BoundCheck(index, "fraAlerts", pg, 8, y, 200);
    y += 18;
  }
  y += 2;
  for (int index : {2, 3}) {
    b.BoundList(index, "fraAlerts", pg, 8, y + 3, 104, 114, y, 94);
    y += 24;
  }
  // Shown only while the paging display is "Direct".
  b.BoundCheck(20, "fraAlerts", pg, 22, y, 186);
  y += 20;
  for (int index : {4, 5}) {
    b.BoundList(index, "fraAlerts", pg, 8, y + 3, 104, 114, y, 94);
    y += 24;
  }

  // Column A, below the frame: the battery gauge thresholds.
  for (int i = 0; i < 3; ++i) {
    const int ly = 366 + 24 * i;
    b.Add(Kind::Label, Indexed("lblBatLev", i), page, pg, 8, ly + 3, 146, 15, kBatLevLabels[i]);
    b.Control(Kind::List, Ctl::cboBatLev, i, Indexed("cboBatLev", i), page, pg, 154, ly, 64, 21);
  }

  // Column B: the pager's own menu.
  b.Add(Kind::Frame, "fraMenu", page, pg, 222, 4, 204, 230, "Menu Of Pager");
  y = 18;
  for (int i = 0; i < 7; ++i) {
    const int w = i == 6 ? 92 : 190;
    b.Control(Kind::CheckBox, Ctl::chkMenu, i, Indexed("chkMenu", i), "fraMenu", pg, 8, y + (i == 6 ? 2 : 0), w,
              17, kMenuItems[i].text);
    y += i == 6 ? 24 : 18;
  }
  b.Control(Kind::List, Ctl::cboTone, 0, "cboTone", "fraMenu", pg, 102, y - 24, 92, 21);
  for (int index : {11, 12, 13, 14}) {
    b.BoundCheck(index, "fraMenu", pg, 8, y, 190);
    y += 18;
  }

  // Column B: what may be changed on the pager itself.
  b.Add(Kind::Frame, "fraManual", page, pg, 222, 240, 204, 120, "Manual Write");
  y = 18;
  for (int index : {16, 4, 5, 7}) {
    b.BoundCheck(index, "fraManual", pg, 8, y, 192);
    y += 18;
  }
  DesignControl& passLabel = b.Add(Kind::Label, "lblPass", "fraManual", pg, 8, y + 6, 96, 15, "Password(4 Dec)");
  passLabel.tooltip = std::string(kPasswordTip);
  DesignControl& pass = b.Control(Kind::TextField, Ctl::txtPass, 0, "txtPass", "fraManual", pg, 108, y + 3, 56, 21);
  pass.tooltip = std::string(kPasswordTip);

  b.BoundCheck(15, page, pg, 230, 366, 190);

  // Column C: language, logo and date display.
  b.Add(Kind::Frame, "fraPrompts", page, pg, 430, 4, 185, 180, "Prompts");
  const BoundControl* logoRow = FindBoundControl(Ctl::cboLogo, 0);
  b.Add(Kind::Label, "lblLng", "fraPrompts", pg, 8, 17, 170, 15, kLngLabel);
  b.Control(Kind::List, Ctl::cboLng, 0, "cboLng", "fraPrompts", pg, 8, 32, 120, 21);
  b.Add(Kind::Label, "lblLogoFont", "fraPrompts", pg, 8, 56, 170, 15, kLogoLabel);
  DesignControl& logo = b.Control(Kind::List, Ctl::cboLogo, 0, "cboLogo", "fraPrompts", pg, 8, 71, 120, 21);
  if (logoRow) logo.tag = std::string(logoRow->tag);
  b.BoundList(6, "fraPrompts", pg, 8, 95, 170, 8, 110, 120);
  b.Add(Kind::Label, "lblLogo", "fraPrompts", pg, 8, 137, 96, 15, kLogoFieldLabel);
  b.AlignButtons(1, "fraPrompts", pg, 110, 134, false, -1);
  if (const PromptField* logoField = FindPromptField(0)) {
    DesignControl& field = b.Control(Kind::TextField, Ctl::txtPrompt, 0, "txtPrompt(0)", "fraPrompts", pg, 8, 154,
                                     Builder::kPromptFieldWidth, 21);
    field.tag = std::string(logoField->tag);
    field.font = FontRole::Fixed;
  }

  // Column C: timers and the screen contrast.
  b.Add(Kind::Label, "lblORC", page, pg, 434, 190, 120, 15, kORCLabel);
  b.Control(Kind::List, Ctl::cboORC, 0, "cboORC", page, pg, 434, 205, 110, 21);
  b.Add(Kind::Label, "lblSLC", page, pg, 434, 230, 120, 15, kSLCLabel);
  b.Control(Kind::List, Ctl::cboSLC, 0, "cboSLC", page, pg, 434, 245, 110, 21);
  b.Add(Kind::Label, "lblScreenContrast", page, pg, 434, 272, 120, 15, "Screen Contrast");
  b.Control(Kind::Slider, Ctl::Slider1, 0, "Slider1", page, pg, 434, 288, 100, 20);
  DesignControl& value = b.Shows(Kind::Label, Lbl::lblValue, 0, "lblValue", page, pg, 538, 290, 16, 15);
  value.align = Align::Center;
  DesignControl& sample = b.Shows(Kind::Label, Lbl::lblContrast, 0, "lblContrast", page, pg, 558, 288, 52, 20);
  sample.caption = "Screen";
  sample.font = FontRole::Bold;
  sample.align = Align::Center;

  // Any further prompt field the tables put on this page goes down column C.
  y = 318;
  for (const PromptField& f : PromptFields()) {
    if (f.element == 0 || PageIndexOf(f.page) != pg) continue;
    b.Shows(Kind::Label, Lbl::lblPrompt, f.element, Indexed("lblPrompt", f.element), page, pg, 434, y, 170, 15)
        .caption = std::string(f.caption);
    DesignControl& field = b.Control(Kind::TextField, Ctl::txtPrompt, f.element, Indexed("txtPrompt", f.element),
                                     page, pg, 434, y + 15, Builder::kPromptFieldWidth, 21);
    field.tag = std::string(f.tag);
    field.font = FontRole::Fixed;
    y += 40;
  }
}

// ------------------------------------------------------------- prompt pages

void BuildPromptsEdit(Builder& b) {
  const std::string page = "picSet5";
  constexpr int pg = 2;
  std::vector<const PromptField*> fields;
  for (const PromptField& f : PromptFields())
    if (f.element != 0 && PageIndexOf(f.page) == pg) fields.push_back(&f);
  const int rows = static_cast<int>((fields.size() + 1) / 2);
  const int pitch = rows > 17 ? 23 : 25;
  for (size_t n = 0; n < fields.size(); ++n) {
    const int column = static_cast<int>(n) / rows;
    const int row = static_cast<int>(n) % rows;
    const int x = 8 + 284 * column;
    b.Prompt(*fields[n], page, pg, x, 122, x + 122, 8 + pitch * row);
  }
  b.AlignButtons(0, page, pg, 584, 8, true, 0);
}

void BuildSourcePrompts(Builder& b) {
  const std::string page = "picSet6";
  constexpr int pg = 3;
  b.Add(Kind::Label, "lblSourceMode", page, pg, 8, 11, 92, 15, kSourceLabel);
  b.Control(Kind::List, Ctl::cboSource, 0, "cboSource", page, pg, 102, 8, 104, 21);
  std::vector<const PromptField*> fields;
  for (const PromptField& f : PromptFields())
    if (PageIndexOf(f.page) == pg) fields.push_back(&f);
  const int rows = static_cast<int>((fields.size() + 1) / 2);
  for (size_t n = 0; n < fields.size(); ++n) {
    const int column = static_cast<int>(n) / rows;
    const int row = static_cast<int>(n) % rows;
    const int x = 8 + 284 * column;
    const int y = 38 + 24 * row;
    const PromptField& f = *fields[n];
    if (FindBoundControl(Ctl::chkSource, f.element))
      b.Bound(Kind::CheckBox, Ctl::chkSource, f.element, Indexed("chkSource", f.element), page, pg, x, y + 2, 16, 17);
    b.Prompt(f, page, pg, x + 18, 104, x + 124, y);
  }
  b.AlignButtons(2, page, pg, 584, 38, true, 1);
}

std::vector<DesignControl> Build() {
  std::vector<DesignControl> out;
  out.reserve(400);
  Builder b(out);
  BuildFrame(b);
  BuildFreqCodes(b);
  BuildAlertStatus(b);
  BuildPromptsEdit(b);
  BuildSourcePrompts(b);
  return out;
}

}  // namespace

const std::vector<DesignControl>& Form1Controls() {
  static const std::vector<DesignControl> controls = Build();
  return controls;
}

const DesignControl* FindDesign(std::string_view name) {
  for (const DesignControl& c : Form1Controls())
    if (c.name == name) return &c;
  return nullptr;
}

std::string DisplayCaption(std::string_view caption) {
  std::string out;
  out.reserve(caption.size());
  for (size_t i = 0; i < caption.size(); ++i) {
    out += caption[i];
    if (caption[i] == '&' && i + 1 < caption.size() && caption[i + 1] == '&') ++i;
  }
  return out;
}

std::string WindowTitle() { return std::string(product::kName) + " " + product::kVersion; }

LabelState* ResolveLabel(Editor& editor, LblRef ref) {
  auto at = [&](auto& array) -> LabelState* {
    if (ref.index < 0 || ref.index >= static_cast<int>(array.size())) return nullptr;
    return &array[ref.index];
  };
  auto single = [&](LabelState& l) -> LabelState* { return ref.index == 0 ? &l : nullptr; };
  switch (ref.which) {
    case Lbl::None: return nullptr;
    case Lbl::tlblDisp: return at(editor.tlblDisp);
    case Lbl::tlblPri: return at(editor.tlblPri);
    case Lbl::tlblType: return at(editor.tlblType);
    case Lbl::lblLength: return at(editor.lblLength);
    case Lbl::lblMemory: return at(editor.lblMemory);
    case Lbl::lblBfreq: return single(editor.lblBfreq);
    case Lbl::lblPLLR: return single(editor.lblPLLR);
    case Lbl::lblPLLN: return single(editor.lblPLLN);
    case Lbl::lblINCD: return single(editor.lblINCD);
    case Lbl::lblCHANNEL: return single(editor.lblCHANNEL);
    case Lbl::lblValue: return single(editor.lblValue);
    case Lbl::lblContrast: return single(editor.lblContrast);
    case Lbl::lblPrompt: return at(editor.lblPrompt);
  }
  return nullptr;
}

int PageIndexOf(std::string_view pageTitle) {
  if (pageTitle == kPageFreqCodes) return 0;
  if (pageTitle == kPageAlertStatus) return 1;
  if (pageTitle == kPagePromptsEdit) return 2;
  if (pageTitle == kPageSourcePrompts) return 3;
  return -1;
}

}  // namespace qrt::form1
