// Frame orchestration of the spatial engine: the filter update (set choice, modulator,
// slew, refill of the older filter slot) and the convolution frame (input transform, the
// filter paths transformed back in pairs, crossfade), plus the copies published for the
// editor.
//
// Filters are kept only as spectra, one kFftSize-point spectrum per partition of kFrameSize
// taps, read from the response tables of the current sample rate (see response_tables.h).
// Each frame transforms a window of two frames, the previous one and this one; the window
// spectra of the last frames wait in a frequency-domain delay line, and a path's output is
// the second half of the inverse transform of the sum over partitions of the partition's
// filter times the window of that many frames ago: uniformly partitioned overlap-save, one
// input transform and one inverse transform per path whatever the filters' length. That
// half is exactly the linear convolution of the input with the path's filters, so no tails
// are carried: a refilled slot's output is at once its new filters' whole response, and the
// crossfade blends two consistent signals (no burst when the set or the angle changes).
// The inverse transforms run in pairs over the same window spectra, crossfade and gain
// applied as the pair is written out: each channel's previous and new filters while the
// slots differ; when both slots hold the same filters, slot A's two channels, which then
// serve both. Each slot's spectra carry the level factor of the set they were built from;
// the output gain moves linearly across a frame from the last frame's value to the new one.
#include "spatial_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "angle_math.h"
#include "angle_slew.h"
#include "convolution_steps.h"
#include "denormal_guard.h"
#include "own_response_set.h"
#include "own_set_tables.h"
#include "real_fft.h"
#include "response_sets.h"
#include "response_tables.h"
#include "shared_responses.h"
#include "simd4.h"
#include "sphere_tables.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kN = engine::kFftSize;
constexpr int kF = engine::kFrameSize;
constexpr int kMaxP = std::max(ResponseTables::kMaxPartitions, OwnSetTables::kMaxPartitions);
constexpr float kInScale = 2.0f / static_cast<float>(kN);
// Input samples beyond this are limited to it: far above any audio, and low enough that the
// transforms and the filter products cannot overflow.
constexpr float kInputLimit = 1.0e30f;

// The four filter paths: slot A / slot B, output channel 0 / 1.
enum Path { kA0, kA1, kB0, kB1, kPaths };

// kN values as relaxed stores: the editor may read while they are written, and sees each
// value whole. Each store is a plain copy of a value from memory, four per step.
void publish(const float* from, std::atomic<float>* to) {
  for (int i = 0; i < kN; i += 4) {
    to[i].store(from[i], kRelaxed);
    to[i + 1].store(from[i + 1], kRelaxed);
    to[i + 2].store(from[i + 2], kRelaxed);
    to[i + 3].store(from[i + 3], kRelaxed);
  }
}

void scale(const float* from, float factor, float* to) {
  const simd4::v4 f = simd4::splat(factor);
  for (int i = 0; i < kN; i += 4) simd4::store(to + i, f * simd4::load(from + i));
}

// A path's filters as one kFftSize-point spectrum for the display, times `factor`.
// Partition p starts p frames later, a factor (-1)^(p k) at bin k, so the sum shows the
// whole response folded onto 256 points.
void foldPartitions(const float* spectra, int partitions, float factor, float* folded) {
  if (partitions == 1) return scale(spectra, factor, folded);
  std::copy(spectra, spectra + kN, folded);
  for (int p = 1; p < partitions; ++p) {
    const float* part = spectra + p * kN;
    for (int i = 0; i < kN; i += 2) {
      folded[i] += part[i];
      folded[i + 1] += p % 2 ? -part[i + 1] : part[i + 1];
    }
  }
  scale(folded, factor, folded);
}

}  // namespace

