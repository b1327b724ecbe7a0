// Counts the GDI and USER objects a loaded DLL creates and destroys, by redirecting its
// imports of the creating and destroying functions. Wine does not implement
// GetGuiResources, so a test that must see leaks under wine counts them here; on Windows
// GetGuiResources is checked as well.
#pragma once

#include <windows.h>

namespace panner {

class GuiHandleCounter {
 public:
  // Redirects the imports of `module`; false when one of them cannot be patched.
  static bool install(HMODULE module);
  // Objects created and not yet destroyed since install: GDI (pens, brushes, fonts,
  // bitmaps, memory and window device contexts) and USER (windows).
  static long liveGdiObjects();
  static long liveUserObjects();
};

}  // namespace panner
