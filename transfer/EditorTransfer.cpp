#include "transfer/EditorTransfer.h"

#include <string>

#include "base/Numbers.h"
#include "codecs/Capcode.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

// The leading number of a text, as the capcode increase reads a field: blanks
// skipped, then digits; anything else ends the number (an empty field is 0).
long long LeadingNumber(const std::string& text) {
  // Far above any capcode; the limit message follows.
  return static_cast<long long>(LeadingDigits(text, 1'000'000'000'000ULL));
}

}  // namespace

TransferOptions TransferOptionsOf(const Editor& editor, const StopRequest* stop) {
  const AppState& st = editor.state;
  TransferOptions options;
  options.keepBackups = st.KeepBackups;
  options.backupFirst = st.BackupBeforeWrite;
  options.backupsDir = st.BackupsDir;
  options.contrastChanged = st.ContrastChanged;
  options.listOnGp = editor.BandListOnGp();
  options.writeMode = editor.writeMode;
  options.tablePath = st.CurrentTablePath;
  options.stop = stop;
  return options;
}

TransferResult ReadIntoEditor(PagerTransfer& transfer, Editor& editor) {
  AppState& st = editor.state;
  const Editor::BandView before = editor.bandView();
  ReadTaker taker;
  taker.take = [&](const Image& image) -> std::string {
    st.ImageBackup = st.PagerImage;
    st.PagerImage = image;
    editor.DetectBand();
    st.DecodingFlag = false;
    st.DecodeError = 0;
    editor.ToDisplayCharset();
    editor.init_ctl();
    if (st.DecodeError == 0) return {};
    return "The data in this pager is wrong!(Error Code = " + std::to_string(st.DecodeError) + ")";
  };
  taker.undo = [&] {
    st.PagerImage = st.ImageBackup;
    editor.RestoreBandView(before);
    editor.init_ctl();
  };
  return transfer.Read(taker);
}

TransferResult VerifyEditorImage(PagerTransfer& transfer, Editor& editor) {
  return transfer.Verify(editor.state.PagerImage);
}

TransferResult WriteEditorImage(PagerTransfer& transfer, Editor& editor) {
  const TransferResult result = transfer.Write(editor.state.PagerImage);
  TakeWrittenImage(editor, result);
  return result;
}

TransferResult WriteBatchPager(PagerTransfer& transfer, Editor& editor, Messages& messages) {
  TransferResult result = transfer.BatchStep(editor.state.PagerImage);
  TakeWrittenImage(editor, result);
  const TransferObserver* line = transfer.observer();
  if (result.succeeded() && !(line && line->AssignsCapcodes())) {
    for (int index : {0, 1}) {
      const bool increases = index == 0 ? editor.state.AutoIncrement1 : editor.state.AutoIncrement2;
      if (!increases) continue;
      const std::string said = IncreaseCapcode(editor, index, messages);
      if (!said.empty()) result.message = said;  // the pager written stands
    }
  }
  return result;
}

TransferResult RestoreEditorBackup(PagerTransfer& transfer, Editor& editor) {
  return transfer.Restore(editor.state.RestoreBytes);
}

void TakeWrittenImage(Editor& editor, const TransferResult& result) {
  if (!result.image) return;
  editor.state.PagerImage = *result.image;
  if (result.ownByte) editor.state.ContrastReference = *result.ownByte;
  editor.read_capcode();
}

std::string IncreaseCapcode(Editor& editor, int index, Messages& messages) {
  TextState& field = editor.txtAddr[index];
  const long long value = LeadingNumber(field.text);
  if (value >= kCapcodeMax) {
    const std::string said = CapcodeLimitMessage(index);
    messages.Show(said, MsgIcon::Warning);
    return said;
  }
  field.text = std::to_string(value + 1);
  editor.StoreCapcodeField(index);
  editor.read_capcode();
  return {};
}

}  // namespace qrt