struct SpatialEngine::State {
  // Whether this frame publishes the display arrays; takes up any pending request.
  bool displayDue() {
    if (!displayOnRequest.load(kRelaxed)) return true;
    const int apart = displayFramesApart.load(kRelaxed);
    // A cleared display is filled again at the first request, without waiting.
    if (displayCleared.load(kRelaxed) && displayCleared.exchange(false, kRelaxed))
      framesSinceShown = apart;
    if (framesSinceShown < apart) ++framesSinceShown;
    const uint32_t requests = displayRequests.load(kRelaxed);
    if (requests == displayRequestsServed || framesSinceShown < apart) return false;
    displayRequestsServed = requests;
    framesSinceShown = 0;
    return true;
  }

  // The display shows slot A's filters without the set's level factor (it applies the
  // factor of the active set itself): the factor folded into them is taken out again.
  void publishFilters() {
    const float unscale = 1.0f / slotSet[0]->gain;
    for (int channel = 0; channel < 2; ++channel) {
      foldPartitions(h(channel == 0 ? kA0 : kA1), partitions, unscale, shown);
      publish(shown, shownFilter[channel]);
    }
    shownFilterStale = false;
  }

  // The filters of one path: `partitions` spectra. Packed by the current partition count,
  // so that with one partition the four paths lie together as they are read every frame.
  float* h(int path) { return filters + path * partitions * kN; }
  // Repacks the four paths for `count` partitions each: kept partitions move, new ones are
  // zero. Only partitions no slot uses are dropped (count is the larger slot's).
  void repack(int count) {
    const int old = partitions;
    if (count > old) {
      for (int path = kPaths - 1; path >= 0; --path) {
        float* to = filters + path * count * kN;
        std::memmove(to, filters + path * old * kN, sizeof(float) * old * kN);
        std::fill(to + old * kN, to + count * kN, 0.0f);
      }
    } else if (count < old) {
      for (int path = 0; path < kPaths; ++path)
        std::memmove(filters + path * count * kN, filters + path * old * kN,
                     sizeof(float) * count * kN);
    }
    partitions = count;
  }
  // Frees own-set tables the audio thread has moved past. Under `control`.
  void releaseRetiredOwnTables() {
    const OwnSetTables* held = ownHazard.load();
    std::erase_if(ownRetired,
                  [&](const std::shared_ptr<const OwnSetTables>& t) { return t.get() != held; });
  }
  // Makes `set`, prepared as `made`, the own set. Under `control`.
  void installOwn(std::shared_ptr<const OwnResponseSet> set,
                  std::shared_ptr<const OwnSetTables> made) {
    if (ownCurrent) ownRetired.push_back(std::move(ownCurrent));
    ownSet = std::move(set);
    ownCurrent = std::move(made);
    ownTables.store(ownCurrent.get());
    releaseRetiredOwnTables();
  }
  // Each partition's spectrum of one path, in partition order.
  const float* const* partitionsOf(int path, const float** list) {
    for (int p = 0; p < partitions; ++p) list[p] = h(path) + p * kN;
    return list;
  }

  RealFft fft;
  std::shared_ptr<const ResponseSets> sets;  // shared by the engines of the process
  std::atomic<const ResponseSetDescriptor*> activeSet{nullptr};

  // The tables the audio thread uses, swapped in by setSampleRate; `retired` is the one
  // they replaced, kept until the next change so that a frame still running on it ends.
  // Engines at the same rate share them.
  std::shared_ptr<const ResponseTables> current;
  std::shared_ptr<const ResponseTables> retired;
  std::atomic<const ResponseTables*> tables{nullptr};
  const ResponseTables* tablesInUse = nullptr;  // audio thread: the tables of the last frame
  // The sphere's tables of the same rate, swapped in with them (stored before them, so a
  // frame that sees new tables sees these too); a frame that meets tables of two rates
  // serves elevation 0 only.
  std::shared_ptr<const SphereTables> sphereCurrent;
  std::shared_ptr<const SphereTables> sphereRetired;
  std::atomic<const SphereTables*> sphere{nullptr};
  const SphereTables* sphereInUse = nullptr;  // audio thread
  SphereWork sphereWork;
  // The horizontal filters while they are crossfaded with the sphere's near elevation 0.
  alignas(16) float horizontal[2][kMaxP * kN];
  int partitions = 1;  // of the filter paths: the larger of the two slots' counts
  int slotPartitions[2] = {0, 0};
  std::atomic<float> degreesPerFrame{1.0f};  // the glide's step at the current rate

