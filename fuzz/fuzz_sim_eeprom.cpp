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
// - the first n device bytes of a chip told to NACK them are NACKed.
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

  uint8_t driven = 0x00;  // what the data register holds (the board starts released)
  int lastStatus = -1;    // status seen since the last write of the data register
  Image memory = chip.memory;
  int pages = chip.counters.pagesWritten;

  while (!in.empty()) {
    const uint8_t op = in.Next();
    const bool writes = (op >> 5) != 2 && (op >> 5) != 3;
    switch (op >> 5) {
      case 0:
      case 1:
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
