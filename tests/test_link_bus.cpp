// Line sequences of the bus conditions and byte transfers, checked against
// the register writes the simulated board records, and the bit delays that
// separate them (one bit delay on the virtual clock is 27 us).
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "link/PagerLink.h"
#include "tests/support/SimRig.h"

namespace qrt {
namespace {

using test::SimRig;

// Register value for the line levels, through the board's inversion.
constexpr uint8_t Lines(bool clockHigh, bool dataHigh) {
  return static_cast<uint8_t>(0xFC | (clockHigh ? 0 : 1) | (dataHigh ? 0 : 2));
}

struct Gap {
  uint8_t value;
  int delays;  // bit delays between this write and the next line change
};

// Runs `op` and returns its writes with the number of bit delays after each
// (the last one measured to the end of the operation).
template <typename Op>
std::vector<Gap> Record(SimRig& rig, Op op) {
  rig.board.trace.clear();
  rig.board.tracing = true;
  op();
  const int64_t end = rig.clock.Now();
  std::vector<Gap> out;
  const auto& t = rig.board.trace;
  for (size_t i = 0; i < t.size(); ++i) {
    const int64_t next = i + 1 < t.size() ? t[i + 1].timeNs : end;
    const int64_t gap = next - t[i].timeNs;
    // A bit delay ends on the first counter reading above 25 us.
    const int delays = static_cast<int>((gap + 1'000) / 27'000);
    EXPECT_LT(gap % 27'000, 1'000) << "write " << i << " is followed by " << gap << " ns";
    out.push_back({t[i].value, delays});
  }
  return out;
}

void ExpectGaps(const std::vector<Gap>& got, const std::vector<Gap>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].value, want[i].value) << "write " << i;
    EXPECT_EQ(got[i].delays, want[i].delays) << "write " << i;
  }
}

TEST(BusConditions, StartFromParkedBusShowsStopThenStart) {
  SimRig rig;
  rig.link.ParkBus();
  const int stops = rig.board.eeprom().counters.stops;
  const int starts = rig.board.eeprom().counters.starts;
  ExpectGaps(Record(rig, [&] { rig.link.BusStart(); }), {{252, 1}, {254, 1}, {255, 1}});
  EXPECT_EQ(rig.link.PortShadow, 255);
  // The first write released the data line with the clock high.
  EXPECT_EQ(rig.board.eeprom().counters.stops, stops + 1);
  EXPECT_EQ(rig.board.eeprom().counters.starts, starts + 1);
}

TEST(BusConditions, StopWritesWholeRegisterValues) {
  SimRig rig;
  rig.link.BusStart();
  rig.link.PortShadow = 0x00;  // the sequence must not go through the shadow
  ExpectGaps(Record(rig, [&] { rig.link.BusStop(); }), {{255, 1}, {254, 1}, {252, 1}});
  EXPECT_EQ(rig.link.PortShadow, 252);
}

TEST(BusConditions, ParkBusWaitsEvenWhenAlreadyParked) {
  SimRig rig;
  rig.link.ParkBus();
  const auto gaps = Record(rig, [&] {
    const int64_t before = rig.clock.Now();
    rig.link.ParkBus();
    ASSERT_EQ(rig.board.trace.size(), 1u);
    EXPECT_GE(rig.board.trace[0].timeNs - before, 99'000'000);  // whole ticks of the ms clock
    EXPECT_LT(rig.board.trace[0].timeNs - before, 101'000'000);
  });
  ExpectGaps(gaps, {{254, 1}});
  EXPECT_EQ(rig.link.PortShadow, 254);
}

struct DriverCase {
  const char* name;
  void (PagerLink::*driver)();
  uint8_t shadow;
  uint8_t written;
};

TEST(LineDrivers, ChangeOneBitOfTheShadowAndWriteIt) {
  const DriverCase cases[] = {
      {"DataHigh", &PagerLink::DataHigh, 0xFF, 0xFD},
      {"DataHigh", &PagerLink::DataHigh, 0xFC, 0xFC},
      {"DataLow", &PagerLink::DataLow, 0xFD, 0xFF},
      {"DataLow", &PagerLink::DataLow, 0xFC, 0xFE},
      {"ClockHigh", &PagerLink::ClockHigh, 0xFF, 0xFE},
      {"ClockHigh", &PagerLink::ClockHigh, 0xFD, 0xFC},
      {"ClockLow", &PagerLink::ClockLow, 0xFC, 0xFD},
      {"ClockLow", &PagerLink::ClockLow, 0xFE, 0xFF},
  };
  for (const auto& c : cases) {
    SimRig rig;
    rig.link.PortShadow = c.shadow;
    const auto gaps = Record(rig, [&] { (rig.link.*c.driver)(); });
    ASSERT_EQ(gaps.size(), 1u) << c.name;
    EXPECT_EQ(gaps[0].value, c.written) << c.name << " from " << int(c.shadow);
    EXPECT_EQ(gaps[0].delays, 0) << c.name << " must not wait";
    EXPECT_EQ(rig.link.PortShadow, c.written) << c.name;
  }
}

