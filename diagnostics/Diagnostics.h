#pragma once
// Port diagnostics: why the programmer does not find its board. Looks at the
// machine's parallel ports (the device node, its base address and the board
// address it serves, the driver that holds it, whether this user may open it),
// the kernel modules behind them, kernel lockdown, USB printer cables, I2C
// adapters and CH341A USB adapters, and asks every usable parallel port
// whether a board answers, and every way that can be opened (a parallel port
// whose board answers, an I2C adapter, a CH341A) whether a pager's EEPROM
// acknowledges. Every problem found carries the commands that fix it; when
// a pager answers on some way, what keeps the others from working is only
// noted.
//
// Both front ends show the same report: `Diagnose` gives the findings as data
// and `RenderText` the plain text they show.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "diagnostics/NodeAccess.h"
#include "link/Clock.h"
#include "link/PortIo.h"

namespace qrt {

enum class Mark { Ok, Problem, Note };

// One finding: what was seen and, for a problem, the commands that fix it
// (each one line, to be copied into a shell).
struct Check {
  Mark mark = Mark::Ok;
  std::string text;
  std::vector<std::string> fixes;
};

struct Section {
  std::string title;
  std::vector<Check> checks;
};

// What asking one port for the board gave.
struct ProbeOutcome {
  bool answered = false;
  std::string detail;  // why the port could not be asked, when it could not
};

// Asks the port whose device node is `path` (below the diagnosed root)
// whether a board answers.
using BoardProbe = std::function<ProbeOutcome(const std::string& path)>;
// Asks whether the pager's EEPROM acknowledges on the port a --port `name`
// opens ("i2c:/dev/i2c-7", "ch341:1-4", "ppdev:/dev/parport0"; its device
// below the diagnosed root); `detail` says why it could not be asked.
using PagerProbe = std::function<ProbeOutcome(const std::string& port)>;

struct ParportInfo {
  std::string name;    // parport0
  std::string device;  // /dev/parport0
  NodeInfo node;
  std::optional<uint16_t> base;          // from base-addr
  std::optional<uint16_t> boardAddress;  // the board address --port ppdev serves through it
  std::string holder;  // the driver holding the port: "none", "lp", "ppdev0"; empty when not known
  enum class Probe { NotRun, Answered, Silent } probe = Probe::NotRun;
  std::string probeDetail;
};

// What asking a pager's EEPROM on one way gave (NotRun: the way could not be opened).
enum class PagerFound { NotRun, Answered, Silent };

struct UsbAdapterInfo {
  std::string sysName;  // 1-4 (its folder in /sys/bus/usb/devices)
  int bus = 0;
  int address = 0;
  NodeInfo node;  // /dev/bus/usb/BBB/DDD
  PagerFound pager = PagerFound::NotRun;
};

struct I2cAdapterInfo {
  std::string device;  // /dev/i2c-1
  std::string name;    // the adapter's name, as the kernel gives it
  NodeInfo node;
  PagerFound pager = PagerFound::NotRun;
};

struct DiagnosticsReport {
  std::vector<ParportInfo> parports;
  bool ppdevLoaded = false;
  bool parportPcLoaded = false;
  bool i2cDevLoaded = false;
  std::string lockdown;  // the active mode: none, integrity, confidentiality; empty without lockdown support
  std::vector<std::string> usbPrinters;  // /dev/usb/lpN
  std::vector<I2cAdapterInfo> i2cAdapters;
  std::vector<UsbAdapterInfo> ch341Adapters;

  // The findings in the order the text shows them, one section per port.
  std::vector<Section> sections;

  // The first port a board answered on, and how to start the programs on it.
  std::optional<std::string> boardDevice;
  std::string portOption;  // --port ppdev or --port ppdev:/dev/parportN
  // The first way a pager's EEPROM answered on, as --port names it.
  std::optional<std::string> pagerPort;

  bool BoardAnswered() const { return boardDevice.has_value(); }
  bool PagerAnswered() const { return pagerPort.has_value(); }
  // The command line's exit status: 0 when a board or a pager answers, 1
  // when nothing does.
  int ExitCode() const { return BoardAnswered() || PagerAnswered() ? 0 : 1; }
};

struct DiagnosticsSetup {
  std::string root = "/";  // where /proc, /sys, /dev and /etc are found
  UserIdentity user;
  BoardProbe probe;             // none: no port is asked
  PagerProbe pagerProbe;        // none: no pager is asked for, on any way
  bool otherTransports = true;  // report I2C and CH341A adapters
};

DiagnosticsReport Diagnose(const DiagnosticsSetup& setup);

// Plain text: one section per port and per subject, "OK", "problem" or
// "note" before each finding, fix commands indented on lines of their own,
// and a closing result line. Lines stay within 80 columns except where a fix
// command is longer.
std::string RenderText(const DiagnosticsReport& report);

// The active lockdown mode of a /sys/kernel/security/lockdown text (the word
// in brackets); empty when there is none.
std::string ActiveLockdown(const std::string& text);

// Runs the board detection's probe of `address` over `port`.
ProbeOutcome ProbeWithLink(PortIo& port, Clock& clock, uint16_t address = 0x378);

// The probe the programs use: the node opened through ppdev (as --port
// ppdev:/dev/parportN opens it) and probed at the address it answers at.
// `clock` must outlive the probe.
BoardProbe PpdevProbe(Clock& clock);

// The pager probe the programs use: the port opened as --port opens it, the
// board or adapter found, then PagerTransport::PagerAnswers. `clock` must
// outlive the probe.
PagerProbe PagerProbeOnPorts(Clock& clock);

// The whole diagnosis of this machine for the running user, every parallel
// port probed through ppdev and the pager asked for on every way that can be
// opened: what `qrt35 doctor` and the window's Port Diagnostics show.
DiagnosticsReport DiagnoseThisMachine(Clock& clock);

}  // namespace qrt
