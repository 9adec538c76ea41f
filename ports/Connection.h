#pragma once
// The way from a program to its pager: the port the user named, the
// transport built on it and the clock it runs on. The window holds one (and
// changes it with Pager > Connection...), the command line one per port.
//
// Port names:
//   ppdev                  the parallel ports the kernel lists at 0x378, 0x278, 0x3BC (default)
//   ppdev:/dev/parportN    that one parallel port, whatever its address
//   raw                    raw x86 port I/O (needs root)
//   sim                    the simulated board and pager; its EEPROM lives in
//                          ConnectionOptions::simImage (in memory when empty)
//   sim:FILE               the same, its EEPROM in FILE
//   sim:DIR/               the same with a socket: the pager DIR/pager.bin while
//                          that file exists, none while it does not
//   i2c:/dev/i2c-N         a kernel I2C adapter through i2c-dev
//   ch341, ch341:BUS-PORT, ch341:BUS:DEVICE   a CH341A on USB
#include <memory>
#include <string>
#include <utility>

#include "base/Messages.h"
#include "link/BusSpeed.h"
#include "link/Clock.h"
#include "link/Transport.h"

namespace qrt {

class I2cDevSys;
class PagerLink;
class PortIo;
class SimBoard;
class UsbBackend;
class VirtualClock;

// True when `port` names one of the ports above (the name only; nothing is opened).
bool IsKnownPortName(const std::string& port);

// A port name in words: "/dev/parport0 through ppdev", "the simulated board
// and pager", "the I2C adapter /dev/i2c-1".
std::string DescribePort(const std::string& port);

struct ConnectionOptions {
  ConnectionOptions(std::string portName = "ppdev") : port(std::move(portName)) {}  // NOLINT: a port name is one
  std::string port;
  std::string simImage;                // for "sim": its EEPROM file, empty for one in memory
  BusSpeed bus = BusSpeed::Standard;
  bool virtualTime = false;            // a simulated pager on virtual time (tests)
};

class Connection {
 public:
  // `clock` is the machine's clock every real port runs on; `messages`
  // receives what a port reports at the point of failure (a ppdev device
  // that cannot be opened). Both outlive the connection.
  Connection(Clock& clock, Messages& messages);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  struct Opened {
    bool ok = false;
    std::string error;  // why the port could not be had
    std::string note;   // worth telling the user, not fatal
  };
  // Replaces the port with the one `options` names. When it cannot be had
  // (an unknown name, raw access refused), the connection keeps working on
  // an absent port, so that every transfer says "The Board is not
  // responding!" as for a missing board, and `error` says why.
  Opened Open(const ConnectionOptions& options);

  PagerTransport& transport() { return *transport_; }
  Clock& clock();
  const ConnectionOptions& options() const { return options_; }
  // The parallel-port link, when the port is one (board or simulated).
  PagerLink* link() { return link_; }
  // The simulated board, when the port is "sim".
  SimBoard* sim() { return sim_; }

  // The bus speed of the next transfer. A CH341A takes it by being opened anew.
  void SetBusSpeed(BusSpeed speed);

  // The port in words, for the window and the port diagnostics, with the
  // --port name that chooses it.
  std::string Describe() const;

  // Why no board can answer on this port, as far as the port layer knows: the
  // port name that gave no port, no parallel port listed, the parallel-port
  // devices that cannot be opened or claimed. The transport shows it with
  // "The Board is not responding!".
  std::string WhyNoBoard() const;

  // Lets go of the parallel-port devices until the next transfer needs them,
  // so that the port diagnostics find them as any other program would.
  void Release();

 private:
  Clock& clock_;
  Messages& messages_;
  ConnectionOptions options_;
  std::unique_ptr<VirtualClock> virtualClock_;
  // What an adapter transport goes through; declared first, gone last.
  std::unique_ptr<I2cDevSys> i2c_;
  std::unique_ptr<UsbBackend> usb_;
  std::unique_ptr<PortIo> port_;
  std::unique_ptr<PagerTransport> transport_;
  PagerLink* link_ = nullptr;
  SimBoard* sim_ = nullptr;
  class ReleasablePort;
  ReleasablePort* releasable_ = nullptr;
  std::string openError_;  // why the port named could not be had
  std::string absence_;    // why no board can answer on the port there is
};

}  // namespace qrt
