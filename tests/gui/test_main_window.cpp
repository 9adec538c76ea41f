// The main window on real widgets (offscreen): what the user does with the
// mouse and the keyboard reaches the image, what the image holds reaches the
// widgets, and the window's own rules (tabs, layout, timer, closing) hold.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <memory>

#include "controls/gui/EBSlider.h"
#include "editor/Editor.h"
#include "editor/Form1Design.h"
#include "editor/gui/MainWindow.h"
#include "editor/gui/QtEditorHost.h"
#include "editor/gui/QtMessages.h"
#include "image/PagerImage.h"
#include "ports/Connection.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"
#include "tests/gui/StationRig.h"

namespace qrt {
namespace {

// The dialogs the editor would open are counted instead; the timer requests
// go to the window as the real host does.
class TestHost : public EditorHost {
 public:
  void RunTransferDialog() override { ++transfers; }
  void ShowFunctionBitDialog() override { ++functionBitDialogs; }
  void ShowAlertLengthDialog() override { ++alertDialogs; }
  void SetTimer1(bool running) override {
    if (window) window->SetTimer1(running);
  }
  Form1* window = nullptr;
  int transfers = 0;
  int functionBitDialogs = 0;
  int alertDialogs = 0;
};

// Qt's warnings (a point size of 0, a geometry Qt refuses) during a test.
QStringList* g_warnings = nullptr;
void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (g_warnings && type != QtDebugMsg && type != QtInfoMsg) g_warnings->append(text);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = std::make_unique<Form1>(editor, rig.station);
    host.window = window.get();
    window->Load();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    messages.Clear();
  }

  void TearDown() override {
    window.reset();
    QApplication::processEvents();
  }

  template <typename T = QWidget>
  T* W(const std::string& name) {
    T* w = qobject_cast<T*>(window->control(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  QRect DesignRect(const std::string& name) {
    const form1::DesignControl* d = form1::FindDesign(name);
    return QRect(d->left / 15, d->top / 15, d->width / 15, d->height / 15);
  }

  void ClickIndicator(QCheckBox* box) {
    QStyleOptionButton opt;
    opt.initFrom(box);
    const QRect r = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, r.center());
  }

  void ClickTab(int page) { QTest::mouseClick(W<QPushButton>(std::string(form1::kTabButtonNames[page])), Qt::LeftButton); }

  // Resizes the window so that its client area gets `inner` and waits for the layout.
  bool ResizeClient(QSize inner) {
    const QSize extra = window->size() - window->clientArea()->size();
    window->resize(inner + extra);
    for (int i = 0; i < 200 && window->clientArea()->size() != inner; ++i) QTest::qWait(10);
    return window->clientArea()->size() == inner;
  }

  VirtualClock clock;
  RecordingMessages messages;
  testing::StationRig rig{clock, messages};
  Connection& connection = rig.station.connection();
  SimBoard& board() { return *connection.sim(); }
  AppState state;
  TestHost host;
  Editor editor{state, messages, host};
  std::unique_ptr<Form1> window;
};

TEST_F(MainWindowTest, OpensOnTheFreqAndCodesPageWithItsTitle) {
  EXPECT_EQ(window->windowTitle(), "QRT35 Pager Programmer V3.82");
  EXPECT_EQ(window->currentPage(), 0);
  EXPECT_FALSE(W("EMoptCode")->isVisible()) << "the selected tab's button is hidden";
  EXPECT_TRUE(W("Label14(0)")->isVisible());
  EXPECT_EQ(W<QLabel>("Label14(0)")->text(), "Freq. & Codes");
  EXPECT_TRUE(W("picSet1")->isVisible());
  EXPECT_FALSE(W("picSet2")->isVisible());
  EXPECT_TRUE(W<QRadioButton>("ModifyOpt")->isChecked());
  EXPECT_TRUE(messages.log.empty()) << "the simulated board answers: no message at load";
  // The client area is the design size and the board was found.
  EXPECT_EQ(window->clientArea()->size(), QSize(634, 470));
  EXPECT_EQ(window->initialScaleWidth(), 9510);
  EXPECT_EQ(window->initialScaleHeight(), 7050);
  // Every control carries its design geometry and font in its tag from the load on.
  const QString tag = W("chkCtl(18)")->property("tag").toString();
  const QRect r = DesignRect("chkCtl(18)");
  EXPECT_EQ(tag, QString("&H36,5,1,chk,#%1#%2#%3#%4#8#").arg(r.x() * 15).arg(r.y() * 15).arg(r.width() * 15).arg(r.height() * 15));
  EXPECT_EQ(W("picSet2")->property("tag").toString(), "B,#120#315#9285#6555#");
  EXPECT_EQ(W("txtPrompt(1)")->property("tag").toString().section(',', 0, 1), "276,0");
  // The factory logo went through the centring of the load sequence.
  EXPECT_EQ(W<QLineEdit>("txtPrompt(0)")->text().trimmed(), "VESTRA");
}

TEST_F(MainWindowTest, MenusCarryTheirShortcuts) {
  const std::map<std::string, std::pair<QString, QKeySequence>> expected = {
      {"mnuLBFF", {"Open", QKeySequence("Ctrl+O")}},    {"mnuSBTF", {"Save", QKeySequence("Ctrl+S")}},
      {"mnuSA", {"Save As...", QKeySequence("Ctrl+A")}}, {"mnuExit", {"Exit", QKeySequence("Ctrl+E")}},
      {"mnuEntire", {"Read", QKeySequence("F3")}},       {"mnuEB", {"Write", QKeySequence("F4")}},
      {"mnuEB1", {"Verfy", QKeySequence("F9")}},         {"mnuAbout", {"About", QKeySequence()}},
      {"mnuOpenBackup", {"Open Backup...", QKeySequence()}},
      {"mnuRestoreBackup", {"Restore Backup to Pager...", QKeySequence()}},
      {"mnuBackupFirst", {"Back Up Before Writing", QKeySequence()}}};
  for (const auto& [name, want] : expected) {
    auto* a = window->findChild<QAction*>(QString::fromStdString(name));
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->text(), want.first);
    EXPECT_EQ(a->shortcut(), want.second) << name;
  }
  // The menus open with Alt and their first letter; their captions read as before.
  QStringList titles;
  for (QAction* m : window->menuBar()->actions()) {
    titles << QString(m->text()).remove('&');
    EXPECT_EQ(QKeySequence::mnemonic(m->text()), QKeySequence(Qt::ALT | m->text().at(1).unicode()));
  }
  EXPECT_EQ(titles, (QStringList{"File", "Pager", "Help"}));
  // Alt+F from a text field opens the File menu and types nothing.
  QLineEdit* freq = W<QLineEdit>("txtFreq");
  QTest::mouseClick(freq, Qt::LeftButton);
  QTest::keyClick(freq, Qt::Key_F, Qt::AltModifier);
  auto* file = window->findChild<QMenu*>("mnuFile");
  QTRY_VERIFY(file->isVisible());
  EXPECT_EQ(freq->text(), "");
  file->close();
}

TEST_F(MainWindowTest, BackUpBeforeWritingIsTheStatesSwitchAndIsRemembered) {
  auto* item = window->findChild<QAction*>("mnuBackupFirst");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isCheckable());
  EXPECT_TRUE(item->isChecked()) << "checked by default";
  item->trigger();
  EXPECT_FALSE(state.BackupBeforeWrite);
  EXPECT_FALSE(rig.station.backupBeforeWrite());
  item->trigger();
  EXPECT_TRUE(state.BackupBeforeWrite);
  EXPECT_EQ(rig.settings.settings().value("backupBeforeWriting").toString(), "true");
}

