// The main window's design table: every control the editor models has its
// widget, each on its page and in its frame, inside its container and clear
// of its neighbours, with the texts of the field tables.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "editor/BoundControls.h"
#include "editor/Editor.h"
#include "editor/Form1Design.h"

namespace qrt::form1 {
namespace {

const DesignControl* Parent(const DesignControl& c) { return c.parent.empty() ? nullptr : FindDesign(c.parent); }

// The caption of the first frame around a control, "" when there is none.
std::string EnclosingFrame(const DesignControl& c) {
  for (const DesignControl* p = Parent(c); p; p = Parent(*p))
    if (p->kind == Kind::Frame) return p->caption;
  return "";
}

const DesignControl* ControlShowing(CtlRef ref) {
  const DesignControl* found = nullptr;
  for (const DesignControl& c : Form1Controls()) {
    if (c.ctl == ref && c.kind != Kind::StatusField) {
      EXPECT_EQ(found, nullptr) << "two controls show the same editor control: " << c.name;
      found = &c;
    }
  }
  return found;
}

TEST(Form1Design, NamesAreUniqueAndContainersComeFirst) {
  std::set<std::string> seen;
  for (const DesignControl& c : Form1Controls()) {
    EXPECT_TRUE(seen.insert(c.name).second) << "duplicate name " << c.name;
    if (!c.parent.empty()) {
      EXPECT_TRUE(seen.count(c.parent)) << c.name << " comes before its container " << c.parent;
    }
  }
}

TEST(Form1Design, OnlyListsAreNamedLikeLists) {
  // The resize keeps the height of exactly the controls whose names begin with "cbo".
  for (const DesignControl& c : Form1Controls())
    EXPECT_EQ(c.kind == Kind::List, c.name.rfind("cbo", 0) == 0) << c.name;
}

TEST(Form1Design, TabsAndPagesSitWhereTheWindowExpectsThem) {
  struct Tab {
    const char* button;
    const char* caption;
    const char* label;
    const char* labelCaption;
    int left;
  };
  const Tab tabs[] = {{"EMoptCode", "Freq. && Codes", "Label14(0)", "Freq. && Codes", 120},
                      {"EMoptStatus", "Alert && Status", "Label15(0)", "Alerts && Status", 1665},
                      {"EMoptPrompts", "Prompts Edit", "lblPEdit", "Prompts Edit", 3210},
                      {"EMoptSource", "Source Prompts", "lblSource", "Source Prompts", 4755}};
  for (const Tab& t : tabs) {
    const DesignControl* b = FindDesign(t.button);
    const DesignControl* l = FindDesign(t.label);
    ASSERT_TRUE(b && l) << t.button;
    EXPECT_EQ(b->caption, t.caption);
    EXPECT_EQ(l->caption, t.labelCaption);
    for (const DesignControl* c : {b, l}) {
      EXPECT_EQ(c->left, t.left) << c->name;
      EXPECT_EQ(c->top, 60) << c->name;
      EXPECT_EQ(c->width, 1530) << c->name;
      EXPECT_EQ(c->height, 255) << c->name;
    }
  }
  for (std::string_view name : kPageNames) {
    const DesignControl* p = FindDesign(name);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->kind, Kind::Page);
    EXPECT_EQ(p->tag, "B");
    EXPECT_EQ((std::array{p->left, p->top, p->width, p->height}), (std::array{120, 315, 9285, 6555}));
  }
  const DesignControl* back = FindDesign("picTabBack");
  ASSERT_TRUE(back);
  EXPECT_EQ((std::array{back->left, back->top, back->width, back->height}), (std::array{0, 0, 9600, 7005}));
}

TEST(Form1Design, EveryBoundControlIsOnItsPageInItsFrame) {
  for (const BoundControl& row : BoundControls()) {
    const DesignControl* c = ControlShowing(CtlRef{row.array, row.index});
    ASSERT_TRUE(c) << "no widget for " << row.name;
    EXPECT_EQ(c->page, PageIndexOf(row.page)) << row.name;
    EXPECT_EQ(EnclosingFrame(*c), row.group) << row.name;
    EXPECT_EQ(c->tag, row.tag) << row.name;
    EXPECT_EQ(c->tooltip, row.tooltip) << row.name;
    if (c->kind == Kind::CheckBox) {
      EXPECT_EQ(c->caption, row.caption) << row.name;
    }
  }
}

TEST(Form1Design, ListsOfTheTagTableHaveTheirLabelBeside) {
  for (const BoundControl& row : BoundControls()) {
    if (row.entries.empty()) continue;
    const DesignControl* list = ControlShowing(CtlRef{row.array, row.index});
    ASSERT_TRUE(list);
    bool labelled = false;
    for (const DesignControl& c : Form1Controls())
      labelled |= c.kind == Kind::Label && c.caption == row.caption && c.parent == list->parent;
    EXPECT_TRUE(labelled) << "no label \"" << row.caption << "\" beside " << list->name;
  }
}

TEST(Form1Design, EveryPromptFieldHasItsTagPageAndCaption) {
  for (const PromptField& f : PromptFields()) {
    const DesignControl* field = ControlShowing(CtlRef{Ctl::txtPrompt, f.element});
    ASSERT_TRUE(field) << f.name;
    EXPECT_EQ(field->tag, f.tag) << f.name;
    EXPECT_EQ(field->page, PageIndexOf(f.page)) << f.name;
    EXPECT_EQ(field->font, FontRole::Fixed) << f.name;
    if (f.element == 0) continue;
    bool captioned = false;
    for (const DesignControl& c : Form1Controls())
      captioned |= c.label == LblRef{Lbl::lblPrompt, f.element} && c.caption == f.caption && c.page == field->page;
    EXPECT_TRUE(captioned) << f.name;
  }
  // The logo: its own label and the three alignment buttons of element 1 beside it.
  const DesignControl* logo = ControlShowing(CtlRef{Ctl::txtPrompt, 0});
  ASSERT_TRUE(logo);
  EXPECT_EQ(EnclosingFrame(*logo), "Prompts");
  for (Ctl a : {Ctl::optLeft, Ctl::optCenter, Ctl::optRight}) {
    const DesignControl* b = ControlShowing(CtlRef{a, 1});
    ASSERT_TRUE(b);
    EXPECT_EQ(b->parent, logo->parent);
  }
}

TEST(Form1Design, EveryControlTheEditorModelsHasAWidget) {
  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor(state, messages, host);
  const Ctl arrays[] = {Ctl::chkCtl,    Ctl::cboCtl,   Ctl::chkSource, Ctl::chkMenu,  Ctl::txtPrompt,
                        Ctl::txtAddr,   Ctl::txtPass,  Ctl::txtFreq,   Ctl::cboDft,   Ctl::cboLng,
                        Ctl::cboLogo,   Ctl::cboBatLev, Ctl::cboORC,   Ctl::cboSLC,   Ctl::cboSource,
                        Ctl::cboTone,   Ctl::Slider1,  Ctl::optAuto1,  Ctl::optAuto2, Ctl::optLeft,
                        Ctl::optCenter, Ctl::optRight, Ctl::optDefault, Ctl::cmdFunc, Ctl::cmdAlert,
                        Ctl::WriteOpt,  Ctl::ModifyOpt};
  int modelled = 0;
  for (Ctl a : arrays) {
    for (int i = 0; i < 70; ++i) {
      const ControlState* control = editor.Control(CtlRef{a, i});
      if (!control || !control->exists) {
        EXPECT_EQ(ControlShowing(CtlRef{a, i}), nullptr) << "widget for a control the editor lacks";
        continue;
      }
      ++modelled;
      EXPECT_NE(ControlShowing(CtlRef{a, i}), nullptr) << "array " << int(a) << " element " << i;
    }
  }
  EXPECT_GT(modelled, 180);
  // And every editor label has a place to be shown.
  const std::pair<Lbl, int> labels[] = {{Lbl::tlblDisp, 8},  {Lbl::tlblPri, 8},    {Lbl::tlblType, 8},
                                        {Lbl::lblLength, 16}, {Lbl::lblMemory, 16}, {Lbl::lblBfreq, 1},
                                        {Lbl::lblPLLR, 1},    {Lbl::lblPLLN, 1},    {Lbl::lblINCD, 1},
                                        {Lbl::lblCHANNEL, 1}, {Lbl::lblValue, 1},   {Lbl::lblContrast, 1}};
  for (auto [which, count] : labels) {
    for (int i = 0; i < count; ++i) {
      int shown = 0;
      for (const DesignControl& c : Form1Controls()) shown += c.label == LblRef{which, i};
      EXPECT_EQ(shown, 1) << "label " << int(which) << "(" << i << ")";
      EXPECT_NE(ResolveLabel(editor, LblRef{which, i}), nullptr);
    }
  }
  EXPECT_EQ(ResolveLabel(editor, LblRef{Lbl::lblBfreq, 1}), nullptr);
  EXPECT_EQ(ResolveLabel(editor, LblRef{Lbl::tlblDisp, 8}), nullptr);
}

TEST(Form1Design, CapcodeRowsAndTheirTips) {
  for (int i = 0; i < 8; ++i) {
    const DesignControl* label = FindDesign("lblCap(" + std::to_string(i) + ")");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->caption, "Cap #" + std::to_string(i + 1));
    EXPECT_EQ(EnclosingFrame(*label), "Capcode( Decimal Address )");
    if (i < 6)
      EXPECT_NE(label->tooltip.find("Capcode( 7 Dec digits between 8 and 2097151 )"), std::string::npos);
    else
      EXPECT_TRUE(label->tooltip.empty());
    // The function bit panel of the row holds its button and its three status fields.
    const std::string panel = "picFunBit(" + std::to_string(i) + ")";
    for (const DesignControl* c : {ControlShowing(CtlRef{Ctl::cmdFunc, i}), FindDesign("tlblDisp(" + std::to_string(i) + ")"),
                                   FindDesign("tlblPri(" + std::to_string(i) + ")"),
                                   FindDesign("tlblType(" + std::to_string(i) + ")")}) {
      ASSERT_TRUE(c);
      EXPECT_EQ(c->parent, panel);
    }
  }
  EXPECT_EQ(FindDesign("lblCap(0)")->tooltip, "Please input 1st Capcode( 7 Dec digits between 8 and 2097151 )");
  EXPECT_EQ(FindDesign("lblCap(2)")->tooltip, "Please input 3rd Capcode( 7 Dec digits between 8 and 2097151 )");
  EXPECT_EQ(ControlShowing(CtlRef{Ctl::cmdFunc, 3})->caption, "Fun. Bit");
}

