#include "link/PagerPresence.h"

namespace qrt {
namespace {

// Milliseconds from `from` to `to` on the wrapping clock; negative when `to`
// is already past.
int64_t MsUntil(uint32_t from, uint32_t to) { return static_cast<int32_t>(to - from); }

}  // namespace

PagerPresence::PagerPresence(PagerTransport& transport, Clock& clock, PresenceTiming timing)
    : transport_(transport), clock_(clock), timing_(timing) {}

bool PagerPresence::Probe() {
  ++probes_;
  return transport_.PagerAnswers();
}

void PagerPresence::SleepUntil(uint32_t targetMs) {
  const int64_t wait = MsUntil(clock_.timeGetTime(), targetMs);
  if (wait > 0) clock_.Sleep(static_cast<uint32_t>(wait));
}

bool PagerPresence::WaitForInsertion(const KeepWaiting& keepWaiting) {
  bool counting = false;  // an acknowledge came, and no silence since
  for (;;) {
    if (!keepWaiting()) return false;
    const uint32_t at = clock_.timeGetTime();
    if (!Probe()) {
      counting = false;  // the contacts bounced: start again
    } else if (!counting) {
      counting = true;
      firstAckMs_ = at;
    } else if (static_cast<uint32_t>(at - firstAckMs_) >= timing_.settleMs) {
      return true;
    }
    SleepUntil(counting ? firstAckMs_ + timing_.settleMs : at + timing_.pollMs);
  }
}

bool PagerPresence::WaitForRemoval(const KeepWaiting& keepWaiting) {
  uint32_t lastAck = clock_.timeGetTime();  // the pager was in when the wait began
  for (;;) {
    if (!keepWaiting()) return false;
    const uint32_t at = clock_.timeGetTime();
    if (Probe())
      lastAck = at;
    else if (static_cast<uint32_t>(at - lastAck) >= timing_.goneMs)
      return true;
    SleepUntil(at + timing_.pollMs);
  }
}

bool PagerPresence::StillIn() {
  const uint32_t start = clock_.timeGetTime();
  for (;;) {
    const uint32_t at = clock_.timeGetTime();
    if (Probe()) return true;
    if (static_cast<uint32_t>(at - start) >= timing_.goneMs) return false;
    SleepUntil(at + timing_.pollMs);
  }
}

}  // namespace qrt
