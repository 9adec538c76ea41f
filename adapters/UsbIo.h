#pragma once
// The little of USB the CH341A transport needs, behind an interface so tests
// can put the adapter's emulator there: find devices by vendor and product,
// open and claim one, and move bulk packets. libusb serves it in the program
// (LibusbBackend).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qrt {

enum class UsbError { None, Access, NoDevice, NotFound, Busy, Timeout, Other };

struct UsbDeviceInfo {
  int bus = 0;
  int address = 0;       // the device number, new at every plug-in
  std::string portPath;  // "1-4", "3-1.2": bus and hub ports, kept across plug-ins
  uint16_t vendor = 0;
  uint16_t product = 0;
};

// An opened device whose interface 0 is claimed; closing releases it.
class UsbDevice {
 public:
  virtual ~UsbDevice() = default;
  // The whole packet out on the bulk OUT endpoint; None, or why not.
  virtual UsbError BulkOut(const uint8_t* data, int length) = 0;
  // One packet in from the bulk IN endpoint into data[0..capacity); `received`
  // says how many bytes came.
  virtual UsbError BulkIn(uint8_t* data, int capacity, int& received) = 0;
};

class UsbBackend {
 public:
  virtual ~UsbBackend() = default;
  virtual std::vector<UsbDeviceInfo> List(uint16_t vendor, uint16_t product) = 0;
  // The device, claimed, or null with `error` saying why.
  virtual std::unique_ptr<UsbDevice> Open(const UsbDeviceInfo& device, UsbError& error) = 0;
};

}  // namespace qrt
