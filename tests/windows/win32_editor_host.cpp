#include "win32_editor_host.h"

#include <string>

namespace panner {

namespace {

constexpr uint32_t kAlert = 0xFFC8BEu;
constexpr uint32_t kStripGrey = 0xEFE8E5u;
constexpr int kStripTop = kEditorHeight - 10;

}  // namespace

void runHost(vsthost::PluginHost& host, int passes) {
  for (int i = 0; i < passes; ++i) {
    pumpMessages();
    host.idleEditor();
    Sleep(15);
  }
  pumpMessages();
}

StripColours bottomStripColours(HWND window) {
  const std::vector<uint32_t> pixels = grab(window);
  StripColours counted;
  for (int y = kStripTop; y < kEditorHeight; ++y) {
    for (int x = 0; x < kEditorWidth; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * kEditorWidth + x];
      counted.alert += p == kAlert ? 1 : 0;
      counted.grey += p == kStripGrey ? 1 : 0;
    }
  }
  return counted;
}

bool coversMostOfTheStrip(int pixels) {
  return pixels > kEditorWidth * (kEditorHeight - kStripTop) / 2;
}

void EditorInHostWindow::SetUp() {
  std::string error;
  host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(host) << error;
  host->open(44100.0, 512);
  window = makeHostWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(host->openEditor(window));
  runHost(*host, 6);
  editor = GetWindow(window, GW_CHILD);
  ASSERT_NE(editor, nullptr) << "the editor made no child window";
  host->recorder().clear();
}

void EditorInHostWindow::TearDown() {
  if (host) host->closeEditor();
  if (window) DestroyWindow(window);
  pumpMessages();
}

}  // namespace panner
