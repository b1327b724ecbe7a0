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

// The elevation case: a source moving on the sphere has its elevation swept too, moved to
// a new target every frame (between -40 and +80, 7 degrees a frame up or down) while the
// LFO turns its angle.
inline void moveElevation(SpatialEngine& engine, int frame) {
  const int phase = frame % 34;
  engine.targetElevation.store(
      static_cast<float>(phase < 17 ? -40 + 7 * phase : 80 - 7 * (phase - 17)),
      std::memory_order_relaxed);
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
