#include "transfer/Transfers.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <string>

#include "backup/Backups.h"
#include "base/Messages.h"
#include "base/Numbers.h"
#include "base/StopRequest.h"
#include "codecs/Capcode.h"
#include "codecs/Numeric.h"
#include "editor/Editor.h"
#include "image/Cp1252.h"
#include "link/Transport.h"

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
  // Far above any capcode; the limit message follows.
  return static_cast<long long>(LeadingDigits(text, 1'000'000'000'000ULL));
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

std::string ForeignPagerQuestion(const std::string& held) {
  return "The pager holds " + held + ", not a QRT35 image. Overwrite it?";
}

bool ChecksumCheckedForIdent(const std::string& identText) {
  if (identText.size() < static_cast<size_t>(addr::kIdentLength)) return false;
  const std::string digits{identText[10], identText[12], identText[13]};
  const std::optional<double> v = ParseNumeric(digits);
  return v && *v > 372;
}

Form2::Form2(Editor& editor, PagerTransport& link, Messages& messages)
    : editor_(editor), link_(link), msg_(messages) {}

Form2::Form2(Editor& editor, PagerTransport& link) : Form2(editor, link, editor.msg) {}

void Form2::Changed() {
  if (view_) view_->Form2Changed();
}

void Form2::Say(std::string_view text, MsgIcon icon) {
  msg_.Show(text, icon);
  result_.message = std::string(text);
}

void Form2::Heard(std::string_view text) { result_.message = std::string(text); }

TransferResult Form2::Finish() {
  result_.outcome = interrupted_         ? TransferOutcome::Interrupted
                    : link_.TransferError ? TransferOutcome::Failed
                                          : TransferOutcome::Succeeded;
  return result_;
}

bool Form2::StopNow() const { return stop_ && stop_->stopNow(); }

void Form2::Interrupt() {
  interrupted_ = true;
  link_.ParkBus();
  Say(kMsgInterrupted, MsgIcon::Warning);
  link_.TransferError = true;
}

void Form2::DoEvents() {
  if (view_) view_->DoEvents();
}

void Form2::Unload() {
  state.busy = false;
  state.closed = true;
  Changed();
}

TransferResult Form2::Form_Activate() {
  if (state.closed || state.busy) return {};
  result_ = {};
  interrupted_ = false;
  started_ = std::chrono::steady_clock::now();
  lastBusStep_.reset();
  switch (editor_.state.TransferMode) {
    case 0: return ReadTransfer();
    case 1: return WriteTransfer();
    case 2: return VerifyTransfer();
    case 3: return RestoreTransfer();
    default: return {};  // nothing to do; the dialog stays open
  }
}

TransferResult Form2::ReadTransfer() {
  state.busy = true;
  if (!link_.DetectBoard()) {
    Heard(link_.detectionMessage());
    Report(TransferKind::Read, nullptr, false);
    Unload();
    return result_;
  }
  eep_readall(0, ImageLastIndex);
  link_.BusStop();
  Finish();
  Report(TransferKind::Read, result_.succeeded() ? &readImage_ : nullptr, true);
  Unload();
  return result_;
}

TransferResult Form2::VerifyTransfer() {
  state.busy = true;
  if (!link_.DetectBoard()) {
    Heard(link_.detectionMessage());
    Report(TransferKind::Verify, nullptr, false);
    Unload();
    return result_;
  }
  holdSuccess_ = true;
  verify(editor_.state.PagerImage, 0, ImageLastIndex);
  holdSuccess_ = false;
  link_.BusStop();
  Finish();
  Report(TransferKind::Verify, &editor_.state.PagerImage, true);
  ShowHeldSuccess();
  Unload();
  return result_;
}

// Asks the production line whether this pager may be written (it may give
// it its capcodes); a refusal fails the transfer with the message shown.
bool Form2::MayWrite(TransferKind kind) {
  writeKind_ = kind;
  reachedAddress_ = -1;
  pagerBefore_.reset();
  capcodesReadBack_.reset();
  writeRefused_ = false;
  if (!observer_ || observer_->BeforeWrite(editor_, kind)) return true;
  link_.TransferError = true;
  result_.outcome = TransferOutcome::Failed;
  return false;
}

// After the backup read, before anything is written: the production line
// gives the pager its capcodes, knowing what the pager holds now.
bool Form2::AssignCapcodes(const Image* pagerBefore) {
  if (!observer_) return true;
  if (!observer_->AssignCapcodes(editor_, writeKind_, pagerBefore)) {
    writeRefused_ = true;
    return false;
  }
  if (writeKind_ == TransferKind::BatchStep) ShowBatchCapcodes();
  return true;
}

