#include "record/Journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/DataHome.h"
#include "base/FileIo.h"

namespace qrt::production {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

constexpr const char* kKindNames[] = {"commit", "fail", "record"};
constexpr const char* kSuffix = ".json";

std::string Reason(int error) { return std::strerror(error); }

Json RecordJson(const ProductionRecord& r) {
  Json capcodes = Json::array();
  for (const RecordedCapcode& c : r.capcodes) capcodes.push_back({c.capcode, c.enabled});
  return {{"transfer_id", r.transferId},
          {"port", r.port},
          {"operation", OperationName(r.operation)},
          {"outcome", OutcomeName(r.outcome)},
          {"message", r.message},
          {"model", r.model},
          {"pcb", r.pcb},
          {"software", r.software},
          {"capcodes", capcodes},
          {"frequency", r.frequency ? Json(*r.frequency) : Json(nullptr)},
          {"band", r.band},
          {"image_sha256", r.imageSha256},
          {"table_path", r.tablePath},
          {"backup_path", r.backupPath},
          {"duration_ms", r.durationMs}};
}

ProductionRecord RecordOf(const Json& j) {
  ProductionRecord r;
  r.transferId = j.at("transfer_id").get<std::string>();
  r.port = j.at("port").get<std::string>();
  const auto operation = OperationFromName(j.at("operation").get<std::string>());
  const auto outcome = OutcomeFromName(j.at("outcome").get<std::string>());
  if (!operation || !outcome) throw std::runtime_error("an unknown operation or outcome");
  r.operation = *operation;
  r.outcome = *outcome;
  r.message = j.at("message").get<std::string>();
  r.model = j.at("model").get<std::string>();
  r.pcb = j.at("pcb").get<std::string>();
  r.software = j.at("software").get<std::string>();
  const Json& capcodes = j.at("capcodes");
  for (size_t k = 0; k < r.capcodes.size() && k < capcodes.size(); ++k)
    r.capcodes[k] = {capcodes[k].at(0).get<uint32_t>(), capcodes[k].at(1).get<bool>()};
  if (!j.at("frequency").is_null()) r.frequency = j.at("frequency").get<uint32_t>();
  r.band = j.at("band").get<std::string>();
  r.imageSha256 = j.at("image_sha256").get<std::string>();
  r.tablePath = j.at("table_path").get<std::string>();
  r.backupPath = j.at("backup_path").get<std::string>();
  r.durationMs = j.at("duration_ms").get<int64_t>();
  return r;
}

Json EntryJson(const JournalEntry& e) {
  Json reserved = Json::array();
  for (const ReservedCapcode& c : e.reservation.capcodes) reserved.push_back({c.slot, c.capcode, c.again});
  return {{"kind", kKindNames[static_cast<int>(e.kind)]},
          {"identity", e.identity},
          {"database", e.database},
          {"time_utc", e.time},
          {"station", e.station},
          {"user", e.user},
          {"reservation", {{"token", e.reservation.token}, {"capcodes", reserved}}},
          {"released", e.released},
          {"record", RecordJson(e.record)}};
}

JournalEntry EntryOf(const Json& j) {
  JournalEntry e;
  const std::string kind = j.at("kind").get<std::string>();
  const auto found = std::find(std::begin(kKindNames), std::end(kKindNames), kind);
  if (found == std::end(kKindNames)) throw std::runtime_error("an unknown kind of entry");
  e.kind = static_cast<JournalKind>(found - std::begin(kKindNames));
  e.identity = j.at("identity").get<std::string>();
  e.database = j.at("database").get<std::string>();
  e.time = j.at("time_utc").get<std::string>();
  e.station = j.at("station").get<std::string>();
  e.user = j.at("user").get<std::string>();
  e.reservation.token = j.at("reservation").at("token").get<std::string>();
  for (const Json& c : j.at("reservation").at("capcodes"))
    e.reservation.capcodes.push_back({c.at(0).get<int>(), c.at(1).get<uint32_t>(), c.at(2).get<bool>()});
  e.released = j.at("released").get<std::vector<uint32_t>>();
  e.record = RecordOf(j.at("record"));
  return e;
}

// The folder's own entry made durable: a rename or unlink in it survives a
// power cut only once the folder is synced.
std::string SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Reason(errno);
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  return synced ? std::string() : Reason(error);
}

}  // namespace

std::string DefaultJournalFolder() {
  const fs::path home = DataHome();
  return home.empty() ? std::string() : (home / "journal").string();
}

Journal::Journal(std::string folder) : folder_(folder.empty() ? DefaultJournalFolder() : std::move(folder)) {}

std::string Journal::Write(JournalEntry& entry) const {
  std::string error;
  if (!EnsurePrivateFolder(folder_, error)) return "the journal folder " + folder_ + ": " + error;
  // An existing folder open to others is made private: entries name pagers and their capcodes.
  std::error_code ec;
  fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::replace, ec);
  const std::string name = (entry.record.transferId.empty() ? RandomToken() : entry.record.transferId) + kSuffix;
  const std::string path = (fs::path(folder_) / name).string();
  const std::string temporary = path + ".part";
  const std::string text = EntryJson(entry).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return temporary + ": " + Reason(errno);
  const bool written = WriteAll(fd, text.data(), text.size()) && ::fsync(fd) == 0;
  const int writeError = errno;
  if (::close(fd) != 0 || !written) {
    const std::string why = Reason(written ? errno : writeError);
    ::unlink(temporary.c_str());
    return temporary + ": " + why;
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = Reason(errno);
    ::unlink(temporary.c_str());
    return path + ": " + why;
  }
  error = SyncFolder(folder_);
  if (!error.empty()) return folder_ + ": " + error;
  entry.path = path;
  return {};
}

std::vector<JournalEntry> Journal::Entries(std::vector<std::string>* problems) const {
  std::vector<JournalEntry> entries;
  std::error_code ec;
  if (folder_.empty() || !fs::is_directory(folder_, ec)) return entries;
  std::vector<std::pair<fs::file_time_type, std::string>> files;
  for (const fs::directory_entry& file : fs::directory_iterator(folder_, ec))
    if (file.path().extension() == kSuffix) files.emplace_back(file.last_write_time(ec), file.path().string());
  std::sort(files.begin(), files.end());
  for (const auto& [time, path] : files) {
    std::ifstream in(path, std::ios::binary);
    try {
      JournalEntry entry = EntryOf(Json::parse(in));
      entry.path = path;
      entries.push_back(std::move(entry));
    } catch (const std::exception& e) {
      if (problems) problems->push_back(path + ": " + e.what());
    }
  }
  return entries;
}

std::string Journal::Remove(const JournalEntry& entry) const {
  if (::unlink(entry.path.c_str()) != 0 && errno != ENOENT) return entry.path + ": " + Reason(errno);
  const std::string error = SyncFolder(folder_);
  return error.empty() ? error : folder_ + ": " + error;
}

}  // namespace qrt::production
