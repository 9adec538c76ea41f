#pragma once
// The process-wide state of the programmer: the image, its backup and the
// flags that several subsystems share. One instance is owned by whoever runs
// the program (the main window, the CLI, a test) and passed down; nothing here
// is a global.
#include <cstdint>
#include <string>

#include "image/PagerImage.h"

namespace qrt {

struct AppState {
  Image PagerImage{};
  Image ImageBackup{};  // taken when a read starts, restored when it cannot be shown

  int16_t DecodeError = 0;     // 0, or the code of the last binder/decoder step that failed
  bool DecodingFlag = false;   // set while the program itself changes lists
  uint8_t ContrastReference = 0;
  bool ContrastChanged = false;
  bool AutoIncrement1 = false;
  bool AutoIncrement2 = false;
  uint8_t TransferMode = 0;    // 0 read, 1 write, 2 verify, 3 restore RestoreBytes
  Image RestoreBytes{};        // the backup Restore Backup to Pager writes, byte for byte
  bool FreqRejected = false;
  std::string LastFreqText;    // last frequency text accepted in band 0 or 1
  int32_t BaseFreqHz = 0;
  float ChannelSpacing = 0;
  int SelectedCapcode = 0;     // capcode edited by the function bit dialog
  bool WindowLoaded = false;

  std::string ProgramDir = ".";
  // The user's own settings folder ($XDG_CONFIG_HOME/qrt35), which holds the
  // window's default.tbl; empty: the user has none, default.tbl lives in
  // ProgramDir. Made (0700) by the first Save that writes there.
  std::string UserConfigDir;
  std::string CurrentTablePath;      // set at start to the default.tbl Save writes
  bool UseCurrentTablePath = false;
  // Where the file dialogs open: the folder of the last table file chosen in
  // one (the window remembers it between runs); empty: ProgramDir.
  std::string TableFolder;

  // Backups of the pagers (backup/): every pager read, and every pager about
  // to be written, is kept in BackupsDir. The programs switch KeepBackups on
  // and name the folder; a state made without them (a test of something
  // else) keeps none. BackupBeforeWrite is Pager > "Back Up Before Writing"
  // (--no-backup clears it): off, a write runs exactly as it always did.
  bool KeepBackups = false;
  bool BackupBeforeWrite = true;
  std::string BackupsDir;  // empty when no data folder could be named: saving then fails
};

}  // namespace qrt
