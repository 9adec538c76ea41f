#pragma once
// An editor with a recording message service and a recording host, started
// the way the main window starts: factory image, logo, band 0, binding.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/Messages.h"
#include "editor/Editor.h"

namespace qrt::testing {

class RecordingHost : public EditorHost {
 public:
  void DoEvents() override { ++doEvents; }
  void ShowFunctionBitDialog() override {
    calls.push_back("Form5");
    if (onForm5) onForm5();
  }
  void ShowAlertLengthDialog() override {
    calls.push_back("Form6");
    if (onForm6) onForm6();
  }
  void RunTransferDialog() override {
    calls.push_back("Form2");
    if (onTransfer) onTransfer();
  }
  void ParkBus() override { calls.push_back("ParkBus"); }
  void SetTimer1(bool running) override { calls.push_back(running ? "Timer1 on" : "Timer1 off"); }

  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call;
    return n;
  }

  std::vector<std::string> calls;
  int doEvents = 0;
  std::function<void()> onTransfer, onForm5, onForm6;
};

struct EditorRig {
  AppState state;
  RecordingMessages msg;
  RecordingHost host;
  Editor ed{state, msg, host};

  // The main window's load: factory image, configured logo, band 0 (which binds).
  explicit EditorRig(bool start = true) {
    if (!start) return;
    ed.LoadDefaults("VESTRA");
    ed.SelectBand0();
    msg.Clear();
    host.calls.clear();
  }

  // Shows a whole image as a read or a table file does; returns DecodeError.
  int Bind(const Image& image) {
    state.PagerImage = image;
    state.DecodeError = 0;
    ed.init_ctl();
    return state.DecodeError;
  }
  int Rebind() { return Bind(state.PagerImage); }

  Image& img() { return state.PagerImage; }
};

// Each byte that differs between two images, as "0xADR: before -> after".
inline std::vector<std::string> Differences(const Image& before, const Image& after) {
  std::vector<std::string> out;
  char buf[48];
  for (int a = 0; a < kImageSize; ++a) {
    if (before[a] == after[a]) continue;
    std::snprintf(buf, sizeof buf, "0x%03X: %02X -> %02X", a, before[a], after[a]);
    out.emplace_back(buf);
  }
  return out;
}

}  // namespace qrt::testing
