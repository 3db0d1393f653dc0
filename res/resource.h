// Resource and control identifiers.
#pragma once

#define IDR_MAINFRAME           128
#define IDC_HAND_CURSOR         145

#define IDD_ABOUTBOX            100
#define IDD_MAIN                102
#define IDD_SETTINGS            129
#define IDD_RTF_FONT_LIST       130
#define IDD_FONT_PICK           131

#define IDS_ABOUTBOX            101
#define IDS_HINT_NONE           102
#define IDS_LAMP_GIVEN_UP       103
#define IDS_LAMP_LEFT_OUT       104
#define IDS_LAMP_UNREADABLE     105
// What a conversion by key did, besides the lamp's texts.
#define IDS_CONVERTED           106
#define IDS_CONVERT_FAILED      107
// What the window tells after a repair: a misreading undone before the last one,
// the last one, and why nothing was repaired.
#define IDS_REPAIRED_EARLIER    110
#define IDS_REPAIRED_LAST       111
#define IDS_REPAIR_NO_TEXT      112
#define IDS_REPAIR_NOTHING      113
#define IDS_REPAIR_FAILED       114
#define IDS_REPAIR_UNREADABLE   115

#define IDC_INDICATOR           1000
#define IDC_CODEPAGE            1001
#define IDC_CONVERT             1002
#define IDC_SETTINGS            1003
#define IDC_LINK                1004
#define IDC_CONTACT             1005
#define IDC_AUTO                1006
#define IDC_SLEEP               1007
#define IDC_TOPMOST             1008
#define IDC_HINT                1009
#define IDC_RTF                 1010
#define IDC_FONT_LIST           1011
#define IDC_FACE                1012
#define IDC_FONT_SIZE           1013
#define IDC_LANGUAGE            1014
#define IDC_REPAIR              1015
// The settings dialog's system-wide keys, and the marks of keys another program has.
#define IDC_CONVERT_KEY         1016
#define IDC_REPAIR_KEY          1017
#define IDC_CONVERT_KEY_TAKEN   1018
#define IDC_REPAIR_KEY_TAKEN    1019
#define IDC_FONT                3

#define IDM_ABOUTBOX            16
