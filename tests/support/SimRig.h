#pragma once
// A pager link wired to the simulated board and pager on virtual time, for
// tests: the EEPROM holds the factory image with a valid checksum, the board
// sits on 0x378 and the link already points at it (no detection needed).
#include <cstdint>
#include <random>

#include "base/Messages.h"
#include "image/PagerImage.h"
#include "link/PagerLink.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"

namespace qrt::test {

struct SimRig {
  explicit SimRig(uint16_t boardBase = 0x378);

  // The image the simulated pager starts with.
  static Image FactoryPagerImage();

  // The pager's contents once any write cycle under way has finished.
  const Image& PagerMemory();

  VirtualClock clock;
  SimBoard board;
  RecordingMessages msgs;
  PagerLink link;
};

// A pager image whose fields the window can all show: the model and a version
// whose checksum is checked in the identification, a baud field with an entry,
// pager-menu codes, a contrast whose grey level fits a colour, frequencies
// that fit 31 bits, prompts in the pager's 7-bit national variant, and a valid
// checksum. Everything else is random.
Image RandomShowablePager(std::mt19937& rng);

}  // namespace qrt::test
