#include "link/PagerLink.h"

#include <algorithm>
#include <limits>

namespace qrt {
namespace {

// Whole data-register values the bus sequences write (bits 2..7 always 1).
constexpr uint8_t kBothHigh = 252;   // clock and data released: idle, end of STOP
constexpr uint8_t kDataLowOnly = 254;  // clock released, data held low: parked
constexpr uint8_t kBothLow = 255;    // clock and data pulled low: end of START

// The board inverts both lines: a 1 in the data register pulls its line low.
constexpr uint8_t kClockDriver = 0x01;
constexpr uint8_t kDataDriver = 0x02;
// Status register bit that reads 1 while the data line is low.
constexpr uint8_t kDataLineLow = 0x08;

// Legacy parallel-port data registers, in the order the board is looked for.
constexpr uint16_t kCandidatePorts[] = {0x378, 0x278, 0x3BC};

constexpr uint32_t kProbeWaitMs = 50;
constexpr uint32_t kParkWaitMs = 100;
constexpr uint32_t kPageSleepMs = 10;
constexpr int64_t kBitDelayNs = 25'000;
constexpr uint32_t kCalibrationMs = 25;
constexpr int64_t kPassesPerClockRead = 1000;

// Puts a timing in place for as long as it lives, then the one before.
class TimingScope {
 public:
  TimingScope(BusTiming& timing, const BusTiming& scoped) : timing_(timing), saved_(timing) {
    timing_ = scoped;
  }
  ~TimingScope() { timing_ = saved_; }
  TimingScope(const TimingScope&) = delete;
  TimingScope& operator=(const TimingScope&) = delete;

