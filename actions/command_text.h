// The texts of icacls and takeown command lines: templates with one hole for
// a path, quoting, rights, inheritance flags, accounts and the yes letter.
#pragma once
#include <stdint.h>

#include "base/format.h"

const uint32_t kCommandUnits = 4096;     // a command line holds at most 4095 units
const uint32_t kQuoteUnits = 1024;

// A command line with one hole for a path. The hole's place is recorded when
// the template is composed, so a '%' or "%s" that arrives with an account name
// or a list-file value is never mistaken for it.
struct CommandTemplate {
    char16_t text[kCommandUnits + 1];   // one spare unit shows an over-long composition
    uint32_t length;
    uint32_t hole;                      // the two units "%s" at text[hole]
    bool tooLong;
};

// Completes a template formatted from a pattern whose first placeholder is
// the literal "%%s" hole; every pattern here starts "icacls %%s" or
// "takeown /f %%s".
void FinishTemplate(CommandTemplate* command, const char16_t* pattern);

template <typename... A>
void ComposeTemplate(CommandTemplate* command, const char16_t* pattern, A... args) {
    command->length = FormatText(command->text, kCommandUnits + 1, pattern, args...);
    FinishTemplate(command, pattern);
}

// Puts the (already quoted) path into the hole; false when the result would
// not fit in capacity - 1 units (nothing is cut).
bool FillTemplate(const CommandTemplate* command, const char16_t* path, char16_t* out, uint32_t capacity);

// The text itself when it holds no space or tab, else the text between
// double quotes in buffer. Arguments follow the standard Windows command-line rules:
// a double quote inside is escaped, and backslashes ahead of the closing quote
// are doubled. Null when the result does not fit in the buffer.
const char16_t* QuoteIfSpaced(const char16_t* text, char16_t* buffer, uint32_t capacity);
// icacls rights: "N", a simple code or the comma list.
uint32_t RightsText(uint32_t mask, char16_t* out, uint32_t capacity);
// True for rights icacls takes as such: one simple right, or a comma list of
// specific rights (letters and commas only, in either case).
bool IsIcaclsRights(const char16_t* text);
// "(OI)", "(CI)" and "(IO)" from the 16 ItemParam bits above bit 15.
uint32_t InheritanceFlagsText(uint32_t bits, char16_t* out, uint32_t capacity);
// The account as icacls takes it: '*' ahead of an "S-1-" identifier; false
// when it does not fit.
bool AccountArgumentText(const char16_t* account, char16_t* out, uint32_t capacity);
// The letter takeown /d takes for yes in the system's UI language.
char16_t TakeownYesLetter(uint16_t uiLanguage);
