// qrt35 show: every setting of the window, as text and as one JSON document,
// parsed back here with a strict reader.
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
      return JsonReader::Parse(r.out);
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what() << "\n" << r.out;
      return {};
    }
  }

  // The setting `name` wherever it sits; fails the test when it is missing.
  static const Json& Setting(const Json& doc, const std::string& name) {
    for (const auto& page : doc["pages"].members)
      if (const Json* v = page.second.Find(name)) return *v;
    throw std::runtime_error("no setting " + name);
  }

  static std::set<std::string> Strings(const Json& array) {
    std::set<std::string> out;
    for (const Json& item : array.items) out.insert(item.string);
    return out;
  }
};

TEST_F(Show, JsonHasTheFourPagesAndEveryBoundControlAndPromptWithItsType) {
  MakeTable("a.tbl");
  const Json doc = ShowJson("a.tbl");
  ASSERT_EQ(doc.type, Json::Type::Object);
  EXPECT_EQ(doc["file"].string, Path("a.tbl"));

  std::vector<std::string> pages;
  for (const auto& p : doc["pages"].members) pages.push_back(p.first);
  EXPECT_EQ(pages, kPages);

  for (const BoundControl& c : BoundControls()) {
    const std::string name(c.name);
    const Json* v = doc["pages"][std::string(c.page)].Find(name);
    ASSERT_NE(v, nullptr) << name << " is missing from page " << c.page;
    if (c.entries.empty()) {
      EXPECT_EQ(v->type, Json::Type::Bool) << name;
    } else {
      ASSERT_EQ(v->type, Json::Type::String) << name;
      bool isEntry = false;
      for (std::string_view e : c.entries) isEntry |= v->string == e;
      EXPECT_TRUE(isEntry) << name << " shows \"" << v->string << "\", which its list does not have";
    }
  }
  for (const PromptField& f : PromptFields()) {
    const Json* v = doc["pages"][std::string(f.page)].Find(std::string(f.name));
    ASSERT_NE(v, nullptr) << f.name;
    ASSERT_EQ(v->type, Json::Type::Object) << f.name;
    EXPECT_EQ((*v)["text"].type, Json::Type::String) << f.name;
    EXPECT_EQ((*v)["enabled"].type, Json::Type::Bool) << f.name;
  }
  for (int i = 1; i <= 8; ++i) {
    const std::string cap = "capcode" + std::to_string(i);
    const Json& value = doc["pages"]["Freq. & Codes"][cap];
    ASSERT_EQ(value.type, Json::Type::String);
    EXPECT_EQ(value.string.size(), 7u) << cap;  // zero-padded decimal
    EXPECT_EQ(doc["pages"]["Freq. & Codes"][cap + "_display"].string.size(), 4u);
    EXPECT_EQ(doc["pages"]["Freq. & Codes"][cap + "_priority"].string.size(), 4u);
  }
  EXPECT_EQ(Setting(doc, "screen_contrast").type, Json::Type::Number);

  // Every hidden or disabled name is a setting of the document.
  for (const char* list : {"hidden", "disabled"})
    for (const std::string& name : Strings(doc[list])) EXPECT_NO_THROW(Setting(doc, name)) << name;
}

TEST_F(Show, JsonFollowsTheEditsAndTheWindowsVisibilityRules) {
  MakeTable("a.tbl", {"--band", "130-180MHz-GP(RoHS)", "--capcode", "2=42", "--option", "paging_display=Direct",
                      "--option", "prompt_control=Forward", "--option", "source_prompt_2_on=on",
                      "--option", "screen_contrast=7"});
  const Json doc = ShowJson("a.tbl");
  EXPECT_EQ(Setting(doc, "band").string, "130-180MHz-GP(RoHS)");
  EXPECT_EQ(Setting(doc, "capcode2").string, "0000042");
  EXPECT_EQ(Setting(doc, "synth_bfreq").string, "-------");
  EXPECT_EQ(Setting(doc, "screen_contrast").number, 7);

  const std::set<std::string> hidden = Strings(doc["hidden"]);
  EXPECT_TRUE(hidden.count("freq_modification_enable"));  // the GP band hides it
  EXPECT_FALSE(hidden.count("direct_show_lamp_on"));      // "Direct" shows it

  const std::set<std::string> disabled = Strings(doc["disabled"]);
  EXPECT_FALSE(disabled.count("source_prompt_2"));
  EXPECT_FALSE(Setting(doc, "source_prompt_2")["enabled"].boolean == false);
  EXPECT_TRUE(disabled.count("source_prompt_3"));  // its box is off
  EXPECT_FALSE(disabled.count("source_prompt_3_on"));
  EXPECT_FALSE(Setting(doc, "source_prompt_3")["enabled"].boolean);
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
  const Json doc = JsonReader::Parse(r.out);
  for (const auto& [name, text] : prompts) EXPECT_EQ(Setting(doc, name)["text"].string, text) << name;
  EXPECT_EQ(Setting(doc, "prompt_5")["text"].string, std::string("A\x01\x7F\xC2\x81", 5));
  EXPECT_EQ(r.out.find('\x7F'), std::string::npos) << "DEL is written escaped";
  EXPECT_EQ(r.out.find("\xC2\x81"), std::string::npos) << "C1 controls are written escaped";
}

TEST_F(Show, AFileNameThatIsNotUtf8StillGivesValidJson) {
  const std::string name = std::string("odd-\xFF\xC3(-name.tbl");
  MakeTable(name);
  const RunResult r = Run({"show", "--json", Path(name)});
  ASSERT_EQ(r.code, 0) << r.err;
  const Json doc = JsonReader::Parse(r.out);
  const std::string replacement = "\xEF\xBF\xBD";  // U+FFFD for each byte that is not UTF-8
  EXPECT_EQ(doc["file"].string, (dir / ("odd-" + replacement + replacement + "(-name.tbl")).string());
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
    const Json* v = doc["pages"][page].Find(name);
    ASSERT_NE(v, nullptr) << name << " on page " << page;
    ++settings;
    switch (v->type) {
      case Json::Type::Bool: EXPECT_EQ(value, v->boolean ? "on" : "off") << name; break;
      case Json::Type::Number: EXPECT_EQ(value, std::to_string(static_cast<long long>(v->number))) << name; break;
      case Json::Type::Null: EXPECT_EQ(value, "(none)") << name; break;
      case Json::Type::Object:
        EXPECT_EQ(JsonReader::Parse(value).string, (*v)["text"].string) << name;
        EXPECT_EQ(disabled, !(*v)["enabled"].boolean) << name;
        break;
      default:
        EXPECT_EQ(value.front() == '"' ? JsonReader::Parse(value).string : value, v->string) << name;
    }
    EXPECT_EQ(hidden, Strings(doc["hidden"]).count(name) == 1) << name;
  }
  size_t inDocument = 0;
  for (const auto& p : doc["pages"].members) inDocument += p.second.members.size();
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
