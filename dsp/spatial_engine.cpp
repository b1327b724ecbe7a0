// Frame orchestration of the spatial engine: the filter update (set choice, modulator,
// slew, refill of the older filter slot) and the convolution frame (input transform, four
// filter paths, overlap-add, crossfade), plus the copies published for the editor.
//
// Filters are kept only as spectra: the filter update interpolates the measured rows'
// spectra (see response_sets.h), which equals transforming the interpolated taps. Each
// slot's spectra carry the level factor of the set they were built from, and a refilled
// slot's overlap tails are rebuilt from its new filters and the previous input frame, so each
// slot's output is exactly its own filters' response and the crossfade blends two consistent
// signals (no burst when the set or the angle changes). The output gain moves linearly
// across a frame from the last frame's value to the new one.
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
// Input samples beyond this are limited to it: far above any audio, and low enough that the
// transforms and the filter products cannot overflow.
constexpr float kInputLimit = 1.0e30f;

// The four filter paths: slot A / slot B, output channel 0 / 1.
enum Path { kA0, kA1, kB0, kB1, kPaths };

void publish(const float* from, std::atomic<float>* to, int n) {
  for (int i = 0; i < n; ++i) to[i].store(from[i], kRelaxed);
}

void scaleSpectrum(float* spectrum, float factor) {
  const simd4::v4 f = simd4::splat(factor);
  for (int i = 0; i < kN; i += 4) simd4::store(spectrum + i, f * simd4::load(spectrum + i));
}

}  // namespace

struct SpatialEngine::State {
  State() : sets(fft) {}

  // Whether this frame publishes the display arrays; takes up any pending request.
  bool displayDue() {
    if (!displayOnRequest.load(kRelaxed)) return true;
    const uint32_t requests = displayRequests.load(kRelaxed);
    if (requests == displayRequestsServed) return false;
    displayRequestsServed = requests;
    return true;
  }

  void publishFilters() {
    publish(unscaledFilterA[0], shownFilter[0], kN);
    publish(unscaledFilterA[1], shownFilter[1], kN);
    shownFilterStale = false;
  }

  RealFft fft;
  ResponseSets sets;
  std::atomic<const ResponseSetDescriptor*> activeSet{nullptr};

  // Filter spectra in half-complex order: [slot A ch0, slot A ch1, slot B ch0, slot B ch1].
  alignas(16) float h[kPaths][kN];
  alignas(16) float inSpectrum[kN];
  alignas(16) float previousSpectrum[kN] = {};  // the last filtered frame's inSpectrum
  alignas(16) float work[kN];
  alignas(16) float y[kPaths][kN];           // time-domain result of each path
  alignas(16) float product[kN];             // slot A's product, half-complex, for the display
  alignas(16) float unscaledFilterA[2][kN];  // slot A's filters before the set's factor
  float tail[kPaths][engine::kTailSize] = {};

  float currentAngle = 0.0f;
  bool fillSlotA = true;
  // What each slot's filters were built from: a refill with the same set and azimuth would
  // give the same filters and tails, so it is skipped.
  const ResponseSetDescriptor* slotSet[2] = {nullptr, nullptr};
  float slotAngle[2] = {0.0f, 0.0f};
  float lastGain = 1.0f;     // output gain reached at the end of the last frame
  bool gainStarted = false;  // false until the first frame: it starts at its own gain

  // Display publication: every frame, or once per request (a sequence number the reader
  // advances and the audio thread catches up with).
  std::atomic<bool> displayOnRequest{false};
  std::atomic<uint32_t> displayRequests{0};
  uint32_t displayRequestsServed = 0;
  bool shownFilterStale = true;  // slot A was refilled since its filters were last shown

  std::atomic<float> shownAngle{0.0f};
  // A restored azimuth waiting for the audio thread (restoreCurrentAngle).
  std::atomic<float> pendingAngle{0.0f};
  std::atomic<bool> anglePending{false};
  std::atomic<float> shownInSpectrum[kN];
  std::atomic<float> shownProduct[2][kN];
  std::atomic<float> shownFilter[2][kN];
};

