#pragma once
// The one way the system talks to its user: modal messages with an OK button
// and Yes/No questions. The GUI shows QMessageBox, the CLI writes to stderr and
// asks on the terminal, tests record the exact texts.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qrt {

enum class MsgIcon { None, Warning, Error };

// A way on that a message offers besides OK. The window gives it a button of
// its own, the command line names the command that does the same.
enum class MsgOffer {
  None,
  PortDiagnostics,  // Help > Port Diagnostics... (qrt35 doctor): why no board answers
};

class Messages {
 public:
  virtual ~Messages() = default;
  // A message box with a single OK button.
  virtual void Show(std::string_view text, MsgIcon icon) = 0;
  // A message box with Yes and No buttons; true means Yes.
  virtual bool AskYesNo(std::string_view text, MsgIcon icon) = 0;
  // A message box with OK that also offers `offer`; where there is no way
  // to offer it, the plain message.
  virtual void ShowOffering(std::string_view text, MsgIcon icon, MsgOffer offer) {
    (void)offer;
    Show(text, icon);
  }
};

// Records every message and answers questions from a queue (default: the
// configured answer). Used by tests and by headless runs.
class RecordingMessages : public Messages {
 public:
  struct Entry {
    std::string text;
    MsgIcon icon;
    bool question;
    MsgOffer offer;
  };
  void Show(std::string_view text, MsgIcon icon) override {
    log.push_back({std::string(text), icon, false, MsgOffer::None});
    if (onShow) onShow(text);
  }
  void ShowOffering(std::string_view text, MsgIcon icon, MsgOffer offer) override {
    log.push_back({std::string(text), icon, false, offer});
    if (onShow) onShow(text);
  }
  bool AskYesNo(std::string_view text, MsgIcon icon) override {
    log.push_back({std::string(text), icon, true, MsgOffer::None});
    if (!answers.empty()) {
      const bool a = answers.front();
      answers.erase(answers.begin());
      return a;
    }
    return defaultAnswer;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& e : log) out.push_back(e.text);
    return out;
  }
  void Clear() { log.clear(); }

  std::vector<Entry> log;
  std::vector<bool> answers;
  bool defaultAnswer = false;
  // Runs while a message is shown, as if the operator did something then.
  std::function<void(std::string_view)> onShow;
};

}  // namespace qrt
