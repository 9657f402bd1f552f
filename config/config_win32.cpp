// Placeholder until the configuration reader lands.
#include "config/config_win32.h"

bool LoadConfigText(ConfigText*, const char16_t*) { return false; }
bool LoadLanguageFile() { return false; }
bool LoadListFile() { return false; }