  // Filter spectra in half-complex order, kN values per partition, path after path:
  // slot A ch0, slot A ch1, slot B ch0, slot B ch1 (see h()).
  alignas(16) float filters[kPaths * kMaxP * kN];
  // The input window, scaled: the previous frame and the current one (window[currentHalf]).
  alignas(16) float window[2][kF] = {};
  int currentHalf = 0;
  // Window spectra of the last kMaxP frames, half-complex; windowHistory[newest] is this
  // frame's. Kept whatever the partition count, so a longer set finds its history.
  alignas(16) float windowHistory[kMaxP][kN] = {};
  int newest = 0;
  alignas(16) float shown[kN];  // one display array before it is published

  // The own set. `control` orders setSampleRate and setOwnResponseSet (never taken by the
  // audio thread). ownTables is what the audio thread reads; before it uses tables it
  // names them in ownHazard and reads ownTables again, and the control side frees replaced
  // tables only when ownHazard names others (all sequentially consistent).
  mutable std::mutex control;
  std::shared_ptr<const OwnResponseSet> ownSet;
  std::shared_ptr<const OwnSetTables> ownCurrent;
  std::vector<std::shared_ptr<const OwnSetTables>> ownRetired;
  std::atomic<const OwnSetTables*> ownTables{nullptr};
  std::atomic<const OwnSetTables*> ownHazard{nullptr};
  const OwnSetTables* ownInUse = nullptr;  // audio thread
  // Stands for the own set in activeSet and slotSet; its gain is the fine set's, to which
  // the own set's level is matched.
  ResponseSetDescriptor ownDescriptor{0, ResponseSets::kSetOneGain, nullptr};
  const ResponseSetDescriptor* builtInSet = nullptr;  // the one filterSet chose last
  std::atomic<bool> ownPlaying{false};

  float currentAngle = 0.0f;
  float currentElevation = 0.0f;
  // The direction the filters are built for: the current one as the listener's head hears it.
  float filterAngle = 0.0f;
  float filterElevation = 0.0f;
  bool fillSlotA = true;
  // What each slot's filters were built from: a refill with the same set and azimuth would
  // give the same filters, so it is skipped.
  const ResponseSetDescriptor* slotSet[2] = {nullptr, nullptr};
  float slotAngle[2] = {0.0f, 0.0f};
  float slotElevation[2] = {0.0f, 0.0f};
  float lastGain = 1.0f;     // output gain reached at the end of the last frame
  bool gainStarted = false;  // false until the first frame: it starts at its own gain

  // Display publication: every frame, or once per request (a sequence number the reader
  // advances and the audio thread catches up with).
  std::atomic<bool> displayOnRequest{false};
  std::atomic<uint32_t> displayRequests{0};
  uint32_t displayRequestsServed = 0;
  int framesSinceShown = kDisplayFramesApart;
  // kDisplayFramesApart at 44.1 kHz, in proportion at other rates: the same time apart.
  std::atomic<int> displayFramesApart{kDisplayFramesApart};
  std::atomic<bool> displayCleared{false};  // set by clearDisplaySpectra (any thread)
  bool shownFilterStale = true;             // slot A was refilled since its filters were last shown

  std::atomic<float> shownAngle{0.0f};
  // A restored azimuth waiting for the audio thread (restoreCurrentAngle).
  std::atomic<float> pendingAngle{0.0f};
  std::atomic<bool> anglePending{false};
  std::atomic<float> shownElevation{0.0f};
  std::atomic<float> pendingElevation{0.0f};
  std::atomic<bool> elevationPending{false};
  std::atomic<float> shownInSpectrum[kN];
  std::atomic<float> shownProduct[2][kN];
  std::atomic<float> shownFilter[2][kN];
};

