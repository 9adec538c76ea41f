#include "tables/TableFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/DataHome.h"
#include "base/FileIo.h"
#include "base/Messages.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

std::string Reason(int error) { return std::strerror(error); }

std::string OpenFailure(const std::string& path, const std::string& reason) {
  return "Could not open [" + path + "]: " + reason;
}


bool Exists(const std::string& path) {
  struct stat sb;
  return ::stat(path.c_str(), &sb) == 0;
}

// True when an existing file `path` lies in `folder` (as the file system
// resolves both: links and "..").
bool IsFileInFolder(const std::string& path, const std::string& folder) {
  if (folder.empty()) return false;
  char* file = ::realpath(path.c_str(), nullptr);
  if (!file) return false;
  char* dir = ::realpath(folder.c_str(), nullptr);
  const bool inside = dir && ParentDirectory(file) == std::string(dir);
  std::free(file);
  std::free(dir);
  return inside;
}

std::string DialogFolder(const AppState& st) { return st.TableFolder.empty() ? st.ProgramDir : st.TableFolder; }

// A file the user chose in a dialog: the next dialog opens in its folder. A
// backup is the program's own keeping, not where the user keeps tables.
void RememberFolderOf(AppState& st, const std::string& path) {
  if (!IsFileInFolder(path, st.BackupsDir)) st.TableFolder = ParentDirectory(path);
}

// Opens the table at path into the editor. True when the image was taken over.
bool OpenTable(Editor& editor, TableFileUi& ui) {
  AppState& st = editor.state;
  std::string path;
  if (st.UseCurrentTablePath) {
    path = st.CurrentTablePath;
  } else {
    const std::optional<std::string> chosen = ui.ChooseOpenPath(DialogFolder(st));
    if (!chosen) return false;
    path = *chosen;
    struct stat sb;
    if (::stat(path.c_str(), &sb) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) {
        editor.msg.Show("This file is not exit!", MsgIcon::None);
      } else {
        editor.msg.Show(OpenFailure(path, Reason(errno)), MsgIcon::Warning);
      }
      return false;
    }
  }

  const TableReadResult file = ReadTableFile(path);
  if (!file.ok) {
    editor.msg.Show(OpenFailure(path, file.error), MsgIcon::Warning);
    return false;
  }
  if (!IsTableImage(file.image)) {
    // The refused file does not become the target of the next Save: saving
    // over it would destroy a file that is not ours.
    editor.msg.Show("The [" + path + "] is not correct format, the file will discard !", MsgIcon::None);
    return false;
  }

  st.CurrentTablePath = path;
  st.PagerImage = file.image;
  editor.DetectBand();
  editor.init_ctl();
  ui.SetTitle(TitleWithPath(ui.Title(), path));
  if (!st.UseCurrentTablePath) RememberFolderOf(st, path);
  return true;
}

void RefuseBackup(Editor& editor, const std::string& path) {
  editor.msg.Show("The [" + path + "] is a backup and is kept as it was taken.\n"
                  "Use Save As... to save this image under another name.",
                  MsgIcon::Warning);
}

}  // namespace

std::string TitleWithPath(const std::string& title, const std::string& path) {
  const size_t bracket = title.find('[');
  if (bracket != std::string::npos) return title.substr(0, bracket + 1) + path + "]";
  return title + " - [" + path + "]";
}

bool IsTableImage(const Image& image) { return HasModelName(image); }

TableReadResult ReadTableFile(const std::string& path) {
  TableReadResult result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result.error = Reason(errno);
    return result;
  }
  struct stat sb;
  if (::fstat(fd, &sb) != 0) {
    result.error = Reason(errno);
    ::close(fd);
    return result;
  }
  if (S_ISDIR(sb.st_mode)) {
    result.error = Reason(EISDIR);
    ::close(fd);
    return result;
  }
  result.size = sb.st_size;
  // A shorter file leaves the rest 0; the bytes of a longer one are ignored.
  size_t filled = 0;
  while (filled < result.image.size()) {
    const ssize_t n = ::read(fd, result.image.data() + filled, result.image.size() - filled);
    if (n < 0) {
      if (errno == EINTR) continue;
      result.error = Reason(errno);
      ::close(fd);
      result.image.fill(0);
      return result;
    }
    if (n == 0) break;
    filled += static_cast<size_t>(n);
  }
  ::close(fd);
  result.ok = true;
  return result;
}

