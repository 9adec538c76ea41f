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
#include "base/Numbers.h"
#include "codecs/Capcode.h"
#include "codecs/Charset.h"
#include "editor/Editor.h"
#include "tables/TableFiles.h"

namespace qrt {
namespace {

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
  return EnsurePrivateFolder(folder, error);
}

// The parts of a backup's file name; nullopt for any other file.
struct NameParts {
  std::string stamp;  // "2026-12-08T13-03-22"
  bool utc = true;    // "Z" after the stamp; older names hold local time
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
  // 2026-12-08T13-03-22Z_cap1-1234567[_N], older names without the Z
  constexpr std::string_view kStamp = "dddd-dd-ddTdd-dd-dd";
  constexpr std::string_view kCapcode = "_cap1-ddddddd";
  const auto matches = [&](std::string_view pattern, size_t at) {
    if (name.size() < at + pattern.size()) return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
      const char c = name[at + i];
      if (pattern[i] == 'd' ? !IsDigit(c) : c != pattern[i]) return false;
    }
    return true;
  };
  if (!matches(kStamp, 0)) return std::nullopt;
  size_t at = kStamp.size();
  parts.utc = name.size() > at && name[at] == 'Z';
  if (parts.utc) ++at;
  if (!matches(kCapcode, at)) return std::nullopt;
  parts.stamp = std::string(name.substr(0, kStamp.size()));
  parts.capcode1 = std::string(name.substr(at + 6, 7));
  const std::string_view rest = name.substr(at + kCapcode.size());
  if (!rest.empty()) {
    if (rest.size() > 4 || rest[0] != '_') return std::nullopt;
    const auto sequence = ParseDigits(rest.substr(1));
    if (!sequence) return std::nullopt;
    parts.sequence = static_cast<int>(*sequence);
  }
  return parts;
}

// The instant a name's stamp stands for; nullopt for a date that does not exist.
std::optional<std::time_t> InstantOf(const NameParts& parts) {
  const std::string_view s = parts.stamp;  // 2026-12-08T13-03-22, digits where the name's pattern has them
  const auto number = [s](size_t at, size_t count) {
    return static_cast<int>(ParseDigits(s.substr(at, count)).value_or(0));
  };
  std::tm tm{};
  tm.tm_year = number(0, 4) - 1900;
  tm.tm_mon = number(5, 2) - 1;
  tm.tm_mday = number(8, 2);
  tm.tm_hour = number(11, 2);
  tm.tm_min = number(14, 2);
  tm.tm_sec = number(17, 2);
  const std::tm asWritten = tm;
  // An older name holds the local time of the machine that took it; mktime
  // decides whether daylight-saving time was on.
  tm.tm_isdst = -1;
  const std::time_t when = parts.utc ? ::timegm(&tm) : std::mktime(&tm);
  if (when == static_cast<std::time_t>(-1) || tm.tm_mday != asWritten.tm_mday || tm.tm_mon != asWritten.tm_mon)
    return std::nullopt;
  return when;
}

