// The system's scale on Windows: the DPI of the monitor the host's window is on, over 96
// (GetDpiForWindow, Windows 10 1607 and later; the screen's DPI on older systems).
#include <windows.h>

#include "gui/pixel_grid.h"
#include "gui/platform_window.h"

namespace VSTGUI {

double systemScale(void* parent) {
  using DpiForWindow = UINT(WINAPI*)(HWND);
  UINT dpi = 0;
  if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
    // Looked up at run time: older systems and Wine versions lack it.
    auto forWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
    if (forWindow != nullptr && parent != nullptr) dpi = forWindow(static_cast<HWND>(parent));
  }
  if (dpi == 0) {
    HDC screen = GetDC(nullptr);
    dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
  }
  return clampScale(dpi / 96.0);
}

}  // namespace VSTGUI
