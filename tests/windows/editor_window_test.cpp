// The editor in a Win32 host window under wine (Xvfb as its display), through the DLL and
// the VST3 bundle by the same host sides as on Linux (tests/editor_hosts.h): it opens at
// 435 x 330 as the child window hosts expect, draws the panel, takes real mouse input as
// edits and gestures, follows the host at its idle and leaves no window behind. The DLL's
// own cases follow: its window class, the picture kept for the comparison with the Linux
// panel, the about picture from its resource, and no GDI object left after many cycles.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "editor_hosts.h"
#include "gui_handle_counter.h"
#include "win32_editor_host.h"

namespace panner {

namespace {

using quendral_test::EditorHost;
using quendral_test::HostEdit;

constexpr int kWidth = kEditorWidth;
constexpr int kHeight = kEditorHeight;

struct Format {
  const char* name;
  std::function<std::unique_ptr<EditorHost>()> make;
  friend void PrintTo(const Format& format, std::ostream* out) { *out << format.name; }
};

const Format kFormats[] = {
    {"dll", [] { return std::unique_ptr<EditorHost>(new quendral_test::Vst2EditorHost); }},
    {"vst3", [] { return std::unique_ptr<EditorHost>(new quendral_test::Vst3EditorHost); }},
    {"clap", [] { return std::unique_ptr<EditorHost>(new quendral_test::ClapEditorHost); }},
};

class EditorWindow : public ::testing::TestWithParam<Format> {
 protected:
  void SetUp() override {
    host = GetParam().make();
    std::string error;
    ASSERT_TRUE(host->load(error)) << error;
    ASSERT_TRUE(host->editorSize(width, height));
    window = makeHostWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(host->open(window, error)) << error;
    host->idle(90);
    editor = GetWindow(window, GW_CHILD);
    ASSERT_NE(editor, nullptr) << "the editor made no child window";
    host->clear();
  }
  void TearDown() override {
    if (host) host->close();
    host.reset();
    if (window) DestroyWindow(window);
    pumpMessages();
  }

  void click(int x, int y) {
    moveTo(window, x, y);
    host->idle(20);
    sendButton(true);
    host->idle(50);
    sendButton(false);
    host->idle(50);
  }
  std::string heard(int32_t index, float* last = nullptr) {
    std::string kinds;
    for (const HostEdit& e : host->heard()) {
      if (e.index != index) continue;
      kinds += e.kind;
      if (e.kind == 'p' && last) *last = e.value;
    }
    return kinds;
  }

  std::unique_ptr<EditorHost> host;
  int width = 0, height = 0;
  HWND window = nullptr;
  HWND editor = nullptr;
};

TEST_P(EditorWindow, OpensAtThePanelsSizeAsAChildWindowAndDrawsThePanel) {
  EXPECT_EQ(width, kWidth);
  EXPECT_EQ(height, kHeight);
  RECT client{};
  GetClientRect(editor, &client);
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);
  EXPECT_TRUE(GetWindowLongA(editor, GWL_STYLE) & WS_CHILD);
  // A drawn panel: the white background, the knobs' colours, text; not one flat colour.
  const std::vector<uint32_t> pixels = grab(window);
  const std::set<uint32_t> colours(pixels.begin(), pixels.end());
  EXPECT_GT(colours.size(), 20u);
  EXPECT_EQ(pixels[static_cast<size_t>(2) * kWidth + 2], 0xFFFFFFu) << "white panel corner";
}

TEST_P(EditorWindow, AClickReachesTheHostAsAnEdit) {
  host->setParameter(3, 0.0f);
  host->idle(30);
  click(174, 272);  // the middle of "filt two"
  float value = -1.0f;
  EXPECT_NE(heard(3, &value).find('p'), std::string::npos) << "the click did not reach the host";
  EXPECT_EQ(value, 1.0f);
  EXPECT_EQ(host->parameter(3), 1.0f);
}

TEST_P(EditorWindow, AKnobDragIsOneGesture) {
  host->setParameter(0, 0.5f);
  host->idle(30);
  moveTo(window, 38, 267);  // the angle knob
  host->idle(20);
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
  host->idle(1500);
  hand.join();
  host->idle(50);

  float value = 0.0f;
  const std::string seen = heard(0, &value);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 'b'), 1) << seen;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 'e'), 1) << seen;
  EXPECT_GT(std::count(seen.begin(), seen.end(), 'p'), 0) << seen;
  if (host->ordered()) {
    EXPECT_EQ(seen.front(), 'b') << seen;
    EXPECT_EQ(seen.back(), 'e') << seen;
  }
  EXPECT_GT(value, 0.5f) << "dragging up turns the knob up";
  EXPECT_FLOAT_EQ(host->parameter(0), value);
}

TEST_P(EditorWindow, HostChangesRedrawTheKnobAndClosingLeavesNoWindow) {
  const auto knob = [](const std::vector<uint32_t>& pixels) {
    std::vector<uint32_t> part;
    for (int y = 234; y < 300; ++y)
      for (int x = 5; x < 71; ++x) part.push_back(pixels[static_cast<size_t>(y) * kWidth + x]);
    return part;
  };
  const auto before = knob(grab(window));
  host->setParameter(0, 0.9f);
  host->idle(60);
  EXPECT_NE(knob(grab(window)), before) << "the angle knob was not redrawn";

  host->close();
  host->idle(30);
  EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "the child window outlives close";
}

INSTANTIATE_TEST_SUITE_P(Formats, EditorWindow, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<Format>& row) {
                           return std::string(row.param.name);
                         });

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

using DllEditor = EditorInHostWindow;

}  // namespace

TEST_F(DllEditor, HasThePluginWindowClassAndKeepsItsPicture) {
  char className[64] = {};
  GetClassNameA(editor, className, sizeof className);
  EXPECT_EQ(std::string(className).rfind("Plugin", 0), 0u) << className;
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(editor, GWL_STYLE)), 0x56000000u);
  ASSERT_TRUE(writeBmp(QUENDRAL_ARTIFACT_DIR "/editor-windows.bmp", grab(window)));
}

TEST_F(DllEditor, TitleStripShowsTheAboutPictureFromTheResource) {
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

TEST(DllEditorOpenClose, HundredCyclesLeaveNoWindowOrGdiObjectBehind) {
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
