#pragma once
// Whether a pager is clipped into the board's socket, seen the only way the
// bus shows it: the pager's EEPROM acknowledges its device address
// (PagerTransport::PagerAnswers), a board with an empty socket does not.
// Each probe is a START, one byte and a STOP with the bus parked at once, so
// the socket can be watched between pagers without touching anything.
//
// A pager's contacts bounce as it is clipped in and pulled out, so one
// answer proves nothing: it counts as in after two acknowledges at least
// `settleMs` apart with no silence between, and as out after `goneMs`
// without any. The socket is probed at least every `pollMs`; while an
// insertion is being confirmed, again as soon as `settleMs` allow.
#include <cstdint>
#include <functional>

#include "link/Clock.h"
#include "link/Transport.h"

namespace qrt {

struct PresenceTiming {
  uint32_t pollMs = 100;
  uint32_t settleMs = 50;
  uint32_t goneMs = 300;
};

class PagerPresence {
 public:
  // The board must have been found (DetectBoard) on `transport`. Both
  // outlive the detector; all three belong to one board's thread.
  PagerPresence(PagerTransport& transport, Clock& clock, PresenceTiming timing = {});

  // Asked before every probe: false ends the wait.
  using KeepWaiting = std::function<bool()>;

  // Probes until a pager counts as clipped in: true, or false when
  // `keepWaiting` ended the wait first.
  bool WaitForInsertion(const KeepWaiting& keepWaiting);
  // Probes until the pager counts as taken out: true, or false when
  // `keepWaiting` ended the wait first.
  bool WaitForRemoval(const KeepWaiting& keepWaiting);
  // After a transfer failed: whether the pager still answers within
  // `goneMs` (true at its first acknowledge) or was taken out (false).
  bool StillIn();

  // The millisecond clock when the last WaitForInsertion began counting
  // its pager in: the first acknowledge of the two.
  uint32_t firstAcknowledgeMs() const { return firstAckMs_; }
  int probes() const { return probes_; }

 private:
  bool Probe();
  void SleepUntil(uint32_t targetMs);  // on the clock; at once when it is past

  PagerTransport& transport_;
  Clock& clock_;
  PresenceTiming timing_;
  uint32_t firstAckMs_ = 0;
  int probes_ = 0;
};

}  // namespace qrt
