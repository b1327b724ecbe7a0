// Engines share the response sets and each rate's tables: one built, kept while any engine
// holds it, and an engine's sound does not depend on which engine built or dropped them.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "shared_responses.h"
#include "spatial_engine.h"

namespace panner {

namespace {

constexpr int kF = engine::kFrameSize;

// A few frames of noise through `engine` with the set switched half way; all outputs.
std::vector<float> render(SpatialEngine& engine) {
  std::mt19937 generator(5);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  engine.modulator.targetAngle.store(70.0f, std::memory_order_relaxed);
  std::vector<float> in(kF), out0(kF), out1(kF), all;
  for (int frame = 0; frame < 40; ++frame) {
    if (frame == 20) engine.filterSet.store(1, std::memory_order_relaxed);
    for (float& x : in) x = value(generator);
    engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
    all.insert(all.end(), out0.begin(), out0.end());
    all.insert(all.end(), out1.begin(), out1.end());
  }
  return all;
}

}  // namespace

TEST(SharedResponses, AnEngineSoundsTheSameWhoeverBuiltOrDroppedTheTables) {
  std::vector<float> alone;
  {
    SpatialEngine engine;
    alone = render(engine);
  }
  const auto sets = sharedResponseSets();
  EXPECT_EQ(sharedResponseTables(sets, 44100.0), sharedResponseTables(sets, 44100.0));
  EXPECT_FALSE(sharedResponseTables(sets, 1.0)) << "a rate out of range has no tables";
  auto first = std::make_unique<SpatialEngine>();
  auto second = std::make_unique<SpatialEngine>();
  ASSERT_TRUE(second->setSampleRate(96000.0));
  first.reset();  // the engine that built the 44.1 kHz tables goes first
  ASSERT_TRUE(second->setSampleRate(44100.0));
  EXPECT_EQ(render(*second), alone);
}

}  // namespace panner