// The capcodes this pager receives, as the batch labels show them.
void Form2::ShowBatchCapcodes() {
  state.lblAuto1.text = kLblAuto1Caption + editor_.txtAddr[0].text;
  state.lblAuto2.text = kLblAuto2Caption + editor_.txtAddr[1].text;
  Changed();
}

void Form2::BusStep() { lastBusStep_ = std::chrono::steady_clock::now(); }

void Form2::Report(TransferKind kind, const Image* image, bool pagerTouched) {
  if (!observer_) return;
  TransferFacts facts;
  facts.kind = kind;
  facts.result = &result_;
  facts.image = image;
  facts.identText = ident_;
  facts.duration = std::chrono::duration_cast<std::chrono::milliseconds>(
      lastBusStep_.value_or(std::chrono::steady_clock::now()) - started_);
  facts.pagerTouched = pagerTouched;
  facts.reachedAddress = reachedAddress_;
  facts.pagerBefore = pagerBefore_ ? &*pagerBefore_ : nullptr;
  facts.capcodesReadBack = capcodesReadBack_ ? &*capcodesReadBack_ : nullptr;
  result_.record = observer_->AfterTransfer(editor_, facts);
}

void Form2::ShowHeldSuccess() {
  if (!successHeld_) return;
  successHeld_ = false;
  msg_.Show("Verify Success!", MsgIcon::None);
}

// One pager: the write (with its backup first when that is on), then the
// verify of all 2048 bytes when the write went through. "Verify Success!"
// waits for the record (ShowHeldSuccess).
void Form2::WriteAndVerify() {
  holdSuccess_ = true;
  tbl_writeall(editor_.state.PagerImage, 0, ImageLastIndex);
  link_.BusStop();
  if (!link_.TransferError) {
    verify(editor_.state.PagerImage, 0, ImageLastIndex);
    link_.BusStop();
  }
  holdSuccess_ = false;
  if (link_.TransferError && reachedAddress_ >= kCapcodeRecordsAddress) ReadBackCapcodes();
}

// A write that failed once its pages had reached the capcodes: what the
// pager holds there now tells the production line whether the capcodes it
// gave went in. Only a line that gives capcodes asks; the failure stands.
void Form2::ReadBackCapcodes() {
  if (!observer_ || !observer_->AssignsCapcodes() || !pagerBefore_) return;
  Image back = *pagerBefore_;
  link_.TransferError = false;
  const int last = kCapcodeRecordsAddress + kCapcodeCount * kCapcodeRecordSize - 1;
  if (link_.BlockRead(back, kCapcodeRecordsAddress, last)) capcodesReadBack_ = back;
  link_.ParkBus();
  link_.TransferError = true;
}

TransferResult Form2::WriteTransfer() {
  state.busy = true;
  if (!link_.DetectBoard()) {
    Heard(link_.detectionMessage());
    Report(TransferKind::Write, nullptr, false);
    Unload();
    return result_;
  }
  if (!editor_.writeMode) {
    Say("Modify Mode can not write! Please check!", MsgIcon::Warning);
    Unload();
    return result_;
  }
  const AppState& st = editor_.state;
  state.lblAuto1.visible = st.AutoIncrement1;
  state.lblAuto2.visible = st.AutoIncrement2;
  if (st.AutoIncrement1 || st.AutoIncrement2) {
    state.cmdWrite.visible = state.cmdExit.visible = true;
    state.cmdWrite.enabled = state.cmdExit.enabled = true;
    state.busy = false;
    Changed();
    if (state.closeRequested) {
      Unload();
      return result_;
    }
    result_.outcome = TransferOutcome::Waiting;
    return result_;  // the batch: one write per press of Write
  }
  if (!MayWrite(TransferKind::Write)) {
    Report(TransferKind::Write, nullptr, false);
    Unload();
    return result_;
  }
  WriteAndVerify();
  Finish();
  Report(TransferKind::Write, &editor_.state.PagerImage, !writeRefused_);
  ShowHeldSuccess();
  Unload();
  return result_;
}

TransferResult Form2::RestoreTransfer() {
  state.busy = true;
  const Image bytes = editor_.state.RestoreBytes;
  if (!link_.DetectBoard()) {
    Heard(link_.detectionMessage());
    Report(TransferKind::Restore, nullptr, false);
    Unload();
    return result_;
  }
  if (!MayWrite(TransferKind::Restore)) {
    Report(TransferKind::Restore, nullptr, false);
    Unload();
    return result_;
  }
  RestoreAndVerify(bytes);
  Finish();
  Report(TransferKind::Restore, &bytes, true);
  ShowHeldSuccess();
  Unload();
  return result_;
}

