#include "tables/gui/QtTableFileUi.h"

#include <QFileDialog>
#include <QString>

namespace qrt {
namespace {

const QString kFilter = QStringLiteral("Table files (*.tbl)");

std::optional<std::string> Chosen(const QString& path) {
  if (path.isEmpty()) return std::nullopt;  // cancelled
  return path.toStdString();
}

}  // namespace

std::optional<std::string> QtTableFileUi::ChooseOpenPath(const std::string& dir) {
  QString filter = kFilter;
  return Chosen(QFileDialog::getOpenFileName(window_, QString(), QString::fromStdString(dir),
                                             kFilter, &filter));
}

std::optional<std::string> QtTableFileUi::ChooseSavePath(const std::string& dir) {
  QString filter = kFilter;
  // The command asks its own overwrite question.
  return Chosen(QFileDialog::getSaveFileName(window_, QString(), QString::fromStdString(dir),
                                             kFilter, &filter,
                                             QFileDialog::DontConfirmOverwrite));
}

std::string QtTableFileUi::Title() {
  return window_ ? window_->windowTitle().toStdString() : std::string();
}

void QtTableFileUi::SetTitle(const std::string& title) {
  if (window_) window_->setWindowTitle(QString::fromStdString(title));
}

}  // namespace qrt
