// Placeholder until the engine lands: a frame passes through unchanged.
#include "spatial_engine.h"

#include <algorithm>
#include <new>

struct SpatialEngine::State {
  std::atomic<float> inSpectrum[engine::kFftSize];
  std::atomic<float> shown[2][engine::kFftSize];
  std::atomic<float> filter[2][engine::kFftSize];
  float setGain = 0.26308918f;
  std::atomic<float> currentAngle{0.0f};
};

SpatialEngine::SpatialEngine() : state_(new (std::nothrow) State()) { clearDisplaySpectra(); }
SpatialEngine::~SpatialEngine() { delete state_; }
bool SpatialEngine::initialised() const { return state_ != nullptr; }

void SpatialEngine::filterUpdate(TempoSource* tempo) { modulator.advanceModulator(tempo); }

void SpatialEngine::convolutionFrame(const float* inFrame, float* outFrame0, float* outFrame1,
                                     TempoSource* tempo) {
  filterUpdate(tempo);
  std::copy(inFrame, inFrame + engine::kFrameSize, outFrame0);
  std::copy(inFrame, inFrame + engine::kFrameSize, outFrame1);
}

void SpatialEngine::clearDisplaySpectra() {
  if (!state_) return;
  for (int i = 0; i < engine::kFftSize; ++i) {
    state_->inSpectrum[i].store(0.0f, std::memory_order_relaxed);
    state_->shown[0][i].store(0.0f, std::memory_order_relaxed);
    state_->shown[1][i].store(0.0f, std::memory_order_relaxed);
  }
}

const std::atomic<float>* SpatialEngine::displayInSpectrum() const { return state_->inSpectrum; }
const std::atomic<float>* SpatialEngine::displayOutSpectrum(int channel) const {
  return state_->shown[channel & 1];
}
const std::atomic<float>* SpatialEngine::displayFilterSpectrum(int channel) const {
  return state_->filter[channel & 1];
}
const float* SpatialEngine::activeSetGain() const { return &state_->setGain; }
float SpatialEngine::currentAngleDegrees() const {
  return state_->currentAngle.load(std::memory_order_relaxed);
}
