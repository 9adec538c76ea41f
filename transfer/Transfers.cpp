#include "transfer/Transfers.h"

#include <optional>
#include <string>

#include "base/Messages.h"
#include "editor/Editor.h"
#include "editor/Numeric.h"
#include "image/Cp1252.h"
#include "link/PagerLink.h"

namespace qrt {
namespace {

constexpr const char* kReading = "Reading Now.......";
constexpr const char* kWriting = "Writing Now.......";
constexpr const char* kVerifying = "Verifying Now.....";

// The band-list entry of GP(RoHS) hardware and the check box it hides.
constexpr int kGpBandEntry = 1;
constexpr int kFreqModEnableBox = 4;

// The leading number of a text, as the capcode increase reads a field: blanks
// skipped, then digits; anything else ends the number (an empty field is 0).
long long LeadingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  long long v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > 1'000'000'000'000LL) break;  // far above any capcode; the limit message follows
  }
  return v;
}

}  // namespace

Form2State::Form2State() {
  lblAuto1.text = kLblAuto1Caption;
  lblAuto2.text = kLblAuto2Caption;
  lblAuto1.visible = lblAuto2.visible = false;
  cmdWrite.visible = cmdExit.visible = false;
}

std::string NotQrt35Message(const std::string& identText) {
  std::string id = identText;
  id.resize(addr::kIdentLength, ' ');
  return "This pager is not QRT35 !\n\nIt is " + Cp1252ToUtf8(id.substr(0, 5)) + " ( PCB " +
         Cp1252ToUtf8(id.substr(5, 4)) + ", Software " + Cp1252ToUtf8(id.substr(9, 5)) + " )";
}

std::string CapcodeLimitMessage(int index) {
  return "Capcode " + std::to_string(index + 1) + " > 2097151 so can not be increase!";
}

bool ChecksumCheckedForIdent(const std::string& identText) {
  if (identText.size() < static_cast<size_t>(addr::kIdentLength)) return false;
  const std::string digits{identText[10], identText[12], identText[13]};
  const std::optional<double> v = ParseNumeric(digits);
  return v && *v > 372;
}

Form2::Form2(Editor& editor, PagerLink& link, Messages& messages)
    : editor_(editor), link_(link), msg_(messages) {}

Form2::Form2(Editor& editor, PagerLink& link) : Form2(editor, link, editor.msg) {}

void Form2::Changed() {
  if (view_) view_->Form2Changed();
}

void Form2::DoEvents() {
  if (view_) view_->DoEvents();
}

void Form2::Unload() {
  state.busy = false;
  state.closed = true;
  Changed();
}

void Form2::Form_Activate() {
  if (state.closed || state.busy) return;
  switch (editor_.state.TransferMode) {
    case 0: ReadTransfer(); break;
    case 1: WriteTransfer(); break;
    case 2: VerifyTransfer(); break;
    default: break;  // nothing to do; the dialog stays open
  }
}

void Form2::ReadTransfer() {
  state.busy = true;
  if (link_.DetectBoard()) {
    eep_readall(0, ImageLastIndex);
    link_.BusStop();
  }
  Unload();
}

void Form2::VerifyTransfer() {
  state.busy = true;
  if (link_.DetectBoard()) {
    verify(editor_.state.PagerImage, 0, ImageLastIndex);
    link_.BusStop();
  }
  Unload();
}

void Form2::WriteTransfer() {
  state.busy = true;
  if (!link_.DetectBoard()) {
    Unload();
    return;
  }
  if (!editor_.writeMode) {
    msg_.Show("Modify Mode can not write! Please check!", MsgIcon::Warning);
    Unload();
    return;
  }
  const AppState& st = editor_.state;
  state.lblAuto1.visible = st.AutoIncrement1;
  state.lblAuto2.visible = st.AutoIncrement2;
  if (st.AutoIncrement1 || st.AutoIncrement2) {
    state.cmdWrite.visible = state.cmdExit.visible = true;
    state.cmdWrite.enabled = state.cmdExit.enabled = true;
    state.busy = false;
    Changed();
    if (state.closeRequested) Unload();
    return;  // the batch: one write per press of Write
  }
  tbl_writeall(editor_.state.PagerImage, 0, ImageLastIndex);
  link_.BusStop();
  if (!link_.TransferError) {
    verify(editor_.state.PagerImage, 0, ImageLastIndex);
    link_.BusStop();
  }
  Unload();
}

