// Account texts by lookup system and SID, kept for one fill: on a domain
// machine each lookup may cost a round trip to a server, and a fill shows
// the same few accounts on every path.
#pragma once
#include <stdint.h>

// The kept text of sid as looked up on system ("" for the local one): true
// when there is one; *text is then the account text, or null when neither
// the lookup nor the SID string worked.
bool FindAccountText(const char16_t* system, const uint8_t* sid, const char16_t** text);
// Keeps the outcome of a lookup; when memory runs out nothing is kept.
void KeepAccountText(const char16_t* system, const uint8_t* sid, const char16_t* text);
// Forgets every kept text: each fill looks names up afresh.
void ClearAccountTexts();
