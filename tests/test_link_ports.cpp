// Port backends and the --port choice. The ppdev backend is checked against
// a made-up /proc tree and device files that cannot be claimed; no real
// parallel port is touched.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/PagerLink.h"
#include "link/PpdevPort.h"
#include "link/RawPort.h"
#include "adapters/emu/Ch341Emulator.h"
#include "ports/Connection.h"
#include "ports/ConnectionChoices.h"
#include "ports/PortFactory.h"
#include "ports/PortIdentity.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

class FakeSystem : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qrt_ports_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root / "proc");
    fs::create_directories(root / "dev");
  }
  void TearDown() override { fs::remove_all(root); }
  void AddParport(const std::string& name, const std::string& baseAddr) {
    fs::create_directories(root / "proc" / name);
    std::ofstream(root / "proc" / name / "base-addr") << baseAddr;
  }
  PpdevPort FromSystem(Messages* msgs) {
    return PpdevPort::FromSystem(msgs, (root / "proc").string(), (root / "dev").string());
  }
  fs::path root;
};

TEST(PpdevPort, BaseAddrTakesTheFirstNumber) {
  const struct {
    const char* text;
    bool ok;
    uint16_t base;
  } cases[] = {{"888\t1912\n", true, 0x378}, {"632\t-1\n", true, 0x278}, {"956", true, 0x3BC},
               {"  57344 57352\n", true, 0xE000}, {"", false, 0}, {"abc", false, 0},
               {"-1", false, 0}, {"70000", false, 0}};
  for (const auto& c : cases) {
    uint16_t base = 0;
    EXPECT_EQ(PpdevPort::ParseBaseAddr(c.text, base), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(base, c.base) << c.text;
    }
  }
}

TEST_F(FakeSystem, LegacyAddressesMapToTheParportWithThatBase) {
  AddParport("parport0", "632\t1656\n");
  AddParport("parport1", "57344\t57352\n");  // a PCIe card: not a legacy address
  AddParport("parport2", "888\t1912\n");
  AddParport("parport3", "888\t1912\n");  // the first one keeps 0x378
  AddParport("other", "956\n");
  const PpdevPort port = FromSystem(nullptr);
  ASSERT_EQ(port.mappings().size(), 2u);
  EXPECT_EQ(port.mappings()[0].base, 0x278);
  EXPECT_EQ(port.mappings()[0].device, (root / "dev" / "parport0").string());
  EXPECT_EQ(port.mappings()[1].base, 0x378);
  EXPECT_EQ(port.mappings()[1].device, (root / "dev" / "parport2").string());
}

TEST_F(FakeSystem, UnopenablePortIsReportedOnceNamingDeviceAndGroup) {
  AddParport("parport0", "888\t1912\n");  // /dev/parport0 is missing
  RecordingMessages msgs;
  PpdevPort port = FromSystem(&msgs);
  EXPECT_EQ(port.Inp32(0x379), 0xFF);
  port.Out32(0x378, 0xFC);
  EXPECT_EQ(port.Inp32(0x378), 0xFF);
  ASSERT_EQ(msgs.log.size(), 1u);
  const std::string& text = msgs.log[0].text;
  EXPECT_NE(text.find((root / "dev" / "parport0").string()), std::string::npos) << text;
  EXPECT_NE(text.find("lp group"), std::string::npos) << text;
  EXPECT_EQ(msgs.log[0].icon, MsgIcon::Warning);
  EXPECT_EQ(port.errors().size(), 1u);
}

TEST_F(FakeSystem, DeviceThatCannotBeClaimedIsReportedOnce) {
  std::ofstream(root / "dev" / "parport7") << "";  // opens, but is no parport
  RecordingMessages msgs;
  PpdevPort port = PpdevPort::Direct((root / "dev" / "parport7").string(), &msgs);
  EXPECT_EQ(port.Inp32(0x379), 0xFF);
  EXPECT_EQ(port.Inp32(0x379), 0xFF);
  ASSERT_EQ(msgs.log.size(), 1u);
  EXPECT_EQ(msgs.log[0].text.rfind("Cannot claim " + (root / "dev" / "parport7").string(), 0), 0u)
      << msgs.log[0].text;
}

TEST_F(FakeSystem, AddressesWithoutAParportReadAllOnesSilently) {
  RecordingMessages msgs;
  PpdevPort none = FromSystem(&msgs);
  PpdevPort direct = PpdevPort::Direct((root / "dev" / "missing").string(), &msgs);
  for (uint16_t p : {0x278, 0x279, 0x3BC, 0x3BD, 0x37A, 0x000}) {
    EXPECT_EQ(none.Inp32(p), 0xFF);
    EXPECT_EQ(direct.Inp32(p), 0xFF) << "a direct port answers only at 0x378/0x379";
  }
  EXPECT_TRUE(msgs.log.empty());
}

