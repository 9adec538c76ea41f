#include "record/LogFormat.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>

#include "base/FileIo.h"
#include "codecs/Capcode.h"
#include "image/Cp1252.h"

namespace qrt::production {
namespace {

// Characters, not bytes, so that a station or message in any language lines up.
size_t Width(std::string_view text) {
  size_t count = 0, pos = 0;
  while (pos < text.size()) {
    if (!NextCodePoint(text, pos)) ++pos;
    ++count;
  }
  return count;
}

// A message box text on one line: line breaks and tabs become single spaces.
std::string OneLine(std::string_view text) {
  std::string out;
  for (char c : text) {
    const bool blank = c == '\n' || c == '\r' || c == '\t';
    if (blank && (out.empty() || out.back() == ' ')) continue;
    out += blank ? ' ' : c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string OrDash(std::string text) { return text.empty() ? "-" : text; }

std::string EnabledCapcodes(const ProductionRecord& r) {
  std::string text;
  for (size_t k = 0; k < r.capcodes.size(); ++k) {
    if (!r.capcodes[k].enabled) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(k + 1) + ":" + CapcodeText(r.capcodes[k].capcode);
  }
  return text;
}

std::string DisplayTime(const std::string& recorded) {
  // "2026-12-08T14:03:21.042Z" → "2026-12-08 14:03:21"
  if (recorded.size() < 19) return recorded;
  return recorded.substr(0, 10) + " " + recorded.substr(11, 8);
}

std::string CsvField(std::string_view field) {
  std::string text(field);
  if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
    text.insert(text.begin(), '\'');
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Frequency(const ProductionRecord& r) { return r.frequency ? std::to_string(*r.frequency) : ""; }

}  // namespace

FilterParse ParseLogFilter(const std::optional<std::string>& capcode, const std::optional<std::string>& since,
                           const std::optional<std::string>& outcome) {
  FilterParse result;
  if (capcode) {
    const CapcodeEntry entry = CheckCapcodeEntry(*capcode);
    const bool digits = !capcode->empty() && capcode->find_first_not_of("0123456789") == std::string::npos;
    if (!digits || entry.check != EntryCheck::Accepted) {
      result.error = "A capcode is a number from 0000000 to 2097151, not \"" + *capcode + "\".";
      return result;
    }
    result.filter.capcode = static_cast<uint32_t>(entry.value);
  }
  if (since) {
    result.filter.since = ParseUtcTime(*since);
    if (!result.filter.since) {
      result.error = "A date is written YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], in UTC, not \"" + *since + "\".";
      return result;
    }
  }
  if (outcome) {
    result.filter.outcome = OutcomeFromName(*outcome);
    if (!result.filter.outcome) {
      result.error = "An outcome is ok or failed, not \"" + *outcome + "\".";
      return result;
    }
  }
  return result;
}

const std::array<std::string_view, kLogColumns>& LogColumnTitles() {
  static constexpr std::array<std::string_view, kLogColumns> kTitles = {
      "Time (UTC)", "Station", "Port", "Operation", "Outcome", "Capcodes", "Frequency", "Band", "ms", "Message"};
  return kTitles;
}

std::array<std::string, kLogColumns> LogRow(const ProductionRecord& r) {
  return {DisplayTime(r.time), OrDash(OneLine(r.station)), OrDash(OneLine(r.port)),
          std::string(OperationName(r.operation)), std::string(OutcomeName(r.outcome)), OrDash(EnabledCapcodes(r)),
          OrDash(Frequency(r)), OrDash(OneLine(r.band)), std::to_string(r.durationMs), OneLine(r.message)};
}

std::string LogSortKey(const ProductionRecord& r, int column) {
  // Numbers as fixed-width digits, so that text order is number order; a
  // record without a frequency sorts before every frequency.
  const auto digits = [](uint64_t value) {
    std::string text = std::to_string(value);
    return std::string(20 - text.size(), '0') + text;
  };
  switch (column) {
    case kLogTime: return r.time;
    case kLogFrequency: return r.frequency ? digits(*r.frequency) : std::string();
    case kLogDuration: return digits(static_cast<uint64_t>(std::max<int64_t>(r.durationMs, 0)));
    default: return column >= 0 && column < kLogColumns ? LogRow(r)[static_cast<size_t>(column)] : std::string();
  }
}

std::string FormatText(const std::vector<ProductionRecord>& records) {
  using Row = std::array<std::string, kLogColumns>;
  std::vector<Row> rows;
  Row header;
  for (size_t c = 0; c < header.size(); ++c) {
    header[c] = LogColumnTitles()[c];
    for (char& ch : header[c]) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  }
  rows.push_back(header);
  for (const ProductionRecord& r : records) rows.push_back(LogRow(r));
  std::array<size_t, kLogColumns> widths{};
  for (const Row& row : rows)
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Width(row[c]));
  std::string out;
  for (const Row& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line += std::string(widths[c] - Width(row[c]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}

std::string FormatJson(const std::vector<ProductionRecord>& records) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const ProductionRecord& r : records) {
    nlohmann::ordered_json capcodes = nlohmann::ordered_json::array();
    for (size_t k = 0; k < r.capcodes.size(); ++k)
      capcodes.push_back({{"slot", k + 1}, {"capcode", r.capcodes[k].capcode}, {"enabled", r.capcodes[k].enabled}});
    nlohmann::ordered_json o;
    o["id"] = r.id;
    o["time"] = r.time;
    o["station"] = r.station;
    o["port"] = r.port;
    o["operation"] = OperationName(r.operation);
    o["outcome"] = OutcomeName(r.outcome);
    o["message"] = r.message;
    o["model"] = r.model;
    o["pcb"] = r.pcb;
    o["software"] = r.software;
    o["capcodes"] = std::move(capcodes);
    o["frequency"] = r.frequency ? nlohmann::ordered_json(*r.frequency) : nlohmann::ordered_json(nullptr);
    o["band"] = r.band;
    o["image_sha256"] = r.imageSha256;
    o["table_path"] = r.tablePath;
    o["backup_path"] = r.backupPath;
    o["duration_ms"] = r.durationMs;
    list.push_back(std::move(o));
  }
  return list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string FormatCsv(const std::vector<ProductionRecord>& records) {
  std::vector<std::string> header = {"id",       "time_utc", "station", "port", "operation",
                                     "outcome",  "message",  "model",   "pcb",  "software"};
  for (int k = 1; k <= kRecordedCapcodes; ++k) {
    header.push_back("capcode" + std::to_string(k));
    header.push_back("capcode" + std::to_string(k) + "_on");
  }
  for (const char* name : {"frequency", "band", "image_sha256", "table_path", "backup_path", "duration_ms"})
    header.emplace_back(name);

  const auto line = [](const std::vector<std::string>& fields) {
    std::string text;
    for (size_t k = 0; k < fields.size(); ++k) text += (k ? "," : "") + CsvField(fields[k]);
    return text + "\r\n";
  };
  std::string out = line(header);
  for (const ProductionRecord& r : records) {
    std::vector<std::string> fields = {std::to_string(r.id), r.time, r.station, r.port,
                                       std::string(OperationName(r.operation)), std::string(OutcomeName(r.outcome)),
                                       r.message, r.model, r.pcb, r.software};
    for (const RecordedCapcode& c : r.capcodes) {
      fields.push_back(std::to_string(c.capcode));
      fields.push_back(c.enabled ? "on" : "off");
    }
    for (const std::string& f :
         {Frequency(r), r.band, r.imageSha256, r.tablePath, r.backupPath, std::to_string(r.durationMs)})
      fields.push_back(f);
    out += line(fields);
  }
  return out;
}

std::string FormatAllocations(const std::vector<OpenAllocation>& open) {
  if (open.empty()) return "No capcode is reserved or in doubt.\n";
  std::string out;
  for (const OpenAllocation& a : open) {
    const std::string lease = a.state == CapcodeState::Reserved ? ", lease until " + DisplayTime(a.leaseUntil) : "";
    out += CapcodeText(a.capcode) + "  capcode " + std::to_string(a.slot) + "  " +
           std::string(CapcodeStateName(a.state)) + "  reserved at " + OneLine(a.station) + " on " +
           DisplayTime(a.since) + lease + "\n";
    for (const AllocationEvent& e : a.events)
      out += "  " + DisplayTime(e.time) + "  " + e.event + "  " + OneLine(e.station) +
             (e.user.empty() ? "" : " (" + OneLine(e.user) + ")") + ": " + OneLine(e.reason) +
             (e.recordId ? " [record " + std::to_string(e.recordId) + "]" : "") + "\n";
  }
  return out;
}

std::string FormatAllocationsJson(const std::vector<OpenAllocation>& open) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const OpenAllocation& a : open) {
    nlohmann::ordered_json events = nlohmann::ordered_json::array();
    for (const AllocationEvent& e : a.events)
      events.push_back({{"time", e.time},
                        {"event", e.event},
                        {"station", e.station},
                        {"user", e.user},
                        {"reason", e.reason},
                        {"record_id", e.recordId ? nlohmann::ordered_json(e.recordId) : nlohmann::ordered_json()}});
    list.push_back({{"capcode", a.capcode},
                    {"slot", a.slot},
                    {"state", CapcodeStateName(a.state)},
                    {"station", a.station},
                    {"since", a.since},
                    {"lease_until", a.state == CapcodeState::Reserved ? nlohmann::ordered_json(a.leaseUntil)
                                                                      : nlohmann::ordered_json()},
                    {"events", std::move(events)}});
  }
  return list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string ExportCsv(const std::string& path, const std::vector<ProductionRecord>& records) {
  const std::string error = WriteFileAtomically(path, FormatCsv(records));
  return error.empty() ? error : SaveFailure(path, error);
}

}  // namespace qrt::production
