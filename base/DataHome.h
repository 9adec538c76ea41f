#pragma once
// Where the programmer keeps what it writes for the user without being asked:
// the simulated pager, the backups of every pager, the production record.
// $XDG_DATA_HOME/qrt35, or ~/.local/share/qrt35 where XDG_DATA_HOME is unset,
// empty or not absolute (as the XDG base directory rules say).
//
// Everything in it may hold a pager's password or the line's record: the
// folder and every folder in it are readable by their owner only (0700),
// whatever the umask says.
#include <filesystem>
#include <string>

namespace qrt {

// The folder itself; empty when neither XDG_DATA_HOME nor HOME says where it is.
// Nothing is created.
std::filesystem::path DataHome();

// Makes `dir` a private folder: created where missing (its missing parents
// too), each folder it creates 0700 whatever the umask; `dir` itself, and
// when it lies in the data folder every folder from the data folder down to
// it, made 0700 where they are open to the group or to others. False, with
// the reason in `error`, when that fails.
bool EnsurePrivateFolder(const std::filesystem::path& dir, std::string& error);

// Where the programmer keeps the user's own settings files (the window's
// default.tbl): $XDG_CONFIG_HOME/qrt35, or ~/.config/qrt35 where
// XDG_CONFIG_HOME is unset, empty or not absolute; empty when neither says
// where it is. Nothing is created.
std::filesystem::path ConfigHome();

// The simulated pager's EEPROM file when none is named: one file that both
// programs use, so that the window and the command line see one pager. The
// folder is created; empty when there is no data folder.
std::string DefaultSimImagePath();

}  // namespace qrt
