#include "win32_editor_host.h"

#include <string>

namespace panner {

void runHost(vsthost::PluginHost& host, int passes) {
  for (int i = 0; i < passes; ++i) {
    pumpMessages();
    host.idleEditor();
    Sleep(15);
  }
  pumpMessages();
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