 private:
  BusTiming& timing_;
  BusTiming saved_;
};

}  // namespace

PagerLink::PagerLink(PortIo& port, Clock& clock, Messages& messages)
    : PagerTransport(messages), port_(port), clock_(clock) {}

// ------------------------------------------------------------ board and timing

PagerTransport::Detection PagerLink::DoDetect() {
  PortShadow = kBothHigh;
  for (uint16_t candidate : kCandidatePorts) {
    // The STOPs inside the probe write through PortBase.
    PortBase = candidate;
    if (ProbePort(candidate)) {
      PortBase = candidate;
      PortStatus = static_cast<uint16_t>(candidate + 1);
      return {true, {}};
    }
  }
  // PortBase stays on the last candidate and PortStatus on what it was; the
  // callers drive no bus after a false result.
  return {};
}

bool PagerLink::ProbePort(uint16_t port) {
  // The probe's STOPs keep the bit delay at any bus speed: detection is timed
  // for any board on any cable, not for the EEPROM's data sheet.
  const TimingScope standard(timing_, BusTiming::For(BusSpeed::Standard));
  BusStop();
  WaitMs(kProbeWaitMs);
  BusStop();
  WaitMs(kProbeWaitMs);
  // data register 252: both lines released
  ClockLow();
  // Pull the data line low and release it again by reading the register back,
  // so a port that is not there (reads 0xFF) gives itself away below.
  port_.Out32(port, static_cast<uint8_t>(port_.Inp32(port) | kDataDriver));
  WaitMs(kProbeWaitMs);
  port_.Out32(port, static_cast<uint8_t>(port_.Inp32(port) & ~kDataDriver));
  WaitMs(kProbeWaitMs);
  // Data line released: a board reads it back high (bit 3 clear); a missing
  // board or a missing port reads bit 3 as 1.
  const bool present = (port_.Inp32(static_cast<uint16_t>(port + 1)) & kDataLineLow) == 0;
  BusStop();
  return present;
}

void PagerLink::WaitMs(uint32_t ms) {
  const uint32_t start = clock_.timeGetTime();
  // Unsigned difference: a wrap of the millisecond clock does not disturb it.
  while (static_cast<uint32_t>(clock_.timeGetTime() - start) < ms) clock_.DoEvents();
}

void PagerLink::BitDelay() { BusyWaitNs(kBitDelayNs); }

void PagerLink::PhaseDelay(BusPhase phase) { BusyWaitNs(timing_.PhaseNs(phase)); }

void PagerLink::SetBusSpeed(BusSpeed speed) {
  speed_ = speed;
  timing_ = BusTiming::For(speed);
}

void PagerLink::BusyWaitNs(int64_t ns) {
  int64_t frequency = 0;
  // A counter that claims a frequency of zero is as good as no counter.
  if (!clock_.QueryPerformanceFrequency(frequency) || frequency <= 0) {
    // DelayCount + 1 passes make one bit delay; other lengths scale from it,
    // rounded up, and never below one pass.
    const int64_t bitPasses = int64_t{DelayCount} + 1;
    DelayLoop(std::max<int64_t>(1, (bitPasses * std::max<int64_t>(ns, 0) + kBitDelayNs - 1) /
                                       kBitDelayNs));
    return;
  }
  const double limitNs = static_cast<double>(ns);
  const int64_t start = clock_.QueryPerformanceCounter();
  for (;;) {
    const double elapsedNs = static_cast<double>(clock_.QueryPerformanceCounter() - start) *
                             1e9 / static_cast<double>(frequency);
    if (elapsedNs > limitNs) return;  // exactly the length keeps waiting
  }
}

// One pass of the delay loop. CalibrateDelay and CalibratedDelay both run
// exactly this body, so that DelayCount + 1 passes last what the calibration
// measured: the counter lives in memory and the clock is read on every
// 1000th pass.
inline void PagerLink::DelayLoopPass(volatile int64_t& counter, uint32_t start,
                                     uint32_t& elapsed) {
  counter = counter + 1;
  if (counter % kPassesPerClockRead == 0)
    elapsed = static_cast<uint32_t>(clock_.timeGetTime() - start);
}

void PagerLink::CalibrateDelay() {
  volatile int64_t counter = 0;
  DelayCount = static_cast<int32_t>(kCalibrationMs);
  const uint32_t start = clock_.timeGetTime();
  uint32_t elapsed = 0;
  while (elapsed <= static_cast<uint32_t>(DelayCount)) DelayLoopPass(counter, start, elapsed);
  // The clock is looked at only on every 1000th pass, so the count is at
  // least 1000 and DelayCount at least 1.
  const int64_t perBit = counter / kPassesPerClockRead;
  DelayCount = static_cast<int32_t>(
      std::clamp<int64_t>(perBit, 1, std::numeric_limits<int32_t>::max() - 1));
}

void PagerLink::CalibratedDelay() { DelayLoop(int64_t{DelayCount} + 1); }

void PagerLink::DelayLoop(int64_t passes) {
  volatile int64_t counter = 0;
  const uint32_t start = clock_.timeGetTime();
  uint32_t elapsed = 0;
  while (counter < passes) DelayLoopPass(counter, start, elapsed);
}

void PagerLink::ParkBus() {
  // Waits even when the bus is parked already: the EEPROM may still be busy.
  WaitMs(kParkWaitMs);
  port_.Out32(PortBase, kDataLowOnly);
  PortShadow = kDataLowOnly;
  BitDelay();
}

// ------------------------------------------------------------ line drivers

void PagerLink::DriveLine(uint8_t driver, bool pullLow) {
  if (pullLow)
    PortShadow = static_cast<uint8_t>(PortShadow | driver);
  else
    PortShadow = static_cast<uint8_t>(PortShadow & ~driver);
  port_.Out32(PortBase, PortShadow);
}

void PagerLink::DataHigh() { DriveLine(kDataDriver, false); }
void PagerLink::DataLow() { DriveLine(kDataDriver, true); }
void PagerLink::ClockHigh() { DriveLine(kClockDriver, false); }
void PagerLink::ClockLow() { DriveLine(kClockDriver, true); }

bool PagerLink::DataLineLow() {
  return (port_.Inp32(PortStatus) & kDataLineLow) != 0;
}

// ------------------------------------------------------------ bus conditions

void PagerLink::BusStart() {
  // Releasing data with the clock high first: from the parked bus (254) this
  // is a STOP, after a received byte (clock low) it just prepares a repeated
  // START.
  port_.Out32(PortBase, kBothHigh);
  PhaseDelay(BusPhase::StartSetup);
  port_.Out32(PortBase, kDataLowOnly);  // data falls while the clock is high
  PhaseDelay(BusPhase::StartHold);
  port_.Out32(PortBase, kBothLow);
  PortShadow = kBothLow;
  PhaseDelay(BusPhase::ClockLow);
}

void PagerLink::BusStop() {
  // A whole low phase: the bus may come from anywhere, the parked state too.
  port_.Out32(PortBase, kBothLow);
  PhaseDelay(BusPhase::ClockLow);
  port_.Out32(PortBase, kDataLowOnly);
  PhaseDelay(BusPhase::StopSetup);
  port_.Out32(PortBase, kBothHigh);  // data rises while the clock is high
  PortShadow = kBothHigh;
  PhaseDelay(BusPhase::BusFree);
}

bool PagerLink::SendByte(uint8_t value) {
  // assert: clock low for a whole low phase
  for (uint8_t mask = 0x80; mask != 0; mask = static_cast<uint8_t>(mask >> 1)) ClockOutBit((value & mask) != 0);
  // Acknowledge clock: the data line released, the EEPROM pulls it low to ACK.
  DataHigh();
  PhaseDelay(BusPhase::DataSetup);
  ClockHigh();
  PhaseDelay(BusPhase::ClockHigh);
  const bool acknowledged = DataLineLow();
  ClockLow();
  PhaseDelay(BusPhase::ClockLow);
  return acknowledged;
}

uint8_t PagerLink::ReceiveByte(bool last) {
  // assert: clock low for a whole low phase; the EEPROM drives the data line
  // from here on, so releasing it needs no set-up time of ours
  DataHigh();
  uint8_t result = 0;
  for (int bit = 0; bit < 8; ++bit) {
    result = static_cast<uint8_t>(result << 1);
    ClockHigh();
    PhaseDelay(BusPhase::ClockHigh);
    if (!DataLineLow()) result = static_cast<uint8_t>(result | 1);
    ClockLow();
    PhaseDelay(BusPhase::ClockLow);
  }
  // NACK (the line left high) ends the read, ACK asks for the next byte.
  ClockOutBit(last);
  return result;
}

void PagerLink::ClockOutBit(bool high) {
  // assert: clock low for a whole low phase; the data line may only change
  // while it stays low
  if (high)
    DataHigh();
  else
    DataLow();
  PhaseDelay(BusPhase::DataSetup);
  ClockHigh();
  PhaseDelay(BusPhase::ClockHigh);
  ClockLow();
  PhaseDelay(BusPhase::ClockLow);
}

uint8_t PagerLink::ControlByte(int address) {
  return static_cast<uint8_t>(0xA0 | ((address & 0x700) >> 7));
}

// ------------------------------------------------------------ transactions

bool PagerLink::AddressForRead(int address) {
  const uint8_t device = ControlByte(address);
  bool acknowledged = false;
  // While the EEPROM finishes a write cycle it NACKs its device byte; each
  // retry is a fresh START without a STOP in between.
  for (int attempt = 0; attempt < kAddressingAttempts && !acknowledged; ++attempt) {
    BusStart();
    acknowledged = SendByte(device);
  }
  if (!acknowledged) return false;
  // Dummy write of the word address, then a repeated START into the read.
  SendByte(static_cast<uint8_t>(address & 0xFF));
  BusStart();
  SendByte(static_cast<uint8_t>(device + 1));
  return true;
}

std::optional<uint8_t> PagerLink::DoReadByte(int address) {
  // On failure the transport parks the bus and reports it.
  if (!AddressForRead(address)) return std::nullopt;
  const uint8_t value = ReceiveByte(true);
  BusStop();
  return value;
}

PagerLink::StepResult PagerLink::DoBlockRead(Image& image, int first, int last, const GoOn& onBlockEnd) {
  for (int i = first; i < last; ++i) {
    if (i % kEepromPageSize == 0 || i == first) {
      if (!AddressForRead(i)) return StepResult::Failed;
    }
    const bool blockEnd = (i + 1) % kEepromPageSize == 0;
    image[i] = ReceiveByte(blockEnd);
    if (blockEnd && onBlockEnd && !onBlockEnd(i)) {
      // The NACK has ended the EEPROM's read already.
      BusStop();
      return StepResult::Stopped;
    }
  }
  // The NACK of the previous block ended the EEPROM's read: a last byte that
  // opens a block (or a one-byte range) has to be addressed like any other.
  if (last % kEepromPageSize == 0 || last == first) {
    if (!AddressForRead(last)) return StepResult::Failed;
  }
  image[last] = ReceiveByte(true);
  BusStop();
  return StepResult::Done;
}

PagerLink::SeqResult PagerLink::DoSequentialRead(
    int first, int last, const std::function<bool(int address, uint8_t value)>& onByte) {
  // On failure the lines stay as they are; the caller sends the STOP.
  if (!AddressForRead(first)) return SeqResult::AddressingFailed;
  for (int i = first; i < last; ++i) {
    const uint8_t value = ReceiveByte(false);
    if (onByte && !onByte(i, value)) {
      // The EEPROM expects another byte after our ACK: take it with NACK.
      ReceiveByte(true);
      BusStop();
      return SeqResult::Stopped;
    }
  }
  const uint8_t value = ReceiveByte(true);
  const bool accepted = !onByte || onByte(last, value);
  BusStop();
  return accepted ? SeqResult::Completed : SeqResult::Stopped;
}

bool PagerLink::OpenPage(int address) {
  BusStart();
  const uint8_t device = ControlByte(address);
  // Acknowledge polling: the EEPROM NACKs while its write cycle runs. The
  // limit is clock time, not a count of attempts.
  const uint32_t start = clock_.timeGetTime();
  for (;;) {
    if (static_cast<uint32_t>(clock_.timeGetTime() - start) > kAckPollLimitMs) return false;
    if (SendByte(device)) return true;
    BusStart();
  }
}

PagerLink::StepResult PagerLink::DoPageWrite(const Image& image, int first, int last, const GoOn& onPageOpen,
                                             const Image* pagerHolds) {
  // On failure the transport parks the bus, reports it and sets the flag;
  // no STOP: the caller sends it.
  bool sent = false;  // a page is in the EEPROM's buffer; the next STOP starts its write cycle
  for (int start = first; start <= last;) {
    const int end = std::min(last, start | (kEepromPageSize - 1));
    const int next = end + 1;
    if (pagerHolds && std::equal(image.begin() + start, image.begin() + next, pagerHolds->begin() + start)) {
      if (start % kEepromPageSize == 0 && onPageOpen && !onPageOpen(start)) return StopAfterPage(sent, last);
      start = next;
      continue;
    }
    if (sent) {
      BusStop();  // starts the EEPROM's write cycle for the previous page
      if (!timing_.pollWriteCycle) clock_.Sleep(kPageSleepMs);
    }
    const bool opened = OpenPage(start);
    // Progress is shown once the polling is over, whatever its outcome.
    const bool goOn = !(start % kEepromPageSize == 0 && onPageOpen) || onPageOpen(start);
    if (!opened) return StepResult::Failed;
    if (!goOn) {
      // The EEPROM answered its device byte, so the page before is stored;
      // the device byte alone, ended by a STOP, stores nothing.
      BusStop();
      return StepResult::Stopped;
    }
    if (!SendByte(static_cast<uint8_t>(start & 0xFF))) return StepResult::Failed;
    for (int j = start; j <= end; ++j)
      if (!SendByte(image[j])) return StepResult::Failed;
    sent = true;
    start = next;
  }
  if (!sent) return StepResult::Done;
  BusStop();
  if (timing_.pollWriteCycle) {
    // A fast bus gets through the verify's ten addressing attempts in about
    // a millisecond, well inside a write cycle: wait here until the EEPROM
    // answers again. The device byte alone, ended by a STOP, stores nothing.
    if (!OpenPage(last)) return StepResult::Failed;
    BusStop();
  }
  return StepResult::Done;
}

// A write stopped where the pager already held the page: the page still in
// the EEPROM's buffer is stored and waited for, so that every page sent is
// whole in the pager when the write ends.
PagerLink::StepResult PagerLink::StopAfterPage(bool sent, int last) {
  if (!sent) return StepResult::Stopped;
  BusStop();
  if (!OpenPage(last)) return StepResult::Failed;
  BusStop();
  return StepResult::Stopped;
}

bool PagerLink::DoProbePager() {
  BusStart();
  const bool acknowledged = SendByte(ControlByte(0));
  BusStop();
  // Parked at once: the probe is asked over and over between transfers, and
  // the park's 100 ms settling wait is for the end of a transfer.
  port_.Out32(PortBase, kDataLowOnly);
  PortShadow = kDataLowOnly;
  BitDelay();
  return acknowledged;
}

void PagerLink::DoKeepAlive() {
  // The parked state written again: the board's lines stay released whatever
  // another program may have written to the port.
  port_.Out32(PortBase, kDataLowOnly);
}

}  // namespace qrt
