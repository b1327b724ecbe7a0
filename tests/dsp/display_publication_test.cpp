// The display arrays when the engine publishes them on request: one frame per request, the
// same values an engine publishing every frame shows for that frame, and nothing between
// requests. (Requests from another thread: engine_threads_test.cpp.)
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine_frames.h"

namespace panner {

constexpr auto kRelaxed = std::memory_order_relaxed;

// At 96 kHz, where publications keep the same time apart as at 44.1 kHz: kDisplayFramesApart
// x 96000 / 44100 frames.
TEST(DisplayPublication, OneFramePerRequestMatchingAnEveryFrameEngine) {
  SpatialEngine everyFrame, onRequest;
  for (SpatialEngine* e : {&everyFrame, &onRequest}) {
    ASSERT_TRUE(e->setSampleRate(96000.0));
    // The angle moves every frame, so consecutive frames show different filters too.
    e->modulator.targetAngle.store(60.0f, kRelaxed);
  }
  onRequest.publishDisplayOnRequest();
  const int apart =
      static_cast<int>(std::lround(SpatialEngine::kDisplayFramesApart * 96000.0 / 44100.0));
  std::mt19937 a(7), b(7);
  const auto both = [&] {
    noiseFrames(everyFrame, a, 1);
    noiseFrames(onRequest, b, 1);
  };
  const std::vector<float> initial = shownValues(onRequest);
  for (int i = 0; i < 5; ++i) both();
  EXPECT_TRUE(shownValues(onRequest) == initial) << "no request, nothing published";
  EXPECT_FALSE(shownValues(everyFrame) == initial);

  // Two requests before one frame publish that frame once; the next frames leave it be.
  // Requests on a frame that refills slot A and on one that refills slot B both show
  // slot A's filters as they are at that frame.
  for (int round = 0; round < 2; ++round) {
    onRequest.requestDisplayUpdate();
    onRequest.requestDisplayUpdate();
    both();
    const std::vector<float> published = shownValues(onRequest);
    EXPECT_TRUE(published == shownValues(everyFrame)) << round;
    both();
    EXPECT_TRUE(shownValues(onRequest) == published) << round;
    EXPECT_FALSE(shownValues(everyFrame) == published) << round;
    // A request sooner than `apart` frames after a publication waits for that frame.
    onRequest.requestDisplayUpdate();
    for (int frame = 2; frame < apart; ++frame) both();
    EXPECT_TRUE(shownValues(onRequest) == published) << round;
    both();
    EXPECT_TRUE(shownValues(onRequest) == shownValues(everyFrame)) << round;
    for (int frame = 0; frame < apart; ++frame) both();
  }

  // Clearing (suspend) empties the input and output spectra; the next request fills them at
  // once, even right after a publication.
  onRequest.requestDisplayUpdate();
  both();
  onRequest.clearDisplaySpectra();
  for (int i = 0; i < engine::kFftSize; ++i)
    ASSERT_EQ(onRequest.displayOutSpectrum(1)[i].load(kRelaxed), 0.0f);
  onRequest.requestDisplayUpdate();
  both();
  EXPECT_TRUE(shownValues(onRequest) == shownValues(everyFrame)) << "a cleared display waited";
}

}  // namespace panner
