// The Windows VST3 bundle's editor under wine: attached through IPlugView with "HWND" to a
// Win32 window of this host, it opens as a 435 x 330 child window, idles itself (no host
// idle call exists in VST3) and takes a click, which reaches the host as an edit.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "vst3_plugin.h"
#include "win32_host_window.h"

namespace {

using panner::makeHostWindow;
using panner::moveTo;
using panner::sendButton;

constexpr int kWidth = panner::kEditorWidth;
constexpr int kHeight = panner::kEditorHeight;

// What a host's user-interface thread does: deliver messages (the view's timer among them).
// A pass takes a bounded number: the view's timer is due again whenever its idle took
// longer than the timer's period, so the queue need never run empty.
void runHost(int passes) {
  for (int i = 0; i < passes; ++i) {
    MSG message;
    for (int n = 0; n < 4 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++n) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(15);
  }
}

TEST(Vst3EditorWindow, OpensAsAChildWindowAndTakesAClick) {
  std::string error;
  auto plugin = vst3host::Vst3Plugin::load(QUENDRAL_VST3_BUNDLE, error);
  ASSERT_TRUE(plugin) << error;
  ASSERT_TRUE(plugin->open(44100.0, 512, error)) << error;
  vst3::ViewRect rect{};
  ASSERT_TRUE(plugin->editorSize(rect));
  EXPECT_EQ(rect.right - rect.left, kWidth);
  EXPECT_EQ(rect.bottom - rect.top, kHeight);

  HWND window = makeHostWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(plugin->openEditor(window, error)) << error;
  EXPECT_NE(plugin->view()->isPlatformTypeSupported(vst3::kPlatformTypeX11EmbedWindowID),
            vst3::kResultOk);
  runHost(6);
  HWND editor = GetWindow(window, GW_CHILD);
  ASSERT_NE(editor, nullptr) << "the view made no child window";
  RECT client{};
  GetClientRect(editor, &client);
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(client.bottom, kHeight);
  EXPECT_TRUE(GetWindowLongA(editor, GWL_STYLE) & WS_CHILD);

  plugin->setParameter(3, 0.0);
  plugin->handler().clear();
  moveTo(window, 174, 272);  // the middle of "filt two"
  runHost(1);
  sendButton(true);
  runHost(3);
  sendButton(false);
  runHost(3);
  bool performed = false;
  for (const vst3host::EditCall& call : plugin->handler().edits())
    performed |= call.kind == vst3host::EditCall::kPerform && call.id == 3 && call.value == 1.0;
  EXPECT_TRUE(performed) << "the click did not reach the host";
  EXPECT_EQ(plugin->getParameter(3), 1.0);

  plugin->closeEditor();
  runHost(2);
  EXPECT_EQ(GetWindow(window, GW_CHILD), nullptr) << "the child window outlives removed()";
  DestroyWindow(window);
  runHost(1);
}

}  // namespace
