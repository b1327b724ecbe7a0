// Engines share the response sets and each rate's tables: one built, kept while any engine
// holds it, and an engine's sound does not depend on which engine built or dropped them.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "engine_frames.h"
#include "shared_responses.h"

namespace panner {

namespace {

// Noise through `engine` at 70 degrees with the set switched half way; all outputs.
std::vector<float> render(SpatialEngine& engine) {
  std::mt19937 generator(5);
  engine.modulator.targetAngle.store(70.0f, std::memory_order_relaxed);
  return noiseFrames(engine, generator, 40, [&](int frame) {
    if (frame == 20) engine.filterSet.store(1, std::memory_order_relaxed);
  });
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
