// The display arrays when the engine publishes them on request: one frame per request, the
// same values an engine publishing every frame shows for that frame, and nothing between
// requests. The race test is meant for the ThreadSanitizer build.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>
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

TEST(DisplayPublication, OneFramePerRequestMatchingAnEveryFrameEngine) {
  SpatialEngine everyFrame, onRequest;
  onRequest.publishDisplayOnRequest();
  // The angle moves every frame, so consecutive frames show different filters too.
  everyFrame.modulator.targetAngle.store(60.0f, kRelaxed);
  onRequest.modulator.targetAngle.store(60.0f, kRelaxed);
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
    // A request sooner than kDisplayFramesApart after a publication waits for that frame.
    onRequest.requestDisplayUpdate();
    for (int frame = 2; frame < SpatialEngine::kDisplayFramesApart; ++frame) both();
    EXPECT_TRUE(shown(onRequest) == published) << round;
    both();
    EXPECT_TRUE(shown(onRequest) == shown(everyFrame)) << round;
    for (int frame = 0; frame < SpatialEngine::kDisplayFramesApart; ++frame) both();
  }

  // Clearing (suspend) still empties the input and output spectra.
  onRequest.clearDisplaySpectra();
  for (int i = 0; i < kN; ++i) ASSERT_EQ(onRequest.displayOutSpectrum(1)[i].load(kRelaxed), 0.0f);
}

// The publications keep the same time apart at every rate: at 96 kHz a request waits for
// the frame some 14 x 96000 / 44100 frames after the last publication. A cleared display
// is filled at the first request again.
TEST(DisplayPublication, RequestsWaitTheSameTimeAtEveryRate) {
  SpatialEngine engine;
  ASSERT_TRUE(engine.setSampleRate(96000.0));
  engine.publishDisplayOnRequest();
  std::mt19937 generator(9);
  const int apart =
      static_cast<int>(std::lround(SpatialEngine::kDisplayFramesApart * 96000.0 / 44100.0));
  engine.requestDisplayUpdate();
  runFrame(engine, generator);
  const Shown first = shown(engine);
  engine.requestDisplayUpdate();
  for (int frame = 1; frame < apart; ++frame) runFrame(engine, generator);
  EXPECT_TRUE(shown(engine) == first) << "published sooner than at 44.1 kHz in seconds";
  runFrame(engine, generator);
  const Shown second = shown(engine);
  EXPECT_FALSE(second == first) << "the request was not served in time";

  engine.clearDisplaySpectra();
  engine.requestDisplayUpdate();
  runFrame(engine, generator);
  EXPECT_NE(engine.displayInSpectrum()[0].load(kRelaxed), 0.0f) << "a cleared display waited";
}

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
      for (float v : shown(engine).values)
        if (!std::isfinite(v)) allFinite.store(false);
      reads.fetch_add(1);
    }
  });
  // Frames run until the display has read a few hundred times during them.
  std::mt19937 generator(3);
  for (int frame = 0; frame < 1000000 && reads.load() < 300; ++frame) runFrame(engine, generator);
  runFrame(engine, generator);
  done.store(true);
  display.join();
  EXPECT_TRUE(allFinite.load());
  EXPECT_NE(engine.displayInSpectrum()[0].load(kRelaxed), 0.0f) << "the requests were served";
}

}  // namespace panner
