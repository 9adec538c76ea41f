#pragma once
// Showing the production record: the filters a user types and the three
// forms the front ends print or export (text for a terminal, JSON for
// scripts, CSV for a spreadsheet).
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record/ProductionStore.h"

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
// and the message (last, on the same line). Line breaks and tabs in any
// field become spaces: one record, one line.
std::string FormatText(const std::vector<ProductionRecord>& records);

// The log as a table, as the text form and the window show it: the columns,
// each record's cells and, per cell, a key that sorts as the column's values
// do (times in time order, numbers by their value).
inline constexpr int kLogColumns = 10;
enum LogColumn { kLogTime, kLogStation, kLogPort, kLogOperation, kLogOutcome, kLogCapcodes, kLogFrequency,
                 kLogBand, kLogDuration, kLogMessage };
// "Time (UTC)", "Station", "Port", "Operation", "Outcome", "Capcodes",
// "Frequency", "Band", "ms", "Message".
const std::array<std::string_view, kLogColumns>& LogColumnTitles();
// "2026-12-08 14:03:21", ..., "1:0001000 2:0002000", ..., the message on one line.
std::array<std::string, kLogColumns> LogRow(const ProductionRecord& record);
std::string LogSortKey(const ProductionRecord& record, int column);

// A JSON array of objects with every field of the record.
std::string FormatJson(const std::vector<ProductionRecord>& records);

// CSV as RFC 4180 writes it: a header row, CRLF line ends, a field quoted
// when it holds a comma, a quote, CR or LF, quotes doubled. A field that a
// spreadsheet would take for a formula (it starts with =, +, -, @, a tab or
// a carriage return) gets a leading apostrophe, so that it opens as text.
std::string FormatCsv(const std::vector<ProductionRecord>& records);

// The capcodes reserved or in doubt, each with its history: one line per
// capcode, its events indented below it.
std::string FormatAllocations(const std::vector<OpenAllocation>& open);
std::string FormatAllocationsJson(const std::vector<OpenAllocation>& open);

// Saves FormatCsv(records) as `path`, atomically as a table file is saved.
// Empty on success, otherwise "Could not save [PATH]: REASON".
std::string ExportCsv(const std::string& path, const std::vector<ProductionRecord>& records);

}  // namespace qrt::production
