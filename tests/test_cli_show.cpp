// qrt35 show: every setting of the window, as text and as one JSON document,
// parsed back here strictly.
#include <set>
#include <sstream>

#include "editor/BoundControls.h"
#include "tests/test_cli_rig.h"

namespace qrt::clitest {
namespace {

const std::vector<std::string> kPages = {"Freq. & Codes", "Alert & Status", "Prompts Edit", "Source Prompts"};

class Show : public CliTest {
 protected:
  void MakeTable(const std::string& name, std::vector<std::string> edits = {}) {
    ASSERT_EQ(Run({"new", Path(name)}).code, 0);
    if (edits.empty()) return;
    edits.insert(edits.begin(), {"set", Path(name)});
    const RunResult set = Run(edits);
    ASSERT_EQ(set.code, 0) << set.err;
  }

  Json ShowJson(const std::string& name) {
    const RunResult r = Run({"show", "--json", Path(name)});
    EXPECT_EQ(r.code, 0) << r.err;
    try {
      return ParseJson(r.out);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what() << "\n" << r.out;
      return {};
    }
  }

  // The setting `name` wherever it sits; fails the test when it is missing.
  static const Json& Setting(const Json& doc, const std::string& name) {
    for (const auto& page : doc.at("pages").items())
      if (page.value().contains(name)) return page.value().at(name);
    throw std::runtime_error("no setting " + name);
  }

