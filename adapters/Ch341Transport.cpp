#include "adapters/Ch341Transport.h"

#include <algorithm>

#include "adapters/Adapters.h"
#include "adapters/Ch341.h"
#include "base/Numbers.h"

namespace qrt {
namespace {

using namespace ch341;

// Bytes read in the first packet of a random read: its answer also carries
// the two status bytes of the device bytes.
constexpr int kFirstReadPiece = kPacketSize - 2;

// A USB bus, device or port number: one to three digits.
bool AllDigits(const std::string& text) { return text.size() <= 3 && ParseDigits(text).has_value(); }

// The commands that read `count` bytes; the last one is not acknowledged when
// it ends the read.
void AppendReads(std::vector<uint8_t>& packet, int count, bool endsRead) {
  if (!endsRead) {
    packet.push_back(static_cast<uint8_t>(kIn | count));
    return;
  }
  if (count > 1) packet.push_back(static_cast<uint8_t>(kIn | (count - 1)));
  packet.push_back(kIn);
}

bool Nacked(uint8_t status) { return (status & kStatusNack) != 0; }

}  // namespace

bool Ch341Transport::Selector::Matches(const UsbDeviceInfo& device) const {
  switch (kind) {
    case Kind::First: return true;
    case Kind::PortPath: return device.portPath == portPath;
    case Kind::BusDevice: return device.bus == bus && device.address == address;
  }
  return false;
}

bool Ch341Transport::ParseSelector(const std::string& text, Selector& selector, std::string& error) {
  selector = {};
  if (text.empty()) return true;
  const std::string where = text[0] == ':' ? text.substr(1) : std::string();
  const size_t colon = where.find(':');
  if (colon != std::string::npos) {
    const std::string bus = where.substr(0, colon), device = where.substr(colon + 1);
    if (AllDigits(bus) && AllDigits(device)) {
      selector.kind = Selector::Kind::BusDevice;
      selector.bus = static_cast<int>(*ParseDigits(bus));
      selector.address = static_cast<int>(*ParseDigits(device));
      return true;
    }
  } else {
    // BUS-PORT[.PORT...]
    const size_t dash = where.find('-');
    bool ok = dash != std::string::npos && AllDigits(where.substr(0, dash));
    std::string ports = ok ? where.substr(dash + 1) : std::string();
    for (size_t from = 0; ok;) {
      const size_t dot = ports.find('.', from);
      ok = AllDigits(ports.substr(from, dot == std::string::npos ? std::string::npos : dot - from));
      if (dot == std::string::npos) break;
      from = dot + 1;
    }
    if (ok) {
      selector.kind = Selector::Kind::PortPath;
      selector.portPath = where;
      return true;
    }
  }
  error = "\"ch341" + text +
          "\" names no USB port: use ch341, ch341:BUS-PORT (for example ch341:1-4) or "
          "ch341:BUS:DEVICE (for example ch341:001:004).";
  return false;
}

Ch341Transport::Ch341Transport(Selector selector, UsbBackend& usb, Clock& clock, Messages& messages,
                               BusSpeed speed)
    : AdapterTransport(clock, messages), selector_(std::move(selector)), usb_(usb), speed_(speed) {}

Ch341Transport::~Ch341Transport() {
  // The bus is left idle for whoever uses the adapter next.
  ReleaseBus();
}

uint8_t Ch341Transport::speedSetting() const {
  return speed_ == BusSpeed::Fast ? kSpeed400kHz : kSpeed100kHz;
}

std::string Ch341Transport::Name(const UsbDeviceInfo& device) const {
  return "the CH341A on USB port " + device.portPath;
}

bool Ch341Transport::Configure() {
  // The speed, and a STOP that ends whatever an earlier user left under way.
  return Exchange({kStream, static_cast<uint8_t>(kSetSpeed | speedSetting()), kStop, kEnd}, nullptr, 0) ==
         Status::Ok;
}

PagerTransport::Detection Ch341Transport::DoDetect() {
  if (device_ && Configure()) return {true, {}};
  device_.reset();
  for (const UsbDeviceInfo& candidate : usb_.List(kVendor, kProduct)) {
    if (!selector_.Matches(candidate)) continue;
    UsbError error = UsbError::None;
    device_ = usb_.Open(candidate, error);
    if (!device_) {
      switch (error) {
        case UsbError::Access:
          return {false, "Cannot open " + Name(candidate) + ": permission denied. " + AdapterRuleHint("plugdev") +
                             " Then unplug the adapter and plug it in again."};
        case UsbError::Busy:
          return {false, "Cannot claim " + Name(candidate) +
                             ": another program or a kernel driver is using it. Close that program and retry."};
        case UsbError::NoDevice:
        case UsbError::NotFound:
          return {};
        default:
          return {false, "Cannot open " + Name(candidate) + ": the USB transfer failed."};
      }
    }
    if (Configure()) return {true, {}};
    device_.reset();
    return {};
  }
  return {};
}

AdapterTransport::Status Ch341Transport::Exchange(const std::vector<uint8_t>& packet, uint8_t* answer,
                                                  int answerLength) {
  if (!device_) return Status::Failed;
  bool ok = device_->BulkOut(packet.data(), static_cast<int>(packet.size())) == UsbError::None;
  if (ok && answerLength > 0) {
    int received = 0;
    ok = device_->BulkIn(answer, answerLength, received) == UsbError::None && received == answerLength;
  }
  if (!ok) device_.reset();  // unplugged or out of step: the next detection starts afresh
  return ok ? Status::Ok : Status::Failed;
}

void Ch341Transport::ReleaseBus() {
  if (device_) Exchange({kStream, kStop, kEnd}, nullptr, 0);
}

AdapterTransport::Status Ch341Transport::WritePage(int address, const uint8_t* data, int count) {
  const uint8_t device = static_cast<uint8_t>(DeviceAddress(address) << 1);
  std::vector<uint8_t> packet = {kStream, kStart, kOut, device, static_cast<uint8_t>(kOut | (count + 1)),
                                 static_cast<uint8_t>(address & 0xFF)};
  packet.insert(packet.end(), data, data + count);
  packet.push_back(kStop);
  packet.push_back(kEnd);
  uint8_t status = 0;
  const Status result = Exchange(packet, &status, 1);
  if (result != Status::Ok) return result;
  return Nacked(status) ? Status::NoAck : Status::Ok;
}

AdapterTransport::Status Ch341Transport::Probe(int address) {
  const uint8_t device = static_cast<uint8_t>(DeviceAddress(address) << 1);
  uint8_t status = 0;
  const Status result = Exchange(
      {kStream, kStart, kOut, device, static_cast<uint8_t>(kOut | 1), static_cast<uint8_t>(address & 0xFF),
       kStop, kEnd},
      &status, 1);
  if (result != Status::Ok) return result;
  return Nacked(status) ? Status::NoAck : Status::Ok;
}

AdapterTransport::Status Ch341Transport::RandomRead(int address, uint8_t* data, int count) {
  const uint8_t device = static_cast<uint8_t>(DeviceAddress(address) << 1);
  int piece = std::min(count, kFirstReadPiece);
  bool endsRead = piece == count;
  std::vector<uint8_t> packet = {kStream, kStart, kOut, device, static_cast<uint8_t>(kOut | 1),
                                 static_cast<uint8_t>(address & 0xFF), kStart, kOut,
                                 static_cast<uint8_t>(device | 1)};
  AppendReads(packet, piece, endsRead);
  if (endsRead) packet.push_back(kStop);
  packet.push_back(kEnd);
  uint8_t answer[kPacketSize];
  Status result = Exchange(packet, answer, 2 + piece);
  if (result != Status::Ok) return result;
  if (Nacked(answer[0]) || Nacked(answer[1])) {
    // A read left under way ends with a byte not acknowledged, then STOP.
    if (!endsRead && Exchange({kStream, kIn, kStop, kEnd}, answer, 1) != Status::Ok) return Status::Failed;
    return Status::NoAck;
  }
  std::copy(answer + 2, answer + 2 + piece, data);
  for (int done = piece; done < count; done += piece) {
    piece = std::min(count - done, kPacketSize);
    endsRead = done + piece == count;
    packet = {kStream};
    AppendReads(packet, piece, endsRead);
    if (endsRead) packet.push_back(kStop);
    packet.push_back(kEnd);
    result = Exchange(packet, data + done, piece);
    if (result != Status::Ok) return result;
  }
  return Status::Ok;
}

}  // namespace qrt