SpatialEngine::SpatialEngine() : state(new (std::nothrow) State()) {
  if (!state) return;
  State& s = *state;
  s.sets = sharedResponseSets();
  s.current = sharedResponseTables(s.sets, ResponseSets::kMeasurementRate);
  if (!s.current) {
    delete state;
    state = nullptr;
    return;
  }
  s.sphereCurrent = sharedSphereTables(s.current->rate(), s.current->partitions());
  s.sphere.store(s.sphereCurrent.get(), kRelaxed);
  s.tables.store(s.current.get(), kRelaxed);
  s.builtInSet = &s.sets->set(0);
  s.activeSet.store(s.builtInSet, kRelaxed);
  // Both slots start as the filters for azimuth 0, so no frame ever reads an unfilled slot.
  startTables(*s.current);
  s.publishFilters();
  clearDisplaySpectra();
}

bool SpatialEngine::setSampleRate(double rate) {
  if (!state) return false;
  State& s = *state;
  if (!std::isfinite(rate) || rate < ResponseTables::kMinRate || rate > ResponseTables::kMaxRate)
    return false;
  std::lock_guard<std::mutex> lock(s.control);
  if (rate != s.current->rate()) {
    // The own set's tables first: if either cannot be made, nothing changes.
    std::shared_ptr<const OwnSetTables> own;
    if (s.ownSet && !(own = OwnSetTables::build(*s.ownSet, rate))) return false;
    std::shared_ptr<const ResponseTables> made = sharedResponseTables(s.sets, rate);
    if (!made) return false;
    std::shared_ptr<const SphereTables> sphere = sharedSphereTables(rate, made->partitions());
    if (!sphere) return false;
    s.sphereRetired = std::move(s.sphereCurrent);
    s.sphereCurrent = std::move(sphere);
    s.sphere.store(s.sphereCurrent.get(), std::memory_order_release);
    s.retired = std::move(s.current);
    s.current = std::move(made);
    // Release: the audio thread that sees the new pointer also sees the tables it points to.
    s.tables.store(s.current.get(), std::memory_order_release);
    if (s.ownSet) s.installOwn(s.ownSet, std::move(own));
  }
  // One degree per 128 samples at 44.1 kHz: 344.5 degrees per second at every rate.
  s.degreesPerFrame.store(static_cast<float>(ResponseSets::kMeasurementRate / rate), kRelaxed);
  modulator.setSampleRate(static_cast<float>(rate));
  const long apart = std::lround(kDisplayFramesApart * rate / ResponseSets::kMeasurementRate);
  s.displayFramesApart.store(static_cast<int>(std::max(apart, 1L)), kRelaxed);
  return true;
}

bool SpatialEngine::setOwnResponseSet(std::shared_ptr<const OwnResponseSet> set) {
  if (!state) return false;
  State& s = *state;
  std::lock_guard<std::mutex> lock(s.control);
  std::shared_ptr<const OwnSetTables> tables;
  if (set && !(tables = OwnSetTables::build(*set, s.current->rate()))) return false;
  s.installOwn(std::move(set), std::move(tables));
  return true;
}

std::shared_ptr<const OwnResponseSet> SpatialEngine::ownResponseSet() const {
  if (!state) return nullptr;
  std::lock_guard<std::mutex> lock(state->control);
  return state->ownSet;
}

bool SpatialEngine::ownSetPlaying() const { return state && state->ownPlaying.load(kRelaxed); }

// Takes up the own set's tables if they changed: named in ownHazard first, so the control
// side keeps them while they are used. Slots built from the tables before are refilled.
void SpatialEngine::adoptOwnTables() {
  State& s = *state;
  const OwnSetTables* own = s.ownTables.load();
  if (own == s.ownInUse) return;
  for (;;) {
    s.ownHazard.store(own);
    const OwnSetTables* again = s.ownTables.load();
    if (again == own) break;
    own = again;
  }
  s.ownInUse = own;
  for (int slot = 0; slot < 2; ++slot)
    if (s.slotSet[slot] == &s.ownDescriptor) s.slotSet[slot] = nullptr;
}