TEST_F(MainWindowTest, ShortcutReachesThePagerCommandEvenFromATextField) {
  ClickTab(1);
  QLineEdit* pass = W<QLineEdit>("txtPass");
  QTest::mouseClick(pass, Qt::LeftButton);
  ASSERT_TRUE(pass->hasFocus());
  QTest::keyClick(pass, Qt::Key_F3);
  EXPECT_EQ(host.transfers, 1);
  EXPECT_EQ(state.TransferMode, 0);
  EXPECT_TRUE(window->timer1Running()) << "the keep-alive timer runs again after the command";
}

TEST_F(MainWindowTest, SaveAsShortcutWinsOverSelectAllInATextField) {
  // Ctrl+A selects all in a text field; the menu's Save As comes first. With
  // the current table path in use, Save As writes without a dialog.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  state.CurrentTablePath = dir.filePath("shortcut.tbl").toStdString();
  state.UseCurrentTablePath = true;
  QLineEdit* freq = W<QLineEdit>("txtFreq");
  QTest::mouseClick(freq, Qt::LeftButton);
  ASSERT_TRUE(freq->hasFocus());
  QTest::keyClick(freq, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(QFileInfo(dir.filePath("shortcut.tbl")).size(), kImageSize);
}

TEST_F(MainWindowTest, ExitShortcutFromATextFieldClosesAndParks) {
  QLineEdit* freq = W<QLineEdit>("txtFreq");
  QTest::mouseClick(freq, Qt::LeftButton);
  ASSERT_TRUE(freq->hasFocus());
  board().tracing = true;
  board().trace.clear();
  QTest::keyClick(freq, Qt::Key_E, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible());
  ASSERT_FALSE(board().trace.empty()) << "Exit parks the bus";
  EXPECT_EQ(board().trace.back().value, 254);
}

struct BoxCase {
  const char* name;
  int page;
  int address;
  int bit;
  bool inverted;
};

void PrintTo(const BoxCase& c, std::ostream* os) { *os << c.name; }

class CheckBoxClick : public MainWindowTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(CheckBoxClick, IndicatorClickReachesTheImage) {
  const BoxCase& c = GetParam();
  ClickTab(c.page);
  QCheckBox* box = W<QCheckBox>(c.name);
  ASSERT_TRUE(box && box->isVisible() && box->isEnabled());
  const uint8_t before = state.PagerImage[c.address];
  const bool wasChecked = box->isChecked();
  ASSERT_EQ(wasChecked, (((before >> c.bit) & 1) != 0) != c.inverted) << "widget shows the image";

  ClickIndicator(box);
  const uint8_t after = state.PagerImage[c.address];
  EXPECT_EQ(after, uint8_t(before ^ (1 << c.bit))) << "exactly the field's bit changes";
  EXPECT_EQ(box->isChecked(), !wasChecked);
  EXPECT_EQ(box->isChecked(), (((after >> c.bit) & 1) != 0) != c.inverted);

  ClickIndicator(box);
  EXPECT_EQ(state.PagerImage[c.address], before);
  EXPECT_EQ(box->isChecked(), wasChecked);
}

INSTANTIATE_TEST_SUITE_P(Boxes, CheckBoxClick,
                         ::testing::Values(BoxCase{"chkCtl(18)", 1, 0x36, 5, false},  // Discard Error Msg
                                           BoxCase{"chkCtl(2)", 1, 0x39, 4, true},    // Counter Out Enable
                                           BoxCase{"chkCtl(16)", 1, 0x3D, 4, true},   // Manual Write Enable
                                           BoxCase{"chkCtl(33)", 0, 0x4C, 0, false}), // Cap #4 ON
                         [](const auto& row) {
                           std::string n = row.param.name;
                           for (char& ch : n)
                             if (ch == '(' || ch == ')') ch = '_';
                           return n;
                         });

TEST_F(MainWindowTest, ImageChangesReachTheWidgets) {
  Image& img = state.PagerImage;
  img[0x36] ^= 0x20;                                   // Discard Error Msg
  img[0x41] = 0x1E;                                     // capcode 1 = 1234567
  img[0x42] = 0x5A;
  img[0x43] = 0xD0;
  img[0x3C] = 0x04;                                     // lockout 240 seconds
  img[0x390] = 5;                                       // capcode 1, bit A display: "-"
  img[0x90] = 16;                                       // PG alert length
  img[0x6C] = 0x78;                                     // PG memory 30 KB
  img[0x89] = 7;                                        // contrast
  const bool discard = (img[0x36] & 0x20) != 0;
  editor.init_ctl();
  ASSERT_EQ(state.DecodeError, 0);
  window->Refresh();

  EXPECT_EQ(W<QCheckBox>("chkCtl(18)")->isChecked(), discard);
  EXPECT_EQ(W<QLineEdit>("txtAddr(0)")->text(), "1234567");
  EXPECT_EQ(W<QComboBox>("cboSLC")->currentText(), "240 seconds");
  EXPECT_EQ(W<QLineEdit>("tlblDisp(0)")->text().left(1), "-");
  EXPECT_EQ(W<QLabel>("lblLength(0)")->text(), "16");
  EXPECT_EQ(W<QLabel>("lblMemory(0)")->text(), "30");
  EXPECT_EQ(W<QLabel>("lblValue")->text(), "7");
  // The sample text darkens with the contrast: RGB(5v, 5v, 5v) when bound.
  EXPECT_EQ(W<QLabel>("lblContrast")->palette().color(QPalette::WindowText), QColor(35, 35, 35));
}

// The window's contrast slider is the 1500-twip control with a 150-twip thumb:
// a click at 51 px (765 twips) lands on 5, and the byte at 0x89 follows.
TEST_F(MainWindowTest, ContrastSliderClickReachesTheImage) {
  ClickTab(1);
  auto* slider = W<EBSlider>("Slider1");
  ASSERT_NE(slider, nullptr);
  ASSERT_EQ(slider->width(), 100);
  EXPECT_EQ(slider->sliderWidth(), 150);
  EXPECT_EQ(slider->thumbRect().width(), 10);
  ASSERT_EQ(slider->minimum(), 1);
  ASSERT_EQ(slider->maximum(), 8);
  QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(51, 10));
  EXPECT_EQ(slider->value(), 5);
  EXPECT_EQ(state.PagerImage[0x89], 5);
  EXPECT_TRUE(state.ContrastChanged);
  EXPECT_EQ(W<QLabel>("lblValue")->text(), "5");
}

