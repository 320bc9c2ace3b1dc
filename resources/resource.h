// Control ids and resource names shared by tsypatch.rc and the dialog code.
// Ids are grouped by kind: 1xx push buttons, 2xx edit fields, 301 the group
// box, 4xx radio buttons, 5xx check boxes. Plain #defines only, so that the
// resource compiler reads this file too.
#pragma once

// Resource names, as the code passes them. The .rc spells them out: there
// a quoted name would merge with a string just before it.
#ifndef RC_INVOKED
#define IDD_MAIN_DIALOG "MainDialog"
#define IDD_ABOUT_BOX "AboutBox"
#define IDD_RESULT_BOX "ResultBox"
#define IDI_MAIN_ICON "MainIcon"
#endif

// The initial texts of the offset and start address fields, which are also
// the command line's defaults; TSY_TEXT_OF spells a number as the template's
// text.
#define TSY_DEFAULT_MEMORY_OFFSET 4096
#define TSY_DEFAULT_START_ADDRESS "8000"
#define TSY_TEXT_OF(value) TSY_TEXT_OF_(value)
#define TSY_TEXT_OF_(value) #value

// Controls without an id.
#define IDC_STATIC -1

// Push buttons. Exit is the dialog manager's cancel command, so that Esc and
// the close box end the program like the button.
#define IDC_EXIT 2
#define IDC_BROWSE_STATE 101
#define IDC_BROWSE_DUMP 102
#define IDC_APPLY 103
#define IDC_WRITE_BACK 104
#define IDC_ABOUT 105

// Edit fields.
#define IDC_STATE_PATH 201
#define IDC_DUMP_PATH 202
#define IDC_START_ADDRESS 203
#define IDC_MEMORY_OFFSET 204
#define IDC_RESULT_TEXT 205

// Group box.
#define IDC_DUMP_DETAILS 301

// Radio buttons.
#define IDC_TEXT_MODE 401
#define IDC_BINARY_MODE 402

// Check boxes.
#define IDC_CHECKSUM 501
#define IDC_ADDRESS_SUM 502
#define IDC_LOWER_ADDRESS_ONLY 503
#define IDC_FORMAT_CHECK 504
#define IDC_OHMZ_SUM 505
#define IDC_UNIX_TEXT 506
#define IDC_OHX_CRC 507
