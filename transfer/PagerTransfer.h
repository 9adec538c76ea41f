#pragma once
// The transfers over the pager link, without a window: the read with
// identification and checksum check, the write with the hardware-variant
// check, the verify, the restore of a backup and one pager of a batch. Each
// takes plain values (the image, as the pager is to hold it, and the
// options) and returns what happened (TransferResult): the outcome, the
// message shown last, the image read or written, the backup it saved and
// what became of its record.
//
// Failure is shown the way the pager link shows it: one message box at the
// point of failure. Success ("Verify Success!") is shown once the production
// line (the TransferObserver) has recorded the pager, so that nobody is told
// of a pager the record does not hold yet.
//
// With backups kept, every read that got the pager's bytes saves them (also
// when the caller then refuses to take them), and a write with its backup
// first reads the whole pager, saves it, and then sends only the pages that
// do not already hold the right bytes (the verify still compares all 2048).
// A pager that holds no QRT35 image (a blank chip, another model) is
// overwritten only when the user says so.
//
// A stop request (TransferOptions::stop) at StopRequest::kStopNow ends a
// transfer at its next block or page boundary: a write after the page it is
// sending (every page sent is whole in the pager), a read or verify between
// blocks. The bus is left parked, kMsgInterrupted is shown like any failure,
// and the production line records the transfer as it records a failure.
//
// The transfer dialog (Form2, transfer/Transfers.h) and the command line
// run their transfers through this class; its progress goes to a
// TransferProgress.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/Messages.h"
#include "image/PagerImage.h"
#include "transfer/TransferObserver.h"

namespace qrt {

class PagerTransport;
class StopRequest;

enum class TransferOutcome {
  Succeeded,  // the pager was read, written and verified, or verified
  Failed,     // stopped or refused; `message` says where
  Waiting,    // the batch dialog is open and waits for Write
  Interrupted,  // stopped by a stop request between two pages or blocks; `message` is kMsgInterrupted
};

inline constexpr const char* kMsgInterrupted = "Interrupted: the pager was not finished.";

// What one transfer (read, write, verify, one batch pager) did.
struct TransferResult {
  TransferOutcome outcome = TransferOutcome::Failed;
  std::string message;     // the last message the transfer showed (empty: none)
  std::string backupPath;  // the backup it saved; empty when it saved none
  // What became of its record (a problem already shown). A pager
  // programmed but not recorded, or sharing a capcode with another, is the
  // caller's to count as a failure.
  TransferRecord record;
  // A read: the pager's image as it holds it (also when the caller refused
  // to take it). A write: the image as it went to the pager, with its own
  // byte, write marker, checksum and the capcodes the production line gave,
  // as far as the write got. None when the transfer got no image.
  std::optional<Image> image;
  std::string identText;  // the identification a read found (14 characters, Windows-1252)
  // A write that kept the pager's own byte at 0x0E9: that byte.
  std::optional<uint8_t> ownByte;
  bool succeeded() const { return outcome == TransferOutcome::Succeeded; }
};

// How a transfer runs.
struct TransferOptions {
  bool keepBackups = false;  // every pager read whole is kept in backupsDir
  bool backupFirst = false;  // with keepBackups: a write first reads and keeps the pager
  std::string backupsDir;
  // The contrast was changed by the user: the image's byte 0x0E9 goes in;
  // otherwise the pager keeps its own.
  bool contrastChanged = false;
  // The band list stands on its GP(RoHS) entry: the hardware variant the
  // write expects.
  bool listOnGp = false;
  // The editor is in Write Mode: a write is refused otherwise.
  bool writeMode = true;
  std::string tablePath;  // the table file the image came from, for the record
  const StopRequest* stop = nullptr;  // asked between pages and blocks; outlives the transfer
};

// Where a transfer's progress goes. Every method has a harmless default.
class TransferProgress {
 public:
  virtual ~TransferProgress() = default;
  // A phase begins ("Reading Now.......", "Writing Now.......",
  // "Verifying Now....."): the bar at `value` of `max`; the write bar in
  // the system's highlight colour.
  virtual void Phase(const char* /*label*/, int /*max*/, int /*value*/, bool /*systemHighlight*/) {}
  virtual void Step(int /*value*/) {}
  // The capcodes one batch pager goes out with are in `image`.
  virtual void CapcodesGiven(const Image& /*image*/) {}
  // Lets pending window events run (once at the start of every phase).
  virtual void DoEvents() {}
};

// What the caller makes of an image read: `take` returns an empty text
// when it takes the image over, or the message to show when it cannot
// (the pager is then kept only in its backup, and the read fails); `undo`
// then puts back what take changed.
struct ReadTaker {
  std::function<std::string(const Image&)> take;
  std::function<void()> undo;
};

class PagerTransfer {
 public:
  PagerTransfer(PagerTransport& link, Messages& messages);

