// Every setting `show` prints names the image bits it is shown from, so that
// `diff` can say which differing bytes no setting shows. Every bit of an image
// that switches most things on is flipped in turn and the image shown again, as
// File > Open shows it: a setting whose shown value changes must name that bit.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "ProductInfo.h"
#include "cli/Settings.h"
#include "editor/Editor.h"

namespace qrt::cli {
namespace {

// A started window that shows images as File > Open does.
struct Shower {
  Shower() {
    ed.LoadDefaults(product::kDefaultLogo);
    ed.SelectBand0();
    started = st;
  }
  // The shown values; empty when the image cannot be shown cleanly.
  std::vector<std::string> Show(const Image& image) {
    st = started;  // what a session carries from its start (the GP spacing)
    st.PagerImage = image;
    ed.DetectBand();
    st.DecodeError = 0;
    ed.init_ctl();
    if (st.DecodeError != 0) return {};
    settings = CollectSettings(ed);
    std::vector<std::string> values;
    for (const Setting& s : settings) values.push_back(DisplayValue(s));
    return values;
  }
  void Type(CtlRef ref, const std::string& text) {
    ed.UserEditText(ref, text);
    ed.SetFocus({Ctl::picTabBack, 0});
  }
  AppState st, started;
  RecordingMessages m;
  EditorHost h;
  Editor ed{st, m, h};
  std::vector<Setting> settings;
};

bool Names(const Setting& s, int address, uint8_t bit) {
  for (const ShownBits& b : s.bits)
    if (b.address == address && (b.mask & bit)) return true;
  return false;
}

TEST(SettingBits, EveryBitThatChangesASettingIsNamedByIt) {
  // The window's start image in French, with source prompts, every mail drop
  // and every pager menu item switched on, and battery codes one bit from
  // another entry, so that the bytes behind them show.
  Image base;
  {
    Shower s;
    s.ed.UserSelect({Ctl::cboLng, 0}, 2);
    s.ed.UserSelect({Ctl::cboSource, 0}, 1);
    base = s.st.PagerImage;
    base[0x037] = base[0x038] = 0xFF;
    for (int n = 0; n < 7; ++n) base[0x078 + n] = static_cast<uint8_t>(7 + n);
    base[0x08D] = 235;  // 1.58V, 227 one bit away
    base[0x08E] = 227;
    base[0x08F] = 170;  // 1.14V, 162 one bit away
  }

  Shower shower;
  const std::vector<std::string> baseValues = shower.Show(base);
  ASSERT_FALSE(baseValues.empty()) << "the image cannot be shown";
  const std::vector<Setting> baseSettings = shower.settings;
  std::set<std::string> changedSomewhere;
  int flips = 0, shown = 0;
  for (int address = 0; address < kImageSize; ++address) {
    for (int k = 0; k < 8; ++k) {
      const uint8_t bit = static_cast<uint8_t>(1u << k);
      Image image = base;
      image[address] ^= bit;
      ++flips;
      const std::vector<std::string> values = shower.Show(image);
      if (values.empty()) continue;  // an image the window refuses shows nothing to compare
      ++shown;
      if (values == baseValues) continue;
      ASSERT_EQ(values.size(), baseValues.size());
      for (size_t i = 0; i < values.size(); ++i) {
        if (values[i] == baseValues[i]) continue;
        const Setting& s = baseSettings[i];
        changedSomewhere.insert(s.name);
        EXPECT_TRUE(Names(s, address, bit))
            << "bit " << k << " of 0x" << std::hex << address << std::dec << " changes " << s.name << " ("
            << baseValues[i] << " -> " << values[i] << ") but is not among its bits";
      }
    }
  }
  std::printf("%d bit flips, %d shown, %zu settings changed by one of them\n", flips, shown, changedSomewhere.size());

  // Not a vacuous run: every setting that names bits changed for one of them
  // (but the menu's zoom item: its code 7 is no single bit away from another
  // code the menu takes).
  for (const Setting& s : shower.settings)
    if (!s.bits.empty() && s.name != "zoom_in_out_off") {
      EXPECT_TRUE(changedSomewhere.count(s.name)) << s.name << " never changed";
    }
}

}  // namespace
}  // namespace qrt::cli
