#pragma once
// Table files (".tbl"): the raw 2048-byte image, address 0 first, no header.
// Open, Save As and Save of the File menu, and the silent open of default.tbl
// at start-up. The file dialogs and the window title come through TableFileUi
// so that the GUI, the CLI and the tests share every rule.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/PagerImage.h"

namespace qrt {

class Editor;
enum class DefaultTable;

class TableFileUi {
 public:
  virtual ~TableFileUi() = default;
  // The file dialogs, opened in dir; nullopt when the user cancels.
  virtual std::optional<std::string> ChooseOpenPath(const std::string& dir) = 0;
  virtual std::optional<std::string> ChooseSavePath(const std::string& dir) = 0;
  // The main window's title.
  virtual std::string Title() = 0;
  virtual void SetTitle(const std::string& title) = 0;
};

// File > Open (Ctrl+O). With state.UseCurrentTablePath the file at
// CurrentTablePath is opened without a dialog. The dialogs open in
// TableFolder, and a file chosen in one (not a backup) makes its folder the
// next TableFolder. True when the image was taken over.
bool OpenTableFile(Editor& editor, TableFileUi& ui);
// File > Save As... (Ctrl+A). With state.UseCurrentTablePath the image is
// written to CurrentTablePath without a dialog or a question. True when it
// was written.
bool SaveTableFileAs(Editor& editor, TableFileUi& ui);
// File > Save (Ctrl+S): Save As on CurrentTablePath.
bool SaveTableFile(Editor& editor, TableFileUi& ui);

// The File menu's handlers: the functions above, as the menu runs them.
void mnuLBFF_Click(Editor& editor, TableFileUi& ui);
void mnuSA_Click(Editor& editor, TableFileUi& ui);
void mnuSBTF_Click(Editor& editor, TableFileUi& ui);

// The window's default.tbl: the one opened at start (`open`; empty when there
// is none) and the one Save writes before any Open or Save As (`save`).
// The user's own ($XDG_CONFIG_HOME/qrt35/default.tbl, `userConfigDir`) comes
// first; else the one next to the program is opened. Save writes next to the
// program only where that folder is the user's own (a source build): never
// into an installed program's folder, whose files belong to the system.
struct DefaultTablePlace {
  std::string open;
  std::string save;
};
DefaultTablePlace ChooseDefaultTable(const std::string& programDir, const std::string& userConfigDir);

// True when the user owns `dir` and may write into it, and it is not part of
// the installed system (/usr).
bool IsUsersOwnFolder(const std::string& dir);

// Start-up: opens the default.tbl ChooseDefaultTable names for ProgramDir and
// UserConfigDir, and leaves CurrentTablePath at the one Save writes. Tells
// whether there was none, it was opened, or it was refused;
// Editor::ShowStartImage decides from that how the factory image is shown.
DefaultTable OpenDefaultTableAtStart(Editor& editor, TableFileUi& ui);

// The window title after opening or saving path.
std::string TitleWithPath(const std::string& title, const std::string& path);

// --- file primitives (also used by the CLI) --------------------------------
struct TableReadResult {
  bool ok = false;
  Image image{};           // the first 2048 bytes, the rest 0 for a short file
  int64_t size = 0;        // the bytes the file holds
  std::string error;       // reason when !ok, e.g. "Permission denied"
};
// Reads up to 2048 bytes of path. No format test.
TableReadResult ReadTableFile(const std::string& path);
// True when the image holds the model name at 0x3E1..0x3E5.
bool IsTableImage(const Image& image);
// Replaces path with exactly the 2048 bytes of image, as WriteFileAtomically
// (base/FileIo.h) does. Empty on success, otherwise the reason.
std::string WriteTableFileAtomically(const std::string& path, const Image& image);

}  // namespace qrt
