// The texts of owner, ACE and label nodes: account names, rights, inheritance
// scope, integrity levels, and the glyph and ItemParam of ACE nodes. Each
// writes into a bounded TextWriter and returns the units it wrote.
#pragma once
#include <stdint.h>

#include "base/item_param.h"
#include "base/text.h"

const uint32_t kNodeTextUnits = 1040;   // every node text is built in this many units

// Glyphs of the tree's image list used by the security nodes.
const int kGlyphAttributes = 1;
const int kGlyphFile = 2;
const int kGlyphFolder = 3;
const int kGlyphBoxEmpty = 10;
const int kGlyphBoxTicked = 12;
const int kGlyphUnknown = 14;
const int kGlyphOwner = 15;
const int kGlyphOwnerInherit = 16;
const int kGlyphArrows = 18;
const int kGlyphIntegrity = 19;
const int kGlyphAllow = 21;
const int kGlyphDeny = 24;
const int kGlyphAudit = 27;
const int kGlyphThisFolderOnly = 42;
const int kGlyphContentsOnly = 46;

// "domain\name" or "name" from a lookup (on the server of a UNC path), else
// the SID string, else "Unknown account" (also for a null sid).
uint32_t AccountNameOfSid(TextWriter* out, const uint8_t* sid, const char16_t* path);
uint32_t AccessMaskText(TextWriter* out, uint32_t mask);
// *scopeGlyph must be 0 on entry.
uint32_t AceScopeText(TextWriter* out, uint8_t aceFlags, uint32_t attributes, uint32_t* itemParam, int* scopeGlyph);
// typeWord is written before any other translation, so it may be the last
// Translate result. *glyph holds 21 (allow), 24 (deny) or 27 (audit) on entry.
uint32_t AceLineText(TextWriter* out, const char16_t* typeWord, const char16_t* path, const uint8_t* sid,
                     uint8_t aceFlags, uint32_t attributes, uint32_t mask, uint32_t* itemParam, int* glyph);
uint32_t IntegrityLabelText(TextWriter* out, const uint8_t* sid, uint8_t aceFlags, uint32_t attributes,
                            uint32_t policy, uint32_t* itemParam);