double SpatialEngine::sampleRate() const {
  return state ? state->current->rate() : ResponseSets::kMeasurementRate;
}

// Both slots get the filters for the current azimuth from `tables`; the window and the
// delay line, which belong to the previous rate's stream, start from silence.
void SpatialEngine::startTables(const ResponseTables& tables) {
  State& s = *state;
  s.tablesInUse = &tables;
  s.newest = 0;
  clearTails();
  s.slotSet[0] = s.slotSet[1] = nullptr;
  s.slotPartitions[0] = s.slotPartitions[1] = 0;
  const ResponseSetDescriptor& set = *s.activeSet.load(kRelaxed);
  fillSlot(set, kA0, kA1);
  fillSlot(set, kB0, kB1);
}

// The set's level factor is folded into the filters as they are interpolated.
void SpatialEngine::fillSlot(const ResponseSetDescriptor& set, int path0, int path1) {
  State& s = *state;
  const int slot = path0 == kA0 ? 0 : 1;
  const bool own = &set == &s.ownDescriptor;
  // The sphere's tables of the set in use: none for an own set of one ring, which then plays
  // its ring at every elevation.
  const SphereTables* sphere = own ? s.ownInUse->sphere() : s.sphereInUse;
  const float elevation = sphere ? s.filterElevation : 0.0f;
  const float angle = s.filterAngle;
  if (s.slotSet[slot] == &set && s.slotAngle[slot] == angle && s.slotElevation[slot] == elevation)
    return;
  const int partitions = own ? s.ownInUse->partitions() : s.tablesInUse->partitions();
  s.repack(std::max(partitions, s.slotPartitions[slot ^ 1]));
  s.slotSet[slot] = &set;
  s.slotAngle[slot] = angle;
  s.slotElevation[slot] = elevation;
  s.slotPartitions[slot] = partitions;
  float* h0 = s.h(path0);
  float* h1 = s.h(path1);
  // The horizontal ring's filters: the one-degree grid, blended in magnitude too.
  auto horizontal = [&](float* to0, float* to1) {
    if (own)
      s.ownInUse->buildFilterSpectra(angle, to0, to1, set.gain);
    else
      s.tablesInUse->buildFilterSpectra(set, angle, to0, to1, set.gain);
  };
  if (elevation == 0.0f) {
    horizontal(h0, h1);
  } else {
    const int source = own || &set == &s.sets->set(0) ? 0 : 1;
    sphere->buildFilterSpectra(source, angle, elevation, h0, h1, set.gain, s.fft, s.sphereWork);
    // Up to the next ring the horizontal filters fade into the sphere's, so that leaving
    // elevation 0 changes the filters continuously.
    const float ring = sphere->grid(source).ringNextToHorizon(elevation);
    const float toSphere = ring != 0.0f ? elevation / ring : 1.0f;
    if (toSphere < 1.0f) {
      horizontal(s.horizontal[0], s.horizontal[1]);
      interpolate(s.horizontal[0], h0, toSphere, h0, partitions * kN);
      interpolate(s.horizontal[1], h1, toSphere, h1, partitions * kN);
    }
  }
  // A slot with fewer partitions than the other has zeros in the rest.
  std::fill(h0 + partitions * kN, h0 + s.partitions * kN, 0.0f);
  std::fill(h1 + partitions * kN, h1 + s.partitions * kN, 0.0f);
  if (slot == 0) s.shownFilterStale = true;
}

SpatialEngine::~SpatialEngine() { delete state; }

bool SpatialEngine::initialised() const { return state != nullptr; }

