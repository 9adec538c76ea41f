// `diff` hides no difference: pairs of table files that differ in a setting
// and in one random bit, compared as the command compares them. Every byte
// that differs must be named by a printed setting line (its values differ)
// or printed as a byte line of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <set>

#include "cli/Session.h"
#include "cli/Settings.h"
#include "codecs/Capcode.h"
#include "tables/TableFiles.h"

namespace qrt::cli {
namespace {

namespace fs = std::filesystem;

TEST(Diff, EveryDifferingByteIsNamedByAPrintedSettingOrPrinted) {
  const fs::path dir = fs::temp_directory_path() / "qrt_diff_pairs";
  fs::remove_all(dir);
  fs::create_directories(dir);
  FILE* quiet = std::fopen("/dev/null", "w");
  Console console(stdin, quiet, false, false);
  Session a(console, false);
  a.Start();
  ASSERT_TRUE(a.SaveTableAs((dir / "a.tbl").string()));
  const Image imageA = ReadTableFile((dir / "a.tbl").string()).image;
  const std::vector<Setting> settingsA = CollectSettings(a.editor);

  std::mt19937 rng(0x22);
  int compared = 0;
  for (int pair = 0; pair < 300; ++pair) {
    Image imageB = imageA;
    StoreCapcode(imageB, static_cast<int>(rng() % 2), static_cast<int32_t>(rng() % 2097152));
    imageB[rng() % kImageSize] ^= static_cast<uint8_t>(1u << (rng() % 8));
    ASSERT_EQ(WriteTableFileAtomically((dir / "b.tbl").string(), imageB), "");
    Session b(console, false);
    b.Start();
    if (!b.OpenTable((dir / "b.tbl").string())) continue;  // a flip the window refuses to show
    ++compared;
    const std::vector<Setting> settingsB = CollectSettings(b.editor);
    const std::vector<std::string> lines = DiffReport(settingsA, settingsB, imageA, imageB, false);

    std::set<std::string> printedSettings;
    std::set<unsigned> printedBytes;
    for (const std::string& line : lines)
      if (unsigned address = 0; std::sscanf(line.c_str(), "byte 0x%x:", &address) == 1)
        printedBytes.insert(address);
      else
        printedSettings.insert(line.substr(0, line.find(": ")));
    for (int i = 0; i < kImageSize; ++i) {
      const uint8_t differs = imageA[i] ^ imageB[i];
      if (differs == 0 || printedBytes.count(static_cast<unsigned>(i))) continue;
      bool named = false;
      for (const std::vector<Setting>* settings : {&settingsA, &settingsB})
        for (const Setting& s : *settings)
          for (const ShownBits& bits : s.bits)
            named |= printedSettings.count(s.name) && bits.address == i && (bits.mask & differs) != 0;
      EXPECT_TRUE(named) << "pair " << pair << ": byte " << i << " differs and nothing says so";
    }
  }
  std::fclose(quiet);
  fs::remove_all(dir);
  EXPECT_GE(compared, 250) << "too few pairs the window shows";
}

}  // namespace
}  // namespace qrt::cli
