#include "sim/SimEeprom.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/FileIo.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

constexpr int kAddressMask = 0x7FF;
constexpr int kPageMask = 0x0F;

}  // namespace

SimTimingRules SimTimingRules::ForBusHz(int busHz) {
  if (busHz <= 100'000) return SimTimingRules{};
  SimTimingRules fast;
  fast.clockHighNs = 600;
  fast.clockLowNs = 1'300;
  fast.dataSetupNs = 100;
  fast.startSetupNs = 600;
  fast.startHoldNs = 600;
  fast.stopSetupNs = 600;
  fast.busFreeNs = 1'300;
  return fast;
}

SimEeprom::SimEeprom(TimeSource now) : now_(std::move(now)) {
  memory = BuildDefaultImage();
  StoreChecksum(memory);
  page_.fill(-1);
  cycleData_.fill(-1);
}

SimEeprom::~SimEeprom() {
  if (cycleActive_) {
    cycleEnd_ = 0;
    faults.writeCycleNeverEnds = false;
    Busy();
  }
}

// ------------------------------------------------------------ line decoding

void SimEeprom::Drive(bool clockHigh, bool dataHigh) {
  Poll();
  at_ = now_();
  masterSda_ = dataHigh;
  if (clockHigh == scl_) {
    DataChanged();
  } else if (clockHigh) {
    // Both lines changed in one register write: data settles before the
    // rising clock edge samples it ...
    DataChanged();
    scl_ = true;
    ClockRose();
  } else {
    // ... and changes only after a falling edge, so one write never fakes a
    // START or a STOP.
    scl_ = false;
    ClockFell();
    DataChanged();
  }
}

void SimEeprom::DataChanged() {
  const bool sda = masterSda_ && !pullLow_;
  if (sda == sda_) return;
  WireChanged(sda);
  if (!scl_) return;  // data may change freely while the clock is low
  if (sda)
    StopCondition();
  else
    StartCondition();
}

void SimEeprom::SetPull(bool low) {
  // Only called while the clock is low: the chip never makes a START or STOP.
  pullLow_ = low;
  const bool sda = masterSda_ && !pullLow_;
  if (sda != sda_) WireChanged(sda);
}

void SimEeprom::WireChanged(bool high) {
  sdaBefore_ = sda_;
  sda_ = high;
  dataChangedAt_ = at_;
  if (high) dataRoseAt_ = at_;
}

// ------------------------------------------------------------ timing rules

bool SimEeprom::PhaseLongEnough(int64_t since, int64_t least, int64_t& shortest) {
  if (since == kLongAgo) return true;
  const int64_t length = at_ - since;
  shortest = std::min(shortest, length);
  if (length >= least) return true;
  ++timing.violations;
  return false;
}

void SimEeprom::StartCondition() {
  // assert: clock high, data just fell. Both lines have been high since the
  // later of their rises; when the last rise of data was a STOP and the clock
  // stayed high since, that is the bus free time as well.
  const bool afterStop = stopAt_ == dataRoseAt_ && clockRoseAt_ <= stopAt_;
  bool seen = PhaseLongEnough(std::max(clockRoseAt_, dataRoseAt_), rules.startSetupNs,
                              timing.startSetupNs);
  if (afterStop) seen = PhaseLongEnough(stopAt_, rules.busFreeNs, timing.busFreeNs) && seen;
  if (!seen) return;  // not recognised: the chip carries on as before
  startAt_ = at_;
  holdPending_ = true;
  OnStart();
}

void SimEeprom::StopCondition() {
  // assert: clock high, data just rose
  holdPending_ = false;
  if (!PhaseLongEnough(clockRoseAt_, rules.stopSetupNs, timing.stopSetupNs)) return;
  OnStop();
  stopAt_ = at_;
}

bool SimEeprom::Samples() const {
  switch (phase_) {
    case Phase::DeviceByte:
    case Phase::WordAddress:
    case Phase::WriteData:
      return bit_ < 8;
    case Phase::ReadData:
      return bit_ == 8;  // the master's ACK or NACK
    default:
      return false;
  }
}

bool SimEeprom::Silent() const {
  // A quiet chip NACKs everything and leaves the data line released, so the
  // bytes of a read under way come in as 0xFF.
  return (faults.silentAfterAckedBytes >= 0 && counters.bytesAcked >= faults.silentAfterAckedBytes) ||
         (faults.silentAfterSentBytes >= 0 && counters.bytesSent >= faults.silentAfterSentBytes);
}

void SimEeprom::OnStart() {
  ++counters.starts;
  // A START before the STOP abandons a page write (a repeated START after a
  // dummy write has nothing buffered and loses nothing).
  DiscardPage();
  phase_ = Phase::DeviceByte;
  bit_ = 0;
  shift_ = 0;
  pulseValid_ = false;
  pullLow_ = false;
}

void SimEeprom::OnStop() {
  ++counters.stops;
  if (phase_ == Phase::WriteData && pageBytes_ > 0) {
    if (bit_ == 0 && !cycleActive_) {
      // A STOP right after an acknowledged byte stores the page.
      cycleData_ = page_;
      cycleBase_ = pageBase_;
      cycleActive_ = true;
      cycleEnd_ = now_() + writeCycleNs;
      ++counters.writeCyclesStarted;
      page_.fill(-1);
      pageBytes_ = 0;
    } else {
      DiscardPage();  // cut short in mid-byte: nothing is stored
    }
  }
  phase_ = Phase::Idle;
  bit_ = 0;
  pulseValid_ = false;
  pullLow_ = false;
}

void SimEeprom::DiscardPage() {
  if (pageBytes_ > 0) ++counters.writesAborted;
  page_.fill(-1);
  pageBytes_ = 0;
}

void SimEeprom::ClockRose() {
  const bool lowLongEnough = PhaseLongEnough(clockFellAt_, rules.clockLowNs, timing.clockLowNs);
  clockRoseAt_ = at_;
  if (!lowLongEnough) return;  // too short a low phase: the chip misses this pulse
  pulseValid_ = true;
  bool level = sda_;
  if (Samples() &&
      !PhaseLongEnough(dataChangedAt_, rules.dataSetupNs, timing.dataSetupNs))
    level = sdaBefore_;  // changed too late: the chip still sees the old level
  if (phase_ == Phase::ReadData) {
    if (bit_ == 8) masterAck_ = !level;  // master pulls data low to ask for more
  } else if (bit_ < 8) {
    sampled_ = level;
  }
}

void SimEeprom::ClockFell() {
  const bool highLongEnough = PhaseLongEnough(clockRoseAt_, rules.clockHighNs, timing.clockHighNs);
  clockFellAt_ = at_;
  if (holdPending_) {
    holdPending_ = false;
    if (!PhaseLongEnough(startAt_, rules.startHoldNs, timing.startHoldNs)) {
      // The clock fell too soon after the START: the chip lost it and waits
      // for the next START or STOP.
      phase_ = Phase::Ignore;
      return;
    }
  }
  // A clock pulse counts only when it began after the last START or STOP
  // and was long enough for the chip to see.
  if (!pulseValid_) return;
  pulseValid_ = false;
  if (!highLongEnough) return;
  switch (phase_) {
    case Phase::Idle:
    case Phase::Ignore:
      return;
    case Phase::DeviceByte:
    case Phase::WordAddress:
    case Phase::WriteData:
      if (bit_ < 8) {
        shift_ = static_cast<uint8_t>((shift_ << 1) | (sampled_ ? 1 : 0));
        if (++bit_ == 8) SetPull(ByteReceived(shift_));  // acknowledge clock follows
        return;
      }
      // Acknowledge clock over.
      SetPull(false);
      bit_ = 0;
      shift_ = 0;
      phase_ = next_;
      if (phase_ == Phase::ReadData) {
        LoadNextByte();
        DriveOwnBit();
      }
      return;
    case Phase::ReadData:
      if (bit_ < 8) {
        ++bit_;
        if (bit_ < 8)
          DriveOwnBit();
        else
          SetPull(false);  // the master answers ACK or NACK
        return;
      }
      if (masterAck_) {
        bit_ = 0;
        LoadNextByte();
        DriveOwnBit();
      } else {
        // NACK ends the read; the chip waits for a START or a STOP.
        SetPull(false);
        phase_ = Phase::Ignore;
      }
      return;
  }
}

void SimEeprom::DriveOwnBit() {
  const bool one = (outByte_ >> (7 - bit_)) & 1;
  SetPull(!one && !outQuiet_);
}

void SimEeprom::LoadNextByte() {
  outByte_ = memory[counter_];
  if (counter_ == faults.flipAddress) outByte_ = static_cast<uint8_t>(outByte_ ^ faults.flipMask);
  counter_ = (counter_ + 1) & kAddressMask;  // runs across blocks and wraps to 0
  // Whether this byte goes out is decided before it is counted, so a chip
  // told to go quiet after n bytes still sends the n-th.
  outQuiet_ = Silent();
  if (!outQuiet_) ++counters.bytesSent;
}

bool SimEeprom::ByteReceived(uint8_t value) {
  bool ack = false;
  switch (phase_) {
    case Phase::DeviceByte: {
      ++counters.addressings;
      const bool ours = (value & 0xF0) == 0xA0;
      if (counters.addressings <= faults.nackFirstAddressings || !ours || Busy() || Silent()) {
        next_ = Phase::Ignore;
        return false;
      }
      ++counters.addressingsAcked;
      if (value & 1) {
        next_ = Phase::ReadData;  // current-address read from the counter
      } else {
        block_ = (value >> 1) & 0x07;
        next_ = Phase::WordAddress;
      }
      ack = true;
      break;
    }
    case Phase::WordAddress:
      if (Silent()) break;
      counter_ = (block_ << 8) | value;
      page_.fill(-1);
      pageBytes_ = 0;
      next_ = Phase::WriteData;
      ack = true;
      break;
    case Phase::WriteData:
      if (Silent()) break;
      // The page buffer: the address wraps inside its 16-byte page.
      pageBase_ = counter_ & ~kPageMask;
      page_[counter_ & kPageMask] = value;
      ++pageBytes_;
      counter_ = pageBase_ | ((counter_ + 1) & kPageMask);
      next_ = Phase::WriteData;
      ack = true;
      break;
    default:
      break;
  }
  if (!ack) {
    next_ = Phase::Ignore;
    return false;
  }
  ++counters.bytesAcked;
  return true;
}

// ------------------------------------------------------------ write cycle

bool SimEeprom::Busy() {
  if (!cycleActive_) return false;
  if (faults.writeCycleNeverEnds || now_() < cycleEnd_) return true;
  for (int i = 0; i < 16; ++i)
    if (cycleData_[i] >= 0) memory[cycleBase_ + i] = static_cast<uint8_t>(cycleData_[i]);
  cycleData_.fill(-1);
  cycleActive_ = false;
  ++counters.pagesWritten;
  Save(cycleBase_);
  return false;
}

// ------------------------------------------------------------ persistence

SimEeprom::Attached SimEeprom::AttachFile(const std::string& path) {
  path_.clear();
  Attached attached;
  const auto cannot = [&](int error) {
    attached.error = "Cannot use the simulated pager file " + path + ": " + std::strerror(error) + ".";
    return attached;
  };
  struct stat sb;
  if (::stat(path.c_str(), &sb) != 0) {
    if (errno != ENOENT) return cannot(errno);
    path_ = path;  // created by the first completed write cycle
    attached.note = "The simulated pager file " + path +
                    " does not exist yet; the simulated pager starts with the factory image.";
    return attached;
  }
  if (S_ISDIR(sb.st_mode)) return cannot(EISDIR);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return cannot(errno);
  // One byte more than a pager holds tells a longer file (or an endless
  // device) from a pager's file.
  std::vector<uint8_t> bytes(memory.size() + 1);
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      return cannot(error);
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (got != memory.size()) {
    const std::string size = got > memory.size() ? "more than 2048 bytes" : std::to_string(got) + " bytes";
    attached.note = "The simulated pager file " + path + " holds " + size +
                    ", not 2048; it is left untouched and the simulated pager starts with the "
                    "factory image and saves nothing.";
    return attached;
  }
  std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(memory.size()), memory.begin());
  path_ = path;
  return attached;
}

