// The editor in a Win32 host window under wine through the host sides of tests/editor_hosts.h,
// and the DLL's own window at the host window's DPI.
#include <gtest/gtest.h>
#include <windows.h>

// windows.h first: the others build on its types.
#include <gdiplus.h>
#include <shlobj.h>  // DROPFILES

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor_hosts.h"
#include "required_package.h"

namespace panner {

namespace {

using quendral_test::EditorHost;
using quendral_test::HostEdit;
using quendral_test::idleUntil;

constexpr int kWidth = 435;
constexpr int kHeight = 330;

// A top-level window of the test host whose client area is the editor's size (at 100%
// unless given).
HWND makeHostWindow(int width = kWidth, int height = kHeight) {
  static const bool registered = [] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "quendral test host";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    return RegisterClassA(&windowClass) != 0;
  }();
  RECT frame{0, 0, width, height};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = registered
                    ? CreateWindowExA(0, "quendral test host", "quendral", WS_OVERLAPPEDWINDOW, 20,
                                      20, frame.right - frame.left, frame.bottom - frame.top,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)
                    : nullptr;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return window;
}

void pumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Real mouse input, as the user's hand gives it.
void sendButton(bool down) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof input);
}

void moveTo(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  SetCursorPos(point.x, point.y);
}

// Panel units as pixels at `scale`.
int scaled(double units, double scale) { return static_cast<int>(std::floor(units * scale + 0.5)); }

// A click at (x, y) of the host's window while the host's loop runs.
void click(EditorHost& host, HWND window, int x, int y) {
  moveTo(window, x, y);
  host.idle(20);
  sendButton(true);
  host.idle(50);
  sendButton(false);
  host.idle(50);
}

// Three steps of 6 units up on the angle knob at `scale`, `pause` ms apart, by another thread:
// the knob follows the mouse in a loop of its own until the button is released.
void dragAngleKnobUp(EditorHost& host, HWND window, double scale, int pause) {
  const auto at = [scale](double units) { return scaled(units, scale); };
  host.setParameter(0, 0.5f);
  host.idle(30);
  host.clear();
  moveTo(window, at(38), at(267));
  host.idle(20);
  std::thread hand([&] {
    for (int step = 1; step <= 3; ++step) {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      moveTo(window, at(38), at(267 - 6 * step));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * pause));
    sendButton(false);
  });
  sendButton(true);
  idleUntil(
      host, [&] { return host.heardOf(0).find('e') != std::string::npos; }, 10000);
  hand.join();
}

// The window's pixels as 0x00RRGGBB, row by row from the top, read back from the screen.
std::vector<uint32_t> grab(HWND window, int width = kWidth, int height = kHeight) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  HDC windowDc = GetDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memoryDc, bitmap);
  BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* data = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = data[i] & 0xFFFFFFu;
  SelectObject(memoryDc, previous);
  DeleteObject(bitmap);
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return pixels;
}

// The DLL's session is MonitorDpi's.
const quendral_test::EditorFormat kFormats[] = {
    {"vst3", quendral_test::make<quendral_test::Vst3EditorHost>},
    {"clap", quendral_test::make<quendral_test::ClapEditorHost>},
};

class EditorWindow : public ::testing::TestWithParam<quendral_test::EditorFormat> {
 protected:
  void TearDown() override {
    if (host) host->close();
    host.reset();
    if (window) DestroyWindow(window);
    pumpMessages();
  }
  bool idleUntil(const std::function<bool()>& done) {
    return quendral_test::idleUntil(*host, done, 10000);
  }

  std::unique_ptr<EditorHost> host;
  HWND window = nullptr;
};