TEST(RawPort, OnlyTheLegacyRegistersArePermitted) {
  for (uint16_t p : {0x378, 0x379, 0x37A, 0x278, 0x27A, 0x3BC, 0x3BE}) EXPECT_TRUE(RawPort::Permitted(p)) << p;
  for (uint16_t p : {0x377, 0x37B, 0x3BF, 0x2F8, 0x80}) EXPECT_FALSE(RawPort::Permitted(p)) << p;
}

TEST(PortFactory, ChoicesAndErrors) {
  VirtualClock clock;
  {
    const PortChoice c = OpenPort("parallel", "", clock);
    EXPECT_EQ(c.port, nullptr);
    EXPECT_NE(c.error.find("parallel"), std::string::npos);
    EXPECT_NE(c.error.find(kPortChoices), std::string::npos) << c.error;
  }
  {
    const PortChoice c = OpenPort("ppdev:", "", clock);
    EXPECT_EQ(c.port, nullptr);
    EXPECT_FALSE(c.error.empty());
  }
  {
    const PortChoice c = OpenPort("ppdev:/dev/parport9", "", clock);
    ASSERT_NE(c.port, nullptr);
    EXPECT_EQ(c.sim, nullptr);
    EXPECT_TRUE(c.error.empty());
  }
  {
    const PortChoice c = OpenPort("raw", "", clock);
    // Needs root and an x86 machine; either way the answer is clear.
    EXPECT_EQ(c.port == nullptr, !c.error.empty());
  }
  {
    const std::string path = (fs::temp_directory_path() / "qrt_factory_missing.bin").string();
    fs::remove(path);
    const PortChoice c = OpenPort("sim", path, clock);
    ASSERT_NE(c.sim, nullptr);
    EXPECT_EQ(c.port.get(), static_cast<PortIo*>(c.sim));
    EXPECT_NE(c.note.find(path), std::string::npos);
    EXPECT_EQ(c.port->Inp32(0x379) & 0x08, 0) << "a board answers at 0x378";
  }
}

// The connection a program holds: every port name gives a transport that
// answers as its hardware would; a name that gives no port leaves a
// connection on which transfers find no board, and says why.
TEST_F(FakeSystem, ConnectionsOpenEveryKindOfPortAndNeverLeaveNone) {
  VirtualClock clock;
  RecordingMessages messages;
  Connection connection(clock, messages);
  const std::string file = (root / "pager.bin").string();

  ASSERT_TRUE(connection.Open({"sim:" + file}).ok);
  ASSERT_NE(connection.sim(), nullptr);
  EXPECT_TRUE(connection.transport().DetectBoard());
  EXPECT_NE(connection.Describe().find(file), std::string::npos);

  connection.Open({"sim"});
  connection.SetBusSpeed(BusSpeed::Fast);
  ASSERT_NE(connection.link(), nullptr);
  EXPECT_EQ(connection.link()->busSpeed(), BusSpeed::Fast);

  // A name that gives no port, and a simulated pager that is a folder: the
  // missing board says why, and offers the port diagnostics.
  for (const std::string& name : std::vector<std::string>{"lpt1", "sim:", "ppdev:", "sim:" + root.string()}) {
    const Connection::Opened opened = connection.Open({name});
    EXPECT_FALSE(opened.ok) << name;
    EXPECT_FALSE(opened.error.empty()) << name;
    EXPECT_EQ(IsKnownPortName(name), name.size() > 6) << name;  // only the folder is named right
    messages.Clear();
    EXPECT_FALSE(connection.transport().DetectBoard()) << name;
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"The Board is not responding!\n\n" + opened.error}) << name;
    EXPECT_EQ(messages.log[0].offer, MsgOffer::PortDiagnostics);
  }
  EXPECT_EQ(connection.Open({"sim:" + root.string()}).error,
            "Cannot use the simulated pager file " + root.string() + ": Is a directory.");

  // An adapter that is not plugged in is a missing board.
  ASSERT_TRUE(connection.Open({(root / "i2c-9").string().insert(0, "i2c:")}).ok);
  EXPECT_EQ(connection.link(), nullptr);
  messages.Clear();
  EXPECT_FALSE(connection.transport().DetectBoard());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"The Board is not responding!"});
}

