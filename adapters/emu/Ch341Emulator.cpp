#include "adapters/emu/Ch341Emulator.h"

#include <cstring>

#include "adapters/Ch341.h"
#include "base/Numbers.h"

namespace qrt {
namespace {

using namespace ch341;

// A device handle: the claim lasts as long as the handle.
class Handle final : public UsbDevice {
 public:
  explicit Handle(Ch341Emulator& device) : device_(device) { device_.claimed = true; }
  ~Handle() override { device_.claimed = false; }
  UsbError BulkOut(const uint8_t* data, int length) override { return device_.Out(data, length); }
  UsbError BulkIn(uint8_t* data, int capacity, int& received) override {
    return device_.In(data, capacity, received);
  }

 private:
  Ch341Emulator& device_;
};

std::string Hex(uint8_t value) { return "0x" + HexText(value, 2); }

}  // namespace

Ch341Emulator::Ch341Emulator(VirtualClock& clock)
    : chip([&clock] { return clock.Now(); }), master(chip, clock, SpeedHz(kSpeed100kHz)), clock_(clock) {}

UsbError Ch341Emulator::Refuse(const std::string& what) {
  violations.push_back(what);
  return UsbError::Other;
}

bool Ch341Emulator::Parse(const uint8_t* data, int length, std::vector<Op>& ops) {
  // Checked against the bus as it will be when each command runs.
  bool inTransaction = master.inTransaction();
  bool readPending = master.readPending();
  int answerBytes = 0;
  auto refuse = [&](const std::string& what) {
    Refuse(what);
    return false;
  };
  for (int i = 1; i < length;) {
    const uint8_t c = data[i++];
    const int n = c & kLengthMask;
    if (c == kEnd) {
      if (i < length) return refuse("bytes after the end marker");
      break;
    }
    if (c == kStart) {
      ops.push_back({kStart, {}, 0});
      inTransaction = true;
      readPending = false;
    } else if (c == kStop) {
      if (readPending) return refuse("STOP right after a byte read with acknowledge");
      ops.push_back({kStop, {}, 0});
      inTransaction = false;
    } else if ((c & 0xFC) == kSetSpeed) {
      ops.push_back({kSetSpeed, {}, c & 0x03});
    } else if ((c & 0xF0) == kDelayUs || (c & 0xF0) == kDelayMs) {
      ops.push_back({static_cast<uint8_t>(c & 0xF0), {}, c & 0x0F});
    } else if ((c & 0xC0) == kOut) {
      const int count = n == 0 ? 1 : n;
      if (i + count > length) return refuse("output of " + std::to_string(count) + " bytes runs past the packet");
      if (!inTransaction) return refuse("byte sent without a START");
      ops.push_back({kOut, std::vector<uint8_t>(data + i, data + i + count), n});
      i += count;
      if (n == 0) ++answerBytes;
      readPending = false;
    } else if ((c & 0xC0) == kIn) {
      if (!inTransaction) return refuse("byte read without a START");
      ops.push_back({kIn, {}, n});
      answerBytes += n == 0 ? 1 : n;
      readPending = n > 0;
    } else {
      return refuse("unknown sub-command " + Hex(c));
    }
  }
  if (answerBytes > kPacketSize)
    return refuse("an answer of " + std::to_string(answerBytes) + " bytes, more than one packet holds");
  return true;
}

UsbError Ch341Emulator::Out(const uint8_t* data, int length) {
  if (unplugAfterPackets >= 0 && packetsOut >= unplugAfterPackets) unplugged = true;
  if (unplugged) return UsbError::NoDevice;
  ++packetsOut;
  clock_.Advance(packetNs);
  if (!answer_.empty())
    return Refuse("a packet sent while " + std::to_string(answer_.size()) + " answer bytes are unread");
  if (length <= 0 || length > kPacketSize) return Refuse("a packet of " + std::to_string(length) + " bytes");
  if (data[0] != kStream) return Refuse("packet starts with " + Hex(data[0]) + ", not the I2C stream command");
  std::vector<Op> ops;
  if (!Parse(data, length, ops)) return UsbError::Other;

  for (const Op& op : ops) {
    switch (op.command) {
      case kStart: master.Start(); break;
      case kStop: master.Stop(); break;
      case kSetSpeed:
        speedSetting = op.count;
        master.SetBusHz(SpeedHz(static_cast<uint8_t>(op.count)));
        break;
      case kDelayUs: clock_.Advance(op.count * 1'000LL); break;
      case kDelayMs: clock_.Advance(op.count * 1'000'000LL); break;
      case kOut:
        if (op.count == 0) {
          answer_.push_back(master.WriteByte(op.bytes[0]) ? 0x00 : kStatusNack);
        } else {
          for (uint8_t b : op.bytes) master.WriteByte(b);  // acknowledges go unreported
        }
        break;
      case kIn:
        if (op.count == 0) {
          answer_.push_back(master.ReadByte(false));
        } else {
          for (int k = 0; k < op.count; ++k) answer_.push_back(master.ReadByte(true));
        }
        break;
    }
  }
  return UsbError::None;
}

UsbError Ch341Emulator::In(uint8_t* data, int capacity, int& received) {
  received = 0;
  if (unplugged) return UsbError::NoDevice;
  if (answer_.empty()) return Refuse("a bulk read with no answer waiting (the real adapter times out)");
  if (capacity != static_cast<int>(answer_.size())) {
    const std::string what = "a bulk read of " + std::to_string(capacity) + " bytes for an answer of " +
                             std::to_string(answer_.size());
    answer_.clear();
    return Refuse(what);
  }
  std::memcpy(data, answer_.data(), answer_.size());
  received = capacity;
  answer_.clear();
  return UsbError::None;
}

std::vector<UsbDeviceInfo> EmulatedUsb::List(uint16_t vendor, uint16_t product) {
  std::vector<UsbDeviceInfo> found;
  for (const Ch341Emulator* d : devices)
    if (!d->unplugged && d->info.vendor == vendor && d->info.product == product) found.push_back(d->info);
  return found;
}

std::unique_ptr<UsbDevice> EmulatedUsb::Open(const UsbDeviceInfo& wanted, UsbError& error) {
  for (Ch341Emulator* d : devices) {
    if (d->unplugged || d->info.bus != wanted.bus || d->info.address != wanted.address) continue;
    if (d->accessDenied) {
      error = UsbError::Access;
      return nullptr;
    }
    if (d->claimedElsewhere || d->claimed) {
      error = UsbError::Busy;
      return nullptr;
    }
    ++opens;
    error = UsbError::None;
    return std::make_unique<Handle>(*d);
  }
  error = UsbError::NoDevice;
  return nullptr;
}

}  // namespace qrt
