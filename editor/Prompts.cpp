// The prompt text fields txtPrompt(0..65, 68), their sizing and the source
// prompt enabling.
#include <stdexcept>

#include "codecs/Charset.h"
#include "editor/BoundControls.h"
#include "editor/BoundFields.h"
#include "editor/Editor.h"
#include "editor/Prompt.h"

namespace qrt {
namespace {

constexpr int kSmallFontMaxLength = 21;
constexpr int kSmallFontMeasureSpaces = 22;
constexpr std::string_view kSmallFontTooltip = " Small Font ( Less than 19 characters ) ";
constexpr int kSourcePromptFirst = 33;
constexpr int kSourcePromptLast = 64;
constexpr int kSourceModeAddress = 0x03B;  // bit 5 direction, bit 6 source prompts on

PromptTag TagOf(int element) {
  const PromptField* field = FindPromptField(element);
  if (!field) throw std::out_of_range("no prompt field " + std::to_string(element));
  const auto tag = ParsePromptTag(field->tag);
  if (!tag) throw std::invalid_argument("malformed prompt tag of field " + std::to_string(element));
  return *tag;
}

}  // namespace

int Editor::PromptAddress(int element) const { return TagOf(element).address; }

void Editor::ToPagerCharset() { qrt::ToPagerCharset(image()); }
void Editor::ToDisplayCharset() { qrt::ToDisplayCharset(image()); }

void Editor::read_prompt() {
  for (const PromptField& field : PromptFields()) {
    const PromptTag tag = TagOf(field.element);
    txtPrompt[field.element].text = PromptDisplayText(image(), tag.address, tag.logo);
  }
}

EditOutcome Editor::PromptStore(int element) {
  if (!FindPromptField(element)) return EditOutcome::Stored();
  const PromptTag tag = TagOf(element);
  const PromptStoreResult result = StorePromptText(image(), tag.address, txtPrompt[element].text, tag.logo);
  if (result.status != PromptStoreStatus::Stored) {
    msg.Show(result.message, MsgIcon::None);
    SetFocus({Ctl::txtPrompt, element});
    return EditOutcome::Refused(result.message);
  }
  read_prompt();
  return EditOutcome::Stored();
}

void Editor::Set_PromptEd_Width() {
  for (const PromptField& field : PromptFields()) {
    if (field.element == 0) continue;  // the logo is sized by the logo font list
    lblEdLen.text.assign(kSmallFontMeasureSpaces, ' ');
    TextState& text = txtPrompt[field.element];
    text.maxLength = kSmallFontMaxLength;
    text.bold = false;
    text.measureSpaces = kSmallFontMeasureSpaces;
    lblPrompt[field.element].tooltip = std::string(kSmallFontTooltip);
  }
  // The logo field follows the logo font list. Laying the fields out again
  // (a resize, a language choice, a binding) stores nothing: only choosing a
  // font in the list does.
  SizeLogoField();
}

void Editor::read_SourcePrompt() {
  try {
    const int entry = SourceModeEntry(image().at(kSourceModeAddress));
    const bool on = entry != 0;
    if (entry >= static_cast<int>(cboSource.entries.size()))
      throw std::out_of_range("source prompt list has no entry " + std::to_string(entry));
    // Set without running the list's handler: it would store the same two bits
    // and call back here.
    cboSource.index = entry;
    for (int e = kSourcePromptFirst; e <= kSourcePromptLast; ++e) {
      chkSource[e].enabled = on;
      txtPrompt[e].enabled = on && chkSource[e].value == 1;
    }
  } catch (const std::exception&) {
    state.DecodeError = 5;
  }
}

}  // namespace qrt
