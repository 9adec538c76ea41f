#pragma once
// What the editor asks of the screen, on real widgets: letting window events
// run, the modal detail and transfer dialogs over the main window (every
// transfer inside the station's production line), parking the bus and the
// main window's keep-alive timer.
#include <QPointer>

#include "editor/Editor.h"

namespace qrt {

class Form1;
namespace production {
class Station;
}

class QtEditorHost : public EditorHost {
 public:
  explicit QtEditorHost(production::Station& station) : station_(station) {}

  // The window and the editor exist after the host (the editor is built with
  // it); they are attached once both are there.
  void Attach(Form1* window, Editor* editor);

  void DoEvents() override;
  void ShowFunctionBitDialog() override;
  void ShowAlertLengthDialog() override;
  void RunTransferDialog() override;
  void ParkBus() override;
  void SetTimer1(bool running) override;

 private:
  production::Station& station_;
  QPointer<Form1> window_;
  Editor* editor_ = nullptr;
};

}  // namespace qrt