  void SetOptions(TransferOptions options) { options_ = std::move(options); }
  const TransferOptions& options() const { return options_; }
  // The production line around the transfers; none by default.
  void SetObserver(TransferObserver* observer) { observer_ = observer; }
  TransferObserver* observer() const { return observer_; }
  void SetProgress(TransferProgress* progress) { progress_ = progress; }

  // Reads the whole pager; on success the image goes to `taker` (none: kept).
  TransferResult Read(const ReadTaker& taker = {});
  // Reads the whole pager back and compares it with `image`.
  TransferResult Verify(const Image& image);
  // One pager: its image with the pager's own byte, the hardware-variant
  // check, the write marker and checksum, then the verify.
  TransferResult Write(const Image& image);
  // The batch: finds the board and Write Mode; Waiting when the batch may
  // begin (nothing written yet).
  TransferResult OpenBatch();
  // One pager of an open batch (the board was found by OpenBatch).
  TransferResult BatchStep(const Image& image);
  // A backup's bytes exactly as they are (no own byte, marker or checksum),
  // after the same read and backup as a write, then the verify.
  TransferResult Restore(const Image& bytes);

  // What the last transfer did.
  const TransferResult& result() const { return result_; }
  // The image of the write under way, as far as it got (its own byte, the
  // capcodes given, marker and checksum): what a transfer cut short by an
  // exception leaves to be recorded.
  const Image& imageUnderWay() const { return image_; }

 private:
  void Begin();
  bool BoardAnswers(TransferKind kind);
  void Say(std::string_view text, MsgIcon icon);  // shows a message and remembers it
  void Heard(std::string_view text);             // the link has shown this one
  bool StopNow() const;
  void Interrupt();
  TransferResult Finish();
  void Phase(const char* label, int max, int first, bool systemHighlight);
  void Step(int value);
  void BusStep();
  void ReadAll(const ReadTaker& taker);
  std::optional<Image> ReadWholePager();
  bool MayOverwrite(const Image& pager);
  void KeepBackup(const Image& pagerBytes);
  bool MayWrite(TransferKind kind);
  bool AssignCapcodes(const Image* pagerBefore);
  TransferResult WriteOne(TransferKind kind);
  void WriteAndVerify();
  void WriteImage();
  void SendPages(const Image& image, const Image* pagerHolds);
  void VerifyAgainst(const Image& image);
  void RestoreAndVerify(const Image& bytes);
  void ReadBackCapcodes();
  void Report(TransferKind kind, const Image* image, bool pagerTouched);
  void ShowHeldSuccess();

  PagerTransport& link_;
  Messages& msg_;
  TransferOptions options_;
  TransferObserver* observer_ = nullptr;
  TransferProgress* progress_ = nullptr;
  bool interrupted_ = false;  // the transfer under way was stopped by the request
  std::chrono::steady_clock::time_point started_;
  // The last step on the bus: a transfer's duration ends there, not when
  // the operator closes a message box.
  std::optional<std::chrono::steady_clock::time_point> lastBusStep_;
  // The write under way: its image, its kind, the last page whose sending
  // began, and the pager as its backup read found it.
  Image image_{};
  TransferKind writeKind_ = TransferKind::Write;
  int reachedAddress_ = -1;
  std::optional<Image> pagerBefore_;
  std::optional<Image> capcodesReadBack_;
  // "Verify Success!" waits until the transfer is recorded.
  bool holdSuccess_ = false;
  bool successHeld_ = false;
  bool writeRefused_ = false;  // the production line gave the pager no capcodes: nothing was written
  TransferResult result_;
};

// Messages the transfers build from data.
std::string NotQrt35Message(const std::string& identText);  // identText: Windows-1252
std::string CapcodeLimitMessage(int index);                 // index 0 or 1
// "The pager holds a blank chip, not a QRT35 image. Overwrite it?"; `held`
// is what ForeignContents says the pager holds.
std::string ForeignPagerQuestion(const std::string& held);

// The software version rule for the checksum check: characters 11, 13 and 14
// of the identification text read as a number; true when it is above 372.
bool ChecksumCheckedForIdent(const std::string& identText);

}  // namespace qrt