// What Pager > Connection... offers on a machine with two parallel ports
// (one without its ppdev node), two I2C adapters and a CH341A, and the
// status line of each kind of port.
TEST_F(FakeSystem, ConnectionsPresentAreListedAndTheOneInUseIsNamed) {
  AddParport("parport1", "57344\t57352\n");
  AddParport("parport0", "888\t1912\n");
  AddParport("parport2", "632\n");  // listed by the kernel, but no /dev/parport2
  std::ofstream(root / "dev" / "parport0") << "";
  std::ofstream(root / "dev" / "parport1") << "";
  for (const auto& [node, name] : {std::pair{"i2c-3", "CP2112 SMBus Bridge"}, std::pair{"i2c-1", ""}}) {
    fs::create_directories(root / "sys" / node);
    std::ofstream(root / "sys" / node / "name") << name << "\n";
  }
  VirtualClock clock;
  Ch341Emulator device{clock};
  EmulatedUsb usb;
  usb.devices = {&device};
  MachinePaths paths;
  paths.parportProc = (root / "proc").string();
  paths.dev = (root / "dev").string();
  paths.i2cClass = (root / "sys").string();
  const std::string dev = paths.dev;
  std::vector<std::string> lines;
  for (const ConnectionChoice& c : ListConnections(&usb, paths)) lines.push_back(c.port + " | " + c.description);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "ppdev | the parallel ports at 0x378, 0x278 and 0x3BC through ppdev (automatic)",
                       "ppdev:" + dev + "/parport0 | " + dev + "/parport0 at 0x378 through ppdev",
                       "ppdev:" + dev + "/parport1 | " + dev + "/parport1 at 0xE000 through ppdev",
                       "i2c:" + dev + "/i2c-1 | the I2C adapter " + dev + "/i2c-1: I2C adapter",
                       "i2c:" + dev + "/i2c-3 | the I2C adapter " + dev + "/i2c-3: CP2112 SMBus Bridge",
                       "ch341:1-4 | CH341A USB programmer (bus:device 001:004)",
                       "sim | the simulated board and pager",
                   }));

  RecordingMessages messages;
  Connection connection(clock, messages);
  const struct {
    const char* port;
    BusSpeed bus;
    const char* status;
  } cases[] = {
      {"sim", BusSpeed::Standard, "Connection: the simulated board and pager, standard bus"},
      {"ppdev:/dev/parport0", BusSpeed::Fast, "Connection: /dev/parport0 through ppdev, fast bus"},
      {"ch341:1-4", BusSpeed::Fast, "Connection: the CH341A on USB port 1-4, 400 kHz"},
      {"i2c:/dev/i2c-1", BusSpeed::Fast, "Connection: the I2C adapter /dev/i2c-1, at the rate its kernel driver sets"},
  };
  for (const auto& c : cases) {
    ConnectionOptions options(c.port);
    options.bus = c.bus;
    const Connection::Opened opened = connection.Open(options);
    EXPECT_EQ(ConnectionStatusText(connection, opened), c.status);
  }
  const Connection::Opened refused = connection.Open({"lpt1"});
  EXPECT_EQ(ConnectionStatusText(connection, refused), "Connection: the port lpt1 (not open: " + refused.error + ")");
}

// One device under two names is one pager: each kind of port is known by
// what it reaches, not by how it is named.
TEST_F(FakeSystem, TwoNamesOfOneDeviceAreToldForEveryKindOfPort) {
  AddParport("parport0", "888\n");
  AddParport("parport1", "57344\n");
  std::ofstream(root / "dev" / "parport0") << "";
  std::ofstream(root / "dev" / "parport1") << "";
  std::ofstream(root / "dev" / "i2c-3") << "";
  std::ofstream(root / "a.bin") << "";
  fs::create_symlink(root / "dev" / "parport0", root / "dev" / "printer");
  fs::create_symlink(root / "dev" / "i2c-3", root / "dev" / "i2c-by-name");
  fs::create_symlink(root / "a.bin", root / "link.bin");
  VirtualClock clock;
  Ch341Emulator device{clock};
  EmulatedUsb usb;
  usb.devices = {&device};
  MachinePaths paths;
  paths.parportProc = (root / "proc").string();
  paths.dev = (root / "dev").string();
  const std::string dev = paths.dev, dir = root.string();
  const struct {
    std::string a, b;
    bool shared;
  } cases[] = {
      {"sim:" + dir + "/a.bin", "sim:" + dir + "/./dev/../a.bin", true},
      {"sim:" + dir + "/a.bin", "sim:" + dir + "/link.bin", true},
      {"sim:" + dir + "/new.bin", "sim:" + dir + "/dev/../new.bin", true},  // not made yet
      {"sim", "sim:" + dir + "/a.bin", true},  // the plain sim's file
      {"ppdev", "ppdev:" + dev + "/parport0", true},
      {"ppdev:" + dev + "/printer", "ppdev:" + dev + "/parport0", true},
      {"ppdev", "ppdev:" + dev + "/parport1", false},  // at 0xE000: not a port ppdev looks at
      {"raw", "ppdev:" + dev + "/parport0", true},     // 0x378 either way
      {"i2c:" + dev + "/i2c-by-name", "i2c:" + dev + "/i2c-3", true},
      {"ch341", "ch341:1-4", true},
      {"ch341:001:004", "ch341:1-4", true},
      {"ch341:1-5", "ch341:1-4", false},
  };
  for (const auto& c : cases) {
    const std::string why = SharedDevice({c.a, c.b}, dir + "/a.bin", &usb, paths);
    EXPECT_EQ(!why.empty(), c.shared) << c.a << " and " << c.b << ": " << why;
    if (c.shared) {
      EXPECT_NE(why.find("--port " + c.a + " and --port " + c.b), std::string::npos) << why;
    }
  }
}

}  // namespace
}  // namespace qrt
