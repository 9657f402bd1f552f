// Windows test bed: runs the main dialog in this process (or the real exe in
// another) and reads what it shows.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

// Runs the main dialog with `commandLine` as the program's command line (its
// first token is the program's own name, as on Windows) and calls body with
// the dialog's window once it is up, from inside the dialog's own message
// loop, once the paths it names have been read (or at once, whileReading).
// Closes the dialog afterwards if body left it open. Returns the dialog's
// result.
INT_PTR RunWithMainWindow(const wchar_t* commandLine, const std::function<void(HWND)>& body,
                          bool whileReading = false);
// Pumps messages until the window's reading of paths has ended.
bool WaitForReading(int ms = 60000);
// While it lives, the reading's clock moves 100 ms at every look: each batch
// takes one path, progress is due every few paths and a reading of a dozen
// paths outlasts a second, however fast the machine reads.
struct SlowReadingClock {
    SlowReadingClock();
    ~SlowReadingClock();
};

struct NodeInfo {
    HTREEITEM item;
    int depth;               // 0 for root nodes
    std::wstring text;
    int image;
    int selectedImage;
    uint32_t param;          // low 32 bits of the item's parameter
    bool expanded;
    bool selected;
};

// Every node of the tree in display order (collapsed children included).
std::vector<NodeInfo> TreeNodes(HWND tree);
// The nodes as indented lines "text [image] kN" for readable failure output.
std::wstring DumpTree(HWND tree);
std::wstring LogText(HWND mainWindow);
// Log lines (split at CR LF).
std::vector<std::wstring> LogLines(HWND mainWindow);

// A control of the main window, in the window's client coordinates.
RECT ChildRect(HWND main, int id);

// Dispatches pending messages of this thread.
void PumpMessages();
// Pumps messages until condition holds or ms pass; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int ms = 10000);

// Sends the main window a WM_DROPFILES with these names and waits until
// they have been read.
void DropFiles(HWND mainWindow, const std::vector<std::wstring>& names);

// Folders and files for tests.
std::wstring ExeDirectory();          // folder of the running test program, with trailing backslash
std::wstring NewTempFolder();         // a fresh empty folder, without trailing backslash
void RemoveTree(const std::wstring& folder);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string Utf8(const std::wstring& s);
// Runs a command of the host's shell in the folder (Wine derives DACLs from
// the modes it sets) and waits until it has ended.
bool RunUnixShell(const std::wstring& folder, const std::string& command);

// The real program in another process.
struct OvrixProcess {
    PROCESS_INFORMATION info;
    HWND window;              // its main window, once found
};
// Starts ovrix.exe (next to the test program, or the copy exe names) with
// args; waits for its main window to be visible and enabled and its paths
// read.
bool StartOvrix(const std::wstring& args, OvrixProcess* out, int ms = 20000, const std::wstring& exe = L"");
// Waits for the process to end; its exit code, or STILL_ACTIVE on time-out
// (the process is then killed).
DWORD WaitForExit(OvrixProcess* process, int ms = 20000);