// The pager read and kept as before a write, then the backup's bytes as
// they are, only the pages that differ, then the verify of all 2048.
void Form2::RestoreAndVerify(const Image& bytes) {
  const AppState& st = editor_.state;
  link_.TransferError = false;
  const std::optional<Image> pager = ReadWholePager();
  pagerBefore_ = pager;
  if (!pager || !MayOverwrite(*pager)) {
    link_.BusStop();
    return;
  }
  if (st.KeepBackups) {
    const BackupSaved saved = SaveBackup(st.BackupsDir, BackupOfPagerBytes(*pager), std::time(nullptr));
    if (!saved.ok()) {
      Say(WriteStoppedByBackupMessage(saved), MsgIcon::Warning);
      link_.TransferError = true;
      link_.BusStop();
      return;
    }
    result_.backupPath = saved.path;
  }
  if (StopNow()) return Interrupt();
  StartProgress(kWriting, ImageLastIndex - 16, 0, /*systemHighlight=*/true);
  link_.TransferError = false;
  SendPages(bytes, 0, ImageLastIndex, &*pager);
  link_.BusStop();
  if (!link_.TransferError) {
    holdSuccess_ = true;  // "Verify Success!" waits for the record
    verify(bytes, 0, ImageLastIndex);
    holdSuccess_ = false;
    link_.BusStop();
  }
}

TransferResult Form2::cmdWrite_Click() {
  if (state.closed || state.busy || !state.cmdWrite.visible || !state.cmdWrite.enabled) return {};
  result_ = {};
  interrupted_ = false;
  started_ = std::chrono::steady_clock::now();
  lastBusStep_.reset();
  // Disabled for the whole press: the events the transfer lets run must not
  // start a second write or close the dialog under it.
  state.busy = true;
  state.cmdWrite.enabled = state.cmdExit.enabled = false;
  Changed();
  TransferResult pressed;
  if (MayWrite(TransferKind::BatchStep)) {
    // The capcodes this pager receives (those the production line gives
    // from its allocation show once the pager has been read).
    ShowBatchCapcodes();
    WriteAndVerify();
    pressed = Finish();
    Report(TransferKind::BatchStep, &editor_.state.PagerImage, !writeRefused_);
    ShowHeldSuccess();
    if (pressed.succeeded() && !(observer_ && observer_->AssignsCapcodes())) {
      if (editor_.state.AutoIncrement1) set_capcode(0);
      if (editor_.state.AutoIncrement2) set_capcode(1);
    }
  } else {
    pressed = result_;
    Report(TransferKind::BatchStep, nullptr, false);
  }

  state.cmdWrite.enabled = state.cmdExit.enabled = true;
  state.PB1.Value = 0;
  state.Label1.clear();
  state.busy = false;
  Changed();
  if (state.closeRequested) Unload();
  result_.outcome = pressed.outcome;  // a capcode at its limit does not undo the pager written
  return result_;
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
    if (link_.TransferError) return Heard(kMsgReadError);
    ident_.push_back(static_cast<char>(b));
  }
  if (ident_.compare(0, 5, kModelName) != 0) {
    // The window cannot show it, but the pager is kept all the same.
    if (st.KeepBackups) {
      StartProgress(kReading, last - 32, first, /*systemHighlight=*/false);
      Image pager{};
      if (link_.BlockRead(pager, 0, ImageLastIndex)) KeepBackup(pager);
      link_.ParkBus();
    }
    Say(NotQrt35Message(ident_), MsgIcon::Warning);
    link_.TransferError = true;
    return;
  }
  const bool checkChecksum = ChecksumCheckedForIdent(ident_);

  StartProgress(kReading, last - 32, first, /*systemHighlight=*/false);

  const Image restorePoint = st.PagerImage;
  const int bandIndexBefore = editor_.cboDft.index;
  const bool freqModVisibleBefore = editor_.chkCtl[kFreqModEnableBox].visible;
  link_.TransferError = false;

  const PagerTransport::StepResult read = link_.StoppableBlockRead(st.PagerImage, first, last, [&](int address) {
    BusStep();
    if (address >= last) return true;  // the final byte is not a progress step
    state.PB1.Value = address;
    Changed();
    return !StopNow();
  });
  if (read == PagerTransport::StepResult::Stopped) {
    st.PagerImage = restorePoint;  // nothing half read is taken over
    return Interrupt();
  }
  if (read == PagerTransport::StepResult::Failed) {
    link_.ParkBus();
    st.PagerImage = restorePoint;
    Say(kMsgReadError, MsgIcon::None);
    link_.TransferError = true;
    return;
  }
  if (checkChecksum && !ChecksumMatches(st.PagerImage, first, last)) {
    link_.ParkBus();
    Say("The data of pager is not complete correction !\n\n"
        "Please try to reprogram the pager or try to read again.",
        MsgIcon::None);
    // A pager left half written by a write cut short: its backup is the
    // damaged pager, and the list of backups says so.
    if (st.KeepBackups) KeepBackup(st.PagerImage);
    st.PagerImage = restorePoint;
    // Nothing was taken over; callers that test the flag (the command line)
    // must not count this as a read.
    link_.TransferError = true;
    return;
  }

  link_.ParkBus();
  Say("Read success!", MsgIcon::None);
  const Image asRead = st.PagerImage;  // the pager's own bytes, for its backup
  readImage_ = asRead;

  editor_.DetectBand();
  st.DecodingFlag = false;
  st.DecodeError = 0;
  editor_.ToDisplayCharset();
  editor_.init_ctl();

  if (st.DecodeError != 0) {
    Say("The data in this pager is wrong!(Error Code = " + std::to_string(st.DecodeError) + ")",
        MsgIcon::None);
    if (st.KeepBackups) KeepBackup(asRead);  // kept raw: the window cannot show it
    st.PagerImage = st.ImageBackup;
    RestoreWindowAfterDecodeError(bandIndexBefore, freqModVisibleBefore);
    editor_.init_ctl();
    // The pager's image was not taken over; the command line counts this as
    // a failed read (the dialog has already said what happened).
    link_.TransferError = true;
    return;
  }

  if (st.KeepBackups) KeepBackup(asRead);
}

