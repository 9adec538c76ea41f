#include "base/DataHome.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace qrt {
namespace {

namespace fs = std::filesystem;

constexpr mode_t kPrivate = 0700;

// The folders from `top` down to `dir` (both included) when `dir` lies in
// `top`; otherwise `dir` alone.
std::vector<fs::path> FoldersFrom(const fs::path& top, const fs::path& dir) {
  const fs::path under = top.empty() ? fs::path() : dir.lexically_relative(top);
  if (under.empty() || *under.begin() == "..") return {dir};
  std::vector<fs::path> folders{top};
  if (under == ".") return folders;
  fs::path at = top;
  for (const fs::path& part : under) folders.push_back(at /= part);
  return folders;
}

// Closes a folder to the group and to others.
bool MakePrivate(const fs::path& dir, std::string& error) {
  struct stat sb;
  if (::stat(dir.c_str(), &sb) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(sb.st_mode)) {
    error = std::strerror(ENOTDIR);
    return false;
  }
  // A folder made by hand, by an older copy or under a lax umask may be open
  // to the group or to everyone.
  if ((sb.st_mode & 077) != 0 && ::chmod(dir.c_str(), kPrivate) != 0) {
    error = "the folder " + dir.string() + " is open to other users and cannot be made private: " +
            std::strerror(errno);
    return false;
  }
  return true;
}

// The XDG base directory rule: the variable when it holds an absolute path,
// else the folder under HOME.
fs::path XdgHome(const char* variable, const char* underHome) {
  const char* xdg = std::getenv(variable);
  if (xdg && *xdg && fs::path(xdg).is_absolute()) return fs::path(xdg) / "qrt35";
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  return fs::path(home) / underHome / "qrt35";
}

}  // namespace

fs::path DataHome() { return XdgHome("XDG_DATA_HOME", ".local/share"); }

fs::path ConfigHome() { return XdgHome("XDG_CONFIG_HOME", ".config"); }

bool EnsurePrivateFolder(const fs::path& dir, std::string& error) {
  if (dir.empty()) {
    error = "no folder given (neither XDG_DATA_HOME nor HOME is set)";
    return false;
  }
  // Missing folders are made one by one from the top, each 0700 at once:
  // mkdir's mode is cut by the umask, chmod's is not.
  std::vector<fs::path> missing;
  std::error_code ec;
  for (fs::path at = dir; !at.empty() && !fs::exists(at, ec); at = at.parent_path()) {
    missing.push_back(at);
    if (at == at.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), kPrivate) != 0 && errno != EEXIST) {
      error = std::strerror(errno);
      return false;
    }
    if (::chmod(it->c_str(), kPrivate) != 0) {
      error = std::strerror(errno);
      return false;
    }
  }
  for (const fs::path& folder : FoldersFrom(DataHome().lexically_normal(), dir.lexically_normal()))
    if (!MakePrivate(folder, error)) return false;
  return true;
}

std::string DefaultSimImagePath() {
  const fs::path dir = DataHome();
  std::string error;
  if (!EnsurePrivateFolder(dir, error)) return {};
  return (dir / "sim-pager.bin").string();
}

}  // namespace qrt
