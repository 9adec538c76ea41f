// Bad input tried the way a new user tries it, through the window's own
// paths: click into a field, type or paste, leave it. Every value field and
// every prompt field gets empty text, spaces, letters, signs, points,
// exponents, huge numbers, long pasted texts and characters Windows-1252 has
// no byte for; table files that are empty, short, long, foreign, unreadable
// or folders are opened; saves go to a read-only folder. Each entry is either
// refused with its message and changes no byte, or stored exactly.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "codecs/Capcode.h"
#include "editor/BoundControls.h"
#include "editor/Editor.h"
#include "image/Defaults.h"
#include "tables/TableFiles.h"
#include "tests/support/EditorRig.h"
#include "tests/support/TableFileFakes.h"

namespace qrt {
namespace {

using testing::Differences;
using testing::EditorRig;

const CtlRef kAway{Ctl::picTabBack, 0};
const CtlRef kFreq{Ctl::txtFreq, 0};
const CtlRef kPass{Ctl::txtPass, 0};

const std::string kFreqNotNumeric = "Please insert a decimal numeric!";
const std::string kFreqRange = "Frequency setting error(1300000 < = Frequency < =1800000 )";
const std::string kSpacing = "Channel Spacing Error!";
const std::string kCapNotNumeric = "Please insert a numeric!";
const std::string kCapRange = "Please insert a number between 0000007 to 2097151";
const std::string kPassNotNumeric = "Please insert a decimal numeric!";
const std::string kPassRange = "Please insert a number between 0000 to 9999";
const std::string kPromptTooLong = "Can not exceed 18 characters exclude left space!";
std::string BadCharacter(const std::string& c) {
  return "The character \"" + c + "\" can not be used in a prompt!";
}

// Texts a new user comes up with. Pasted ones reach the field whole.
const std::string kLongWords = [] {
  std::string s;
  for (int i = 0; i < 60; ++i) s += "pager settings ";
  return s;
}();
const std::string kThousandOnes(1000, '1');
const std::string kFullwidth145 = "\xEF\xBC\x91\xEF\xBC\x94\xEF\xBC\x95";  // １４５
const std::string kEuro = "\xE2\x82\xAC";                                   // €, in Windows-1252
const std::string kOmega = "\xCE\xA9";                                      // Ω, not in it
const std::string kChinese = "\xE4\xB8\xAD\xE6\x96\x87";                    // 中文
const std::string kEmoji = "\xF0\x9F\x98\x80";
const std::string kReplacement = "\xEF\xBF\xBD";

// Clicks into the field, pastes the whole text (one key release), leaves.
void Paste(EditorRig& w, CtlRef field, const std::string& text) {
  w.ed.UserEditText(field, text);
  w.ed.SetFocus(kAway);
}

// Clicks into the field and types the text one character at a time, each
// key followed by its release. After a refusal the user reads the message,
// gives up and leaves the field.
void Type(EditorRig& w, CtlRef field, const std::string& text) {
  w.ed.SetFocus(field);
  std::string typed;
  for (size_t i = 0; i < text.size();) {
    size_t end = i + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    const size_t said = w.msg.log.size();
    w.ed.KeyPress(field, static_cast<unsigned char>(text[i]));
    if (!(w.ed.focus == field)) break;
    typed += text.substr(i, end - i);
    w.ed.UserEditText(field, typed);
    if (w.msg.log.size() != said) break;
    i = end;
  }
  w.ed.SetFocus(kAway);
}

enum class How { Typed, Pasted };
const char* Name(How h) { return h == How::Typed ? "typed" : "pasted"; }

// ------------------------------------------------------------ frequency

struct FreqCase {
  std::string text;
  How how;
  std::vector<std::string> messages;
  std::optional<uint32_t> stored;  // the receive frequency stored; nullopt: image unchanged
};

// The window is on band 0 with 1530000 stored; 1450000 is on the same 5 kHz
// raster (preset 1), so accepting it changes the receive frequency only.
const std::vector<FreqCase> kFreqCases = {
    {"", How::Pasted, {}, std::nullopt},
    {"   ", How::Pasted, {kFreqNotNumeric}, std::nullopt},
    {"abc", How::Typed, {kFreqNotNumeric}, std::nullopt},
    {"-", How::Typed, {kFreqNotNumeric}, std::nullopt},
    {"+", How::Typed, {kFreqNotNumeric}, std::nullopt},
    {".", How::Typed, {kFreqNotNumeric}, std::nullopt},
    {"1E", How::Pasted, {kFreqNotNumeric}, std::nullopt},
    {"1 450 000", How::Pasted, {kFreqNotNumeric}, std::nullopt},
    {"0x161C50", How::Pasted, {kFreqNotNumeric}, std::nullopt},
    // A sign typed first is refused at once and the stored frequency comes back.
    {"-1450000", How::Typed, {kFreqNotNumeric}, std::nullopt},
    {"-1450000", How::Pasted, {kFreqRange}, std::nullopt},
    {"+1450000", How::Pasted, {}, 1450000},
    {"1450000.0", How::Typed, {}, 1450000},
    {"1450000.4", How::Typed, {kSpacing}, std::nullopt},
    {"145.0000", How::Typed, {kFreqRange}, std::nullopt},
    {"1.45E6", How::Pasted, {}, 1450000},
    {"14500000e-1", How::Pasted, {}, 1450000},
    {"1E400", How::Pasted, {kFreqNotNumeric}, std::nullopt},
    {"99999999999999999999", How::Typed, {kFreqRange}, std::nullopt},
    {kThousandOnes, How::Pasted, {kFreqNotNumeric}, std::nullopt},
    {"1450000" + std::string(500, ' '), How::Pasted, {}, 1450000},
    {kLongWords, How::Pasted, {kFreqNotNumeric}, std::nullopt},
    {kFullwidth145, How::Pasted, {kFreqNotNumeric}, std::nullopt},
    {"1450000" + kEuro, How::Pasted, {kFreqNotNumeric}, std::nullopt},
};

TEST(BadInput, FrequencyIsRefusedWithItsMessageOrStoredExactly) {
  for (const FreqCase& c : kFreqCases) {
    SCOPED_TRACE(std::string(Name(c.how)) + " [" + c.text.substr(0, 40) + "]");
    EditorRig w;
    const Image before = w.img();
    (c.how == How::Typed ? Type : Paste)(w, kFreq, c.text);

    EXPECT_EQ(w.msg.Texts(), c.messages);
    for (const auto& m : w.msg.log) EXPECT_EQ(m.icon, MsgIcon::Warning);
    Image expected = before;
    if (c.stored) SetBE32(expected, 0x068, *c.stored);
    EXPECT_EQ(Differences(expected, w.img()), std::vector<std::string>{});
    // Where the entry was refused on leaving, the focus is back in the field
    // and the field says so; otherwise it shows what the image holds.
    const bool refusedOnLeaving =
        !c.messages.empty() && c.messages.back() != kFreqNotNumeric;
    EXPECT_EQ(w.state.FreqRejected, refusedOnLeaving);
    EXPECT_EQ(w.ed.focus == kFreq, refusedOnLeaving);
    if (!refusedOnLeaving) {
      EXPECT_EQ(w.ed.txtFreq.text, std::to_string(GetBE32(w.img(), 0x068)));
    }
  }
}

// A refused frequency is never sent to a pager: the command repeats the
// refusal and is dropped, as long as the entry stays; once the user empties
// the field, the stored frequency is back and the command runs.
TEST(BadInput, RefusedFrequencyNeverReachesAPager) {
  for (const std::string text : {"-1450000", "1450000.4", "99999999999999999999"}) {
    SCOPED_TRACE(text);
    EditorRig w;
    const Image before = w.img();
    Paste(w, kFreq, text);
    ASSERT_TRUE(w.state.FreqRejected);
    ASSERT_EQ(w.msg.log.size(), 1u);

    w.ed.PagerCommand(1);
    EXPECT_EQ(w.host.Count("Form2"), 0);
    EXPECT_EQ(w.msg.log.size(), 2u) << "the refusal is said again when the command makes the field store";
    EXPECT_EQ(w.img(), before);

    w.ed.UserEditText(kFreq, "");
    w.ed.PagerCommand(1);
    EXPECT_EQ(w.host.Count("Form2"), 1);
    EXPECT_EQ(w.msg.log.size(), 2u);
    EXPECT_EQ(w.ed.txtFreq.text, "1530000");
  }
}

// ------------------------------------------------------------- capcodes

struct NumberCase {
  std::string text;
  How how;
  std::vector<std::string> messages;
  std::optional<int32_t> stored;  // nullopt: image unchanged
};

const std::vector<NumberCase> kCapcodeCases = {
    {"", How::Pasted, {}, std::nullopt},
    {"   ", How::Pasted, {kCapNotNumeric}, std::nullopt},
    {"abc", How::Typed, {kCapNotNumeric}, std::nullopt},
    {"-", How::Typed, {kCapNotNumeric}, std::nullopt},
    {"-5", How::Pasted, {kCapRange}, std::nullopt},
    {"-5", How::Typed, {kCapNotNumeric}, std::nullopt},
    {"+5", How::Pasted, {}, 5},
    {"-0", How::Pasted, {}, 0},
    {"7", How::Typed, {}, 7},
    {".", How::Pasted, {kCapNotNumeric}, std::nullopt},
    {"12.5", How::Typed, {}, 12},
    {"13.5", How::Pasted, {}, 14},
    {"1e3", How::Pasted, {}, 1000},
    // Every key release stores: "1" is in the record when "1e" is refused,
    // and the field shows that 1.
    {"1e3", How::Typed, {kCapNotNumeric}, 1},
    {"1E400", How::Pasted, {kCapNotNumeric}, std::nullopt},
    {"2097151", How::Typed, {}, 2097151},
    {"2097151.4", How::Pasted, {kCapRange}, std::nullopt},
    {"2097152", How::Pasted, {kCapRange}, std::nullopt},
    {"2097152", How::Typed, {kCapRange}, 209715},
    {"99999999999999999999", How::Pasted, {kCapRange}, std::nullopt},
    {kThousandOnes, How::Pasted, {kCapNotNumeric}, std::nullopt},
    {kLongWords, How::Pasted, {kCapNotNumeric}, std::nullopt},
    {kFullwidth145, How::Pasted, {kCapNotNumeric}, std::nullopt},
    {"12" + kOmega, How::Pasted, {kCapNotNumeric}, std::nullopt},
};

TEST(BadInput, EveryCapcodeIsRefusedWithItsMessageOrStoredExactly) {
  for (int index = 0; index < kCapcodeCount; ++index) {
    for (const NumberCase& c : kCapcodeCases) {
      SCOPED_TRACE("Cap #" + std::to_string(index + 1) + " " + Name(c.how) + " [" + c.text.substr(0, 40) + "]");
      EditorRig w;
      const CtlRef field{Ctl::txtAddr, index};
      const Image before = w.img();
      (c.how == How::Typed ? Type : Paste)(w, field, c.text);

      EXPECT_EQ(w.msg.Texts(), c.messages);
      for (const auto& m : w.msg.log) EXPECT_EQ(m.icon, MsgIcon::Warning);
      Image expected = before;
      if (c.stored) StoreCapcode(expected, index, *c.stored);
      EXPECT_EQ(Differences(expected, w.img()), std::vector<std::string>{});
      // Leaving always shows the record, zero-padded, and lets the focus go.
      EXPECT_EQ(w.ed.txtAddr[index].text, CapcodeText(DecodeCapcode(w.img(), index)));
      EXPECT_EQ(w.ed.focus, kAway);
    }
  }
}

// ------------------------------------------------------------- password

struct PasswordCase {
  std::string text;
  How how;
  std::vector<std::string> messages;
  std::optional<std::string> shown;  // the four digits stored; nullopt: unchanged
};

const std::vector<PasswordCase> kPasswordCases = {
    {"", How::Pasted, {}, std::nullopt},
    {"    ", How::Pasted, {kPassNotNumeric}, std::nullopt},
    {"abc", How::Typed, {kPassNotNumeric}, std::nullopt},
    {"-", How::Typed, {kPassNotNumeric}, std::nullopt},
    {"-1", How::Pasted, {kPassRange}, std::nullopt},
    {"+12", How::Pasted, {kPassRange}, std::nullopt},
    {"12.5", How::Pasted, {kPassRange}, std::nullopt},
    {"12.5", How::Typed, {kPassRange}, "0012"},
    {"1e3", How::Pasted, {kPassRange}, std::nullopt},
    {"1E400", How::Pasted, {kPassNotNumeric}, std::nullopt},
    {"1 2", How::Pasted, {kPassNotNumeric}, std::nullopt},
    {" 12 ", How::Pasted, {}, "0012"},
    {"0042", How::Typed, {}, "0042"},
    {"9999", How::Pasted, {}, "9999"},
    {"12345", How::Pasted, {kPassRange}, std::nullopt},
    {"12345", How::Typed, {kPassRange}, "1234"},
    {"99999999999999999999", How::Pasted, {kPassRange}, std::nullopt},
    {kLongWords, How::Pasted, {kPassNotNumeric}, std::nullopt},
    {kFullwidth145, How::Pasted, {kPassNotNumeric}, std::nullopt},
};

TEST(BadInput, PasswordIsRefusedWithItsMessageOrStoredExactly) {
  for (const PasswordCase& c : kPasswordCases) {
    SCOPED_TRACE(std::string(Name(c.how)) + " [" + c.text.substr(0, 40) + "]");
    EditorRig w;
    // A known password first, so that an unchanged one can be told from a new one.
    Paste(w, kPass, "7531");
    w.msg.Clear();
    const Image before = w.img();
    (c.how == How::Typed ? Type : Paste)(w, kPass, c.text);

    EXPECT_EQ(w.msg.Texts(), c.messages);
    Image expected = before;
    if (c.shown) {
      for (int k = 0; k < 4; ++k) expected[0x3B3 - k] = static_cast<uint8_t>((*c.shown)[k] - '0');
    }
    EXPECT_EQ(Differences(expected, w.img()), std::vector<std::string>{});
    EXPECT_EQ(w.ed.txtPass.text, c.shown.value_or("7531"));
    for (int a = 0x3B0; a <= 0x3B3; ++a) EXPECT_LE(w.img()[a], 9) << "only digits 0 to 9 reach the pager";
  }
}

// --------------------------------------------------------------- prompts

struct PromptCase {
  std::string name;
  std::string text;
  std::optional<std::string> message;  // refused with this; nullopt: stored
  int lead = 0;                        // stored: leading-space nibble
  std::string bytes;                   // stored: the counted text bytes, Windows-1252
  std::string shown;                   // stored: what the field shows afterwards
};

const std::string k18 = "ABCDEFGHIJKLMNOPQR";

const std::vector<PromptCase> kPromptCases = {
    {"empty", "", std::nullopt, 0, " ", ""},
    {"five spaces", "     ", std::nullopt, 5, " ", "     "},
    {"twenty spaces", std::string(20, ' '), std::nullopt, 15, std::string(5, ' '), std::string(20, ' ')},
    {"letters with spaces around", "   ESCAPE  ", std::nullopt, 3, "ESCAPE", "   ESCAPE"},
    {"signs points exponents", "+-1.5E3,", std::nullopt, 0, "+-1.5E3,", "+-1.5E3,"},
    {"eighteen", k18, std::nullopt, 0, k18, k18},
    {"eighteen after leading spaces", "   " + k18, std::nullopt, 3, k18, "   " + k18},
    {"nineteen", k18 + "S", kPromptTooLong, 0, "", ""},
    {"trailing spaces count", k18.substr(0, 17) + "  ", kPromptTooLong, 0, "", ""},
    {"more than 15 spaces before 18 letters", std::string(16, ' ') + k18, kPromptTooLong, 0, "", ""},
    {"long pasted text", kLongWords, kPromptTooLong, 0, "", ""},
    {"Windows-1252 letters", "\xC3\xA9" + kEuro + "\xC3\xBC", std::nullopt, 0, "\xE9\x80\xFC",
     "\xC3\xA9" + kEuro + "\xC3\xBC"},
    {"Greek", "AB" + kOmega, BadCharacter(kOmega), 0, "", ""},
    {"Chinese", kChinese, BadCharacter("\xE4\xB8\xAD"), 0, "", ""},
    {"emoji", "OK " + kEmoji, BadCharacter(kEmoji), 0, "", ""},
    {"combining accent", "e\xCC\x81", BadCharacter("\xCC\x81"), 0, "", ""},
    // Bytes that are not UTF-8 at all (a script's raw input) are named by
    // the replacement character, so the message stays readable text.
    {"raw byte", "A\xFF", BadCharacter(kReplacement), 0, "", ""},
    {"stray continuation byte", "ab\x80", BadCharacter(kReplacement), 0, "", ""},
    {"truncated sequence", "ab\xC3", BadCharacter(kReplacement), 0, "", ""},
};

// Source prompts take input only while they are switched on; switch them all
// on the way a user does.
void EnableSourcePrompts(EditorRig& w) {
  w.ed.UserSelect({Ctl::cboSource, 0}, 1);
  for (int e = 33; e <= 64; ++e) w.ed.UserSetCheck({Ctl::chkSource, e}, 1);
  w.ed.SetFocus(kAway);
  w.msg.Clear();
}

TEST(BadInput, EveryPromptIsRefusedWithItsMessageOrStoredExactly) {
  EditorRig w;
  EnableSourcePrompts(w);
  const Image start = w.img();
  for (const PromptField& field : PromptFields()) {
    const int e = field.element;
    const int a = w.ed.PromptAddress(e);
    for (const PromptCase& c : kPromptCases) {
      SCOPED_TRACE("prompt " + std::to_string(e) + ", " + c.name);
      w.img() = start;
      w.ed.init_ctl();
      w.msg.Clear();
      const Image before = w.img();
      Paste(w, {Ctl::txtPrompt, e}, c.text);

      if (c.message) {
        ASSERT_EQ(w.msg.Texts(), std::vector<std::string>{*c.message});
        EXPECT_EQ(w.msg.log[0].icon, MsgIcon::None);
        EXPECT_EQ(Differences(before, w.img()), std::vector<std::string>{});
        EXPECT_EQ(w.ed.focus, (CtlRef{Ctl::txtPrompt, e})) << "the field keeps the focus";
        // The user clears the field and leaves; that is stored like any entry.
        w.ed.txtPrompt[e].text.clear();
        w.ed.SetFocus(kAway);
        EXPECT_EQ(w.ed.focus, kAway);
        continue;
      }
      EXPECT_TRUE(w.msg.log.empty()) << w.msg.log[0].text;
      Image expected = before;
      expected[a] = static_cast<uint8_t>((before[a] & 0xF0) | c.lead);
      expected[a + 1] = static_cast<uint8_t>(c.bytes.size());
      for (size_t k = 0; k < c.bytes.size(); ++k) expected[a + 2 + k] = static_cast<uint8_t>(c.bytes[k]);
      if (e == 0) {
        // Spaces beyond the fifteen the nibble holds are text.
        const bool blank = c.text.find_first_not_of(' ') == std::string::npos && c.text.size() <= 15;
        expected[0x03B] = static_cast<uint8_t>((before[0x03B] & ~0x03) | (blank ? 0 : 2));
      }
      EXPECT_EQ(Differences(expected, w.img()), std::vector<std::string>{});
      EXPECT_EQ(w.ed.txtPrompt[e].text, c.shown);
    }
  }
}

// ------------------------------------------------------------ table files

namespace fs = std::filesystem;

using test::FakeUi;
using test::FileBytes;
using test::kTitle;
using test::WriteBytes;

// A scratch folder that an unprivileged user can reach.
struct Scratch {
  Scratch() {
    char pattern[] = "/tmp/qrt-bad-input-XXXXXX";
    dir = ::mkdtemp(pattern);
    ::chmod(dir.c_str(), 0755);
  }
  ~Scratch() {
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(dir, ec))
      ::chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
    fs::remove_all(dir, ec);
  }
  std::string Path(const std::string& name) const { return dir + "/" + name; }
  std::string dir;
};

// Runs `body` in a child process without root's privileges (as "nobody" when
// the tests run as root), so that file permissions hold as they do for a
// user. The body returns what went wrong, or nothing.
std::string AsUser(const std::function<std::string()>& body) {
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child < 0) return "no fork";
  if (child == 0) {
    ::close(out[0]);
    std::string result;
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      result = "cannot drop root's privileges";
    else
      result = body();
    if (!result.empty()) (void)!::write(out[1], result.data(), result.size());
    ::_exit(0);
  }
  ::close(out[1]);
  std::string result;
  char buf[512];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) result.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) result += " (child did not end normally)";
  return result;
}

