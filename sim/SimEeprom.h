#pragma once
// A 24C16-class serial EEPROM as it sits on the programming board's two-wire
// bus. It sees nothing but line levels: START, STOP and clocked bits are
// decoded from the clock and data lines, and it answers by pulling the data
// line low (ACKs and 0 bits of the bytes it sends), so the program under test
// has to get the bus right to get anything out of it.
//
// Behaviour: device byte 1010 + block bits A10..A8 + R/W, 8-bit word address,
// 16-byte page buffer whose address wraps inside its page, a self-timed write
// cycle (5 ms of clock time) started by a STOP after at least one data byte,
// during which every device byte is NACKed; random reads (dummy write plus
// repeated START) and sequential reads whose address counter runs across
// blocks and from 0x7FF to 0x000; a master NACK ends a read; a STOP that
// cuts a byte short, or a START before the STOP, throws the buffered page away.
//
// Timing: the chip holds the master to the data sheet's 100 kHz minimums
// (SimTimingRules), measured between the line changes it is given, and
// reacts to a shorter phase as a real part may: a clock pulse whose low or
// high phase is too short is not seen (its bit is missed); a data change too
// close before the rising clock is sampled at its old level; a START or STOP
// whose set-up is too short (or a START too soon after a STOP) is not
// recognised; a START whose hold is too short loses the chip, which then
// ignores the bus until the next START or STOP.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "image/PagerImage.h"

namespace qrt {

// Faults a test can switch on. The defaults make a healthy EEPROM.
struct SimFaults {
  int nackFirstAddressings = 0;    // NACK this many device bytes, whatever they say
  int silentAfterAckedBytes = -1;  // >= 0: after this many ACKed bytes the chip goes quiet
  int silentAfterSentBytes = -1;   // >= 0: ... or after putting this many bytes on the bus in reads
  int flipAddress = -1;            // >= 0: bytes read back from here are XORed with flipMask
  uint8_t flipMask = 0;
  bool writeCycleNeverEnds = false;  // while set, a started write cycle does not end
};

// The data sheet's least phase lengths at 100 kHz, in nanoseconds.
struct SimTimingRules {
  int64_t clockHighNs = 4'000;    // tHIGH
  int64_t clockLowNs = 4'700;     // tLOW
  int64_t dataSetupNs = 250;      // tSU;DAT, data before the rising clock
  int64_t startSetupNs = 4'700;   // tSU;STA, both lines high before data falls
  int64_t startHoldNs = 4'000;    // tHD;STA, data low before the clock falls
  int64_t stopSetupNs = 4'000;    // tSU;STO, clock high before data rises
  int64_t busFreeNs = 4'700;      // tBUF, from a STOP to the next START

  // The data sheet's minimums for a bus of `busHz`: the 100 kHz ones above,
  // or above 100 kHz the 400 kHz ones the part keeps from 2.5 V.
  static SimTimingRules ForBusHz(int busHz);
};

// The shortest of each phase the chip saw, and how many were shorter than
// the rules allow. A data set-up counts where the chip samples the line
// (bits it receives and the master's answer to a byte it sent).
struct SimTimingStats {
  static constexpr int64_t kNotSeen = INT64_MAX;
  int64_t clockHighNs = kNotSeen;
  int64_t clockLowNs = kNotSeen;
  int64_t dataSetupNs = kNotSeen;
  int64_t startSetupNs = kNotSeen;
  int64_t startHoldNs = kNotSeen;
  int64_t stopSetupNs = kNotSeen;
  int64_t busFreeNs = kNotSeen;
  int violations = 0;
};

struct SimCounters {
  int starts = 0;
  int stops = 0;
  int addressings = 0;        // device bytes received
  int addressingsAcked = 0;
  int bytesAcked = 0;         // device, word and data bytes the chip acknowledged
  int bytesSent = 0;          // bytes the chip put on the bus in reads
  int writeCyclesStarted = 0;
  int pagesWritten = 0;       // completed write cycles
  int writesAborted = 0;      // buffered pages thrown away by a bad STOP or a START
  int saveFailures = 0;
};

class SimEeprom {
 public:
  using TimeSource = std::function<int64_t()>;  // nanoseconds, monotonic
  static constexpr int64_t kWriteCycleNs = 5'000'000;

  explicit SimEeprom(TimeSource now);
  ~SimEeprom();  // a write cycle under way completes: the chip finishes on its own
  SimEeprom(const SimEeprom&) = delete;
  SimEeprom& operator=(const SimEeprom&) = delete;

  // The levels the bus master drives (true = released, reads high). Called
  // on every write of the data register.
  void Drive(bool clockHigh, bool dataHigh);
  // The data line as everyone reads it: wired AND of master and chip.
  bool DataLineHigh() const { return sda_; }

