// Frame orchestration of the spatial engine: the filter update (set choice, modulator,
// slew, refill of the older filter slot) and the convolution frame (input transform, four
// filter paths, overlap-add, crossfade), plus the copies published for the editor.
//
// Filters are kept only as spectra: the filter update interpolates the measured rows'
// spectra (see response_sets.h), which equals transforming the interpolated taps.
#include "spatial_engine.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "angle_slew.h"
#include "convolution_steps.h"
#include "denormal_guard.h"
#include "real_fft.h"
#include "response_sets.h"
#include "simd4.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kN = engine::kFftSize;
constexpr int kF = engine::kFrameSize;
constexpr float kInScale = 2.0f / static_cast<float>(kN);
constexpr float kFadeInc = 1.0f / static_cast<float>(kF);

// The four filter paths: slot A / slot B, output channel 0 / 1.
enum Path { kA0, kA1, kB0, kB1, kPaths };

void publish(const float* from, std::atomic<float>* to, int n) {
  for (int i = 0; i < n; ++i) to[i].store(from[i], kRelaxed);
}

}  // namespace

struct SpatialEngine::State {
  State() : sets(fft) {}

  RealFft fft;
  ResponseSets sets;
  std::atomic<const ResponseSetDescriptor*> activeSet{nullptr};

  // Filter spectra in half-complex order: [slot A ch0, slot A ch1, slot B ch0, slot B ch1].
  alignas(16) float h[kPaths][kN];
  alignas(16) float inSpectrum[kN];
  alignas(16) float work[kN];
  alignas(16) float y[kPaths][kN];  // time-domain result of each path
  alignas(16) float product[kN];    // slot A's product, half-complex, for the display
  float tail[kPaths][engine::kTailSize] = {};

  float currentAngle = 0.0f;
  float fade = 0.0f;
  float fadeStep = 0.0f;
  bool fillSlotA = true;
  float lastGain = 1.0f;  // last finite output gain

  std::atomic<float> shownAngle{0.0f};
  std::atomic<float> shownInSpectrum[kN];
  std::atomic<float> shownProduct[2][kN];
  std::atomic<float> shownFilter[2][kN];
};

SpatialEngine::SpatialEngine() : state_(new (std::nothrow) State()) {
  if (!state_) return;
  state_->activeSet.store(&state_->sets.set(0), kRelaxed);
  // Both slots start as the filters for azimuth 0, so no frame ever reads an unfilled slot.
  State& s = *state_;
  buildFilterSpectra(s.sets.set(0), 0.0f, s.h[kA0], s.h[kA1]);
  std::copy(s.h[kA0], s.h[kA0] + kN, s.h[kB0]);
  std::copy(s.h[kA1], s.h[kA1] + kN, s.h[kB1]);
  publish(s.h[kA0], s.shownFilter[0], kN);
  publish(s.h[kA1], s.shownFilter[1], kN);
  clearDisplaySpectra();
}

SpatialEngine::~SpatialEngine() { delete state_; }

bool SpatialEngine::initialised() const { return state_ != nullptr; }

void SpatialEngine::filterUpdate(TempoSource* tempo) {
  if (!state_) return;
  State& s = *state_;

  const int32_t set = filterSet.load(kRelaxed);
  if (set == 0 || set == 1) s.activeSet.store(&s.sets.set(set), kRelaxed);

  modulator.advanceModulator(tempo);
  s.currentAngle = slewAngle(s.currentAngle, modulator.targetAngle.load(kRelaxed));
  s.shownAngle.store(s.currentAngle, kRelaxed);

  const ResponseSetDescriptor& active = *s.activeSet.load(kRelaxed);
  if (s.fillSlotA) {
    buildFilterSpectra(active, s.currentAngle, s.h[kA0], s.h[kA1]);
    publish(s.h[kA0], s.shownFilter[0], kN);
    publish(s.h[kA1], s.shownFilter[1], kN);
    s.fade = 1.0f;
    s.fadeStep = -kFadeInc;
    s.fillSlotA = false;
  } else {
    buildFilterSpectra(active, s.currentAngle, s.h[kB0], s.h[kB1]);
    s.fade = 0.0f;
    s.fadeStep = kFadeInc;
    s.fillSlotA = true;
  }
}

