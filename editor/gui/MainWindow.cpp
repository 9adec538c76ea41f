// Form1's life: construction, the load sequence, the proportional layout, the
// tab switching, the keep-alive timer, the menus and the way user input
// reaches the editor (pointer focus, key preview, keyboard focus).
#include "editor/gui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include <cmath>
#include <cstdio>

#include "ProductInfo.h"
#include "backup/Backups.h"
#include "controls/gui/AboutBox.h"
#include "editor/Editor.h"
#include "editor/Layout.h"
#include "editor/gui/BackupListDialog.h"
#include "station/gui/QtRecordRunner.h"
#include "image/Cp1252.h"
#include "ports/Connection.h"
#include "station/Station.h"
#include "tables/TableFiles.h"
#include "tables/gui/QtTableFileUi.h"
#include "transfer/Restore.h"
#include "transfer/gui/TransferDialog.h"

namespace qrt {

using form1::DesignControl;
using form1::Kind;

namespace {

constexpr int kTimer1IntervalMs = 50;
constexpr int kEnterKey = 13;

}  // namespace

Form1::Form1(Editor& editor, production::Station& station, QWidget* parent)
    : QMainWindow(parent), editor_(editor), station_(station), connection_(station.connection()) {
  setObjectName("Form1");
  setWindowTitle(QString::fromStdString(form1::WindowTitle()));
  tableUi_ = std::make_unique<QtTableFileUi>(this);

  client_ = new QWidget(this);
  client_->setObjectName("Form1Client");
  setCentralWidget(client_);
  client_->installEventFilter(this);

  // Two pagers with one capcode receive each other's messages: the window
  // asks before writing a capcode the record shows on an earlier pager.
  station_.line().askBeforeRewriting = true;
  // The record's calls run on a thread of their own: the window never waits
  // on a database.
  records_ = std::make_unique<QtRecordRunner>();
  station_.SetRecordRunner(records_.get());
  StationWindowHooks hooks;
  hooks.timerRunning = [this] { return timer1Running(); };
  hooks.setTimer = [this](bool running) { SetTimer1(running); };
  hooks.closing = [this] { return closing_; };
  hooks.transferRunning = [this] { return transferRunning_; };
  hooks.afterAction = [this] { AfterAction(); };
  hooks.transferEnded = [this] { TransferEnded(); };
  hooks.table = [this] {
    return production::RunTable{editor_.state.PagerImage, editor_.state.CurrentTablePath, product::kDefaultLogo,
                                editor_.state.BackupsDir};
  };
  stationMenu_ = std::make_unique<StationMenu>(this, station_, editor_.msg, std::move(hooks));
  station_.SetRecordOpened([this](const production::StoreStatus& status) { stationMenu_->RecordOpened(status); });

  BuildWidgets();
  BuildMenus();
  BuildPageKeys();
  stationMenu_->AddToStatusBar(statusBar());

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(kTimer1IntervalMs);
  // The parked bus state, written again and again: the board's lines stay
  // released whatever another program may have written to the port.
  connect(timer1_, &QTimer::timeout, this, [this] { connection_.transport().KeepAlive(); });

  const int w = form1::kClientWidth / form1::kTwipsPerPixel;
  const int h = form1::kClientHeight / form1::kTwipsPerPixel;
  client_->resize(w, h);
  resize(w, h + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
  ShowPage(0);
}

void Form1::ReportFailure(const char* what, const char* why) {
  std::fprintf(stderr, "qrt35prog: %s failed: %s\n", what, why);
}

Form1::~Form1() {
  // Every record call started ends first (a commit reaches the record or the
  // journal); the station then runs its calls at once again.
  const bool ours = station_.recordRunner() == records_.get();
  records_.reset();
  if (ours) {
    station_.SetRecordRunner(nullptr);
    station_.SetRecordOpened({});
  }
  // The widgets go after this object's own members: they must not report to it any more.
  for (const Item& item : items_) item.widget->removeEventFilter(this);
  client_->removeEventFilter(this);
}

// ------------------------------------------------------------------ loading

void Form1::Load(const std::function<void()>& boardChecked) {
  AppState& st = editor_.state;
  connection_.transport().CalibrateDelay();
  st.ProgramDir = QCoreApplication::applicationDirPath().toStdString();
  // A missing board is reported by the link; editing and table files work without one.
  connection_.transport().DetectBoard();
  connection_.transport().ParkBus();
  if (boardChecked) boardChecked();

  if (QLayout* l = layout()) l->activate();
  const QSize inner = client_->size();
  if (inner.width() > 0 && inner.height() > 0) {
    initialScaleWidth_ = inner.width() * form1::kTwipsPerPixel;
    initialScaleHeight_ = inner.height() * form1::kTwipsPerPixel;
  }
  RecordLayoutSuffixes();

  Guarded("loading the factory image", [&] { editor_.LoadDefaults(product::kDefaultLogo); });
  // The file dialogs open where the user last chose a table file, else in
  // their documents folder (the home folder when there is none).
  if (st.TableFolder.empty()) st.TableFolder = station_.tableFolder();
  if (st.TableFolder.empty()) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    st.TableFolder = (QDir(documents).exists() ? documents : QDir::homePath()).toStdString();
  }
  Guarded("opening default.tbl", [&] {
    editor_.ShowStartImage(OpenDefaultTableAtStart(editor_, *tableUi_));
  });
  SetTimer1(true);
  LayoutControls(client_->size());
  AfterAction();
}

void Form1::RecordLayoutSuffixes() {
  // Each control's design geometry (twips) and font size, appended to its tag
  // once; every later layout starts from these numbers.
  if (layoutRecorded_) return;
  for (Item& item : items_) {
    const DesignControl& d = *item.design;
    const std::optional<layout::Geometry> box =
        layout::Geometry{double(d.left), double(d.top), double(d.width), double(d.height), 0};
    const std::optional<double> font =
        d.font == form1::FontRole::None ? std::nullopt : std::optional<double>(form1::kDesignFontSize);
    const std::string tag = item.widget->property("tag").toString().toStdString();
    item.widget->setProperty("tag", QString::fromStdString(layout::AppendLayoutSuffix(tag, box, font)));
    // What a list's height does when its font changes is measured against this.
    if (layout::IsListName(d.name)) item.designHint = item.widget->sizeHint().height();
  }
  layoutRecorded_ = true;
}

// ------------------------------------------------------------------- layout

void Form1::LayoutControls(QSize inner) {
  if (!layoutRecorded_) return;
  constexpr double kPx = form1::kTwipsPerPixel;
  const layout::Ratios ratios = layout::ScaleRatios(double(inner.width()) * kPx, double(inner.height()) * kPx,
                                                    initialScaleWidth_, initialScaleHeight_);
  // Every control's design geometry, read back from its tag.
  std::vector<layout::Geometry> design(items_.size());
  std::unordered_map<const QWidget*, size_t> indexOf;
  for (size_t i = 0; i < items_.size(); ++i) {
    design[i] = layout::ParseLayoutSuffix(items_[i].widget->property("tag").toString().toStdString());
    indexOf[items_[i].widget] = i;
  }
  // A list's room among the controls of its container, at the design size.
  const auto designRoom = [&](size_t i) {
    const QWidget* parent = items_[i].widget->parentWidget();
    std::vector<layout::Geometry> siblings;
    size_t self = 0;
    for (size_t j = 0; j < items_.size(); ++j) {
      if (items_[j].widget->parentWidget() != parent) continue;
      if (j == i) self = siblings.size();
      siblings.push_back(design[j]);
    }
    const auto it = indexOf.find(parent);
    const double containerHeight = it != indexOf.end() ? design[it->second].height : double(form1::kClientHeight);
    return layout::VerticalRoom(siblings, self, containerHeight);
  };

  const bool wasEnabled = updatesEnabled();
  setUpdatesEnabled(false);
  for (size_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    layout::Geometry g = layout::ScaleGeometry(design[i], ratios);
    // A minimized window has no room for any font; the sizes come back from
    // the suffix when it is restored.
    if (item.design->font != form1::FontRole::None && g.fontSize > 0) {
      QFont f = item.widget->font();
      f.setPointSizeF(g.fontSize);
      item.widget->setFont(f);
      // A list is as high as its font needs, centred on its label's line.
      if (layout::IsListName(item.design->name) && item.designHint > 0) {
        const double needed = layout::NeededListHeight(design[i].height, item.designHint * kPx,
                                                       item.widget->sizeHint().height() * kPx);
        g = layout::FitHeight(g, needed, layout::ScaleBand(designRoom(i), ratios));
      }
    }
    const auto px = [](double twips) { return int(std::lround(twips / kPx)); };
    // Edges are rounded, not sizes, so that neighbours that touch in the
    // design still touch and never overlap.
    item.widget->setGeometry(px(g.left), px(g.top), px(g.left + g.width) - px(g.left),
                             px(g.top + g.height) - px(g.top));
  }
  setUpdatesEnabled(wasEnabled);
  if (inner.width() > 0 && inner.height() > 0) {
    Guarded("sizing the prompt fields", [&] { editor_.Set_PromptEd_Width(); });
  }
  Refresh();
}

// --------------------------------------------------------------------- tabs

void Form1::ShowPage(int page) {
  if (page < 0 || page >= int(pages_.size())) return;
  // The field being edited stores its entry before the page changes; when it
  // refuses the entry the focus stays there and so does the page.
  if (layoutRecorded_) {
    Guarded("switching pages", [&] { editor_.SetFocus(CtlRef{Ctl::picTabBack, 0}); });
    if (!(editor_.focus == CtlRef{Ctl::picTabBack, 0})) {
      AfterAction();
      return;
    }
  }
  currentPage_ = page;
  for (int i = 0; i < int(pages_.size()); ++i) {
    tabButtons_[i]->setVisible(i != page);
    pages_[i]->setVisible(i == page);
  }
  pages_[page]->raise();
  AfterAction();
}

// -------------------------------------------------------------------- timer

void Form1::SetTimer1(bool running) {
  if (running)
    timer1_->start();
  else
    timer1_->stop();
}

bool Form1::timer1Running() const { return timer1_->isActive(); }
int Form1::timer1Interval() const { return timer1_->interval(); }

// -------------------------------------------------------------------- menus

void Form1::BuildMenus() {
  struct Command {
    QMenu* menu;
    const char* name;
    const char* caption;
    QKeySequence key;
    std::function<void()> run;
  };
  // Alt+F, Alt+P and Alt+H open the menus; the captions read as before.
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("mnuFile");
  QMenu* pager = menuBar()->addMenu("&Pager");
  pager->setObjectName("mnuPager");
  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("mnuHelp");
  const auto pagerCommand = [this](int mode) {
    return [this, mode] {
      Guarded("the pager command", [&] { editor_.PagerCommand(mode); });
      AfterAction();
    };
  };
  const std::vector<Command> commands = {
      {file, "mnuLBFF", "Open", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { FileOpen(); }},
      {file, "mnuOpenBackup", "Open Backup...", QKeySequence(), [this] { FileOpenBackup(); }},
      {file, "mnuRestoreBackup", "Restore Backup to Pager...", QKeySequence(), [this] { FileRestoreBackup(); }},
      {file, "mnuSBTF", "Save", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { FileSave(); }},
      {file, "mnuSA", "Save As...", QKeySequence(Qt::CTRL | Qt::Key_A), [this] { FileSaveAs(); }},
      {file, "mnuExit", "Exit", QKeySequence(Qt::CTRL | Qt::Key_E), [this] { Exit(); }},
      {pager, "mnuEntire", "Read", QKeySequence(Qt::Key_F3), pagerCommand(0)},
      {pager, "mnuEB", "Write", QKeySequence(Qt::Key_F4), pagerCommand(1)},
      {pager, "mnuEB1", "Verfy", QKeySequence(Qt::Key_F9), pagerCommand(2)},
      {help, "mnuDiagnostics", "Port Diagnostics...", QKeySequence(), [this] { stationMenu_->PortDiagnostics(); }},
      {help, "mnuAbout", "About", QKeySequence(), [this] { About(); }},
  };
  for (const Command& c : commands) {
    QAction* a = c.menu->addAction(c.caption);
    a->setObjectName(c.name);
    if (!c.key.isEmpty()) {
      a->setShortcut(c.key);
      a->setShortcutContext(Qt::WindowShortcut);
      menuShortcuts_.push_back(c.key);
    }
    connect(a, &QAction::triggered, this, c.run);
    if (c.menu == file && std::string_view(c.name) == "mnuSA") file->addSeparator();
  }
  pager->addSeparator();
  backupFirst_ = pager->addAction("Back Up Before Writing");
  backupFirst_->setObjectName("mnuBackupFirst");
  backupFirst_->setCheckable(true);
  backupFirst_->setChecked(editor_.state.BackupBeforeWrite);
  connect(backupFirst_, &QAction::toggled, this, [this](bool on) { SetBackupBeforeWrite(on); });
  stationMenu_->AddToPagerMenu(pager);
}

void Form1::TransferStarting() {
  transferRunning_ = true;
  if (!closeAfterTransfer_) station_.stopRequest().Clear();
}

void Form1::TransferEnded() {
  transferRunning_ = false;
  stationMenu_->SetRecordWaiting(station_.RecordWaiting());
  if (closeAfterTransfer_) {
    QTimer::singleShot(0, this, [this] { close(); });
    return;
  }
  stationMenu_->RefreshLog();
}

void Form1::SetBackupBeforeWrite(bool on) {
  const bool changed = editor_.state.BackupBeforeWrite != on;
  editor_.state.BackupBeforeWrite = on;
  if (backupFirst_->isChecked() != on) backupFirst_->setChecked(on);  // comes back here unchanged
  if (changed) station_.SetBackupBeforeWrite(on);
}

void Form1::BuildPageKeys() {
  // Ctrl+Tab and Ctrl+PgDn bring the next page forward, Ctrl+Shift+Tab and
  // Ctrl+PgUp the previous one, wrapping around; as a click on a tab button,
  // the field being edited stores its entry first.
  struct PageKey {
    QKeySequence key;
    int step;
  };
  const PageKey keys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                          {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                          {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                          {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                          {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
  for (const PageKey& k : keys) {
    auto* a = new QAction(this);
    a->setShortcut(k.key);
    a->setShortcutContext(Qt::WindowShortcut);
    const int step = k.step;
    connect(a, &QAction::triggered, this, [this, step] {
      const int count = int(pages_.size());
      ShowPage(((currentPage_ + step) % count + count) % count);
    });
    addAction(a);
    menuShortcuts_.push_back(k.key);
  }
}

void Form1::FileOpen() { FileCommand("Open", mnuLBFF_Click); }

void Form1::FileCommand(const char* what, void (*command)(Editor&, TableFileUi&)) {
  const std::string folder = editor_.state.TableFolder;
  Guarded(what, [&] { command(editor_, *tableUi_); });
  // A file chosen in a dialog: the next run's dialogs open in its folder too.
  if (editor_.state.TableFolder != folder) station_.SetTableFolder(editor_.state.TableFolder);
  AfterAction();
}

namespace {

// The backups list, titled `title`; the path chosen, or empty.
std::string ChooseBackup(QWidget* parent, Editor& editor, const QString& title, const QString& action) {
  const std::string& folder = editor.state.BackupsDir;
  std::vector<BackupEntry> backups;
  std::string error;
  if (!ListBackups(folder, backups, error)) {
    editor.msg.Show("Cannot list the backups in [" + folder + "]: " + error, MsgIcon::Warning);
    return {};
  }
  BackupListDialog dialog(parent, title, action, std::move(backups), folder);
  return dialog.exec() == QDialog::Accepted ? dialog.chosenPath() : std::string();
}

}  // namespace

void Form1::FileOpenBackup() {
  Guarded("Open Backup", [&] {
    const std::string path = ChooseBackup(this, editor_, "Open Backup", "&Open");
    if (!path.empty()) OpenBackup(editor_, *tableUi_, path);
  });
  AfterAction();
}

void Form1::FileRestoreBackup() {
  Guarded("Restore Backup to Pager", [&] {
    const std::string path = ChooseBackup(this, editor_, "Restore Backup to Pager", "&Restore");
    if (!path.empty()) RestoreBackupToPager(editor_, path);
  });
  AfterAction();
}

void Form1::FileSave() { FileCommand("Save", mnuSBTF_Click); }

void Form1::FileSaveAs() { FileCommand("Save As", mnuSA_Click); }

void Form1::Exit() { close(); }

void Form1::About() { ShowAboutBox(this); }

void Form1::closeEvent(QCloseEvent* event) {
  if (transferRunning_) {
    // The pager under way is finished (asked again: stopped after its page)
    // and recorded before the program ends; the window closes after it.
    station_.stopRequest().Request();
    closeAfterTransfer_ = true;
    if (auto* transfer = findChild<TransferDialog*>()) transfer->close();
    event->ignore();
    return;
  }
  if (!closing_) {
    closing_ = true;
    SetTimer1(false);
    connection_.transport().ParkBus();
    // Closing the main window ends the program: no other window stays behind.
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != this && w->isVisible()) w->close();
  }
  event->accept();
}

// --------------------------------------------------------------- user input

void Form1::AfterAction() {
  Refresh();
  ApplyFocus();
}

void Form1::ApplyFocusLater() {
  if (focusPending_) return;
  focusPending_ = true;
  QTimer::singleShot(0, this, [this] {
    focusPending_ = false;
    ApplyFocus();
  });
}

void Form1::ApplyFocus() {
  QWidget* target = widgetFor(editor_.focus);
  if (!target || !target->isVisibleTo(this) || !target->isEnabled()) return;
  if (QApplication::focusWidget() == target || target->hasFocus()) return;
  syncingFocus_ = true;
  target->setFocus(Qt::OtherFocusReason);
  syncingFocus_ = false;
}

CtlRef Form1::FocusTargetOf(QObject* object) const {
  for (QObject* o = object; o; o = o->parent()) {
    const auto it = designOf_.find(o);
    if (it == designOf_.end()) continue;
    const DesignControl& d = *it->second;
    if (d.ctl.array != Ctl::None && d.kind != Kind::StatusField) return d.ctl;
    if (d.kind == Kind::Page || d.kind == Kind::Background) return CtlRef{Ctl::picTabBack, 0};
  }
  return CtlRef{};
}

bool Form1::PointerFocus(QObject* watched) {
  // The pointer moves the focus before the control sees the press, so that a
  // field being edited stores (or refuses) its entry first. When it refuses,
  // the focus stays in the field and the press is lost.
  const CtlRef ref = FocusTargetOf(watched);
  if (ref.array == Ctl::None || ref == editor_.focus) return false;
  const ControlState* c = editor_.Control(ref);
  if (!c || !c->usable() || !c->visible) return false;
  Guarded("moving the focus", [&] { editor_.SetFocus(ref); });
  AfterAction();
  return !(editor_.focus == ref);
}

bool Form1::KeyPreview(QObject* watched, QKeyEvent* key) {
  // Characters reach the window first (space in Write Mode writes a pager),
  // then the control's own key handler; a swallowed key never reaches the widget.
  int ch = -1;
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    ch = kEnterKey;
  } else {
    const QString text = key->text();
    if (text.isEmpty()) return false;
    const auto code = UnicodeToCp1252(text.toUcs4().value(0));
    ch = code ? *code : '?';
  }
  const CtlRef ref = FocusTargetOf(watched);
  bool swallowed = false;
  Guarded("a key", [&] {
    swallowed = (ref.array != Ctl::None && editor_.Control(ref)) ? editor_.KeyPress(ref, ch)
                                                                 : editor_.WindowKeyPress(ch);
  });
  AfterAction();
  return swallowed;
}

void Form1::TabBackgroundMouseMove() {
  const CtlRef back{Ctl::picTabBack, 0};
  if (editor_.focus == back) return;
  Guarded("moving the focus", [&] { editor_.SetFocus(back); });
  AfterAction();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) {
    LayoutControls(static_cast<QResizeEvent*>(event)->size());
    return false;
  }
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      if (designOf_.count(watched)) return PointerFocus(watched);
      break;
    case QEvent::KeyPress:
      if (designOf_.count(watched)) return KeyPreview(watched, static_cast<QKeyEvent*>(event));
      break;
    case QEvent::ShortcutOverride: {
      // A text field would take Ctrl+A and Ctrl+E for itself; the menus come first.
      auto* key = static_cast<QKeyEvent*>(event);
      const QKeySequence pressed(key->keyCombination());
      for (const QKeySequence& k : menuShortcuts_)
        if (k == pressed) return true;
      break;
    }
    case QEvent::FocusIn: {
      if (syncingFocus_ || !designOf_.count(watched)) break;
      const CtlRef ref = FocusTargetOf(watched);
      if (ref.array == Ctl::None || ref == editor_.focus) break;
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
          reason == Qt::ShortcutFocusReason || reason == Qt::MouseFocusReason) {
        // The user moved the focus with the keyboard: the editor runs the
        // leaving field's store once the focus event is over.
        QPointer<QObject> target(watched);
        QTimer::singleShot(0, this, [this, target, ref] {
          if (!target || editor_.focus == ref) return;
          Guarded("moving the focus", [&] { editor_.SetFocus(ref); });
          AfterAction();
        });
      } else {
        // Window activation and the like: Qt restores its own idea of the
        // focus, the editor's wins.
        ApplyFocusLater();
      }
      break;
    }
    default: break;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace qrt
