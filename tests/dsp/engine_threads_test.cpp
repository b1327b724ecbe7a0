// The audio thread against display reads and own-set loads: a program for ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "engine_frames.h"
#include "synthetic_head.h"

namespace panner {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;

TEST(DisplayPublication, RequestsAndReadsFromAnotherThreadRaceNoFrame) {
  SpatialEngine engine;
  engine.publishDisplayOnRequest();
  engine.modulator.lfoSpeed.store(1.0f, kRelaxed);
  engine.modulator.rebuildSegmentRates();
  engine.modulator.placeOnEnvelope();
  std::atomic<bool> done{false};
  std::atomic<bool> allFinite{true};
  std::atomic<int> reads{0};
  // The editor's side: ask for the spectra and read them, as fast as it can.
  std::thread display([&] {
    while (!done.load()) {
      engine.requestDisplayUpdate();
      for (float v : shownValues(engine))
        if (!std::isfinite(v)) allFinite.store(false);
      reads.fetch_add(1);
    }
  });
  // Frames run until the display has read a few hundred times during them.
  std::mt19937 generator(3);
  for (int frame = 0; frame < 1000000 && reads.load() < 300; ++frame)
    noiseFrames(engine, generator, 1);
  noiseFrames(engine, generator, 1);
  done.store(true);
  display.join();
  EXPECT_TRUE(allFinite.load());
  EXPECT_NE(engine.displayInSpectrum()[0].load(kRelaxed), 0.0f) << "the requests were served";
}

TEST(OwnSetEngine, SetsLoadWhileAudioRunsAndFollowRateChanges) {
  const auto first = synthetic_head::prepared(synthetic_head::ring(44100.0, 0.0f, 350.0f, 10.0f));
  const auto second = synthetic_head::prepared(synthetic_head::ring(96000.0, 0.0f, 180.0f, 20.0f));
  SpatialEngine engine;
  engine.useOwnSet.store(true, kRelaxed);
  std::atomic<bool> done{false};
  std::thread loader([&] {
    for (int i = 0; i < 11; ++i) {
      EXPECT_TRUE(engine.setOwnResponseSet(i % 3 == 2 ? nullptr : (i % 3 ? second : first)));
      EXPECT_EQ(engine.ownResponseSet() != nullptr, i % 3 != 2);
    }
    done.store(true);
  });
  std::vector<float> in(kF, 0.25f), out0(kF), out1(kF);
  int frames = 0;
  bool finite = true;
  while (!done.load() || frames < 50) {
    engine.modulator.targetAngle.store(static_cast<float>(frames % 360) - 180.0f, kRelaxed);
    engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
    for (int i = 0; i < kF; ++i)
      finite = finite && std::isfinite(out0[i]) && std::isfinite(out1[i]);
    ++frames;
  }
  loader.join();
  EXPECT_TRUE(finite);
  EXPECT_EQ(engine.ownResponseSet(), second);  // the last of eleven
  // A rate change prepares the own set for the new rate too.
  ASSERT_TRUE(engine.setSampleRate(88200.0));
  engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
  EXPECT_TRUE(engine.ownSetPlaying());
  ASSERT_TRUE(engine.setOwnResponseSet(nullptr));
  engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
  EXPECT_FALSE(engine.ownSetPlaying()) << "no set: the built-in one plays, and says so";
}

}  // namespace panner
