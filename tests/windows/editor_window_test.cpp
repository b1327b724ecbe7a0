// The DLL's editor in a Win32 host window, under wine with Xvfb as its display: it opens
// at 435 x 330 as the child window hosts expect, draws the panel (kept as a picture for
// the comparison with the Linux panel), takes real mouse input, and leaves no window or
// GDI object behind after many open/close cycles.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gui_handle_counter.h"
#include "plugin_host.h"
#include "win32_editor_host.h"

namespace panner {

namespace {

constexpr int kWidth = kEditorWidth;
constexpr int kHeight = kEditorHeight;

// A 24-bit BMP of the pixels, for the CI artefacts and the comparison with Linux.
bool writeBmp(const std::string& path, const std::vector<uint32_t>& pixels) {
  const uint32_t rowBytes = (kWidth * 3 + 3) & ~3u;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + rowBytes * kHeight;
  header.biSize = sizeof header;
  header.biWidth = kWidth;
  header.biHeight = kHeight;
  header.biPlanes = 1;
  header.biBitCount = 24;
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&header, sizeof header, 1, out);
  std::vector<unsigned char> row(rowBytes, 0);
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * kWidth + x];
      row[3 * x] = static_cast<unsigned char>(p);
      row[3 * x + 1] = static_cast<unsigned char>(p >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(p >> 16);
    }
    std::fwrite(row.data(), 1, row.size(), out);
  }
  return std::fclose(out) == 0;
}

using EditorWindowTest = EditorInHostWindow;

}  // namespace

TEST_F(EditorWindowTest, OpensAsAChildWindowOfTheHostAndDrawsThePanel) {
  ERect rect{};
  ASSERT_TRUE(host->editorRect(rect));
  EXPECT_EQ(rect.right - rect.left, kWidth);
  EXPECT_EQ(rect.bottom - rect.top, kHeight);

  char className[64] = {};
  GetClassNameA(editor, className, sizeof className);
  EXPECT_EQ(std::string(className).rfind("Plugin", 0), 0u) << className;
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(editor, GWL_STYLE)), 0x56000000u);
  RECT client{};
  GetClientRect(editor, &client);
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);

  const std::vector<uint32_t> pixels = grab(window);
  ASSERT_TRUE(writeBmp(QUENDRAL_ARTIFACT_DIR "/editor-windows.bmp", pixels));
  // A drawn panel: the white background, the knobs' colours, text; not one flat colour.
  const std::set<uint32_t> colours(pixels.begin(), pixels.end());
  EXPECT_GT(colours.size(), 20u);
  EXPECT_EQ(pixels[static_cast<size_t>(2) * kWidth + 2], 0xFFFFFFu) << "white panel corner";
}

TEST_F(EditorWindowTest, ClickOnFiltTwoAutomatesTheFilterNumber) {
  moveTo(window, 174, 272);  // the middle of "filt two"
  pumpMessages();
  sendButton(true);
  runHost(*host, 3);
  sendButton(false);
  runHost(*host, 3);
  const auto calls = host->recorder().automateCalls();
  ASSERT_FALSE(calls.empty()) << "the click did not reach the host";
  EXPECT_EQ(calls.front().index, 3);
  EXPECT_FLOAT_EQ(calls.front().value, 1.0f);
  EXPECT_FLOAT_EQ(host->getParameter(3), 1.0f);
}

TEST_F(EditorWindowTest, KnobDragIsOneEditGestureOfTheHost) {
  const float before = host->getParameter(0);
  moveTo(window, 38, 267);  // the angle knob
  pumpMessages();
  // The knob follows the mouse in its own loop until the button is released: another
  // thread moves the pointer up and lets go, as the user's hand would.
  std::thread hand([this] {
    for (int step = 1; step <= 10; ++step) {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      moveTo(window, 38, 267 - 4 * step);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    sendButton(false);
  });
  sendButton(true);
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) runHost(*host, 1);
  hand.join();
  runHost(*host, 2);

  const auto begins = host->recorder().beginEdits();
  const auto ends = host->recorder().endEdits();
  ASSERT_EQ(begins.size(), 1u);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(begins.front(), 0);
  EXPECT_EQ(ends.front(), 0);
  const auto calls = host->recorder().automateCalls();
  ASSERT_FALSE(calls.empty());
  for (const auto& call : calls) EXPECT_EQ(call.index, 0);
  EXPECT_GT(host->getParameter(0), before) << "dragging up turns the knob up";
}

TEST_F(EditorWindowTest, HostChangesRedrawTheKnobAtTheNextIdle) {
  const auto knob = [](const std::vector<uint32_t>& pixels) {
    std::vector<uint32_t> part;
    for (int y = 234; y < 300; ++y)
      for (int x = 5; x < 71; ++x) part.push_back(pixels[static_cast<size_t>(y) * kWidth + x]);
    return part;
  };
  const auto before = knob(grab(window));
  host->setParameter(0, 0.9f);
  runHost(*host, 3);
  EXPECT_NE(knob(grab(window)), before) << "the angle knob was not redrawn";
}

TEST_F(EditorWindowTest, TitleStripShowsTheAboutPictureFromTheResource) {
  // The picture as the generator wrote it (24-bit, bottom row first, rows of 4n bytes).
  FILE* file = std::fopen(QUENDRAL_ABOUT_BMP, "rb");
  ASSERT_NE(file, nullptr) << QUENDRAL_ABOUT_BMP;
  std::vector<unsigned char> bmp(54 + static_cast<size_t>((kWidth * 3 + 3) & ~3) * kHeight);
  const size_t read = std::fread(bmp.data(), 1, bmp.size(), file);
  std::fclose(file);
  ASSERT_EQ(read, bmp.size());
  const auto expected = [&](int x, int y) {
    const unsigned char* p =
        &bmp[54 + static_cast<size_t>((kWidth * 3 + 3) & ~3) * (kHeight - 1 - y) + 3 * x];
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
  };

  moveTo(window, 200, 15);  // the title strip
  pumpMessages();
  sendButton(true);
  runHost(*host, 3);
  sendButton(false);
  runHost(*host, 3);
  const std::vector<uint32_t> shown = grab(window);
  int differing = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      differing += shown[static_cast<size_t>(y) * kWidth + x] != expected(x, y) ? 1 : 0;
  EXPECT_EQ(differing, 0) << "the about picture is a plain copy of bitmap 129";
}

TEST(EditorOpenCloseTest, HundredCyclesLeaveNoWindowOrGdiObjectBehind) {
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(host) << error;
  host->open(44100.0, 512);
  ASSERT_TRUE(GuiHandleCounter::install(GetModuleHandleA("quendral.dll")));
  HWND window = makeHostWindow();
  const auto cycle = [&] {
    ASSERT_TRUE(host->openEditor(window));
    runHost(*host, 2);
    host->closeEditor();
    pumpMessages();
  };
  cycle();  // the first open fills the font caches
  const long gdi = GuiHandleCounter::liveGdiObjects();
  const long user = GuiHandleCounter::liveUserObjects();
  const DWORD gdiReported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD userReported = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  for (int i = 0; i < 100; ++i) cycle();
  EXPECT_EQ(GuiHandleCounter::liveGdiObjects(), gdi);
  EXPECT_EQ(GuiHandleCounter::liveUserObjects(), user);
  EXPECT_EQ(user, 0) << "no editor window outlives close";
  // Windows counts every object of the process; wine answers 0 (not implemented).
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiReported);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userReported);
  DestroyWindow(window);
  pumpMessages();
}

}  // namespace panner
