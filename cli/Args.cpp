#include "cli/Args.h"

#include <optional>
#include <string_view>
#include <utility>

#include "base/Numbers.h"
#include "ports/PortFactory.h"

namespace qrt::cli {
namespace {

struct CommandInfo {
  Command command;
  const char* name;
  int files;  // how many file arguments it takes
};

constexpr CommandInfo kCommands[] = {
    {Command::Read, "read", 1},   {Command::Write, "write", 1}, {Command::Verify, "verify", 1},
    {Command::New, "new", 1},     {Command::Show, "show", 1},   {Command::Set, "set", 1},
    {Command::Diff, "diff", 2},   {Command::Backups, "backups", 0},
};

const CommandInfo* FindCommand(std::string_view name) {
  for (const CommandInfo& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

const CommandInfo& InfoOf(Command command) {
  for (const CommandInfo& c : kCommands)
    if (c.command == command) return c;
  return kCommands[0];
}

struct EditOption {
  const char* name;
  Edit::Kind kind;
  bool keyed;  // takes KEY=VALUE
};

constexpr EditOption kEditOptions[] = {
    {"--band", Edit::Kind::Band, false},          {"--freq", Edit::Kind::Freq, false},
    {"--baud", Edit::Kind::Baud, false},          {"--capcode", Edit::Kind::Capcode, true},
    {"--capcode-on", Edit::Kind::CapcodeOn, true}, {"--password", Edit::Kind::Password, false},
    {"--prompt", Edit::Kind::Prompt, true},       {"--language", Edit::Kind::Language, false},
    {"--logo-font", Edit::Kind::LogoFont, false}, {"--option", Edit::Kind::Option, true},
};

const EditOption* FindEditOption(std::string_view name) {
  for (const EditOption& o : kEditOptions)
    if (name == o.name) return &o;
  return nullptr;
}

// Options that take a value, besides the edits.
constexpr std::string_view kValueOptions[] = {"--port", "--sim-image", "-o", "--output", "--auto-increase",
                                              "--count"};

bool TakesValue(std::string_view name) {
  if (FindEditOption(name)) return true;
  for (std::string_view o : kValueOptions)
    if (name == o) return true;
  return false;
}

std::optional<int> PositiveCount(const std::string& text) {
  const auto value = ParseDigits(text, 9'999'999);
  if (!value || *value < 1) return std::nullopt;
  return static_cast<int>(*value);
}

// A command option seen before its command was known; checked at the end.
struct Pending {
  std::string name;
  std::string value;
  bool hasValue;
};

}  // namespace

const char* CommandName(Command command) {
  return command == Command::None ? "qrt35" : InfoOf(command).name;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  std::vector<Pending> pending;
  std::vector<std::string> positional;
  bool optionsEnded = false;
  auto fail = [&line](std::string message) {
    if (line.error.empty()) line.error = std::move(message);
  };

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    const size_t eq = arg.find('=');
    if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    if (TakesValue(name) && !hasValue) {
      if (i + 1 >= args.size()) {
        fail(name + " needs a value");
        continue;
      }
      value = args[++i];
      hasValue = true;
    }

    if (name == "--help" || name == "-h") {
      line.help = true;
    } else if (name == "--yes" || name == "-y") {
      line.yes = true;
    } else if (name == "--port") {
      line.port = value;
    } else if (name == "--sim-image") {
      line.simImage = value;
    } else if (TakesValue(name) || name == "--json" || name == "--bytes" || name == "--no-backup") {
      pending.push_back({name, value, hasValue});
    } else {
      fail("unknown option " + name);
    }
  }

  if (!positional.empty() && positional[0] == "help") {
    line.help = true;
    positional.erase(positional.begin());
  }
  if (!positional.empty()) {
    const CommandInfo* info = FindCommand(positional[0]);
    if (!info) {
      fail("unknown command \"" + positional[0] + "\"");
      return line;
    }
    line.command = info->command;
    line.files.assign(positional.begin() + 1, positional.end());
  }
  if (line.help) {
    line.error.clear();  // help needs nothing else to be right
    return line;
  }
  if (!line.error.empty()) return line;
  if (line.command == Command::None) {
    fail("no command given");
    return line;
  }

  const bool ppdevDevice = line.port.rfind("ppdev:", 0) == 0 && line.port.size() > 6;
  if (line.port != "ppdev" && line.port != "raw" && line.port != "sim" && !ppdevDevice)
    fail("unknown port \"" + line.port + "\"; choose one of: " + kPortChoices);
  if (!line.simImage.empty() && line.port != "sim") fail("--sim-image goes with --port sim");

  const Command cmd = line.command;
  const char* cmdName = CommandName(cmd);
  for (const Pending& p : pending) {
    const auto notFor = [&] { fail(p.name + " does not apply to " + cmdName); };
    if (p.name == "--json") {
      if (cmd != Command::Show && cmd != Command::Backups) notFor();
      line.json = true;
    } else if (p.name == "--bytes") {
      if (cmd != Command::Diff) notFor();
      line.bytes = true;
    } else if (p.name == "--no-backup") {
      if (cmd != Command::Write) notFor();
      line.noBackup = true;
    } else if (p.name == "-o" || p.name == "--output") {
      if (cmd != Command::Set) notFor();
      if (p.value.empty()) fail(p.name + " needs a file name");
      line.output = p.value;
    } else if (p.name == "--count") {
      if (cmd != Command::Write) notFor();
      const auto n = PositiveCount(p.value);
      if (!n) fail("--count needs a whole number of pagers from 1 to 9999999, not \"" + p.value + "\"");
      else line.count = *n;
    } else if (p.name == "--auto-increase") {
      if (cmd != Command::Write) notFor();
      if (p.value == "1") {
        line.autoIncrease1 = true;
      } else if (p.value == "2") {
        line.autoIncrease2 = true;
      } else if (p.value == "1,2" || p.value == "2,1") {
        line.autoIncrease1 = line.autoIncrease2 = true;
      } else {
        fail("--auto-increase takes 1, 2 or 1,2, not \"" + p.value + "\"");
      }
    } else if (const EditOption* edit = FindEditOption(p.name)) {
      if (cmd != Command::Set) notFor();
      Edit e{edit->kind, p.name + " " + p.value, {}, p.value};
      if (edit->keyed) {
        const size_t sep = p.value.find('=');
        if (sep == std::string::npos || sep == 0) {
          fail(p.name + " takes KEY=VALUE, not \"" + p.value + "\"");
          continue;
        }
        e.target = p.value.substr(0, sep);
        e.value = p.value.substr(sep + 1);
      }
      line.edits.push_back(std::move(e));
    }
  }

  const int wanted = InfoOf(cmd).files;
  if (static_cast<int>(line.files.size()) != wanted) {
    fail(std::string(cmdName) + " takes " + (wanted == 0 ? "no file" : wanted == 1 ? "one file" : "two files") +
         ", " + std::to_string(line.files.size()) + " given");
  }
  for (const std::string& f : line.files)
    if (f.empty()) fail("an empty file name");
  if (cmd == Command::Set && line.edits.empty()) fail("set needs at least one edit");
  return line;
}

std::string HelpText(Command command) {
  switch (command) {
    case Command::None:
      return std::string(
                 "usage: qrt35 [--port PORT] [--sim-image FILE] [--yes] COMMAND [ARGS]\n"
                 "\n"
                 "Reads, writes and edits QRT35 pagers and their table files (.tbl).\n"
                 "\n"
                 "Commands:\n"
                 "  read FILE          read the pager into a table file (as F3, then Save As...)\n"
                 "  write FILE         write a table file into the pager and verify it (as F4 in Write Mode)\n"
                 "  verify FILE        compare the pager with a table file (as F9)\n"
                 "  new FILE           save the factory image as the window shows it at start\n"
                 "  show FILE          print every setting of a table file, page by page\n"
                 "  set FILE EDIT...   change settings through the window's own rules\n"
                 "  diff A B           list the settings in which two table files differ\n"
                 "  backups            list the backups of the pagers read and written, newest first\n"
                 "  help [COMMAND]     this text, or the help of one command\n"
                 "\n"
                 "Options:\n"
                 "  --port PORT        how to reach the programming board: ") +
             kPortChoices +
             " (default ppdev)\n"
             "  --sim-image FILE   the simulated pager's EEPROM for --port sim\n"
             "                     (default ~/.local/share/qrt35/sim-pager.bin, as the window uses)\n"
             "  --yes, -y          answer Yes to every question (overwrite, hardware variant)\n"
             "  --help, -h         help; after a command, the help of that command\n"
             "\n"
             "Messages of the programmer go to stderr. Questions are asked on the terminal;\n"
             "without a terminal they are answered No unless --yes is given.\n"
             "Exit status: 0 success, 1 the pager or a file refused, 2 a usage error.\n";
    case Command::Read:
      return "usage: qrt35 [--port PORT] read FILE\n"
             "\n"
             "Reads the whole pager, identifies it and checks its checksum, shows it as the\n"
             "window would and saves it to FILE. A pager that cannot be read or shown leaves\n"
             "FILE alone. An existing FILE is replaced only after the question \"This file is\n"
             "arealy exist !\" is answered Yes (on the terminal, or by --yes). The file is\n"
             "written to a temporary file first and renamed over FILE.\n";
    case Command::Write:
      return "usage: qrt35 [--port PORT] write FILE [--auto-increase 1|2|1,2] [--count N] [--no-backup]\n"
             "\n"
             "Opens the table file, selects Write Mode and writes the image into the pager,\n"
             "then reads it back to verify it. One line per pager tells the capcodes it\n"
             "received.\n"
             "\n"
             "Before writing, every pager is read whole and kept in the backups folder\n"
             "(see qrt35 backups; \"Backup: FILE\" on stderr names it); pages that already\n"
             "hold the right bytes are then not written again. A backup that cannot be\n"
             "saved stops the write before anything is written.\n"
             "\n"
             "  --auto-increase 1|2|1,2  batch: after every pager that was written and verified,\n"
             "                           add one to the 1st, the 2nd or both capcodes, then wait\n"
             "                           for Enter before the next pager (q and Enter, or the end\n"
             "                           of the input, ends the batch)\n"
             "  --count N                write N pagers one after the other without waiting;\n"
             "                           stops at the first pager that fails\n"
             "  --no-backup              no read and no backup before writing: every page is\n"
             "                           written, as the window does with \"Back Up Before\n"
             "                           Writing\" unchecked\n"
             "\n"
             "The table file itself is not changed.\n";
    case Command::Verify:
      return "usage: qrt35 [--port PORT] verify FILE\n"
             "\n"
             "Reads the pager back and compares it byte for byte with the table file, in the\n"
             "form the pager holds (prompt texts in the pager's character set).\n";
    case Command::New:
      return "usage: qrt35 new FILE\n"
             "\n"
             "Saves the image the window shows when it starts without default.tbl: the factory\n"
             "image with the logo stored and the first band applied.\n";
    case Command::Show:
      return "usage: qrt35 show FILE [--json]\n"
             "\n"
             "Prints every setting the window shows for the table file, grouped by tab page,\n"
             "one \"name value\" line each; (hidden) and (disabled) mark what the window hides\n"
             "or greys out. --json prints the same as one JSON document (keys in the README).\n";
    case Command::Set:
      return "usage: qrt35 set FILE [-o OUT] EDIT...\n"
             "\n"
             "Opens FILE, applies the edits in order through the window's own fields and lists,\n"
             "and saves FILE again (or OUT). When an edit is refused, the window's message is\n"
             "printed, nothing is saved and the exit status is 1.\n"
             "\n"
             "Edits:\n"
             "  --band ENTRY             Range Of Frequency: entry text or index (applies the band's defaults)\n"
             "  --freq VALUE             Frequency Of Pager in units of 100 Hz (1530000 = 153.0000 MHz)\n"
             "  --baud ENTRY             POCSAG Signal Baud Rate: \"512 bps\", \"1200 bps\", \"2400 bps\" or index\n"
             "  --capcode N=VALUE        capcode N (1-8), decimal\n"
             "  --capcode-on N=on|off    the ON box of capcode N\n"
             "  --password DIGITS        Password(4 Dec)\n"
             "  --prompt INDEX=TEXT      a prompt field by index (0 logo, 1-65, 68) or name (prompt_3);\n"
             "                           leading spaces are kept\n"
             "  --language ENTRY         Prompt Language Type\n"
             "  --logo-font ENTRY        Logo Font\n"
             "  --option NAME=VALUE      any box (on/off) or list (entry text or index) by the name\n"
             "                           `show` prints; also the detail dialogs' settings\n"
             "                           capcodeN_bit_X_display|type|priority, personal_alert_length\n"
             "                           and mail_drop_X_alert (X = 1-9, a-f)\n"
             "  -o OUT                   save to OUT instead of FILE (an existing OUT is replaced\n"
             "                           only after the overwrite question is answered Yes)\n";
    case Command::Diff:
      return "usage: qrt35 diff A B [--bytes]\n"
             "\n"
             "Lists the settings in which the two table files differ, one per line:\n"
             "name, the value in A and the value in B. When no setting differs it says so, and\n"
             "names the image bytes that differ, if any (write marker, checksum, ...).\n"
             "Then one \"byte ADDRESS: A -> B\" line (hexadecimal) for every differing byte\n"
             "that no setting shows, so that nothing the window hides goes unseen.\n"
             "\n"
             "  --bytes  list every differing byte instead, each with the settings that show it\n"
             "\n"
             "Exit status 0 when both files could be compared, whether or not they differ.\n";
    case Command::Backups:
      return "usage: qrt35 backups [--json]\n"
             "\n"
             "Lists the backups, newest first: the date and time it was taken, capcode 1,\n"
             "the model the file holds and its path. Every pager read is kept, and every\n"
             "pager is read and kept before it is written, in $XDG_DATA_HOME/qrt35/backups\n"
             "(~/.local/share/qrt35/backups). A .tbl backup opens with File > Open Backup...\n"
             "(or as any table file) and goes back into a pager with write; a .bin backup is\n"
             "a pager whose bytes make no table file (another model, blank, or unreadable\n"
             "settings), kept byte for byte.\n"
             "--json prints {\"folder\": ..., \"backups\": [{\"date\", \"capcode1\", \"model\",\n"
             "\"form\": \"table\"|\"raw\", \"path\"}, ...]}.\n";
  }
  return {};
}

}  // namespace qrt::cli
