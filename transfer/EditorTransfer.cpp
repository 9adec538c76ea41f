#include "transfer/EditorTransfer.h"

#include <string>

#include "base/Numbers.h"
#include "codecs/Capcode.h"
#include "editor/Editor.h"

namespace qrt {
namespace {

// The band-list entry of GP(RoHS) hardware and the check box it hides.
constexpr int kGpBandEntry = 1;
constexpr int kFreqModEnableBox = 4;

// The leading number of a text, as the capcode increase reads a field: blanks
// skipped, then digits; anything else ends the number (an empty field is 0).
long long LeadingNumber(const std::string& text) {
  // Far above any capcode; the limit message follows.
  return static_cast<long long>(LeadingDigits(text, 1'000'000'000'000ULL));
}

// The band list and the "Frequency Modification Enable" box were set from the
// pager that could not be shown; with the previous image back they must
// describe that image again, or the next write asks the hardware question
// against the wrong band. First the window as it was before the read, then
// the band detection of the restored image where it recognises the band.
void RestoreWindowAfterDecodeError(Editor& editor, int bandIndexBefore, bool freqModVisibleBefore) {
  AppState& st = editor.state;
  if (bandIndexBefore >= 0 && bandIndexBefore < static_cast<int>(editor.cboDft.entries.size())) {
    st.DecodingFlag = true;  // the list's click handler must not apply band defaults
    editor.SetListIndex({Ctl::cboDft, 0}, bandIndexBefore);
  } else {
    editor.cboDft.index = bandIndexBefore;
  }
  st.DecodingFlag = false;
  editor.chkCtl[kFreqModEnableBox].visible = freqModVisibleBefore;
  editor.DetectBand();
  st.DecodingFlag = false;
}

}  // namespace

TransferOptions TransferOptionsOf(const Editor& editor, const StopRequest* stop) {
  const AppState& st = editor.state;
  TransferOptions options;
  options.keepBackups = st.KeepBackups;
  options.backupFirst = st.BackupBeforeWrite;
  options.backupsDir = st.BackupsDir;
  options.contrastChanged = st.ContrastChanged;
  options.listOnGp = editor.cboDft.index == kGpBandEntry;
  options.writeMode = editor.writeMode;
  options.tablePath = st.CurrentTablePath;
  options.stop = stop;
  return options;
}

TransferResult ReadIntoEditor(PagerTransfer& transfer, Editor& editor) {
  AppState& st = editor.state;
  const int bandIndexBefore = editor.cboDft.index;
  const bool freqModVisibleBefore = editor.chkCtl[kFreqModEnableBox].visible;
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
    RestoreWindowAfterDecodeError(editor, bandIndexBefore, freqModVisibleBefore);
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