void Form2::cmdWrite_Click() {
  if (state.closed || state.busy || !state.cmdWrite.visible || !state.cmdWrite.enabled) return;
  // Disabled for the whole press: the events the transfer lets run must not
  // start a second write or close the dialog under it.
  state.busy = true;
  state.cmdWrite.enabled = state.cmdExit.enabled = false;
  state.lblAuto1.text = kLblAuto1Caption + editor_.txtAddr[0].text;
  state.lblAuto2.text = kLblAuto2Caption + editor_.txtAddr[1].text;
  Changed();

  tbl_writeall(editor_.state.PagerImage, 0, ImageLastIndex);
  link_.BusStop();
  if (!link_.TransferError) {
    verify(editor_.state.PagerImage, 0, ImageLastIndex);
    link_.BusStop();
  }
  if (!link_.TransferError) {
    if (editor_.state.AutoIncrement1) set_capcode(0);
    if (editor_.state.AutoIncrement2) set_capcode(1);
  }

  state.cmdWrite.enabled = state.cmdExit.enabled = true;
  state.PB1.Value = 0;
  state.Label1.clear();
  state.busy = false;
  Changed();
  if (state.closeRequested) Unload();
}

void Form2::cmdExit_Click() {
  if (state.closed || state.busy || !state.cmdExit.enabled) return;
  Unload();
}

void Form2::Close1_Click() {
  if (state.closed) return;
  if (state.busy) {
    // Closing in the middle of a transfer would leave the bus and the image
    // half done; the dialog closes as soon as the transfer has ended.
    state.closeRequested = true;
    return;
  }
  Unload();
}

// Shows a transfer starting: its status text and the bar at `first` of `max`
// (the read and verify bar purple, the write bar in the highlight colour).
void Form2::StartProgress(const char* label, int max, int first, bool systemHighlight) {
  state.PB1.Max = max;
  state.PB1.Value = first;
  state.PB1.Color = kProgressPurple;
  state.PB1.SystemHighlight = systemHighlight;
  state.Label1 = label;
  Changed();
  DoEvents();
}

void Form2::eep_readall(int first, int last) {
  AppState& st = editor_.state;
  st.ImageBackup = st.PagerImage;
  link_.TransferError = false;

  ident_.clear();
  for (int i = 0; i < addr::kIdentLength; ++i) {
    const uint8_t b = link_.eep_read1(addr::kIdentString + i);
    if (link_.TransferError) return;  // eep_read1 has said "Read error!"
    ident_.push_back(static_cast<char>(b));
  }
  if (ident_.compare(0, 5, kModelName) != 0) {
    msg_.Show(NotQrt35Message(ident_), MsgIcon::Warning);
    link_.TransferError = true;
    return;
  }
  const bool checkChecksum = ChecksumCheckedForIdent(ident_);

  StartProgress(kReading, last - 32, first, /*systemHighlight=*/false);

  const Image restorePoint = st.PagerImage;
  const int bandIndexBefore = editor_.cboDft.index;
  const bool freqModVisibleBefore = editor_.chkCtl[kFreqModEnableBox].visible;
  link_.TransferError = false;

  const bool read = link_.BlockRead(st.PagerImage, first, last, [&](int address) {
    if (address >= last) return;  // the final byte is not a progress step
    state.PB1.Value = address;
    Changed();
  });
  if (!read) {
    link_.ParkBus();
    st.PagerImage = restorePoint;
    msg_.Show("Read error!", MsgIcon::None);
    link_.TransferError = true;
    return;
  }
  if (checkChecksum && !ChecksumMatches(st.PagerImage, first, last)) {
    link_.ParkBus();
    msg_.Show("The data of pager is not complete correction !\n\n"
              "Please try to reprogram the pager or try to read again.",
              MsgIcon::None);
    st.PagerImage = restorePoint;
    // Nothing was taken over; callers that test the flag (the command line)
    // must not count this as a read.
    link_.TransferError = true;
    return;
  }

  link_.ParkBus();
  msg_.Show("Read success!", MsgIcon::None);

  editor_.DetectBand();
  st.DecodingFlag = false;
  st.DecodeError = 0;
  editor_.ToDisplayCharset();
  editor_.init_ctl();

  if (st.DecodeError != 0) {
    msg_.Show("The data in this pager is wrong!(Error Code = " + std::to_string(st.DecodeError) + ")",
              MsgIcon::None);
    st.PagerImage = st.ImageBackup;
    RestoreWindowAfterDecodeError(bandIndexBefore, freqModVisibleBefore);
    editor_.init_ctl();
    // The pager's image was not taken over; the command line counts this as
    // a failed read (the dialog has already said what happened).
    link_.TransferError = true;
  }
}

