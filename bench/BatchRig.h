#pragma once
// A production line's batch press on the simulated board, for the
// benchmarks: the table a line writes, the factory-fresh pager, one port's
// station with the window's editor in Write Mode, and the floor of one press
// (the pager read whole, the pages that differ written, all 2048 bytes
// verified): what the bus timing itself requires, to print beside what the
// benchmarks measure.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "codecs/Capcode.h"
#include "editor/Editor.h"
#include "image/Defaults.h"
#include "image/PagerImage.h"
#include "link/BusSpeed.h"
#include "link/PagerLink.h"
#include "link/RealClock.h"
#include "ports/Connection.h"
#include "sim/SimBoard.h"
#include "transfer/EditorTransfer.h"
#include "transfer/PagerTransfer.h"

namespace qrt {

inline constexpr uint32_t kFirstCapcode = 1200000;

// The table a line writes: the start image with capcode 1 set.
inline Image TableImage(uint32_t capcode) {
  Image image = BuildDefaultImage();
  StoreCapcode(image, 0, static_cast<int32_t>(capcode));
  image[CapcodeRecordAddress(0)] |= 1;
  image[addr::kWriteMarker] = 1;
  StoreChecksum(image);
  return image;
}

inline Image FactoryPager() {
  Image image = BuildDefaultImage();
  StoreChecksum(image);
  return image;
}

// One simulated board and pager with the window's editor, in Write Mode with
// the batch's Write button waiting, as one port of a production run.
// `port` is a simulated one: "sim", "sim:FILE" or "sim:DIR/".
struct Station {
  Station(BusSpeed speed, const std::string& backups, const std::string& port = "sim")
      : connection(clock, messages) {
    ConnectionOptions options(port);
    options.bus = speed;
    connection.Open(options);
    state.KeepBackups = true;
    state.BackupsDir = backups;
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    state.PagerImage = TableImage(kFirstCapcode);
    editor.init_ctl();
    editor.UserSetCheck({Ctl::optAuto1, 0}, 1);
    editor.Click({Ctl::WriteOpt, 0});
    connection.transport().CalibrateDelay();
    connection.transport().DetectBoard();
    transfer = std::make_unique<PagerTransfer>(connection.transport(), messages);
  }
  // The batch opened as the Pager menu's Write opens it.
  bool Open() {
    transfer->SetOptions(TransferOptionsOf(editor, nullptr));
    return transfer->OpenBatch().outcome == TransferOutcome::Waiting;
  }
  // One pager of the batch: a press of its Write.
  TransferResult Press() { return WriteBatchPager(*transfer, editor, messages); }
  SimEeprom& chip() { return connection.sim()->eeprom(); }

  RealClock clock;
  RecordingMessages messages;
  Connection connection;
  AppState state;
  EditorHost host;
  Editor editor{state, messages, host};
  std::unique_ptr<PagerTransfer> transfer;
};

// What one press needs at a timing, in nanoseconds: the whole-pager read, the
// pages sent with their write cycles, the verify and the parks.
struct Floor {
  explicit Floor(const BusTiming& timing, int64_t cycle) : t(timing), writeCycleNs(cycle) {}
  int64_t Start() const { return t.startSetupNs + t.startHoldNs + t.clockLowNs; }
  int64_t Stop() const { return t.clockLowNs + t.stopSetupNs + t.busFreeNs; }
  int64_t BitOut() const { return t.dataSetupNs + t.clockHighNs + t.clockLowNs; }
  int64_t Send() const { return 9 * BitOut(); }
  int64_t Receive() const { return 8 * (t.clockHighNs + t.clockLowNs) + BitOut(); }
  int64_t Addressing() const { return 2 * Start() + 3 * Send(); }
  int64_t Press(int pagesSent, int parks) const {
    const int64_t read = 128 * (Addressing() + 16 * Receive()) + Stop();
    int64_t write = pagesSent * (Start() + 18 * Send() + Stop() + writeCycleNs);
    if (!t.pollWriteCycle && pagesSent > 1) write += (pagesSent - 1) * (10'000'000 - writeCycleNs);
    if (t.pollWriteCycle && pagesSent > 0) write += Start() + Send() + Stop();
    const int64_t verify = Addressing() + kImageSize * Receive() + Stop();
    return read + write + verify + parks * (100'000'000 + t.clockLowNs);
  }
  BusTiming t;
  int64_t writeCycleNs;
};

// The parks in a trace of the data register: a park writes 254 (clock
// released, data held low) after its 100 ms wait, the only wait that long
// between two writes of the register.
inline int ParksIn(const std::vector<SimBoard::TraceEntry>& trace) {
  int parks = 0;
  for (size_t k = 1; k < trace.size(); ++k)
    parks += trace[k].value == 254 && trace[k].timeNs - trace[k - 1].timeNs >= 99'000'000;
  return parks;
}

}  // namespace qrt
