#include "base/dialog_win32.h"

#include "base/dialog_template.h"
#include "base/heap.h"
#include "base/platform_win32.h"

namespace {

// NONCLIENTMETRICSW without iPaddedBorderWidth: 500 bytes, which every
// Windows version accepts.
const UINT kMetricsSize = 500;

DialogFont MessageFont(NONCLIENTMETRICSW* metrics) {
    ZeroMemory(metrics, sizeof *metrics);
    metrics->cbSize = kMetricsSize;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kMetricsSize, metrics, 0);
    metrics->lfMessageFont.lfFaceName[LF_FACESIZE - 1] = 0;
    DialogFont font;
    font.pointSize = DialogPointSize(metrics->lfMessageFont.lfHeight, SystemDpi());
    font.face = U(metrics->lfMessageFont.lfFaceName);
    return font;
}

}  // namespace

DLGTEMPLATE* LoadDialogTemplate(HINSTANCE instance, int id) {
    NONCLIENTMETRICSW metrics;
    DialogFont font = MessageFont(&metrics);
    HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    if (!resource) return nullptr;
    DWORD size = SizeofResource(instance, resource);
    HGLOBAL loaded = LoadResource(instance, resource);
    const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
    if (!bytes) return nullptr;
    uint8_t* copy = static_cast<uint8_t*>(HeapAllocBytes(RewrittenTemplateCapacity(size, font)));
    if (!copy) return nullptr;
    if (!RewriteDialogTemplate(bytes, size, font, copy)) {
        HeapFreeBytes(copy);
        return nullptr;
    }
    return reinterpret_cast<DLGTEMPLATE*>(copy);
}

INT_PTR RunDialog(HINSTANCE instance, int id, HWND owner, DLGPROC procedure, LPARAM parameter) {
    DLGTEMPLATE* copy = LoadDialogTemplate(instance, id);
    if (!copy) return -1;
    INT_PTR result = DialogBoxIndirectParamW(instance, copy, owner, procedure, parameter);
    HeapFreeBytes(copy);
    return result;
}