// Ctrl+Tab and Ctrl+PgDn bring the next page forward, Ctrl+Shift+Tab and
// Ctrl+PgUp the previous one, wrapping, from wherever the focus is; a refused
// entry keeps its page, as a click on a tab button does.
TEST_F(MainWindowTest, PageKeysTurnThePagesAndWrap) {
  struct Step {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int page;
  };
  const Step steps[] = {{Qt::Key_Tab, Qt::ControlModifier, 1},
                        {Qt::Key_PageDown, Qt::ControlModifier, 2},
                        {Qt::Key_Tab, Qt::ControlModifier, 3},
                        {Qt::Key_Tab, Qt::ControlModifier, 0},
                        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 3},
                        {Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier, 2},
                        {Qt::Key_PageUp, Qt::ControlModifier, 1},
                        {Qt::Key_PageUp, Qt::ControlModifier, 0}};
  for (const Step& s : steps) {
    QTest::keyClick(QApplication::focusWidget(), s.key, s.modifiers);
    EXPECT_EQ(window->currentPage(), s.page) << "key " << s.key << " towards page " << s.page;
    EXPECT_TRUE(W(std::string(form1::kPageNames[s.page]))->isVisible());
  }
  // From a field being edited: the entry is stored first, or refused and the page stays.
  QLineEdit* freq = W<QLineEdit>("txtFreq");
  QTest::mouseClick(freq, Qt::LeftButton);
  QTest::keyClicks(freq, "1530125");
  QTest::keyClick(freq, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(window->currentPage(), 1);
  EXPECT_EQ(GetBE32(state.PagerImage, 0x068), 1530125u);
  ClickTab(0);
  QTest::mouseClick(freq, Qt::LeftButton);
  QTest::keyClicks(freq, "1299999");
  QTest::keyClick(freq, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(messages.log.size(), 1u);
  EXPECT_EQ(window->currentPage(), 0);
}

// The slider moves with the arrow keys, Home and End, and each move reaches
// the image through the editor as a click does.
TEST_F(MainWindowTest, ContrastSliderFollowsTheKeyboard) {
  ClickTab(1);
  auto* slider = W<EBSlider>("Slider1");
  ASSERT_TRUE(slider && slider->focusPolicy() & Qt::TabFocus);
  slider->setFocus();
  const int start = slider->value();
  const struct {
    Qt::Key key;
    int value;
  } keys[] = {{Qt::Key_Right, start + 1}, {Qt::Key_Home, 1}, {Qt::Key_Left, 1}, {Qt::Key_Up, 2}, {Qt::Key_End, 8},
              {Qt::Key_Down, 7}};
  for (const auto& k : keys) {
    QTest::keyClick(slider, k.key);
    EXPECT_EQ(slider->value(), k.value) << k.key;
    EXPECT_EQ(state.PagerImage[0x89], k.value) << k.key;
    EXPECT_EQ(W<QLabel>("lblValue")->text(), QString::number(k.value)) << k.key;
  }
  EXPECT_TRUE(state.ContrastChanged);
}

struct ListCase {
  const char* name;
  int page;
  int entry;
  int address;
  uint8_t mask;
  uint8_t expected;  // image[address] & mask after the choice
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name << " entry " << c.entry; }

class ListChoice : public MainWindowTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(ListChoice, EntryChosenInThePopupIsStored) {
  const ListCase& c = GetParam();
  ClickTab(c.page);
  QComboBox* combo = W<QComboBox>(c.name);
  ASSERT_TRUE(combo && combo->isEnabled());
  const Image before = state.PagerImage;
  combo->showPopup();
  QAbstractItemView* view = combo->view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
  const QRect r = view->visualRect(view->model()->index(c.entry, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(combo->currentIndex(), c.entry);
  EXPECT_EQ(state.PagerImage[c.address] & c.mask, c.expected);
  // Only the bytes of this setting change.
  for (int a = 0; a < kImageSize; ++a) {
    if (a != c.address && a != 0x62 && a != 0x63) {
      EXPECT_EQ(state.PagerImage[a], before[a]) << "address " << a;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ListChoice,
    ::testing::Values(ListCase{"cboCtl(2)", 1, 2, 0x39, 0x03, 0x02},   // Read Time Out "20 sec"
                      ListCase{"cboSLC", 1, 5, 0x3C, 0x0C, 0x0C},      // "240 seconds": bits 2 and 3
                      ListCase{"cboORC", 1, 3, 0x3D, 0x0E, 0x0C},      // "5 min": on, bits 1-2 = 2
                      ListCase{"cboCtl(9)", 0, 2, 0x61, 0x1B, 0x13}),  // "2400 bps": bits 3-4 = 2, 0-1 = 3
    [](const auto& row) {
      std::string n = row.param.name;
      for (char& ch : n)
        if (ch == '(' || ch == ')') ch = '_';
      return n;
    });

TEST_F(MainWindowTest, NumericFieldClearsOnFocusAndEnterStores) {
  QLineEdit* freq = W<QLineEdit>("txtFreq");
  ASSERT_EQ(freq->text(), "1530000");
  QTest::mouseClick(freq, Qt::LeftButton);
  EXPECT_TRUE(freq->hasFocus());
  EXPECT_EQ(freq->text(), "") << "the user types the whole frequency anew";
  QTest::keyClicks(freq, "1530125");
  QTest::keyClick(freq, Qt::Key_Return);
  EXPECT_FALSE(freq->hasFocus()) << "Enter moves on to the tab background";
  EXPECT_TRUE(W("picSet1")->hasFocus());
  EXPECT_EQ(GetBE32(state.PagerImage, 0x068), 1530125u);
  EXPECT_EQ(state.PagerImage[0x00E], 0x19) << "the 25 kHz raster preset";
  EXPECT_EQ(freq->text(), "1530125");
  EXPECT_TRUE(messages.log.empty());
}

TEST_F(MainWindowTest, LeavingACapcodeFieldShowsTheStoredValue) {
  QLineEdit* addr = W<QLineEdit>("txtAddr(2)");
  const QString stored = addr->text();
  QTest::mouseClick(addr, Qt::LeftButton);
  EXPECT_EQ(addr->text(), "");
  QTest::keyClicks(addr, "8");
  EXPECT_EQ(addr->text(), "8");
  // Clicking elsewhere on the page leaves the field: it is redrawn from the image.
  QTest::mouseClick(W("picSet1"), Qt::LeftButton, {}, QPoint(600, 420));
  EXPECT_EQ(addr->text(), "0000008");
  EXPECT_EQ(state.PagerImage[0x48 + 3], 0x01);

  // Entering and leaving without typing changes nothing.
  QLineEdit* other = W<QLineEdit>("txtAddr(5)");
  const QString otherText = other->text();
  const Image before = state.PagerImage;
  QTest::mouseClick(other, Qt::LeftButton);
  EXPECT_EQ(other->text(), "");
  QTest::mouseClick(W("picSet1"), Qt::LeftButton, {}, QPoint(600, 420));
  EXPECT_EQ(other->text(), otherText);
  EXPECT_EQ(state.PagerImage, before);
  EXPECT_NE(stored, "0000008");
}

TEST_F(MainWindowTest, RefusedFrequencyKeepsTheFocusAndThePage) {
  QLineEdit* freq = W<QLineEdit>("txtFreq");
  QTest::mouseClick(freq, Qt::LeftButton);
  QTest::keyClicks(freq, "1299999");
  const Image before = state.PagerImage;
  QTest::keyClick(freq, Qt::Key_Return);
  ASSERT_EQ(messages.Texts(),
            std::vector<std::string>{"Frequency setting error(1300000 < = Frequency < =1800000 )"});
  EXPECT_TRUE(freq->hasFocus()) << "the focus goes back into the field";
  EXPECT_EQ(state.PagerImage, before);

  // A click on another tab first leaves the field: refused again, the page stays.
  messages.Clear();
  ClickTab(1);
  EXPECT_EQ(messages.log.size(), 1u);
  EXPECT_EQ(window->currentPage(), 0);
  EXPECT_TRUE(W("picSet1")->isVisible());
  EXPECT_TRUE(freq->hasFocus());
  EXPECT_EQ(state.PagerImage, before);
}

TEST_F(MainWindowTest, TabKeyLeavesTheFieldThroughTheEditor) {
  QLineEdit* addr = W<QLineEdit>("txtAddr(0)");
  QTest::mouseClick(addr, Qt::LeftButton);
  QTest::keyClicks(addr, "9");
  QTest::keyClick(addr, Qt::Key_Tab);
  QTRY_COMPARE(addr->text(), QString("0000009"));
  EXPECT_EQ(editor.focus, (CtlRef{Ctl::chkCtl, 30})) << "the next control in the tab order";
  EXPECT_TRUE(W("chkCtl(30)")->hasFocus());

  // A refused entry pulls the focus back into its field.
  QLineEdit* freq = W<QLineEdit>("txtFreq");
  QTest::mouseClick(freq, Qt::LeftButton);
  QTest::keyClicks(freq, "1800001");
  QTest::keyClick(freq, Qt::Key_Tab);
  QTRY_COMPARE(messages.log.size(), size_t(1));
  EXPECT_EQ(messages.log[0].text, "Frequency setting error(1300000 < = Frequency < =1800000 )");
  EXPECT_EQ(messages.log[0].icon, MsgIcon::Warning);
  QTRY_VERIFY(freq->hasFocus());
  EXPECT_EQ(editor.focus, (CtlRef{Ctl::txtFreq, 0}));
}

// The design controls from `name` up to the window: the control, its
// container, the container's container...
std::vector<const form1::DesignControl*> Containers(const std::string& name) {
  std::vector<const form1::DesignControl*> chain;
  for (const form1::DesignControl* d = form1::FindDesign(name); d; d = form1::FindDesign(d->parent))
    chain.push_back(d);
  return chain;
}

// True when, in their nearest common container, the box holding `b` lies
// wholly to the right of or wholly below the box holding `a`: the next
// control is never back up or back to the left of the one before it.
bool ReadsAfter(const std::string& a, const std::string& b) {
  const auto ca = Containers(a), cb = Containers(b);
  for (size_t i = 0; i < ca.size(); ++i) {
    for (size_t j = 0; j < cb.size(); ++j) {
      if (ca[i] != cb[j]) continue;
      if (i == 0 || j == 0) return false;  // one holds the other
      const form1::DesignControl& x = *ca[i - 1];
      const form1::DesignControl& y = *cb[j - 1];
      return y.left >= x.left + x.width || y.top >= x.top + x.height;
    }
  }
  return false;
}

// Tab, from the page in front, reaches every control of the page that takes
// the focus once, and the selected mode button above the pages (the arrow
// keys choose between the two), in reading order; tabbing through a page
// changes nothing.
TEST_F(MainWindowTest, TabWalksEveryPageInReadingOrder) {
  const Image before = state.PagerImage;
  for (int page = 0; page < 4; ++page) {
    window->ShowPage(page);
    QApplication::processEvents();
    std::vector<std::string> walk;
    for (int n = 0; n < 300; ++n) {
      QWidget* from = QApplication::focusWidget();
      ASSERT_NE(from, nullptr);
      QTest::keyClick(from, Qt::Key_Tab);
      QApplication::processEvents();
      const std::string now = QApplication::focusWidget()->objectName().toStdString();
      if (!walk.empty() && now == walk.front()) break;
      walk.push_back(now);
    }
    std::set<std::string> expected;
    for (const form1::DesignControl& d : form1::Form1Controls()) {
      QWidget* w = W(d.name);
      if ((d.page == page || (d.page == -1 && d.kind != form1::Kind::Background)) && w->isVisibleTo(window.get()) &&
          w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
        expected.insert(d.name);
    }
    EXPECT_EQ(std::set<std::string>(walk.begin(), walk.end()), expected) << "page " << page;
    EXPECT_EQ(walk.size(), expected.size()) << "page " << page << ": a control reached twice";
    for (size_t i = 1; i < walk.size(); ++i) {
      if (form1::FindDesign(walk[i])->page == -1) continue;  // the wrap to the mode buttons
      EXPECT_TRUE(ReadsAfter(walk[i - 1], walk[i])) << "page " << page << ": " << walk[i - 1] << " -> " << walk[i];
    }
    // Rows of a table read across, columns of fields read down.
    if (page == 0) {
      EXPECT_EQ(std::vector<std::string>(walk.begin(), walk.begin() + 4),
                (std::vector<std::string>{"txtAddr(0)", "chkCtl(30)", "cmdFunc(0)", "txtAddr(1)"}));
    }
    if (page == 2) {
      std::vector<const form1::DesignControl*> fields;
      for (const form1::DesignControl& d : form1::Form1Controls())
        if (d.page == 2 && d.kind == form1::Kind::TextField) fields.push_back(&d);
      std::stable_sort(fields.begin(), fields.end(), [](auto* x, auto* y) {
        return x->left != y->left ? x->left < y->left : x->top < y->top;
      });
      for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(walk.at(i), fields[i]->name);
    }
  }
  EXPECT_EQ(state.PagerImage, before);
  EXPECT_TRUE(messages.log.empty());
}

TEST_F(MainWindowTest, PointerOverTheTabStripStoresTheFieldBeingEdited) {
  QLineEdit* addr = W<QLineEdit>("txtAddr(1)");
  QTest::mouseClick(addr, Qt::LeftButton);
  QTest::keyClicks(addr, "77");
  EXPECT_EQ(addr->text(), "77");
  // Above the tab buttons nothing covers the background.
  QTest::mouseMove(W("picTabBack"), QPoint(300, 1));
  QTRY_VERIFY(!addr->hasFocus());
  EXPECT_EQ(addr->text(), "0000077");
}

TEST_F(MainWindowTest, TabButtonsBringTheirPagesForward) {
  for (int page : {1, 2, 3, 0}) {
    ClickTab(page);
    EXPECT_EQ(window->currentPage(), page);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(W(std::string(form1::kTabButtonNames[i]))->isVisible(), i != page) << page << "/" << i;
      EXPECT_EQ(W(std::string(form1::kPageNames[i]))->isVisible(), i == page) << page << "/" << i;
      EXPECT_TRUE(W(std::string(form1::kTabLabelNames[i]))->isVisible());
    }
    EXPECT_TRUE(W(std::string(form1::kPageNames[page]))->hasFocus());
  }
}

TEST_F(MainWindowTest, WriteModeLocksTheEditingControls) {
  std::map<std::string, bool> enabledBefore;
  for (const form1::DesignControl& d : form1::Form1Controls()) enabledBefore[d.name] = W(d.name)->isEnabled();

  QTest::mouseClick(W<QRadioButton>("WriteOpt"), Qt::LeftButton);
  ASSERT_TRUE(editor.writeMode);
  EXPECT_TRUE(W<QRadioButton>("WriteOpt")->isChecked());
  int locked = 0;
  for (const form1::DesignControl& d : form1::Form1Controls()) {
    const std::string prefix = d.name.substr(0, 3);
    const bool editing = d.ctl.array != Ctl::None &&
                         (prefix == "txt" || prefix == "opt" || prefix == "cbo" || prefix == "chk" || prefix == "cmd");
    if (editing) {
      EXPECT_FALSE(W(d.name)->isEnabled()) << d.name;
      ++locked;
    } else {
      EXPECT_EQ(W(d.name)->isEnabled(), enabledBefore[d.name]) << d.name;
    }
  }
  EXPECT_GT(locked, 150);
  EXPECT_TRUE(W("Slider1")->isEnabled());
  EXPECT_TRUE(W("ModifyOpt")->isEnabled());

  // The space bar on the Write Mode button writes one pager per press.
  QRadioButton* writeOpt = W<QRadioButton>("WriteOpt");
  writeOpt->setFocus();
  QTest::keyClick(writeOpt, Qt::Key_Space);
  QTest::keyClick(writeOpt, Qt::Key_Space);
  EXPECT_EQ(host.transfers, 2);
  EXPECT_EQ(state.TransferMode, 1);
  QTest::keyClick(writeOpt, Qt::Key_A);
  EXPECT_EQ(host.transfers, 2) << "other keys write nothing";

  QTest::mouseClick(W<QRadioButton>("ModifyOpt"), Qt::LeftButton);
  ASSERT_FALSE(editor.writeMode);
  for (const form1::DesignControl& d : form1::Form1Controls())
    EXPECT_EQ(W(d.name)->isEnabled(), enabledBefore[d.name]) << d.name;
  // In Modify Mode the space bar is an ordinary key.
  W("picSet1")->setFocus();
  QTest::keyClick(W("picSet1"), Qt::Key_Space);
  EXPECT_EQ(host.transfers, 2);
}

TEST_F(MainWindowTest, SpaceAnywhereInWriteModeWrites) {
  editor.Click(CtlRef{Ctl::WriteOpt, 0});
  window->Refresh();
  W("picSet1")->setFocus();
  QTest::keyClick(W("picSet1"), Qt::Key_Space);
  EXPECT_EQ(host.transfers, 1);
}

TEST_F(MainWindowTest, ResizeScalesFromTheSuffixAndComesBackExactly) {
  std::map<std::string, QRect> design;
  std::map<std::string, qreal> fonts;
  for (const form1::DesignControl& d : form1::Form1Controls()) {
    design[d.name] = W(d.name)->geometry();
    fonts[d.name] = W(d.name)->font().pointSizeF();
  }
  // At the design size every control sits on its design rectangle, except
  // the prompt fields, whose width the font measures.
  for (const form1::DesignControl& d : form1::Form1Controls()) {
    QRect want = DesignRect(d.name);
    if (d.ctl.array == Ctl::txtPrompt) want.setWidth(design[d.name].width());
    EXPECT_EQ(design[d.name], want) << d.name;
  }

  ASSERT_TRUE(ResizeClient(QSize(2 * 634, 705)));
  const QRect box = W("chkCtl(18)")->geometry();
  const QRect boxDesign = design["chkCtl(18)"];
  // Edges are scaled and rounded: 1.5 x top and 1.5 x bottom.
  EXPECT_EQ(box, QRect(QPoint(2 * boxDesign.x(), qRound(1.5 * boxDesign.y())),
                       QPoint(2 * (boxDesign.right() + 1) - 1, qRound(1.5 * (boxDesign.bottom() + 1)) - 1)));
  EXPECT_EQ(W("cboCtl(2)")->width(), 2 * design["cboCtl(2)"].width());
  EXPECT_DOUBLE_EQ(W("chkCtl(18)")->font().pointSizeF(), 12.0);
  EXPECT_DOUBLE_EQ(W("txtFreq")->font().pointSizeF(), 12.0);
  EXPECT_EQ(W("EMoptStatus")->geometry(), QRect(2 * 111, 6, 2 * 102, qRound(1.5 * 17)));

  // Several odd sizes, then back: the design geometry exactly, no drift.
  for (QSize s : {QSize(700, 333), QSize(1000, 900), QSize(635, 471)}) ASSERT_TRUE(ResizeClient(s));
  ASSERT_TRUE(ResizeClient(QSize(634, 470)));
  for (const form1::DesignControl& d : form1::Form1Controls()) {
    EXPECT_EQ(W(d.name)->geometry(), design[d.name]) << d.name;
    EXPECT_EQ(W(d.name)->font().pointSizeF(), fonts[d.name]) << d.name;
  }
}

// Shrunk and enlarged, every list shows its text whole, on the line of the
// label beside it, without covering a neighbour or leaving its container;
// every check-box and option indicator is whole.
TEST_F(MainWindowTest, ListsAndIndicatorsStayWholeAndAlignedAtOtherSizes) {
  const std::map<std::string, std::string> labelOf = {
      {"cboCtl(2)", "lblCtl(2)"},   {"cboCtl(3)", "lblCtl(3)"},       {"cboCtl(4)", "lblCtl(4)"},
      {"cboCtl(5)", "lblCtl(5)"},   {"cboBatLev(0)", "lblBatLev(0)"}, {"cboBatLev(1)", "lblBatLev(1)"},
      {"cboBatLev(2)", "lblBatLev(2)"}, {"cboSource", "lblSourceMode"}};
  for (double scale : {0.75, 1.5}) {
    ASSERT_TRUE(ResizeClient(QSize(qRound(634 * scale), qRound(470 * scale))));
    for (int page = 0; page < 4; ++page) {
      window->ShowPage(page);
      for (const form1::DesignControl& d : form1::Form1Controls()) {
        if (d.page != page && d.page != -1) continue;
        QWidget* w = W(d.name);
        const std::string at = d.name + " at " + std::to_string(scale);
        if (auto* list = qobject_cast<QComboBox*>(w)) {
          QStyleOptionComboBox opt;
          opt.initFrom(list);
          opt.currentText = list->currentText();
          const QRect text = list->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, list);
          const QFontMetrics fm(list->font());
          EXPECT_GE(list->height(), fm.height() + 4) << at << ": text cut at top or bottom";
          EXPECT_LE(fm.horizontalAdvance(list->currentText()), text.width()) << at << ": text cut at the side";
          EXPECT_TRUE(list->parentWidget()->rect().contains(list->geometry())) << at << " leaves its container";
          if (const auto it = labelOf.find(d.name); it != labelOf.end()) {
            EXPECT_LE(std::abs(list->geometry().center().y() - W(it->second)->geometry().center().y()), 1)
                << at << " is off its label's line";
          }
          for (QObject* o : list->parentWidget()->children()) {
            auto* other = qobject_cast<QWidget*>(o);
            if (!other || other == list || !other->isVisible() || !window->control(other->objectName().toStdString()))
              continue;
            const QRect a = list->geometry(), b = other->geometry();
            const bool sameWidth = a.left() <= b.right() && b.left() <= a.right();
            if (sameWidth && !DesignRect(d.name).intersects(DesignRect(other->objectName().toStdString()))) {
              EXPECT_FALSE(a.intersects(b)) << at << " covers " << other->objectName().toStdString();
            }
          }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && w->isVisible() &&
                   (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))) {
          QStyleOptionButton opt;
          opt.initFrom(button);
          const bool check = qobject_cast<QCheckBox*>(w) != nullptr;
          const QRect indicator = button->style()->subElementRect(
              check ? QStyle::SE_CheckBoxIndicator : QStyle::SE_RadioButtonIndicator, &opt, button);
          EXPECT_TRUE(button->rect().contains(indicator)) << at << ": indicator clipped";
          EXPECT_GE(indicator.height(), qRound(10 * scale)) << at;
        }
      }
    }
  }
}

TEST_F(MainWindowTest, MinimizingRaisesNoErrorAndRestoringLaysOutAgain) {
  QStringList warnings;
  g_warnings = &warnings;
  const QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
  const QRect before = W("cboDft")->geometry();

  window->showMinimized();
  QApplication::processEvents();
  window->LayoutControls(QSize(0, 0));  // an inner size of 0, as a minimized window reports it
  EXPECT_EQ(W("chkCtl(18)")->geometry().size(), QSize(0, 0));
  window->showNormal();
  window->LayoutControls(window->clientArea()->size());

  qInstallMessageHandler(previous);
  g_warnings = nullptr;
  EXPECT_TRUE(warnings.isEmpty()) << warnings.join("\n").toStdString();
  EXPECT_EQ(W("cboDft")->geometry(), before);
  EXPECT_TRUE(messages.log.empty());
}

TEST_F(MainWindowTest, Timer1KeepsTheBusParked) {
  EXPECT_TRUE(window->timer1Running());
  EXPECT_EQ(window->timer1Interval(), 50);
  board().tracing = true;
  board().trace.clear();
  QTest::qWait(280);
  const std::vector<uint8_t> writes = board().TraceValues();
  EXPECT_GE(writes.size(), 3u);
  for (uint8_t v : writes) EXPECT_EQ(v, 254);
}

TEST_F(MainWindowTest, ClosingParksTheBusAndStopsTheTimer) {
  board().tracing = true;
  board().trace.clear();
  const int64_t before = clock.Now();
  window->close();
  EXPECT_FALSE(window->timer1Running());
  ASSERT_FALSE(board().trace.empty());
  EXPECT_EQ(board().trace.back().value, 254);
  EXPECT_GE(clock.Now() - before, 99'000'000) << "parking waits 100 ms first";
}

TEST_F(MainWindowTest, DetailButtonsOpenTheirDialogs) {
  QTest::mouseClick(W<QPushButton>("cmdFunc(3)"), Qt::LeftButton);
  EXPECT_EQ(host.functionBitDialogs, 1);
  EXPECT_EQ(state.SelectedCapcode, 3);
  QTest::mouseClick(W<QPushButton>("cmdAlert"), Qt::LeftButton);
  EXPECT_EQ(host.alertDialogs, 1);
}

TEST_F(MainWindowTest, EveryTextFitsItsWidgetAtTheDesignSize) {
  // Checked on every page with the image the window opens with.
  for (int page = 0; page < 4; ++page) {
    window->ShowPage(page);
    for (const form1::DesignControl& d : form1::Form1Controls()) {
      QWidget* w = W(d.name);
      if (d.page != page && d.page != -1) continue;
      const QFontMetrics fm(w->font());
      int need = 0;
      int have = w->width();
      if (auto* l = qobject_cast<QLabel*>(w)) {
        need = fm.horizontalAdvance(l->text());
        have = l->contentsRect().width();
      } else if (auto* b = qobject_cast<QCheckBox*>(w)) {
        need = b->sizeHint().width() - 2;
      } else if (auto* r = qobject_cast<QRadioButton*>(w)) {
        need = r->sizeHint().width() - 2;
      } else if (auto* p = qobject_cast<QPushButton*>(w)) {
        need = fm.horizontalAdvance(form1::DisplayCaption(p->text().toStdString()).c_str()) + 6;
      } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
        need = fm.horizontalAdvance(form1::DisplayCaption(g->title().toStdString()).c_str()) + 8;
      } else if (auto* c = qobject_cast<QComboBox*>(w)) {
        for (int i = 0; i < c->count(); ++i) need = std::max(need, fm.horizontalAdvance(c->itemText(i)) + 26);
      } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        // Room for the longest entry the field takes: seven digits of a capcode
        // or a frequency, four of the password, a prompt's full length.
        int chars = 0;
        if (d.ctl.array == Ctl::txtAddr || d.ctl.array == Ctl::txtFreq) chars = 7;
        if (d.ctl.array == Ctl::txtPass) chars = 4;
        need = std::max(fm.horizontalAdvance(e->text()), fm.horizontalAdvance(QString(chars, '0'))) + 6;
        if (d.ctl.array == Ctl::txtPrompt) need = fm.horizontalAdvance(QString(e->maxLength(), 'W')) + 6;
      }
      EXPECT_LE(need, have) << d.name << " is too narrow for its text";
      if (qobject_cast<QLabel*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) {
        EXPECT_LE(fm.height(), w->height()) << d.name << " is too low for its font";
      }
    }
  }
}

// The message boxes the editor's texts appear in.
struct BoxSeen {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

// Inspects the message box once it is up, then presses `answer`.
void AnswerNextBox(BoxSeen& seen, QMessageBox::StandardButton answer) {
  QTimer::singleShot(0, [&seen, answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen = BoxSeen{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    box->button(answer)->click();
  });
}

TEST(QtMessagesTest, ShowsTheTextWithItsIconUnderTheApplicationTitle) {
  QtMessages messages;
  BoxSeen seen;
  AnswerNextBox(seen, QMessageBox::Ok);
  messages.Show("Channel Spacing Error!", MsgIcon::Warning);
  EXPECT_EQ(seen.title, "QRT35 Pager Programmer");
  EXPECT_EQ(seen.text, "Channel Spacing Error!");
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
  EXPECT_EQ(seen.buttons, QMessageBox::Ok);

  AnswerNextBox(seen, QMessageBox::Ok);
  messages.Show("Waring ! You must let ( Level-High > Level-Med > Level-Low ).", MsgIcon::Error);
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  AnswerNextBox(seen, QMessageBox::Ok);
  messages.Show("Can not exceed 18 characters exclude left space!", MsgIcon::None);
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
  // A path is shown as it is, not as markup.
  AnswerNextBox(seen, QMessageBox::Ok);
  messages.Show("The [/tmp/<b>x</b>.tbl] is not correct format, the file will discard !", MsgIcon::None);
  EXPECT_EQ(seen.text, "The [/tmp/<b>x</b>.tbl] is not correct format, the file will discard !");
}

TEST(QtMessagesTest, QuestionsAnswerYesOrNo) {
  QtMessages messages;
  BoxSeen seen;
  const std::string question = "This file is arealy exist ! \r\nAre you sure overwrite this file?";
  AnswerNextBox(seen, QMessageBox::Yes);
  EXPECT_TRUE(messages.AskYesNo(question, MsgIcon::None));
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(seen.text, QString::fromStdString(question));
  AnswerNextBox(seen, QMessageBox::No);
  EXPECT_FALSE(messages.AskYesNo(question, MsgIcon::Warning));
  EXPECT_EQ(seen.icon, QMessageBox::Warning);
}

// The missing board offers the port diagnostics: a button beside OK, whose
// handler runs once the box has closed; OK alone runs nothing.
TEST(QtMessagesTest, TheOfferIsAButtonThatRunsItsHandler) {
  QtMessages messages;
  std::vector<MsgOffer> taken;
  messages.setOfferHandler([&taken](MsgOffer offer) { taken.push_back(offer); });
  for (const bool press : {false, true}) {
    QTimer::singleShot(0, [press] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      auto* offer = box->findChild<QPushButton*>("cmdOffer");
      ASSERT_NE(offer, nullptr);
      EXPECT_EQ(offer->text(), "Port &Diagnostics...");
      (press ? offer : box->button(QMessageBox::Ok))->click();
    });
    messages.ShowOffering("The Board is not responding!", MsgIcon::Warning, MsgOffer::PortDiagnostics);
  }
  EXPECT_EQ(taken, std::vector<MsgOffer>{MsgOffer::PortDiagnostics});
}

TEST_F(MainWindowTest, TheQtHostDrivesTheWindowsTimer) {
  QtEditorHost qtHost(rig.station);
  qtHost.Attach(window.get(), &editor);
  qtHost.SetTimer1(false);
  EXPECT_FALSE(window->timer1Running());
  qtHost.SetTimer1(true);
  EXPECT_TRUE(window->timer1Running());
  board().tracing = true;
  board().trace.clear();
  qtHost.ParkBus();
  ASSERT_FALSE(board().trace.empty());
  EXPECT_EQ(board().trace.back().value, 254);
}

}  // namespace
}  // namespace qrt
