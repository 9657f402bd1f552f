// The texts of owner, ACE and label nodes: account names, rights, inheritance
// scope, integrity levels, and the glyph and ItemParam of ACE nodes. Each
// writes into a bounded TextWriter and returns the units it wrote.
#pragma once
#include <stdint.h>

#include "base/file_attributes.h"
#include "base/text.h"
#include "security/glyphs.h"

const uint32_t kNodeTextUnits = 1040;   // every node text is built in this many units

// "domain\name" or "name" from a lookup (on the server of a UNC path), else
// the SID string, else "Unknown account" (also for a null sid).
uint32_t AccountNameOfSid(TextWriter* out, const uint8_t* sid, const char16_t* path);
uint32_t AccessMaskText(TextWriter* out, uint32_t mask);
// The ItemParam scope bits of an ACE with these flags: none on a file.
uint32_t AceScopeBits(uint8_t aceFlags, uint32_t attributes);
// *scopeGlyph must be 0 on entry.
uint32_t AceScopeText(TextWriter* out, uint8_t aceFlags, uint32_t attributes, uint32_t* itemParam, int* scopeGlyph);
// typeWord is written before any other translation, so it may be the last
// Translate result. *glyph holds kGlyphAllow, kGlyphDeny or kGlyphAudit on entry.
uint32_t AceLineText(TextWriter* out, const char16_t* typeWord, const char16_t* path, const uint8_t* sid,
                     uint8_t aceFlags, uint32_t attributes, uint32_t mask, uint32_t* itemParam, int* glyph);
uint32_t IntegrityLabelText(TextWriter* out, const uint8_t* sid, uint8_t aceFlags, uint32_t attributes,
                            uint32_t policy, uint32_t* itemParam);
