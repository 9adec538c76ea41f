// Rules of the simulated EEPROM, driven at line level by a bare master that
// shares no code with the pager link, and the simulated board's registers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "image/Defaults.h"
#include "sim/SimBoard.h"
#include "sim/SimEeprom.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

struct Master {
  int64_t now = 0;
  SimEeprom chip{[this] { return now; }};

  void Lines(bool clock, bool data) {
    chip.Drive(clock, data);
    now += 10'000;
  }
  void Start() {
    Lines(true, true);
    Lines(true, false);
    Lines(false, false);
  }
  void Stop() {
    Lines(false, false);
    Lines(true, false);
    Lines(true, true);
  }
  bool Bit(bool out) {  // clock one bit; returns the line as read while the clock is high
    Lines(false, out);
    Lines(true, out);
    const bool level = chip.DataLineHigh();
    Lines(false, out);
    return level;
  }
  bool Write(uint8_t v) {
    for (int b = 7; b >= 0; --b) Bit((v >> b) & 1);
    return !Bit(true);  // ACK pulls the line low
  }
  uint8_t Read(bool ack) {
    uint8_t v = 0;
    for (int b = 0; b < 8; ++b) v = static_cast<uint8_t>((v << 1) | (Bit(true) ? 1 : 0));
    Bit(!ack);
    return v;
  }
  bool WritePage(int address, const std::vector<uint8_t>& bytes) {
    Start();
    bool ok = Write(static_cast<uint8_t>(0xA0 | ((address >> 7) & 0x0E)));
    ok = ok && Write(static_cast<uint8_t>(address & 0xFF));
    for (uint8_t b : bytes) ok = ok && Write(b);
    Stop();
    return ok;
  }
  std::vector<uint8_t> ReadFrom(int address, int count) {
    Start();
    const uint8_t device = static_cast<uint8_t>(0xA0 | ((address >> 7) & 0x0E));
    EXPECT_TRUE(Write(device));
    EXPECT_TRUE(Write(static_cast<uint8_t>(address & 0xFF)));
    Start();
    EXPECT_TRUE(Write(static_cast<uint8_t>(device | 1)));
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) out.push_back(Read(i + 1 < count));
    Stop();
    return out;
  }
  void FinishCycle() {
    now += SimEeprom::kWriteCycleNs;
    chip.Poll();
  }
};

TEST(SimEeprom, FreshChipHoldsTheFactoryImageWithValidChecksum) {
  Master m;
  Image factory = BuildDefaultImage();
  EXPECT_TRUE(ChecksumMatches(m.chip.memory));
  for (int a = 0; a < ImageLastIndex - 1; ++a) ASSERT_EQ(m.chip.memory[a], factory[a]) << a;
}

TEST(SimEeprom, PageBufferWrapsInsideItsPage) {
  Master m;
  m.chip.memory.fill(0);
  ASSERT_TRUE(m.WritePage(0x1FC, {1, 2, 3, 4, 5, 6, 7, 8}));
  m.FinishCycle();
  const std::vector<std::pair<int, uint8_t>> want = {
      {0x1FC, 1}, {0x1FD, 2}, {0x1FE, 3}, {0x1FF, 4}, {0x1F0, 5}, {0x1F1, 6},
      {0x1F2, 7}, {0x1F3, 8}, {0x1F4, 0}, {0x1FB, 0}, {0x200, 0}};
  for (const auto& [a, v] : want) EXPECT_EQ(m.chip.memory[a], v) << std::hex << a;
  EXPECT_EQ(m.chip.counters.pagesWritten, 1);
}

TEST(SimEeprom, AbortedWritesStoreNothing) {
  struct Case {
    const char* name;
    int extraBits;        // bits of a further byte before the ending condition
    bool startInsteadOfStop;
  };
  const Case cases[] = {{"STOP after 1 bit", 1, false},
                        {"STOP after 7 bits", 7, false},
                        {"START before the STOP", 0, true}};
  for (const auto& c : cases) {
    Master m;
    m.chip.memory.fill(0);
    m.Start();
    ASSERT_TRUE(m.Write(0xA4));
    ASSERT_TRUE(m.Write(0x10));
    ASSERT_TRUE(m.Write(0x55));
    ASSERT_TRUE(m.Write(0x66));
    for (int i = 0; i < c.extraBits; ++i) m.Bit(true);
    if (c.startInsteadOfStop) m.Start();
    m.Stop();
    m.FinishCycle();
    EXPECT_EQ(m.chip.memory[0x210], 0) << c.name;
    EXPECT_EQ(m.chip.memory[0x211], 0) << c.name;
    EXPECT_EQ(m.chip.counters.writeCyclesStarted, 0) << c.name;
    EXPECT_EQ(m.chip.counters.writesAborted, 1) << c.name;
  }
}

