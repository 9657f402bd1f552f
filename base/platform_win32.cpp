#include "base/platform_win32.h"

HINSTANCE g_instance;

UINT SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? (UINT)dpi : USER_DEFAULT_SCREEN_DPI;
}
