#include "gui/win32/win32_window.h"

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gui/c_frame.h"
#include "gui/win32/dib_surface.h"

namespace VSTGUI {

namespace {

constexpr DWORD kChildStyle = 0x56000000;  // child, visible, clip children and siblings
constexpr UINT kGlobalClass = 0x4000;      // CS_GLOBALCLASS

int gWindowCount = 0;

// The module this code lives in (the plug-in DLL, not the host's executable).
HMODULE ownModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ownModule), &module);
  return module;
}

struct WindowClassName {
  char text[48];
  WindowClassName() {
    std::snprintf(text, sizeof text, "Plugin%p", static_cast<void*>(ownModule()));
  }
};

bool down(int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; }

// The dropped files' paths, converted from the shell's UTF-16 to UTF-8.
std::vector<std::string> droppedPaths(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    std::wstring wide(length + 1, L'\0');
    if (DragQueryFileW(drop, i, wide.data(), length + 1) != length) continue;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(length),
                                          nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) continue;
    std::string path(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(length), path.data(), bytes,
                        nullptr, nullptr);
    paths.push_back(std::move(path));
  }
  return paths;
}

}  // namespace

int32_t win32ButtonMask() {
  int32_t mask = 0;
  const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  if (down(VK_LBUTTON)) mask |= swapped ? kRButton : kLButton;
  if (down(VK_MBUTTON)) mask |= kMButton;
  if (down(VK_RBUTTON)) mask |= swapped ? kLButton : kRButton;
  if (down(VK_SHIFT)) mask |= kShift;
  if (down(VK_CONTROL)) mask |= kControl;
  if (down(VK_MENU)) mask |= kAlt;
  return mask;
}

Win32Window::Win32Window(HWND parent, int32_t width, int32_t height)
    : width_(width), height_(height) {
  const HMODULE module = ownModule();
  const WindowClassName name;
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExA(module, name.text, &existing)) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = kGlobalClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name.text;
    if (!RegisterClassExA(&windowClass)) return;
  }
  backBuffer_ = new DibSurface(width, height, kWhiteCColor);
  const DWORD style = parent ? kChildStyle : (WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE);
  window_ = CreateWindowExA(0, name.text, "Window", style, 0, 0, width, height, parent, nullptr,
                            module, nullptr);
  if (!window_) {
    backBuffer_->forget();
    backBuffer_ = nullptr;
    if (gWindowCount == 0) UnregisterClassA(name.text, module);
    return;
  }
  ++gWindowCount;
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // Files dragged from Explorer onto the panel arrive as WM_DROPFILES.
  DragAcceptFiles(window_, TRUE);
}

Win32Window::~Win32Window() {
  if (window_) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    window_ = nullptr;
    // The class goes with the last window, so an unloaded plug-in leaves no class behind
    // whose window procedure is gone.
    if (--gWindowCount == 0) UnregisterClassA(WindowClassName().text, ownModule());
  }
  if (backBuffer_) backBuffer_->forget();
}

void* Win32Window::createSurface() {
  if (!backBuffer_) return nullptr;
  backBuffer_->remember();
  return backBuffer_;
}

void Win32Window::flush() {
  if (!window_ || !backBuffer_) return;
  GdiFlush();
  HDC dc = GetDC(window_);
  if (!dc) return;
  // A scaled panel leaves its world transform on the back buffer: GDI would apply it to the
  // copy. The window shows the buffer's pixels as they are.
  const DevicePixels pixels(backBuffer_->dc());
  BitBlt(dc, 0, 0, width_, height_, backBuffer_->dc(), 0, 0, SRCCOPY);
  ReleaseDC(window_, dc);
}

int32_t Win32Window::getMouseButtons() { return win32ButtonMask(); }

CPoint Win32Window::getMouseLocation() {
  POINT point{};
  GetCursorPos(&point);
  if (window_) ScreenToClient(window_, &point);
  return CPoint(point.x, point.y);
}

void Win32Window::processEvents(CFrame&, bool) {
  // Presses come through the host's message loop. While a control tracks the mouse the
  // host's loop does not run: paint requests of this window are handled here.
  MSG message;
  if (window_ && PeekMessageA(&message, window_, WM_PAINT, WM_PAINT, PM_REMOVE))
    DispatchMessageA(&message);
}

bool Win32Window::readPixels(std::vector<uint32_t>& argb, int& width, int& height) {
  if (!backBuffer_) return false;
  const uint32_t* pixels = backBuffer_->pixels();
  if (!pixels) return false;
  width = backBuffer_->width();
  height = backBuffer_->height();
  argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (size_t i = 0; i < argb.size(); ++i) argb[i] = 0xFF000000u | pixels[i];
  return true;
}

void Win32Window::paint() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window_, &paint);
  if (!dc) return;
  const RECT& area = paint.rcPaint;
  if (area.right > area.left && area.bottom > area.top && backBuffer_) {
    // The frame redraws into the back buffer, which is then shown where the window is
    // invalid.
    if (frame_) {
      CFrame* frame = frame_;
      frame_ = nullptr;  // drawAll flushes through this window: no recursion into paint
      frame->drawAll();
      frame_ = frame;
    }
    GdiFlush();
    const DevicePixels pixels(backBuffer_->dc());
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
           backBuffer_->dc(), area.left, area.top, SRCCOPY);
  }
  EndPaint(window_, &paint);
}

namespace {
// WM_DPICHANGED reaches top-level windows, WM_DPICHANGED_AFTERPARENT child windows such as
// the panel's (both from Windows 8.1 and 10 1703; named here for older headers).
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kDpiChangedAfterParent = 0x02E3;
}  // namespace

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (frame_) {
        const CPoint where(static_cast<int16_t>(LOWORD(lParam)),
                           static_cast<int16_t>(HIWORD(lParam)));
        frame_->dispatchPress(where, win32ButtonMask());
      }
      return 0;
    case WM_PAINT:
      paint();
      return 0;
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wParam);
      const std::vector<std::string> paths = droppedPaths(drop);
      DragFinish(drop);
      if (frame_) frame_->filesDropped(paths);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the back buffer covers the whole window
    case kDpiChanged:
    case kDpiChangedAfterParent:
      // Moved to a monitor of another scale: the editor reopens at it at its next idle.
      if (frame_) frame_->systemScaleChanged();
      return DefWindowProcA(window_, message, wParam, lParam);
    default:
      return DefWindowProcA(window_, message, wParam, lParam);
  }
}

LRESULT CALLBACK Win32Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == WM_DESTROY && self) {
    self->frame_ = nullptr;  // the frame forgets its window with it
  }
  if (!self || self->window_ != window) return DefWindowProcA(window, message, wParam, lParam);
  return self->handle(message, wParam, lParam);
}

std::unique_ptr<PlatformWindow> createPlatformWindow(void* parent, int32_t width, int32_t height) {
  return std::make_unique<Win32Window>(static_cast<HWND>(parent), width, height);
}

// Windows hosts resize the window they handed over: no container is needed there.
std::unique_ptr<ContainerWindow> createContainerWindow(void*, int32_t, int32_t) { return nullptr; }

}  // namespace VSTGUI