TEST(SendByte, ClocksEachBitMsbFirstThenReadsTheAcknowledge) {
  SimRig rig;
  rig.link.BusStart();
  const uint8_t value = 0xA6;
  bool acked = false;
  const auto gaps = Record(rig, [&] { acked = rig.link.SendByte(value); });
  std::vector<Gap> want;
  for (int bit = 7; bit >= 0; --bit) {
    const bool one = (value >> bit) & 1;
    want.push_back({Lines(false, one), 1});
    want.push_back({Lines(true, one), 1});
    want.push_back({Lines(false, one), 1});
  }
  want.push_back({Lines(false, true), 1});
  want.push_back({Lines(true, true), 1});
  want.push_back({Lines(false, true), 1});
  ExpectGaps(gaps, want);
  EXPECT_TRUE(acked) << "0xA6 addresses the EEPROM";
}

TEST(SendByte, NoAcknowledgeFromAnotherDeviceCode) {
  SimRig rig;
  rig.link.BusStart();
  EXPECT_FALSE(rig.link.SendByte(0xB0));
}

TEST(ReceiveByte, ReleasesDataWithoutDelayAndAnswersAckOrNack) {
  for (const bool last : {false, true}) {
    SimRig rig;
    rig.link.BusStart();
    const auto gaps = Record(rig, [&] { rig.link.ReceiveByte(last); });
    std::vector<Gap> want{{Lines(false, true), 0}};
    for (int i = 0; i < 8; ++i) {
      want.push_back({Lines(true, true), 1});
      want.push_back({Lines(false, true), 1});
    }
    const bool answerHigh = last;  // NACK releases the data line
    want.push_back({Lines(false, answerHigh), 1});
    want.push_back({Lines(true, answerHigh), 1});
    want.push_back({Lines(false, answerHigh), 1});
    ExpectGaps(gaps, want);
  }
}

// A port whose status bit 3 follows a script, one entry per status read.
class ScriptedStatusPort : public PortIo {
 public:
  uint8_t Inp32(uint16_t port) override {
    if (port != 0x379) return 0xFF;
    if (script.empty()) return 0xFF;
    const bool lineLow = script.front();
    script.pop_front();
    return lineLow ? 0x7F : 0x77;
  }
  void Out32(uint16_t, uint8_t) override {}
  std::deque<bool> script;  // true: the data line reads low
};

TEST(ReceiveByte, SamplesMostSignificantBitFirst) {
  struct Case {
    std::vector<bool> lineLow;
    uint8_t expected;
  };
  const Case cases[] = {
      {{true, true, true, true, true, true, true, true}, 0x00},
      {{false, false, false, false, false, false, false, false}, 0xFF},
      {{false, true, false, true, true, false, true, false}, 0xA5},
      {{true, true, true, true, true, true, true, false}, 0x01},
      {{false, true, true, true, true, true, true, true}, 0x80},
  };
  for (const auto& c : cases) {
    ScriptedStatusPort port;
    port.script.assign(c.lineLow.begin(), c.lineLow.end());
    SimRig rig;
    PagerLink link(port, rig.clock, rig.msgs);
    EXPECT_EQ(link.ReceiveByte(true), c.expected);
    EXPECT_TRUE(port.script.empty()) << "exactly eight samples";
  }
}

TEST(ReceiveByte, MissingBoardReadsAllZero) {
  SimRig rig;
  rig.board.noBoard = true;  // status bit 3 stuck at 1
  EXPECT_EQ(rig.link.ReceiveByte(true), 0x00);
}

TEST(ControlByte, BlockBitsOfTheAddressGoIntoTheDeviceByte) {
  const struct {
    int address;
    uint8_t write;
  } cases[] = {{0x0E9, 0xA0}, {0x3E1, 0xA6}, {0x7FF, 0xAE}, {0x100, 0xA2},
               {0x700, 0xAE}, {0x000, 0xA0}, {0x2FF, 0xA4}, {0x5A5, 0xAA}};
  for (const auto& c : cases) {
    EXPECT_EQ(PagerLink::ControlByte(c.address), c.write) << std::hex << c.address;
  }
}

}  // namespace
}  // namespace qrt
