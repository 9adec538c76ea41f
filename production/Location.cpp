#include "production/Location.h"

#include <utility>
#include <vector>

#include "base/DataHome.h"

namespace qrt::production {
namespace {

constexpr std::string_view kSchemes[] = {"postgresql://", "postgres://"};

bool IsPostgresUrl(std::string_view text) {
  for (std::string_view scheme : kSchemes)
    if (text.substr(0, scheme.size()) == scheme) return true;
  return false;
}

// Where the password values of a URL lie: [first, second) spans.
std::vector<std::pair<size_t, size_t>> PasswordSpans(std::string_view url) {
  std::vector<std::pair<size_t, size_t>> spans;
  size_t start = 0;
  for (std::string_view scheme : kSchemes)
    if (url.substr(0, scheme.size()) == scheme) start = scheme.size();
  if (start == 0) return spans;
  // A password may hold '/' or '@' when the user did not escape them: the
  // user part runs to the last '@' before the query, so nothing of such a
  // password shows (a '@' in a database name only hides a little more).
  const size_t query = url.find('?', start);
  const size_t at = url.substr(0, query).rfind('@');
  if (at != std::string_view::npos && at >= start) {
    const size_t colon = url.find(':', start);
    if (colon < at) spans.emplace_back(colon + 1, at);
  }
  if (query != std::string_view::npos) {
    size_t pos = query + 1;
    while (pos <= url.size()) {
      size_t end = url.find('&', pos);
      if (end == std::string_view::npos) end = url.size();
      const std::string_view param = url.substr(pos, end - pos);
      if (param.substr(0, 9) == "password=") spans.emplace_back(pos + 9, end);
      pos = end + 1;
    }
  }
  return spans;
}

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
  if (IsPostgresUrl(location)) {
    result.backend = Backend::Postgres;
    result.display = MaskPassword(location);
  } else {
    result.display = result.target;
  }
  return result;
}

std::string ChooseLocation(const std::optional<std::string>& option, const char* environment) {
  if (option) return *option;
  return environment ? std::string(environment) : std::string();
}

std::string MaskPassword(std::string_view url) {
  std::string out;
  size_t pos = 0;
  for (const auto& [first, end] : PasswordSpans(url)) {
    out.append(url.substr(pos, first - pos));
    out += "***";
    pos = end;
  }
  out.append(url.substr(pos));
  return out;
}

bool HasPassword(std::string_view url) {
  for (const auto& [first, end] : PasswordSpans(url))
    if (end > first) return true;
  return false;
}

std::string LocationToRememberError(std::string_view location) {
  if (!HasPassword(location)) return {};
  return "The database URL " + MaskPassword(location) +
         " holds a password, and the program does not store passwords. Take it out of the URL and put it "
         "in your libpq password file ~/.pgpass (a line host:port:database:user:password; chmod 0600 "
         "~/.pgpass). The other settings can go into a service of ~/.pg_service.conf or the system's "
         "pg_service.conf, named by postgresql://?service=NAME.";
}

std::string HidePasswords(std::string text, std::string_view url) {
  for (const auto& [first, end] : PasswordSpans(url)) {
    const std::string password(url.substr(first, end - first));
    if (password.empty()) continue;
    for (size_t at = text.find(password); at != std::string::npos; at = text.find(password, at + 3))
      text.replace(at, password.size(), "***");
  }
  return text;
}

}  // namespace qrt::production
