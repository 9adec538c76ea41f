#pragma once
// Where the production record lives, as the front ends name it: nothing (the
// station's own SQLite file), a PostgreSQL server for a line of stations in
// any form libpq takes (a postgresql:// URI, key=value pairs, service=NAME),
// or else a SQLite file path. libpq itself decides: whatever its conninfo
// parser takes is PostgreSQL.
#include <optional>
#include <string>
#include <string_view>

namespace qrt::production {

// The environment variables the front ends read when no option is given.
inline constexpr const char* kDatabaseEnv = "QRT35_DB";
inline constexpr const char* kStationEnv = "QRT35_STATION";
inline constexpr const char* kDefaultFileName = "production.sqlite";

enum class Backend { Sqlite, Postgres };

struct Location {
  Backend backend = Backend::Sqlite;
  std::string target;        // the file path or the conninfo as given
  std::string display;       // what messages show: the file's full path, or the server's host, port and
                             // database (never a password)
  bool defaultFile = false;  // the station's own file in the data folder
  std::string password;      // the password the conninfo holds itself; empty for none
  std::string error;         // empty when the location could be worked out
};

// "" → $XDG_DATA_HOME/qrt35/production.sqlite (see DataHome); a text libpq
// parses as a conninfo → PostgreSQL; anything else → a SQLite file path.
// Creates nothing and connects nowhere.
Location ResolveLocation(std::string_view location);

// The location a front end uses: its --db option when given, else the
// environment's value (pass getenv(kDatabaseEnv)), else "" for the default file.
std::string ChooseLocation(const std::optional<std::string>& option, const char* environment);

// Why a location written where others can read it (a command line, the
// window's settings) is refused, or "" when it holds no password: libpq
// takes passwords from the places it names instead.
std::string PasswordRefusal(std::string_view location, std::string_view where);

// The reason a database gave, with the location's password masked wherever
// it stands as a word of its own (not inside another word: a password "e"
// leaves "connection" alone). Nothing when the location holds none.
std::string MaskPassword(std::string reason, const Location& location);

// The station name a front end uses: its --station option, else the
// environment's (getenv(kStationEnv)), else "" for the host name.
std::string ChooseStation(const std::optional<std::string>& option, const char* environment);

// Why a station name is refused ("" when it is taken): it goes into every
// record and one line of the log, so it is one line of printable text.
std::string StationNameError(std::string_view name);

}  // namespace qrt::production
