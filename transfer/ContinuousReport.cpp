#include "transfer/ContinuousReport.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qrt {
namespace {

constexpr const char* kGreen = "\033[32m";
constexpr const char* kRed = "\033[1;31m";
constexpr const char* kYellow = "\033[33m";
constexpr const char* kBold = "\033[1m";
constexpr const char* kReset = "\033[0m";

// A message box's text on one line: its line breaks become spaces.
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool IsFailure(const BoardEvent& event) {
  return event.kind == BoardEvent::Kind::Failed ||
         (event.kind == BoardEvent::Kind::Finished &&
          (event.end == BoardEnd::NoBoard || event.end == BoardEnd::Error));
}

}  // namespace

bool ColourWanted(bool isTerminal, const char* noColor, const char* term) {
  if (!isTerminal) return false;
  if (noColor && *noColor) return false;
  return !(term && std::strcmp(term, "dumb") == 0);
}

ReportStyle StyleFor(FILE* out, bool bell) {
  ReportStyle style;
  style.colour = ColourWanted(::isatty(::fileno(out)) == 1, std::getenv("NO_COLOR"), std::getenv("TERM"));
  style.bell = bell;
  return style;
}

std::string OutcomeText(const BoardEvent& event) {
  const std::string capcodes = CapcodesText(event.capcodes);
  switch (event.kind) {
    case BoardEvent::Kind::Ok:
      return event.capcodes.empty() ? "programmed" : capcodes;
    case BoardEvent::Kind::AlreadyProgrammed:
      return "already programmed: " + capcodes;
    case BoardEvent::Kind::Failed:
      break;
    default:
      return {};
  }
  std::string why = OneLine(event.reason);
  if (event.outcome == PagerOutcome::Kind::RemovedMidWrite) {
    why = "taken out during its write" + (why.empty() ? "" : " (" + why + ")");
    if (!event.capcodes.empty()) why += "; " + capcodes + " in doubt";
  } else if (event.outcome == PagerOutcome::Kind::Interrupted) {
    why = "stopped during its write" + (why.empty() ? "" : " (" + why + ")");
  } else if (why.empty()) {
    why = "no reason given";
  }
  return "FAILED: " + why;
}

std::string EventLine(const BoardEvent& event, const ReportStyle& style) {
  std::string text;
  const char* colour = nullptr;
  const std::string pager = "pager " + std::to_string(event.pager) + ": ";
  switch (event.kind) {
    case BoardEvent::Kind::Waiting:
      text = "waiting for a pager";
      break;
    case BoardEvent::Kind::Inserted:
      text = pager + "programming";
      break;
    case BoardEvent::Kind::Programming:
    case BoardEvent::Kind::Removed:
      return {};
    case BoardEvent::Kind::Ok:
      text = pager + OutcomeText(event);
      colour = kGreen;
      break;
    case BoardEvent::Kind::AlreadyProgrammed:
      text = pager + OutcomeText(event);
      colour = kYellow;
      break;
    case BoardEvent::Kind::Failed:
      text = pager + OutcomeText(event);
      colour = kRed;
      break;
    case BoardEvent::Kind::Remove:
      text = "remove the pager";
      colour = kBold;
      break;
    case BoardEvent::Kind::Finished:
      switch (event.end) {
        case BoardEnd::CountReached:
          text = "done";
          break;
        case BoardEnd::Stopped:
          text = "stopped";
          break;
        case BoardEnd::NoBoard:
        case BoardEnd::Error:
          text = "stopped: " + OneLine(event.reason);
          colour = kRed;
          break;
      }
      break;
  }
  std::string line = "[" + event.port + "] ";
  if (style.colour && colour)
    line += colour + text + kReset;
  else
    line += text;
  if (style.bell && IsFailure(event)) line += '\a';
  return line;
}

std::string TotalsLine(const RunTotals& totals) {
  const double perHour = totals.seconds > 0 ? 3600.0 * totals.pagers / totals.seconds : 0;
  std::string line = "Totals: " + Plural(totals.pagers, "pager", "pagers") + ", " +
                     std::to_string(totals.failed) + " failed, ";
  if (totals.alreadyProgrammed > 0) line += std::to_string(totals.alreadyProgrammed) + " already programmed, ";
  return line + std::to_string(std::lround(perHour)) + " pagers per hour";
}

void ContinuousPrinter::OnEvent(const BoardEvent& event) {
  const std::string line = EventLine(event, style_);
  if (line.empty()) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  std::fprintf(out_, "%s\n", line.c_str());
  std::fflush(out_);
}

}  // namespace qrt
