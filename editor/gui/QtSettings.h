#pragma once
// The station's remembered choices in QSettings: the user's own
// (organisation "qrt35", application "qrt35prog"), or a file of its own.
#include <QSettings>
#include <QString>

#include <memory>

#include "station/Station.h"

namespace qrt {

class QtSettingsStore : public production::SettingsStore {
 public:
  // The user's settings of the window's program.
  QtSettingsStore();
  // The settings in `iniFile` (tests).
  explicit QtSettingsStore(const QString& iniFile);

  std::optional<std::string> Get(const std::string& key) const override;
  void Set(const std::string& key, const std::string& value) override;
  QSettings& settings() { return *settings_; }

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace qrt
