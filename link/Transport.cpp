#include "link/Transport.h"

namespace qrt {
namespace {

bool ValidRange(int first, int last) {
  return first >= 0 && last <= ImageLastIndex && first <= last;
}

// A progress callback that never stops the transfer.
PagerTransport::GoOn Always(const std::function<void(int)>& progress) {
  if (!progress) return {};
  return [&progress](int address) {
    progress(address);
    return true;
  };
}

}  // namespace

void PagerTransport::CalibrateDelay() { DoCalibrate(); }

bool PagerTransport::DetectBoard() {
  const Detection found = DoDetect();
  if (found.found) return true;
  detectionMessage_ = found.problem;
  if (detectionMessage_.empty()) {
    detectionMessage_ = kMsgBoardNotResponding;
    const std::string why = absenceReason_ ? absenceReason_() : std::string();
    if (!why.empty()) detectionMessage_ += "\n\n" + why;
  }
  messages_.ShowOffering(detectionMessage_, MsgIcon::Warning, MsgOffer::PortDiagnostics);
  return false;
}

bool PagerTransport::PagerAnswers() { return DoProbePager(); }

std::string PagerTransport::PortFailure() const { return DoPortFailure(); }

std::optional<uint8_t> PagerTransport::ReadByte(int address) {
  const std::optional<uint8_t> value =
      (address >= 0 && address <= ImageLastIndex) ? DoReadByte(address) : std::nullopt;
  if (!value) {
    ParkBus();
    messages_.Show(kMsgReadError, MsgIcon::None);
    TransferError = true;
  }
  return value;
}

bool PagerTransport::BlockRead(Image& image, int first, int last,
                               const std::function<void(int)>& onBlockEnd) {
  return StoppableBlockRead(image, first, last, Always(onBlockEnd)) == StepResult::Done;
}

PagerTransport::StepResult PagerTransport::StoppableBlockRead(Image& image, int first, int last, const GoOn& goOn) {
  if (!ValidRange(first, last)) return StepResult::Failed;
  return DoBlockRead(image, first, last, goOn);
}

PagerTransport::SeqResult PagerTransport::SequentialRead(
    int first, int last, const std::function<bool(int, uint8_t)>& onByte) {
  if (!ValidRange(first, last)) return SeqResult::AddressingFailed;
  return DoSequentialRead(first, last, onByte);
}

bool PagerTransport::PageWrite(const Image& image, int first, int last,
                               const std::function<void(int)>& onPageOpen, const Image* pagerHolds) {
  return StoppablePageWrite(image, first, last, Always(onPageOpen), pagerHolds) == StepResult::Done;
}

PagerTransport::StepResult PagerTransport::StoppablePageWrite(const Image& image, int first, int last,
                                                              const GoOn& goOn, const Image* pagerHolds) {
  if (!ValidRange(first, last)) {
    TransferError = true;
    return StepResult::Failed;
  }
  const StepResult result = DoPageWrite(image, first, last, goOn, pagerHolds);
  if (result != StepResult::Failed) return result;
  // No STOP here: the caller sends it.
  ParkBus();
  messages_.Show(kMsgWriteError, MsgIcon::None);
  TransferError = true;
  return result;
}

void PagerTransport::ParkBus() { DoPark(); }
void PagerTransport::BusStop() { DoStop(); }
void PagerTransport::KeepAlive() { DoKeepAlive(); }

}  // namespace qrt
