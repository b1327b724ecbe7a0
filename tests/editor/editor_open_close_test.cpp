// Opening and closing the editor many times while audio runs on another thread, in a real
// X11 window on a private Xvfb server: no X error, no window or connection left behind, and
// (under ThreadSanitizer) no data race between the audio thread and the editor.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "gui/x11/x11_window.h"
#include "host_window.h"
#include "quendral.h"
#include "xvfb_suite.h"

namespace panner {

namespace {

using quendral_test::childWindows;
using quendral_test::openDescriptors;

intptr_t quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(EditorOpenClose, HundredTimesWhileAudioRuns) {
  x11host::XvfbServer server;
  std::string error;
  ASSERT_TRUE(server.start(error)) << error;
  x11host::HostWindow window;
  ASSERT_TRUE(window.open(435, 330, error)) << error;

  quendral plugin(quietHost);
  AEffect* effect = plugin.getAeffect();
  effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<float> in(256), left(256), right(256);
    float* inputs[1] = {in.data()};
    float* outputs[2] = {left.data(), right.data()};
    uint32_t seed = 1u, round = 0u;
    while (!stop.load()) {
      for (float& x : in) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<float>(seed >> 9) / 4194304.0f - 1.0f;
      }
      effect->processReplacing(effect, inputs, outputs, 256);
      // Host automation on the audio thread reaches the editor's change hook.
      effect->setParameter(effect, static_cast<int32_t>(round % 7),
                           static_cast<float>(round % 11) / 10.0f);
      ++round;
    }
  });

  const int descriptors = openDescriptors();
  VSTGUI::X11Window::resetErrors();
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, window.parentHandle(), 0.0f), 1);
    for (int k = 0; k < 3; ++k) effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
  }
  stop.store(true);
  audio.join();

  EXPECT_EQ(VSTGUI::X11Window::errorCount(), 0)
      << "last X error " << VSTGUI::X11Window::lastErrorCode();
  EXPECT_EQ(openDescriptors(), descriptors);  // every display connection closed again
  XSync(window.display(), False);
  EXPECT_TRUE(childWindows(window.display(), window.window()).empty());
  // Closing twice and idling while closed are harmless; so is a host that gives no parent
  // window (the panel then has nowhere to draw).
  effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effEditOpen, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(VSTGUI::X11Window::errorCount(), 0);
}

}  // namespace

}  // namespace panner
