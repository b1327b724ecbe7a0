// The system's scale on X11: the desktop's Xft.dpi resource (what GNOME, KDE and xrdb set
// for a scaled desktop) over 96, else GDK_SCALE, else 1.
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>

#include "gui/pixel_grid.h"
#include "gui/platform_window.h"

namespace VSTGUI {

namespace {

// The value of the Xft.dpi line of a resource database text, or 0.
double xftDpi(const char* resources) {
  if (resources == nullptr) return 0.0;
  constexpr char kName[] = "Xft.dpi:";
  for (const char* line = resources; line != nullptr && *line != 0;) {
    if (std::strncmp(line, kName, sizeof kName - 1) == 0)
      return std::strtod(line + sizeof kName - 1, nullptr);
    line = std::strchr(line, '\n');
    if (line != nullptr) ++line;
  }
  return 0.0;
}

}  // namespace

double systemScale(void* parentWindow) {
  (void)parentWindow;  // the host's window is on the display $DISPLAY names
  double scale = 0.0;
  if (Display* display = XOpenDisplay(nullptr)) {
    scale = xftDpi(XResourceManagerString(display)) / 96.0;
    XCloseDisplay(display);
  }
  if (!(scale > 0.0)) {
    const char* gdk = std::getenv("GDK_SCALE");
    scale = gdk != nullptr ? std::strtod(gdk, nullptr) : 1.0;
  }
  return clampScale(scale);
}

}  // namespace VSTGUI