std::string WriteTableFileAtomically(const std::string& path, const Image& image) {
  return WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

bool OpenTableFile(Editor& editor, TableFileUi& ui) { return OpenTable(editor, ui); }

bool SaveTableFileAs(Editor& editor, TableFileUi& ui) {
  AppState& st = editor.state;
  std::string path;
  if (st.UseCurrentTablePath) {
    path = st.CurrentTablePath;
    // A backup keeps what a pager held; Save after Open Backup... must not
    // change it.
    if (IsFileInFolder(path, st.BackupsDir)) {
      RefuseBackup(editor, path);
      return false;
    }
  } else {
    const std::optional<std::string> chosen = ui.ChooseSavePath(DialogFolder(st));
    if (!chosen) return false;
    path = *chosen;
    if (IsFileInFolder(path, st.BackupsDir)) {
      RefuseBackup(editor, path);
      return false;
    }
    if (Exists(path) &&
        !editor.msg.AskYesNo("This file is arealy exist ! \nAre you sure overwrite this file?",
                             MsgIcon::None)) {
      return false;
    }
  }
  // The user's settings folder is made by the first save into it, private
  // like the rest of the user's configuration.
  std::string error;
  if (!st.UserConfigDir.empty() && ParentDirectory(path) == st.UserConfigDir)
    (void)EnsurePrivateFolder(st.UserConfigDir, error);
  if (error.empty()) error = WriteTableFileAtomically(path, st.PagerImage);
  if (!error.empty()) {
    editor.msg.Show(SaveFailure(path, error), MsgIcon::Warning);
    return false;
  }
  st.CurrentTablePath = path;
  ui.SetTitle(TitleWithPath(ui.Title(), path));
  if (!st.UseCurrentTablePath) RememberFolderOf(st, path);
  return true;
}

bool SaveTableFile(Editor& editor, TableFileUi& ui) {
  editor.state.UseCurrentTablePath = true;
  const bool saved = SaveTableFileAs(editor, ui);
  editor.state.UseCurrentTablePath = false;
  return saved;
}

void mnuLBFF_Click(Editor& editor, TableFileUi& ui) { (void)OpenTableFile(editor, ui); }
void mnuSA_Click(Editor& editor, TableFileUi& ui) { (void)SaveTableFileAs(editor, ui); }
void mnuSBTF_Click(Editor& editor, TableFileUi& ui) { (void)SaveTableFile(editor, ui); }

bool IsUsersOwnFolder(const std::string& dir) {
  struct stat sb;
  if (::stat(dir.c_str(), &sb) != 0 || !S_ISDIR(sb.st_mode) || sb.st_uid != ::geteuid()) return false;
  if (::faccessat(AT_FDCWD, dir.c_str(), W_OK, AT_EACCESS) != 0) return false;
  char* resolved = ::realpath(dir.c_str(), nullptr);
  if (!resolved) return false;
  const std::string real = resolved;
  std::free(resolved);
  return real != "/usr" && real.rfind("/usr/", 0) != 0;
}

DefaultTablePlace ChooseDefaultTable(const std::string& programDir, const std::string& userConfigDir) {
  const auto isFile = [](const std::string& path) {
    struct stat sb;
    return !path.empty() && ::stat(path.c_str(), &sb) == 0 && !S_ISDIR(sb.st_mode);
  };
  const std::string user = userConfigDir.empty() ? std::string() : userConfigDir + "/default.tbl";
  const std::string program = programDir + "/default.tbl";
  if (isFile(user)) return {user, user};
  const std::string save = user.empty() || IsUsersOwnFolder(programDir) ? program : user;
  return {isFile(program) ? program : std::string(), save};
}

DefaultTable OpenDefaultTableAtStart(Editor& editor, TableFileUi& ui) {
  AppState& st = editor.state;
  const DefaultTablePlace place = ChooseDefaultTable(st.ProgramDir, st.UserConfigDir);
  st.CurrentTablePath = place.save;
  if (place.open.empty()) return DefaultTable::None;
  st.CurrentTablePath = place.open;
  st.UseCurrentTablePath = true;
  const bool loaded = OpenTable(editor, ui);
  st.UseCurrentTablePath = false;
  st.CurrentTablePath = place.save;
  return loaded ? DefaultTable::Opened : DefaultTable::Refused;
}

}  // namespace qrt
