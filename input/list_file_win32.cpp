#include "input/list_file_win32.h"

#include "base/heap.h"
#include "base/platform_win32.h"
#include "base/tree_sink_win32.h"
#include "config/file_text_win32.h"
#include "input/list_file.h"
#include "security/groups.h"
#include "security/path_names.h"
#include "security/security_win32.h"

namespace {

void AddListedPath(void* context, const char16_t* path) {
    AddPath(static_cast<const TreeSink*>(context), path, PathAttributes(path));
}

}  // namespace

DWORD ReadWholeFile(const char16_t* name, uint32_t extra, char** buffer) {
    bool opened = false;
    return ReadFileWithZeros(name, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_FLAG_SEQUENTIAL_SCAN, extra, buffer,
                             &opened);
}

int AddPathsFromListFile(HWND tree, const char16_t* token) {
    bool utf8 = false;
    const char16_t* name = ListFileNameOf(token, &utf8);
    // Only a plain file is read: never a pipe, whose server could act as us.
    if (IsForeignPath(name)) return 0;
    char* bytes = nullptr;
    if (ReadWholeFile(name, kListFileZeroBytes, &bytes) != 0) return 0;
    TreeSink sink = TreeViewSink(tree);
    PathReceiver receiver = {AddListedPath, &sink};
    bool read = AddPathsFromListBytes(bytes, utf8, SystemCodePages(), &receiver);
    HeapFreeBytes(bytes);
    return read ? 1 : 0;
}