// Every pager read whole is kept. The read itself stands or falls on its
// own; a backup that cannot be saved is said once and does not undo it.
void Form2::KeepBackup(const Image& pagerBytes) {
  const BackupSaved saved =
      SaveBackup(editor_.state.BackupsDir, BackupOfPagerBytes(pagerBytes), std::time(nullptr));
  if (saved.ok())
    result_.backupPath = saved.path;
  else
    Say(BackupFailedMessage(saved), MsgIcon::Warning);
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

// Reads the whole pager for its backup before a write. On failure: park,
// "Read error!", TransferError set.
std::optional<Image> Form2::ReadWholePager() {
  StartProgress(kReading, ImageLastIndex - 32, 0, /*systemHighlight=*/false);
  Image pager{};
  link_.TransferError = false;
  const PagerTransport::StepResult read = link_.StoppableBlockRead(pager, 0, ImageLastIndex, [&](int address) {
    BusStep();
    if (address >= ImageLastIndex) return true;
    state.PB1.Value = address;
    Changed();
    return !StopNow();
  });
  if (read == PagerTransport::StepResult::Stopped) {
    Interrupt();
    return std::nullopt;
  }
  if (read == PagerTransport::StepResult::Failed) {
    link_.ParkBus();
    Say(kMsgReadError, MsgIcon::None);
    link_.TransferError = true;
    return std::nullopt;
  }
  return pager;
}

// Asks before a pager that holds no QRT35 image is overwritten; No stops
// the transfer (TransferError set).
bool Form2::MayOverwrite(const Image& pager) {
  const std::string held = ForeignContents(pager);
  if (held.empty()) return true;
  const std::string question = ForeignPagerQuestion(held);
  if (msg_.AskYesNo(question, MsgIcon::Warning)) return true;
  Heard(question);
  link_.TransferError = true;
  return false;
}

void Form2::tbl_writeall(Image& image, int first, int last) {
  AppState& st = editor_.state;
  // A failure left over from an earlier press must not stop this write
  // without a word; only this write's own reads count.
  link_.TransferError = false;

  // With the backup on, the pager is read whole first: its backup, its own
  // byte and its hardware variant all come from that one read.
  std::optional<Image> pager;
  if (st.KeepBackups && st.BackupBeforeWrite) {
    pager = ReadWholePager();
    if (!pager) return;
    pagerBefore_ = pager;
    if (!MayOverwrite(*pager)) return;
  }
  // Another model's bytes at 0x0E9 and 0x00D mean nothing to this image:
  // a pager the user chose to overwrite gets the image's own.
  const bool foreign = pager && !HasModelName(*pager);

  if (!st.ContrastChanged && !foreign) {
    const uint8_t own = pager ? (*pager)[addr::kPagerOwnByte] : link_.eep_read1(addr::kPagerOwnByte);
    if (link_.TransferError) return Heard(kMsgReadError);
    image[addr::kPagerOwnByte] = own;
    st.ContrastReference = own;
  }

  link_.TransferError = false;
  const uint8_t hardware = pager ? (*pager)[addr::kHardwareVariant] : link_.eep_read1(addr::kHardwareVariant);
  if (link_.TransferError) return Heard(kMsgReadError);

  const bool listOnGp = editor_.cboDft.index == kGpBandEntry;
  const char* question = nullptr;
  if (!foreign && !listOnGp && hardware == 0)
    question = "he Pager is GP(RoHS) ! \nAre you sure to overwrite it ?";
  else if (!foreign && listOnGp && hardware != 0)
    question = "he Pager is Non GP(RoHS) ! \nAre you sure to overwrite it ?";
  if (question && !msg_.AskYesNo(question, MsgIcon::Warning)) {
    Heard(question);
    link_.TransferError = true;
    return;
  }

  if (pager) {
    // Nothing is written unless the pager's bytes are safe on the disk.
    const BackupSaved saved = SaveBackup(st.BackupsDir, BackupOfPagerBytes(*pager), std::time(nullptr));
    if (!saved.ok()) {
      Say(WriteStoppedByBackupMessage(saved), MsgIcon::Warning);
      link_.TransferError = true;
      return;
    }
    result_.backupPath = saved.path;
  }

  // Stopped before anything is written: the pager keeps what it held.
  if (StopNow()) return Interrupt();
  if (!AssignCapcodes(pager ? &*pager : nullptr)) {
    link_.TransferError = true;
    return;
  }

  image[addr::kWriteMarker] = 1;
  StoreChecksum(image, first, last);

  StartProgress(kWriting, last - 16, first, /*systemHighlight=*/true);
  link_.TransferError = false;

  // Pages the pager already holds are not sent again.
  SendPages(image, first, last, pager ? &*pager : nullptr);
}

// The link ends a complete write with STOP; on failure it has parked the
// bus, said "Write error!" and set TransferError. A stop request ends it
// after the page being sent.
void Form2::SendPages(const Image& image, int first, int last, const Image* pagerHolds) {
  const PagerTransport::StepResult written = link_.StoppablePageWrite(
      image, first, last,
      [&](int address) {
        BusStep();
        // Counted as reached before the stop is asked: an adapter has sent
        // the page by now, and a capcode is released only on proof.
        reachedAddress_ = std::max(reachedAddress_, address);
        state.PB1.Value = address;
        Changed();
        return !StopNow();
      },
      pagerHolds);
  if (written == PagerTransport::StepResult::Failed) Heard(kMsgWriteError);
  if (written == PagerTransport::StepResult::Stopped) Interrupt();
}

void Form2::verify(const Image& image, int first, int last) {
  StartProgress(kVerifying, last - 16, first, /*systemHighlight=*/false);
  link_.TransferError = false;

  const PagerTransport::SeqResult result =
      link_.SequentialRead(first, last, [&](int address, uint8_t value) {
        BusStep();
        if (address < last) {
          if (address > first && address % 16 == 0 && StopNow()) {
            Interrupt();
            return false;
          }
          if (value != image[address]) {
            link_.ParkBus();
            Say("Verify Error!", MsgIcon::None);
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
        // The bytes came back, but the pager itself may not be kept (the
        // simulated pager's file that cannot be saved): that is no success.
        const std::string failure = link_.PortFailure();
        if (value == image[address] && !failure.empty()) {
          Say(failure, MsgIcon::Warning);
          link_.TransferError = true;
        } else if (value == image[address]) {
          if (holdSuccess_) {
            Heard("Verify Success!");
            successHeld_ = true;
          } else {
            Say("Verify Success!", MsgIcon::None);
          }
        } else {
          Say("Verify Error!", MsgIcon::None);
          link_.TransferError = true;
        }
        return true;
      });
  if (result == PagerTransport::SeqResult::AddressingFailed) {
    Say(kMsgReadError, MsgIcon::None);
    link_.TransferError = true;
  }
}

void Form2::set_capcode(int index) {
  TextState& field = editor_.txtAddr[index];
  const long long value = LeadingNumber(field.text);
  if (value >= kMaxCapcode) {
    Say(CapcodeLimitMessage(index), MsgIcon::Warning);
    return;
  }
  field.text = std::to_string(value + 1);
  editor_.txtAddr_KeyUp(index, 0, 0);
  editor_.read_capcode();
}

}  // namespace qrt
