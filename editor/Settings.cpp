// The window's settings by name, page by page: the one table the command
// line's show, set and diff and the tests read, beside the bound controls'
// table whose names it takes.
#include "editor/Settings.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "codecs/Capcode.h"
#include "codecs/Frequency.h"
#include "codecs/ListTables.h"
#include "editor/BoundControls.h"
#include "editor/Editor.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

// The image bits a value is shown from, built up address by address.
struct Bits {
  std::vector<ShownBits> list;
  Bits& Bytes(int first, int count) {
    for (int a = first; a < first + count; ++a) list.push_back({a, 0xFF});
    return *this;
  }
  Bits& Mask(int address, uint8_t mask) {
    list.push_back({address, mask});
    return *this;
  }
  // Band detection: 0x00D = 0 is the GP band, otherwise the high nibble of 0x065.
  Bits& Band() { return Bytes(addr::kHardwareVariant, 1).Mask(addr::kBandByte, 0xF0); }
};

// Where the status texts of the Freq. & Codes page and the lists of the Alert
// & Status page are shown from (the decoders and the binder read them there).
constexpr int kTypeBytes = 0x370;      // message type, capcode i function bit k at + 4i + k
constexpr int kDisplayBytes = 0x390;   // display type, same layout
constexpr int kPriorityBytes = 0x032;  // four bits per capcode, two capcodes per byte
constexpr int kPersonalAlert = 0x090;
constexpr int kMailAlerts = 0x091;     // mail drop j (0..14)
constexpr int kMailEnables = 0x037;    // bit j % 8 of 0x037 + j / 8
constexpr int kPersonalMemory = 0x06C;
constexpr int kMailMemory = 0x01E;     // mail drops 1..14; 15 has none
constexpr int kMenuSlots = 7;

Bits TagBits(std::string_view tag) {
  Bits b;
  if (const std::optional<FieldTag> t = ParseFieldTag(tag))
    b.Mask(t->address, static_cast<uint8_t>(((1u << t->width) - 1u) << t->bit));
  return b;
}

// A prompt is shown from its leading-space nibble, its count and its 18
// characters; the attribute's high nibble shows nowhere.
Bits PromptBits(const PromptField& field) {
  Bits b;
  if (const std::optional<PromptTag> t = ParsePromptTag(field.tag))
    b.Mask(t->address, 0x0F).Bytes(t->address + 1, kPromptSlotSize - 1);
  return b;
}

// Column names of the message status grid: personal and group, then mail drops 1..F.
std::string GridColumn(int cell) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return cell == 0 ? "pg" : std::string("m") + kDigits[cell];
}

class Collector {
 public:
  Collector(const Editor& editor, std::vector<Setting>& out) : ed_(editor), out_(out) {}

  void Page(std::string_view page) { page_ = page; }

  void Text(std::string name, const std::string& text, const ControlState& c, const Bits& bits) {
    Setting& s = Add(std::move(name), Setting::Type::Text, c, bits);
    s.text = text;
  }
  void Label(std::string name, const LabelState& label, const Bits& bits) {
    Text(std::move(name), label.text, label, bits);
  }
  void Flag(std::string name, const CheckBoxState& box, const Bits& bits) {
    Add(std::move(name), Setting::Type::Flag, box, bits).flag = box.value == 1;
  }
  void Entry(std::string name, const ListState& list, const Bits& bits) {
    Setting& s = Add(std::move(name), Setting::Type::Entry, list, bits);
    if (list.index >= 0 && list.index < static_cast<int>(list.entries.size()))
      s.text = list.entries[list.index];
    else
      s.noEntry = true;
  }
  void Number(std::string name, long long value, const ControlState& c, const Bits& bits) {
    Add(std::move(name), Setting::Type::Number, c, bits).number = value;
  }
  void Prompt(const PromptField& field) {
    const TextState& t = ed_.txtPrompt.at(field.element);
    Add(std::string(field.name), Setting::Type::Prompt, t, PromptBits(field)).text = t.text;
  }

  // A control of the field tag table, by its stable name, shown from its field.
  void Bound(std::string_view name) {
    const BoundControl* row = FindBoundControl(name);
    if (!row) throw std::logic_error("no bound control named " + std::string(name));
    const Bits bits = TagBits(row->tag);
    switch (row->array) {
      case Ctl::chkCtl: Flag(std::string(name), ed_.chkCtl.at(row->index), bits); break;
      case Ctl::chkSource: Flag(std::string(name), ed_.chkSource.at(row->index), bits); break;
      case Ctl::cboCtl: Entry(std::string(name), ed_.cboCtl.at(row->index), bits); break;
      case Ctl::cboLogo: Entry(std::string(name), ed_.cboLogo, bits); break;
      default: throw std::logic_error("bound control of an unknown array: " + std::string(name));
    }
  }
  // Every bound control of the current page not named already.
  void RemainingBound() {
    for (const BoundControl& row : BoundControls())
      if (row.page == page_ && !Has(row.name)) Bound(row.name);
  }

 private:
  Setting& Add(std::string name, Setting::Type type, const ControlState& c, const Bits& bits) {
    Setting s;
    s.page = std::string(page_);
    s.name = std::move(name);
    s.type = type;
    s.visible = c.visible;
    s.enabled = c.enabled;
    s.bits = bits.list;
    out_.push_back(std::move(s));
    return out_.back();
  }
  bool Has(std::string_view name) const {
    return std::any_of(out_.begin(), out_.end(), [&](const Setting& s) { return s.name == name; });
  }

