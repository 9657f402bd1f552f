// What the actions need of the platform, as plain function pointers: the
// Win32 shell fills it in (actions/action_platform_win32.h), native tests fake it.
#pragma once
#include <stdint.h>

#include "input/folder_walk.h"

struct MenuModel;
struct PathSecurity;
struct EffectiveAccess;

// The longest account name a command takes. Texts that may carry one (a
// chosen menu item, the typed name) are read with one unit to spare, so a
// longer name shows as such and is refused instead of being cut to fit.
const uint32_t kAccountNameLength = 255;
const uint32_t kAccountTextUnits = kAccountNameLength + 2;

// What came back from the popup: the command id (0 when dismissed), the
// chosen item's text and, when readable, its 32-bit data.
struct MenuPick {
    uint32_t id;
    char16_t text[kAccountTextUnits];
    uint32_t data;
    bool dataRead;
};

// What the Find dialog shows and returns: the typed account or SID and the
// chosen FindMode.
struct FindRequest {
    char16_t text[kAccountTextUnits];
    uint32_t mode;
};

// Results of the account enumeration that end the account list early.
const uint32_t kUsersAccessDenied = 5;
const uint32_t kUsersInvalidComputer = 2351;
const uint32_t kUsersMoreData = 234;

// Room for the name of a file in the user's temporary folder.
const uint32_t kTempPathUnits = 512;

struct ActionPlatform {
    void* owner;   // the main window, handed back to every call that shows something
    // GetFileAttributesW; all ones when unreadable.
    uint32_t (*fileAttributes)(const char16_t* path);
    // Runs one command line (a writable buffer); true only on exit code 0.
    bool (*runCommand)(void* owner, char16_t* commandLine);
    void (*appendLog)(void* owner, const char16_t* text);
    // 1 OK, 0 Cancel, -1 not shown.
    int (*specialPermissionsDialog)(void* owner, uint32_t* value);
    // text holds kAccountTextUnits.
    int (*accountNameDialog)(void* owner, char16_t* text);
    // Folder listing of "pattern" ("<path>\*"): a handle and the first entry,
    // or null when the listing can't start.
    void* (*openFolder)(const char16_t* pattern, FolderEntry* first);
    bool (*nextFolderEntry)(void* listing, FolderEntry* next);
    void (*closeFolder)(void* listing);
    bool (*folderIdentity)(const char16_t* path, FolderIdentity* out);
    // Local accounts: calls onName for each (it returns false to stop taking
    // names) and returns the enumeration's result code.
    uint32_t (*enumerateUsers)(void* sink, bool (*onName)(void* sink, const char16_t* name));
    // The machine's domain name ("Domain" of the Tcpip parameters).
    bool (*readDomainName)(char16_t* out, uint32_t capacity);
    bool (*setPrivilege)(const char16_t* name, bool enable);
    // Primary UI language of the system (GetUserDefaultUILanguage).
    uint16_t (*uiLanguage)();
    // Shows the popup and reports the choice.
    void (*trackMenu)(void* owner, const MenuModel* menu, MenuPick* pick);
    // Puts the text on the clipboard.
    bool (*copyText)(void* owner, const char16_t* text);
    // Reads everything below the folders (units of zero-terminated names
    // ended by an empty one, copied) into the tree, once the menu is done.
    void (*scanBelow)(void* owner, const char16_t* folders, uint32_t units);
    // Writes bytes into a file made new in the user's temporary folder, under
    // a name no one can foresee and shared with no one while it is written;
    // its name goes to path (kTempPathUnits). False when nothing was made.
    bool (*writeTempFile)(const uint8_t* bytes, uint32_t size, char16_t* path);
    bool (*deleteFile)(const char16_t* path);
    // The Find dialog on request (in and out); 1 OK, 0 Cancel, -1 not shown.
    int (*findDialog)(void* owner, FindRequest* request);
    // The SID of `name` or `DOMAIN\name` into sid (kMaxSidBytes); false when it
    // does not resolve.
    bool (*accountSid)(const char16_t* name, uint8_t* sid);
    // The account's effective access by a group's owner and DACL; false when
    // it cannot be told (either could not be read).
    bool (*effectiveAccess)(const uint8_t* account, const PathSecurity* security, EffectiveAccess* out);
};
