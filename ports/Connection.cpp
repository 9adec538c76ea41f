#include "ports/Connection.h"

#include <functional>
#include <utility>

#include "adapters/Adapters.h"
#include "link/PagerLink.h"
#include "link/PortIo.h"
#include "link/PpdevPort.h"
#include "ports/PortFactory.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"

namespace qrt {
namespace {

constexpr const char* kSimPrefix = "sim:";
constexpr const char* kPpdevPrefix = "ppdev:";

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool IsPpdev(const std::string& port) { return port == "ppdev" || StartsWith(port, kPpdevPrefix); }

// Where no port could be had: every address reads 0xFF, as an absent port
// does, so the board is reported missing and editing and table files work.
class AbsentPort : public PortIo {
 public:
  uint8_t Inp32(uint16_t) override { return 0xFF; }
  void Out32(uint16_t, uint8_t) override {}
};

}  // namespace

// A ppdev port that can let go of its devices. ppdev claims every parport it
// opens until the port object goes, and a claimed parport looks to the port
// diagnostics as held by another program, which they do not ask for the
// board. Released, the devices open again on the next access.
class Connection::ReleasablePort : public PortIo {
 public:
  ReleasablePort(std::unique_ptr<PortIo> port, std::function<std::unique_ptr<PortIo>()> open)
      : port_(std::move(port)), open_(std::move(open)) {}
  uint8_t Inp32(uint16_t port) override { return Port().Inp32(port); }
  void Out32(uint16_t port, uint8_t value) override { Port().Out32(port, value); }
  void Release() { port_.reset(); }
  // The devices that could not be opened or claimed, one report each.
  std::string Problems() const {
    const auto* ppdev = dynamic_cast<const PpdevPort*>(port_.get());
    std::string text;
    if (ppdev)
      for (const std::string& error : ppdev->errors()) text += (text.empty() ? "" : "\n") + error;
    return text;
  }

 private:
  PortIo& Port() {
    if (!port_) port_ = open_();
    if (!port_) port_ = std::make_unique<AbsentPort>();
    return *port_;
  }
  std::unique_ptr<PortIo> port_;
  std::function<std::unique_ptr<PortIo>()> open_;
};

bool IsKnownPortName(const std::string& port) {
  if (port == "ppdev" || port == "raw" || port == "sim") return true;
  if (StartsWith(port, kPpdevPrefix) || StartsWith(port, kSimPrefix)) return port.find(':') + 1 < port.size();
  return IsAdapterPort(port);
}

Connection::Connection(Clock& clock, Messages& messages) : clock_(clock), messages_(messages) {
  // Until a port is opened: the absent one.
  port_ = std::make_unique<AbsentPort>();
  auto link = std::make_unique<PagerLink>(*port_, clock_, messages_);
  link_ = link.get();
  transport_ = std::move(link);
}

Connection::~Connection() = default;

Clock& Connection::clock() { return virtualClock_ ? static_cast<Clock&>(*virtualClock_) : clock_; }

Connection::Opened Connection::Open(const ConnectionOptions& options) {
  Opened opened;
  // The old port goes first: a ppdev device can be claimed by one port only.
  transport_.reset();
  port_.reset();
  i2c_.reset();
  usb_.reset();
  link_ = nullptr;
  sim_ = nullptr;
  releasable_ = nullptr;
  options_ = options;
  openError_.clear();
  absence_.clear();

  const bool sim = options.port == "sim" || StartsWith(options.port, kSimPrefix);
  // Virtual time only ever drives the simulator: real hardware needs real waits.
  if (sim && options.virtualTime) {
    if (!virtualClock_) virtualClock_ = std::make_unique<VirtualClock>();
  } else {
    virtualClock_.reset();
  }

  if (options.port == kSimPrefix) {
    opened.error = "--port sim: needs a file, for example sim:pager.bin.";
  } else if (IsAdapterPort(options.port)) {
    TransportChoice choice = OpenAdapterTransport(options.port, clock(), messages_, options.bus);
    i2c_ = std::move(choice.ownedI2c);
    usb_ = std::move(choice.ownedUsb);
    transport_ = std::move(choice.transport);
    opened.error = choice.error;
  } else {
    const std::string simImage =
        StartsWith(options.port, kSimPrefix) ? options.port.substr(std::char_traits<char>::length(kSimPrefix))
                                             : options.simImage;
    // A device that cannot be opened is said with the missing board, where
    // the user looks for it, not in a box of its own at its first access.
    PortChoice choice = OpenPort(sim ? "sim" : options.port, simImage, clock(), nullptr);
    opened.note = choice.note;
    opened.error = choice.error;
    absence_ = choice.absence;
    sim_ = choice.sim;
    port_ = std::move(choice.port);
    if (port_ && IsPpdev(options.port)) {
      auto releasable = std::make_unique<ReleasablePort>(std::move(port_), [this] {
        return OpenPort(options_.port, "", clock_, nullptr).port;
      });
      releasable_ = releasable.get();
      port_ = std::move(releasable);
    }
  }

  if (!transport_) {
    if (!port_) port_ = std::make_unique<AbsentPort>();
    auto link = std::make_unique<PagerLink>(*port_, clock(), messages_);
    link->SetBusSpeed(options.bus);
    link_ = link.get();
    transport_ = std::move(link);
  }
  opened.ok = opened.error.empty();
  openError_ = opened.error;
  transport_->SetAbsenceReason([this] { return WhyNoBoard(); });
  return opened;
}

std::string Connection::WhyNoBoard() const {
  if (!openError_.empty()) return openError_;
  const std::string problems = releasable_ ? releasable_->Problems() : std::string();
  if (!problems.empty()) return problems;
  return absence_;
}

void Connection::SetBusSpeed(BusSpeed speed) {
  if (speed == options_.bus) return;
  if (IsAdapterPort(options_.port)) {
    ConnectionOptions changed = options_;
    changed.bus = speed;
    Open(changed);
    return;
  }
  options_.bus = speed;
  if (link_) link_->SetBusSpeed(speed);
}

std::string DescribePort(const std::string& port) {
  if (port == "sim") return "the simulated board and pager";
  if (StartsWith(port, kSimPrefix) && IsSimSocket(port))
    return "the simulated board whose socket is the folder " + port.substr(4);
  if (StartsWith(port, kSimPrefix)) return "the simulated board and pager in " + port.substr(4);
  if (port == "raw") return "direct port access at 0x378, 0x278 and 0x3BC";
  if (StartsWith(port, kPpdevPrefix)) return port.substr(6) + " through ppdev";
  if (StartsWith(port, "i2c:")) return "the I2C adapter " + port.substr(4);
  if (port == "ch341") return "the first CH341A on USB";
  if (StartsWith(port, "ch341:")) {
    const std::string where = port.substr(6);
    return where.find(':') == std::string::npos ? "the CH341A on USB port " + where
                                                : "the CH341A at bus:device " + where;
  }
  if (port == "ppdev") return "the parallel ports at 0x378, 0x278 and 0x3BC through ppdev";
  return "the port " + port;
}

std::string Connection::Describe() const { return DescribePort(options_.port) + " (--port " + options_.port + ")"; }

void Connection::Release() {
  if (releasable_) releasable_->Release();
}

}  // namespace qrt
