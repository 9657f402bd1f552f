#include "base/platform_win32.h"

HINSTANCE g_instance;
