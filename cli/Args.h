#pragma once
// The command line of qrt35: global options, one command, its files and its
// own options. Parsing checks only the shape of the line; what the window's
// fields and lists accept is decided later by the editor itself.
#include <string>
#include <vector>

namespace qrt::cli {

enum class Command { None, Read, Write, Verify, New, Show, Set, Diff, Backups };

// One edit of `set`, in command-line order.
struct Edit {
  enum class Kind { Band, Freq, Baud, Capcode, CapcodeOn, Password, Prompt, Language, LogoFont, Option };
  Kind kind;
  std::string option;  // as typed, for messages ("--capcode 3=12")
  std::string target;  // capcode number, prompt index or name, option name; empty otherwise
  std::string value;
};

struct CommandLine {
  // Global options.
  std::string port = "ppdev";
  std::string simImage;
  bool yes = false;

  bool help = false;          // --help: for the tool, or for `command` when one was given
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

  std::string error;  // a usage error; empty when the line is well-formed
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

const char* CommandName(Command command);
// The help text of the tool (Command::None) or of one command.
std::string HelpText(Command command);

}  // namespace qrt::cli
