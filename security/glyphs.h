// The glyphs of the tree's image list (resources/glyphs.bmp), by number.
#pragma once

const int kGlyphAttributes = 1;
const int kGlyphFile = 2;
const int kGlyphFolder = 3;
const int kGlyphBoxEmpty = 10;
const int kGlyphBoxTicked = 12;
const int kGlyphUnknown = 14;
const int kGlyphOwner = 15;
const int kGlyphOwnerInherit = 16;
const int kGlyphArrows = 18;             // also the log's banner
const int kGlyphIntegrity = 19;
const int kGlyphAllow = 21;
const int kGlyphDeny = 24;
const int kGlyphAudit = 27;
const int kGlyphFullControl = 30;        // allow ACEs by their whole mask
const int kGlyphModify = 34;
const int kGlyphReadExecute = 38;
const int kGlyphThisFolderOnly = 42;     // allow ACEs by their folder scope
const int kGlyphContentsOnly = 46;

// Each ACE glyph above is followed by its inherited form, and every allow
// glyph of a mask or scope by the two deny forms.
const int kGlyphInheritedStep = 1;
const int kGlyphDenyStep = 2;