TEST(Form1Design, MessageStatusGrid) {
  const std::string frame = "Message Type Status( PG:Personal && Group     M:Mail Drop )";
  const char* heads[] = {"PG", "M1", "M2", "M3", "M4", "M5", "M6", "M7", "M8", "M9", "MA", "MB", "MC", "MD", "ME", "MF"};
  int lastLeft = -1;
  for (int j = 0; j < 16; ++j) {
    const DesignControl* head = FindDesign(j == 0 ? std::string("lblPersonal") : "lblMail(" + std::to_string(j - 1) + ")");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->caption, heads[j]);
    EXPECT_GT(head->left, lastLeft) << "columns run left to right";
    lastLeft = head->left;
    for (Lbl row : {Lbl::lblLength, Lbl::lblMemory}) {
      const DesignControl* cell = nullptr;
      for (const DesignControl& c : Form1Controls())
        if (c.label == LblRef{row, j}) cell = &c;
      ASSERT_TRUE(cell);
      EXPECT_EQ(EnclosingFrame(*cell), frame);
      EXPECT_EQ(cell->left, head->left) << "cell under its column head";
    }
  }
  for (const char* name : {"lblRowLength", "lblRowMemory"}) EXPECT_EQ(EnclosingFrame(*FindDesign(name)), frame);
  EXPECT_EQ(FindDesign("lblRowLength")->caption, "Alert Length");
  EXPECT_EQ(FindDesign("lblRowMemory")->caption, "Memory(KB)");
  const DesignControl* alert = ControlShowing(CtlRef{Ctl::cmdAlert, 0});
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->caption, "Alert Length Select");
  EXPECT_EQ(EnclosingFrame(*alert), frame);
}

