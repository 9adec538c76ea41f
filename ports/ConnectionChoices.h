#pragma once
// The ways to a pager this machine offers, as a list the user picks from
// (Pager > Connection...), and the line that tells which one is in use.
#include <string>
#include <vector>

#include "ports/Connection.h"

namespace qrt {

class UsbBackend;

struct ConnectionChoice {
  std::string port;         // as --port takes it
  std::string description;  // what the user recognises it by
};

// Where the machine lists its ports; the real places unless a test says otherwise.
struct MachinePaths {
  std::string parportProc = "/proc/sys/dev/parport";
  std::string dev = "/dev";
  std::string i2cClass = "/sys/class/i2c-dev";
};

// In this order: the automatic ppdev choice, every parallel port the kernel
// lists whose device node exists (with its base address), every I2C adapter
// (with its name), every CH341A `usb` finds (none when it is null), and the
// simulated pager.
std::vector<ConnectionChoice> ListConnections(UsbBackend* usb, const MachinePaths& paths = {});

// The same on this machine, its CH341As found through libusb (none when
// libusb cannot start).
std::vector<ConnectionChoice> ListConnectionsOnThisMachine();

// "Connection: /dev/parport0 through ppdev, standard bus": the port in use
// and how fast its bus runs; `opened` is what opening it answered.
std::string ConnectionStatusText(const Connection& connection, const Connection::Opened& opened);

}  // namespace qrt