void SpatialEngine::filterUpdate(TempoSource* tempo, int32_t samplesIntoBlock) {
  if (!state) return;
  State& s = *state;

  const int32_t set = filterSet.load(kRelaxed);
  if (set == 0 || set == 1) s.builtInSet = &s.sets->set(set);
  adoptOwnTables();
  const ResponseTables* tables = s.tables.load(std::memory_order_acquire);
  const SphereTables* sphere = s.sphere.load(std::memory_order_acquire);
  s.sphereInUse = sphere && sphere->rate() == tables->rate() ? sphere : nullptr;
  // Own tables of another rate than the built-in ones (a rate change half handed over)
  // are not used.
  const bool own = s.ownInUse && useOwnSet.load(kRelaxed) && s.ownInUse->rate() == tables->rate();
  s.ownPlaying.store(own, kRelaxed);
  s.activeSet.store(own ? &s.ownDescriptor : s.builtInSet, kRelaxed);

  if (s.anglePending.load(kRelaxed) && s.anglePending.exchange(false, std::memory_order_acquire))
    s.currentAngle = s.pendingAngle.load(kRelaxed);
  // Playback that has just started takes the song's angle at once, and both slots get its
  // filters, so the frame does not crossfade from wherever the angle stood.
  const bool takeTarget = modulator.advanceModulator(tempo, samplesIntoBlock);
  const float target = modulator.targetAngle.load(kRelaxed);
  s.currentAngle = takeTarget && std::isfinite(target)
                       ? wrapAzimuth(target)
                       : slewAngle(s.currentAngle, target, s.degreesPerFrame.load(kRelaxed));
  s.shownAngle.store(s.currentAngle, kRelaxed);
  if (s.elevationPending.load(kRelaxed) &&
      s.elevationPending.exchange(false, std::memory_order_acquire))
    s.currentElevation = s.pendingElevation.load(kRelaxed);
  s.currentElevation = slewElevation(s.currentElevation, targetElevation.load(kRelaxed),
                                     s.degreesPerFrame.load(kRelaxed));
  s.shownElevation.store(s.currentElevation, kRelaxed);
  const uint64_t head = headOrientation.load(kRelaxed);
  s.filterAngle = s.currentAngle;
  s.filterElevation = s.currentElevation;
  if (head != kHeadStraightAhead)
    headRelativeDirection(unpackHead(head), s.currentAngle, s.currentElevation, s.filterAngle,
                          s.filterElevation);

  if (tables != s.tablesInUse) startTables(*tables);

  const ResponseSetDescriptor& active = *s.activeSet.load(kRelaxed);
  if (s.fillSlotA || takeTarget) fillSlot(active, kA0, kA1);
  if (!s.fillSlotA || takeTarget) fillSlot(active, kB0, kB1);
  s.fillSlotA = !s.fillSlotA;
}

