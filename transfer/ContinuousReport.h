#pragma once
// What an operator reads of a hands-free run: one line per event, named by
// the board's port ("[sim:b1/] pager 7: Cap #1 1234567", "[sim:b1/] remove
// the pager"), in colour on a terminal, a bell on a failure when asked, and
// the run's totals at the end. The texts are pure functions, so the window's
// panel words its tiles the same way; ContinuousPrinter writes them.
#include <cstdio>
#include <mutex>
#include <string>

#include "transfer/Continuous.h"

namespace qrt {

struct ReportStyle {
  bool colour = false;
  bool bell = false;  // rings on every failure
};

// Colour only on a terminal, and not when NO_COLOR is set to anything or the
// terminal is "dumb" (`noColor` and `term` as the environment has them, null
// when unset).
bool ColourWanted(bool isTerminal, const char* noColor, const char* term);
// The style for lines going to `out` in this process's environment.
ReportStyle StyleFor(FILE* out, bool bell);

// What happened to a pager, without port or colour: "Cap #1 1234567",
// "FAILED: Verify Error!", "already programmed: Cap #1 1234567",
// "FAILED: taken out during its write; Cap #1 1234567 in doubt".
std::string OutcomeText(const BoardEvent& event);
// The event's line without its line end; empty for the events nobody needs
// to read (progress, a pager taken out).
std::string EventLine(const BoardEvent& event, const ReportStyle& style);
// "Totals: 12 pagers, 1 failed, 843 pagers per hour" (and how many were
// already programmed, when some were).
std::string TotalsLine(const RunTotals& totals);

// Writes each event's line to `out`, one whole line at a time whichever
// board's thread it comes from.
class ContinuousPrinter : public BoardObserver {
 public:
  ContinuousPrinter(FILE* out, ReportStyle style) : out_(out), style_(style) {}
  void OnEvent(const BoardEvent& event) override;

 private:
  std::mutex mutex_;
  FILE* out_;
  ReportStyle style_;
};

}  // namespace qrt
