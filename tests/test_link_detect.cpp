// Finding the board: probe order, the probe's register sequence and the
// failure report.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "link/PagerLink.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"

namespace qrt {
namespace {

// Passes every access through and writes it down.
class RecordingPort : public PortIo {
 public:
  explicit RecordingPort(PortIo& inner, VirtualClock& clock) : inner_(inner), clock_(clock) {}
  struct Access {
    bool write;
    uint16_t port;
    uint8_t value;
    int64_t timeNs;
  };
  uint8_t Inp32(uint16_t port) override {
    const uint8_t v = inner_.Inp32(port);
    log.push_back({false, port, v, clock_.Now()});
    return v;
  }
  void Out32(uint16_t port, uint8_t value) override {
    log.push_back({true, port, value, clock_.Now()});
    inner_.Out32(port, value);
  }
  // Index of the first access to `port`, or -1.
  int First(uint16_t port) const {
    for (size_t i = 0; i < log.size(); ++i)
      if (log[i].port == port) return static_cast<int>(i);
    return -1;
  }
  std::vector<Access> log;

 private:
  PortIo& inner_;
  VirtualClock& clock_;
};

// Everything reads 0xFF: no port at all.
class EmptyBus : public PortIo {
 public:
  uint8_t Inp32(uint16_t) override { return 0xFF; }
  void Out32(uint16_t, uint8_t) override {}
};

struct Bench {
  explicit Bench(uint16_t base) : board(TimeSourceFor(clock), base), port(board, clock), link(port, clock, msgs) {}
  VirtualClock clock;
  SimBoard board;
  RecordingPort port;
  RecordingMessages msgs;
  PagerLink link;
};

TEST(DetectBoard, FindsTheBoardOnlyAfterTheEarlierCandidates) {
  const struct {
    uint16_t base;
    std::vector<uint16_t> probedBefore;
    std::vector<uint16_t> untouched;
  } cases[] = {
      {0x378, {}, {0x278, 0x279, 0x3BC, 0x3BD}},
      {0x278, {0x378, 0x379}, {0x3BC, 0x3BD}},
      {0x3BC, {0x378, 0x379, 0x278, 0x279}, {}},
  };
  for (const auto& c : cases) {
    Bench b(c.base);
    b.link.PortStatus = 0;
    ASSERT_TRUE(b.link.DetectBoard()) << std::hex << c.base;
    EXPECT_EQ(b.link.PortBase, c.base);
    EXPECT_EQ(b.link.PortStatus, c.base + 1);
    EXPECT_EQ(b.link.PortShadow, 252);
    EXPECT_TRUE(b.msgs.log.empty());
    const int found = b.port.First(c.base);
    for (uint16_t p : c.probedBefore) {
      EXPECT_GE(b.port.First(p), 0) << std::hex << p;
      EXPECT_LT(b.port.First(p), found) << std::hex << p;
    }
    for (uint16_t p : c.untouched) EXPECT_EQ(b.port.First(p), -1) << std::hex << p;
  }
}

TEST(ProbePort, RegisterSequenceAndWaits) {
  Bench b(0x378);
  ASSERT_TRUE(b.link.ProbePort(0x378));
  struct Step {
    bool write;
    uint16_t port;
    uint8_t value;
    bool waitBefore;  // a 50 ms wait precedes this access
  };
  // STOP, wait, STOP, wait, clock low, data low by read-back, wait, data
  // released by read-back, wait, status, STOP.
  const Step want[] = {
      {true, 0x378, 255, false}, {true, 0x378, 254, false}, {true, 0x378, 252, false},
      {true, 0x378, 255, true},  {true, 0x378, 254, false}, {true, 0x378, 252, false},
      {true, 0x378, 253, true},  {false, 0x378, 253, false}, {true, 0x378, 255, false},
      {false, 0x378, 255, true}, {true, 0x378, 253, false}, {false, 0x379, 0x77, true},
      {true, 0x378, 255, false}, {true, 0x378, 254, false}, {true, 0x378, 252, false},
  };
  const auto& log = b.port.log;
  ASSERT_EQ(log.size(), std::size(want));
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].write, want[i].write) << i;
    EXPECT_EQ(log[i].port, want[i].port) << i;
    EXPECT_EQ(log[i].value, want[i].value) << i;
    if (i == 0) continue;
    const int64_t gap = log[i].timeNs - log[i - 1].timeNs;
    if (want[i].waitBefore) {
      EXPECT_GE(gap, 49'000'000) << i;
      EXPECT_LT(gap, 51'000'000) << i;
    } else {
      EXPECT_LT(gap, 1'000'000) << i;
    }
  }
}

TEST(DetectBoard, NoBoardReportsOncePerCallAndKeepsPortStatus) {
  Bench b(0x378);
  b.board.noBoard = true;
  b.link.PortStatus = 0x1234;
  for (int call = 1; call <= 2; ++call) {
    EXPECT_FALSE(b.link.DetectBoard());
    ASSERT_EQ(b.msgs.log.size(), static_cast<size_t>(call));
    EXPECT_EQ(b.msgs.log.back().text, "The Board is not responding!");
    EXPECT_EQ(b.msgs.log.back().icon, MsgIcon::Warning);
    EXPECT_EQ(b.link.PortStatus, 0x1234);
    EXPECT_EQ(b.link.PortBase, 0x3BC);
  }
}

TEST(DetectBoard, MissingPortReadingAllOnesFailsEveryProbe) {
  VirtualClock clock;
  EmptyBus bus;
  RecordingMessages msgs;
  PagerLink link(bus, clock, msgs);
  for (uint16_t p : {0x378, 0x278, 0x3BC}) EXPECT_FALSE(link.ProbePort(p));
  EXPECT_FALSE(link.DetectBoard());
  EXPECT_EQ(msgs.Texts(), std::vector<std::string>{"The Board is not responding!"});
}

}  // namespace
}  // namespace qrt
