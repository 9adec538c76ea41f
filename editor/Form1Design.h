#pragma once
// The design of the main window `Form1`: every control with its name, kind,
// container, design geometry (twips, relative to the container), caption,
// tooltip, tag and the editor state it shows. The Qt window builds its widgets
// from this table and nothing else, so that what the window holds (which
// control sits on which page, in which frame, with which text) is plain data
// that tests can read without a display.
//
// Geometry is in twips, 15 to a pixel at the standard resolution; the window's
// client area is 9510 x 7050 twips (634 x 470 pixels).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/Controls.h"

namespace qrt {
class Editor;
}

namespace qrt::form1 {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidth = 9510;   // twips
inline constexpr int kClientHeight = 7050;  // twips
inline constexpr double kDesignFontSize = 8;  // points

enum class Kind : uint8_t {
  Background,   // picTabBack: the tiled picture that holds the tabs and the pages
  TabButton,    // EMoptCode ...: hidden while its page is in front
  TabLabel,     // the label under a tab button, uncovered when the button hides
  Page,         // picSet1, picSet2, picSet5, picSet6
  Frame,        // a frame with a caption around a group of controls
  Panel,        // a picture box grouping controls (picFunBit, picPLL)
  Label,        // fixed text, or an editor label (lblValue, lblContrast, lblPrompt)
  Cell,         // a boxed status cell of the message grid or the synthesizer panel
  StatusField,  // read-only text field (tlblDisp, tlblPri, tlblType)
  CheckBox,
  List,
  TextField,
  Button,       // cmdFunc, cmdAlert, the L/C/R alignment buttons, the "D" buttons
  ModeOption,   // ModifyOpt and WriteOpt
  Slider,       // Slider1
};

// Editor labels (LabelState members of qrt::Editor) a control shows.
enum class Lbl : uint8_t {
  None,
  tlblDisp, tlblPri, tlblType,
  lblLength, lblMemory,
  lblBfreq, lblPLLR, lblPLLN, lblINCD, lblCHANNEL,
  lblValue, lblContrast,
  lblPrompt,
};

struct LblRef {
  Lbl which = Lbl::None;
  int index = 0;
  bool operator==(const LblRef&) const = default;
};

enum class FontRole : uint8_t {
  Normal,
  Bold,
  Fixed,  // the prompt texts and their captions: a fixed-pitch font, as on the pager
  None,   // a control without a font of its own (pictures, the slider)
};

enum class Align : uint8_t { Left, Center, Right };

struct DesignControl {
  std::string name;    // "chkCtl(18)", "txtFreq", "fraCapcode", ...
  Kind kind = Kind::Label;
  std::string parent;  // container name; "" for the client area
  int left = 0, top = 0, width = 0, height = 0;  // twips, relative to the container
  std::string caption;  // as designed: "&&" shows as one "&"
  std::string tooltip;
  std::string tag;      // field tag, prompt tag, "B" for a page, "" otherwise
  CtlRef ctl;           // the editor control it shows, Ctl::None for none
  LblRef label;         // the editor label it shows, Lbl::None for none
  int page = -1;        // 0..3 for the page it lies on, -1 on the tab background
  FontRole font = FontRole::Normal;
  Align align = Align::Left;
  bool hasPicture = false;  // the source page's Load Default button shows a picture
};

// Pages in tab order: Freq. & Codes, Alert & Status, Prompts Edit, Source Prompts.
inline constexpr std::array<std::string_view, 4> kPageNames = {"picSet1", "picSet2", "picSet5",
                                                               "picSet6"};
inline constexpr std::array<std::string_view, 4> kTabButtonNames = {"EMoptCode", "EMoptStatus",
                                                                    "EMoptPrompts", "EMoptSource"};
inline constexpr std::array<std::string_view, 4> kTabLabelNames = {"Label14(0)", "Label15(0)",
                                                                   "lblPEdit", "lblSource"};

// Every control of the window, containers before what they hold.
const std::vector<DesignControl>& Form1Controls();
const DesignControl* FindDesign(std::string_view name);

// The caption as the window shows it: "&&" becomes "&".
std::string DisplayCaption(std::string_view caption);

// "QRT35 Pager Programmer V3.82": product name and version.
std::string WindowTitle();

// The editor label a control shows; nullptr for Lbl::None or a bad index.
LabelState* ResolveLabel(Editor& editor, LblRef ref);

// Page index (0..3) of a page name as the field tables name pages ("Freq. &
// Codes", ...); -1 for anything else.
int PageIndexOf(std::string_view pageTitle);

}  // namespace qrt::form1