std::string TimeText(std::time_t when, bool utc) {
  std::tm tm{};
  if (utc)
    ::gmtime_r(&when, &tm);
  else
    ::localtime_r(&when, &tm);
  char text[32];
  std::strftime(text, sizeof text, utc ? "%Y-%m-%dT%H:%M:%SZ" : "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

// File > Open answered with the backup chosen from the list.
class ChosenBackup : public TableFileUi {
 public:
  ChosenBackup(TableFileUi& inner, std::string path) : inner_(inner), path_(std::move(path)) {}
  std::optional<std::string> ChooseOpenPath(const std::string&) override { return path_; }
  std::optional<std::string> ChooseSavePath(const std::string& dir) override { return inner_.ChooseSavePath(dir); }
  std::string Title() override { return inner_.Title(); }
  void SetTitle(const std::string& title) override { inner_.SetTitle(title); }

 private:
  TableFileUi& inner_;
  std::string path_;
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

std::string BackupFileName(std::time_t when, uint32_t capcode1, BackupForm form, int sequence) {
  std::tm utc{};
  ::gmtime_r(&when, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%SZ", &utc);
  std::string name = std::string(stamp) + "_cap1-" + CapcodeText(capcode1 & kCapcodeMax);
  if (sequence > 1) name += "_" + std::to_string(sequence);
  return name + Extension(form);
}

BackupSaved SaveBackup(const std::string& folder, const PagerBackup& backup, std::time_t when) {
  BackupSaved saved;
  saved.path = folder;
  if (!PrepareFolder(folder, saved.error)) return saved;

  const uint32_t capcode1 = DecodeCapcode(backup.bytes, 0);
  int fd = -1;
  for (int sequence = 1; sequence <= kMaxSequence && fd < 0; ++sequence) {
    saved.path = folder + "/" + BackupFileName(when, capcode1, backup.form, sequence);
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

BackupContents ReadBackup(const std::string& path) {
  BackupContents contents;
  const TableReadResult file = ReadTableFile(path);
  if (!file.ok) {
    contents.error = file.error;
    return contents;
  }
  if (file.size != kImageSize) {
    contents.error = "it holds " + std::to_string(file.size) + " bytes, not the 2048 of a pager";
    return contents;
  }
  contents.ok = true;
  contents.pagerBytes = file.image;
  const bool table = path.size() >= 4 && path.compare(path.size() - 4, 4, ".tbl") == 0;
  if (table && IsTableImage(file.image)) ToPagerCharset(contents.pagerBytes);
  contents.model = PagerModel(contents.pagerBytes);
  if (HasModelName(contents.pagerBytes)) contents.checksumOk = ChecksumMatches(contents.pagerBytes);
  return contents;
}

std::string BackupStateWord(const BackupEntry& entry) {
  if (!entry.checksumOk) return "-";
  return *entry.checksumOk ? "ok" : "damaged";
}

std::string BackupStateText(const BackupEntry& entry) {
  if (entry.checksumOk) return *entry.checksumOk ? "OK" : "Damaged: checksum wrong";
  return entry.model == "unreadable" ? "Unreadable" : "Not a QRT35 image";
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
    int64_t mtimeNs;
    int sequence;
  };
  std::vector<Found> found;
  while (const dirent* d = ::readdir(dir)) {
    const std::optional<NameParts> parts = ParseBackupName(d->d_name);
    if (!parts) continue;
    const std::optional<std::time_t> taken = InstantOf(*parts);
    if (!taken) continue;
    const std::string path = folder + "/" + d->d_name;
    struct stat sb;
    if (::stat(path.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode)) continue;
    const BackupContents contents = ReadBackup(path);
    BackupEntry e;
    e.path = path;
    e.taken = *taken;
    e.date = TimeText(*taken, false);
    e.utc = TimeText(*taken, true);
    e.capcode1 = parts->capcode1;
    e.model = contents.ok ? contents.model : "unreadable";
    e.form = parts->form;
    e.checksumOk = contents.checksumOk;
    found.push_back({std::move(e), int64_t{sb.st_mtim.tv_sec} * 1'000'000'000 + sb.st_mtim.tv_nsec, parts->sequence});
  }
  ::closedir(dir);
  // Newest first: by the instant in the name, then within one second by the
  // order the files were written.
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    if (a.entry.taken != b.entry.taken) return a.entry.taken > b.entry.taken;
    if (a.mtimeNs != b.mtimeNs) return a.mtimeNs > b.mtimeNs;
    if (a.sequence != b.sequence) return a.sequence > b.sequence;
    return a.entry.path > b.entry.path;
  });
  for (Found& f : found) out.push_back(std::move(f.entry));
  return true;
}

void OpenBackup(Editor& editor, TableFileUi& ui, const std::string& path) {
  ChosenBackup chosen(ui, path);
  (void)OpenTableFile(editor, chosen);
}

}  // namespace qrt