struct OpenCase {
  std::string name;
  std::function<std::string(const Scratch&, const std::vector<uint8_t>& good)> make;  // returns the path
  std::function<std::string(const std::string& path)> message;
  bool asUser = false;
};

std::string NotOurFormat(const std::string& path) {
  return "The [" + path + "] is not correct format, the file will discard !";
}

TEST(BadInput, TableFilesThatCannotBeOursAreRefusedAndChangeNothing) {
  const auto write = [](const Scratch& s, const std::string& name, std::vector<uint8_t> bytes) {
    WriteBytes(s.Path(name), bytes);
    return s.Path(name);
  };
  const std::vector<OpenCase> cases = {
      {"empty", [&](const Scratch& s, const auto&) { return write(s, "empty.tbl", {}); }, NotOurFormat},
      {"short", [&](const Scratch& s, const auto& good) {
         return write(s, "short.tbl", {good.begin(), good.begin() + 997});
       }, NotOurFormat},
      {"another model", [&](const Scratch& s, const auto& good) {
         auto other = good;
         other[0x3E1] = 'q';  // the name is compared exactly, case included
         return write(s, "other.tbl", other);
       }, NotOurFormat},
      {"text file", [&](const Scratch& s, const auto&) {
         const std::string words = kLongWords + kLongWords + kLongWords;
         return write(s, "notes.tbl", {words.begin(), words.end()});
       }, NotOurFormat},
      {"missing", [](const Scratch& s, const auto&) { return s.Path("missing.tbl"); },
       [](const std::string&) { return std::string("This file is not exit!"); }},
      {"folder", [](const Scratch& s, const auto&) {
         fs::create_directory(s.Path("folder.tbl"));
         return s.Path("folder.tbl");
       }, [](const std::string& p) { return "Could not open [" + p + "]: Is a directory"; }},
      {"unreadable", [&](const Scratch& s, const auto& good) {
         const std::string p = write(s, "locked.tbl", good);
         ::chmod(p.c_str(), 0);
         return p;
       }, [](const std::string& p) { return "Could not open [" + p + "]: Permission denied"; }, true},
  };

  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch scratch;
    EditorRig w;
    FakeUi ui;
    // A good table is open and is the target of Save.
    const std::string good = scratch.Path("good.tbl");
    ui.saveAnswers = {good};
    mnuSA_Click(w.ed, ui);
    const std::vector<uint8_t> goodBytes = FileBytes(good);
    ASSERT_EQ(goodBytes.size(), 2048u);
    const std::string path = c.make(scratch, goodBytes);
    w.img()[0x200] ^= 0xFF;  // an edit since
    const Image before = w.img();
    const std::string titleBefore = ui.title;

    auto check = [&]() -> std::string {
      ui.openAnswers = {path};
      w.msg.Clear();
      mnuLBFF_Click(w.ed, ui);
      std::string wrong;
      if (w.msg.Texts() != std::vector<std::string>{c.message(path)})
        wrong += "messages: " + (w.msg.log.empty() ? std::string("none") : w.msg.log[0].text) + "; ";
      if (w.img() != before) wrong += "image changed; ";
      if (ui.title != titleBefore) wrong += "title changed to " + ui.title + "; ";
      if (w.state.CurrentTablePath != good) wrong += "Save now goes to " + w.state.CurrentTablePath + "; ";
      return wrong;
    };
    EXPECT_EQ(c.asUser ? AsUser(check) : check(), "");
  }
}

