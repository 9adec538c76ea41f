#pragma once
// The editor and the transfer dialog's model wired to the simulated pager on
// virtual time. One message log records the link's, the editor's and the
// dialog's messages in the order the user would see them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/Editor.h"
#include "tests/support/SimRig.h"
#include "transfer/Transfers.h"

namespace qrt::test {

// Runs the dialog's model the way the main window shows the dialog: activate,
// then (batch variant) leave it open for the test to press its buttons.
struct SimEditorHost : EditorHost {
  std::function<void()> runTransferDialog;
  int parks = 0;
  int dialogsShown = 0;
  PagerLink* link = nullptr;
  void RunTransferDialog() override {
    ++dialogsShown;
    if (runTransferDialog) runTransferDialog();
  }
  void ParkBus() override {
    ++parks;
    if (link) link->ParkBus();
  }
};

// Records what the dialog showed at every change.
struct RecordingView : Form2View {
  explicit RecordingView(Form2& shown) : form(shown) { form.SetView(this); }
  ~RecordingView() override { form.SetView(nullptr); }
  void Form2Changed() override {
    snapshots.push_back(form.state);
    if (onChange) onChange(form.state);
  }
  void DoEvents() override {
    ++doEvents;
    if (onDoEvents) onDoEvents();
  }
  // PB1 values seen while Label1 showed `status`, without repeats.
  std::vector<int> ProgressWhile(const std::string& status) const {
    std::vector<int> values;
    for (const Form2State& s : snapshots)
      if (s.Label1 == status && (values.empty() || values.back() != s.PB1.Value))
        values.push_back(s.PB1.Value);
    return values;
  }
  Form2& form;
  std::vector<Form2State> snapshots;
  int doEvents = 0;
  std::function<void(const Form2State&)> onChange;
  std::function<void()> onDoEvents;
};

struct TransferRig : SimRig {
  TransferRig() {
    host.link = &link;
    editor.LoadDefaults("VESTRA");
    editor.SelectBand0();
    msgs.Clear();
  }

  // A new dialog for a transfer mode, as the main window creates one per command.
  std::unique_ptr<Form2> Dialog(int mode) {
    state.TransferMode = static_cast<uint8_t>(mode);
    return std::make_unique<Form2>(editor, link, msgs);
  }

  // Puts an image into the simulated pager (the chip's own memory).
  void LoadPager(const Image& image) { board.eeprom().memory = image; }

  AppState state;
  SimEditorHost host;
  Editor editor{state, msgs, host};
};

// The factory image with the identification text replaced (14 characters)
// and the checksum made valid again.
inline Image PagerWithIdent(const std::string& ident) {
  Image image = SimRig::FactoryPagerImage();
  for (int i = 0; i < addr::kIdentLength; ++i)
    image[addr::kIdentString + i] = static_cast<uint8_t>(i < static_cast<int>(ident.size()) ? ident[i] : ' ');
  StoreChecksum(image);
  return image;
}

}  // namespace qrt::test