TEST(Form1Design, ControlsStayInsideTheirContainers) {
  for (const DesignControl& c : Form1Controls()) {
    const DesignControl* p = Parent(c);
    if (!p) continue;
    EXPECT_GE(c.left, 0) << c.name;
    EXPECT_GE(c.top, 0) << c.name;
    EXPECT_LE(c.left + c.width, p->width) << c.name << " leaves " << p->name << " on the right";
    EXPECT_LE(c.top + c.height, p->height) << c.name << " leaves " << p->name << " at the bottom";
    EXPECT_GT(c.width, 0) << c.name;
    EXPECT_GT(c.height, 0) << c.name;
  }
  // The tab strip and the pages fit the client area.
  for (const DesignControl& c : Form1Controls()) {
    if (c.parent != "picTabBack") continue;
    EXPECT_LE(c.left + c.width, kClientWidth) << c.name;
    EXPECT_LE(c.top + c.height, kClientHeight) << c.name;
  }
}

TEST(Form1Design, NeighboursDoNotOverlap) {
  // Stacked pages, and the tab labels that the tab buttons cover on purpose,
  // are the only controls that share room.
  const auto overlaps = [](const DesignControl& a, const DesignControl& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
  };
  std::map<std::string, std::vector<const DesignControl*>> byParent;
  for (const DesignControl& c : Form1Controls()) byParent[c.parent].push_back(&c);
  int pairs = 0;
  for (const auto& [parent, children] : byParent) {
    for (size_t i = 0; i < children.size(); ++i) {
      for (size_t j = i + 1; j < children.size(); ++j) {
        const DesignControl& a = *children[i];
        const DesignControl& b = *children[j];
        if (a.kind == Kind::Page && b.kind == Kind::Page) continue;
        if ((a.kind == Kind::TabLabel && b.kind == Kind::TabButton) ||
            (a.kind == Kind::TabButton && b.kind == Kind::TabLabel))
          if (a.left == b.left) continue;
        ++pairs;
        EXPECT_FALSE(overlaps(a, b)) << a.name << " overlaps " << b.name << " in " << parent;
      }
    }
  }
  EXPECT_GT(pairs, 1000);
}

