#pragma once
// Turns the programs' --port choice into a port:
//   ppdev              the parports the kernel lists at 0x378, 0x278, 0x3BC (default)
//   ppdev:/dev/parportN  that one device, answering at 0x378
//   raw                raw x86 port I/O (needs root)
//   sim                the simulated board and pager; its EEPROM lives in
//                      the file named by --sim-image (kept in memory when empty),
//                      or, when that names a folder (ending in '/'), in the
//                      socket kept there: FOLDER/pager.bin while it exists
#include <memory>
#include <string>

#include "base/Messages.h"
#include "link/Clock.h"
#include "link/PortIo.h"

namespace qrt {

class SimBoard;

struct PortChoice {
  std::unique_ptr<PortIo> port;  // null when the choice failed
  SimBoard* sim = nullptr;       // the simulated board when "sim" was chosen
  std::string error;             // why there is no port
  std::string note;              // worth telling the user, but not fatal
  // Why no board can answer on the port there is (no parallel port listed):
  // said when a detection finds none, not before.
  std::string absence;
};

// Every port name the programs take (Connection opens the adapters, sim:FILE
// and sim:DIR/).
inline constexpr const char* kPortChoices =
    "ppdev, ppdev:/dev/parportN, raw, sim, sim:FILE, sim:DIR/, i2c:/dev/i2c-N, ch341, ch341:BUS-PORT, "
    "ch341:BUS:DEVICE";

// A simulated pager's place that names a socket's folder (it ends in '/')
// rather than an EEPROM file.
inline bool IsSimSocket(const std::string& simImagePath) {
  return !simImagePath.empty() && simImagePath.back() == '/';
}

// `messages` receives the ppdev backend's one-time "Cannot open ..." report
// when a port turns out to be unusable on first access (null: the port keeps
// it in its errors()); it must outlive the port. A simulated pager's file
// that cannot be used gives no port and the error naming it.
PortChoice OpenPort(const std::string& name, const std::string& simImagePath, Clock& clock,
                    Messages* messages = nullptr);

}  // namespace qrt
