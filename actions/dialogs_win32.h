#pragma once
#include <windows.h>
#include <stdint.h>

#include "actions/action_platform.h"

// Detailed rights (template 3). In: the 16 ItemParam bits above bit 15; out
// on OK: the OR of the ticked rights. 1 OK, 0 Cancel or closed, -1 no template.
INT_PTR SpecialPermissionsDialog(HWND owner, uint32_t* value);
// Typed account name (template 2) into text (room for at least 100 units).
INT_PTR AccountNameDialog(HWND owner, char16_t* text);
// Find (template 4): shows the request's text and choice; on OK stores
// what was typed and chosen. Results as above.
INT_PTR FindDialog(HWND owner, FindRequest* request);
