// Everything a host does at once, each on its own thread as hosts do it: the audio thread
// delivers MIDI and processes blocks of varying size; an automation thread moves parameters;
// a worker thread changes programs and saves and restores state through chunks; the
// user-interface thread opens the editor in a real window (private Xvfb), idles it, reads
// the parameter texts and closes it again. Under ThreadSanitizer this must be clean; in
// every build the audio stays finite.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "host_window.h"
#include "plugin_host.h"
#include "xvfb_server.h"

namespace {

// Many short editor sessions: each open and close races the audio thread's change hooks.
constexpr int kEditorRounds = 25;
constexpr int kIdlesPerRound = 6;

class Rng {
 public:
  explicit Rng(uint32_t seed) : state_(seed) {}
  uint32_t next() { return state_ = state_ * 1664525u + 1013904223u; }
  float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }
  int below(int n) { return static_cast<int>((next() >> 8) % static_cast<uint32_t>(n)); }

 private:
  uint32_t state_;
};

}  // namespace

TEST(EverythingAtOnce, AudioMidiAutomationProgramsChunksAndTheEditorOnTheirOwnThreads) {
  x11host::XvfbServer server;
  std::string error;
  ASSERT_TRUE(server.start(error)) << error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(host) << error;
  host->open(44100.0, 512);
  host->setParameter(1, 1.0f);  // tempo sync: the audio thread asks the host for its time
  host->setParameter(4, 0.8f);  // the LFO runs
  ERect rect{};
  ASSERT_TRUE(host->editorRect(rect));
  x11host::HostWindow window;
  ASSERT_TRUE(window.open(rect.right - rect.left, rect.bottom - rect.top, error)) << error;

  std::atomic<bool> stop{false};
  std::atomic<bool> finite{true};
  std::atomic<int> blocks{0};
  std::atomic<int> chunksRestored{0};

  std::thread audio([&] {
    Rng rng(1);
    std::vector<float> input(2048), out0(2048), out1(2048);
    float* inputs[] = {input.data()};
    float* outputs[] = {out0.data(), out1.data()};
    while (!stop) {
      const int32_t frames = 1 + rng.below(2048);
      for (int32_t i = 0; i < frames; ++i) input[i] = rng.unit() - 0.5f;
      if (rng.below(3) == 0)
        host->sendMidi({{0xB0, static_cast<unsigned char>(rng.below(2) ? 10 : 7),
                         static_cast<unsigned char>(rng.below(128)), 0}});
      host->processReplacing(inputs, outputs, frames);
      for (int32_t i = 0; i < frames; ++i)
        if (!std::isfinite(out0[i]) || !std::isfinite(out1[i])) finite = false;
      ++blocks;
    }
  });

  std::thread automation([&] {
    Rng rng(2);
    while (!stop) {
      host->setParameter(rng.below(25), rng.unit());
      usleep(200);
    }
  });

  // Program changes and state saved and restored as a host's project does it.
  std::thread worker([&] {
    Rng rng(3);
    while (!stop) {
      host->setProgram(rng.below(8));
      for (int32_t index : {0, 1}) {
        void* data = nullptr;
        const intptr_t size = host->dispatch(effGetChunk, index, 0, &data);
        if (size <= 0 || !data) continue;
        const std::vector<char> saved(static_cast<const char*>(data),
                                      static_cast<const char*>(data) + size);
        std::vector<char> restored(saved);
        if (host->dispatch(effSetChunk, index, size, restored.data()) == 1) ++chunksRestored;
      }
      usleep(2000);
    }
  });

  // The user-interface thread: the editor opened, idled and closed, with texts read between.
  char text[64];
  for (int round = 0; round < kEditorRounds; ++round) {
    ASSERT_TRUE(host->openEditor(window.parentHandle()));
    for (int idle = 0; idle < kIdlesPerRound; ++idle) {
      host->idleEditor();
      XSync(window.display(), False);
      host->dispatch(effGetParamDisplay, idle % 25, 0, text);
      host->dispatch(effGetVu);
      usleep(10000);
    }
    host->closeEditor();
  }
  stop = true;
  audio.join();
  automation.join();
  worker.join();

  EXPECT_TRUE(finite);
  EXPECT_GT(blocks.load(), kEditorRounds);  // the audio thread really ran alongside
  EXPECT_GT(chunksRestored.load(), 0);
}
