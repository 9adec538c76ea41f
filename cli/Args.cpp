#include "cli/Args.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string_view>
#include <utility>

#include "adapters/Adapters.h"
#include "adapters/Ch341Transport.h"
#include "base/Numbers.h"
#include "ports/PortFactory.h"
#include "record/Location.h"
#include "record/LogFormat.h"

namespace qrt::cli {
namespace {

// ------------------------------------------------------------------ the texts

struct CommandInfo {
  Command command;
  const char* name;
  int files;                // how many file arguments it takes
  const char* arguments;    // after the name in the tool's list of commands
  const char* summary;      // that list's line
  const char* usage;        // the command's usage, after "usage: qrt35 "
  const char* description;  // its help above the options
  const char* footer;       // and below them
};

constexpr const char* kToolUsage =
    "[--port PORT]... [--sim-image FILE] [--bus SPEED] [--db URL | --no-db]\n"
    "             [--station NAME] [--yes] COMMAND [ARGS]";

constexpr CommandInfo kCommands[] = {
    {Command::Read, "read", 1, "FILE", "read the pager into a table file (as F3, then Save As...)",
     "[--port PORT] [--bus SPEED] read FILE",
     "Reads the whole pager, identifies it and checks its checksum, shows it as the\n"
     "window would and saves it to FILE. A pager that cannot be read or shown leaves\n"
     "FILE alone. An existing FILE is replaced only after the question \"This file is\n"
     "arealy exist !\" is answered Yes (on the terminal, or by --yes). The file is\n"
     "written to a temporary file first and renamed over FILE.",
     ""},
    {Command::Write, "write", 1, "FILE",
     "write a table file into the pager and verify it (as F4 in Write Mode)",
     "[--port PORT]... [--bus SPEED] write FILE [--auto-increase 1|2|1,2]\n"
     "             [--count N] [--no-backup] [--allocate 1=FIRST-LAST[,2=FIRST-LAST]]\n"
     "             [--continuous [--bell]]",
     "Opens the table file, selects Write Mode and writes the image into the pager,\n"
     "then reads it back to verify it. One line per pager tells the capcodes it\n"
     "received.\n"
     "\n"
     "Before writing, every pager is read whole and kept in the backups folder\n"
     "(see qrt35 backups; \"Backup: FILE\" on stderr names it); pages that already\n"
     "hold the right bytes are then not written again. A backup that cannot be\n"
     "saved stops the write before anything is written.",
     "With --continuous no key is pressed: each board (--port, one or more; sim:DIR/\n"
     "is a simulated board with a socket) waits until a pager is clipped in,\n"
     "programs it, says \"remove the pager\", waits until it is taken out and starts\n"
     "again, until --count pagers in all are programmed or Ctrl-C. A pager put back\n"
     "by mistake is reported \"already programmed\" and not written again; one taken\n"
     "out during its write is recorded failed with its capcodes in doubt. One line\n"
     "per event names its board, in colour on a terminal (not with NO_COLOR); the\n"
     "totals (pagers, failed, pagers per hour) come last. Exit status 0 only when\n"
     "every pager was programmed.\n"
     "\n"
     "The table file itself is not changed. Ctrl-C (or SIGTERM) once finishes the\n"
     "pagers being written and starts no new one; twice stops each port after the\n"
     "page it is sending, its pager recorded as interrupted. Exit status 130 (143\n"
     "for SIGTERM or SIGHUP)."},
    {Command::Verify, "verify", 1, "FILE", "compare the pager with a table file (as F9)",
     "[--port PORT] [--bus SPEED] verify FILE",
     "Reads the pager back and compares it byte for byte with the table file, in the\n"
     "form the pager holds (prompt texts in the pager's character set).",
     ""},
    {Command::Restore, "restore", 1, "BACKUP", "write a backup back into the pager byte for byte",
     "[--port PORT] [--bus SPEED] restore BACKUP",
     "Writes the backup (a .tbl or .bin file of qrt35 backups, of any model) into the\n"
     "pager exactly as it was taken: no capcode, write marker or checksum of its own,\n"
     "then reads all 2048 bytes back to verify them. The pager is read and kept first,\n"
     "as before a write, and the restore is recorded as a write. A backup whose\n"
     "checksum is wrong (a pager left half written) and a pager that holds no QRT35\n"
     "image are written only after the question is answered Yes.",
     ""},
    {Command::New, "new", 1, "FILE", "save the factory image as the window shows it at start", "new FILE",
     "Saves the image the window shows when it starts without default.tbl: the factory\n"
     "image with the logo stored and the first band applied.",
     ""},
    {Command::Show, "show", 1, "FILE", "print every setting of a table file, page by page", "show FILE [--json]",
     "Prints every setting the window shows for the table file, grouped by tab page,\n"
     "one \"name value\" line each; (hidden) and (disabled) mark what the window hides\n"
     "or greys out.",
     ""},
    {Command::Set, "set", 1, "FILE EDIT...", "change settings through the window's own rules",
     "set FILE [-o OUT] EDIT...",
     "Opens FILE, applies the edits in order through the window's own fields and lists,\n"
     "and saves FILE again (or OUT). When an edit is refused, the window's message is\n"
     "printed, nothing is saved and the exit status is 1.",
     ""},
    {Command::Diff, "diff", 2, "A B", "list the settings in which two table files differ", "diff A B [--bytes]",
     "Lists the settings in which the two table files differ, one per line:\n"
     "name, the value in A and the value in B. When no setting differs it says so, and\n"
     "names the image bytes that differ, if any (write marker, checksum, ...).\n"
     "Then one \"byte ADDRESS: A -> B\" line (hexadecimal) for every differing byte\n"
     "that no setting line above names, so that nothing the window hides goes\n"
     "unseen: unused bits, and bytes inside a setting whose shown value is the same.",
     "Exit status 0 when both files could be compared, whether or not they differ."},
    {Command::Backups, "backups", 0, "", "list the backups of the pagers read and written, newest first",
     "backups [--json]",
     "Lists the backups, newest first by the instant they were taken: the date and\n"
     "time (local), capcode 1, the model the file holds, its state and its path. The\n"
     "state is ok, damaged (the pager's checksum is wrong: it was read half written)\n"
     "or - (not a QRT35 image). Every pager read is kept, and every pager is read and\n"
     "kept before it is written, in $XDG_DATA_HOME/qrt35/backups\n"
     "(~/.local/share/qrt35/backups). qrt35 restore puts a backup back into a pager\n"
     "byte for byte; a .tbl backup also opens with File > Open Backup.... A .bin\n"
     "backup is a pager whose bytes make no table file (another model, blank, or\n"
     "unreadable settings), kept byte for byte.",
     ""},
    {Command::Doctor, "doctor", 0, "", "why no board or pager answers: ports, drivers, permissions, adapters",
     "doctor",
     "Looks at every parallel port the kernel lists (the device node, its base\n"
     "address, the driver that holds it, whether you may open it), the ppdev and\n"
     "parport_pc modules, kernel lockdown, USB printer cables, I2C and CH341A\n"
     "adapters, asks every usable port whether a board answers, and every way it can\n"
     "open (a board that answers, an I2C adapter, a CH341A) whether a pager answers.\n"
     "Every problem comes with the commands that fix it; once a pager answers on one\n"
     "way, what keeps the others from working is a note.",
     "Exit status 0 when a board or a pager answers, 1 when nothing does."},
    {Command::Log, "log", 0, "", "the production record: every pager read, written and verified",
     "[--db URL] log [--json | --csv] [--capcode N] [--since DATE]\n"
     "             [--outcome ok|failed]",
     "Prints the production record, newest first: time, station, port, operation,\n"
     "outcome, the enabled capcodes, frequency, band, duration and the message the\n"
     "operator was shown. The record is the one --db names, else the one QRT35_DB\n"
     "names, else the station's own file ~/.local/share/qrt35/production.sqlite.\n"
     "Reading it needs reading rights only. Records waiting in this station's\n"
     "journal (the record was away when they were made) are counted on stderr.",
     ""},
    {Command::Allocations, "allocations", -1, "[release CAPCODE]",
     "capcodes reserved or in doubt, with their history; release one",
     "[--db URL] allocations [--json] | allocations release CAPCODE --reason TEXT",
     "Lists the capcodes a station has reserved for a pager being written, and the\n"
     "capcodes in doubt: their write ended without a verified record (a verify that\n"
     "failed after pages were sent, a record that could not be stored, a station\n"
     "stopped or a lease run out), so a pager may hold them. A capcode in doubt is\n"
     "never given out again, except to the pager that holds it, until a person\n"
     "releases it: \"release CAPCODE --reason TEXT\" records who, where, when and why.",
     ""},
};

constexpr const char* kHelpName = "help";

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

std::string AllPortChoices() { return kPortChoices; }

constexpr size_t kHelpWidth = 80;

// `text` as one paragraph, broken into lines of at most `width` at spaces.
std::string Wrap(const std::string& text, size_t width) {
  std::string out;
  size_t lineStart = 0;
  for (char c : text) {
    out += c == '\n' ? ' ' : c;
    if (out.size() - lineStart <= width) continue;
    const size_t space = out.rfind(' ', out.size() - 1);
    if (space == std::string::npos || space < lineStart) continue;  // one word longer than the line
    out[space] = '\n';
    lineStart = space + 1;
  }
  return out;
}

// Help as qrt35 has always written it: the usage line first, then the prose,
// the commands, the options (a command's own groups before the general ones)
// and the closing prose, within 80 columns. Options show the text of their
// value ("--count N"), never a type name.
class HelpFormatter : public CLI::Formatter {
 public:
  explicit HelpFormatter(size_t width) { column_width(width); }

