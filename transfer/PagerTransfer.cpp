#include "transfer/PagerTransfer.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <string>

#include "backup/Backups.h"
#include "base/Messages.h"
#include "base/StopRequest.h"
#include "codecs/Capcode.h"
#include "codecs/Numeric.h"
#include "image/Cp1252.h"
#include "link/Transport.h"

namespace qrt {
namespace {

constexpr const char* kReading = "Reading Now.......";
constexpr const char* kWriting = "Writing Now.......";
constexpr const char* kVerifying = "Verifying Now.....";

constexpr int kFirst = 0;
constexpr int kLast = ImageLastIndex;

}  // namespace

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

PagerTransfer::PagerTransfer(PagerTransport& link, Messages& messages) : link_(link), msg_(messages) {}

void PagerTransfer::Say(std::string_view text, MsgIcon icon) {
  msg_.Show(text, icon);
  result_.message = std::string(text);
}

void PagerTransfer::Heard(std::string_view text) { result_.message = std::string(text); }

void PagerTransfer::Begin() {
  result_ = {};
  interrupted_ = false;
  // Nothing of the last pager is evidence about this one.
  reachedAddress_ = -1;
  pagerBefore_.reset();
  capcodesReadBack_.reset();
  started_ = std::chrono::steady_clock::now();
  lastBusStep_.reset();
}

// No board, no transfer: what the link said is the transfer's message, and
// the production line records it as failed.
bool PagerTransfer::BoardAnswers(TransferKind kind) {
  if (link_.DetectBoard()) return true;
  Heard(link_.detectionMessage());
  Report(kind, nullptr, false);
  return false;
}

TransferResult PagerTransfer::Finish() {
  result_.outcome = interrupted_         ? TransferOutcome::Interrupted
                    : link_.TransferError ? TransferOutcome::Failed
                                          : TransferOutcome::Succeeded;
  return result_;
}

bool PagerTransfer::StopNow() const { return options_.stop && options_.stop->stopNow(); }

void PagerTransfer::Interrupt() {
  interrupted_ = true;
  link_.ParkBus();
  Say(kMsgInterrupted, MsgIcon::Warning);
  link_.TransferError = true;
}

// A transfer starting: its status text and the bar at `first` of `max`
// (the read and verify bar purple, the write bar in the highlight colour).
void PagerTransfer::Phase(const char* label, int max, int first, bool systemHighlight) {
  if (!progress_) return;
  progress_->Phase(label, max, first, systemHighlight);
  progress_->DoEvents();
}

void PagerTransfer::Step(int value) {
  if (progress_) progress_->Step(value);
}

void PagerTransfer::BusStep() { lastBusStep_ = std::chrono::steady_clock::now(); }

void PagerTransfer::Report(TransferKind kind, const Image* image, bool pagerTouched) {
  if (!observer_) return;
  TransferFacts facts;
  facts.kind = kind;
  facts.result = &result_;
  facts.image = image;
  facts.identText = result_.identText;
  facts.tablePath = options_.tablePath;
  facts.duration = std::chrono::duration_cast<std::chrono::milliseconds>(
      lastBusStep_.value_or(std::chrono::steady_clock::now()) - started_);
  facts.pagerTouched = pagerTouched;
  facts.reachedAddress = reachedAddress_;
  facts.pagerBefore = pagerBefore_ ? &*pagerBefore_ : nullptr;
  facts.capcodesReadBack = capcodesReadBack_ ? &*capcodesReadBack_ : nullptr;
  result_.record = observer_->AfterTransfer(facts);
}

void PagerTransfer::ShowHeldSuccess() {
  if (!successHeld_) return;
  successHeld_ = false;
  msg_.Show("Verify Success!", MsgIcon::None);
}

// ---------------------------------------------------------------- read

TransferResult PagerTransfer::Read(const ReadTaker& taker) {
  Begin();
  if (!BoardAnswers(TransferKind::Read)) return result_;
  ReadAll(taker);
  link_.BusStop();
  Finish();
  Report(TransferKind::Read, result_.succeeded() && result_.image ? &*result_.image : nullptr, true);
  return result_;
}

void PagerTransfer::ReadAll(const ReadTaker& taker) {
  link_.TransferError = false;

  std::string& ident = result_.identText;
  for (int i = 0; i < addr::kIdentLength; ++i) {
    const uint8_t b = link_.eep_read1(addr::kIdentString + i);
    if (link_.TransferError) return Heard(kMsgReadError);
    ident.push_back(static_cast<char>(b));
  }
  if (ident.compare(0, 5, kModelName) != 0) {
    // Nobody can take it, but the pager is kept all the same.
    if (options_.keepBackups) {
      Phase(kReading, kLast - 32, kFirst, /*systemHighlight=*/false);
      Image pager{};
      if (link_.BlockRead(pager, 0, ImageLastIndex)) KeepBackup(pager);
      link_.ParkBus();
    }
    Say(NotQrt35Message(ident), MsgIcon::Warning);
    link_.TransferError = true;
    return;
  }
  const bool checkChecksum = ChecksumCheckedForIdent(ident);

  Phase(kReading, kLast - 32, kFirst, /*systemHighlight=*/false);
  link_.TransferError = false;

  Image pager{};
  const PagerTransport::StepResult read = link_.StoppableBlockRead(pager, kFirst, kLast, [&](int address) {
    BusStep();
    if (address >= kLast) return true;  // the final byte is not a progress step
    Step(address);
    return !StopNow();
  });
  if (read == PagerTransport::StepResult::Stopped) return Interrupt();  // nothing half read is taken over
  if (read == PagerTransport::StepResult::Failed) {
    link_.ParkBus();
    Say(kMsgReadError, MsgIcon::None);
    link_.TransferError = true;
    return;
  }
  if (checkChecksum && !ChecksumMatches(pager, kFirst, kLast)) {
    link_.ParkBus();
    Say("The data of pager is not complete correction !\n\n"
        "Please try to reprogram the pager or try to read again.",
        MsgIcon::None);
    // A pager left half written by a write cut short: its backup is the
    // damaged pager, and the list of backups says so.
    if (options_.keepBackups) KeepBackup(pager);
    // Nothing was taken over; callers that test the flag (the command line)
    // must not count this as a read.
    link_.TransferError = true;
    return;
  }

  link_.ParkBus();
  Say("Read success!", MsgIcon::None);
  result_.image = pager;  // the pager's own bytes, for its backup and record

  const std::string refused = taker.take ? taker.take(pager) : std::string();
  if (!refused.empty()) {
    Say(refused, MsgIcon::None);
    if (options_.keepBackups) KeepBackup(pager);  // kept raw: nobody can show it
    if (taker.undo) taker.undo();
    // The pager's image was not taken over: a failed read (the message has
    // said what happened).
    link_.TransferError = true;
    return;
  }

  if (options_.keepBackups) KeepBackup(pager);
}

// Every pager read whole is kept. The read itself stands or falls on its
// own; a backup that cannot be saved is said once and does not undo it.
void PagerTransfer::KeepBackup(const Image& pagerBytes) {
  const BackupSaved saved = SaveBackup(options_.backupsDir, BackupOfPagerBytes(pagerBytes), std::time(nullptr));
  if (saved.ok())
    result_.backupPath = saved.path;
  else
    Say(BackupFailedMessage(saved), MsgIcon::Warning);
}

// Reads the whole pager for its backup before a write. On failure: park,
// "Read error!", TransferError set.
std::optional<Image> PagerTransfer::ReadWholePager() {
  Phase(kReading, ImageLastIndex - 32, 0, /*systemHighlight=*/false);
  Image pager{};
  link_.TransferError = false;
  const PagerTransport::StepResult read = link_.StoppableBlockRead(pager, 0, ImageLastIndex, [&](int address) {
    BusStep();
    if (address >= ImageLastIndex) return true;
    Step(address);
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
bool PagerTransfer::MayOverwrite(const Image& pager) {
  const std::string held = ForeignContents(pager);
  if (held.empty()) return true;
  const std::string question = ForeignPagerQuestion(held);
  if (msg_.AskYesNo(question, MsgIcon::Warning)) return true;
  Heard(question);
  link_.TransferError = true;
  return false;
}

// ---------------------------------------------------------------- verify

TransferResult PagerTransfer::Verify(const Image& image) {
  Begin();
  if (!BoardAnswers(TransferKind::Verify)) return result_;
  holdSuccess_ = true;
  VerifyAgainst(image);
  holdSuccess_ = false;
  link_.BusStop();
  Finish();
  Report(TransferKind::Verify, &image, true);
  ShowHeldSuccess();
  return result_;
}

void PagerTransfer::VerifyAgainst(const Image& image) {
  Phase(kVerifying, kLast - 16, kFirst, /*systemHighlight=*/false);
  link_.TransferError = false;

  const PagerTransport::SeqResult result = link_.SequentialRead(kFirst, kLast, [&](int address, uint8_t value) {
    BusStep();
    if (address < kLast) {
      if (address > kFirst && address % 16 == 0 && StopNow()) {
        Interrupt();
        return false;
      }
      if (value != image[address]) {
        link_.ParkBus();
        Say("Verify Error!", MsgIcon::None);
        link_.TransferError = true;
        return false;  // the link ends the read with a NACKed byte and STOP
      }
      if (address % 16 == 0) Step(address);
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

// ---------------------------------------------------------------- write

TransferResult PagerTransfer::Write(const Image& image) {
  Begin();
  image_ = image;
  if (!BoardAnswers(TransferKind::Write)) return result_;
  if (!options_.writeMode) {
    Say("Modify Mode can not write! Please check!", MsgIcon::Warning);
    return result_;
  }
  return WriteOne(TransferKind::Write);
}

TransferResult PagerTransfer::OpenBatch() {
  Begin();
  if (!BoardAnswers(TransferKind::Write)) return result_;
  if (!options_.writeMode) {
    Say("Modify Mode can not write! Please check!", MsgIcon::Warning);
    return result_;
  }
  result_.outcome = TransferOutcome::Waiting;
  return result_;
}

TransferResult PagerTransfer::BatchStep(const Image& image) {
  Begin();
  image_ = image;
  return WriteOne(TransferKind::BatchStep);
}

// One pager: asked of the production line, written (with its backup first
// when that is on), verified, recorded, and only then said verified.
TransferResult PagerTransfer::WriteOne(TransferKind kind) {
  if (!MayWrite(kind)) {
    result_.image = image_;
    Report(kind, nullptr, false);
    return result_;
  }
  // The capcodes this pager receives (those the production line gives from
  // its allocation follow once the pager has been read).
  if (kind == TransferKind::BatchStep && progress_) progress_->CapcodesGiven(image_);
  WriteAndVerify();
  Finish();
  result_.image = image_;
  Report(kind, &image_, !writeRefused_);
  ShowHeldSuccess();
  return result_;
}

// Asks the production line whether this pager may be written (it may give
// it its capcodes); a refusal fails the transfer with the message shown.
bool PagerTransfer::MayWrite(TransferKind kind) {
  writeKind_ = kind;
  writeRefused_ = false;
  if (!observer_ || observer_->BeforeWrite(image_, kind)) return true;
  link_.TransferError = true;
  result_.outcome = TransferOutcome::Failed;
  return false;
}

// After the backup read, before anything is written: the production line
// gives the pager its capcodes, knowing what the pager holds now.
bool PagerTransfer::AssignCapcodes(const Image* pagerBefore) {
  if (!observer_) return true;
  if (!observer_->AssignCapcodes(image_, writeKind_, pagerBefore)) {
    writeRefused_ = true;
    return false;
  }
  if (writeKind_ == TransferKind::BatchStep && progress_) progress_->CapcodesGiven(image_);
  return true;
}

// The write (with its backup first when that is on), then the verify of all
// 2048 bytes when the write went through. "Verify Success!" waits for the
// record (ShowHeldSuccess).
void PagerTransfer::WriteAndVerify() {
  holdSuccess_ = true;
  WriteImage();
  link_.BusStop();
  if (!link_.TransferError) {
    VerifyAgainst(image_);
    link_.BusStop();
  }
  holdSuccess_ = false;
  if (link_.TransferError && reachedAddress_ >= kCapcodeRecordsAddress) ReadBackCapcodes();
}

// A write that failed once its pages had reached the capcodes: what the
// pager holds there now tells the production line whether the capcodes it
// gave went in. Only a line that gives capcodes asks; the failure stands.
void PagerTransfer::ReadBackCapcodes() {
  if (!observer_ || !observer_->AssignsCapcodes() || !pagerBefore_) return;
  Image back = *pagerBefore_;
  link_.TransferError = false;
  const int last = kCapcodeRecordsAddress + kCapcodeCount * kCapcodeRecordSize - 1;
  if (link_.BlockRead(back, kCapcodeRecordsAddress, last)) capcodesReadBack_ = back;
  link_.ParkBus();
  link_.TransferError = true;
}

void PagerTransfer::WriteImage() {
  Image& image = image_;
  // A failure left over from an earlier pager must not stop this write
  // without a word; only this write's own reads count.
  link_.TransferError = false;

  // With the backup on, the pager is read whole first: its backup, its own
  // byte and its hardware variant all come from that one read.
  std::optional<Image> pager;
  if (options_.keepBackups && options_.backupFirst) {
    pager = ReadWholePager();
    if (!pager) return;
    pagerBefore_ = pager;
    if (!MayOverwrite(*pager)) return;
  }
  // Another model's bytes at 0x0E9 and 0x00D mean nothing to this image:
  // a pager the user chose to overwrite gets the image's own.
  const bool foreign = pager && !HasModelName(*pager);

  if (!options_.contrastChanged && !foreign) {
    const uint8_t own = pager ? (*pager)[addr::kPagerOwnByte] : link_.eep_read1(addr::kPagerOwnByte);
    if (link_.TransferError) return Heard(kMsgReadError);
    image[addr::kPagerOwnByte] = own;
    result_.ownByte = own;
  }

  link_.TransferError = false;
  const uint8_t hardware = pager ? (*pager)[addr::kHardwareVariant] : link_.eep_read1(addr::kHardwareVariant);
  if (link_.TransferError) return Heard(kMsgReadError);

  const char* question = nullptr;
  if (!foreign && !options_.listOnGp && hardware == 0)
    question = "he Pager is GP(RoHS) ! \nAre you sure to overwrite it ?";
  else if (!foreign && options_.listOnGp && hardware != 0)
    question = "he Pager is Non GP(RoHS) ! \nAre you sure to overwrite it ?";
  if (question && !msg_.AskYesNo(question, MsgIcon::Warning)) {
    Heard(question);
    link_.TransferError = true;
    return;
  }

  if (pager) {
    // Nothing is written unless the pager's bytes are safe on the disk.
    const BackupSaved saved = SaveBackup(options_.backupsDir, BackupOfPagerBytes(*pager), std::time(nullptr));
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
  StoreChecksum(image, kFirst, kLast);

  Phase(kWriting, kLast - 16, kFirst, /*systemHighlight=*/true);
  link_.TransferError = false;

  // Pages the pager already holds are not sent again.
  SendPages(image, pager ? &*pager : nullptr);
}

// The link ends a complete write with STOP; on failure it has parked the
// bus, said "Write error!" and set TransferError. A stop request ends it
// after the page being sent.
void PagerTransfer::SendPages(const Image& image, const Image* pagerHolds) {
  const PagerTransport::StepResult written = link_.StoppablePageWrite(
      image, kFirst, kLast,
      [&](int address) {
        BusStep();
        // Counted as reached before the stop is asked: an adapter has sent
        // the page by now, and a capcode is released only on proof.
        reachedAddress_ = std::max(reachedAddress_, address);
        Step(address);
        return !StopNow();
      },
      pagerHolds);
  if (written == PagerTransport::StepResult::Failed) Heard(kMsgWriteError);
  if (written == PagerTransport::StepResult::Stopped) Interrupt();
}

// ---------------------------------------------------------------- restore

TransferResult PagerTransfer::Restore(const Image& bytes) {
  Begin();
  image_ = bytes;
  if (!BoardAnswers(TransferKind::Restore)) return result_;
  if (!MayWrite(TransferKind::Restore)) {
    Report(TransferKind::Restore, nullptr, false);
    return result_;
  }
  RestoreAndVerify(bytes);
  Finish();
  result_.image = bytes;
  Report(TransferKind::Restore, &bytes, true);
  ShowHeldSuccess();
  return result_;
}

// The pager read and kept as before a write, then the backup's bytes as
// they are, only the pages that differ, then the verify of all 2048.
void PagerTransfer::RestoreAndVerify(const Image& bytes) {
  link_.TransferError = false;
  const std::optional<Image> pager = ReadWholePager();
  pagerBefore_ = pager;
  if (!pager || !MayOverwrite(*pager)) {
    link_.BusStop();
    return;
  }
  if (options_.keepBackups) {
    const BackupSaved saved = SaveBackup(options_.backupsDir, BackupOfPagerBytes(*pager), std::time(nullptr));
    if (!saved.ok()) {
      Say(WriteStoppedByBackupMessage(saved), MsgIcon::Warning);
      link_.TransferError = true;
      link_.BusStop();
      return;
    }
    result_.backupPath = saved.path;
  }
  if (StopNow()) return Interrupt();
  Phase(kWriting, ImageLastIndex - 16, 0, /*systemHighlight=*/true);
  link_.TransferError = false;
  SendPages(bytes, &*pager);
  link_.BusStop();
  if (!link_.TransferError) {
    holdSuccess_ = true;  // "Verify Success!" waits for the record
    VerifyAgainst(bytes);
    holdSuccess_ = false;
    link_.BusStop();
  }
}

}  // namespace qrt
