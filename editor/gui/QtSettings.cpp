#include "editor/gui/QtSettings.h"

namespace qrt {

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QStringLiteral("qrt35"), QStringLiteral("qrt35prog"))) {}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::optional<std::string> QtSettingsStore::Get(const std::string& key) const {
  const QString name = QString::fromStdString(key);
  if (!settings_->contains(name)) return std::nullopt;
  // A switch stored as a boolean by an earlier version reads as "true" or "false".
  return settings_->value(name).toString().toStdString();
}

void QtSettingsStore::Set(const std::string& key, const std::string& value) {
  settings_->setValue(QString::fromStdString(key), QString::fromStdString(value));
  settings_->sync();  // a crash later must not lose a choice the user made
}

}  // namespace qrt
