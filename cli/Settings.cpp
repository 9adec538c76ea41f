#include "cli/Settings.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "cli/Json.h"
#include "editor/BoundControls.h"
#include "editor/Editor.h"
#include "editor/ListTables.h"

namespace qrt::cli {
namespace {

// Column names of the message status grid: personal and group, then mail drops 1..F.
std::string GridColumn(int cell) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return cell == 0 ? "pg" : std::string("m") + kDigits[cell];
}

class Collector {
 public:
  Collector(const Editor& editor, std::vector<Setting>& out) : ed_(editor), out_(out) {}

  void Page(std::string_view page) { page_ = page; }

  void Text(std::string name, const std::string& text, const ControlState& c) {
    Setting& s = Add(std::move(name), Setting::Type::Text, c);
    s.text = text;
  }
  void Label(std::string name, const LabelState& label) { Text(std::move(name), label.text, label); }
  void Flag(std::string name, const CheckBoxState& box) {
    Add(std::move(name), Setting::Type::Flag, box).flag = box.value == 1;
  }
  void Entry(std::string name, const ListState& list) {
    Setting& s = Add(std::move(name), Setting::Type::Entry, list);
    if (list.index >= 0 && list.index < static_cast<int>(list.entries.size()))
      s.text = list.entries[list.index];
    else
      s.noEntry = true;
  }
  void Number(std::string name, long long value, const ControlState& c) {
    Add(std::move(name), Setting::Type::Number, c).number = value;
  }
  void Prompt(const PromptField& field) {
    const TextState& t = ed_.txtPrompt.at(field.element);
    Add(std::string(field.name), Setting::Type::Prompt, t).text = t.text;
  }

  // A control of the field tag table, by its stable name.
  void Bound(std::string_view name) {
    const BoundControl* row = FindBoundControl(name);
    if (!row) throw std::logic_error("no bound control named " + std::string(name));
    switch (row->array) {
      case Ctl::chkCtl: Flag(std::string(name), ed_.chkCtl.at(row->index)); break;
      case Ctl::chkSource: Flag(std::string(name), ed_.chkSource.at(row->index)); break;
      case Ctl::cboCtl: Entry(std::string(name), ed_.cboCtl.at(row->index)); break;
      case Ctl::cboLogo: Entry(std::string(name), ed_.cboLogo); break;
      default: throw std::logic_error("bound control of an unknown array: " + std::string(name));
    }
  }
  // Every bound control of the current page not named already.
  void RemainingBound() {
    for (const BoundControl& row : BoundControls())
      if (row.page == page_ && !Has(row.name)) Bound(row.name);
  }

 private:
  Setting& Add(std::string name, Setting::Type type, const ControlState& c) {
    Setting s;
    s.page = std::string(page_);
    s.name = std::move(name);
    s.type = type;
    s.visible = c.visible;
    s.enabled = c.enabled;
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

bool NeedsQuotes(const std::string& text) {
  if (text.empty() || text.front() == ' ' || text.back() == ' ') return true;
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || c == '"' || c == '\\' || u == 0x7F;
  });
}

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
  c.Entry("band", ed.cboDft);
  c.Text("frequency", ed.txtFreq.text, ed.txtFreq);
  c.Bound("baud_rate");
  c.Label("synth_bfreq", ed.lblBfreq);
  c.Label("synth_pll_r", ed.lblPLLR);
  c.Label("synth_pll_n", ed.lblPLLN);
  c.Label("synth_incd", ed.lblINCD);
  c.Label("synth_channel", ed.lblCHANNEL);
  for (int i = 0; i < static_cast<int>(ed.txtAddr.size()); ++i) {
    const std::string cap = "capcode" + std::to_string(i + 1);
    c.Text(cap, ed.txtAddr[i].text, ed.txtAddr[i]);
    c.Bound(cap + "_on");
    c.Label(cap + "_display", ed.tlblDisp[i]);
    c.Label(cap + "_priority", ed.tlblPri[i]);
    c.Label(cap + "_type", ed.tlblType[i]);
  }
  for (int cell = 0; cell < static_cast<int>(ed.lblLength.size()); ++cell)
    c.Label("alert_length_" + GridColumn(cell), ed.lblLength[cell]);
  for (int cell = 0; cell < static_cast<int>(ed.lblMemory.size()); ++cell)
    c.Label("memory_kb_" + GridColumn(cell), ed.lblMemory[cell]);
  c.RemainingBound();

