#pragma once
// Whatever carries the two-wire bus from this program to the pager's 24C16
// EEPROM: the programming board on the parallel port (PagerLink), a kernel
// I2C adapter, a CH341A. The transfers see only the shapes below.
//
// The public methods are not virtual: they hold the rules every transport
// shares (range checks, which failure parks the bus, the message texts and
// icons, the TransferError flag), so each text is written once. Each calls
// one private primitive that a transport implements; a primitive only moves
// bytes and says whether it worked, it never shows a message.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "image/PagerImage.h"
#include "base/Messages.h"

namespace qrt {

// The messages a transport shows itself, at the point of failure.
inline constexpr std::string_view kMsgBoardNotResponding = "The Board is not responding!";
inline constexpr std::string_view kMsgReadError = "Read error!";
inline constexpr std::string_view kMsgWriteError = "Write error!";

// What the pager's 24C16 asks of every transport. It takes a write in pages
// of 16 bytes, and while it stores one it acknowledges nothing: a read
// addresses it ten times before it gives up, and a write polls it for up to
// 500 ms of clock time.
inline constexpr int kEepromPageSize = 16;
inline constexpr int kAddressingAttempts = 10;
inline constexpr uint32_t kAckPollLimitMs = 500;

class PagerTransport {
 public:
  enum class SeqResult { AddressingFailed, Stopped, Completed };
  // How a block read or page write that may be stopped between its blocks
  // or pages ended.
  enum class StepResult { Done, Failed, Stopped };
  // Asked where onBlockEnd or onPageOpen would be called: false stops the
  // transfer there, cleanly.
  using GoOn = std::function<bool(int address)>;

  virtual ~PagerTransport() = default;
  PagerTransport(const PagerTransport&) = delete;
  PagerTransport& operator=(const PagerTransport&) = delete;

  // Measures whatever the transport times itself with, once at start (the
  // parallel port's fallback bit delay); a no-op where an adapter clocks the bus.
  void CalibrateDelay();

  // Finds the board or adapter and makes it ready. A missing one shows "The
  // Board is not responding!" (warning), followed by the reason the port
  // layer found when it found one; one that exists but cannot be used
  // (permissions, taken by another program) shows one message saying which
  // device and what to do instead. Either message offers the port
  // diagnostics. Either way it returns false.
  bool DetectBoard();
  // The message the last DetectBoard that found nothing showed.
  const std::string& detectionMessage() const { return detectionMessage_; }
  // Why no board can answer on this port, as far as the port layer knows (a
  // port name that gave no port, no parallel port listed, a device that
  // cannot be opened or is held by another program); empty when it knows of
  // nothing. Set by whoever made the port; asked when a detection fails.
  void SetAbsenceReason(std::function<std::string()> reason) { absenceReason_ = std::move(reason); }

  // Whether the pager's EEPROM acknowledges its device address: START, the
  // device byte, STOP, once. Nothing is read or written and no write cycle
  // starts; the bus is left parked. Needs the board or adapter found
  // (DetectBoard) and takes a few bit times, so it can be asked again and
  // again to see a pager put into its socket. An EEPROM in the middle of a
  // write cycle does not acknowledge either.
  bool PagerAnswers();

  // What has gone wrong behind the port that the transferred bytes cannot
  // show (the simulated pager's file that cannot be saved), naming the file
  // and the reason; empty while all is well.
  std::string PortFailure() const;

  // One complete single-byte read. On failure: ParkBus, "Read error!" (no
  // icon), TransferError set, no value.
  std::optional<uint8_t> ReadByte(int address);
  // The same, returning 0 on failure (the flag tells).
  uint8_t eep_read1(int address) { return ReadByte(address).value_or(0); }

  // Block read of first..last into image, in 16-byte blocks each addressed
  // anew. onBlockEnd(address) follows the last byte of each block (address =
  // 15, 31, ...; not for `last` itself). False, without message and without
  // parking, when a block cannot be addressed or the range lies outside the
  // image; the caller reports it.
  bool BlockRead(Image& image, int first, int last, const std::function<void(int)>& onBlockEnd = {});
  // The same, stopped after the block whose end `goOn` refuses: the bus is
  // released (nothing reported, TransferError untouched) and the image holds
  // the blocks read so far.
  StepResult StoppableBlockRead(Image& image, int first, int last, const GoOn& goOn);

  // Sequential read from first to last. onByte receives each address and
  // byte and returns false to stop early. Result: AddressingFailed (nothing
  // reported, nothing parked; also for a range outside the image), Stopped
  // or Completed; the bus is released after Stopped and Completed.
  SeqResult SequentialRead(int first, int last,
                           const std::function<bool(int address, uint8_t value)>& onByte);

  // Page write of image[first..last] in 16-byte pages, each acknowledge-polled
  // for up to 500 ms while the EEPROM stores the one before. onPageOpen
  // (address) follows the polling of every page whose address is a multiple
  // of 16, also of the page that then fails. On failure: ParkBus, "Write
  // error!" (no icon), TransferError set, false. A range outside the image
  // sets TransferError and returns false without touching the bus.
  // With `pagerHolds` (what the pager was just read to hold), a page whose
  // bytes it already holds is not sent: no bus traffic, no write cycle, but
  // its onPageOpen still comes (the progress runs on).
  bool PageWrite(const Image& image, int first, int last, const std::function<void(int)>& onPageOpen = {},
                 const Image* pagerHolds = nullptr);
  // The same, stopped at the page where `goOn` refuses: the pages before it
  // are stored whole (their write cycle waited for); of that page nothing
  // is sent on the parallel-port board, which asks once the page is opened,
  // while an adapter, which sends a page in one transaction and asks after
  // it, has stored it whole too. The bus is released, nothing is reported
  // and TransferError is left alone. Not stopped, the bus sees exactly what
  // PageWrite sends. A failure is reported as PageWrite reports it.
  StepResult StoppablePageWrite(const Image& image, int first, int last, const GoOn& goOn,
                                const Image* pagerHolds = nullptr);

  // Leaves the bus in its resting state (every failure above ends here).
  void ParkBus();
  // The STOP the transfers send when a transfer ends.
  void BusStop();
  // Called by the window every 50 ms between transfers: restates the resting
  // state where the hardware could lose it.
  void KeepAlive();

  // Failure flag of every transaction: set by the failures above, cleared
  // only by the callers (before each step they test).
  bool TransferError = false;

  Messages& messages() { return messages_; }

 protected:
  explicit PagerTransport(Messages& messages) : messages_(messages) {}

  // What a detection found. `problem`, when not empty, is shown instead of
  // the missing-board message: the device is there but cannot be used.
  struct Detection {
    bool found = false;
    std::string problem;
  };

 private:
  virtual void DoCalibrate() {}
  virtual Detection DoDetect() = 0;
  virtual bool DoProbePager() = 0;
  virtual std::string DoPortFailure() const { return {}; }
  virtual std::optional<uint8_t> DoReadByte(int address) = 0;
  virtual StepResult DoBlockRead(Image& image, int first, int last, const GoOn& onBlockEnd) = 0;
  virtual SeqResult DoSequentialRead(int first, int last,
                                     const std::function<bool(int, uint8_t)>& onByte) = 0;
  virtual StepResult DoPageWrite(const Image& image, int first, int last, const GoOn& onPageOpen,
                                 const Image* pagerHolds) = 0;
  virtual void DoPark() = 0;
  virtual void DoStop() = 0;
  virtual void DoKeepAlive() {}

  Messages& messages_;
  std::function<std::string()> absenceReason_;
  std::string detectionMessage_;
};

}  // namespace qrt