// One editor session a user has: the panel opens as the host's child window and draws, a
// click and a knob drag reach the host, and closing it leaves no window (the host's changes
// shown: the Linux window test; the panel's redraws under wine: MonitorDpi's drops).
TEST_P(EditorWindow, OpensDrawsTakesAClickAndADragAndClosesCleanly) {
  host = GetParam().make();
  std::string error;
  ASSERT_TRUE(host->load(error)) << error;
  int width = 0, height = 0;
  ASSERT_TRUE(host->editorSize(width, height));
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);
  window = makeHostWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(host->open(window, error)) << error;
  HWND editor = nullptr;
  ASSERT_TRUE(idleUntil([&] { return (editor = GetWindow(window, GW_CHILD)) != nullptr; }))
      << "the editor made no child window";
  RECT client{};
  GetClientRect(editor, &client);
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);
  EXPECT_TRUE(GetWindowLongA(editor, GWL_STYLE) & WS_CHILD);
  // A drawn panel: the white background, the knobs' colours, text; not one flat colour.
  EXPECT_TRUE(idleUntil([&] {
    const std::vector<uint32_t> pixels = grab(window);
    return std::set<uint32_t>(pixels.begin(), pixels.end()).size() > 20 &&
           pixels[static_cast<size_t>(2) * kWidth + 2] == 0xFFFFFFu;
  })) << "the panel is not drawn";

  host->setParameter(3, 0.0f);
  host->clear();
  click(*host, window, 174, 272);  // the middle of "filt two"
  EXPECT_TRUE(idleUntil([&] { return host->parameter(3) == 1.0f; }));
  float value = -1.0f;
  EXPECT_NE(host->heardOf(3, &value).find('p'), std::string::npos) << "no edit reached the host";
  EXPECT_EQ(value, 1.0f);

  dragAngleKnobUp(*host, window, 1.0, 40);
  quendral_test::expectOneGesture(host->heardOf(0, &value), host->ordered());
  EXPECT_GT(value, 0.5f) << "dragging up turns the knob up";
  EXPECT_FLOAT_EQ(host->parameter(0), value);

  host->close();
  host->idle(30);
  EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "the child window outlives close";
}

INSTANTIATE_TEST_SUITE_P(Formats, EditorWindow, ::testing::ValuesIn(kFormats),
                         quendral_test::formatName);

// The pixels as a binary PPM, for the CI artefacts and the comparison with Linux.
bool writePpm(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << width << ' ' << height << "\n255\n";
  for (uint32_t p : pixels)
    out << static_cast<char>(p >> 16) << static_cast<char>(p >> 8) << static_cast<char>(p);
  out.close();
  return !out.fail();
}

}  // namespace

// A drop as the shell posts it with WM_DROPFILES: a DROPFILES block of UTF-16 paths.
HGLOBAL shellDropOf(const std::vector<std::wstring>& paths, POINT where) {
  size_t characters = 1;
  for (const std::wstring& path : paths) characters += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->pt = where;
  drop->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    text += path.size() + 1;
  }
  GlobalUnlock(memory);
  return memory;
}

// Pixels of the panel's bottom strip (its last `rows` rows) in the alert tint and in its grey.
std::pair<int, int> stripAlertAndGrey(HWND window, int width, int height, int rows) {
  const std::vector<uint32_t> pixels = grab(window, width, height);
  int alert = 0, grey = 0;
  for (size_t i = static_cast<size_t>(height - rows) * width; i < pixels.size(); ++i) {
    alert += pixels[i] == 0xFFC8BEu ? 1 : 0;
    grey += pixels[i] == 0xEFE8E5u ? 1 : 0;
  }
  return {alert, grey};
}

// The pixels of a picture file (PNG, BMP) as 0x00RRGGBB, row by row from the top; empty if
// it does not decode.
std::vector<uint32_t> readPicture(const std::string& path, int& width, int& height) {
  using namespace Gdiplus;
  using namespace Gdiplus::DllExports;
  std::vector<uint32_t> pixels;
  ULONG_PTR token = 0;
  GdiplusStartupInput input;
  if (GdiplusStartup(&token, &input, nullptr) != Ok) return pixels;
  const std::wstring wide(path.begin(), path.end());
  GpBitmap* bitmap = nullptr;
  UINT w = 0, h = 0;
  if (GdipCreateBitmapFromFile(wide.c_str(), &bitmap) == Ok &&
      GdipGetImageWidth(bitmap, &w) == Ok && GdipGetImageHeight(bitmap, &h) == Ok) {
    const GpRect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    BitmapData data{};
    if (GdipBitmapLockBits(bitmap, &all, ImageLockModeRead, PixelFormat32bppRGB, &data) == Ok) {
      width = static_cast<int>(w);
      height = static_cast<int>(h);
      for (UINT y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const char*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride);
        for (UINT x = 0; x < w; ++x) pixels.push_back(row[x] & 0xFFFFFFu);
      }
      GdipBitmapUnlockBits(bitmap, &data);
    }
  }
  if (bitmap) GdipDisposeImage(bitmap);
  GdiplusShutdown(token);
  return pixels;
}

