#include "config/config_win32.h"

#include "base/heap.h"
#include "base/platform_win32.h"
#include "config/file_text_win32.h"

namespace {

// Zero bytes behind the file's bytes: the conversion reads up to the first.
const uint32_t kConfigZeroBytes = 8;

// The file name beside the executable; false when the executable's path or
// the name does not fit in a path of 260 units.
bool ConfigPath(const char16_t* name, char16_t* path) {
    wchar_t module[kConfigPathUnits];
    DWORD n = GetModuleFileNameW(g_instance, module, kConfigPathUnits);
    if (n == 0) module[0] = 0;
    // A cut module path would name some other folder.
    bool moduleFits = n > 0 && n < kConfigPathUnits;
    module[kConfigPathUnits - 1] = 0;
    return PathBesideExecutable(U(module), name, path, kConfigPathUnits) && moduleFits;
}

bool LoadBesideExecutable(ConfigText* config, const char16_t* name) {
    char16_t path[kConfigPathUnits];
    if (!ConfigPath(name, path)) {
        SetUnopenedConfigText(config, path);
        return false;
    }
    return LoadConfigText(config, path);
}

}  // namespace

bool LoadConfigText(ConfigText* config, const char16_t* path) {
    char* bytes = nullptr;
    bool opened = false;
    DWORD error =
        ReadFileWithZeros(path, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, kConfigZeroBytes, &bytes, &opened, nullptr);
    if (!opened) {
        SetUnopenedConfigText(config, path);
        return false;
    }
    // Opened but not read: an empty text, still reported as read.
    FillConfigText(config, path, error == 0 ? bytes : "", SystemCodePages());
    HeapFreeBytes(bytes);
    return true;
}

bool LoadLanguageFile() {
    char16_t name[32];
    LanguageFileName((uint32_t)GetUserDefaultLCID(), name, 32);
    return LoadBesideExecutable(&g_languageFile, name);
}

bool LoadListFile() { return LoadBesideExecutable(&g_listFile, kListFileName); }
