// The render behind the measured-azimuth regression data: the engine settled at one
// measured azimuth, fed deterministic noise, and a window of its output kept.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine_constants.h"
#include "spatial_engine.h"

namespace panner {

namespace reference_render {

constexpr int kKept = 32;       // output samples kept per ear
constexpr int kFirstKept = 96;  // of the second noise frame: each depends on 128 inputs

// Uniform noise in -1..1 from a fixed linear congruential generator, so that the input is
// the same on every platform and library.
inline float noise(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
}

// Settles `engine` at `azimuth` of `set`, renders two frames of noise (the same for an
// azimuth's mirror image) and copies kKept samples of the second per ear.
inline void render(SpatialEngine& engine, int set, int azimuth, float* ear0, float* ear1) {
  constexpr int kF = engine::kFrameSize;
  engine.filterSet.store(set, std::memory_order_relaxed);
  engine.modulator.targetAngle.store(static_cast<float>(azimuth <= 180 ? azimuth : azimuth - 360),
                                     std::memory_order_relaxed);
  float in[kF] = {}, out0[kF], out1[kF];
  // At most 180 frames of glide, then two more so both filter slots hold this azimuth.
  for (int frame = 0; frame < 182; ++frame) engine.convolutionFrame(in, out0, out1, nullptr);
  const int folded = azimuth <= 180 ? azimuth : 360 - azimuth;
  uint32_t state = 12345u + static_cast<uint32_t>(set * 1000 + folded);
  for (int frame = 0; frame < 2; ++frame) {
    for (float& v : in) v = noise(state);
    engine.convolutionFrame(in, out0, out1, nullptr);
  }
  for (int i = 0; i < kKept; ++i) {
    ear0[i] = out0[kFirstKept + i];
    ear1[i] = out1[kFirstKept + i];
  }
}

}  // namespace reference_render

}  // namespace panner
