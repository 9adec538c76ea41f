#include "sim/SimBoard.h"

#include "sim/VirtualClock.h"

namespace qrt {

SimBoard::SimBoard(TimeSource now, uint16_t base) : now_(now), base_(base), eeprom_(now) {}

std::string SimBoard::AttachSocket(const std::string& folder) {
  auto socket = std::make_unique<SimSocket>(folder);
  std::string problem = socket->Problem();
  if (!problem.empty()) return problem;
  socket_ = std::move(socket);
  eeprom_.pageStore = [this](const Image& memory, int first, int count) {
    return socket_->Store(memory, first, count);
  };
  connected_ = false;
  return {};
}

std::string SimBoard::Failure() const {
  if (socket_ && connected_ && !socket_->Failure().empty()) return socket_->Failure();
  return eeprom_.lastSaveError();
}

bool SimBoard::PagerConnected() {
  if (!socket_ && !contact) return true;
  const int64_t now = now_();
  bool in = true;
  if (socket_) {
    const SimSocket::Look look = socket_->LookAt(now);
    in = look.in;
    loadPending_ = loadPending_ || look.fresh;
  }
  if (in && contact) in = contact(now);
  if (in && (!connected_ || loadPending_)) {
    if (loadPending_) socket_->Load(eeprom_.memory);
    loadPending_ = false;
    // The chip sees the lines as the master holds them now, not as an edge.
    eeprom_.PowerUp((data_ & 0x01) == 0, (data_ & 0x02) == 0);
  }
  connected_ = in;
  return in;
}

uint8_t SimBoard::Inp32(uint16_t port) {
  if (port == base_) return data_;
  if (port == base_ + 1) {
    ++statusReads;
    if (noBoard) return kStatusIdle | kStatusDataLow;
    // Without the pager the data line is the master's alone.
    if (!PagerConnected()) return (data_ & 0x02) ? kStatusIdle | kStatusDataLow : kStatusIdle;
    eeprom_.Poll();
    return eeprom_.DataLineHigh() ? kStatusIdle : kStatusIdle | kStatusDataLow;
  }
  return 0xFF;
}

void SimBoard::Out32(uint16_t port, uint8_t value) {
  if (port != base_) return;
  data_ = value;
  ++dataWrites;
  if (tracing) trace.push_back({value, now_()});
  if (noBoard || !PagerConnected()) return;
  eeprom_.Drive((value & 0x01) == 0, (value & 0x02) == 0);
}

std::vector<uint8_t> SimBoard::TraceValues() const {
  std::vector<uint8_t> out;
  out.reserve(trace.size());
  for (const auto& e : trace) out.push_back(e.value);
  return out;
}

SimBoard::TimeSource TimeSourceFor(Clock& clock) {
  if (auto* virtualClock = dynamic_cast<VirtualClock*>(&clock))
    return [virtualClock] { return virtualClock->Now(); };
  return [&clock]() -> int64_t {
    int64_t frequency = 0;
    if (clock.QueryPerformanceFrequency(frequency) && frequency > 0) {
      const long double ticks = static_cast<long double>(clock.QueryPerformanceCounter());
      return static_cast<int64_t>(ticks * 1e9L / static_cast<long double>(frequency));
    }
    return static_cast<int64_t>(clock.timeGetTime()) * 1'000'000;
  };
}

}  // namespace qrt
