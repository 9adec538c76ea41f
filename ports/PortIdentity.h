#pragma once
// What a port name reaches, so that one pager is never taken for two boards:
// `--port sim:a.bin --port sim:./a.bin`, `--port ch341 --port ch341:1-3` or
// `--port ppdev --port ppdev:/dev/parport0` name one chip, and two threads
// writing it would mix their pages.
//
// A device is known by what does not depend on its name: a device node by
// its device number (a node that is no device, as in tests, by its real
// path), a simulated pager's file by its real path (one that does not exist
// yet by its folder's real path and its name), a parallel port also by the
// I/O address ppdev serves it at (where raw access reaches it too), a CH341A
// by its USB bus and address (`ch341` alone: the first one found).
#include <string>
#include <vector>

#include "ports/ConnectionChoices.h"

namespace qrt {

class UsbBackend;

// The devices `port` reaches on this machine, each as a text that two names
// of one device share ("device 99:0", "file /home/tech/a.bin", "io 0x378",
// "usb 001:004"); none when it reaches nothing that can be known now (a
// simulated pager in memory, an adapter not plugged in): the transfer
// reports that. `simImage` is the file of the plain "sim" port (empty: in
// memory). CH341As are found through `usb` (none when it is null).
std::vector<std::string> DevicesReached(const std::string& port, const std::string& simImage, UsbBackend* usb,
                                        const MachinePaths& paths = {});

// Why two of `ports` cannot be used together: the first pair that reaches
// one device, named both ways ("--port sim:a.bin and --port sim:./a.bin
// reach one device (file /tmp/a.bin) ..."); empty when each reaches its own.
std::string SharedDevice(const std::vector<std::string>& ports, const std::string& simImage, UsbBackend* usb,
                         const MachinePaths& paths = {});

// The same on this machine, its CH341As found through libusb.
std::string SharedDeviceOnThisMachine(const std::vector<std::string>& ports, const std::string& simImage);

}  // namespace qrt