void SpatialEngine::convolutionFrame(const float* inFrame, float* outFrame0, float* outFrame1,
                                     TempoSource* tempo, int32_t samplesIntoBlock) {
  if (!state || !inFrame || !outFrame0 || !outFrame1) {
    if (outFrame0) std::fill(outFrame0, outFrame0 + kF, 0.0f);
    if (outFrame1) std::fill(outFrame1, outFrame1 + kF, 0.0f);
    return;
  }
  ScopedFlushDenormals flushDenormals;
  State& s = *state;
  filterUpdate(tempo, samplesIntoBlock);

  // The window moves on by one frame: this frame takes the place of the one before last.
  s.currentHalf ^= 1;
  const float* previous = s.window[s.currentHalf ^ 1];
  float* current = s.window[s.currentHalf];
  const simd4::v4 scale = simd4::splat(kInScale);
  for (int i = 0; i < kF; i += 4)
    simd4::store(current + i, scale * simd4::limit(simd4::load(inFrame + i), kInputLimit));
  s.newest = s.newest + 1 < kMaxP ? s.newest + 1 : 0;
  float* spectrum = s.windowHistory[s.newest];
  s.fft.forwardToHalfComplex(previous, current, spectrum);
  // The DC bin sums every sample, so it is finite only if the whole window is. A frame with
  // NaN or infinite samples is transformed again with those samples silenced, so they never
  // reach a later frame.
  if (!std::isfinite(spectrum[0])) {
    for (int i = 0; i < kF; ++i)
      if (!std::isfinite(current[i])) current[i] = 0.0f;
    s.fft.forwardToHalfComplex(previous, current, spectrum);
  }
  if (s.displayDue()) publishDisplay();

  // Both slots holding the same filters give the same output: slot A's paths serve both.
  const bool shared = s.slotSet[0] == s.slotSet[1] && s.slotAngle[0] == s.slotAngle[1] &&
                      s.slotElevation[0] == s.slotElevation[1];

  // A non-finite gain keeps the last finite one.
  const float gain = outGain.load(kRelaxed);
  const float endGain = std::isfinite(gain) ? gain : s.lastGain;
  const float startGain = s.gainStarted ? s.lastGain : endGain;
  s.lastGain = endGain;
  s.gainStarted = true;
  const GainRamp ramp{2.0f * startGain, 2.0f * endGain};
  // The slot refilled by this frame's update holds the new filters.
  const bool refilledA = !s.fillSlotA;
  // Every path multiplies the window spectra of the last frames, newest first.
  const float* windows[kMaxP];
  for (int p = 0; p < s.partitions; ++p)
    windows[p] = s.windowHistory[s.newest - p >= 0 ? s.newest - p : s.newest - p + kMaxP];
  const float* from[kMaxP];
  const float* to[kMaxP];
  if (shared) {
    s.fft.inverseOfProductsWithGain(s.partitionsOf(kA0, from), s.partitionsOf(kA1, to), windows,
                                    s.partitions, ramp, outFrame0, outFrame1);
    return;
  }
  // Each channel from its previous filters to the new ones, crossfaded as it is written.
  for (int channel = 0; channel < 2; ++channel) {
    const int oldFilters = (refilledA ? kB0 : kA0) + channel,
              newFilters = (refilledA ? kA0 : kB0) + channel;
    s.fft.inverseOfProductsCrossfaded(s.partitionsOf(oldFilters, from),
                                      s.partitionsOf(newFilters, to), windows, s.partitions, ramp,
                                      channel == 0 ? outFrame0 : outFrame1);
  }
}

// The display shows the input window (the last two frames) as the active set's filters see
// it, and its product with slot A's first partition: the spectra the convolution works
// with, so showing them costs no transform. Computed only when the display asks.
void SpatialEngine::publishDisplay() {
  State& s = *state;
  const float* input = s.windowHistory[s.newest];
  scale(input, s.activeSet.load(kRelaxed)->gain, s.shown);
  publish(s.shown, s.shownInSpectrum);
  if (s.shownFilterStale) s.publishFilters();
  for (int channel = 0; channel < 2; ++channel) {
    multiplySpectra(s.h(channel == 0 ? kA0 : kA1), input, s.shown);
    publish(s.shown, s.shownProduct[channel]);
  }
}

void SpatialEngine::restoreCurrentAngle(float degrees) {
  if (!state || !(degrees >= 0.0f && degrees < 360.0f)) return;
  state->pendingAngle.store(degrees, kRelaxed);
  state->anglePending.store(true, std::memory_order_release);
}

void SpatialEngine::restoreCurrentElevation(float degrees) {
  if (!state || !(degrees >= -90.0f && degrees <= 90.0f)) return;
  state->pendingElevation.store(degrees, kRelaxed);
  state->elevationPending.store(true, std::memory_order_release);
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
  state->displayCleared.store(true, kRelaxed);
}

void SpatialEngine::clearTails() {
  if (!state) return;
  for (float* half : state->window) std::fill(half, half + kF, 0.0f);
  for (float* spectrum : state->windowHistory) std::fill(spectrum, spectrum + kN, 0.0f);
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
float SpatialEngine::currentElevationDegrees() const {
  return state ? state->shownElevation.load(kRelaxed) : 0.0f;
}

}  // namespace panner
