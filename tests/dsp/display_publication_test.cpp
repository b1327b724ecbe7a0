// The display arrays when the engine publishes them on request: one frame per request, the
// same values an engine publishing every frame shows for that frame, and nothing between
// requests. (Requests from another thread: engine_threads_test.cpp.)
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <vector>

#include "spatial_engine.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;
constexpr int kN = engine::kFftSize;

// Everything the display reads, copied out.
struct Shown {
  std::vector<float> values;
  bool operator==(const Shown& other) const { return values == other.values; }
};

Shown shown(const SpatialEngine& engine) {
  Shown s;
  const std::atomic<float>* arrays[] = {
      engine.displayInSpectrum(), engine.displayOutSpectrum(0), engine.displayOutSpectrum(1),
      engine.displayFilterSpectrum(0), engine.displayFilterSpectrum(1)};
  for (const std::atomic<float>* array : arrays)
    for (int i = 0; i < kN; ++i) s.values.push_back(array[i].load(kRelaxed));
  return s;
}

void runFrame(SpatialEngine& engine, std::mt19937& generator) {
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  std::vector<float> in(kF), out0(kF), out1(kF);
  for (float& v : in) v = value(generator);
  engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
}

}  // namespace

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
    runFrame(everyFrame, a);
    runFrame(onRequest, b);
  };
  const Shown initial = shown(onRequest);
  for (int i = 0; i < 5; ++i) both();
  EXPECT_TRUE(shown(onRequest) == initial) << "no request, nothing published";
  EXPECT_FALSE(shown(everyFrame) == initial);

  // Two requests before one frame publish that frame once; the next frames leave it be.
  // Requests on a frame that refills slot A and on one that refills slot B both show
  // slot A's filters as they are at that frame.
  for (int round = 0; round < 2; ++round) {
    onRequest.requestDisplayUpdate();
    onRequest.requestDisplayUpdate();
    both();
    const Shown published = shown(onRequest);
    EXPECT_TRUE(published == shown(everyFrame)) << round;
    both();
    EXPECT_TRUE(shown(onRequest) == published) << round;
    EXPECT_FALSE(shown(everyFrame) == published) << round;
    // A request sooner than `apart` frames after a publication waits for that frame.
    onRequest.requestDisplayUpdate();
    for (int frame = 2; frame < apart; ++frame) both();
    EXPECT_TRUE(shown(onRequest) == published) << round;
    both();
    EXPECT_TRUE(shown(onRequest) == shown(everyFrame)) << round;
    for (int frame = 0; frame < apart; ++frame) both();
  }

  // Clearing (suspend) empties the input and output spectra; the next request fills them at
  // once, even right after a publication.
  onRequest.requestDisplayUpdate();
  both();
  onRequest.clearDisplaySpectra();
  for (int i = 0; i < kN; ++i) ASSERT_EQ(onRequest.displayOutSpectrum(1)[i].load(kRelaxed), 0.0f);
  onRequest.requestDisplayUpdate();
  both();
  EXPECT_TRUE(shown(onRequest) == shown(everyFrame)) << "a cleared display waited";
}

}  // namespace panner