  static std::set<std::string> Strings(const Json& array) {
    std::set<std::string> out;
    for (const Json& item : array) out.insert(item.get<std::string>());
    return out;
  }
};

TEST_F(Show, JsonHasTheFourPagesAndEveryBoundControlAndPromptWithItsType) {
  MakeTable("a.tbl");
  const Json doc = ShowJson("a.tbl");
  ASSERT_TRUE(doc.is_object());
  EXPECT_EQ(doc.at("file"), Path("a.tbl"));

  std::vector<std::string> pages;
  for (const auto& p : doc.at("pages").items()) pages.push_back(p.key());
  EXPECT_EQ(pages, kPages);

  for (const BoundControl& c : BoundControls()) {
    const std::string name(c.name);
    const Json& page = doc.at("pages").at(std::string(c.page));
    ASSERT_TRUE(page.contains(name)) << name << " is missing from page " << c.page;
    const Json& v = page.at(name);
    if (c.entries.empty()) {
      EXPECT_TRUE(v.is_boolean()) << name;
    } else {
      ASSERT_TRUE(v.is_string()) << name;
      bool isEntry = false;
      for (std::string_view e : c.entries) isEntry |= v.get<std::string>() == e;
      EXPECT_TRUE(isEntry) << name << " shows " << v << ", which its list does not have";
    }
  }
  for (const PromptField& f : PromptFields()) {
    const Json& page = doc.at("pages").at(std::string(f.page));
    ASSERT_TRUE(page.contains(std::string(f.name))) << f.name;
    const Json& v = page.at(std::string(f.name));
    ASSERT_TRUE(v.is_object()) << f.name;
    EXPECT_TRUE(v.at("text").is_string()) << f.name;
    EXPECT_TRUE(v.at("enabled").is_boolean()) << f.name;
  }
  const Json& codes = doc.at("pages").at("Freq. & Codes");
  for (int i = 1; i <= 8; ++i) {
    const std::string cap = "capcode" + std::to_string(i);
    ASSERT_TRUE(codes.at(cap).is_string());
    EXPECT_EQ(codes.at(cap).get<std::string>().size(), 7u) << cap;  // zero-padded decimal
    EXPECT_EQ(codes.at(cap + "_display").get<std::string>().size(), 4u);
    EXPECT_EQ(codes.at(cap + "_priority").get<std::string>().size(), 4u);
  }
  EXPECT_TRUE(Setting(doc, "screen_contrast").is_number_integer());

  // Every hidden or disabled name is a setting of the document.
  for (const char* list : {"hidden", "disabled"})
    for (const std::string& name : Strings(doc.at(list))) EXPECT_NO_THROW(Setting(doc, name)) << name;
}

TEST_F(Show, JsonFollowsTheEditsAndTheWindowsVisibilityRules) {
  MakeTable("a.tbl", {"--band", "130-180MHz-GP(RoHS)", "--capcode", "2=42", "--option", "paging_display=Direct",
                      "--option", "prompt_control=Forward", "--option", "source_prompt_2_on=on",
                      "--option", "screen_contrast=7"});
  const Json doc = ShowJson("a.tbl");
  EXPECT_EQ(Setting(doc, "band"), "130-180MHz-GP(RoHS)");
  EXPECT_EQ(Setting(doc, "capcode2"), "0000042");
  EXPECT_EQ(Setting(doc, "synth_bfreq"), "-------");
  EXPECT_EQ(Setting(doc, "screen_contrast"), 7);

  const std::set<std::string> hidden = Strings(doc.at("hidden"));
  EXPECT_TRUE(hidden.count("freq_modification_enable"));  // the GP band hides it
  EXPECT_FALSE(hidden.count("direct_show_lamp_on"));      // "Direct" shows it

  const std::set<std::string> disabled = Strings(doc.at("disabled"));
  EXPECT_FALSE(disabled.count("source_prompt_2"));
  EXPECT_EQ(Setting(doc, "source_prompt_2").at("enabled"), true);
  EXPECT_TRUE(disabled.count("source_prompt_3"));  // its box is off
  EXPECT_FALSE(disabled.count("source_prompt_3_on"));
  EXPECT_EQ(Setting(doc, "source_prompt_3").at("enabled"), false);
}

TEST_F(Show, PromptTextsSurviveTheJsonEscapes) {
  MakeTable("a.tbl");
  const std::vector<std::pair<std::string, std::string>> prompts = {
      {"prompt_1", "  say \"hi\""},
      {"prompt_2", "back\\slash"},
      {"prompt_3", "tab\there"},
      {"prompt_4", "caf\xC3\xA9 \xE2\x82\xAC 5"},  // café € 5
      {"logo", "     LOGO"},
  };
  std::vector<std::string> args = {"set", Path("a.tbl")};
  for (const auto& [name, text] : prompts) args.insert(args.end(), {"--prompt", name + "=" + text});
  ASSERT_EQ(Run(args).code, 0);

  // Bytes no field lets anyone type still reach the document escaped: a
  // control code, DEL and a byte Windows-1252 leaves undefined (shown as the
  // C1 control U+0081) in the text of prompt 5 (record 0x164).
  Image image = Table("a.tbl");
  image[0x164] = 0x00;
  image[0x165] = 4;
  image[0x166] = 'A';
  image[0x167] = 0x01;
  image[0x168] = 0x7F;
  image[0x169] = 0x81;
  Spill(Path("a.tbl"), ImageBytes(image));

  const RunResult r = Run({"show", "--json", Path("a.tbl")});
  ASSERT_EQ(r.code, 0);
  const Json doc = ParseJson(r.out);
  for (const auto& [name, text] : prompts) EXPECT_EQ(Setting(doc, name).at("text"), text) << name;
  EXPECT_EQ(Setting(doc, "prompt_5").at("text"), std::string("A\x01\x7F\xC2\x81", 5));
  EXPECT_EQ(r.out.find('\x7F'), std::string::npos) << "DEL is written escaped";
  EXPECT_EQ(r.out.find("\xC2\x81"), std::string::npos) << "C1 controls are written escaped";
}

TEST_F(Show, AFileNameThatIsNotUtf8StillGivesValidJson) {
  const std::string name = std::string("odd-\xFF\xC3(-name.tbl");
  MakeTable(name);
  const RunResult r = Run({"show", "--json", Path(name)});
  ASSERT_EQ(r.code, 0) << r.err;
  const Json doc = ParseJson(r.out);
  const std::string replacement = "\xEF\xBF\xBD";  // U+FFFD for each byte that is not UTF-8
  EXPECT_EQ(doc.at("file"), (dir / ("odd-" + replacement + replacement + "(-name.tbl")).string());
}

// The text form says the same as the JSON document, line for line.
TEST_F(Show, TextAndJsonAgree) {
  MakeTable("a.tbl", {"--prompt", "2=  two  words", "--option", "set_alert_off=on", "--password", "7"});
  const Json doc = ShowJson("a.tbl");
  const RunResult text = Run({"show", Path("a.tbl")});
  ASSERT_EQ(text.code, 0);

  std::istringstream in(text.out);
  std::string line, page;
  size_t settings = 0;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    if (line.front() == '[') {
      page = line.substr(1, line.size() - 2);
      continue;
    }
    std::string rest = line;
    const bool hidden = rest.find("  (hidden)") != std::string::npos;
    const bool disabled = rest.find("  (disabled)") != std::string::npos;
    for (const char* mark : {"  (disabled)", "  (hidden)"})
      if (const size_t at = rest.rfind(mark); at != std::string::npos && at + std::strlen(mark) == rest.size())
        rest.erase(at);
    const size_t gap = rest.find(' ');
    ASSERT_NE(gap, std::string::npos) << line;
    const std::string name = rest.substr(0, gap);
    const std::string value = rest.substr(rest.find_first_not_of(' ', gap));
    ASSERT_TRUE(doc.at("pages").at(page).contains(name)) << name << " on page " << page;
    const Json& v = doc.at("pages").at(page).at(name);
    ++settings;
    if (v.is_boolean()) {
      EXPECT_EQ(value, v.get<bool>() ? "on" : "off") << name;
    } else if (v.is_number_integer()) {
      EXPECT_EQ(value, std::to_string(v.get<long long>())) << name;
    } else if (v.is_null()) {
      EXPECT_EQ(value, "(none)") << name;
    } else if (v.is_object()) {
      EXPECT_EQ(ParseJson(value), v.at("text")) << name;
      EXPECT_EQ(disabled, !v.at("enabled").get<bool>()) << name;
    } else {
      EXPECT_EQ(value.front() == '"' ? ParseJson(value) : Json(value), v) << name;
    }
    EXPECT_EQ(hidden, Strings(doc.at("hidden")).count(name) == 1) << name;
  }
  size_t inDocument = 0;
  for (const auto& p : doc.at("pages").items()) inDocument += p.value().size();
  EXPECT_EQ(settings, inDocument);
}

TEST_F(Show, ShowingChangesNoFile) {
  // Thresholds out of order make the window warn while it shows the image.
  MakeTable("a.tbl", {"--option", "battery_level_high=1.00V"});
  const std::string before = Slurp(Path("a.tbl"));
  const RunResult r = Run({"show", Path("a.tbl")});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.err.find("Waring ! You must let ( Level-High > Level-Med > Level-Low )."), std::string::npos);
  EXPECT_EQ(Slurp(Path("a.tbl")), before);
}

}  // namespace
}  // namespace qrt::clitest
