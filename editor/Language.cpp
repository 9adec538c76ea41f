// The language list, the logo font list and Load Default: controls that
// replace whole groups of prompt bytes from the factory tables.
#include <algorithm>
#include <optional>
#include <string>

#include "codecs/ListTables.h"
#include "editor/BoundControls.h"
#include "editor/BoundFields.h"
#include "editor/Editor.h"
#include "image/Defaults.h"

namespace qrt {
namespace {

template <typename Table>
void CopyInto(Image& image, int address, const Table& table) {
  std::copy(table.begin(), table.end(), image.begin() + address);
}

// The language the list shows; English when it shows none.
int SelectedLanguage(const ListState& list) {
  if (list.index < 0 || list.index >= static_cast<int>(kLngEntries.size())) return kLangEnglish;
  return kLngEntries[list.index].code;
}

}  // namespace

void Editor::cboLng_Click() {
  if (state.DecodingFlag) {
    // The binder is showing the language of an image: its prompts stay.
    state.DecodingFlag = false;
    return;
  }
  if (cboLng.index < 0) return;
  const int code = SelectedLanguage(cboLng);
  SetField(image(), addr::kSourceMode, 0, 2, 2);  // the power-up logo is shown
  SetField(image(), addr::kLanguage, 0, 4, code);
  SetField(image(), addr::kPromptLanguage, 0, 4, code);
  CopyInto(image(), kPromptsAddress, PromptTableForLanguage(code));
  if (const HistoryPrompts* history = HistoryPromptsForLanguage(code))
    CopyInto(image(), kHistoryPromptsAddress, *history);
  CopyInto(image(), kFlashPromptAddress, FlashPromptForLanguage(code));
  Set_PromptEd_Width();
  read_prompt();
}

void Editor::cboLogo_Click() {
  const int e = cboLogo.index;
  if (e < 0 || e >= static_cast<int>(kLogoEntries.size())) return;
  const BoundControl* row = FindBoundControl(Ctl::cboLogo, 0);
  const std::optional<FieldTag> tag = row ? ParseFieldTag(row->tag) : std::nullopt;
  if (!tag) return;
  // Codes 0 and 1 both show the large font: an image holding 1 keeps it until
  // the user chooses a font.
  const std::optional<int> shown = LogoFontEntryOf(GetField(image(), tag->address, tag->bit, tag->width));
  if (StoresState(shown == e)) SetField(image(), tag->address, tag->bit, tag->width, kLogoEntries[e].code);
  SizeLogoField();
}

void Editor::SizeLogoField() {
  const int e = cboLogo.index;
  if (e < 0 || e >= static_cast<int>(kLogoEntries.size())) return;
  const LogoFontEntry& font = kLogoEntries[e];
  // The large font leaves room for fewer characters on the pager's display.
  lblEdLen.text = std::string(static_cast<size_t>(font.measureSpaces), ' ');
  TextState& logo = txtPrompt[0];
  logo.bold = font.bold;
  logo.measureSpaces = font.measureSpaces;
  logo.maxLength = font.maxLength;
}

void Editor::optDefault_Click(int /*index*/) {
  const int address = PromptAddress(CurrentPrompt);
  const int code = SelectedLanguage(cboLng);
  if (const std::optional<PromptSlot> slot = FactoryPromptSlot(address, code))
    CopyInto(image(), address, *slot);
  if (const HistoryPrompts* history = HistoryPromptsForLanguage(code))
    CopyInto(image(), kHistoryPromptsAddress, *history);
  read_prompt();
  SetFocus(CtlRef{Ctl::txtPrompt, CurrentPrompt});
}

}  // namespace qrt