void SimEeprom::PowerUp(bool clockHigh, bool dataHigh) {
  DiscardPage();
  cycleActive_ = false;
  cycleData_.fill(-1);
  phase_ = next_ = Phase::Idle;
  bit_ = 0;
  shift_ = 0;
  pulseValid_ = holdPending_ = pullLow_ = false;
  scl_ = clockHigh;
  masterSda_ = sda_ = sdaBefore_ = dataHigh;
  clockRoseAt_ = clockFellAt_ = dataChangedAt_ = dataRoseAt_ = startAt_ = stopAt_ = kLongAgo;
  saveError_.clear();
}

void SimEeprom::Save(int first) {
  if (pageStore) {
    saveError_ = pageStore(memory, first, static_cast<int>(page_.size()));
    if (!saveError_.empty()) ++counters.saveFailures;
    return;
  }
  if (path_.empty()) return;
  const std::string temp = path_ + ".tmp";
  const auto fail = [&](int error) {
    saveError_ = "Cannot save the simulated pager file " + path_ + ": " + std::strerror(error) + ".";
    ++counters.saveFailures;
    ::unlink(temp.c_str());
  };
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return fail(errno);
  if (!WriteAll(fd, memory.data(), memory.size())) {
    const int error = errno;
    ::close(fd);
    return fail(error);
  }
  if (::close(fd) != 0) return fail(errno);
  if (std::rename(temp.c_str(), path_.c_str()) != 0) return fail(errno);
  saveError_.clear();
}

}  // namespace qrt
