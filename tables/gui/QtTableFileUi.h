#pragma once
// The table-file commands' dialogs and title on real widgets: the standard
// open and save dialogs with the filter "Table files (*.tbl)", opened in the
// folder the command names, and the title of the given window.
#include <QPointer>
#include <QWidget>

#include "tables/TableFiles.h"

namespace qrt {

class QtTableFileUi : public TableFileUi {
 public:
  explicit QtTableFileUi(QWidget* window) : window_(window) {}

  std::optional<std::string> ChooseOpenPath(const std::string& dir) override;
  std::optional<std::string> ChooseSavePath(const std::string& dir) override;
  std::string Title() override;
  void SetTitle(const std::string& title) override;

 private:
  QPointer<QWidget> window_;
};

}  // namespace qrt
