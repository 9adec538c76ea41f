#pragma once
// Backups of the pagers. Every pager that is read, and every pager about to
// be written, is kept as a file in one folder, so that a write cut short (a
// cable pulled, the power gone) never loses what the pager held: the backup
// opens with File > Open and Write puts it back.
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

// "2026-12-08T14-03-22_cap1-1234567.tbl"; from the second backup of the same
// name on, "_2", "_3", ... before the extension.
std::string BackupFileName(const std::tm& localTime, uint32_t capcode1, BackupForm form, int sequence = 1);

struct BackupSaved {
  std::string path;   // the file written; on failure the file (or folder) that failed
  std::string error;  // empty on success, otherwise the reason
  bool ok() const { return error.empty(); }
};

// Creates the folder where missing (0700; an existing one open to others is
// made private) and writes the backup into a new file named for `when`
// (local time) and the backup's capcode 1. A file that cannot be written
// whole is removed again.
BackupSaved SaveBackup(const std::string& folder, const PagerBackup& backup, std::time_t when);

// The messages about a backup that could not be saved.
std::string BackupFailedMessage(const BackupSaved& saved);          // after a read
std::string WriteStoppedByBackupMessage(const BackupSaved& saved);  // a write that was not run

struct BackupEntry {
  std::string path;
  std::string date;      // local time from the name, "2026-12-08 14:03:22"
  std::string capcode1;  // seven digits, from the name
  std::string model;     // the model name the file holds, "QRT35"; "blank" for an erased chip
  BackupForm form = BackupForm::Table;
};

// Every backup in the folder, newest first. A folder that does not exist yet
// holds none; other files in it are left out. False, with the reason, when the
// folder cannot be read.
bool ListBackups(const std::string& folder, std::vector<BackupEntry>& out, std::string& error);

// File > Open Backup...: File > Open with its dialog in the backups folder
// (created first, so that the dialog can start there). Save refuses to write
// over a backup (tables/), so the opened backup stays as it was taken.
void OpenBackup(Editor& editor, TableFileUi& ui);

}  // namespace qrt
