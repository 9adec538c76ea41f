#include "backup/Backups.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "ProductInfo.h"
#include "base/DataHome.h"
#include "base/FileIo.h"
#include "base/Messages.h"
#include "editor/Capcode.h"
#include "editor/Charset.h"
#include "editor/Editor.h"
#include "tables/TableFiles.h"

namespace qrt {
namespace {

constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;
constexpr int kMaxSequence = 999;

std::string Reason(int error) { return std::strerror(error); }

const char* Extension(BackupForm form) { return form == BackupForm::Table ? ".tbl" : ".bin"; }

// Whether a started window shows the image (in display form) the way a read
// would, without a decode error.
bool ShowsCleanly(const Image& display) {
  AppState state;
  RecordingMessages messages;
  EditorHost host;
  Editor editor(state, messages, host);
  editor.LoadDefaults(product::kDefaultLogo);
  editor.SelectBand0();
  state.PagerImage = display;
  editor.DetectBand();
  state.DecodingFlag = false;
  state.DecodeError = 0;
  editor.init_ctl();
  return state.DecodeError == 0;
}

// The folder exists and only its owner can look into it.
bool PrepareFolder(const std::string& folder, std::string& error) {
  if (folder.empty()) {
    error = "no folder for backups (neither XDG_DATA_HOME nor HOME is set)";
    return false;
  }
  struct stat sb;
  if (::stat(folder.c_str(), &sb) == 0 && !S_ISDIR(sb.st_mode)) {
    error = Reason(ENOTDIR);
    return false;
  }
  if (!EnsureDirectory(folder, std::filesystem::perms::owner_all, error)) return false;
  if (::stat(folder.c_str(), &sb) != 0) {
    error = Reason(errno);
    return false;
  }
  // A folder made by hand, or by an older copy, may be open to the group or
  // to everyone; the pagers' passwords must not be.
  if ((sb.st_mode & 077) != 0 && ::chmod(folder.c_str(), kPrivateFolder) != 0) {
    error = "the folder is open to other users and cannot be made private: " + Reason(errno);
    return false;
  }
  return true;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The parts of a backup's file name; nullopt for any other file.
struct NameParts {
  std::string stamp;  // "2026-12-08T14-03-22"
  std::string capcode1;
  int sequence = 1;
  BackupForm form = BackupForm::Table;
};

std::optional<NameParts> ParseBackupName(std::string_view name) {
  NameParts parts;
  if (name.size() < 4) return std::nullopt;
  const std::string_view ext = name.substr(name.size() - 4);
  if (ext == ".tbl")
    parts.form = BackupForm::Table;
  else if (ext == ".bin")
    parts.form = BackupForm::Raw;
  else
    return std::nullopt;
  name.remove_suffix(4);
  // 2026-12-08T14-03-22_cap1-1234567[_N]
  constexpr std::string_view kPattern = "dddd-dd-ddTdd-dd-dd_cap1-ddddddd";
  if (name.size() < kPattern.size()) return std::nullopt;
  for (size_t i = 0; i < kPattern.size(); ++i) {
    const bool digit = name[i] >= '0' && name[i] <= '9';
    if (kPattern[i] == 'd' ? !digit : name[i] != kPattern[i]) return std::nullopt;
  }
  parts.stamp = std::string(name.substr(0, 19));
  parts.capcode1 = std::string(name.substr(25, 7));
  const std::string_view rest = name.substr(kPattern.size());
  if (!rest.empty()) {
    if (rest.size() > 4 || rest[0] != '_' || !AllDigits(rest.substr(1))) return std::nullopt;
    parts.sequence = std::stoi(std::string(rest.substr(1)));
  }
  return parts;
}

// The model name a backup holds, readable whatever the bytes are.
std::string ModelOf(const Image& image) {
  const auto first = image.begin() + addr::kIdentString;
  if (std::all_of(first, first + 5, [](uint8_t b) { return b == 0xFF; })) return "blank";
  std::string model;
  for (auto it = first; it != first + 5; ++it) model += (*it >= 0x20 && *it < 0x7F) ? static_cast<char>(*it) : '?';
  while (!model.empty() && model.back() == ' ') model.pop_back();
  return model;
}

// File > Open's dialog, started in the backups folder.
class InFolder : public TableFileUi {
 public:
  InFolder(TableFileUi& inner, std::string dir) : inner_(inner), dir_(std::move(dir)) {}
  std::optional<std::string> ChooseOpenPath(const std::string&) override { return inner_.ChooseOpenPath(dir_); }
  std::optional<std::string> ChooseSavePath(const std::string& dir) override { return inner_.ChooseSavePath(dir); }
  std::string Title() override { return inner_.Title(); }
  void SetTitle(const std::string& title) override { inner_.SetTitle(title); }

 private:
  TableFileUi& inner_;
  std::string dir_;
};

}  // namespace

std::string DefaultBackupsFolder() {
  const std::filesystem::path home = DataHome();
  return home.empty() ? std::string() : (home / "backups").string();
}

PagerBackup BackupOfPagerBytes(const Image& pagerBytes) {
  PagerBackup raw{pagerBytes, BackupForm::Raw};
  if (!IsTableImage(pagerBytes)) return raw;
  Image display = pagerBytes;
  ToDisplayCharset(display);
  // A byte already in its display code (one the pager should never hold)
  // would come back converted: such a pager is kept byte for byte.
  Image back = display;
  ToPagerCharset(back);
  if (back != pagerBytes) return raw;
  if (!ShowsCleanly(display)) return raw;
  return {display, BackupForm::Table};
}

std::string BackupFileName(const std::tm& localTime, uint32_t capcode1, BackupForm form, int sequence) {
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%S", &localTime);
  std::string name = std::string(stamp) + "_cap1-" + CapcodeText(capcode1 & kCapcodeMax);
  if (sequence > 1) name += "_" + std::to_string(sequence);
  return name + Extension(form);
}

BackupSaved SaveBackup(const std::string& folder, const PagerBackup& backup, std::time_t when) {
  BackupSaved saved;
  saved.path = folder;
  if (!PrepareFolder(folder, saved.error)) return saved;

  std::tm local{};
  ::localtime_r(&when, &local);
  const uint32_t capcode1 = DecodeCapcode(backup.bytes, 0);
  int fd = -1;
  for (int sequence = 1; sequence <= kMaxSequence && fd < 0; ++sequence) {
    saved.path = folder + "/" + BackupFileName(local, capcode1, backup.form, sequence);
    // O_EXCL: an existing backup is never opened, let alone replaced.
    fd = ::open(saved.path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kPrivateFile);
    if (fd < 0 && errno != EEXIST) {
      saved.error = Reason(errno);
      return saved;
    }
  }
  if (fd < 0) {
    saved.error = Reason(EEXIST);
    return saved;
  }
  auto fail = [&](int error) {
    ::close(fd);
    ::unlink(saved.path.c_str());
    saved.error = Reason(error);
    return saved;
  };
  // The umask may have taken bits away; the owner must be able to read it.
  if (::fchmod(fd, kPrivateFile) != 0) return fail(errno);
  if (!WriteAll(fd, backup.bytes.data(), backup.bytes.size())) return fail(errno);
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(saved.path.c_str());
    saved.error = Reason(error);
    return saved;
  }
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    (void)::fsync(dirFd);
    ::close(dirFd);
  }
  return saved;
}