TEST(SimEeprom, NacksItsAddressWhileTheWriteCycleRuns) {
  Master m;
  ASSERT_TRUE(m.WritePage(0x000, {0x42}));
  const int64_t stopAt = m.now;
  m.Start();
  EXPECT_FALSE(m.Write(0xA0));
  m.Start();
  EXPECT_FALSE(m.Write(0xA1)) << "reads are refused as well";
  m.now = stopAt + SimEeprom::kWriteCycleNs - 1'000'000;
  m.Start();
  EXPECT_FALSE(m.Write(0xA0));
  m.now = stopAt + SimEeprom::kWriteCycleNs;
  m.Start();
  EXPECT_TRUE(m.Write(0xA0));
  m.Stop();
  EXPECT_EQ(m.chip.memory[0], 0x42);
}

TEST(SimEeprom, SequentialReadRunsAcrossBlocksAndWraps) {
  Master m;
  for (int a = 0; a <= ImageLastIndex; ++a) m.chip.memory[a] = static_cast<uint8_t>(a * 7 + (a >> 8));
  const struct {
    int first, count;
  } cases[] = {{0x0FE, 4}, {0x7FD, 5}, {0x3F0, 40}};
  for (const auto& c : cases) {
    const auto got = m.ReadFrom(c.first, c.count);
    for (int i = 0; i < c.count; ++i)
      EXPECT_EQ(got[i], m.chip.memory[(c.first + i) & 0x7FF]) << std::hex << c.first << "+" << i;
  }
}

TEST(SimEeprom, MasterNackEndsTheRead) {
  Master m;
  m.chip.memory.fill(0x00);
  m.Start();
  ASSERT_TRUE(m.Write(0xA1));
  EXPECT_EQ(m.Read(false), 0x00);
  const int sent = m.chip.counters.bytesSent;
  // After the NACK the chip lets go of the line: more clocks read 1s.
  EXPECT_EQ(m.Read(false), 0xFF);
  EXPECT_EQ(m.chip.counters.bytesSent, sent);
  // Until a new START.
  m.Start();
  EXPECT_TRUE(m.Write(0xA1));
}

TEST(SimEeprom, OtherDeviceCodesAreIgnored) {
  Master m;
  for (uint8_t device : {0xB0, 0x50, 0xE0, 0x20}) {
    m.Start();
    EXPECT_FALSE(m.Write(device)) << int(device);
    EXPECT_FALSE(m.Write(0x00)) << "ignored until the next START";
  }
  m.Stop();
}

TEST(SimEeprom, FaultInjection) {
  {
    Master m;
    m.chip.faults.nackFirstAddressings = 2;
    m.Start();
    EXPECT_FALSE(m.Write(0xA0));
    m.Start();
    EXPECT_FALSE(m.Write(0xA0));
    m.Start();
    EXPECT_TRUE(m.Write(0xA0));
    m.Stop();
  }
  {
    Master m;
    m.chip.faults.silentAfterAckedBytes = 3;
    m.chip.memory.fill(0x00);
    m.Start();
    EXPECT_TRUE(m.Write(0xA0));
    EXPECT_TRUE(m.Write(0x00));
    m.Start();
    EXPECT_TRUE(m.Write(0xA1));
    EXPECT_EQ(m.Read(true), 0xFF) << "a silent chip leaves the line high";
    m.Stop();
    m.Start();
    EXPECT_FALSE(m.Write(0xA0));
  }
  {
    Master m;
    m.chip.faults.flipAddress = 0x401;
    m.chip.faults.flipMask = 0x81;
    m.chip.memory[0x400] = 0x10;
    m.chip.memory[0x401] = 0x10;
    EXPECT_EQ(m.ReadFrom(0x400, 2), (std::vector<uint8_t>{0x10, 0x91}));
    EXPECT_EQ(m.chip.memory[0x401], 0x10) << "only the read-back is wrong";
  }
  {
    Master m;
    m.chip.faults.writeCycleNeverEnds = true;
    ASSERT_TRUE(m.WritePage(0x020, {0x99}));
    m.now += 10'000'000'000;
    m.Start();
    EXPECT_FALSE(m.Write(0xA0));
    m.Stop();
    EXPECT_NE(m.chip.memory[0x020], 0x99);
  }
}

