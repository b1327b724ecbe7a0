// What the engine benchmarks share: noise to feed the engine and the two angle cases they
// run, the envelope sweeping at one cycle per second (the target and the angle move every
// frame, so a filter slot is refilled every frame) or a steady angle.
#pragma once

#include <random>

#include "spatial_engine.h"

namespace panner {

inline void fillNoise(float* data, int n, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (int i = 0; i < n; ++i) data[i] = value(generator);
}

inline void setAngleCase(SpatialEngine& engine, bool moving) {
  if (moving) {
    engine.modulator.lfoSpeed.store(1.0f, std::memory_order_relaxed);
    engine.modulator.rebuildSegmentRates();
    engine.modulator.placeOnEnvelope();
  } else {
    engine.modulator.targetAngle.store(35.0f, std::memory_order_relaxed);
  }
}

}  // namespace panner