  // True while a write cycle runs (completes it first when its time is up).
  bool Busy();
  // Completes a write cycle whose time is up; call before looking at memory.
  void Poll() { Busy(); }

  // Contents. A fresh chip holds the factory image with a valid checksum.
  Image memory{};
  SimFaults faults;
  SimCounters counters;
  SimTimingRules rules;
  SimTimingStats timing;
  // Length of the self-timed write cycle: the data sheet allows up to 5 ms,
  // parts take 1.5 ms and more.
  int64_t writeCycleNs = kWriteCycleNs;
  int addressCounter() const { return counter_; }

  // Ties the contents to a 2048-byte file: loads it now and saves after every
  // completed write cycle (atomically, through a temporary file and rename).
  struct Attached {
    // Worth telling, the chip still tied to the file: it does not exist yet
    // (created by the first write cycle), or it holds another size and is
    // left alone (the chip then starts from the factory image and saves nothing).
    std::string note;
    // The file cannot be used at all (a folder, unreadable): the chip is not
    // tied to it. Names the file and the reason.
    std::string error;
  };
  Attached AttachFile(const std::string& path);
  // Why the last save failed, naming the file and the reason; empty once a
  // save has succeeded. The memory then holds what the file could not keep.
  const std::string& lastSaveError() const { return saveError_; }

  // Where each completed write cycle goes instead of the attached file (a
  // pager in a socket, written in place): the memory and the page stored.
  // Returns why the page could not be kept, empty when it was.
  std::function<std::string(const Image& memory, int first, int count)> pageStore;

  // The chip has just got power (a pager clipped into its socket) with the
  // master driving these levels: its bus logic starts idle and sees no edge,
  // a page it was buffering or storing when it lost power is gone, and so is
  // an earlier save's failure. The memory stays: the caller loads the pager's.
  void PowerUp(bool clockHigh, bool dataHigh);

 private:
  enum class Phase { Idle, DeviceByte, WordAddress, WriteData, ReadData, Ignore };

  void DataChanged();
  void WireChanged(bool high);
  void StartCondition();
  void StopCondition();
  void ClockRose();
  void ClockFell();
  // Records a phase from `since` to the line change being decoded; false
  // (and a violation) when it was shorter than `least`.
  bool PhaseLongEnough(int64_t since, int64_t least, int64_t& shortest);
  bool Samples() const;  // the chip reads the data line at this rising clock
  void OnStart();
  void OnStop();
  bool ByteReceived(uint8_t value);  // true: ACK it
  void LoadNextByte();
  void DriveOwnBit();
  void SetPull(bool low);
  void DiscardPage();
  bool Silent() const;
  void Save(int first);

  TimeSource now_;
  std::string path_;

  // Bus as seen by the chip.
  bool scl_ = true;
  bool masterSda_ = true;
  bool sda_ = true;
  bool pullLow_ = false;
  bool pulseValid_ = false;  // the clock rose after the last START/STOP

  // When the lines last changed, for the timing rules (kLongAgo: not since
  // the chip was made, so no phase to measure).
  static constexpr int64_t kLongAgo = INT64_MIN;
  int64_t at_ = 0;  // time of the line change being decoded
  int64_t clockRoseAt_ = kLongAgo;
  int64_t clockFellAt_ = kLongAgo;
  int64_t dataChangedAt_ = kLongAgo;
  int64_t dataRoseAt_ = kLongAgo;
  bool sdaBefore_ = true;      // the data line before its last change
  int64_t startAt_ = kLongAgo;
  bool holdPending_ = false;   // a START whose clock has not fallen yet
  int64_t stopAt_ = kLongAgo;  // the last STOP the chip recognised

  Phase phase_ = Phase::Idle;
  Phase next_ = Phase::Idle;  // taken up when the acknowledge clock ends
  int bit_ = 0;               // bits of the current byte completed (8 = acknowledge clock)
  uint8_t shift_ = 0;
  bool sampled_ = true;
  bool masterAck_ = false;
  uint8_t outByte_ = 0xFF;
  bool outQuiet_ = false;     // the chip went quiet before outByte_: it is not sent
  int counter_ = 0;           // internal address counter, 0..0x7FF
  int block_ = 0;

  // Page buffer and the write cycle that stores it.
  std::array<int, 16> page_{};  // -1: not written
  int pageBase_ = 0;
  int pageBytes_ = 0;
  std::array<int, 16> cycleData_{};
  int cycleBase_ = 0;
  bool cycleActive_ = false;
  int64_t cycleEnd_ = 0;

  std::string saveError_;
};

}  // namespace qrt
