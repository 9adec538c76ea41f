#pragma once
// The station's commands in the main window: the Pager menu's Connection...,
// Bus Speed, Production Database..., Work Without Database, Allocate
// Capcodes..., Production Log and Production Panel..., Help > Port
// Diagnostics..., and the status
// bar's connection, record and allocation parts. The window adds them to its
// menus and status bar; the handlers are the station's.
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

#include "diagnostics/Diagnostics.h"
#include "link/BusSpeed.h"
#include "ports/ConnectionChoices.h"
#include "station/ContinuousPager.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QWidget;

namespace qrt {

class Connection;
class Messages;
class ProductionLogWindow;
class ProductionPanel;
namespace production {
class Station;
struct StoreStatus;
}  // namespace production

// What Help > Port Diagnostics... needs from the program that made the window.
struct PortDiagnosticsSetup {
  // The diagnosis; the window passes its own clock, whose waits let window
  // events run.
  std::function<DiagnosticsReport(Clock&)> diagnose = DiagnoseThisMachine;
};

// What the commands need of the window they sit in.
struct StationWindowHooks {
  std::function<bool()> timerRunning;          // the keep-alive timer
  std::function<void(bool)> setTimer;
  std::function<bool()> closing;               // the window is closing: the timer stays off
  std::function<bool()> transferRunning;       // a transfer dialog is open
  std::function<void()> afterAction;           // the editor's redraw and focus after a command
  std::function<void()> transferEnded;         // the record may hold a new entry
  std::function<production::RunTable()> table;  // the table in the window, for the Production Panel's pagers
};

class StationMenu {
 public:
  // `window` parents the dialogs; the station and `messages` outlive it.
  StationMenu(QWidget* window, production::Station& station, Messages& messages, StationWindowHooks hooks);

  // Adds Connection..., Bus Speed, Production Database..., Work Without
  // Database, Allocate Capcodes... and Production Log to the Pager menu.
  void AddToPagerMenu(QMenu* pager);
  // The connection, record and allocation parts of the status bar.
  void AddToStatusBar(QStatusBar* bar);

  // Connection...: the dialog of the connections present; the chosen one is
  // opened (the board looked for, the bus parked) and remembered.
  void ChooseConnection();
  void SwitchConnection(const std::string& port);
  // Bus Speed > Standard / Fast.
  void SetBusSpeed(BusSpeed speed);
  // Opens the production record the settings name, waiting for it; a record
  // that cannot be opened is reported, and writes are refused until it can.
  void OpenRecord();
  // At start: the same without waiting ("Record: connecting…" meanwhile);
  // what needs the record waits for it. The end is reported as it comes.
  void StartOpeningRecord();
  // The record's opening has ended (the station reports it).
  void RecordOpened(const production::StoreStatus& status);
  // Production Database...: the dialog; a record chosen that does not open is reported.
  void ProductionDatabase();
  // Work Without Database: no record, writes allowed; off opens it again.
  void SetWorkWithoutDatabase(bool on);
  // Allocate Capcodes...: the ranges dialog; refused without a record.
  void AllocateCapcodes();
  // Production Log: the log window, shown and brought up to date.
  void ShowProductionLog();
  ProductionLogWindow* productionLog() const;
  // Production Panel...: hands-free production on the station's boards. The
  // window takes no input and sends no keep-alive while it is open: its
  // boards use the station's port.
  void ShowProductionPanel();
  ProductionPanel* productionPanel() const;
  // A transfer has ended: the log shown, if any, brought up to date.
  void RefreshLog();
  // Help > Port Diagnostics...: the keep-alive timer stops and the ports are
  // let go while the dialog diagnoses this machine, modally.
  void PortDiagnostics();
  void SetPortDiagnostics(PortDiagnosticsSetup setup) { diagnostics_ = std::move(setup); }
  const PortDiagnosticsSetup& portDiagnostics() const { return diagnostics_; }
  // The connections Connection... offers (this machine's, unless a test says otherwise).
  void SetConnectionList(std::function<std::vector<ConnectionChoice>()> list) { listConnections_ = std::move(list); }

  // The status bar: the connection, the record and the allocation in use,
  // each in a short form with the whole text as its tooltip.
  void UpdateStatusBar();
  // The operations kept on the station that the record does not hold yet,
  // shown after the record ("· 3 waiting") while there are any.
  void SetRecordWaiting(int waiting);
  QLabel* connectionLabel() const { return connectionLabel_; }
  QLabel* recordLabel() const { return recordLabel_; }
  QLabel* allocationLabel() const { return allocationLabel_; }

 private:
  QWidget* window_;
  production::Station& station_;
  Connection& connection_;
  Messages& msg_;
  StationWindowHooks hooks_;
  PortDiagnosticsSetup diagnostics_;
  QAction* busStandard_ = nullptr;
  QAction* busFast_ = nullptr;
  QAction* withoutDatabase_ = nullptr;
  QLabel* connectionLabel_ = nullptr;
  QLabel* recordLabel_ = nullptr;
  QLabel* allocationLabel_ = nullptr;
  int recordWaiting_ = 0;
  QPointer<ProductionLogWindow> log_;
  QPointer<ProductionPanel> panel_;
  std::function<std::vector<ConnectionChoice>()> listConnections_ = ListConnectionsOnThisMachine;
};

}  // namespace qrt
