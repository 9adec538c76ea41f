#pragma once
// Entries of the main window's lists that need more than a bit field: one
// copy shared by the editor, the widgets and the command line. Entries are
// plain ASCII and are shown exactly as written here.
#include <array>
#include <cstdint>
#include <string_view>

namespace qrt {

// An entry whose item value is the code stored in the image.
struct CodedEntry {
  std::string_view text;
  int code;
};

// Lists bound to a field by their tag: the selected index is the field value.
inline constexpr std::array<std::string_view, 4> kReadTimeOutEntries = {"8 sec", "12 sec", "20 sec", "30 sec"};
inline constexpr std::array<std::string_view, 2> kDateDisplayEntries = {"dd-mm-yy", "mm-dd-yy"};
inline constexpr std::array<std::string_view, 2> kPagingDisplayEntries = {"Page Count", "Direct"};
inline constexpr std::array<std::string_view, 4> kReminderEntries = {"Disable", "2 minutes", "10 minutes",
                                                                     "60 minutes"};
inline constexpr std::array<std::string_view, 2> kPolarityEntries = {"Normal", "Invert"};
inline constexpr std::array<std::string_view, 3> kBaudEntries = {"512 bps", "1200 bps", "2400 bps"};
inline constexpr std::array<std::string_view, 5> kLogoFontEntries = {"English(Large)", "English(Small)", "Spainish",
                                                                     "French", "German"};

// Bytes that follow the baud rate: the POCSAG decoder needs them to match bits 3-4 of 0x061.
struct BaudDerived {
  uint8_t bits61;  // 0x061 bits 0-1
  uint8_t byte62;  // 0x062
  uint8_t bits63;  // 0x063 bits 6-7
};
inline constexpr std::array<BaudDerived, 3> kBaudDerived = {{{1, 0x01, 0}, {2, 0x41, 2}, {3, 0xF3, 1}}};

// Battery gauge lists cboBatLev(0..2): level i is image byte 0x08D + i.
inline constexpr std::array<std::string_view, 3> kBatLevLabels = {
    "Battery Gauge Level-Low", "Battery Gauge Level-Med", "Battery Gauge Level-High"};
inline constexpr int kBatLevAddress = 0x08D;
inline constexpr std::array<CodedEntry, 13> kBatteryLevels = {{
    {"1.58V", 235}, {"1.53V", 227}, {"1.48V", 220}, {"1.43V", 213}, {"1.39V", 207},
    {"1.35V", 201}, {"1.29V", 192}, {"1.23V", 183}, {"1.19V", 177}, {"1.14V", 170},
    {"1.09V", 162}, {"1.05V", 156}, {"1.00V", 149},
}};
inline constexpr std::string_view kBatLevWarning =
    "Waring ! You must let ( Level-High > Level-Med > Level-Low ).";

// Out-of-range timer (byte 0x03D: bit 3 on, bits 1-2 = entry - 1).
inline constexpr std::string_view kORCLabel = "Out-of Service";
inline constexpr std::array<std::string_view, 5> kORCEntries = {
    "Disable", "1 min", "2 min", "5 min", "10 min"};

// Sequential lockout (byte 0x03C: bit 3 on, bit 2 = last entry, bits 0-1 = entry - 1).
inline constexpr std::string_view kSLCLabel = "Sequential Lockout";
inline constexpr std::array<std::string_view, 6> kSLCEntries = {
    "Disable", "30 seconds", "60 seconds", "120 seconds", "175 seconds", "240 seconds"};

// Source prompt mode (byte 0x03B: bit 6 on, bit 5 = direction).
inline constexpr std::string_view kSourceLabel = "Prompt Control";
inline constexpr std::array<std::string_view, 3> kSourceEntries = {"Disable", "Forward", "Backward"};

// Alert tone (byte 0x02E holds the code).
inline constexpr int kToneAddress = 0x02E;
inline constexpr std::array<CodedEntry, 14> kToneEntries = {{
    {"Tone 1", 1}, {"Tone 2", 2}, {"Tone 3", 3}, {"Tone 4", 4},
    {"Music 1", 17}, {"Music 2", 18}, {"Music 3", 19}, {"Music 4", 20},
    {"Music 5", 21}, {"Music 6", 22}, {"Music 7", 23}, {"Music 8", 24},
    {"Vibration", 32}, {"Flash Only", 49},
}};

// The pager's own menu: a checked box takes item `code` out of the menu.
inline constexpr std::array<CodedEntry, 7> kMenuItems = {{
    {"Zoom In/Out Off", 7}, {"Set Scroll Off", 8}, {"Set Time Off", 9}, {"Set Alarm Off", 10},
    {"Auto Sleep Off", 11}, {"Pager Off Disable", 12}, {"Set Alert Off", 13},
}};
inline constexpr int kMenuEmptySlot = 32;  // a free slot of the menu list (addr::kMenuList)

// Band list. The accepted range is read from the entry text itself
// (characters 1-3 and 5-7, times 10000).
inline constexpr std::string_view kDftLabel = "Range Of Frequency";
inline constexpr std::string_view kDftTooltip =
    "You can select the range of frequency and all settings will load default value.";
inline constexpr std::array<std::string_view, 4> kDftEntries = {
    "130-180MHz", "130-180MHz-GP(RoHS)", "400-499MHz", "929-932MHz"};

// Prompt language list; the code goes to the low nibbles of 0x03A and 0x03E.
inline constexpr std::string_view kLngLabel = "Prompt Language Type";
inline constexpr std::array<CodedEntry, 4> kLngEntries = {{
    {"English", 2}, {"Spainish", 5}, {"French", 6}, {"German", 8},
}};

// Logo font list (field "&H3F,0,4,Lng"): the code written, and how the logo
// field is sized for the font: bold or regular, the run of spaces that gives
// its width, and its maximum length.
struct LogoFontEntry {
  std::string_view text;
  int code;
  bool bold;
  int measureSpaces;
  int maxLength;
};
inline constexpr std::string_view kLogoLabel = "Logo Font";
inline constexpr std::array<LogoFontEntry, 5> kLogoEntries = {{
    {kLogoFontEntries[0], 0, true, 17, 16},
    {kLogoFontEntries[1], 2, false, 22, 21},
    {kLogoFontEntries[2], 5, false, 22, 21},
    {kLogoFontEntries[3], 6, false, 22, 21},
    {kLogoFontEntries[4], 8, false, 22, 21},
}};

// Index of the entry with `code`, or -1.
template <typename Table>
constexpr int IndexOfCode(const Table& table, int code) {
  for (int i = 0; i < static_cast<int>(table.size()); ++i)
    if (table[i].code == code) return i;
  return -1;
}

}  // namespace qrt
