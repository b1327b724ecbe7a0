// Frames of noise through a SpatialEngine, and everything its display reads.
#pragma once

#include <atomic>
#include <functional>
#include <random>
#include <vector>

#include "spatial_engine.h"

namespace panner {

// `frames` frames of uniform noise from `generator`, calling before(frame) ahead of each;
// returns both outputs, frame by frame (channel 0's frame, then channel 1's).
inline std::vector<float> noiseFrames(SpatialEngine& engine, std::mt19937& generator, int frames,
                                      const std::function<void(int)>& before = {}) {
  constexpr int kF = engine::kFrameSize;
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  std::vector<float> in(kF), out0(kF), out1(kF), all;
  for (int frame = 0; frame < frames; ++frame) {
    if (before) before(frame);
    for (float& v : in) v = value(generator);
    engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
    all.insert(all.end(), out0.begin(), out0.end());
    all.insert(all.end(), out1.begin(), out1.end());
  }
  return all;
}

// The input, output and filter spectra the display reads, one after the other.
inline std::vector<float> shownValues(const SpatialEngine& engine) {
  std::vector<float> values;
  for (const std::atomic<float>* array :
       {engine.displayInSpectrum(), engine.displayOutSpectrum(0), engine.displayOutSpectrum(1),
        engine.displayFilterSpectrum(0), engine.displayFilterSpectrum(1)})
    for (int i = 0; i < engine::kFftSize; ++i)
      values.push_back(array[i].load(std::memory_order_relaxed));
  return values;
}

}  // namespace panner