void SpatialEngine::convolutionFrame(const float* inFrame, float* outFrame0, float* outFrame1,
                                     TempoSource* tempo) {
  if (!state_ || !inFrame || !outFrame0 || !outFrame1) {
    if (outFrame0) std::fill(outFrame0, outFrame0 + kF, 0.0f);
    if (outFrame1) std::fill(outFrame1, outFrame1 + kF, 0.0f);
    return;
  }
  ScopedFlushDenormals flushDenormals;
  State& s = *state_;
  filterUpdate(tempo);

  const float inGain = kInScale * s.activeSet.load(kRelaxed)->gain;
  std::fill(s.work + kF, s.work + kN, 0.0f);
  const simd4::v4 scale = simd4::splat(inGain);
  for (int i = 0; i < kF; i += 4) simd4::store(s.work + i, scale * simd4::load(inFrame + i));
  s.fft.forward(s.work);
  // The DC bin sums every sample, so it is finite only if the whole frame is. A frame with
  // NaN or infinite samples is transformed again with those samples silenced, so they
  // never reach the overlap tails.
  if (!std::isfinite(s.work[0])) {
    for (int i = 0; i < kF; ++i) s.work[i] = std::isfinite(inFrame[i]) ? inGain * inFrame[i] : 0.0f;
    std::fill(s.work + kF, s.work + kN, 0.0f);
    s.fft.forward(s.work);
  }
  packedToHalfComplex(s.work, s.inSpectrum);
  publish(s.inSpectrum, s.shownInSpectrum, kN);

  for (int path = 0; path < kPaths; ++path) {
    const bool slotA = path == kA0 || path == kA1;
    multiplySpectra(s.h[path], s.inSpectrum, s.y[path], slotA ? s.product : nullptr);
    if (slotA) publish(s.product, s.shownProduct[path == kA0 ? 0 : 1], kN);
    s.fft.inverse(s.y[path]);
    overlapAdd(s.y[path], s.tail[path]);
  }

  const float gain = outGain.load(kRelaxed);
  if (std::isfinite(gain)) s.lastGain = gain;
  const float outScale = 2.0f * s.lastGain;
  crossfade(s.y[kA0], s.y[kB0], outScale, s.fade, s.fadeStep, outFrame0);
  s.fade = crossfade(s.y[kA1], s.y[kB1], outScale, s.fade, s.fadeStep, outFrame1);
}

void SpatialEngine::clearDisplaySpectra() {
  if (!state_) return;
  for (int i = 0; i < kN; ++i) {
    state_->shownInSpectrum[i].store(0.0f, kRelaxed);
    state_->shownProduct[0][i].store(0.0f, kRelaxed);
    state_->shownProduct[1][i].store(0.0f, kRelaxed);
  }
}

namespace {
// Stands in for the display arrays when the engine could not be allocated.
std::atomic<float> gSilentSpectrum[kN];
const float gNoGain = 0.0f;
}  // namespace

const std::atomic<float>* SpatialEngine::displayInSpectrum() const {
  return state_ ? state_->shownInSpectrum : gSilentSpectrum;
}
const std::atomic<float>* SpatialEngine::displayOutSpectrum(int channel) const {
  return state_ ? state_->shownProduct[channel & 1] : gSilentSpectrum;
}
const std::atomic<float>* SpatialEngine::displayFilterSpectrum(int channel) const {
  return state_ ? state_->shownFilter[channel & 1] : gSilentSpectrum;
}
const float* SpatialEngine::activeSetGain() const {
  return state_ ? &state_->activeSet.load(kRelaxed)->gain : &gNoGain;
}
float SpatialEngine::currentAngleDegrees() const {
  return state_ ? state_->shownAngle.load(kRelaxed) : 0.0f;
}

}  // namespace panner