TEST(BadInput, SaveIntoAReadOnlyFolderSaysSoAndKeepsTheOldFile) {
  Scratch scratch;
  fs::create_directory(scratch.Path("ro"));
  const std::string path = scratch.Path("ro/profile.tbl");
  const std::vector<uint8_t> old(2048, 0x5A);
  WriteBytes(path, old);
  ::chmod(path.c_str(), 0644);
  ::chmod(scratch.Path("ro").c_str(), 0555);

  EditorRig w;
  FakeUi ui;
  w.msg.answers = {true};  // yes, overwrite
  ui.saveAnswers = {path};
  const std::string result = AsUser([&]() -> std::string {
    mnuSA_Click(w.ed, ui);
    std::string wrong;
    const std::vector<std::string> want{"This file is arealy exist ! \nAre you sure overwrite this file?",
                                        "Could not save [" + path + "]: Permission denied"};
    if (w.msg.Texts() != want) wrong += "messages differ (" + std::to_string(w.msg.log.size()) + "); ";
    if (FileBytes(path) != old) wrong += "old file damaged; ";
    if (ui.title != kTitle) wrong += "title changed; ";
    if (w.state.CurrentTablePath == path) wrong += "the failed target became the Save target; ";
    return wrong;
  });
  EXPECT_EQ(result, "");
  EXPECT_EQ(FileBytes(path), old);
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(scratch.Path("ro"))) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u) << "nothing left behind";
}

