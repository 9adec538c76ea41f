#include "tests/support/SimRig.h"

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

}  // namespace qrt::test
