// The main window's table of bound controls and prompt fields.
#include "editor/BoundControls.h"

#include "codecs/ListTables.h"

namespace qrt {

namespace {

// The window's bound controls in control order.
constexpr BoundControl kBoundControls[] = {
    {Ctl::chkCtl, 29, "&H31,3,1,chkN", "Ext. Charger's Beeper", {}, "", kPageAlertStatus, "Alerts and Status", "ext_charger_beeper"},
    {Ctl::chkCtl, 4, "&H36,0,1,chkN", "Frequency Modification Enable", {}, "", kPageAlertStatus, "Manual Write", "freq_modification_enable"},
    {Ctl::chkCtl, 5, "&H36,1,1,chk", "Password Required Enable", {}, "", kPageAlertStatus, "Manual Write", "password_required_enable"},
    {Ctl::chkCtl, 7, "&H36,2,1,chk", "Password Modification Enable ", {}, "", kPageAlertStatus, "Manual Write", "password_modification_enable"},
    {Ctl::chkCtl, 8, "&H36,3,1,chk", "Beep And Vibration ", {}, "", kPageAlertStatus, "Alerts and Status", "beep_and_vibration"},
    {Ctl::chkCtl, 18, "&H36,5,1,chk", "Discard Error Msg", {}, "", kPageAlertStatus, "Alerts and Status", "discard_error_msg"},
    {Ctl::chkCtl, 19, "&H36,6,1,chk", "Air Program Enable", {}, "", kPageAlertStatus, "Alerts and Status", "air_program_enable"},
    {Ctl::chkCtl, 17, "&H36,7,1,chk", "Push Key Lamp On Enable", {}, "", kPageAlertStatus, "Alerts and Status", "push_key_lamp_on_enable"},
    {Ctl::cboCtl, 2, "&H39,0,2,cbo", "Read Time Out", kReadTimeOutEntries, "", kPageAlertStatus, "Alerts and Status", "read_time_out"},
    {Ctl::chkCtl, 54, "&H39,3,1,chkN", "Duplicate Msg Detect", {}, "", kPageAlertStatus, "Alerts and Status", "duplicate_msg_detect"},
    {Ctl::chkCtl, 2, "&H39,4,1,chkN", "Counter Out Enable", {}, "", kPageAlertStatus, "Alerts and Status", "counter_out_enable"},
    {Ctl::chkCtl, 20, "&H39,5,1,chk", "Direct Show Lamp On", {}, "", kPageAlertStatus, "Alerts and Status", "direct_show_lamp_on"},
    {Ctl::chkCtl, 6, "&H39,6,1,chk", "Lowcell Alert ON", {}, "The pager emits an alert when it enters a low-battery contion.", kPageAlertStatus, "Alerts and Status", "lowcell_alert_on"},
    {Ctl::chkCtl, 0, "&H39,7,1,chk", "Disp Source Addr ON", {}, "", kPageAlertStatus, "Alerts and Status", "disp_source_addr_on"},
    {Ctl::chkCtl, 1, "&H3B,2,1,chk", "Long Message Control Enable", {}, "Enable : 2000words   Disable:300 words", kPageAlertStatus, "Alerts and Status", "long_message_control_enable"},
    {Ctl::cboCtl, 6, "&H3B,3,1,cbo", "Date Display Method", kDateDisplayEntries, "", kPageAlertStatus, "Prompts", "date_display_method"},
    {Ctl::cboCtl, 3, "&H3B,4,1,cbo", "Paging Display", kPagingDisplayEntries, "", kPageAlertStatus, "Alerts and Status", "paging_display"},
    {Ctl::cboCtl, 4, "&H3C,6,2,cbo", "Reminder Duration", kReminderEntries, "", kPageAlertStatus, "Alerts and Status", "reminder_duration"},
    {Ctl::chkCtl, 16, "&H3D,4,1,chkN", "Manual Write Enable", {}, "", kPageAlertStatus, "Manual Write", "manual_write_enable"},
    {Ctl::chkCtl, 21, "&H3D,6,1,chk", "RD Key Pager Off", {}, "", kPageAlertStatus, "Alerts and Status", "rd_key_pager_off"},
    {Ctl::chkCtl, 3, "&H3D,7,1,chk", "RD Key Delete Enable", {}, "", kPageAlertStatus, "Alerts and Status", "rd_key_delete_enable"},
    {Ctl::cboLogo, 0, "&H3F,0,4,Lng", "Logo Font", kLogoFontEntries, "", kPageAlertStatus, "Prompts", "logo_font"},
    {Ctl::chkCtl, 30, "&H40,0,1,chk", "ON", {}, "Enable or disable the 1st Capcode( address )", kPageFreqCodes, "Capcode( Decimal Address )", "capcode1_on"},
    {Ctl::chkCtl, 31, "&H44,0,1,chk", "ON", {}, "Enable or disable the 2nd Capcode( address )", kPageFreqCodes, "Capcode( Decimal Address )", "capcode2_on"},
    {Ctl::chkCtl, 32, "&H48,0,1,chk", "ON", {}, "Enable or disable the 3rd Capcode( address )", kPageFreqCodes, "Capcode( Decimal Address )", "capcode3_on"},
    {Ctl::chkCtl, 33, "&H4C,0,1,chk", "ON", {}, "Enable or disable the 4th Capcode( address )", kPageFreqCodes, "Capcode( Decimal Address )", "capcode4_on"},
    {Ctl::chkCtl, 34, "&H50,0,1,chk", "ON", {}, "Enable or disable the 5th Capcode( address )", kPageFreqCodes, "Capcode( Decimal Address )", "capcode5_on"},
    {Ctl::chkCtl, 35, "&H54,0,1,chk", "ON", {}, "Enable or disable the 6th Capcode( address )", kPageFreqCodes, "Capcode( Decimal Address )", "capcode6_on"},
    {Ctl::chkCtl, 36, "&H58,0,1,chk", "ON", {}, "", kPageFreqCodes, "Capcode( Decimal Address )", "capcode7_on"},
    {Ctl::chkCtl, 37, "&H5C,0,1,chk", "ON", {}, "", kPageFreqCodes, "Capcode( Decimal Address )", "capcode8_on"},
    {Ctl::cboCtl, 5, "&H61,2,1,cbo", "Polarity", kPolarityEntries, "", kPageAlertStatus, "Alerts and Status", "polarity"},
    {Ctl::cboCtl, 9, "&H61,3,2,cboBaud", "POCSAG Signal Baud Rate", kBaudEntries, "", kPageFreqCodes, "Frequency", "baud_rate"},
    {Ctl::chkCtl, 15, "&H7F,0,8,chkN", "History Disable", {}, "", kPageAlertStatus, "", "history_disable"},
    {Ctl::chkCtl, 11, "&H7E0,0,8,chkN", "Lock/Unlock Disable", {}, "", kPageAlertStatus, "Menu Of Pager", "lock_unlock_disable"},
    {Ctl::chkCtl, 12, "&H7E1,0,8,chkN", "Delete Disable", {}, "", kPageAlertStatus, "Menu Of Pager", "delete_disable"},
    {Ctl::chkCtl, 13, "&H7E2,0,8,chkN", "Del. All Disable", {}, "", kPageAlertStatus, "Menu Of Pager", "del_all_disable"},
    {Ctl::chkCtl, 14, "&H7E3,0,8,chkN", "Move To Memo Disable", {}, "", kPageAlertStatus, "Menu Of Pager", "move_to_memo_disable"},
    {Ctl::chkSource, 33, "&H7C0,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_1_on"},
    {Ctl::chkSource, 34, "&H7C1,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_2_on"},
    {Ctl::chkSource, 35, "&H7C2,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_3_on"},
    {Ctl::chkSource, 36, "&H7C3,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_4_on"},
    {Ctl::chkSource, 37, "&H7C4,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_5_on"},
    {Ctl::chkSource, 38, "&H7C5,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_6_on"},
    {Ctl::chkSource, 39, "&H7C6,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_7_on"},
    {Ctl::chkSource, 40, "&H7C7,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_8_on"},
    {Ctl::chkSource, 41, "&H7C8,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_9_on"},
    {Ctl::chkSource, 42, "&H7C9,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_10_on"},
    {Ctl::chkSource, 43, "&H7CA,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_11_on"},
    {Ctl::chkSource, 44, "&H7CB,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_12_on"},
    {Ctl::chkSource, 45, "&H7CC,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_13_on"},
    {Ctl::chkSource, 46, "&H7CD,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_14_on"},
    {Ctl::chkSource, 47, "&H7CE,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_15_on"},
    {Ctl::chkSource, 48, "&H7CF,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_16_on"},
    {Ctl::chkSource, 49, "&H7D0,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_17_on"},
    {Ctl::chkSource, 50, "&H7D1,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_18_on"},
    {Ctl::chkSource, 51, "&H7D2,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_19_on"},
    {Ctl::chkSource, 52, "&H7D3,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_20_on"},
    {Ctl::chkSource, 53, "&H7D4,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_21_on"},
    {Ctl::chkSource, 54, "&H7D5,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_22_on"},
    {Ctl::chkSource, 55, "&H7D6,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_23_on"},
    {Ctl::chkSource, 56, "&H7D7,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_24_on"},
    {Ctl::chkSource, 57, "&H7D8,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_25_on"},
    {Ctl::chkSource, 58, "&H7D9,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_26_on"},
    {Ctl::chkSource, 59, "&H7DA,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_27_on"},
    {Ctl::chkSource, 60, "&H7DB,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_28_on"},
    {Ctl::chkSource, 61, "&H7DC,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_29_on"},
    {Ctl::chkSource, 62, "&H7DD,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_30_on"},
    {Ctl::chkSource, 63, "&H7DE,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_31_on"},
    {Ctl::chkSource, 64, "&H7DF,0,8,chkSource", "", {}, "", kPageSourcePrompts, "", "source_prompt_32_on"},
};

// The prompt text fields; elements 66 and 67 do not exist.
constexpr PromptField kPromptFields[] = {
    {0, "&H100,1", "", kPageAlertStatus, "logo"},
    {1, "276,0", "NO PAGES ------->", kPagePromptsEdit, "prompt_1"},
    {2, "296,0", "ESCAPE --------->", kPagePromptsEdit, "prompt_2"},
    {3, "316,0", "MESSAGE LOCK --->", kPagePromptsEdit, "prompt_3"},
    {4, "336,0", "MESSAGE UNLOCK ->", kPagePromptsEdit, "prompt_4"},
    {5, "356,0", "DELETE --------->", kPagePromptsEdit, "prompt_5"},
    {6, "376,0", "DELETE ALL ----->", kPagePromptsEdit, "prompt_6"},
    {7, "396,0", "MOVE TO MEMO --->", kPagePromptsEdit, "prompt_7"},
    {8, "416,0", "SET SCROLL ----->", kPagePromptsEdit, "prompt_8"},
    {9, "436,0", "SET TIME ------->", kPagePromptsEdit, "prompt_9"},
    {10, "456,0", "SET ALARM ------>", kPagePromptsEdit, "prompt_10"},
    {11, "476,0", "SET ALERT ------>", kPagePromptsEdit, "prompt_11"},
    {12, "496,0", "PAGER OFF ------>", kPagePromptsEdit, "prompt_12"},
    {13, "516,0", "TONE ONLY ------> ", kPagePromptsEdit, "prompt_13"},
    {14, "536,0", "SLEEP ----------> ", kPagePromptsEdit, "prompt_14"},
    {15, "556,0", "SILENT --------->", kPagePromptsEdit, "prompt_15"},
    {16, "576,0", "PAGER OFF ? ---->", kPagePromptsEdit, "prompt_16"},
    {17, "596,0", "DELETE? -------->", kPagePromptsEdit, "prompt_17"},
    {18, "616,0", "DELETE ALL ? --->", kPagePromptsEdit, "prompt_18"},
    {19, "636,0", "TIME SET ------->", kPagePromptsEdit, "prompt_19"},
    {20, "656,0", "ALARM SET ------>", kPagePromptsEdit, "prompt_20"},
    {21, "676,0", "SCROLL SET ----->", kPagePromptsEdit, "prompt_21"},
    {22, "696,0", "AUTO SLEEP SET ->", kPagePromptsEdit, "prompt_22"},
    {23, "716,0", "START END ------>", kPagePromptsEdit, "prompt_23"},
    {24, "736,0", "MESSAGE AREA --->", kPagePromptsEdit, "prompt_24"},
    {25, "756,0", "MAIL DROP AREA ->", kPagePromptsEdit, "prompt_25"},
    {26, "776,0", "SILENT THEN BEEP>", kPagePromptsEdit, "prompt_26"},
    {27, "796,0", "ZOOM IN -------->", kPagePromptsEdit, "prompt_27"},
    {28, "816,0", "ZOOM OUT ------->", kPagePromptsEdit, "prompt_28"},
    {29, "836,0", "CHIRP ON ------->", kPagePromptsEdit, "prompt_29"},
    {30, "856,0", "CHIRP OFF------->", kPagePromptsEdit, "prompt_30"},
    {31, "&H3B8,0", "SET HISTORY----->", kPagePromptsEdit, "history_prompt_1"},
    {32, "&H3CC,0", "HISTORY SET----->", kPagePromptsEdit, "history_prompt_2"},
    {33, "&H540,0", "Cap#1 Fun.Bit A", kPageSourcePrompts, "source_prompt_1"},
    {34, "&H554,0", "Cap#1 Fun.Bit B", kPageSourcePrompts, "source_prompt_2"},
    {35, "&H568,0", "Cap#1 Fun.Bit C", kPageSourcePrompts, "source_prompt_3"},
    {36, "&H57C,0", "Cap#1 Fun.Bit D", kPageSourcePrompts, "source_prompt_4"},
    {37, "&H590,0", "Cap#2 Fun.Bit A", kPageSourcePrompts, "source_prompt_5"},
    {38, "&H5A4,0", "Cap#2 Fun.Bit B", kPageSourcePrompts, "source_prompt_6"},
    {39, "&H5B8,0", "Cap#2 Fun.Bit C", kPageSourcePrompts, "source_prompt_7"},
    {40, "&H5CC,0", "Cap#2 Fun.Bit D", kPageSourcePrompts, "source_prompt_8"},
    {41, "&H5E0,0", "Cap#3 Fun.Bit A", kPageSourcePrompts, "source_prompt_9"},
    {42, "&H5F4,0", "Cap#3 Fun.Bit B", kPageSourcePrompts, "source_prompt_10"},
    {43, "&H608,0", "Cap#3 Fun.Bit C", kPageSourcePrompts, "source_prompt_11"},
    {44, "&H61C,0", "Cap#3 Fun.Bit D", kPageSourcePrompts, "source_prompt_12"},
    {45, "&H630,0", "Cap#4 Fun.Bit A", kPageSourcePrompts, "source_prompt_13"},
    {46, "&H644,0", "Cap#4 Fun.Bit B", kPageSourcePrompts, "source_prompt_14"},
    {47, "&H658,0", "Cap#4 Fun.Bit C", kPageSourcePrompts, "source_prompt_15"},
    {48, "&H66C,0", "Cap#4 Fun.Bit D", kPageSourcePrompts, "source_prompt_16"},
    {49, "&H680,0", "Cap#5 Fun.Bit A", kPageSourcePrompts, "source_prompt_17"},
    {50, "&H694,0", "Cap#5 Fun.Bit B", kPageSourcePrompts, "source_prompt_18"},
    {51, "&H6A8,0", "Cap#5 Fun.Bit C", kPageSourcePrompts, "source_prompt_19"},
    {52, "&H6BC,0", "Cap#5 Fun.Bit D", kPageSourcePrompts, "source_prompt_20"},
    {53, "&H6D0,0", "Cap#6 Fun.Bit A", kPageSourcePrompts, "source_prompt_21"},
    {54, "&H6E4,0", "Cap#6 Fun.Bit B", kPageSourcePrompts, "source_prompt_22"},
    {55, "&H6F8,0", "Cap#6 Fun.Bit C", kPageSourcePrompts, "source_prompt_23"},
    {56, "&H70C,0", "Cap#6 Fun.Bit D", kPageSourcePrompts, "source_prompt_24"},
    {57, "&H720,0", "Cap#7 Fun.Bit A", kPageSourcePrompts, "source_prompt_25"},
    {58, "&H734,0", "Cap#7 Fun.Bit B", kPageSourcePrompts, "source_prompt_26"},
    {59, "&H748,0", "Cap#7 Fun.Bit C", kPageSourcePrompts, "source_prompt_27"},
    {60, "&H75C,0", "Cap#7 Fun.Bit D", kPageSourcePrompts, "source_prompt_28"},
    {61, "&H770,0", "Cap#8 Fun.Bit A", kPageSourcePrompts, "source_prompt_29"},
    {62, "&H784,0", "Cap#8 Fun.Bit B", kPageSourcePrompts, "source_prompt_30"},
    {63, "&H798,0", "Cap#8 Fun.Bit C", kPageSourcePrompts, "source_prompt_31"},
    {64, "&H7AC,0", "Cap#8 Fun.Bit D", kPageSourcePrompts, "source_prompt_32"},
    {65, "&HA0,0", "FLASH ONLY------>", kPagePromptsEdit, "flash_only_prompt"},
    {68, "&H428,0", "CHARGING-------->", kPagePromptsEdit, "charging_prompt"},
};

}  // namespace

std::span<const BoundControl> BoundControls() { return kBoundControls; }

const BoundControl* FindBoundControl(Ctl array, int index) {
  for (const BoundControl& c : kBoundControls)
    if (c.array == array && c.index == index) return &c;
  return nullptr;
}

const BoundControl* FindBoundControl(std::string_view name) {
  for (const BoundControl& c : kBoundControls)
    if (c.name == name) return &c;
  return nullptr;
}

std::span<const PromptField> PromptFields() { return kPromptFields; }

const PromptField* FindPromptField(int element) {
  for (const PromptField& f : kPromptFields)
    if (f.element == element) return &f;
  return nullptr;
}

const PromptField* FindPromptField(std::string_view name) {
  for (const PromptField& f : kPromptFields)
    if (f.name == name) return &f;
  return nullptr;
}

}  // namespace qrt
