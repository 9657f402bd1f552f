// Ids shared by resources/ovrix.rc and the code. The resource compiler reads
// this file too: plain #defines of plain numbers only.
#pragma once

// Dialog templates (RT_DIALOG).
#define IDD_MAIN_WINDOW 1
#define IDD_ACCOUNT_NAME 2
#define IDD_DETAIL_RIGHTS 3

// Controls of the main window.
#define IDC_TREE 100
#define IDC_LOG 101
#define IDC_ACTION_BUTTON 104

// The account-name edit box.
#define IDC_ACCOUNT_EDIT 103

// The detail-rights check boxes, in id order.
#define IDC_RIGHT_TRAVERSE 201
#define IDC_RIGHT_LIST_FOLDER 202
#define IDC_RIGHT_READ_ATTRIBUTES 203
#define IDC_RIGHT_READ_EXTENDED 204
#define IDC_RIGHT_WRITE_DATA 205
#define IDC_RIGHT_APPEND_DATA 206
#define IDC_RIGHT_WRITE_ATTRIBUTES 207
#define IDC_RIGHT_WRITE_EXTENDED 208
#define IDC_RIGHT_DELETE_CHILD 209
#define IDC_RIGHT_DELETE 210
#define IDC_RIGHT_READ_PERMISSIONS 211
#define IDC_RIGHT_CHANGE_PERMISSIONS 212
#define IDC_RIGHT_TAKE_OWNERSHIP 213

// The program's icon and the tree's glyph strips: 16-pixel glyphs, and the
// same pictures at 20, 24 and 32 pixels for higher DPIs.
#define IDI_PROGRAM 1
#define IDB_GLYPHS 1114
#define IDB_GLYPHS_20 1115
#define IDB_GLYPHS_24 1116
#define IDB_GLYPHS_32 1117
