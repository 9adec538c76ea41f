#include "ports/PortFactory.h"

#include "link/PpdevPort.h"
#include "link/RawPort.h"
#include "sim/SimBoard.h"

namespace qrt {
namespace {

constexpr const char* kPpdevPrefix = "ppdev:";

}  // namespace

PortChoice OpenPort(const std::string& name, const std::string& simImagePath, Clock& clock,
                    Messages* messages) {
  PortChoice choice;
  if (name.empty() || name == "ppdev") {
    auto port = std::make_unique<PpdevPort>(PpdevPort::FromSystem(messages));
    if (port->mappings().empty())
      choice.absence =
          "No parallel port at 0x378, 0x278 or 0x3BC is listed in /proc/sys/dev/parport "
          "(are the parport_pc and ppdev modules loaded?). A port at another address can be "
          "named with --port ppdev:/dev/parportN.";
    choice.port = std::move(port);
  } else if (name.rfind(kPpdevPrefix, 0) == 0) {
    const std::string device = name.substr(std::char_traits<char>::length(kPpdevPrefix));
    if (device.empty()) {
      choice.error = "--port ppdev: needs a device, for example ppdev:/dev/parport0.";
      return choice;
    }
    choice.port = std::make_unique<PpdevPort>(PpdevPort::Direct(device, messages));
  } else if (name == "raw") {
    choice.port = RawPort::Open(choice.error);
  } else if (name == "sim") {
    auto board = std::make_unique<SimBoard>(TimeSourceFor(clock));
    if (IsSimSocket(simImagePath)) {
      choice.error = board->AttachSocket(simImagePath);
      if (!choice.error.empty()) return choice;
    } else if (!simImagePath.empty()) {
      const SimEeprom::Attached attached = board->eeprom().AttachFile(simImagePath);
      if (!attached.error.empty()) {
        choice.error = attached.error;
        return choice;
      }
      choice.note = attached.note;
    }
    choice.sim = board.get();
    choice.port = std::move(board);
  } else {
    choice.error = "Unknown port \"" + name + "\". Choose one of: " + kPortChoices + ".";
  }
  return choice;
}

}  // namespace qrt
