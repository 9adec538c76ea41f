#include "base/DataHome.h"

#include <cstdlib>
#include <system_error>

namespace qrt {

namespace {

// The XDG base directory rule: the variable when it holds an absolute path,
// else the folder under HOME.
std::filesystem::path XdgHome(const char* variable, const char* underHome) {
  const char* xdg = std::getenv(variable);
  if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) return std::filesystem::path(xdg) / "qrt35";
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  return std::filesystem::path(home) / underHome / "qrt35";
}

}  // namespace

std::filesystem::path DataHome() { return XdgHome("XDG_DATA_HOME", ".local/share"); }

std::filesystem::path ConfigHome() { return XdgHome("XDG_CONFIG_HOME", ".config"); }

bool EnsureDirectory(const std::filesystem::path& dir, std::filesystem::perms mode, std::string& error) {
  namespace fs = std::filesystem;
  if (dir.empty()) {
    error = "no folder given (neither XDG_DATA_HOME nor HOME is set)";
    return false;
  }
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return true;
  // Parents first, with the default mode; only the folder itself is private.
  if (dir.has_parent_path() && !fs::is_directory(dir.parent_path(), ec)) {
    fs::create_directories(dir.parent_path(), ec);
    if (ec) {
      error = ec.message();
      return false;
    }
  }
  if (!fs::create_directory(dir, ec) && !fs::is_directory(dir)) {
    error = ec ? ec.message() : "not a folder";
    return false;
  }
  fs::permissions(dir, mode, fs::perm_options::replace, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  return true;
}

std::string DefaultSimImagePath() {
  const std::filesystem::path dir = DataHome();
  std::string error;
  if (!EnsureDirectory(dir, std::filesystem::perms::owner_all, error)) return {};
  return (dir / "sim-pager.bin").string();
}

}  // namespace qrt