// The DLL in a DPI-aware host at 96 and (QUENDRAL_WINE_DPI) 192 DPI: the mouse, drops (each
// refused: this build reads no SOFA files) and the about picture drawn at that size; then a
// panel opened at 96 DPI follows its window onto the aware one.
TEST(MonitorDpi, TheDllFollowsItsWindowsDpiAndTakesTheMouseAndDropsThere) {
  const std::wstring kemar = L"Z:\\usr\\share\\libmysofa\\MIT_KEMAR_normal_pinna.sofa";
  QUENDRAL_REQUIRE_PACKAGE(GetFileAttributesW(kemar.c_str()) != INVALID_FILE_ATTRIBUTES,
                           "MIT_KEMAR_normal_pinna.sofa (Debian: libmysofa1)");
  wchar_t temp[MAX_PATH] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
  // Letters outside Latin-1 and a character beyond 16 bits (two UTF-16 units): a path lost
  // in the conversion to UTF-8 would leave the strip grey.
  const std::wstring copy =
      std::wstring(temp) + L"Kunstkopf \u00d8rsted \u97f3\u5834 \U0001f3a7.sofa";
  ASSERT_TRUE(CopyFileW(kemar.c_str(), copy.c_str(), FALSE));
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  HWND probe = makeHostWindow();
  const UINT dpi = GetDpiForWindow(probe);
  DestroyWindow(probe);
  if (const char* expected = std::getenv("QUENDRAL_WINE_DPI")) {
    ASSERT_EQ(dpi, static_cast<UINT>(std::atoi(expected)));
  }
  const double scale = dpi / 96.0;
  const auto at = [scale](double units) { return scaled(units, scale); };
  const int width = at(kWidth), height = at(kHeight);

  quendral_test::Vst2EditorHost host;
  std::string error;
  ASSERT_TRUE(host.load(error)) << error;
  int asked = 0, askedHeight = 0;
  ASSERT_TRUE(host.editorSize(asked, askedHeight));
  EXPECT_EQ(asked, width);
  EXPECT_EQ(askedHeight, height);
  const auto editorSizeIs = [&](HWND parent, int w, int h) {
    RECT client{};
    HWND editor = GetWindow(parent, GW_CHILD);
    return editor && GetClientRect(editor, &client) && client.right == w && client.bottom == h;
  };
  HWND aware = makeHostWindow(width, height);
  ASSERT_TRUE(host.open(aware, error)) << error;
  host.idle(200);
  HWND editor = GetWindow(aware, GW_CHILD);
  ASSERT_TRUE(editorSizeIs(aware, width, height));
  char className[64] = {};
  GetClassNameA(editor, className, sizeof className);
  EXPECT_EQ(std::string(className).rfind("Plugin", 0), 0u) << className;
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(editor, GWL_STYLE)), 0x56000000u);
  EXPECT_NE(GetWindowLongW(editor, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);  // the shell asks
  ASSERT_TRUE(writePpm(QUENDRAL_ARTIFACT_DIR "/editor-windows" +
                           (dpi == 96 ? std::string() : "-" + std::to_string(dpi) + "dpi") + ".ppm",
                       grab(aware, width, height), width, height));

  host.setParameter(3, 0.0f);
  click(host, aware, at(174), at(272));  // the middle of "filt two"
  EXPECT_TRUE(idleUntil(host, [&] { return host.parameter(3) == 1.0f; }))
      << "the click did not land at the scaled position";

  // 18 units up on the 66-unit angle knob; slower than at 100%, as each step's redraw has
  // more pixels.
  dragAngleKnobUp(host, aware, scale, 150);
  EXPECT_NEAR(host.parameter(0), 0.5f + 18.0f / 66.0f, 0.005f);

  // The envelope's fourth point (of eight evenly spaced) moved by a press at 84 of its 188
  // units along and 47 down.
  for (int32_t i = 0; i < 8; ++i) host.setParameter(15 + i, i / 7.0f);
  host.idle(30);
  click(host, aware, at(300), at(86));
  EXPECT_TRUE(idleUntil(host, [&] {
    return std::abs(host.parameter(18) - 84.0f / 188.0f) < 1e-3f;
  })) << host.parameter(18);
  EXPECT_NEAR(host.parameter(10), 47.0f / 188.0f, 1e-3f);

  const std::vector<uint8_t> chunk = host.host->getChunk();
  host.clear();
  const int strip = at(10), mostOfTheStrip = width * strip / 2;  // the text covers the rest
  const std::pair<std::vector<std::wstring>, POINT> drops[] = {
      {{copy}, POINT{at(200), at(150)}},
      {{L"C:\\no such folder\\head.sofa", L"C:\\other.sofa"}, POINT{at(10), at(325)}},  // strip
      {{kemar}, POINT{at(200), at(150)}},
  };
  for (const auto& [paths, where] : drops) {
    SCOPED_TRACE(testing::Message() << paths.size() << " file(s) at " << where.x << "," << where.y);
    const auto [alertBefore, greyBefore] = stripAlertAndGrey(aware, width, height, strip);
    EXPECT_EQ(alertBefore, 0);
    EXPECT_GT(greyBefore, mostOfTheStrip);
    ASSERT_TRUE(
        PostMessageW(editor, WM_DROPFILES, reinterpret_cast<WPARAM>(shellDropOf(paths, where)), 0));
    EXPECT_TRUE(idleUntil(host, [&] {
      return stripAlertAndGrey(aware, width, height, strip).first > mostOfTheStrip;
    })) << "the refusal is not shown";
    EXPECT_EQ(host.parameter(23), 0.0f) << "own set switched on";
    EXPECT_TRUE(host.host->getChunk() == chunk) << "the drop changed the plug-in's state";
    for (const HostEdit& e : host.heard()) EXPECT_NE(e.index, 23) << e.kind;
    click(host, aware, at(200), at(325));  // a click on the strip dismisses the refusal
  }

  // The about picture drawn at this size (at 100% bitmap 129), copied as it is.
  int pictureWidth = 0, pictureHeight = 0;
  const std::vector<uint32_t> picture = readPicture(
      dpi == 96
          ? std::string(QUENDRAL_ABOUT_BMP)
          : QUENDRAL_ABOUT_PICTURES "/about_picture_" + std::to_string(dpi * 100 / 96) + ".png",
      pictureWidth, pictureHeight);
  ASSERT_EQ(pictureWidth, width);
  ASSERT_EQ(pictureHeight, height);
  click(host, aware, at(300), at(15));  // the title strip, right of the head button
  EXPECT_TRUE(idleUntil(host, [&] { return grab(aware, width, height) == picture; }))
      << "the about picture is not the one drawn at " << dpi * 100 / 96 << "%";
  host.close();

  // A DPI-unaware host's thread makes its windows and opens the panel at 96 DPI; then its
  // window goes under the aware one, and the panel follows.
  const DPI_AWARENESS_CONTEXT context = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_UNAWARE);
  HWND unaware = makeHostWindow(width, height);
  HWND window = CreateWindowExA(0, "quendral test host", "", WS_CHILD | WS_VISIBLE, 0, 0, width,
                                height, unaware, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_EQ(GetDpiForWindow(window), 96u);
  ASSERT_TRUE(host.open(window, error)) << error;
  host.idle(200);
  EXPECT_TRUE(editorSizeIs(window, kWidth, kHeight)) << "not at 100% in a window at 96 DPI";
  SetThreadDpiAwarenessContext(context);
  SetParent(window, aware);
  DestroyWindow(unaware);  // not over the aware one any more
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_EQ(GetDpiForWindow(window), dpi);
  SendMessageA(GetWindow(window, GW_CHILD), 0x02E3, 0, 0);  // WM_DPICHANGED_AFTERPARENT
  EXPECT_TRUE(idleUntil(host, [&] { return editorSizeIs(window, width, height); }))
      << "the panel did not follow its window's DPI";
  host.setParameter(3, 0.0f);
  click(host, aware, at(174), at(272));
  EXPECT_TRUE(idleUntil(host, [&] { return host.parameter(3) == 1.0f; }))
      << "the click did not land at the new scaled position";
  host.close();
  DestroyWindow(aware);
  pumpMessages();
  DeleteFileW(copy.c_str());
}

}  // namespace panner
