#pragma once
// The station a widget test hands its window: settings in a file of its own
// (never the user's), the simulated pager's EEPROM in a file of its own, on
// the test's clock.
#include <QTemporaryDir>

#include <optional>
#include <string>

#include "editor/gui/QtSettings.h"
#include "station/Station.h"

namespace qrt::testing {

struct StationRig {
  // Opens `port` at once ("sim": the simulated pager of this rig); none: as
  // a start without --port would.
  StationRig(Clock& clock, Messages& messages, std::optional<std::string> port = std::string("sim"))
      : settings(dir.filePath("qrt35prog.ini")), station(clock, messages, settings) {
    station.OpenConnection(Start(std::move(port)));
  }
  production::StationStart Start(std::optional<std::string> port) const {
    production::StationStart start;
    start.port = std::move(port);
    start.simImage = Path("sim.bin");
    return start;
  }
  std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }

  QTemporaryDir dir;
  QtSettingsStore settings;
  production::Station station;
};

}  // namespace qrt::testing
