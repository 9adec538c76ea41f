// What is particular to the I2C adapters: how each reports an adapter it
// cannot use, the errno values a kernel driver may give for a missing
// acknowledge, a driver's read-length limit, the CH341A's speed setting and
// port names, the CH341A emulator's protocol rules, and the factory and list
// the programs will use. The transfer shapes themselves are tried on every
// transport in test_transport_contract.cpp.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "adapters/Adapters.h"
#include "adapters/Ch341.h"
#include "adapters/Ch341Transport.h"
#include "adapters/I2cDevTransport.h"
#include "adapters/emu/Ch341Emulator.h"
#include "adapters/emu/FakeI2cDev.h"

namespace qrt {
namespace {

Image NumberedImage(uint32_t seed) {
  std::mt19937 gen(seed);
  Image image{};
  for (auto& b : image) b = static_cast<uint8_t>(gen());
  return image;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Detection refused with one warning: "The Board is not responding!" for an
// adapter that is not there, else a message holding every one of `parts`.
void ExpectOneWarning(const RecordingMessages& msgs, const std::vector<std::string>& parts, const std::string& what) {
  ASSERT_EQ(msgs.log.size(), 1u) << what;
  EXPECT_EQ(msgs.log[0].icon, MsgIcon::Warning) << what;
  if (parts.empty()) {
    EXPECT_EQ(msgs.log[0].text, "The Board is not responding!") << what;
  }
  for (const std::string& part : parts) EXPECT_TRUE(Contains(msgs.log[0].text, part)) << msgs.log[0].text;
}

// ------------------------------------------------------------------ i2c-dev

struct I2cBench {
  VirtualClock clock;
  RecordingMessages msgs;
  FakeI2cDev adapter{clock, "/dev/i2c-7"};
  I2cDevTransport port{"/dev/i2c-7", adapter, clock, msgs};
};

TEST(I2cDevTransport, AdapterThatCannotBeUsedIsNamedInOneMessage) {
  const struct {
    const char* what;
    void (*set)(FakeI2cDev&);
    std::vector<std::string> parts;  // empty: the missing-board message
  } cases[] = {
      {"no such node", [](FakeI2cDev& a) { a.present = false; }, {}},
      {"permission", [](FakeI2cDev& a) { a.accessDenied = true; },
       {"Cannot open /dev/i2c-7: Permission denied.", "i2c group", "usermod -aG i2c"}},
      {"SMBus only", [](FakeI2cDev& a) { a.smbusOnly = true; }, {"/dev/i2c-7", "SMBus"}},
  };
  for (const auto& c : cases) {
    I2cBench b;
    c.set(b.adapter);
    EXPECT_FALSE(b.port.DetectBoard()) << c.what;
    ExpectOneWarning(b.msgs, c.parts, c.what);
    EXPECT_EQ(b.adapter.openCount(), 0) << c.what << ": nothing left open";
  }
}

TEST(I2cDevTransport, EveryErrnoOfAMissingAcknowledgeMeansTryAgain) {
  // Drivers differ in the errno of a NACK, on the device byte and on data.
  for (const int error : {ENXIO, EREMOTEIO, EIO}) {
    // The device byte, NACKed while the EEPROM stores the page before.
    I2cBench busy;
    ASSERT_TRUE(busy.port.DetectBoard());
    busy.adapter.addressNackErrno = error;
    busy.adapter.chip.writeCycleNs = 20'000'000;
    const Image source = NumberedImage(2);
    ASSERT_TRUE(busy.port.PageWrite(source, 0, 47)) << error;
    EXPECT_GT(busy.adapter.requests.size(), 3u + 20u) << "polled";
    EXPECT_TRUE(busy.msgs.log.empty());

    // A data byte NACKed: polled like the device byte, not taken for an
    // adapter that has gone (which would end the write at once).
    I2cBench quiet;
    ASSERT_TRUE(quiet.port.DetectBoard());
    quiet.adapter.dataNackErrno = error;
    quiet.adapter.chip.faults.silentAfterAckedBytes = 18 + 5;
    const int64_t start = quiet.clock.Now();
    int64_t secondPage = 0;
    EXPECT_FALSE(quiet.port.PageWrite(source, 0, 47, [&](int a) {
      if (a == 16) secondPage = quiet.clock.Now();
    }));
    EXPECT_GT(secondPage - start, 500'000'000) << error;
    EXPECT_EQ(quiet.adapter.openCount(), 1) << error;
    EXPECT_TRUE(quiet.adapter.violations.empty());
  }
}

TEST(I2cDevTransport, DriverThatLimitsReadLengthGetsBlockSizedReads) {
  I2cBench b;
  ASSERT_TRUE(b.port.DetectBoard());
  b.adapter.maxReadLength = 32;
  b.adapter.chip.memory = NumberedImage(6);
  Image streamed{};
  EXPECT_EQ(b.port.SequentialRead(0, ImageLastIndex, [&](int a, uint8_t v) { return streamed[a] = v, true; }),
            PagerTransport::SeqResult::Completed);
  EXPECT_EQ(streamed, b.adapter.chip.memory);
  for (const auto& request : b.adapter.requests)
    for (const auto& m : request) EXPECT_LE(m.length, 32);
  EXPECT_TRUE(b.adapter.violations.empty());
}

TEST(I2cDevTransport, EachBlockGoesToItsOwnDeviceAddress) {
  I2cBench b;
  ASSERT_TRUE(b.port.DetectBoard());
  b.port.eep_read1(0x3E1);
  Image image{};
  b.port.PageWrite(image, 0x7F0, 0x7FF);
  ASSERT_GE(b.adapter.requests.size(), 2u);
  const auto& read = b.adapter.requests[0];
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].addr, 0x53);
  EXPECT_FALSE(read[0].read);
  EXPECT_EQ(read[0].length, 1);
  EXPECT_EQ(read[1].addr, 0x53);
  EXPECT_TRUE(read[1].read);
  const auto& page = b.adapter.requests[1];
  ASSERT_EQ(page.size(), 1u);
  EXPECT_EQ(page[0].addr, 0x57);
  EXPECT_EQ(page[0].length, 17) << "word address and the 16 bytes in one message";
}

TEST(I2cDevTransport, DescriptorIsClosedWhenTheTransportGoes) {
  VirtualClock clock;
  RecordingMessages msgs;
  FakeI2cDev adapter{clock, "/dev/i2c-7"};
  {
    I2cDevTransport port{"/dev/i2c-7", adapter, clock, msgs};
    ASSERT_TRUE(port.DetectBoard());
    ASSERT_TRUE(port.DetectBoard());
    EXPECT_EQ(adapter.openCount(), 1) << "detection reuses the open node";
  }
  EXPECT_EQ(adapter.openCount(), 0);
  EXPECT_TRUE(adapter.violations.empty());
}

// ------------------------------------------------------------------ CH341A

struct Ch341Bench {
  explicit Ch341Bench(BusSpeed speed = BusSpeed::Standard, Ch341Transport::Selector selector = {})
      : port(selector, usb, clock, msgs, speed) {
    usb.devices.push_back(&device);
  }
  VirtualClock clock;
  RecordingMessages msgs;
  Ch341Emulator device{clock};
  EmulatedUsb usb;
  Ch341Transport port;
};

TEST(Ch341Transport, SetsTheBusSpeedItWasGiven) {
  const struct {
    BusSpeed speed;
    int setting;
    int hz;
  } cases[] = {{BusSpeed::Standard, 1, 100'000}, {BusSpeed::Fast, 2, 400'000}};
  for (const auto& c : cases) {
    Ch341Bench b(c.speed);
    ASSERT_TRUE(b.port.DetectBoard());
    EXPECT_EQ(b.device.speedSetting, c.setting);
    // 2048 bytes of 9 bits each at the least: the bus time the speed allows.
    Image read{};
    const int64_t before = b.device.master.busNs();
    ASSERT_TRUE(b.port.BlockRead(read, 0, ImageLastIndex));
    EXPECT_GE(b.device.master.busNs() - before, 2048LL * 9 * 1'000'000'000 / c.hz);
    EXPECT_TRUE(b.device.violations.empty());
  }
}

TEST(Ch341Transport, AdapterThatCannotBeUsedIsNamedInOneMessage) {
  const struct {
    const char* what;
    void (*set)(Ch341Emulator&);
    std::vector<std::string> parts;
  } cases[] = {
      {"not plugged in", [](Ch341Emulator& d) { d.unplugged = true; }, {}},
      {"no udev rule", [](Ch341Emulator& d) { d.accessDenied = true; },
       {"CH341A on USB port 1-4", "permission denied", "60-qrt35-adapters.rules"}},
      {"claimed by another program", [](Ch341Emulator& d) { d.claimedElsewhere = true; },
       {"CH341A on USB port 1-4", "another program"}},
  };
  for (const auto& c : cases) {
    Ch341Bench b;
    c.set(b.device);
    EXPECT_FALSE(b.port.DetectBoard()) << c.what;
    ExpectOneWarning(b.msgs, c.parts, c.what);
    EXPECT_FALSE(b.port.isOpen());
  }
}

TEST(Ch341Transport, PortNamesSelectTheirAdapter) {
  const struct {
    const char* text;
    bool ok;
    Ch341Transport::Selector::Kind kind;
  } cases[] = {
      {"", true, Ch341Transport::Selector::Kind::First},
      {":1-4", true, Ch341Transport::Selector::Kind::PortPath},
      {":3-1.2", true, Ch341Transport::Selector::Kind::PortPath},
      {":001:004", true, Ch341Transport::Selector::Kind::BusDevice},
      {":", false, {}},       {":x", false, {}},       {":1-", false, {}}, {":1-4.", false, {}},
      {":1:2:3", false, {}},  {":0001:4", false, {}},  {"x", false, {}},  {":-4", false, {}},
  };
  for (const auto& c : cases) {
    Ch341Transport::Selector selector;
    std::string error;
    EXPECT_EQ(Ch341Transport::ParseSelector(c.text, selector, error), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(selector.kind, c.kind) << c.text;
    } else {
      EXPECT_TRUE(Contains(error, "ch341:BUS-PORT")) << c.text << ": " << error;
    }
  }

  // Two adapters: each name reaches its own.
  for (const char* name : {":2-1.3", ":002:009"}) {
    VirtualClock clock;
    RecordingMessages msgs;
    Ch341Emulator first{clock}, second{clock};
    second.info = {2, 9, "2-1.3", ch341::kVendor, ch341::kProduct};
    second.chip.memory[0x3E1] = 'S';
    EmulatedUsb usb;
    usb.devices = {&first, &second};
    Ch341Transport::Selector selector;
    std::string error;
    ASSERT_TRUE(Ch341Transport::ParseSelector(name, selector, error));
    Ch341Transport port(selector, usb, clock, msgs);
    ASSERT_TRUE(port.DetectBoard()) << name;
    EXPECT_EQ(port.eep_read1(0x3E1), 'S') << name;
    EXPECT_FALSE(first.claimed);
  }
}

TEST(Ch341Transport, LeavesTheBusIdleAndTheDeviceFreeWhenItGoes) {
  VirtualClock clock;
  RecordingMessages msgs;
  Ch341Emulator device{clock};
  EmulatedUsb usb;
  usb.devices = {&device};
  {
    Ch341Transport port({}, usb, clock, msgs);
    ASSERT_TRUE(port.DetectBoard());
    EXPECT_TRUE(device.claimed);
    // A read left under way by hand, as a crash in the middle would leave it.
    const uint8_t packet[] = {ch341::kStream, ch341::kStart, ch341::kOut, 0xA0, ch341::kEnd};
    ASSERT_EQ(device.Out(packet, sizeof packet), UsbError::None);
    uint8_t status = 0;
    int received = 0;
    ASSERT_EQ(device.In(&status, 1, received), UsbError::None);
    EXPECT_TRUE(device.master.inTransaction());
  }
  EXPECT_FALSE(device.master.inTransaction());
  EXPECT_FALSE(device.claimed);
  EXPECT_TRUE(device.violations.empty());
}

// The emulator refuses what the real adapter would run wrong or not at all,
// and reports acknowledges only where the chip does.
TEST(Ch341Emulator, RefusesMalformedPackets) {
  using namespace ch341;
  const struct {
    const char* what;
    std::vector<uint8_t> packet;
    const char* complaint;
  } cases[] = {
      {"unknown sub-command", {kStream, kStart, 0x20}, "unknown sub-command 0x20"},
      {"SPI speed bits", {kStream, 0x64}, "unknown sub-command 0x64"},
      {"output past the packet", {kStream, kStart, 0x83, 0xA0, 0x00}, "runs past the packet"},
      {"length-0 output past the packet", {kStream, kStart, kOut}, "runs past the packet"},
      {"bytes after the end marker", {kStream, kEnd, kStop}, "after the end marker"},
      {"not the I2C stream", {0xA8, kStart}, "not the I2C stream command"},
      {"empty packet", {}, "a packet of 0 bytes"},
      {"longer than a packet", std::vector<uint8_t>(33, kStop), "a packet of 33 bytes"},
      {"byte without START", {kStream, kOut, 0xA0}, "without a START"},
      {"read without START", {kStream, kIn}, "without a START"},
      {"STOP after an acknowledged read", {kStream, kStart, kOut, 0xA1, 0xC1, kStop}, "STOP right after"},
      {"answer longer than a packet", {kStream, kStart, kOut, 0xA1, 0xE0, kIn}, "more than one packet holds"},
  };
  for (const auto& c : cases) {
    VirtualClock clock;
    Ch341Emulator device{clock};
    EXPECT_EQ(device.Out(c.packet.data(), static_cast<int>(c.packet.size())), UsbError::Other) << c.what;
    ASSERT_EQ(device.violations.size(), 1u) << c.what;
    EXPECT_TRUE(Contains(device.violations[0], c.complaint)) << c.what << ": " << device.violations[0];
    EXPECT_EQ(device.chip.counters.starts, 0) << c.what << ": nothing of a refused packet runs";
  }

  VirtualClock clock;
  Ch341Emulator device{clock};
  uint8_t answer[32];
  int received = 0;
  EXPECT_EQ(device.In(answer, 1, received), UsbError::Other) << "nothing asked for";
  const uint8_t ask[] = {kStream, kStart, kOut, 0xA0, kOut, 0xB0, kStop, kEnd};
  ASSERT_EQ(device.Out(ask, sizeof ask), UsbError::None);
  EXPECT_EQ(device.Out(ask, sizeof ask), UsbError::Other) << "answer unread";
  EXPECT_EQ(device.In(answer, 3, received), UsbError::Other) << "larger than the answer";
  EXPECT_EQ(device.violations.size(), 3u);
}

TEST(Ch341Emulator, ReportsAcknowledgesOnlyForLengthZeroOutputs) {
  using namespace ch341;
  VirtualClock clock;
  Ch341Emulator device{clock};
  device.chip.memory[0x000] = 0x5A;
  uint8_t answer[32];
  int received = 0;
  // The EEPROM (0xA0) acknowledges, nobody answers at 0xB0; the word address
  // goes in a longer output and reports nothing.
  const uint8_t probe[] = {kStream, kStart, kOut, 0xA0, 0x81, 0x00, kStart, kOut, 0xA1, kIn, kStart, kOut, 0xB1,
                           0xC2, kIn, kStop, kEnd};
  ASSERT_EQ(device.Out(probe, sizeof probe), UsbError::None);
  ASSERT_EQ(device.In(answer, 7, received), UsbError::None);
  EXPECT_EQ(answer[0] & kStatusNack, 0);
  EXPECT_EQ(answer[1] & kStatusNack, 0);
  EXPECT_EQ(answer[2], 0x5A);
  EXPECT_EQ(answer[3] & kStatusNack, kStatusNack);
  EXPECT_EQ(answer[4], 0xFF) << "a silent bus reads as 0xFF";
  EXPECT_EQ(answer[5], 0xFF);
  EXPECT_EQ(answer[6], 0xFF);
  EXPECT_TRUE(device.violations.empty());
}

// ------------------------------------------------------------------ factory and list

TEST(AdapterPorts, NamesMakeTheirTransportOrSayWhyNot) {
  VirtualClock clock;
  RecordingMessages msgs;
  FakeI2cDev i2c{clock, "/dev/i2c-3"};
  EmulatedUsb usb;
  const AdapterSystem system{&i2c, &usb};
  const struct {
    const char* port;
    bool adapter;  // IsAdapterPort
    const char* error;  // empty: a transport
  } cases[] = {
      {"i2c:/dev/i2c-3", true, ""},
      {"ch341", true, ""},
      {"ch341:1-4", true, ""},
      {"ch341:001:004", true, ""},
      {"i2c:", true, "needs a device"},
      {"ch341:one", true, "names no USB port"},
      {"ch3410", false, "Unknown port"},
      {"ppdev", false, "Unknown port"},
      {"", false, "Unknown port"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsAdapterPort(c.port), c.adapter) << c.port;
    TransportChoice choice = OpenAdapterTransport(c.port, clock, msgs, BusSpeed::Standard, system);
    EXPECT_EQ(choice.transport == nullptr, *c.error != '\0') << c.port;
    EXPECT_TRUE(Contains(choice.error, c.error)) << c.port << ": " << choice.error;
    EXPECT_FALSE(choice.ownedI2c || choice.ownedUsb) << c.port << ": the injected system is used";
  }
  TransportChoice choice = OpenAdapterTransport("i2c:/dev/i2c-3", clock, msgs, BusSpeed::Fast, system);
  ASSERT_TRUE(choice.transport);
  EXPECT_TRUE(choice.transport->DetectBoard());
  EXPECT_EQ(choice.transport->eep_read1(0x3E1), i2c.chip.memory[0x3E1]);
  EXPECT_TRUE(msgs.log.empty());
}

TEST(AdapterPorts, ListNamesEveryI2cNodeAndEveryCh341) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("qrt35-i2c-dev-" + std::to_string(::getpid()));
  fs::remove_all(root);
  for (const auto& [node, name] : std::vector<std::pair<std::string, std::string>>{
           {"i2c-10", "i2c-tiny-usb at bus 001 device 005"}, {"i2c-2", "SMBus I801 adapter at f040"},
           {"i2c-0", ""}, {"notes", "not a node"}}) {
    fs::create_directories(root / node);
    if (!name.empty()) std::ofstream(root / node / "name") << name << "\n";
  }
  VirtualClock clock;
  Ch341Emulator device{clock};
  EmulatedUsb usb;
  usb.devices = {&device};

  const std::vector<AdapterInfo> found = ListAdapters(&usb, root.string(), "/dev");
  std::vector<std::string> lines;
  for (const AdapterInfo& a : found) lines.push_back(a.port + " | " + a.description);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "i2c:/dev/i2c-0 | I2C adapter",
                       "i2c:/dev/i2c-2 | SMBus I801 adapter at f040",
                       "i2c:/dev/i2c-10 | i2c-tiny-usb at bus 001 device 005",
                       "ch341:1-4 | CH341A USB programmer (bus:device 001:004)",
                   }));
  EXPECT_TRUE(ListAdapters(nullptr, (root / "missing").string(), "/dev").empty());
  fs::remove_all(root);
}

}  // namespace
}  // namespace qrt
