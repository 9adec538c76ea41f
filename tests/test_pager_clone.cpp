// Reading a pager and writing what the window then holds, unchanged, into a
// second pager makes a clone: showing an image changes none of its bytes. The
// reads and writes run through the Pager menu's commands and the transfer
// dialog's model against simulated pagers on virtual time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

#include "codecs/Charset.h"
#include "tests/support/EditorRig.h"
#include "tests/transfer_rig.h"

namespace qrt::test {
namespace {

using testing::Differences;

// The bytes a write sets itself: the marker, the checksum, and the byte the
// second pager keeps as its own.
Image WithoutWriteBytes(Image image) {
  for (int a : {addr::kWriteMarker, addr::kChecksumHigh, addr::kChecksumLow, addr::kPagerOwnByte}) image[a] = 0;
  return image;
}

struct CloneRig : TransferRig {
  CloneRig() {
    // Coarser virtual clocks: one counter read past the 25 us bit delay
    // instead of twenty-six, a tenth of a millisecond per read of the
    // millisecond clock. The simulated pager still checks every bus timing.
    clock.counterReadStep = 26'000;
    clock.msReadStep = 100'000;
    host.runTransferDialog = [this] {
      Form2 form(editor, link, msgs);
      form.Form_Activate();
    };
    msgs.defaultAnswer = true;  // write a GP image into a non-GP pager and the other way round
  }

  // F3 with `pager` on the board; false (with the reason) when the window did
  // not take the image over.
  ::testing::AssertionResult Read(const Image& pager) {
    LoadPager(pager);
    msgs.Clear();
    editor.PagerCommand(0);
    if (link.TransferError) return ::testing::AssertionFailure() << ::testing::PrintToString(msgs.Texts());
    return ::testing::AssertionSuccess();
  }

  // F4 in Write Mode with `pager` on the board; what that pager then holds.
  Image WriteInto(const Image& pager) {
    LoadPager(pager);
    msgs.Clear();
    editor.WriteOpt_Click();
    editor.PagerCommand(1);
    editor.ModifyOpt_Click();
    EXPECT_FALSE(link.TransferError) << ::testing::PrintToString(msgs.Texts());
    return PagerMemory();
  }
};

// The pager written into: a factory pager whose own byte at 0x0E9 the write
// must leave it.
Image SecondPager() {
  Image image = SimRig::FactoryPagerImage();
  image[addr::kPagerOwnByte] = 0xC3;
  StoreChecksum(image);
  return image;
}

// Fields holding values the window shows like another value that its
// handlers would store differently: each must reach the second pager as it is.
struct OddImage {
  const char* what;
  std::vector<std::pair<int, uint8_t>> bytes;
};

const std::vector<OddImage>& OddImages() {
  static const std::vector<OddImage> rows = {
      {"check boxes and inverted boxes", {{0x31, 0xF7}, {0x36, 0x5A}, {0x39, 0xA5}}},
      {"whole-byte inverted boxes", {{0x7F, 0x05}, {0x7E0, 0xFF}, {0x7E1, 0x02}, {0x7E2, 0x00}, {0x7E3, 0x80}}},
      {"lists, logo mode 3, source prompts off with a direction", {{0x39, 0x03}, {0x3B, 0x3B}}},
      {"baud list: 2400 bps with the derived bytes of 1200 bps", {{0x61, 0x10}, {0x62, 0x41}, {0x63, 0x3F}}},
      {"lockout list: bit 2 without bit 3 (\"240 seconds\")", {{0x3C, 0x44}}},
      {"lockout list: bit 2 with bits 0-1", {{0x3C, 0x07}}},
      {"out-of-service list: bits 1-2 while off, menu bit 5 set", {{0x3D, 0x26}}},
      {"source prompt boxes", {{0x3B, 0x60}, {0x7C0, 0xFF}, {0x7C1, 0x02}, {0x7C2, 0x01}, {0x7DF, 0x80}}},
      {"tone list: a code it has no entry for", {{0x2E, 0x05}}},
      {"battery lists: a code without entry, thresholds out of order", {{0x8D, 0x00}, {0x8E, 235}, {0x8F, 149}}},
      {"pager-menu boxes: unordered codes and duplicates",
       {{0x78, 13}, {0x79, 32}, {0x7A, 9}, {0x7B, 9}, {0x7C, 32}, {0x7D, 8}, {0x7E, 7}}},
      {"contrast below the slider", {{0x89, 0}}},
      {"contrast above the slider", {{0x89, 51}}},
      {"language: code 1 shown as English, French characters", {{0x3E, 0x51}, {0x3A, 0x06}}},
      {"logo font code 1 (shown as English(Large))", {{0x3F, 0x01}}},
      {"logo font code 3 (no entry)", {{0x3F, 0x03}}},
  };
  return rows;
}

TEST(PagerClone, FieldsTheWindowShowsLikeOtherValuesReachTheSecondPagerUnchanged) {
  for (const OddImage& row : OddImages()) {
    SCOPED_TRACE(row.what);
    CloneRig rig;
    // The window showed another image before: nothing of it may leak into this one.
    Image before = SimRig::FactoryPagerImage();
    before[0x3F] = 0x08;
    before[0x3C] = 0x0B;
    StoreChecksum(before);
    ASSERT_TRUE(rig.Read(before));

    Image first = SimRig::FactoryPagerImage();
    for (const auto& [address, value] : row.bytes) first[address] = value;
    StoreChecksum(first);
    ASSERT_TRUE(rig.Read(first));
    Image shown = first;
    ToDisplayCharset(shown);  // the window holds prompts in display characters
    EXPECT_EQ(Differences(shown, rig.state.PagerImage), std::vector<std::string>{}) << "shown";

    const Image second = rig.WriteInto(SecondPager());
    EXPECT_EQ(Differences(WithoutWriteBytes(first), WithoutWriteBytes(second)), std::vector<std::string>{});
    EXPECT_EQ(second[addr::kPagerOwnByte], 0xC3) << "the second pager keeps its own byte";

    ASSERT_TRUE(rig.Read(second));
    EXPECT_EQ(Differences(WithoutWriteBytes(shown), WithoutWriteBytes(rig.state.PagerImage)),
              std::vector<std::string>{})
        << "read back";
  }
}

TEST(PagerClone, RandomImagesReadAndWrittenBackMakeAClone) {
  constexpr int kImages = 1000;
  std::mt19937 rng(0x0C10E);
  const auto start = std::chrono::steady_clock::now();
  CloneRig rig;  // one window for all, as a technician cloning pager after pager
  int cloned = 0;
  for (int n = 0; n < kImages; ++n) {
    const Image first = RandomShowablePager(rng);
    ASSERT_TRUE(rig.Read(first)) << "image " << n;
    const Image second = rig.WriteInto(SecondPager());
    const std::vector<std::string> changed = Differences(WithoutWriteBytes(first), WithoutWriteBytes(second));
    EXPECT_EQ(changed, std::vector<std::string>{}) << "image " << n;
    if (!changed.empty()) break;
    ++cloned;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("pager clone: %d random images read and written back, %d clones, %.1f s\n", kImages, cloned, seconds);
  EXPECT_EQ(cloned, kImages);
}

}  // namespace
}  // namespace qrt::test