// The band list and the "Frequency Modification Enable" box were set from the
// pager that could not be shown; with the previous image back they must
// describe that image again, or the next write asks the hardware question
// against the wrong band. First the window as it was before the read, then
// the band detection of the restored image where it recognises the band.
void Form2::RestoreWindowAfterDecodeError(int bandIndexBefore, bool freqModVisibleBefore) {
  AppState& st = editor_.state;
  if (bandIndexBefore >= 0 && bandIndexBefore < static_cast<int>(editor_.cboDft.entries.size())) {
    st.DecodingFlag = true;  // the list's click handler must not apply band defaults
    editor_.SetListIndex({Ctl::cboDft, 0}, bandIndexBefore);
  } else {
    editor_.cboDft.index = bandIndexBefore;
  }
  st.DecodingFlag = false;
  editor_.chkCtl[kFreqModEnableBox].visible = freqModVisibleBefore;
  editor_.DetectBand();
  st.DecodingFlag = false;
}

void Form2::tbl_writeall(Image& image, int first, int last) {
  AppState& st = editor_.state;
  // A failure left over from an earlier press must not stop this write
  // without a word; only this write's own reads count.
  link_.TransferError = false;
  if (!st.ContrastChanged) {
    const uint8_t own = link_.eep_read1(addr::kPagerOwnByte);
    if (link_.TransferError) return;
    image[addr::kPagerOwnByte] = own;
    st.ContrastReference = own;
  }

  link_.TransferError = false;
  const uint8_t hardware = link_.eep_read1(addr::kHardwareVariant);
  if (link_.TransferError) return;

  const bool listOnGp = editor_.cboDft.index == kGpBandEntry;
  if (!listOnGp && hardware == 0) {
    if (!msg_.AskYesNo("he Pager is GP(RoHS) ! \nAre you sure to overwrite it ?", MsgIcon::Warning)) {
      link_.TransferError = true;
      return;
    }
  } else if (listOnGp && hardware != 0) {
    if (!msg_.AskYesNo("he Pager is Non GP(RoHS) ! \nAre you sure to overwrite it ?", MsgIcon::Warning)) {
      link_.TransferError = true;
      return;
    }
  }

  image[addr::kWriteMarker] = 1;
  StoreChecksum(image, first, last);

  StartProgress(kWriting, last - 16, first, /*systemHighlight=*/true);
  link_.TransferError = false;

  // The link ends a complete write with STOP; on failure it has parked the
  // bus, said "Write error!" and set TransferError.
  link_.PageWrite(image, first, last, [&](int address) {
    state.PB1.Value = address;
    Changed();
  });
}

void Form2::verify(const Image& image, int first, int last) {
  StartProgress(kVerifying, last - 16, first, /*systemHighlight=*/false);
  link_.TransferError = false;

  const PagerLink::SeqResult result =
      link_.SequentialRead(first, last, [&](int address, uint8_t value) {
        if (address < last) {
          if (value != image[address]) {
            link_.ParkBus();
            msg_.Show("Verify Error!", MsgIcon::None);
            link_.TransferError = true;
            return false;  // the link ends the read with a NACKed byte and STOP
          }
          if (address % 16 == 0) {
            state.PB1.Value = address;
            Changed();
          }
          return true;
        }
        link_.ParkBus();
        if (value == image[address]) {
          msg_.Show("Verify Success!", MsgIcon::None);
        } else {
          msg_.Show("Verify Error!", MsgIcon::None);
          link_.TransferError = true;
        }
        return true;
      });
  if (result == PagerLink::SeqResult::AddressingFailed) {
    msg_.Show("Read error!", MsgIcon::None);
    link_.TransferError = true;
  }
}

void Form2::set_capcode(int index) {
  TextState& field = editor_.txtAddr[index];
  const long long value = LeadingNumber(field.text);
  if (value >= kMaxCapcode) {
    msg_.Show(CapcodeLimitMessage(index), MsgIcon::Warning);
    return;
  }
  field.text = std::to_string(value + 1);
  editor_.txtAddr_KeyUp(index, 0, 0);
  editor_.read_capcode();
}

}  // namespace qrt
