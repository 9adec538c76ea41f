#pragma once
// The edits of `set`, applied to the editor as the user would make them in
// the window: focus onto the control, change it (its handler runs), and for
// text fields leave the field so that it stores or refuses its entry.
#include <string>
#include <vector>

#include "cli/Args.h"
#include "editor/Controls.h"

namespace qrt {
class Editor;
}

namespace qrt::cli {

class CliMessages;
class CliHost;

// An edit resolved against the window's controls, ready to apply.
struct ResolvedEdit {
  enum class Kind {
    Box, List, Slider,              // a check box, a list, the contrast slider
    Freq, Capcode, Password, Prompt,  // text fields
    FunBitDisplay, FunBitType, FunBitPriority,  // the function bit dialog of capcode `index`
    PersonalAlert, MailAlert,       // the alert length dialog
  };
  Kind kind = Kind::Box;
  std::string name;    // what the user called it, for messages
  CtlRef ref;          // the control the user works on
  int index = 0;       // capcode 0..7 or mail drop 0..14 of the detail dialogs
  int bit = 0;         // function bit 0..3 (A..D)
  int value = 0;       // box state, list entry, slider value
  std::string text;    // text fields
};

// Resolves every edit against the controls' names and lists. On a usage
// error (an unknown name, an entry the list does not have, a malformed
// value) returns false with the reason in `error`; nothing is applied then.
bool ResolveEdits(Editor& editor, const std::vector<Edit>& edits, std::vector<ResolvedEdit>& out,
                  std::string& error);

// Applies one edit. False when the window refuses it: the window's own
// message has been shown (or, for a control the window does not let the user
// reach, a note saying so).
bool ApplyEdit(Editor& editor, CliHost& host, CliMessages& messages, const ResolvedEdit& edit);

}  // namespace qrt::cli
