#pragma once
#include "config/config_text.h"

// Reads a UTF-8 file whole into the record; false when it cannot be opened.
bool LoadConfigText(ConfigText* config, const char16_t* path);
// Start-up: the language file ("ovrix%04x.cfg" by the user's locale) and the
// list file ("ovrix_list.cfg"), both beside the executable.
bool LoadLanguageFile();
bool LoadListFile();
