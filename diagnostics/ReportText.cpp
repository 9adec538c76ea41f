#include <sstream>

#include "diagnostics/Diagnostics.h"

namespace qrt {
namespace {

constexpr size_t kWidth = 80;
constexpr size_t kTextIndent = 11;  // "  problem  "
constexpr size_t kFixIndent = 13;

const char* MarkText(Mark mark) {
  switch (mark) {
    case Mark::Ok:
      return "OK";
    case Mark::Problem:
      return "problem";
    case Mark::Note:
      return "note";
  }
  return "";
}

// `text` in lines of at most kWidth columns, the first after `first`, the
// others indented to line up with it. A word longer than a line keeps its
// own line whole.
void Wrap(std::ostream& out, const std::string& first, const std::string& text) {
  const std::string indent(first.size(), ' ');
  std::istringstream words(text);
  std::string line = first;
  bool empty = true;
  for (std::string word; words >> word;) {
    if (!empty && line.size() + 1 + word.size() > kWidth) {
      out << line << '\n';
      line = indent;
      empty = true;
    }
    line += (empty ? "" : " ") + word;
    empty = false;
  }
  out << line << '\n';
}

}  // namespace

std::string RenderText(const DiagnosticsReport& report) {
  std::ostringstream out;
  for (const auto& section : report.sections) {
    out << section.title << '\n';
    for (const auto& check : section.checks) {
      std::string mark = "  ";
      mark += MarkText(check.mark);
      mark.resize(kTextIndent, ' ');
      Wrap(out, mark, check.text);
      for (const auto& fix : check.fixes) out << std::string(kFixIndent, ' ') << fix << '\n';
    }
    out << '\n';
  }
  if (report.PagerAnswered()) {
    const std::string how = report.pagerPort->rfind("ppdev:", 0) == 0 && report.portOption == "--port ppdev"
                                ? "--port ppdev, the default, finds it."
                                : "start the programs with --port " + *report.pagerPort + ".";
    Wrap(out, "Result: ", "a pager answers on --port " + *report.pagerPort + "; " + how);
  } else if (report.BoardAnswered()) {
    const std::string how = report.portOption == "--port ppdev"
                                ? "--port ppdev, the default, finds it."
                                : "start the programs with " + report.portOption + ".";
    Wrap(out, "Result: ", "a board answers on " + *report.boardDevice + "; " + how);
  } else {
    Wrap(out, "Result: ", "no board answers.");
  }
  return out.str();
}

}  // namespace qrt
