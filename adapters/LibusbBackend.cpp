#include "adapters/LibusbBackend.h"

#include <libusb.h>

namespace qrt {
namespace {

// The CH341A's data endpoints; other devices are not opened through here.
constexpr unsigned char kBulkOut = 0x02;
constexpr unsigned char kBulkIn = 0x82;
constexpr unsigned int kTimeoutMs = 1000;

UsbError FromLibusb(int code) {
  switch (code) {
    case LIBUSB_SUCCESS: return UsbError::None;
    case LIBUSB_ERROR_ACCESS: return UsbError::Access;
    case LIBUSB_ERROR_NO_DEVICE: return UsbError::NoDevice;
    case LIBUSB_ERROR_NOT_FOUND: return UsbError::NotFound;
    case LIBUSB_ERROR_BUSY: return UsbError::Busy;
    case LIBUSB_ERROR_TIMEOUT: return UsbError::Timeout;
    default: return UsbError::Other;
  }
}

std::string PortPath(libusb_device* device) {
  uint8_t ports[8];
  const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
  std::string path = std::to_string(libusb_get_bus_number(device));
  for (int i = 0; i < depth; ++i) path += (i == 0 ? "-" : ".") + std::to_string(ports[i]);
  return path;
}

class LibusbDevice final : public UsbDevice {
 public:
  explicit LibusbDevice(libusb_device_handle* handle) : handle_(handle) {}
  ~LibusbDevice() override {
    libusb_release_interface(handle_, 0);
    libusb_close(handle_);
  }
  UsbError BulkOut(const uint8_t* data, int length) override {
    int sent = 0;
    const int result = libusb_bulk_transfer(handle_, kBulkOut, const_cast<uint8_t*>(data), length,
                                            &sent, kTimeoutMs);
    if (result != LIBUSB_SUCCESS) return FromLibusb(result);
    return sent == length ? UsbError::None : UsbError::Other;
  }
  UsbError BulkIn(uint8_t* data, int capacity, int& received) override {
    received = 0;
    return FromLibusb(libusb_bulk_transfer(handle_, kBulkIn, data, capacity, &received, kTimeoutMs));
  }

 private:
  libusb_device_handle* handle_;
};

}  // namespace

std::unique_ptr<LibusbBackend> LibusbBackend::Create(std::string& error) {
  libusb_context* context = nullptr;
  const int result = libusb_init(&context);
  if (result != LIBUSB_SUCCESS) {
    error = std::string("Cannot start libusb: ") + libusb_strerror(static_cast<libusb_error>(result));
    return nullptr;
  }
  return std::unique_ptr<LibusbBackend>(new LibusbBackend(context));
}

LibusbBackend::~LibusbBackend() { libusb_exit(context_); }

std::vector<UsbDeviceInfo> LibusbBackend::List(uint16_t vendor, uint16_t product) {
  std::vector<UsbDeviceInfo> found;
  libusb_device** devices = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &devices);
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(devices[i], &descriptor) != LIBUSB_SUCCESS) continue;
    if (descriptor.idVendor != vendor || descriptor.idProduct != product) continue;
    found.push_back({libusb_get_bus_number(devices[i]), libusb_get_device_address(devices[i]),
                     PortPath(devices[i]), descriptor.idVendor, descriptor.idProduct});
  }
  if (count >= 0) libusb_free_device_list(devices, 1);
  return found;
}

std::unique_ptr<UsbDevice> LibusbBackend::Open(const UsbDeviceInfo& wanted, UsbError& error) {
  error = UsbError::NotFound;
  libusb_device** devices = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &devices);
  libusb_device_handle* handle = nullptr;
  for (ssize_t i = 0; i < count; ++i) {
    if (libusb_get_bus_number(devices[i]) != wanted.bus ||
        libusb_get_device_address(devices[i]) != wanted.address)
      continue;
    error = FromLibusb(libusb_open(devices[i], &handle));
    break;
  }
  if (count >= 0) libusb_free_device_list(devices, 1);
  if (!handle) return nullptr;
  // A kernel driver bound to the chip (a serial or I2C module) steps aside
  // while the device is claimed and comes back when it is released.
  libusb_set_auto_detach_kernel_driver(handle, 1);
  const int claimed = libusb_claim_interface(handle, 0);
  if (claimed != LIBUSB_SUCCESS) {
    error = FromLibusb(claimed);
    libusb_close(handle);
    return nullptr;
  }
  error = UsbError::None;
  return std::make_unique<LibusbDevice>(handle);
}

}  // namespace qrt
