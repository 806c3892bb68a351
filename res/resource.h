#pragma once
// Resource identifiers of Tarnwick.exe. The skin images' ids are in images.h,
// which the art generator writes.

#define IDR_MAINFRAME            128
#define IDS_ABOUTBOX             101
#define IDD_ABOUTBOX             100
#define IDD_TARNWICK_DIALOG      102
#define IDB_SCROLLBAR_SKIN       130
#define IDD_OPERATION_PANEL      190
#define IDD_TOOLTIP_SHELL        193
#define IDD_TOOLTIP_PANEL        194
#define IDD_EXECUTE_PANEL        195
#define IDD_EXECUTE_SHELL        196
#define IDD_PROMPT_SHELL         197
#define IDD_PROMPT_PANEL         198
#define IDD_FEEDBACK_SHELL       199
#define IDD_FEEDBACK_PANEL       200

#define IDM_ABOUTBOX             0x0010

// Operation panel controls.
#define IDC_CLOSE                1002
#define IDC_MIN                  1003
#define ID_START                 1004
#define IDC_VERSION              1006
#define IDC_FEEDBACK_TEXT        1008
#define IDC_AGREE                1010
#define IDC_AGREEMENT_TITLE      1012
#define IDC_MORE_TOOLS           1017

// Agreement overlay panel.
#define IDC_AGREEMENT_TEXT       1009

// Execute prompt panel; 1012 is a spare static outside the visible area.
#define IDC_EXECUTE_STATUS       1011
#define IDC_EXECUTE_SPARE        1012

// Prompt panel.
#define IDC_PROMPT_CLOSE         1013
#define IDC_PROMPT_OK            1015
#define IDC_PROMPT_CANCEL        1018
#define IDC_PROMPT_MESSAGE       1019

// Problem-solving feedback panel.
#define IDC_FEEDBACK_CLOSE       1015
#define IDC_FEEDBACK_SOLVED      1016
#define IDC_FEEDBACK_UNSOLVED    1017
#define IDC_FEEDBACK_MORE        1018
