#include "tests/support/SimRig.h"

#include <algorithm>

#include "codecs/Charset.h"
#include "image/Defaults.h"

namespace qrt::test {

SimRig::SimRig(uint16_t boardBase)
    : board(TimeSourceFor(clock), boardBase), link(board, clock, msgs) {
  board.eeprom().memory = FactoryPagerImage();
  link.PortBase = boardBase;
  link.PortStatus = static_cast<uint16_t>(boardBase + 1);
}

Image SimRig::FactoryPagerImage() {
  Image image = BuildDefaultImage();
  StoreChecksum(image);
  return image;
}

const Image& SimRig::PagerMemory() {
  clock.Advance(board.eeprom().writeCycleNs);
  board.eeprom().Poll();
  return board.eeprom().memory;
}

Image RandomShowablePager(std::mt19937& rng) {
  Image image;
  for (uint8_t& b : image) b = static_cast<uint8_t>(rng());
  const Image factory = SimRig::FactoryPagerImage();
  std::copy_n(factory.begin() + addr::kIdentString, addr::kIdentLength, image.begin() + addr::kIdentString);
  image[0x61] = static_cast<uint8_t>((image[0x61] & ~0x18) | (rng() % 3) << 3);
  for (int n = 0; n < 7; ++n) {
    const unsigned pick = rng() % 8;
    image[0x78 + n] = static_cast<uint8_t>(pick == 7 ? 32 : 7 + pick);
  }
  image[0x89] = static_cast<uint8_t>(rng() % 52);
  image[0x64] = 0;
  image[0x68] &= 0x7F;
  ToPagerCharset(image);
  StoreChecksum(image);
  return image;
}

}  // namespace qrt::test
