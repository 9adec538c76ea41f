#pragma once
// UsbBackend on libusb-1.0, with a libusb context of its own (nothing shared
// between backends, so each thread can own one). Interface 0 is claimed with
// the kernel driver detached for as long as the device is open, and given
// back when it closes.
#include <memory>
#include <string>

#include "adapters/UsbIo.h"

struct libusb_context;

namespace qrt {

class LibusbBackend final : public UsbBackend {
 public:
  // The backend, or null with `error` saying why libusb could not start.
  static std::unique_ptr<LibusbBackend> Create(std::string& error);
  ~LibusbBackend() override;

  std::vector<UsbDeviceInfo> List(uint16_t vendor, uint16_t product) override;
  std::unique_ptr<UsbDevice> Open(const UsbDeviceInfo& device, UsbError& error) override;

 private:
  explicit LibusbBackend(libusb_context* context) : context_(context) {}
  libusb_context* context_;
};

}  // namespace qrt
