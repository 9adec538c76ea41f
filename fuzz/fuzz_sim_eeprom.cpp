// The simulated pager EEPROM fed arbitrary line sequences: single writes of
// the data register and reads of the status register, mixed with whole bus
// conditions and bytes from the pager link (so that the fuzzer reaches the
// chip's deeper states quickly) and with time passing. Whatever it is fed,
// the chip must behave like the part on the board:
// - the data line is a wired AND: while the board pulls it low it reads low;
// - the chip changes the data line only when the master moves a line, never
//   between two status reads;
// - its memory changes only when a write cycle completes, one 16-byte page
//   at a time, and never while the write cycle is held or no board is there;
// - the first n device bytes of a chip told to NACK them are NACKed;
// - the shortest clock high and low phases it reports are those of the line
//   changes written to the board, and a clock pulse shorter than the data
//   sheet allows clocks nothing: no byte ends on it and the chip's hold on
//   the data line stays as it was.
// Single line writes come after a pause the input picks around the 100 kHz
// minimums, so that pulses both long enough and too short are fed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "link/PagerLink.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"

using namespace qrt;

namespace {

constexpr uint16_t kBase = 0x378;
constexpr uint16_t kStatus = kBase + 1;
constexpr uint8_t kDataLow = 0x08;
constexpr int64_t kPauseNs[8] = {0, 100, 300, 3'900, 4'000, 4'600, 4'700, 30'000};

// The clock line as the fuzzer itself sees it in the board's trace.
struct ClockWatch {
  static constexpr int64_t kUnknown = INT64_MIN;
  bool high = true;  // as the chip starts
  int64_t roseAt = kUnknown;
  int64_t fellAt = kUnknown;
  int64_t shortestHigh = SimTimingStats::kNotSeen;
  int64_t shortestLow = SimTimingStats::kNotSeen;
  bool lastPulseTooShort = false;  // the latest fall ended a pulse the chip may not see
  bool lowTooShort = false;        // the low phase before the current high one

  // Returns true when the write was a falling clock edge.
  bool Follow(const SimBoard::TraceEntry& e, const SimTimingRules& rules) {
    const bool nowHigh = (e.value & 0x01) == 0;
    if (nowHigh == high) return false;
    high = nowHigh;
    if (nowHigh) {
      lowTooShort = false;
      if (fellAt != kUnknown) {
        shortestLow = std::min(shortestLow, e.timeNs - fellAt);
        lowTooShort = e.timeNs - fellAt < rules.clockLowNs;
      }
      roseAt = e.timeNs;
      return false;
    }
    bool highTooShort = false;
    if (roseAt != kUnknown) {
      shortestHigh = std::min(shortestHigh, e.timeNs - roseAt);
      highTooShort = e.timeNs - roseAt < rules.clockHighNs;
    }
    lastPulseTooShort = highTooShort || lowTooShort;
    fellAt = e.timeNs;
    return true;
  }
};

struct Bench {
  VirtualClock clock;
  SimBoard board{TimeSourceFor(clock), kBase};
  RecordingMessages messages;
  PagerLink link{board, clock, messages};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ByteReader in(data, size);
  Bench b;
  SimEeprom& chip = b.board.eeprom();

  const uint8_t config = in.Next();
  const int nack = config & 0x0F;  // NACK the first 0..15 device bytes
  chip.faults.nackFirstAddressings = nack;
  chip.faults.writeCycleNeverEnds = (config & 0x10) != 0;
  b.board.noBoard = (config & 0x20) != 0;
  if (config & 0x40) {
    chip.faults.flipAddress = (in.Next() << 3) & 0x7FF;
    chip.faults.flipMask = in.Next();
  }
  if (config & 0x80) {
    const uint8_t quiet = in.Next();
    if (quiet & 0x80)
      chip.faults.silentAfterSentBytes = (quiet & 0x7F) * 4;
    else
      chip.faults.silentAfterAckedBytes = quiet;
  }

  b.board.tracing = true;
  ClockWatch watch;
  size_t traced = 0;

  uint8_t driven = 0x00;  // what the data register holds (the board starts released)
  int lastStatus = -1;    // status seen since the last write of the data register
  Image memory = chip.memory;
  int pages = chip.counters.pagesWritten;

  while (!in.empty()) {
    const uint8_t op = in.Next();
    const bool writes = (op >> 5) != 2 && (op >> 5) != 3;
    const bool single = (op >> 5) < 2;
    const SimCounters before = chip.counters;
    const bool lineBefore = chip.DataLineHigh();
    const uint8_t drivenBefore = driven;
    switch (op >> 5) {
      case 0:
      case 1:
        b.clock.Advance(kPauseNs[(op >> 2) & 7]);
        driven = static_cast<uint8_t>(0xFC | (op & 0x03));
        b.board.Out32(kBase, driven);
        break;
      case 2:
        if (op & 0x10) {
          // Writes to the status register or to a port that is not there go nowhere.
          b.board.Out32(op & 1 ? kStatus : static_cast<uint16_t>(0x278), in.Next());
        } else {
          const uint8_t status = b.board.Inp32(kStatus);
          const bool low = (status & kDataLow) != 0;
          if (driven & 0x02) QRT_FUZZ_REQUIRE(low, "the board pulls the data line low, yet it reads high");
          if (b.board.noBoard) QRT_FUZZ_REQUIRE(low, "without a board the line reads low");
          if (lastStatus >= 0)
            QRT_FUZZ_REQUIRE(status == lastStatus, "the data line moved while the master held still");
          lastStatus = status;
        }
        break;
      case 3:
        b.clock.Advance(int64_t{op & 0x1F} * 250'000);  // up to 7.75 ms
        break;
      case 4:
        b.link.BusStart();
        break;
      case 5:
        b.link.BusStop();
        break;
      case 6: {
        const uint8_t value = (op & 0x10) ? static_cast<uint8_t>(0xA0 | (op & 0x0F)) : in.Next();
        b.link.SendByte(value);
        break;
      }
      case 7:
        b.link.ReceiveByte(op & 1);
        break;
    }
    if (writes) {
      driven = b.board.Inp32(kBase);  // the data register latch reads back what was written
      lastStatus = -1;
    }

    bool fell = false;
    for (; traced < b.board.trace.size(); ++traced) fell = watch.Follow(b.board.trace[traced], chip.rules);
    if (!b.board.noBoard) {
      QRT_FUZZ_REQUIRE(chip.timing.clockHighNs == watch.shortestHigh, "shortest clock high phase");
      QRT_FUZZ_REQUIRE(chip.timing.clockLowNs == watch.shortestLow, "shortest clock low phase");
      if (watch.shortestHigh < chip.rules.clockHighNs || watch.shortestLow < chip.rules.clockLowNs)
        QRT_FUZZ_REQUIRE(chip.timing.violations > 0, "a short clock phase went uncounted");
    }
    if (single && fell && watch.lastPulseTooShort) {
      const SimCounters& c = chip.counters;
      QRT_FUZZ_REQUIRE(c.addressings == before.addressings && c.bytesAcked == before.bytesAcked &&
                           c.bytesSent == before.bytesSent,
                       "a byte ended on a clock pulse too short to see");
      // The chip lets go of the line or takes it only on a pulse it saw.
      if ((driven & 0x02) == (drivenBefore & 0x02))
        QRT_FUZZ_REQUIRE(chip.DataLineHigh() == lineBefore, "the chip moved the line on a pulse it missed");
    }

    const SimCounters& c = chip.counters;
    QRT_FUZZ_REQUIRE(c.addressingsAcked <= c.addressings, "");
    QRT_FUZZ_REQUIRE(c.pagesWritten <= c.writeCyclesStarted, "");
    QRT_FUZZ_REQUIRE(chip.addressCounter() >= 0 && chip.addressCounter() <= 0x7FF, "");
    if (c.addressings <= nack) QRT_FUZZ_REQUIRE(c.addressingsAcked == 0, "a NACKed addressing was acknowledged");
    if (chip.faults.writeCycleNeverEnds) QRT_FUZZ_REQUIRE(c.pagesWritten == 0, "a held write cycle ended");
    if (b.board.noBoard) QRT_FUZZ_REQUIRE(c.addressings == 0 && c.starts == 0, "a chip without a board saw traffic");
    if (chip.faults.silentAfterSentBytes >= 0)
      QRT_FUZZ_REQUIRE(c.bytesSent <= chip.faults.silentAfterSentBytes, "a quiet chip went on sending");

    if (chip.memory != memory) {
      QRT_FUZZ_REQUIRE(c.pagesWritten > pages, "memory changed without a completed write cycle");
      int page = -1;
      for (int a = 0; a < kImageSize; ++a) {
        if (chip.memory[a] == memory[a]) continue;
        if (page < 0) page = a & ~0x0F;
        QRT_FUZZ_REQUIRE((a & ~0x0F) == page || c.pagesWritten - pages > 1,
                         "one write cycle reached beyond its page at " + std::to_string(a));
      }
      memory = chip.memory;
    }
    pages = c.pagesWritten;
  }
  return 0;
}