SpatialEngine::SpatialEngine() : state(new (std::nothrow) State()) {
  if (!state) return;
  state->activeSet.store(&state->sets.set(0), kRelaxed);
  // Both slots start as the filters for azimuth 0, so no frame ever reads an unfilled slot.
  State& s = *state;
  fillSlot(s.sets.set(0), kA0, kA1);
  std::copy(s.h[kA0], s.h[kA0] + kN, s.h[kB0]);
  std::copy(s.h[kA1], s.h[kA1] + kN, s.h[kB1]);
  s.slotSet[1] = s.slotSet[0];
  s.slotAngle[1] = s.slotAngle[0];
  s.publishFilters();
  clearDisplaySpectra();
}

// The display shows slot A's filters without the set's level factor (it applies the factor
// of the active set itself), so they are kept before the factor is folded in.
void SpatialEngine::fillSlot(const ResponseSetDescriptor& set, int path0, int path1) {
  State& s = *state;
  const int slot = path0 == kA0 ? 0 : 1;
  if (s.slotSet[slot] == &set && s.slotAngle[slot] == s.currentAngle) return;
  s.slotSet[slot] = &set;
  s.slotAngle[slot] = s.currentAngle;
  buildFilterSpectra(set, s.currentAngle, s.h[path0], s.h[path1]);
  if (path0 == kA0) {
    std::copy(s.h[kA0], s.h[kA0] + kN, s.unscaledFilterA[0]);
    std::copy(s.h[kA1], s.h[kA1] + kN, s.unscaledFilterA[1]);
    s.shownFilterStale = true;
  }
  for (int path : {path0, path1}) {
    scaleSpectrum(s.h[path], set.gain);
    // The tail the new filters would have left from the previous frame (the result buffer
    // serves as scratch: the frame overwrites it).
    multiplySpectra(s.h[path], s.previousSpectrum, s.y[path], nullptr);
    s.fft.inverse(s.y[path]);
    std::copy(s.y[path] + kF, s.y[path] + 2 * kF - 1, s.tail[path]);  // 127 values
  }
}

SpatialEngine::~SpatialEngine() { delete state; }

bool SpatialEngine::initialised() const { return state != nullptr; }

void SpatialEngine::filterUpdate(TempoSource* tempo) {
  if (!state) return;
  State& s = *state;

  const int32_t set = filterSet.load(kRelaxed);
  if (set == 0 || set == 1) s.activeSet.store(&s.sets.set(set), kRelaxed);

  if (s.anglePending.load(kRelaxed) && s.anglePending.exchange(false, std::memory_order_acquire))
    s.currentAngle = s.pendingAngle.load(kRelaxed);
  modulator.advanceModulator(tempo);
  s.currentAngle = slewAngle(s.currentAngle, modulator.targetAngle.load(kRelaxed));
  s.shownAngle.store(s.currentAngle, kRelaxed);

  const ResponseSetDescriptor& active = *s.activeSet.load(kRelaxed);
  if (s.fillSlotA)
    fillSlot(active, kA0, kA1);
  else
    fillSlot(active, kB0, kB1);
  s.fillSlotA = !s.fillSlotA;
}

