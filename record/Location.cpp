#include "record/Location.h"

#include <libpq-fe.h>

#include <cctype>
#include <filesystem>
#include <map>

#include "base/DataHome.h"

namespace qrt::production {
namespace {

// The conninfo's parts as libpq parses them; nullopt when libpq does not
// take the text as a conninfo.
std::optional<std::map<std::string, std::string>> ParseConninfo(std::string_view text) {
  const std::string copy(text);
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(copy.c_str(), &error);
  if (error) PQfreemem(error);
  if (!options) return std::nullopt;
  std::map<std::string, std::string> parts;
  for (const PQconninfoOption* o = options; o->keyword; ++o)
    if (o->val && *o->val) parts[o->keyword] = o->val;
  PQconninfoFree(options);
  return parts;
}

// What libpq would use for a part the conninfo leaves out: the environment
// (PGHOST, PGPORT, PGDATABASE, ...) or its compiled-in default.
std::string Default(const char* keyword) {
  PQconninfoOption* defaults = PQconndefaults();
  std::string value;
  for (const PQconninfoOption* o = defaults; o && o->keyword; ++o)
    if (std::string_view(o->keyword) == keyword && o->val) value = o->val;
  if (defaults) PQconninfoFree(defaults);
  return value;
}

std::string ServerDisplay(const std::map<std::string, std::string>& parts) {
  const auto part = [&](const char* keyword) {
    const auto found = parts.find(keyword);
    return found != parts.end() ? found->second : std::string();
  };
  const auto service = parts.find("service");
  if (service != parts.end() && part("host").empty())
    return "PostgreSQL service " + service->second;
  const std::string host = part("host").empty() ? Default("host") : part("host");
  const std::string port = part("port").empty() ? Default("port") : part("port");
  std::string db = part("dbname");
  if (db.empty()) db = Default("dbname");
  if (db.empty()) db = part("user").empty() ? Default("user") : part("user");  // libpq's own fallback
  return "PostgreSQL " + (host.empty() ? std::string("localhost") : host) + (port.empty() ? "" : ":" + port) + "/" +
         db;
}

bool WordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

}  // namespace

Location ResolveLocation(std::string_view location) {
  Location result;
  if (location.empty()) {
    const std::filesystem::path home = DataHome();
    result.defaultFile = true;
    if (home.empty()) {
      result.display = std::string("the default ") + kDefaultFileName;
      result.error = "neither XDG_DATA_HOME nor HOME is set, so there is no data folder";
      return result;
    }
    result.target = (home / kDefaultFileName).string();
    result.display = result.target;
    return result;
  }
  result.target = std::string(location);
  if (const auto parts = ParseConninfo(location)) {
    result.backend = Backend::Postgres;
    result.display = ServerDisplay(*parts);
    const auto password = parts->find("password");
    if (password != parts->end()) result.password = password->second;
    return result;
  }
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(result.target, ec);
  result.display = ec ? result.target : full.lexically_normal().string();
  return result;
}

std::string ChooseLocation(const std::optional<std::string>& option, const char* environment) {
  if (option) return *option;
  return environment ? std::string(environment) : std::string();
}

std::string PasswordRefusal(std::string_view location, std::string_view where) {
  const Location parsed = ResolveLocation(location);
  if (parsed.password.empty()) return {};
  return "The database " + parsed.display + " is given with its password " + std::string(where) +
         ", where others can read it. Take the password out and put it in libpq's password file "
         "~/.pgpass (a line host:port:database:user:password; chmod 0600 ~/.pgpass) or a file PGPASSFILE "
         "names. The other settings can go into a service of ~/.pg_service.conf or the system's "
         "pg_service.conf, named by service=NAME.";
}

std::string MaskPassword(std::string reason, const Location& location) {
  const std::string& password = location.password;
  if (password.empty()) return reason;
  constexpr std::string_view kMask = "***";
  for (size_t at = reason.find(password); at != std::string::npos;) {
    const size_t end = at + password.size();
    const bool alone = (at == 0 || !WordCharacter(reason[at - 1]) || !WordCharacter(password.front())) &&
                       (end == reason.size() || !WordCharacter(reason[end]) || !WordCharacter(password.back()));
    if (alone) reason.replace(at, password.size(), kMask);
    at = reason.find(password, at + (alone ? kMask.size() : 1));
  }
  return reason;
}

std::string ChooseStation(const std::optional<std::string>& option, const char* environment) {
  if (option) return *option;
  return environment ? std::string(environment) : std::string();
}

std::string StationNameError(std::string_view name) {
  if (name.size() > 64) return "A station name has at most 64 characters.";
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F)
      return "A station name is one line of printable text, without tabs or control characters.";
  return {};
}

}  // namespace qrt::production
