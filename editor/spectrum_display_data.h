// What the response display draws from: references into the engine's spectrum arrays and
// the scales to draw them with. The editor fills the block when the panel opens; the
// display holds a reference to it while the panel is open.
#pragma once

#include <atomic>
#include <cstdint>

namespace panner {

struct SpectrumDisplayData {
  static constexpr int32_t kMaxPanes = 2;

  int32_t binCount = 0;    // n: bins drawn; every spectrum holds 2n values, half-complex
  int32_t paneCount = 2;   // channel 1 above, channel 2 mirrored below
  int32_t curveCount = 2;  // input and output spectrum per pane
  float paneTopDb[kMaxPanes] = {0.0f, 0.0f};         // level at the pane's outer edge
  float paneBottomDb[kMaxPanes] = {-96.0f, -96.0f};  // level at the centre line
  const std::atomic<float>* inSpectrum[kMaxPanes] = {};
  const std::atomic<float>* outSpectrum[kMaxPanes] = {};
  const std::atomic<float>* filterSpectrum[kMaxPanes] = {};
  const float* setGain = nullptr;           // gain factor of the response set in use
  const float* curveScale[kMaxPanes] = {};  // second scale of the filter responses
  float sampleRate = 44100.0f;              // for the frequency readout
};

}  // namespace panner