  std::string make_option_desc(const CLI::Option* option) const override {
    return Wrap(option->get_description(), kHelpWidth - column_width_);
  }

  std::string make_usage(const CLI::App* app, std::string) const override {
    const CommandInfo* info = FindCommand(app->get_name());
    if (info) return std::string("usage: qrt35 ") + info->usage + "\n";
    if (app->get_name() == kHelpName) return "usage: qrt35 help [COMMAND]\n";
    return std::string("usage: qrt35 ") + kToolUsage + "\n";
  }

  std::string make_subcommand(const CLI::App* sub) const override {
    std::string name = sub->get_name();
    const char* summary = "this text, or the help of one command";
    if (const CommandInfo* info = FindCommand(name)) {
      if (*info->arguments) name += std::string(" ") + info->arguments;
      summary = info->summary;
    } else {
      name += " [COMMAND]";
    }
    std::stringstream out;
    CLI::detail::format_help(out, name, Wrap(summary, kHelpWidth - column_width_), column_width_);
    return out.str();
  }

  std::string make_option_opts(const CLI::Option* option) const override {
    return option->get_option_text().empty() ? std::string() : " " + option->get_option_text();
  }

  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override {
    std::string out = make_usage(app, name);
    if (!app->get_description().empty()) out += "\n" + app->get_description() + "\n";
    out += make_subcommands(app, mode);
    std::vector<std::string> groups = app->get_groups();
    std::stable_partition(groups.begin(), groups.end(), [](const std::string& g) { return g != "Options"; });
    for (const std::string& group : groups) {
      const auto options = app->get_options(
          [&group](const CLI::Option* option) { return option->get_group() == group && option->nonpositional(); });
      if (!options.empty()) out += make_group(group, false, options);
    }
    if (!app->get_footer().empty()) out += "\n" + app->get_footer() + "\n";
    return out;
  }
};

// ------------------------------------------------------------------ the options

struct EditOption {
  const char* name;
  Edit::Kind kind;
  bool keyed;  // takes KEY=VALUE
  const char* value;
  const char* description;
};

constexpr EditOption kEditOptions[] = {
    {"--band", Edit::Kind::Band, false, "ENTRY",
     "Range Of Frequency: entry text or index (applies the band's defaults)"},
    {"--freq", Edit::Kind::Freq, false, "VALUE", "Frequency Of Pager in units of 100 Hz (1530000 = 153.0000 MHz)"},
    {"--baud", Edit::Kind::Baud, false, "ENTRY",
     "POCSAG Signal Baud Rate: \"512 bps\", \"1200 bps\", \"2400 bps\" or index"},
    {"--capcode", Edit::Kind::Capcode, true, "N=VALUE", "capcode N (1-8), decimal"},
    {"--capcode-on", Edit::Kind::CapcodeOn, true, "N=on|off", "the ON box of capcode N"},
    {"--password", Edit::Kind::Password, false, "DIGITS", "Password(4 Dec)"},
    {"--prompt", Edit::Kind::Prompt, true, "INDEX=TEXT",
     "a prompt field by index (0 logo, 1-65, 68) or name (prompt_3); leading spaces are kept"},
    {"--language", Edit::Kind::Language, false, "ENTRY", "Prompt Language Type"},
    {"--logo-font", Edit::Kind::LogoFont, false, "ENTRY", "Logo Font"},
    {"--option", Edit::Kind::Option, true, "NAME=VALUE",
     "any box (on/off) or list (entry text or index) by the name "
     "`show` prints; also the detail dialogs' settings "
     "capcodeN_bit_X_display|type|priority, personal_alert_length "
     "and mail_drop_X_alert (X = 1-9, a-f)"},
};

const EditOption* FindEditOption(std::string_view name) {
  for (const EditOption& o : kEditOptions)
    if (name == o.name) return &o;
  return nullptr;
}

// An option that takes a value; each time it is given adds one value.
CLI::Option* ValueOption(CLI::App& app, const std::string& name, const std::string& value,
                         const std::string& description, bool repeated = false) {
  CLI::Option* option = app.add_option(name)->description(description)->option_text(value)->type_name(value);
  option->multi_option_policy(repeated ? CLI::MultiOptionPolicy::TakeAll : CLI::MultiOptionPolicy::TakeLast);
  return option;
}

CLI::Option* Flag(CLI::App& app, const std::string& name, const std::string& description) {
  return app.add_flag(name, description)->disable_flag_override();
}

// Every command as a subcommand of the tool. Global options are the tool's
// own; a command passes what it does not know up to the tool, so they may
// stand before or after it.
std::unique_ptr<CLI::App> BuildApp() {
  auto app = std::make_unique<CLI::App>("Reads, writes and edits QRT35 pagers and their table files (.tbl).", "qrt35");
  app->formatter(std::make_shared<HelpFormatter>(21));
  app->set_help_flag("-h,--help", "help; after a command, the help of that command");
  app->footer(
      "Global options go before or after the command. Messages of the programmer go\n"
      "to stderr. Questions are asked on the terminal; without a terminal they are\n"
      "answered No unless --yes is given.\n"
      "Exit status: 0 success, 1 the pager or a file refused, 2 a usage error;\n"
      "130 or 143 when Ctrl-C or SIGTERM stopped a read, write, verify or restore\n"
      "(the first finishes the pagers being written, the second stops after the page).");
  ValueOption(*app, "--port", "PORT",
              "how to reach the pager: " + AllPortChoices() +
                  " (default ppdev); write takes several, one pager on each",
              true);
  ValueOption(*app, "--sim-image", "FILE",
              "the simulated pager's EEPROM for --port sim "
              "(default ~/.local/share/qrt35/sim-pager.bin, as the window uses)");
  ValueOption(*app, "--bus", "SPEED",
              "standard (default): the timing the pager was designed for; "
              "fast: the EEPROM data sheet's minimums");
  ValueOption(*app, "--db", "URL",
              "the production record: a PostgreSQL server in any form libpq takes "
              "(postgresql://..., host=... dbname=..., service=NAME; never with a password), "
              "else a SQLite file (default $QRT35_DB, else ~/.local/share/qrt35/production.sqlite)");
  Flag(*app, "--no-db", "no production record");
  ValueOption(*app, "--station", "NAME",
              "the station's name in the record (default $QRT35_STATION, else the host name)");
  Flag(*app, "-y,--yes", "answer Yes to every question (overwrite, hardware variant)");
  Flag(*app, "--version", "print the program's name, version and build date, and exit");

  const auto formatter = std::make_shared<HelpFormatter>(27);
  for (const CommandInfo& info : kCommands) {
    CLI::App* sub = app->add_subcommand(info.name, info.description);
    sub->group("Commands");
    sub->formatter(formatter);
    sub->fallthrough();
    sub->footer(info.footer);  // not the tool's
    // The first file; any more come back to the tool, which counts them.
    if (info.files != 0) sub->add_option("FILE");
    switch (info.command) {
      case Command::Write:
        ValueOption(*sub, "--auto-increase", "1|2|1,2",
                    "batch: after every pager that was written and verified, "
                    "add one to the 1st, the 2nd or both capcodes, then wait "
                    "for Enter before the next pager (q and Enter, or the end "
                    "of the input, ends the batch)");
        ValueOption(*sub, "--count", "N",
                    "write N pagers one after the other without waiting; "
                    "stops at the first pager that fails (with several "
                    "ports: that port stops; pagers are numbered in the "
                    "order they were started)");
        Flag(*sub, "--no-backup",
             "no read and no backup before writing: every page is "
             "written, as the window does with \"Back Up Before "
             "Writing\" unchecked");
        ValueOption(*sub, "--allocate", "RANGES",
                    "1=FIRST-LAST[,2=FIRST-LAST]: each pager receives the lowest "
                    "capcodes of the ranges that no pager was written with, "
                    "kept in the production record");
        Flag(*sub, "--continuous",
             "hands-free: every board programs each pager clipped into "
             "it, until --count pagers in all (default: until Ctrl-C); "
             "capcodes as --auto-increase (one counter for all boards) "
             "or --allocate say");
        Flag(*sub, "--bell", "with --continuous: ring the terminal's bell on every failure");
        break;
      case Command::Show:
        Flag(*sub, "--json", "the same as one JSON document (keys in the README)");
        break;
      case Command::Set:
        for (const EditOption& edit : kEditOptions)
          ValueOption(*sub, edit.name, edit.value, edit.description, true)->group("Edits");
        ValueOption(*sub, "-o,--output", "OUT",
                    "save to OUT instead of FILE (an existing OUT is replaced "
                    "only after the overwrite question is answered Yes)");
        break;
      case Command::Diff:
        Flag(*sub, "--bytes", "list every differing byte instead, each with the settings that show it");
        break;
      case Command::Backups:
        Flag(*sub, "--json",
             "{\"folder\": ..., \"backups\": [{\"date\", \"time\" (UTC), \"capcode1\", "
             "\"model\", \"form\": \"table\"|\"raw\", \"checksum_ok\": true|false|null, "
             "\"path\"}, ...]}");
        break;
      case Command::Log:
        Flag(*sub, "--json", "a JSON array of records, every field of each");
        Flag(*sub, "--csv", "CSV for a spreadsheet: a header row, then one row a record");
        ValueOption(*sub, "--capcode", "N", "the records of pagers with capcode N enabled");
        ValueOption(*sub, "--since", "DATE", "the records at or after DATE: YYYY-MM-DD[THH:MM[:SS]], UTC");
        ValueOption(*sub, "--outcome", "ok|failed", "the records of successful or of failed operations");
        break;
      case Command::Allocations:
        Flag(*sub, "--json", "a JSON array: capcode, slot, state, station, since, lease_until, events");
        ValueOption(*sub, "--reason", "TEXT", "release: why no pager holds the capcode (recorded)");
        break;
      default: break;
    }
  }
  CLI::App* help = app->add_subcommand(kHelpName, "Prints the help of the tool, or of one command.");
  help->group("Commands");
  help->formatter(formatter);
  help->footer("");
  help->fallthrough();
  help->add_option("COMMAND");
  // What no command takes comes back to the tool, which says what it was.
  app->allow_extras();
  // One command: after it, a command's name is a file name ("qrt35 new read").
  app->require_subcommand(0, 1);
  return app;
}

// ------------------------------------------------------------------ reading

const CLI::Option* Given(const CLI::App& app, const std::string& name) {
  const CLI::Option* option = app.get_option_no_throw(name);
  return option && option->count() > 0 ? option : nullptr;
}

std::optional<std::string> Value(const CLI::App& app, const std::string& name) {
  const CLI::Option* option = Given(app, name);
  if (!option || option->results().empty()) return std::nullopt;
  return option->results().back();
}

std::vector<std::string> Values(const CLI::App& app, const std::string& name) {
  const CLI::Option* option = Given(app, name);
  return option ? option->results() : std::vector<std::string>{};
}

bool StartsWith(const std::string& text, std::string_view prefix) { return text.rfind(prefix, 0) == 0; }

// Why `name` is no port the programs know; empty when it is one. Nothing is
// opened here: a port that is named right but absent is the transfer's to report.
std::string PortNameError(const std::string& name) {
  const auto named = [&name](std::string_view prefix) {
    return StartsWith(name, prefix) && name.size() > prefix.size();
  };
  if (name == "ppdev" || name == "raw" || name == "sim" || named("ppdev:") || named("sim:")) return {};
  if (IsAdapterPort(name) && StartsWith(name, "ch341")) {
    Ch341Transport::Selector selector;
    std::string error;
    return Ch341Transport::ParseSelector(name.substr(5), selector, error) ? std::string() : error;
  }
  if (IsAdapterPort(name) && named("i2c:")) return {};
  return "unknown port \"" + name + "\"; choose one of: " + AllPortChoices();
}

std::optional<int> PositiveCount(const std::string& text) {
  const auto value = ParseDigits(text, 9'999'999);
  if (!value || *value < 1) return std::nullopt;
  return static_cast<int>(*value);
}

// The option name of a leftover argument ("--count=3" -> "--count").
std::string OptionName(const std::string& arg) { return arg.substr(0, arg.find('=')); }

bool HelpAsked(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "-h" || arg == "--help") return true;
  }
  return false;
}

