#pragma once
// File > Restore Backup to Pager... and `qrt35 restore BACKUP`: a backup put
// back into a pager exactly as it was taken. Both front ends call this one
// function; the transfer runs in the transfer dialog like any other.
#include <string>

namespace qrt {

class Editor;

// The question before a backup whose pager checksum is wrong is written.
std::string DamagedBackupQuestion(const std::string& path);

// Reads the backup at `path` (.tbl or .bin, any model) and writes its bytes
// into the pager through the editor's transfer dialog (TransferMode 3): the
// pager read and kept first, its pages written where they differ, all 2048
// bytes verified, the transfer recorded as a write. The window's own image
// is left as it is. A backup that cannot be read is refused with a message;
// one whose checksum is wrong is written only when the user says Yes. False
// when no transfer ran.
bool RestoreBackupToPager(Editor& editor, const std::string& path);

}  // namespace qrt
