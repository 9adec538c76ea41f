#pragma once
// The command line of qrt35: global options, one command, its files and its
// own options. Parsing checks only the shape of the line; what the window's
// fields and lists accept is decided later by the editor itself.
#include <optional>
#include <string>
#include <vector>

#include "link/BusSpeed.h"
#include "record/Allocation.h"
#include "record/ProductionStore.h"

namespace qrt::cli {

enum class Command { None, Read, Write, Verify, Restore, New, Show, Set, Diff, Backups, Doctor, Log, Allocations };

// One edit of `set`, in command-line order.
struct Edit {
  enum class Kind { Band, Freq, Baud, Capcode, CapcodeOn, Password, Prompt, Language, LogoFont, Option };
  Kind kind;
  std::string option;  // as typed, for messages ("--capcode 3=12")
  std::string target;  // capcode number, prompt index or name, option name; empty otherwise
  std::string value;
};

enum class LogForm { Text, Json, Csv };

struct CommandLine {
  // Global options.
  std::string port = "ppdev";      // the first --port
  std::vector<std::string> ports;  // every --port in order (only write takes more than one); {port} when none
  std::string simImage;
  BusSpeed bus = BusSpeed::Standard;
  // The production record: nullopt with --no-db; otherwise the location
  // production::ChooseLocation gives for --db and QRT35_DB ("" is the
  // station's own SQLite file in the data folder).
  std::optional<std::string> database = std::string();
  // The station's name in the record: --station, else QRT35_STATION; "" the host name.
  std::string station;
  bool yes = false;

  bool help = false;          // --help: for the tool, or for `command` when one was given
  bool version = false;       // --version: the program, its version and build date; nothing else runs
  Command command = Command::None;
  std::vector<std::string> files;

  // Command options.
  bool json = false;                   // show, backups
  bool bytes = false;                  // diff --bytes
  bool noBackup = false;               // write --no-backup
  std::string output;                  // set -o
  std::vector<Edit> edits;             // set
  bool autoIncrease1 = false;          // write --auto-increase
  bool autoIncrease2 = false;
  int count = 0;                       // write --count; 0 when not given
  std::vector<production::CapcodeRange> allocate;  // write --allocate; empty when not given
  bool continuous = false;             // write --continuous: each board programs the pager clipped into it
  bool bell = false;                   // write --bell: a failure of a continuous run rings the terminal's bell
  LogForm logForm = LogForm::Text;     // log --json, --csv
  production::LogFilter logFilter;     // log --capcode, --since, --outcome
  std::optional<uint32_t> release;     // allocations release CAPCODE
  std::string reason;                  // allocations release --reason

  std::string error;  // a usage error; empty when the line is well-formed
};

// `databaseEnvironment` and `stationEnvironment` are the values of QRT35_DB
// and QRT35_STATION (null when not set).
CommandLine ParseCommandLine(const std::vector<std::string>& args, const char* databaseEnvironment,
                             const char* stationEnvironment = nullptr);

const char* CommandName(Command command);
// The help text of the tool (Command::None) or of one command.
std::string HelpText(Command command);

}  // namespace qrt::cli
