#pragma once
// The command line's side of the conversation: the system's messages on
// stderr, Yes/No questions answered on the terminal (or by --yes), and the
// transfer dialog's progress bar, drawn only when stderr is a terminal.
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "base/Messages.h"
#include "base/StopRequest.h"
#include "cli/Signals.h"
#include "transfer/PagerTransfer.h"

namespace qrt::cli {

class Console {
 public:
  Console(FILE* in, FILE* err, bool inIsTerminal, bool errIsTerminal);
  // Looks at the process's own stdin and stderr.
  static Console ForProcess();

  // One text on stderr, on a line of its own (a progress bar is cleared first).
  void Line(std::string_view text);
  // Prints `prompt` on stderr and reads one line from stdin (without the line
  // end); nullopt at the end of the input, and as soon as the stop request
  // is raised: a stop never waits for someone to press Enter.
  std::optional<std::string> Ask(std::string_view prompt);
  // The run's signals (Ctrl-C, SIGTERM): their stop request ends the
  // questions and is every session's, and their notice comes before any
  // line the console writes after them. Null: none.
  void SetStopSignals(StopSignals* signals) {
    signals_ = signals;
    stop_ = signals ? &signals->request() : nullptr;
  }
  const StopRequest* stopRequest() const { return stop_; }

  // The progress bar: drawn in place while `label` is not empty.
  void Progress(std::string_view label, int value, int max);
  void EndProgress();

  // One of several ports writing at once: every line begins with `prefix`
  // and is written whole under `lock`; no progress bar is drawn and nothing
  // is read from the terminal (questions are answered as without one).
  void ForOnePortOfMany(std::string prefix, std::mutex* lock);

  bool inIsTerminal() const { return inTerminal_; }
  bool errIsTerminal() const { return errTerminal_; }

 private:
  int ReadChar();

  FILE* in_;
  FILE* err_;
  bool inTerminal_;
  bool errTerminal_;
  bool barShown_ = false;
  std::string lastBar_;
  std::string prefix_;
  std::mutex* lock_ = nullptr;
  StopSignals* signals_ = nullptr;
  const StopRequest* stop_ = nullptr;
};

// The programmer's messages and questions. A question is asked on the
// terminal; with --yes it is answered Yes without asking; with neither a
// terminal nor --yes it is answered No, which refuses what it guards.
class CliMessages : public Messages {
 public:
  CliMessages(Console& console, bool assumeYes) : console_(console), assumeYes_(assumeYes) {}

  void Show(std::string_view text, MsgIcon icon) override;
  bool AskYesNo(std::string_view text, MsgIcon icon) override;
  void ShowOffering(std::string_view text, MsgIcon icon, MsgOffer offer) override;

  // A remark of the command line itself (not one of the programmer's
  // messages): written the same way.
  void Note(std::string_view text) { console_.Line(text); }

 private:
  Console& console_;
  bool assumeYes_;
};

// A transfer's progress on the console; the bar goes when the view does.
class ProgressView : public TransferProgress {
 public:
  explicit ProgressView(Console& console) : console_(console) {}
  ~ProgressView() override { console_.EndProgress(); }
  void Phase(const char* label, int max, int value, bool systemHighlight) override;
  void Step(int value) override;

 protected:
  const std::string& label() const { return label_; }

 private:
  Console& console_;
  std::string label_;
  int max_ = 100;
  int value_ = 0;
};

}  // namespace qrt::cli
