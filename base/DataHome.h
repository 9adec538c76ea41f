#pragma once
// Where the programmer keeps what it writes for the user without being asked:
// the simulated pager, the backups of every pager, the production record.
// $XDG_DATA_HOME/qrt35, or ~/.local/share/qrt35 where XDG_DATA_HOME is unset,
// empty or not absolute (as the XDG base directory rules say).
#include <filesystem>
#include <string>

namespace qrt {

// The folder itself; empty when neither XDG_DATA_HOME nor HOME says where it is.
// Nothing is created.
std::filesystem::path DataHome();

// Where the programmer keeps the user's own settings files (the window's
// default.tbl): $XDG_CONFIG_HOME/qrt35, or ~/.config/qrt35 where
// XDG_CONFIG_HOME is unset, empty or not absolute; empty when neither says
// where it is. Nothing is created.
std::filesystem::path ConfigHome();

// Creates `dir` and its parents where missing. A folder this call creates gets
// `mode` (0700 for anything that may hold a pager's password); an existing one
// keeps its mode. False, with the reason in `error`, when that fails.
bool EnsureDirectory(const std::filesystem::path& dir, std::filesystem::perms mode, std::string& error);

// The simulated pager's EEPROM file when none is named: one file that both
// programs use, so that the window and the command line see one pager. The
// folder is created; empty when there is no data folder.
std::string DefaultSimImagePath();

}  // namespace qrt
