#include "cli/Edits.h"

#include <cctype>
#include <optional>
#include <string_view>

#include "base/Numbers.h"
#include "cli/Console.h"
#include "cli/Session.h"
#include "cli/Settings.h"
#include "editor/BoundControls.h"
#include "editor/DetailDialogs.h"
#include "editor/Editor.h"

namespace qrt::cli {
namespace {

using Kind = ResolvedEdit::Kind;

constexpr int kCapcodes = 8;
constexpr int kMailDrops = 15;
constexpr std::string_view kDropDigits = "123456789abcdef";
constexpr std::string_view kBitLetters = "abcd";

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::optional<int> SmallNumber(std::string_view text) {
  if (text.size() > 4) return std::nullopt;
  const auto value = ParseDigits(text);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

std::string EntryList(const std::vector<std::string>& entries) {
  std::string out;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i) out += ", ";
    out += "\"" + entries[i] + "\"";
  }
  return out;
}

// A list entry by its text (exactly, else ignoring case) or by its index.
std::optional<int> EntryIndex(const std::vector<std::string>& entries, const std::string& value) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i] == value) return static_cast<int>(i);
  for (size_t i = 0; i < entries.size(); ++i)
    if (Lower(entries[i]) == Lower(value)) return static_cast<int>(i);
  if (const auto n = SmallNumber(value); n && *n < static_cast<int>(entries.size())) return *n;
  return std::nullopt;
}

std::optional<int> BoxValue(const std::string& value) {
  const std::string v = Lower(value);
  if (v == "on" || v == "1" || v == "true" || v == "yes") return 1;
  if (v == "off" || v == "0" || v == "false" || v == "no") return 0;
  return std::nullopt;
}

// "capcode3" -> 2; also the N of "--capcode N=...".
std::optional<int> CapcodeNumber(std::string_view text) {
  const auto n = SmallNumber(text);
  if (!n || *n < 1 || *n > kCapcodes) return std::nullopt;
  return *n - 1;
}

class Resolver {
 public:
  explicit Resolver(Editor& editor) : ed_(editor) {}

  std::optional<ResolvedEdit> Resolve(const Edit& e) {
    switch (e.kind) {
      case Edit::Kind::Band: return List("band", {Ctl::cboDft, 0}, ed_.cboDft.entries, e.value);
      case Edit::Kind::Freq: return TextEdit(Kind::Freq, "frequency", {Ctl::txtFreq, 0}, e.value);
      case Edit::Kind::Baud: return ByName("baud_rate", e.value, "baud_rate");
      case Edit::Kind::Language: return List("language", {Ctl::cboLng, 0}, ed_.cboLng.entries, e.value);
      case Edit::Kind::LogoFont: return ByName("logo_font", e.value, "logo_font");
      case Edit::Kind::Password: return TextEdit(Kind::Password, "password", {Ctl::txtPass, 0}, e.value);
      case Edit::Kind::Capcode: {
        const auto i = CapcodeNumber(e.target);
        if (!i) return Fail("--capcode takes a capcode number from 1 to 8, not \"" + e.target + "\"");
        return TextEdit(Kind::Capcode, "capcode" + e.target, {Ctl::txtAddr, *i}, e.value);
      }
      case Edit::Kind::CapcodeOn: {
        if (!CapcodeNumber(e.target))
          return Fail("--capcode-on takes a capcode number from 1 to 8, not \"" + e.target + "\"");
        return ByName("capcode" + e.target + "_on", e.value, "capcode" + e.target + "_on");
      }
      case Edit::Kind::Prompt: {
        const PromptField* field = nullptr;
        if (const auto n = SmallNumber(e.target))
          field = FindPromptField(*n);
        else
          field = FindPromptField(e.target);
        if (!field)
          return Fail("--prompt: there is no prompt field \"" + e.target +
                      "\" (0 for the logo, 1 to 65, 68, or a name such as prompt_3)");
        return TextEdit(Kind::Prompt, std::string(field->name), {Ctl::txtPrompt, field->element}, e.value);
      }
      case Edit::Kind::Option: return ByName(e.target, e.value, e.target);
    }
    return Fail("unknown edit");
  }

  std::string error;

 private:
  std::optional<ResolvedEdit> Fail(std::string message) {
    if (error.empty()) error = std::move(message);
    return std::nullopt;
  }

  std::optional<ResolvedEdit> List(std::string name, CtlRef ref, const std::vector<std::string>& entries,
                                   const std::string& value, Kind kind = Kind::List) {
    const auto index = EntryIndex(entries, value);
    if (!index)
      return Fail(name + ": no entry \"" + value + "\"; the list has " + EntryList(entries) +
                  " (or their index from 0)");
    ResolvedEdit r;
    r.kind = kind;
    r.name = std::move(name);
    r.ref = ref;
    r.value = *index;
    return r;
  }

  std::optional<ResolvedEdit> Box(std::string name, CtlRef ref, const std::string& value, Kind kind = Kind::Box) {
    const auto v = BoxValue(value);
    if (!v) return Fail(name + " is a check box: give on or off, not \"" + value + "\"");
    ResolvedEdit r;
    r.kind = kind;
    r.name = std::move(name);
    r.ref = ref;
    r.value = *v;
    return r;
  }

