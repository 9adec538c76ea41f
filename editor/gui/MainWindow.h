#pragma once
// The main window `Form1`: a Qt view over qrt::Editor. Every widget is built
// from the design table (editor/Form1Design.h), forwards what the user does to
// the editor, and after every action the whole window is redrawn from the
// editor's state. The window owns only what a window owns: its widgets, the
// proportional layout, the tab switching, the 50 ms keep-alive timer and the
// menus.
#include <QMainWindow>
#include <QKeySequence>
#include <QPointer>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "editor/Controls.h"
#include "editor/Form1Design.h"
#include "station/gui/StationMenu.h"

class QTimer;
class QAction;
class QLabel;
class QStyle;

namespace qrt {

class Editor;
class Connection;
class QtRecordRunner;
class QtTableFileUi;
class TableFileUi;
namespace production {
class Station;
}

class Form1 : public QMainWindow {
  Q_OBJECT

 public:
  // The editor and the station (the connection to the pager, the production
  // record and line, the remembered choices) belong to the caller and
  // outlive the window. The window's writes ask before a capcode the record
  // shows on an earlier pager is written again.
  Form1(Editor& editor, production::Station& station, QWidget* parent = nullptr);
  ~Form1() override;

  // The window's load sequence, in order: calibrate the bit delay, remember
  // the program directory, find the board and park the bus, `boardChecked`
  // (the splash window's second timer), the reference size, the layout
  // suffixes, the factory image with the configured logo, default.tbl or
  // band 0 (either way bound to the controls), Timer1.
  void Load(const std::function<void()>& boardChecked = {});

  // Redraws every widget from the editor and puts the keyboard focus where
  // the editor has it. Safe to call at any time; sets no editor state.
  void Refresh();

  // The tab buttons: hide the clicked one, show the others, bring its page to
  // the front and give the page the focus.
  void ShowPage(int page);
  int currentPage() const { return currentPage_; }

  // Places every control from its layout suffix for a client area of `inner`
  // pixels. The resize event calls it; a size of 0 (minimized) is fine.
  void LayoutControls(QSize inner);
  int initialScaleWidth() const { return initialScaleWidth_; }    // twips
  int initialScaleHeight() const { return initialScaleHeight_; }  // twips

  void SetTimer1(bool running);
  bool timer1Running() const;
  int timer1Interval() const;

  // The widget built for a design control ("chkCtl(18)", "txtFreq", ...).
  QWidget* control(std::string_view name) const;
  // The widget that shows an editor control; nullptr when the window has none.
  QWidget* widgetFor(CtlRef ref) const;
  QWidget* clientArea() const { return client_; }

  // The File, Pager and Help menu commands, as the menus run them.
  void FileOpen();
  // File > Open Backup...: the list of backups ("Open Backup"); the chosen
  // one opens as File > Open opens a table file.
  void FileOpenBackup();
  // File > Restore Backup to Pager...: the same list; the chosen backup is
  // written into the pager as it was taken (RestoreBackupToPager).
  void FileRestoreBackup();
  // Pager > "Back Up Before Writing": sets the state's switch; the station
  // remembers it.
  void SetBackupBeforeWrite(bool on);
  void FileSave();
  void FileSaveAs();
  void Exit();
  void About();

  // The station's commands (the Pager menu's Connection... to Production
  // Log, Help > Port Diagnostics...) and the status bar's parts.
  StationMenu& stationMenu() { return *stationMenu_; }

  // A transfer dialog opens: until it has closed, closing the window
  // finishes the transfer first.
  void TransferStarting();
  // A transfer dialog has closed: the record may hold a new entry.
  void TransferEnded();
  bool transferRunning() const { return transferRunning_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Closing (the close box, a logout, SIGTERM) during a transfer asks it to
  // stop (base/StopRequest.h: the first time the pager under way is
  // finished, again it stops after its page) and closes the window once it
  // has ended and is recorded.
  void closeEvent(QCloseEvent* event) override;

  // Runs one user action of the editor. A handler's failure must not unwind
  // through Qt's event dispatch; it is reported and the window carries on.
  template <typename Fn>
  static void Guarded(const char* what, Fn&& fn) {
    try {
      fn();
    } catch (const std::exception& e) {
      ReportFailure(what, e.what());
    }
  }
  static void ReportFailure(const char* what, const char* why);

 private:
  struct Item {
    QWidget* widget = nullptr;
    const form1::DesignControl* design = nullptr;
    int designHint = 0;  // a list's natural height (pixels) at the design font
  };

  void BuildWidgets();
  void BuildMenus();
  // Runs File > Open, Save or Save As; the folder of a file chosen in its
  // dialog is remembered for the next run.
  void FileCommand(const char* what, void (*command)(Editor&, TableFileUi&));
  void BuildPageKeys();
  QWidget* CreateWidget(const form1::DesignControl& d, QWidget* parent);
  void ConnectWidget(QWidget* w, const form1::DesignControl& d);
  void RecordLayoutSuffixes();
  void RefreshItem(const Item& item);
  void ApplyFocus();
  void ApplyFocusLater();
  void AfterAction();
  CtlRef FocusTargetOf(QObject* object) const;
  bool KeyPreview(QObject* watched, class QKeyEvent* key);
  bool PointerFocus(QObject* watched);
  void TabBackgroundMouseMove();
  QFont DesignFont(const form1::DesignControl& d) const;
  int MeasuredFieldWidth(QWidget* field, int spaces) const;

  Editor& editor_;
  production::Station& station_;
  Connection& connection_;
  std::unique_ptr<QtTableFileUi> tableUi_;
  std::unique_ptr<QtRecordRunner> records_;
  std::unique_ptr<StationMenu> stationMenu_;
  QWidget* client_ = nullptr;
  QTimer* timer1_ = nullptr;
  std::vector<Item> items_;                                 // design order
  std::unordered_map<std::string, QWidget*> byName_;
  std::unordered_map<QObject*, const form1::DesignControl*> designOf_;
  std::vector<QWidget*> pages_;
  std::vector<QWidget*> tabButtons_;
  std::vector<QWidget*> tabLabels_;
  std::vector<QKeySequence> menuShortcuts_;  // the menus' and the page keys
  QAction* backupFirst_ = nullptr;
  QWidget* background_ = nullptr;
  QStyle* controlStyle_ = nullptr;  // check boxes, option buttons and lists
  int currentPage_ = 0;
  int initialScaleWidth_ = form1::kClientWidth;
  int initialScaleHeight_ = form1::kClientHeight;
  bool layoutRecorded_ = false;
  bool refreshing_ = false;
  bool syncingFocus_ = false;
  bool focusPending_ = false;
  bool closing_ = false;
  bool transferRunning_ = false;
  bool closeAfterTransfer_ = false;
};

}  // namespace qrt
