#pragma once
// Backups of the pagers. Every pager that is read, and every pager about to
// be written, is kept as a file in one folder, so that a write cut short (a
// cable pulled, the power gone) never loses what the pager held: File >
// Restore Backup to Pager... (`qrt35 restore`) puts it back byte for byte,
// and File > Open Backup... opens it for editing.
//
// A backup is a table file: the 2048 bytes with the prompts in display form
// (Windows-1252), as Save writes them. A pager whose bytes cannot make one
// (another model, a blank chip, an image the window cannot show, or prompt
// bytes that would not come back the same through the character-set
// conversion) is kept as its raw 2048 bytes instead, with ".bin".
//
// Backups hold the pager's password: the folder is readable by its owner only
// (0700) and every file 0600, whatever the umask says. A backup is never
// overwritten; two in the same second get distinct names.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "image/PagerImage.h"

namespace qrt {

class Editor;
class TableFileUi;

enum class BackupForm { Table, Raw };

struct PagerBackup {
  Image bytes{};
  BackupForm form = BackupForm::Raw;
};

// <data home>/backups; empty when there is no data home.
std::string DefaultBackupsFolder();

// What bytes read from a pager (in the pager's own character set) become.
PagerBackup BackupOfPagerBytes(const Image& pagerBytes);

// "2026-12-08T13-03-22Z_cap1-1234567.tbl": the instant in UTC, so that the
// names sort as the backups were taken whatever the time zone or the
// daylight-saving time; from the second backup of the same name on, "_2",
// "_3", ... before the extension.
std::string BackupFileName(std::time_t when, uint32_t capcode1, BackupForm form, int sequence = 1);

struct BackupSaved {
  std::string path;   // the file written; on failure the file (or folder) that failed
  std::string error;  // empty on success, otherwise the reason
  bool ok() const { return error.empty(); }
};

// Creates the folder where missing (0700; an existing one open to others is
// made private) and writes the backup into a new file named for `when` and
// the backup's capcode 1. A file that cannot be written
// whole is removed again.
BackupSaved SaveBackup(const std::string& folder, const PagerBackup& backup, std::time_t when);

// The messages about a backup that could not be saved.
std::string BackupFailedMessage(const BackupSaved& saved);          // after a read
std::string WriteStoppedByBackupMessage(const BackupSaved& saved);  // a write that was not run

// What a backup file holds, read back for a list or a restore.
struct BackupContents {
  bool ok = false;
  std::string error;    // why it cannot be read, or why it is no backup (its size)
  Image pagerBytes{};   // as the pager held them (a .tbl's prompts back in the pager's character set)
  std::string model;    // PagerModel of the bytes: "QRT35", another model, "blank"
  // Whether the pager's checksum (0x7FE, 0x7FF) matches its bytes: false for
  // a pager taken in the middle of a write cut short. Not judged (nullopt)
  // for a pager that holds no QRT35 image.
  std::optional<bool> checksumOk;
};

// Reads a backup (or any 2048-byte pager file): ".tbl" holds the prompts in
// display form, anything else the pager's own bytes.
BackupContents ReadBackup(const std::string& path);

struct BackupEntry {
  std::string path;
  std::time_t taken = 0;  // the instant in the name (an older name without "Z" is local time)
  std::string date;       // that instant in local time, "2026-12-08 14:03:22"
  std::string utc;        // that instant in UTC, "2026-12-08T13:03:22Z"
  std::string capcode1;   // seven digits, from the name
  std::string model;      // the model name the file holds, "QRT35"; "blank" for an erased chip; "unreadable"
  BackupForm form = BackupForm::Table;
  std::optional<bool> checksumOk;  // as BackupContents says
};

// A backup's state in a word for a list: "ok", "damaged" (its checksum is
// wrong), "-" (not a QRT35 image, or unreadable).
std::string BackupStateWord(const BackupEntry& entry);
// The same in words for the window: "OK", "Damaged: checksum wrong", "Not a
// QRT35 image", "Unreadable".
std::string BackupStateText(const BackupEntry& entry);

// Every backup in the folder, newest first by the instant it was taken. A
// folder that does not exist yet holds none; other files in it are left
// out. False, with the reason, when the folder cannot be read.
bool ListBackups(const std::string& folder, std::vector<BackupEntry>& out, std::string& error);

// File > Open Backup...: the backup `path` (chosen from the list of
// ListBackups) opened as File > Open opens a table file. Save refuses to
// write over a backup (tables/), so the opened backup stays as it was taken.
void OpenBackup(Editor& editor, TableFileUi& ui, const std::string& path);

}  // namespace qrt
