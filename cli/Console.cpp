#include "cli/Console.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>

namespace qrt::cli {
namespace {

constexpr int kBarWidth = 32;
constexpr const char* kClearLine = "\r\033[K";

std::string BarText(std::string_view label, int value, int max) {
  // The read ends at 2031 against a maximum of 2015: a bar is full, never fuller.
  const int percent = max > 0 ? std::clamp(static_cast<int>(100LL * value / max), 0, 100) : 0;
  const int filled = percent * kBarWidth / 100;
  std::string bar(label);
  bar += " [";
  bar.append(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kBarWidth - filled), '.');
  bar += "] ";
  bar += std::to_string(percent);
  bar += '%';
  return bar;
}

}  // namespace

Console::Console(FILE* in, FILE* err, bool inIsTerminal, bool errIsTerminal)
    : in_(in), err_(err), inTerminal_(inIsTerminal), errTerminal_(errIsTerminal) {}

Console Console::ForProcess() {
  return Console(stdin, stderr, ::isatty(STDIN_FILENO) == 1, ::isatty(STDERR_FILENO) == 1);
}

void Console::Line(std::string_view text) {
  EndProgress();
  if (signals_) signals_->TellPending();
  std::string line = prefix_;
  line.append(text);
  line += '\n';
  std::unique_lock<std::mutex> whole;
  if (lock_) whole = std::unique_lock<std::mutex>(*lock_);
  std::fwrite(line.data(), 1, line.size(), err_);
  std::fflush(err_);
}

void Console::ForOnePortOfMany(std::string prefix, std::mutex* lock) {
  prefix_ = std::move(prefix);
  lock_ = lock;
  inTerminal_ = errTerminal_ = false;
}

std::optional<std::string> Console::Ask(std::string_view prompt) {
  if (lock_) return std::nullopt;  // one of several ports: no one to answer
  EndProgress();
  if (signals_) signals_->TellPending();
  std::fwrite(prompt.data(), 1, prompt.size(), err_);
  std::fflush(err_);
  std::string line;
  int c;
  while ((c = ReadChar()) != EOF && c != '\n') line += static_cast<char>(c);
  // A terminal echoes the answer and its Enter; without one the prompt's
  // line is ended here, so that the next message starts on a line of its own.
  if (!inTerminal_ || c == EOF) std::fputc('\n', err_);
  // A stop takes back what was typed so far: half an answer is none.
  if (c == EOF && (line.empty() || (stop_ && stop_->requested()))) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// One character of the answer, read from the descriptor itself (no stdio
// buffer, so nothing is read ahead of the line); EOF at the end of the input
// and once the stop request is raised. poll() is ended by every signal, so
// no signal is missed while it waits.
int Console::ReadChar() {
  const int fd = ::fileno(in_);
  if (fd < 0) return std::fgetc(in_);
  for (;;) {
    if (stop_ && stop_->requested()) return EOF;
    pollfd wait{fd, POLLIN, 0};
    const int ready = ::poll(&wait, 1, 100);
    if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
    unsigned char c = 0;
    const ssize_t got = ::read(fd, &c, 1);
    if (got == 1) return c;
    if (got < 0 && errno == EINTR) continue;
    return EOF;
  }
}

void Console::Progress(std::string_view label, int value, int max) {
  if (!errTerminal_) return;
  if (label.empty()) {
    EndProgress();
    return;
  }
  std::string bar = BarText(label, value, max);
  if (barShown_ && bar == lastBar_) return;
  std::fputs(kClearLine, err_);
  std::fputs(bar.c_str(), err_);
  std::fflush(err_);
  barShown_ = true;
  lastBar_ = std::move(bar);
}

void Console::EndProgress() {
  if (!barShown_) return;
  std::fputs(kClearLine, err_);
  std::fflush(err_);
  barShown_ = false;
  lastBar_.clear();
}

void CliMessages::Show(std::string_view text, MsgIcon /*icon*/) {
  console_.Line(text);
}

void CliMessages::ShowOffering(std::string_view text, MsgIcon icon, MsgOffer offer) {
  Show(text, icon);
  // The window's button, as the command line offers it.
  if (offer == MsgOffer::PortDiagnostics)
    console_.Line("qrt35 doctor (Help > Port Diagnostics... in the window) tells why and how to fix it.");
}

bool CliMessages::AskYesNo(std::string_view text, MsgIcon /*icon*/) {
  console_.Line(text);
  if (assumeYes_) {
    console_.Line("(answered Yes: --yes)");
    return true;
  }
  if (!console_.inIsTerminal()) {
    console_.Line("(answered No: there is no terminal to ask on; give --yes to answer Yes)");
    return false;
  }
  while (true) {
    const std::optional<std::string> answer = console_.Ask("Yes or No? [y/n] ");
    if (!answer) return false;
    if (*answer == "y" || *answer == "Y" || *answer == "yes" || *answer == "Yes") return true;
    if (*answer == "n" || *answer == "N" || *answer == "no" || *answer == "No") return false;
  }
}

void ProgressView::Phase(const char* label, int max, int value, bool /*systemHighlight*/) {
  label_ = label;
  max_ = max;
  value_ = value;
  console_.Progress(label_, value_, max_);
}

void ProgressView::Step(int value) {
  value_ = value;
  console_.Progress(label_, value_, max_);
}

}  // namespace qrt::cli