  c.Page(kPageAlertStatus);
  c.RemainingBound();
  for (int i = 0; i < static_cast<int>(ed.cboBatLev.size()); ++i)
    c.Entry(std::string(kBatteryListNames[i]), ed.cboBatLev[i]);
  c.Entry("out_of_service", ed.cboORC);
  c.Entry("sequential_lockout", ed.cboSLC);
  for (int i = 0; i < static_cast<int>(ed.chkMenu.size()); ++i) c.Flag(std::string(kMenuBoxNames[i]), ed.chkMenu[i]);
  c.Entry("alert_tone", ed.cboTone);
  c.Number("screen_contrast", ed.Slider1.Value, ed.Slider1);
  c.Entry("language", ed.cboLng);
  c.Text("password", ed.txtPass.text, ed.txtPass);
  for (const PromptField& f : PromptFields())
    if (f.page == kPageAlertStatus) c.Prompt(f);

  c.Page(kPagePromptsEdit);
  for (const PromptField& f : PromptFields())
    if (f.page == kPagePromptsEdit) c.Prompt(f);
  c.RemainingBound();

  c.Page(kPageSourcePrompts);
  c.Entry("prompt_control", ed.cboSource);
  for (const PromptField& f : PromptFields()) {
    if (f.page != kPageSourcePrompts) continue;
    c.Bound(std::string(f.name) + "_on");
    c.Prompt(f);
  }
  c.RemainingBound();
  return out;
}

std::string DisplayValue(const Setting& s) {
  switch (s.type) {
    case Setting::Type::Flag: return s.flag ? "on" : "off";
    case Setting::Type::Number: return std::to_string(s.number);
    case Setting::Type::Entry: return s.noEntry ? "(none)" : s.text;
    case Setting::Type::Prompt: return JsonQuote(s.text);
    case Setting::Type::Text: return NeedsQuotes(s.text) ? JsonQuote(s.text) : s.text;
  }
  return {};
}

std::string ShowText(const std::vector<Setting>& settings) {
  size_t width = 0;
  for (const Setting& s : settings) width = std::max(width, s.name.size());
  std::string out;
  std::string_view page;
  for (const Setting& s : settings) {
    if (s.page != page) {
      if (!out.empty()) out += '\n';
      out += "[" + s.page + "]\n";
      page = s.page;
    }
    out += s.name;
    out.append(width + 2 - s.name.size(), ' ');
    out += DisplayValue(s);
    if (!s.visible) out += "  (hidden)";
    if (!s.enabled) out += "  (disabled)";
    out += '\n';
  }
  return out;
}

std::string ShowJson(const std::vector<Setting>& settings, const std::string& file) {
  std::string out;
  JsonWriter json(out);
  json.BeginObject();
  json.Key("file");
  json.String(file);
  json.Key("pages");
  json.BeginObject();
  for (std::string_view page : PageNames()) {
    json.Key(page);
    json.BeginObject();
    for (const Setting& s : settings) {
      if (s.page != page) continue;
      json.Key(s.name);
      switch (s.type) {
        case Setting::Type::Flag: json.Bool(s.flag); break;
        case Setting::Type::Number: json.Int(s.number); break;
        case Setting::Type::Entry:
          if (s.noEntry)
            json.Null();
          else
            json.String(s.text);
          break;
        case Setting::Type::Text: json.String(s.text); break;
        case Setting::Type::Prompt:
          json.BeginObject();
          json.Key("text");
          json.String(s.text);
          json.Key("enabled");
          json.Bool(s.enabled);
          json.EndObject();
          break;
      }
    }
    json.EndObject();
  }
  json.EndObject();
  for (const char* list : {"hidden", "disabled"}) {
    const bool hidden = std::string_view(list) == "hidden";
    json.Key(list);
    json.BeginArray();
    for (const Setting& s : settings)
      if (hidden ? !s.visible : !s.enabled) json.String(s.name);
    json.EndArray();
  }
  json.EndObject();
  out += '\n';
  return out;
}

std::vector<std::string> DiffLines(const std::vector<Setting>& a, const std::vector<Setting>& b) {
  std::map<std::string, const Setting*> byName;
  for (const Setting& s : b) byName[s.name] = &s;
  std::vector<std::string> lines;
  for (const Setting& s : a) {
    const auto it = byName.find(s.name);
    const std::string left = DisplayValue(s);
    const std::string right = it == byName.end() ? "(none)" : DisplayValue(*it->second);
    if (left != right) lines.push_back(s.name + ": " + left + " -> " + right);
  }
  return lines;
}

}  // namespace qrt::cli