std::string BackupFailedMessage(const BackupSaved& saved) {
  return "Could not save the backup [" + saved.path + "]: " + saved.error;
}

std::string WriteStoppedByBackupMessage(const BackupSaved& saved) {
  return BackupFailedMessage(saved) + "\n\nThe pager was not written.";
}

bool ListBackups(const std::string& folder, std::vector<BackupEntry>& out, std::string& error) {
  out.clear();
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    if (errno == ENOENT) return true;  // no backup taken yet
    error = Reason(errno);
    return false;
  }
  struct Found {
    BackupEntry entry;
    std::string stamp;
    int64_t mtimeNs;
    int sequence;
  };
  std::vector<Found> found;
  while (const dirent* d = ::readdir(dir)) {
    const std::optional<NameParts> parts = ParseBackupName(d->d_name);
    if (!parts) continue;
    const std::string path = folder + "/" + d->d_name;
    struct stat sb;
    if (::stat(path.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode)) continue;
    const TableReadResult file = ReadTableFile(path);
    BackupEntry e;
    e.path = path;
    const std::string& s = parts->stamp;  // 2026-12-08T14-03-22
    e.date = s.substr(0, 10) + " " + s.substr(11, 2) + ":" + s.substr(14, 2) + ":" + s.substr(17, 2);
    e.capcode1 = parts->capcode1;
    e.model = file.ok ? ModelOf(file.image) : "unreadable";
    e.form = parts->form;
    found.push_back({std::move(e), parts->stamp,
                     int64_t{sb.st_mtim.tv_sec} * 1'000'000'000 + sb.st_mtim.tv_nsec, parts->sequence});
  }
  ::closedir(dir);
  // Newest first: by the time in the name, then within one second by the
  // order the files were written.
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    if (a.stamp != b.stamp) return a.stamp > b.stamp;
    if (a.mtimeNs != b.mtimeNs) return a.mtimeNs > b.mtimeNs;
    if (a.sequence != b.sequence) return a.sequence > b.sequence;
    return a.entry.path > b.entry.path;
  });
  for (Found& f : found) out.push_back(std::move(f.entry));
  return true;
}

void OpenBackup(Editor& editor, TableFileUi& ui) {
  const AppState& st = editor.state;
  std::string error;
  // Made now, so that the dialog can open there before the first backup.
  const bool folderReady = PrepareFolder(st.BackupsDir, error);
  InFolder inBackups(ui, folderReady ? st.BackupsDir : st.ProgramDir);
  mnuLBFF_Click(editor, inBackups);
}

}  // namespace qrt
