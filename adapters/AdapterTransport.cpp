#include "adapters/AdapterTransport.h"

#include <algorithm>

namespace qrt {
namespace {

// An unacknowledged read is asked again for at least this long as well:
// twice the 10 ms write cycle of the slowest 24C16 parts.
constexpr uint32_t kReadRetryMs = 20;
// A sequential read goes in pieces of this size, each addressed anew: an
// adapter may limit the length of one read, and a verify that stops early
// wastes at most one piece.
constexpr int kSequentialPiece = 256;

}  // namespace

AdapterTransport::Status AdapterTransport::ReadWithRetries(int address, uint8_t* data, int count) {
  const uint32_t start = clock_.timeGetTime();
  for (int attempt = 1;; ++attempt) {
    const Status status = RandomRead(address, data, count);
    if (status != Status::NoAck) return status;
    if (attempt >= kAddressingAttempts && static_cast<uint32_t>(clock_.timeGetTime() - start) > kReadRetryMs)
      return Status::NoAck;
  }
}

AdapterTransport::Status AdapterTransport::PollWrite(int address, const uint8_t* data, int count) {
  // The limit is clock time, not a count of attempts: adapters differ a
  // hundredfold in how long one attempt takes.
  const uint32_t start = clock_.timeGetTime();
  for (;;) {
    if (static_cast<uint32_t>(clock_.timeGetTime() - start) > kAckPollLimitMs) return Status::NoAck;
    const Status status = count > 0 ? WritePage(address, data, count) : Probe(address);
    if (status != Status::NoAck) return status;
  }
}

bool AdapterTransport::DoProbePager() {
  const bool acknowledged = Probe(0) == Status::Ok;
  ReleaseBus();
  return acknowledged;
}

std::optional<uint8_t> AdapterTransport::DoReadByte(int address) {
  uint8_t value = 0;
  if (ReadWithRetries(address, &value, 1) != Status::Ok) return std::nullopt;
  return value;
}

PagerTransport::StepResult AdapterTransport::DoBlockRead(Image& image, int first, int last, const GoOn& onBlockEnd) {
  for (int start = first; start <= last;) {
    const int end = std::min(start | (kEepromPageSize - 1), last);
    if (ReadWithRetries(start, &image[start], end - start + 1) != Status::Ok) return StepResult::Failed;
    // Progress for every block that ends inside the range, not for `last`.
    if (end != last && onBlockEnd && !onBlockEnd(end)) return StepResult::Stopped;
    start = end + 1;
  }
  return StepResult::Done;
}

PagerTransport::SeqResult AdapterTransport::DoSequentialRead(
    int first, int last, const std::function<bool(int, uint8_t)>& onByte) {
  uint8_t piece[kSequentialPiece];
  for (int start = first; start <= last;) {
    const int count = std::min(kSequentialPiece, last - start + 1);
    // Nothing is parked or reported here: the caller says "Read error!".
    if (ReadWithRetries(start, piece, count) != Status::Ok) return SeqResult::AddressingFailed;
    for (int i = 0; i < count; ++i)
      if (onByte && !onByte(start + i, piece[i])) return SeqResult::Stopped;
    start += count;
  }
  return SeqResult::Completed;
}

PagerTransport::StepResult AdapterTransport::DoPageWrite(const Image& image, int first, int last,
                                                         const GoOn& onPageOpen, const Image* pagerHolds) {
  bool sent = false;
  // The last page is still being stored; it counts once the EEPROM answers.
  const auto stored = [&](StepResult ended) {
    return !sent || PollWrite(last, nullptr, 0) == Status::Ok ? ended : StepResult::Failed;
  };
  for (int start = first; start <= last;) {
    const int end = std::min(start | (kEepromPageSize - 1), last);
    if (pagerHolds && std::equal(image.begin() + start, image.begin() + end + 1, pagerHolds->begin() + start)) {
      // The progress runs on.
      if (start % kEepromPageSize == 0 && onPageOpen && !onPageOpen(start)) return stored(StepResult::Stopped);
      start = end + 1;
      continue;
    }
    sent = true;
    const Status status = PollWrite(start, &image[start], end - start + 1);
    // Progress is shown once the polling is over, whatever its outcome. An
    // adapter sends the page in one transaction: a stop comes after it.
    const bool goOn = !(start % kEepromPageSize == 0 && onPageOpen) || onPageOpen(start);
    if (status != Status::Ok) return StepResult::Failed;
    if (!goOn) return stored(StepResult::Stopped);
    start = end + 1;
  }
  return stored(StepResult::Done);
}

}  // namespace qrt
