#pragma once
// Port access through the Linux parallel-port driver (/dev/parportN, ppdev).
//
// Default mapping: each legacy data register 0x378, 0x278, 0x3BC (with its
// status register at +1) is served by the /dev/parportN whose base address,
// the first number in /proc/sys/dev/parport/parportN/base-addr, matches. A
// port is opened and claimed on its first access and kept until the object
// goes. Data is written with PPWDATA and read with PPRDATA, status is read
// with PPRSTATUS. An address with no parport behind it reads 0xFF, as a
// missing port does, and writes to it go nowhere.
//
// Direct mapping (`ppdev:/dev/parportN`, e.g. a PCIe card at another
// address): that one device answers at 0x378/0x379, the first address the
// board detection probes.
//
// A port that exists but cannot be opened or claimed is reported once,
// through the messages object when one is given (otherwise kept in
// errors()), naming the device and the lp group; it then reads 0xFF.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "link/PortIo.h"

namespace qrt {

class PpdevPort : public PortIo {
 public:
  struct Mapping {
    uint16_t base;       // legacy data-register address the program uses
    std::string device;  // /dev/parportN
  };

  // The data-register addresses the board is looked for at, in probe order.
  static constexpr uint16_t kBoardAddresses[] = {0x378, 0x278, 0x3BC};

  // Legacy addresses matched against the parports the kernel lists.
  static PpdevPort FromSystem(Messages* messages, const std::string& procRoot = "/proc/sys/dev/parport",
                              const std::string& devRoot = "/dev");
  // One device, answering at 0x378.
  static PpdevPort Direct(const std::string& device, Messages* messages);

  PpdevPort(std::vector<Mapping> mappings, Messages* messages);
  PpdevPort(PpdevPort&& other) noexcept;
  PpdevPort& operator=(PpdevPort&&) = delete;
  PpdevPort(const PpdevPort&) = delete;
  ~PpdevPort() override;

  uint8_t Inp32(uint16_t port) override;
  void Out32(uint16_t port, uint8_t value) override;

  const std::vector<Mapping>& mappings() const { return mappings_; }
  const std::vector<std::string>& errors() const { return errors_; }

  // The base address a base-addr file names (its first number), if any.
  static bool ParseBaseAddr(const std::string& text, uint16_t& base);

 private:
  struct Slot {
    std::string device;
    int fd = -1;
    bool failed = false;
  };
  // The open, claimed descriptor behind a data-register address, or -1.
  int DescriptorFor(uint16_t base);
  void Report(const std::string& text);

  std::vector<Mapping> mappings_;
  std::map<uint16_t, Slot> slots_;
  Messages* messages_;
  std::vector<std::string> errors_;
};

}  // namespace qrt