  std::optional<ResolvedEdit> TextEdit(Kind kind, std::string name, CtlRef ref, const std::string& value) {
    ResolvedEdit r;
    r.kind = kind;
    r.name = std::move(name);
    r.ref = ref;
    r.text = value;
    return r;
  }

  // --option NAME=VALUE: every name `show` prints for a control the user can
  // change, and the settings of the two detail dialogs.
  std::optional<ResolvedEdit> ByName(const std::string& name, const std::string& value, const std::string& shown) {
    if (const BoundControl* row = FindBoundControl(name)) {
      const CtlRef ref{row->array, row->index};
      if (row->array == Ctl::chkCtl || row->array == Ctl::chkSource) return Box(shown, ref, value);
      return List(shown, ref, ed_.List(ref)->entries, value);
    }
    for (int i = 0; i < static_cast<int>(std::size(kBatteryListNames)); ++i)
      if (name == kBatteryListNames[i]) return List(shown, {Ctl::cboBatLev, i}, ed_.cboBatLev[i].entries, value);
    for (int i = 0; i < static_cast<int>(std::size(kMenuBoxNames)); ++i)
      if (name == kMenuBoxNames[i]) return Box(shown, {Ctl::chkMenu, i}, value);
    if (name == "band") return List(shown, {Ctl::cboDft, 0}, ed_.cboDft.entries, value);
    if (name == "language") return List(shown, {Ctl::cboLng, 0}, ed_.cboLng.entries, value);
    if (name == "out_of_service") return List(shown, {Ctl::cboORC, 0}, ed_.cboORC.entries, value);
    if (name == "sequential_lockout") return List(shown, {Ctl::cboSLC, 0}, ed_.cboSLC.entries, value);
    if (name == "prompt_control") return List(shown, {Ctl::cboSource, 0}, ed_.cboSource.entries, value);
    if (name == "alert_tone") return List(shown, {Ctl::cboTone, 0}, ed_.cboTone.entries, value);
    if (name == "screen_contrast") {
      const auto v = SmallNumber(value);
      if (!v || *v < ed_.Slider1.Min || *v > ed_.Slider1.Max)
        return Fail(shown + " is a slider from " + std::to_string(ed_.Slider1.Min) + " to " +
                    std::to_string(ed_.Slider1.Max) + ", not \"" + value + "\"");
      ResolvedEdit r;
      r.kind = Kind::Slider;
      r.name = shown;
      r.ref = {Ctl::Slider1, 0};
      r.value = *v;
      return r;
    }
    if (name == "frequency") return TextEdit(Kind::Freq, shown, {Ctl::txtFreq, 0}, value);
    if (name == "password") return TextEdit(Kind::Password, shown, {Ctl::txtPass, 0}, value);
    if (name.rfind("capcode", 0) == 0) {
      if (const auto i = CapcodeNumber(std::string_view(name).substr(7)))
        return TextEdit(Kind::Capcode, shown, {Ctl::txtAddr, *i}, value);
    }
    if (const PromptField* field = FindPromptField(name))
      return TextEdit(Kind::Prompt, shown, {Ctl::txtPrompt, field->element}, value);
    if (auto r = DetailDialogSetting(name, value, shown)) return r;
    if (!error.empty()) return std::nullopt;
    if (IsStatusText(name)) return Fail(name + " is a status text of the window; it follows the settings it shows");
    return Fail("unknown setting \"" + name + "\" (the names are those `qrt35 show` prints)");
  }

  // capcodeN_bit_X_display|type|priority, personal_alert_length, mail_drop_X_alert.
  std::optional<ResolvedEdit> DetailDialogSetting(const std::string& name, const std::string& value,
                                                  const std::string& shown) {
    const std::string_view n = name;
    constexpr std::string_view kBit = "_bit_";
    if (n.rfind("capcode", 0) == 0 && n.size() > 7) {
      const auto cap = CapcodeNumber(n.substr(7, 1));
      if (!cap || n.substr(8, kBit.size()) != kBit || n.size() < 8 + kBit.size() + 2) return std::nullopt;
      const size_t letter = kBitLetters.find(n[8 + kBit.size()]);
      const std::string_view what = n.substr(8 + kBit.size() + 1);
      if (letter == std::string_view::npos) return std::nullopt;
      Form5 dialog(ed_);
      std::optional<ResolvedEdit> r;
      if (what == "_display")
        r = List(shown, {Ctl::cmdFunc, *cap}, dialog.cboDisp[letter].entries, value, Kind::FunBitDisplay);
      else if (what == "_type")
        r = List(shown, {Ctl::cmdFunc, *cap}, dialog.cboType[letter].entries, value, Kind::FunBitType);
      else if (what == "_priority")
        r = Box(shown, {Ctl::cmdFunc, *cap}, value, Kind::FunBitPriority);
      if (r) {
        r->index = *cap;
        r->bit = static_cast<int>(letter);
      }
      return r;
    }
    if (name == "personal_alert_length") {
      Form6 dialog(ed_);
      return List(shown, {Ctl::cmdAlert, 0}, dialog.cboPersonal.entries, value, Kind::PersonalAlert);
    }
    constexpr std::string_view kDrop = "mail_drop_", kAlert = "_alert";
    if (n.size() == kDrop.size() + 1 + kAlert.size() && n.rfind(kDrop, 0) == 0 && n.substr(kDrop.size() + 1) == kAlert) {
      const size_t j = kDropDigits.find(n[kDrop.size()]);
      if (j == std::string_view::npos) return std::nullopt;
      Form6 dialog(ed_);
      auto r = List(shown, {Ctl::cmdAlert, 0}, dialog.cboMailAler[j].entries, value, Kind::MailAlert);
      if (r) r->index = static_cast<int>(j);
      return r;
    }
    return std::nullopt;
  }

