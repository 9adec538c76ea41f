// Typing or pasting arbitrary text (UTF-8 or raw bytes) into a prompt field
// and leaving it. A refused entry says one thing and changes no byte; a
// stored one stays inside its 20-byte record, shows exactly what was typed
// (trailing spaces aside) and storing what the field then shows changes
// nothing more. Below that, the record store itself is tried on every
// address, inside the image and not.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <string>

#include "editor/BoundControls.h"
#include "editor/Prompt.h"
#include "fuzz/FuzzSupport.h"
#include "image/Defaults.h"

using namespace qrt;

namespace {

constexpr int kSourcePromptFirst = 33;
constexpr int kSourcePromptLast = 64;
constexpr int kSourceModeAddress = 0x03B;
constexpr int kSourceSwitches = 0x7C0;

// A refusal says one of two things, and says it in readable text whatever
// bytes it was given.
bool KnownRefusal(const std::string& text) {
  return (text == kMsgPromptTooLong || text.rfind("The character \"", 0) == 0) && fuzz::IsWellFormedUtf8(text);
}

std::string TrimTrailingSpaces(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

bool AllSpaces(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }

void StoreThroughTheWindow(fuzz::EditorUnderTest& w, int element, const std::string& text) {
  const CtlRef field{Ctl::txtPrompt, element};
  const CtlRef away{Ctl::picTabBack, 0};
  if (element >= kSourcePromptFirst && element <= kSourcePromptLast) {
    // A source prompt takes input only while source prompts are on and its box is checked.
    w.state.PagerImage[kSourceModeAddress] |= 0x40;
    w.state.PagerImage[kSourceSwitches + element - kSourcePromptFirst] = 1;
    w.editor.init_ctl();
  }
  w.editor.SetFocus(field);
  QRT_FUZZ_REQUIRE(w.editor.focus == field, "prompt field takes the focus");
  const Image before = w.state.PagerImage;
  const int address = w.editor.PromptAddress(element);
  w.messages.Clear();

  w.editor.UserEditText(field, text);
  w.editor.SetFocus(away);

  if (!w.messages.log.empty()) {
    QRT_FUZZ_REQUIRE(w.messages.log.size() == 1, w.messages.log[1].text);
    QRT_FUZZ_REQUIRE(KnownRefusal(w.messages.log[0].text), w.messages.log[0].text);
    QRT_FUZZ_REQUIRE(w.state.PagerImage == before, "refused entry changed the image");
    QRT_FUZZ_REQUIRE(w.editor.focus == field, "refused entry keeps the focus in its field");
    return;
  }
  QRT_FUZZ_REQUIRE(w.editor.focus == away, "stored entry lets the focus go");
  for (int a = 0; a < kImageSize; ++a) {
    if (w.state.PagerImage[a] == before[a]) continue;
    const bool inRecord = a >= address && a < address + kPromptSlotSize;
    const bool logoMode = element == 0 && a == kLogoModeAddress;
    QRT_FUZZ_REQUIRE(inRecord || logoMode, "byte " + std::to_string(a) + " outside the record");
  }
  const int count = w.state.PagerImage[address + 1];
  QRT_FUZZ_REQUIRE(count >= 1 && count <= kPromptMaxChars, std::to_string(count));
  QRT_FUZZ_REQUIRE((w.state.PagerImage[address] & 0xF0) == (before[address] & 0xF0), "attribute bits");
  const std::string shown = w.editor.txtPrompt[element].text;
  QRT_FUZZ_REQUIRE(shown == PromptDisplayText(w.state.PagerImage, address, element == 0), shown);
  if (!AllSpaces(text)) QRT_FUZZ_REQUIRE(shown == TrimTrailingSpaces(text), shown);

  // Passing through the field again without typing stores the same record.
  const Image stored = w.state.PagerImage;
  w.editor.SetFocus(field);
  w.editor.SetFocus(away);
  QRT_FUZZ_REQUIRE(w.messages.log.empty(), w.messages.log[0].text);
  QRT_FUZZ_REQUIRE(w.state.PagerImage == stored, "a second pass changed the record");
}

void StoreAnywhere(int address, const std::string& text, bool logo) {
  Image image = BuildDefaultImage();
  const Image before = image;
  const bool inside = address >= 0 && address + kPromptSlotSize <= kImageSize;
  try {
    const PromptStoreResult r = StorePromptText(image, address, text, logo);
    QRT_FUZZ_REQUIRE(inside, "record outside the image was written");
    if (r.status != PromptStoreStatus::Stored) {
      QRT_FUZZ_REQUIRE(image == before, "refused text changed the image");
      QRT_FUZZ_REQUIRE(KnownRefusal(r.message), r.message);
    } else {
      QRT_FUZZ_REQUIRE(image[address + 1] >= 1 && image[address + 1] <= kPromptMaxChars, "count");
    }
  } catch (const ImageIndexError&) {
    QRT_FUZZ_REQUIRE(!inside, "record inside the image refused");
    QRT_FUZZ_REQUIRE(image == before, "refused record changed the image");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ByteReader in(data, size);
  const uint8_t pick = in.Next();
  const uint8_t addrHigh = in.Next();
  const uint8_t addrLow = in.Next();
  const std::string text = in.Rest();

  const std::span<const PromptField> fields = PromptFields();
  const int element = fields[pick % fields.size()].element;
  try {
    // A fresh window for every input, so that a crash replays alone.
    fuzz::EditorUnderTest w;
    StoreThroughTheWindow(w, element, text);
  } catch (const std::exception& e) {
    fuzz::Fail("the prompt field throws nothing", e.what());
  }
  // Addresses from -128 to 2175 around the image.
  StoreAnywhere(((addrHigh << 8) | addrLow) % 2304 - 128, text, pick & 0x80);
  return 0;
}
