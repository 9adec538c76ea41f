// The simulated board's socket (--port sim:DIR/): a script clips pagers in
// and takes them out by renaming files; the board answers detection whatever
// the socket holds, the pager's EEPROM only while its file is there, and the
// program never creates or deletes a pager's file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/RealClock.h"
#include "ports/Connection.h"
#include "ports/PortIdentity.h"
#include "sim/SimBoard.h"

namespace qrt {
namespace {

namespace fs = std::filesystem;

class SimSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("qrt_socket_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root / "b1");
    ConnectionOptions options("sim:" + (root / "b1").string() + "/");
    options.virtualTime = true;
    options.bus = BusSpeed::Fast;
    const Connection::Opened opened = connection.Open(options);
    ASSERT_TRUE(opened.ok) << opened.error;
    ASSERT_TRUE(t().DetectBoard()) << "the board answers with its socket empty";
  }
  void TearDown() override { fs::remove_all(root); }

  PagerTransport& t() { return connection.transport(); }
  fs::path socket() const { return root / "b1" / "pager.bin"; }
  // A pager's file made beside the socket and renamed into it, as a script does.
  void ClipIn(const std::string& name, uint8_t fill, size_t size = kImageSize) {
    const std::string bytes(size, static_cast<char>(fill));
    std::ofstream(root / name, std::ios::binary) << bytes;
    fs::rename(root / name, socket());
    Later();
  }
  void Later() { connection.clock().Sleep(2); }  // past the board's next look into its folder
  static std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  fs::path root;
  RealClock realClock;
  RecordingMessages messages;
  Connection connection{realClock, messages};
};

TEST_F(SimSocketTest, OnlyAPagerInTheSocketAnswersAndEachIsItsOwnFile) {
  EXPECT_FALSE(t().PagerAnswers());
  EXPECT_FALSE(t().ReadByte(0x100).has_value());
  EXPECT_FALSE(fs::exists(socket())) << "an empty socket stays empty";

  ClipIn("a.bin", 0x11);
  EXPECT_TRUE(t().PagerAnswers());
  Image image;
  image.fill(0x5A);
  ASSERT_TRUE(t().PageWrite(image, 0x100, 0x11F));
  t().BusStop();
  EXPECT_EQ(t().ReadByte(0x11F), 0x5A);
  const std::string a = Contents(socket());
  EXPECT_EQ(a, std::string(0x100, '\x11') + std::string(0x20, '\x5A') + std::string(0x6E0, '\x11'))
      << "written where it lies in the file";

  // Swapped for another pager between two looks: read as that one.
  ClipIn("b.bin", 0x22);
  EXPECT_EQ(t().ReadByte(0x100), 0x22);
  fs::rename(socket(), root / "b-out.bin");
  Later();
  EXPECT_FALSE(t().PagerAnswers());
  EXPECT_EQ(Contents(root / "b-out.bin"), std::string(kImageSize, '\x22'));
  EXPECT_TRUE(connection.transport().PortFailure().empty());
}

TEST_F(SimSocketTest, APagerTakenOutDuringItsWriteFailsTheWriteAndIsNotMadeAgain) {
  ClipIn("a.bin", 0x11);
  Image image;
  image.fill(0x77);
  int pages = 0;
  const bool written = t().PageWrite(image, 0, ImageLastIndex, [&](int) {
    if (++pages == 5) {
      fs::rename(socket(), root / "a-out.bin");
      Later();
    }
  });
  EXPECT_FALSE(written);
  EXPECT_EQ(messages.Texts().back(), "Write error!");
  EXPECT_FALSE(fs::exists(socket()));
  const std::string out = Contents(root / "a-out.bin");
  ASSERT_EQ(out.size(), static_cast<size_t>(kImageSize));
  EXPECT_EQ(out.substr(0, 0x40), std::string(0x40, '\x77')) << "the pages stored before it was pulled";
  EXPECT_EQ(out.substr(0x40), std::string(kImageSize - 0x40, '\x11')) << "nothing after";
}

TEST_F(SimSocketTest, AFileThatIsNoPagerIsNamedAndLeftAlone) {
  ClipIn("short.bin", 0x33, 100);
  Image image{};
  t().PageWrite(image, 0, 15);
  t().BusStop();
  EXPECT_EQ(t().PortFailure(),
            "The simulated pager file " + socket().string() + " holds 100 bytes, not 2048; it is left untouched.");
  EXPECT_EQ(Contents(socket()), std::string(100, '\x33'));
}

TEST_F(SimSocketTest, ASocketIsOneDeviceAndMustBeAFolder) {
  const std::string b1 = (root / "b1").string();
  EXPECT_FALSE(SharedDevice({"sim:" + b1 + "/", "sim:" + b1 + "/../b1/"}, "", nullptr).empty());
  EXPECT_FALSE(SharedDevice({"sim:" + b1 + "/", "sim:" + b1 + "/pager.bin"}, "", nullptr).empty());
  fs::create_directories(root / "b2");
  EXPECT_EQ(SharedDevice({"sim:" + b1 + "/", "sim:" + (root / "b2").string() + "/"}, "", nullptr), "");

  const std::string missing = (root / "none").string() + "/";
  EXPECT_EQ(connection.Open({"sim:" + missing}).error,
            "Cannot use the simulated socket " + missing + ": No such file or directory.");
  EXPECT_FALSE(fs::exists(root / "none"));
}

}  // namespace
}  // namespace qrt