  const Editor& ed_;
  std::vector<Setting>& out_;
  std::string_view page_;
};

}  // namespace

const std::vector<std::string_view>& PageNames() {
  static const std::vector<std::string_view> kPages = {kPageFreqCodes, kPageAlertStatus, kPagePromptsEdit,
                                                       kPageSourcePrompts};
  return kPages;
}

std::vector<Setting> CollectSettings(const Editor& ed) {
  std::vector<Setting> out;
  Collector c(ed, out);

  c.Page(kPageFreqCodes);
  c.Entry("band", ed.cboDft, Bits().Band());
  c.Text("frequency", ed.txtFreq.text, ed.txtFreq, Bits().Bytes(kReceiveFreqAddress, 4));
  c.Bound("baud_rate");
  // The GP band shows dashes for the base frequency, and a spacing that is not in the image.
  c.Label("synth_bfreq", ed.lblBfreq, Bits().Bytes(kBaseFreqAddress, 4).Band());
  c.Label("synth_pll_r", ed.lblPLLR, Bits().Bytes(kRWordAddress, 3));
  c.Label("synth_pll_n", ed.lblPLLN, Bits().Bytes(kNWordAddress, 3));
  c.Label("synth_incd", ed.lblINCD, Bits().Bytes(kIncdAddress, 1));
  c.Label("synth_channel", ed.lblCHANNEL, Bits().Bytes(kSpacingKHzAddress, 1).Band());
  for (int i = 0; i < static_cast<int>(ed.txtAddr.size()); ++i) {
    const std::string cap = "capcode" + std::to_string(i + 1);
    const int record = CapcodeRecordAddress(i);
    c.Text(cap, ed.txtAddr[i].text, ed.txtAddr[i], Bits().Mask(record + 1, 0x1F).Bytes(record + 2, 2));
    c.Bound(cap + "_on");
    c.Label(cap + "_display", ed.tlblDisp[i], Bits().Bytes(kDisplayBytes + 4 * i, 4));
    c.Label(cap + "_priority", ed.tlblPri[i],
            Bits().Mask(kPriorityBytes + i / 2, static_cast<uint8_t>(0x0F << (4 * (i % 2)))));
    c.Label(cap + "_type", ed.tlblType[i], Bits().Bytes(kTypeBytes + 4 * i, 4));
  }
  for (int cell = 0; cell < static_cast<int>(ed.lblLength.size()); ++cell) {
    const int j = cell - 1;  // mail drop index
    c.Label("alert_length_" + GridColumn(cell), ed.lblLength[cell],
            cell == 0 ? Bits().Bytes(kPersonalAlert, 1)
                      : Bits().Mask(kMailEnables + j / 8, static_cast<uint8_t>(1u << (j % 8))).Bytes(kMailAlerts + j, 1));
  }
  for (int cell = 0; cell < static_cast<int>(ed.lblMemory.size()); ++cell) {
    const int j = cell - 1;
    c.Label("memory_kb_" + GridColumn(cell), ed.lblMemory[cell],
            cell == 0 ? Bits().Bytes(kPersonalMemory, 1) : j < 14 ? Bits().Bytes(kMailMemory + j, 1) : Bits());
  }
  c.RemainingBound();

  c.Page(kPageAlertStatus);
  c.RemainingBound();
  for (int i = 0; i < static_cast<int>(ed.cboBatLev.size()); ++i)
    c.Entry(std::string(kBatteryListNames[i]), ed.cboBatLev[i], Bits().Bytes(kBatLevAddress + i, 1));
  c.Entry("out_of_service", ed.cboORC, Bits().Mask(addr::kOutOfService, 0x0E));
  c.Entry("sequential_lockout", ed.cboSLC, Bits().Mask(addr::kLockout, 0x0F));
  // Each menu box is on unless its code stands in one of the seven slots.
  for (int i = 0; i < static_cast<int>(ed.chkMenu.size()); ++i)
    c.Flag(std::string(kMenuBoxNames[i]), ed.chkMenu[i], Bits().Bytes(addr::kMenuList, kMenuSlots));
  c.Entry("alert_tone", ed.cboTone, Bits().Bytes(kToneAddress, 1));
  c.Number("screen_contrast", ed.Slider1.Value, ed.Slider1, Bits().Bytes(addr::kContrast, 1));
  c.Entry("language", ed.cboLng, Bits().Mask(addr::kPromptLanguage, 0x0F));
  c.Text("password", ed.txtPass.text, ed.txtPass, Bits().Bytes(kPasswordAddress, kPasswordDigits));
  for (const PromptField& f : PromptFields())
    if (f.page == kPageAlertStatus) c.Prompt(f);

  c.Page(kPagePromptsEdit);
  for (const PromptField& f : PromptFields())
    if (f.page == kPagePromptsEdit) c.Prompt(f);
  c.RemainingBound();

  c.Page(kPageSourcePrompts);
  c.Entry("prompt_control", ed.cboSource, Bits().Mask(addr::kSourceMode, 0x60));
  for (const PromptField& f : PromptFields()) {
    if (f.page != kPageSourcePrompts) continue;
    c.Bound(std::string(f.name) + "_on");
    c.Prompt(f);
  }
  c.RemainingBound();
  return out;
}

}  // namespace qrt
