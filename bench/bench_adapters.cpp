// Whole-image transfers through every transport against its emulator: a
// block read of 2048 bytes, and a page write of 2048 bytes followed by a
// sequential verify, each set beside the least time the bus speed allows.
//
// What the figures are, and are not:
// - "modelled" is virtual-clock time: what the emulation put on the clock for
//   the bus bits at the hardware's rate, the EEPROM's 5 ms write cycles that
//   acknowledge polling waits out, and the overheads the emulators model
//   (i2c-dev: 20 us of driver time per request; CH341A: one 1 ms USB frame per
//   packet; parallel port: the program's own 25 us bit delays and 10 ms page
//   sleeps). It is an estimate of real hardware, not a measurement of it.
// - "floor" is the bus alone: 9 bit periods per byte (8 bits and the
//   acknowledge) at the bus clock, plus one 5 ms write cycle per page for a
//   write. No transport can be faster than that.
// - "CPU" is the wall time this machine took to emulate the transfer (line-
//   level EEPROM included): the cost of the emulation, not of the transport
//   on real hardware.
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "adapters/Ch341Transport.h"
#include "adapters/I2cDevTransport.h"
#include "adapters/emu/Ch341Emulator.h"
#include "adapters/emu/FakeI2cDev.h"
#include "link/PagerLink.h"
#include "sim/SimBoard.h"
#include "sim/VirtualClock.h"

namespace {

using namespace qrt;

constexpr int kBytes = 2048;
constexpr int kPages = kBytes / 16;
constexpr double kWriteCycleS = 0.005;

struct Rig {
  std::string name;
  double busHz;  // bits per second on the bus
  VirtualClock clock;
  RecordingMessages msgs;
  std::function<PagerTransport&()> transport;
  std::function<SimEeprom&()> chip;
  std::shared_ptr<void> hardware;
};

std::unique_ptr<Rig> Parallel() {
  auto rig = std::make_unique<Rig>();
  rig->name = "parallel port";
  // A clock period is two 25 us delays (clock high, clock low); a bit sent
  // takes a third one for the data line to settle, which the floor leaves out.
  rig->busHz = 1.0 / (2 * 25e-6);
  struct Hw {
    SimBoard board;
    PagerLink link;
    Hw(VirtualClock& c, Messages& m) : board(TimeSourceFor(c)), link(board, c, m) {}
  };
  auto hw = std::make_shared<Hw>(rig->clock, rig->msgs);
  rig->transport = [hw]() -> PagerTransport& { return hw->link; };
  rig->chip = [hw]() -> SimEeprom& { return hw->board.eeprom(); };
  rig->hardware = hw;
  return rig;
}

std::unique_ptr<Rig> I2cDev(int hz) {
  auto rig = std::make_unique<Rig>();
  rig->name = "i2c-dev " + std::to_string(hz / 1000) + " kHz";
  rig->busHz = hz;
  struct Hw {
    FakeI2cDev adapter;
    I2cDevTransport port;
    Hw(VirtualClock& c, Messages& m, int busHz) : adapter(c, "/dev/i2c-1", busHz), port("/dev/i2c-1", adapter, c, m) {}
  };
  auto hw = std::make_shared<Hw>(rig->clock, rig->msgs, hz);
  rig->transport = [hw]() -> PagerTransport& { return hw->port; };
  rig->chip = [hw]() -> SimEeprom& { return hw->adapter.chip; };
  rig->hardware = hw;
  return rig;
}

std::unique_ptr<Rig> Ch341(BusSpeed speed) {
  auto rig = std::make_unique<Rig>();
  const bool fast = speed == BusSpeed::Fast;
  rig->name = fast ? "CH341A 400 kHz" : "CH341A 100 kHz";
  rig->busHz = fast ? 400'000 : 100'000;
  struct Hw {
    Ch341Emulator device;
    EmulatedUsb usb;
    Ch341Transport port;
    Hw(VirtualClock& c, Messages& m, BusSpeed s) : device(c), port({}, usb, c, m, s) { usb.devices = {&device}; }
  };
  auto hw = std::make_shared<Hw>(rig->clock, rig->msgs, speed);
  rig->transport = [hw]() -> PagerTransport& { return hw->port; };
  rig->chip = [hw]() -> SimEeprom& { return hw->device.chip; };
  rig->hardware = hw;
  return rig;
}

struct Figure {
  double modelledS = 0;
  double cpuS = 0;
  bool ok = false;
};

Figure Measure(Rig& rig, const std::function<bool(PagerTransport&)>& run) {
  const int64_t v0 = rig.clock.Now();
  const auto t0 = std::chrono::steady_clock::now();
  Figure f;
  f.ok = run(rig.transport());
  f.cpuS = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  f.modelledS = static_cast<double>(rig.clock.Now() - v0) / 1e9;
  f.ok = f.ok && rig.msgs.log.empty();
  return f;
}

void Print(const Rig& rig, const char* what, const Figure& f, double floorS) {
  std::printf("%-16s %-16s %9.3f s %9.3f s %6.2f %9.3f s%s\n", rig.name.c_str(), what, f.modelledS, floorS,
              f.modelledS / floorS, f.cpuS, f.ok ? "" : "  FAILED");
}

}  // namespace

int main() {
  std::mt19937 gen(1);
  Image image{};
  for (auto& b : image) b = static_cast<uint8_t>(gen());

  std::printf("%-16s %-16s %11s %11s %6s %11s\n", "transport", "transfer", "modelled", "floor", "ratio", "CPU");
  std::unique_ptr<Rig> rigs[] = {Parallel(), I2cDev(100'000), I2cDev(400'000), Ch341(BusSpeed::Standard),
                                 Ch341(BusSpeed::Fast)};
  for (auto& rig : rigs) {
    if (!rig->transport().DetectBoard()) {
      std::printf("%-16s no board\n", rig->name.c_str());
      continue;
    }
    const double byteS = 9.0 / rig->busHz;
    Image read{};
    const Figure r = Measure(*rig, [&](PagerTransport& t) {
      const bool ok = t.BlockRead(read, 0, ImageLastIndex);
      t.BusStop();
      return ok && read == rig->chip().memory;
    });
    Print(*rig, "read", r, kBytes * byteS);

    const Figure w = Measure(*rig, [&](PagerTransport& t) {
      bool ok = t.PageWrite(image, 0, ImageLastIndex);
      t.BusStop();
      ok = ok && t.SequentialRead(0, ImageLastIndex, [&](int a, uint8_t v) { return v == image[a]; }) ==
                     PagerTransport::SeqResult::Completed;
      t.BusStop();
      return ok;
    });
    Print(*rig, "write + verify", w, 2 * kBytes * byteS + kPages * kWriteCycleS);
  }
  std::printf(
      "\nmodelled: virtual time of the emulated transfer (bus bits at the hardware's rate, 5 ms write\n"
      "cycles, 20 us per i2c-dev request, 1 ms per CH341A USB packet, the parallel port's own waits);\n"
      "floor: 9 bit periods per byte plus 5 ms per page written; CPU: wall time of the emulation here.\n");
  return 0;
}