Command ParsedCommand(const CLI::App& app) {
  for (const CLI::App* sub : app.get_subcommands())
    if (const CommandInfo* info = FindCommand(sub->get_name())) return info->command;
  return Command::None;
}

}  // namespace

const char* CommandName(Command command) {
  return command == Command::None ? "qrt35" : InfoOf(command).name;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, const char* databaseEnvironment,
                             const char* stationEnvironment) {
  CommandLine line;
  auto fail = [&line](std::string message) {
    if (line.error.empty()) line.error = std::move(message);
  };
  const std::unique_ptr<CLI::App> app = BuildApp();
  try {
    app->parse(std::vector<std::string>(args.rbegin(), args.rend()));
  } catch (const CLI::CallForHelp&) {
    line.help = true;
  } catch (const CLI::ParseError& e) {
    // Help needs nothing else of the line to be right.
    if (HelpAsked(args)) line.help = true;
    else fail(e.what());
  }
  line.command = ParsedCommand(*app);
  if (line.help) return line;
  if (!line.error.empty()) return line;

  if (Given(*app, "--version")) {
    line.version = true;
    return line;
  }
  if (const CLI::App* help = app->get_subcommand(kHelpName); help->parsed()) {
    line.help = true;
    const std::vector<std::string> topic = Values(*help, "COMMAND");
    if (!topic.empty()) {
      const CommandInfo* info = FindCommand(topic[0]);
      if (info) line.command = info->command;
      else if (topic[0] != kHelpName) fail("unknown command \"" + topic[0] + "\"");
    }
    return line;
  }

  // What no command took: an unknown command or option, an option of
  // another command, or more files than the command takes.
  std::vector<std::string> extraFiles;
  for (const std::string& arg : app->remaining()) {
    if (arg.empty() || arg[0] != '-' || arg == "-") {
      if (line.command == Command::None) {
        fail("unknown command \"" + arg + "\"");
        return line;
      }
      extraFiles.push_back(arg);
      continue;
    }
    const std::string name = OptionName(arg);
    bool elsewhere = false;
    for (const CommandInfo& info : kCommands)
      elsewhere |= app->get_subcommand(info.name)->get_option_no_throw(name) != nullptr;
    if (line.command == Command::None || !elsewhere)
      fail("unknown option " + name);
    else if (app->get_subcommand(CommandName(line.command))->get_option_no_throw(name))
      fail(name + " goes after the command: qrt35 " + CommandName(line.command) + " " + name);
    else
      fail(name + " does not apply to " + CommandName(line.command));
    return line;
  }
  if (line.command == Command::None) {
    fail("no command given");
    return line;
  }
  const Command cmd = line.command;
  const char* cmdName = CommandName(cmd);
  const CLI::App& sub = *app->get_subcommand(cmdName);

  // Global options.
  line.ports = Values(*app, "--port");
  if (line.ports.empty()) line.ports.push_back(line.port);
  line.port = line.ports.front();
  for (size_t i = 0; i < line.ports.size(); ++i) {
    const std::string error = PortNameError(line.ports[i]);
    if (!error.empty()) fail(error);
    if (std::find(line.ports.begin(), line.ports.begin() + static_cast<long>(i), line.ports[i]) !=
        line.ports.begin() + static_cast<long>(i))
      fail("--port " + line.ports[i] + " is given twice");
  }
  if (line.ports.size() > 1 && cmd != Command::Write) fail("only write takes several --port");
  line.simImage = Value(*app, "--sim-image").value_or("");
  if (Given(*app, "--sim-image") &&
      std::find(line.ports.begin(), line.ports.end(), "sim") == line.ports.end())
    fail("--sim-image goes with --port sim");
  if (const auto bus = Value(*app, "--bus")) {
    if (*bus == "standard") line.bus = BusSpeed::Standard;
    else if (*bus == "fast") line.bus = BusSpeed::Fast;
    else fail("--bus takes standard or fast, not \"" + *bus + "\"");
  }
  const std::optional<std::string> db = Value(*app, "--db");
  if (Given(*app, "--no-db")) {
    if (db) fail("--db and --no-db cannot be given together");
    line.database.reset();
  } else {
    // A password on the command line is seen by everyone on the machine
    // (ps, the shell's history); QRT35_DB may hold one, never shown.
    if (db) {
      const std::string refusal = production::PasswordRefusal(*db, "on the command line");
      if (!refusal.empty()) fail(refusal);
    }
    line.database = production::ChooseLocation(db, databaseEnvironment);
  }
  line.station = production::ChooseStation(Value(*app, "--station"), stationEnvironment);
  if (const std::string error = production::StationNameError(line.station); !error.empty())
    fail((Given(*app, "--station") ? "--station: " : "QRT35_STATION: ") + error);
  line.yes = Given(*app, "--yes") != nullptr;

  // The command's own options.
  line.files = Values(sub, "FILE");
  line.files.insert(line.files.end(), extraFiles.begin(), extraFiles.end());
  line.json = Given(sub, "--json") != nullptr;
  line.bytes = Given(sub, "--bytes") != nullptr;
  line.noBackup = Given(sub, "--no-backup") != nullptr;
  if (const auto output = Value(sub, "--output")) {
    if (output->empty()) fail("--output needs a file name");
    line.output = *output;
  }
  if (const auto count = Value(sub, "--count")) {
    const auto n = PositiveCount(*count);
    if (!n) fail("--count needs a whole number of pagers from 1 to 9999999, not \"" + *count + "\"");
    else line.count = *n;
  }
  if (const auto increase = Value(sub, "--auto-increase")) {
    if (*increase == "1") {
      line.autoIncrease1 = true;
    } else if (*increase == "2") {
      line.autoIncrease2 = true;
    } else if (*increase == "1,2" || *increase == "2,1") {
      line.autoIncrease1 = line.autoIncrease2 = true;
    } else {
      fail("--auto-increase takes 1, 2 or 1,2, not \"" + *increase + "\"");
    }
  }
  if (const auto allocate = Value(sub, "--allocate")) {
    const production::RangesParse ranges = production::ParseCapcodeRanges(*allocate);
    if (!ranges.error.empty()) fail("--allocate " + *allocate + ": " + ranges.error);
    else if (!line.database) fail("--allocate keeps its capcodes in the production record; it cannot go with --no-db");
    line.allocate = ranges.ranges;
  }
  line.continuous = Given(sub, "--continuous") != nullptr;
  line.bell = Given(sub, "--bell") != nullptr;
  if (line.bell && !line.continuous) fail("--bell rings on a failure of a continuous run: it goes with --continuous");
  // The read before the write is how a pager put back by mistake is known.
  if (line.continuous && line.noBackup)
    fail("--continuous reads every pager before writing it (a pager put back must not get a second capcode); "
         "it cannot go with --no-backup");
  if (cmd == Command::Log) {
    if (!line.database) fail("log shows the production record; it cannot go with --no-db");
    if (line.json && Given(sub, "--csv")) fail("--json and --csv cannot be given together");
    line.logForm = line.json ? LogForm::Json : Given(sub, "--csv") ? LogForm::Csv : LogForm::Text;
    const production::FilterParse filter =
        production::ParseLogFilter(Value(sub, "--capcode"), Value(sub, "--since"), Value(sub, "--outcome"));
    if (!filter.error.empty()) fail(filter.error);
    line.logFilter = filter.filter;
  }
  if (cmd == Command::Allocations) {
    if (!line.database) fail("allocations shows the production record; it cannot go with --no-db");
    const std::optional<std::string> reason = Value(sub, "--reason");
    if (!line.files.empty()) {
      const production::FilterParse capcode =
          production::ParseLogFilter(line.files.size() == 2 ? line.files[1] : std::string(), {}, {});
      if (line.files[0] != "release" || line.files.size() != 2)
        fail("allocations takes nothing, or release CAPCODE --reason TEXT");
      else if (!capcode.error.empty())
        fail(capcode.error);
      else if (!reason || reason->find_first_not_of(' ') == std::string::npos)
        fail("release needs --reason TEXT: why no pager holds capcode " + line.files[1] + " (it is recorded)");
      else if (line.json)
        fail("--json goes with the list, not with release");
      line.release = capcode.filter.capcode;
      line.reason = reason.value_or("");
    } else if (reason) {
      fail("--reason goes with release CAPCODE");
    }
    line.files.clear();
  }
  if (cmd == Command::Set) {
    // The edits in the order they were typed: parse_order() holds every
    // option once per time it was given.
    std::map<const CLI::Option*, size_t> used;
    for (const CLI::Option* option : sub.parse_order()) {
      const std::string name = option->get_name();
      const EditOption* edit = FindEditOption(name);
      if (!edit) continue;
      const std::string value = option->results().at(used[option]++);
      Edit e{edit->kind, name + " " + value, {}, value};
      if (edit->keyed) {
        const size_t sep = value.find('=');
        if (sep == std::string::npos || sep == 0) {
          fail(name + " takes KEY=VALUE, not \"" + value + "\"");
          continue;
        }
        e.target = value.substr(0, sep);
        e.value = value.substr(sep + 1);
      }
      line.edits.push_back(std::move(e));
    }
  }

  const int wanted = InfoOf(cmd).files;
  if (wanted >= 0 && static_cast<int>(line.files.size()) != wanted) {
    fail(std::string(cmdName) + " takes " + (wanted == 0 ? "no file" : wanted == 1 ? "one file" : "two files") +
         ", " + std::to_string(line.files.size()) + " given");
  }
  for (const std::string& f : line.files)
    if (f.empty()) fail("an empty file name");
  if (cmd == Command::Set && line.edits.empty()) fail("set needs at least one edit");
  return line;
}

std::string HelpText(Command command) {
  const std::unique_ptr<CLI::App> app = BuildApp();
  if (command == Command::None) return app->help();
  return app->get_subcommand(CommandName(command))->help();
}

}  // namespace qrt::cli
