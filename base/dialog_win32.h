#pragma once
#include <windows.h>

// A copy of dialog template `id` rewritten to use the system message font,
// on the process heap (HeapFree by the caller); null when there is none.
DLGTEMPLATE* LoadDialogTemplate(HINSTANCE instance, int id);
// Runs template `id` modally; the dialog's result, or -1 when the template
// is missing.
INT_PTR RunDialog(HINSTANCE instance, int id, HWND owner, DLGPROC procedure, LPARAM parameter);
