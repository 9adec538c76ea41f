#pragma once
// The transfers of the editor's image: what the Pager menu's commands hand
// to a PagerTransfer (the image in the pager's character set, the options
// the editor holds) and what they take back (the image read, with its band
// and controls; the image as written, with the capcodes the production line
// gave). The transfer dialog (Form2) and the command line both run them.
#include <string>

#include "base/Messages.h"
#include "transfer/PagerTransfer.h"

namespace qrt {

class Editor;
class StopRequest;

// The options of a transfer as the editor holds them: backups, contrast,
// the band list's entry, Write Mode, the table file; `stop` as given.
TransferOptions TransferOptionsOf(const Editor& editor, const StopRequest* stop);

// Pager > Read: the pager's image taken over by the editor (band, display
// character set, controls). A pager whose image the editor cannot show
// ("The data in this pager is wrong!") is kept only in its backup, and the
// editor is put back as it was.
TransferResult ReadIntoEditor(PagerTransfer& transfer, Editor& editor);
// Pager > Verfy against the editor's image.
TransferResult VerifyEditorImage(PagerTransfer& transfer, Editor& editor);
// Pager > Write of one pager; the image as written goes back to the editor.
TransferResult WriteEditorImage(PagerTransfer& transfer, Editor& editor);
// One pager of the batch; the image as written goes back to the editor,
// and after a pager verified the capcodes that go up are increased (when
// no production line gives capcodes), a capcode at its limit said.
TransferResult WriteBatchPager(PagerTransfer& transfer, Editor& editor, Messages& messages);
// The backup in state.RestoreBytes written back into the pager.
TransferResult RestoreEditorBackup(PagerTransfer& transfer, Editor& editor);

// The image a write sent (or got as far as) becomes the editor's, with the
// pager's own byte as the contrast's reference and the capcode fields
// showing the capcodes it went out with.
void TakeWrittenImage(Editor& editor, const TransferResult& result);

// Adds one to the capcode in Cap #index+1's field and stores it; the text
// shown when it is at its limit (said), else empty.
std::string IncreaseCapcode(Editor& editor, int index, Messages& messages);

}  // namespace qrt