TEST(SimEeprom, TimingFaultsGoWrongAsOnTheBench) {
  {
    // A clock glitch of 1 us inside the device byte is not taken for a bit.
    Master m;
    m.Start();
    for (int b = 7; b >= 0; --b) {
      const bool one = (0xA0 >> b) & 1;
      m.Bit(one);
      if (b != 4) continue;
      m.chip.Drive(true, one);
      m.now += 1'000;
      m.chip.Drive(false, one);
      m.now += 10'000;
    }
    EXPECT_FALSE(m.Bit(true)) << "acknowledged: eight bits, no more";
    EXPECT_EQ(m.chip.timing.clockHighNs, 1'000);
    EXPECT_EQ(m.chip.timing.violations, 1);
  }
  {
    // A START 1 us after a STOP is not recognised: the device byte is ignored.
    Master m;
    m.Lines(false, false);
    m.Lines(true, false);
    m.chip.Drive(true, true);
    m.now += 1'000;
    const int starts = m.chip.counters.starts;
    m.Lines(true, false);
    m.Lines(false, false);
    EXPECT_EQ(m.chip.counters.starts, starts);
    EXPECT_FALSE(m.Write(0xA0));
    EXPECT_EQ(m.chip.timing.busFreeNs, 1'000);
    EXPECT_EQ(m.chip.timing.startSetupNs, 1'000);
    m.Start();
    EXPECT_TRUE(m.Write(0xA0)) << "a START in time is";
  }
  {
    // Data that changes as the clock rises is read at its old level: the
    // chip gets 0x50 for 0xA0 and does not answer.
    Master m;
    m.Start();
    for (int b = 7; b >= 0; --b) {
      m.chip.Drive(true, (0xA0 >> b) & 1);
      m.now += 10'000;
      m.Lines(false, (0xA0 >> b) & 1);
    }
    EXPECT_TRUE(m.Bit(true)) << "not acknowledged";
    EXPECT_EQ(m.chip.timing.dataSetupNs, 0);
    EXPECT_EQ(m.chip.counters.addressings, 1);
  }
  {
    // The clock falling 1 us after a START loses the chip until the next one.
    Master m;
    m.Lines(true, true);
    m.chip.Drive(true, false);
    m.now += 1'000;
    m.Lines(false, false);
    EXPECT_FALSE(m.Write(0xA0));
    EXPECT_EQ(m.chip.timing.startHoldNs, 1'000);
    m.Start();
    EXPECT_TRUE(m.Write(0xA0));
  }
}

class SimFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qrt_sim_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    path = (dir / "pager.bin").string();
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  std::string path;
};

TEST_F(SimFile, KeepsItsContentsBetweenRuns) {
  {
    Master m;
    const std::string note = m.chip.AttachFile(path).note;
    EXPECT_NE(note.find("does not exist"), std::string::npos) << note;
    ASSERT_TRUE(m.WritePage(0x3E1, {'X', 'Y'}));
    EXPECT_FALSE(fs::exists(path)) << "saved when the write cycle completes";
    m.FinishCycle();
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 2048u);
    ASSERT_TRUE(m.WritePage(0x7F0, {0xEE}));
    // The second page's cycle is still running when this pager goes away.
  }
  EXPECT_FALSE(fs::exists(path + ".tmp"));
  Master again;
  EXPECT_EQ(again.chip.AttachFile(path).note, "");
  EXPECT_EQ(again.chip.memory[0x3E1], 'X');
  EXPECT_EQ(again.chip.memory[0x3E2], 'Y');
  EXPECT_EQ(again.chip.memory[0x7F0], 0xEE);
}

TEST_F(SimFile, FileOfTheWrongSizeIsReportedAndLeftAlone) {
  {
    std::ofstream out(path, std::ios::binary);
    out << "not a pager";
  }
  Master m;
  const std::string note = m.chip.AttachFile(path).note;
  EXPECT_NE(note.find(path), std::string::npos) << note;
  EXPECT_NE(note.find("11 bytes"), std::string::npos) << note;
  EXPECT_TRUE(ChecksumMatches(m.chip.memory));
  ASSERT_TRUE(m.WritePage(0x000, {1}));
  m.FinishCycle();
  EXPECT_EQ(fs::file_size(path), 11u);
}

TEST(SimBoard, RegistersAsAPortSeesThem) {
  int64_t now = 0;
  SimBoard board([&] { return now; }, 0x278);
  EXPECT_EQ(board.Inp32(0x378), 0xFF);
  EXPECT_EQ(board.Inp32(0x379), 0xFF);
  board.Out32(0x278, 0xFD);
  EXPECT_EQ(board.Inp32(0x278), 0xFD) << "the data register reads back its latch";
  EXPECT_EQ(board.Inp32(0x279) & 0x08, 0) << "data line released";
  board.Out32(0x278, 0xFF);
  EXPECT_EQ(board.Inp32(0x279) & 0x08, 0x08) << "data line pulled low";
  EXPECT_NE(board.Inp32(0x279), 0xFF);
  board.noBoard = true;
  board.Out32(0x278, 0xFC);
  EXPECT_EQ(board.Inp32(0x279) & 0x08, 0x08);
}

}  // namespace
}  // namespace qrt