void SpatialEngine::convolutionFrame(const float* inFrame, float* outFrame0, float* outFrame1,
                                     TempoSource* tempo) {
  if (!state || !inFrame || !outFrame0 || !outFrame1) {
    if (outFrame0) std::fill(outFrame0, outFrame0 + kF, 0.0f);
    if (outFrame1) std::fill(outFrame1, outFrame1 + kF, 0.0f);
    return;
  }
  ScopedFlushDenormals flushDenormals;
  State& s = *state;
  filterUpdate(tempo);

  std::fill(s.work + kF, s.work + kN, 0.0f);
  const simd4::v4 scale = simd4::splat(kInScale);
  for (int i = 0; i < kF; i += 4)
    simd4::store(s.work + i, scale * simd4::limit(simd4::load(inFrame + i), kInputLimit));
  s.fft.forward(s.work);
  // The DC bin sums every sample, so it is finite only if the whole frame is. A frame with
  // NaN or infinite samples is transformed again with those samples silenced, so they
  // never reach the overlap tails.
  if (!std::isfinite(s.work[0])) {
    for (int i = 0; i < kF; ++i)
      s.work[i] = std::isfinite(inFrame[i])
                      ? kInScale * std::clamp(inFrame[i], -kInputLimit, kInputLimit)
                      : 0.0f;
    std::fill(s.work + kF, s.work + kN, 0.0f);
    s.fft.forward(s.work);
  }
  packedToHalfComplex(s.work, s.inSpectrum);

  const bool show = s.displayDue();
  if (show) {
    // The display shows the input as the active set's filters see it.
    const float setGain = s.activeSet.load(kRelaxed)->gain;
    for (int i = 0; i < kN; ++i) s.shownInSpectrum[i].store(setGain * s.inSpectrum[i], kRelaxed);
    if (s.shownFilterStale) s.publishFilters();
  }
  for (int path = 0; path < kPaths; ++path) {
    const bool shownPath = show && (path == kA0 || path == kA1);
    multiplySpectra(s.h[path], s.inSpectrum, s.y[path], shownPath ? s.product : nullptr);
    if (shownPath) publish(s.product, s.shownProduct[path == kA0 ? 0 : 1], kN);
    s.fft.inverse(s.y[path]);
    overlapAdd(s.y[path], s.tail[path]);
  }
  std::copy(s.inSpectrum, s.inSpectrum + kN, s.previousSpectrum);

  // A non-finite gain keeps the last finite one.
  const float gain = outGain.load(kRelaxed);
  const float endGain = std::isfinite(gain) ? gain : s.lastGain;
  const float startGain = s.gainStarted ? s.lastGain : endGain;
  s.lastGain = endGain;
  s.gainStarted = true;
  const GainRamp ramp{2.0f * startGain, 2.0f * endGain};
  // The slot refilled by this frame's update holds the new filters.
  const bool refilledA = !s.fillSlotA;
  crossfade(s.y[refilledA ? kB0 : kA0], s.y[refilledA ? kA0 : kB0], ramp, outFrame0);
  crossfade(s.y[refilledA ? kB1 : kA1], s.y[refilledA ? kA1 : kB1], ramp, outFrame1);
}

void SpatialEngine::restoreCurrentAngle(float degrees) {
  if (!state || !(degrees >= 0.0f && degrees < 360.0f)) return;
  state->pendingAngle.store(degrees, kRelaxed);
  state->anglePending.store(true, std::memory_order_release);
}

void SpatialEngine::publishDisplayOnRequest() {
  if (state) state->displayOnRequest.store(true, kRelaxed);
}

void SpatialEngine::requestDisplayUpdate() {
  if (state) state->displayRequests.fetch_add(1, kRelaxed);
}

void SpatialEngine::clearDisplaySpectra() {
  if (!state) return;
  for (int i = 0; i < kN; ++i) {
    state->shownInSpectrum[i].store(0.0f, kRelaxed);
    state->shownProduct[0][i].store(0.0f, kRelaxed);
    state->shownProduct[1][i].store(0.0f, kRelaxed);
  }
}

void SpatialEngine::clearTails() {
  if (!state) return;
  for (float* tail : state->tail) std::fill(tail, tail + engine::kTailSize, 0.0f);
  std::fill(state->previousSpectrum, state->previousSpectrum + kN, 0.0f);
}

namespace {
// Stands in for the display arrays when the engine could not be allocated.
std::atomic<float> gSilentSpectrum[kN];
const float gNoGain = 0.0f;
}  // namespace

const std::atomic<float>* SpatialEngine::displayInSpectrum() const {
  return state ? state->shownInSpectrum : gSilentSpectrum;
}
const std::atomic<float>* SpatialEngine::displayOutSpectrum(int channel) const {
  return state ? state->shownProduct[channel & 1] : gSilentSpectrum;
}
const std::atomic<float>* SpatialEngine::displayFilterSpectrum(int channel) const {
  return state ? state->shownFilter[channel & 1] : gSilentSpectrum;
}
const float* SpatialEngine::activeSetGain() const {
  return state ? &state->activeSet.load(kRelaxed)->gain : &gNoGain;
}
float SpatialEngine::currentAngleDegrees() const {
  return state ? state->shownAngle.load(kRelaxed) : 0.0f;
}

}  // namespace panner
