#include "transfer/Restore.h"

#include "backup/Backups.h"
#include "base/Messages.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

constexpr int kRestoreMode = 3;

}  // namespace

std::string DamagedBackupQuestion(const std::string& path) {
  return "The backup [" + path +
         "] holds a pager whose checksum is wrong: a pager left half written by a write cut short, or an "
         "image never written to a pager.\n\nWrite it into the pager all the same?";
}

bool RestoreBackupToPager(Editor& editor, const std::string& path) {
  const BackupContents backup = ReadBackup(path);
  if (!backup.ok) {
    editor.msg.Show("Could not restore [" + path + "]: " + backup.error, MsgIcon::Warning);
    return false;
  }
  if (backup.checksumOk == false && !editor.msg.AskYesNo(DamagedBackupQuestion(path), MsgIcon::Warning))
    return false;

  // As around every transfer: no keep-alive writes while the bus runs, and
  // the bus parked when it ends, whatever happened.
  editor.host.SetTimer1(false);
  editor.state.RestoreBytes = backup.pagerBytes;
  editor.state.TransferMode = kRestoreMode;
  editor.host.DoEvents();
  try {
    editor.host.RunTransferDialog();
  } catch (...) {
    editor.host.SetTimer1(true);
    editor.host.ParkBus();
    throw;
  }
  editor.host.SetTimer1(true);
  editor.host.ParkBus();
  return true;
}

}  // namespace qrt
