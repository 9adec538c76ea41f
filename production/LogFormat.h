#pragma once
// Showing the production record: the filters a user types and the three
// forms the front ends print or export (text for a terminal, JSON for
// scripts, CSV for a spreadsheet).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "production/ProductionStore.h"

namespace qrt::production {

struct FilterParse {
  LogFilter filter;
  std::string error;  // empty when every part was taken
};

// Builds a filter from the texts a user gave; a part not given is nullopt.
// capcode: 0 to 2097151; since: see ParseUtcTime; outcome: "ok" or "failed".
FilterParse ParseLogFilter(const std::optional<std::string>& capcode, const std::optional<std::string>& since,
                           const std::optional<std::string>& outcome);

// One line per record under a header line, columns aligned: time, station,
// port, operation, outcome, the enabled capcodes, frequency, band, duration
// and the message (last, on the same line).
std::string FormatText(const std::vector<ProductionRecord>& records);

// A JSON array of objects with every field of the record.
std::string FormatJson(const std::vector<ProductionRecord>& records);

// CSV as RFC 4180 writes it: a header row, CRLF line ends, a field quoted
// when it holds a comma, a quote, CR or LF, quotes doubled.
std::string FormatCsv(const std::vector<ProductionRecord>& records);

}  // namespace qrt::production