TEST(Form1Design, CaptionsShowOneAmpersandForTwo) {
  struct Case {
    const char* designed;
    const char* shown;
  };
  for (const Case& c : {Case{"Freq. && Codes", "Freq. & Codes"}, Case{"Disable && Disp:", "Disable & Disp:"},
                        Case{"a&&&&b", "a&&b"}, Case{"&", "&"}, Case{"x&", "x&"}, Case{"", ""},
                        Case{"Prompts Edit", "Prompts Edit"}})
    EXPECT_EQ(DisplayCaption(c.designed), c.shown) << c.designed;
}

TEST(Form1Design, ModeButtonsOnTheTabBackground) {
  const DesignControl* modify = ControlShowing(CtlRef{Ctl::ModifyOpt, 0});
  const DesignControl* write = ControlShowing(CtlRef{Ctl::WriteOpt, 0});
  ASSERT_TRUE(modify && write);
  EXPECT_EQ(modify->caption, "Modify Mode");
  EXPECT_EQ(write->caption, "Write Mode");
  EXPECT_EQ(modify->parent, "picTabBack");
  EXPECT_EQ(write->parent, "picTabBack");
  EXPECT_EQ(WindowTitle(), "QRT35 Pager Programmer V3.82");
}

}  // namespace
}  // namespace qrt::form1