  static bool IsStatusText(const std::string& name) {
    for (std::string_view prefix : {"synth_", "alert_length_", "memory_kb_"})
      if (name.rfind(prefix, 0) == 0) return true;
    for (std::string_view suffix : {"_display", "_priority", "_type"})
      if (name.rfind("capcode", 0) == 0 && name.size() > suffix.size() &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        return true;
    return false;
  }

  Editor& ed_;
};

// Why the window does not let the user reach a control, or nullptr when it does.
const char* Unreachable(const ControlState* c) {
  if (!c || !c->exists) return "is not part of the window";
  if (!c->visible) return "is hidden in the window";
  if (!c->usable()) return "is disabled in the window";
  return nullptr;
}

bool RefuseUnreachable(CliMessages& messages, const ResolvedEdit& e, const char* why) {
  messages.Note(e.name + " " + why + "; it cannot be changed now.");
  return false;
}

size_t CodePoints(std::string_view utf8) {
  size_t n = 0;
  for (char c : utf8)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace

bool ResolveEdits(Editor& editor, const std::vector<Edit>& edits, std::vector<ResolvedEdit>& out,
                  std::string& error) {
  Resolver resolver(editor);
  out.clear();
  for (const Edit& e : edits) {
    auto r = resolver.Resolve(e);
    if (!r) {
      error = resolver.error;
      return false;
    }
    out.push_back(std::move(*r));
  }
  return true;
}

bool ApplyEdit(Editor& editor, CliHost& host, CliMessages& messages, const ResolvedEdit& e) {
  constexpr CtlRef kTabBack{Ctl::picTabBack, 0};
  if (const char* why = Unreachable(editor.Control(e.ref))) return RefuseUnreachable(messages, e, why);

  switch (e.kind) {
    case Kind::Box:
      return !editor.UserSetCheck(e.ref, e.value).refused && editor.Check(e.ref)->value == e.value;
    case Kind::List:
      // The battery lists only warn: what they store stays stored. The band
      // list is refused when the frequency field refuses the band's frequency.
      return !editor.UserSelect(e.ref, e.value).refused && editor.List(e.ref)->index == e.value;
    case Kind::Slider:
      return !editor.UserSetSlider(e.value).refused && editor.Slider1.Value == e.value;

    case Kind::Freq:
    case Kind::Capcode:
    case Kind::Password:
    case Kind::Prompt: {
      const TextState* field = editor.Text(e.ref);
      // The field itself takes no more characters than its length limit.
      if (field->maxLength > 0 && CodePoints(e.text) > static_cast<size_t>(field->maxLength)) {
        messages.Note(e.name + ": the field takes at most " + std::to_string(field->maxLength) +
                      " characters.");
        return false;
      }
      // Typed (each key release checks and may store), then left: the field
      // stores or refuses its entry.
      EditOutcome outcome = editor.UserEditText(e.ref, e.text);
      if (!outcome.refused) outcome = editor.SetFocus(kTabBack);
      // The refused frequency would cancel the next pager command; this run
      // saves nothing, so there is no command left to cancel.
      editor.state.FreqRejected = false;
      return !outcome.refused;
    }

    case Kind::FunBitDisplay:
    case Kind::FunBitType:
    case Kind::FunBitPriority: {
      bool opened = false;
      host.functionBitDialog = [&] {
        opened = true;
        Form5 dialog(editor);
        dialog.Open();
        if (e.kind == Kind::FunBitDisplay) dialog.SelectDisp(e.bit, e.value);
        if (e.kind == Kind::FunBitType) dialog.SelectType(e.bit, e.value);
        if (e.kind == Kind::FunBitPriority) dialog.SetPri(e.bit, e.value);
      };
      editor.Click(e.ref);
      host.functionBitDialog = nullptr;
      return opened;
    }
    case Kind::PersonalAlert:
    case Kind::MailAlert: {
      bool opened = false;
      host.alertLengthDialog = [&] {
        opened = true;
        Form6 dialog(editor);
        dialog.Open();
        if (e.kind == Kind::PersonalAlert)
          dialog.SelectPersonal(e.value);
        else
          dialog.SelectMail(e.index, e.value);
      };
      editor.Click(e.ref);
      host.alertLengthDialog = nullptr;
      return opened;
    }
  }
  return false;
}

}  // namespace qrt::cli
