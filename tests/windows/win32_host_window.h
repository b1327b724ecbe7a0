// A Win32 host window for the editor tests, the host's message loop, real mouse input, and
// the window's pixels as the user sees them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace panner {

constexpr int kEditorWidth = 435;
constexpr int kEditorHeight = 330;

// A top-level window of the test host whose client area is the editor's size (at 100%
// unless given).
HWND makeHostWindow(int width = kEditorWidth, int height = kEditorHeight);
void pumpMessages();
void sendButton(bool down);
void moveTo(HWND window, int x, int y);
// The window's pixels as 0x00RRGGBB, row by row from the top, read back from the screen.
std::vector<uint32_t> grab(HWND window);

}  // namespace panner