// A table the user has made read-only in a folder they may write to: the
// save is refused like a write into the file would be, and the file stays.
TEST(BadInput, SaveOntoAReadOnlyTableSaysSoAndKeepsIt) {
  Scratch scratch;
  const std::string path = scratch.Path("kept.tbl");
  const std::vector<uint8_t> old(2048, 0x3C);
  WriteBytes(path, old);
  ::chmod(path.c_str(), 0444);
  ::chmod(scratch.dir.c_str(), 0777);

  EditorRig w;
  FakeUi ui;
  w.state.CurrentTablePath = path;
  const std::string result = AsUser([&]() -> std::string {
    mnuSBTF_Click(w.ed, ui);
    std::string wrong;
    if (w.msg.Texts() != std::vector<std::string>{"Could not save [" + path + "]: Permission denied"})
      wrong += "messages: " + (w.msg.log.empty() ? std::string("none") : w.msg.log[0].text) + "; ";
    if (FileBytes(path) != old) wrong += "read-only table replaced; ";
    return wrong;
  });
  EXPECT_EQ(result, "");
  EXPECT_EQ(FileBytes(path), old);
  struct stat sb;
  ASSERT_EQ(::stat(path.c_str(), &sb), 0);
  EXPECT_EQ(sb.st_mode & 0777, 0444u);
}

}  // namespace
}  // namespace qrt
