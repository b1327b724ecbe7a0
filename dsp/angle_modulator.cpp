// The modulator walks the envelope segment by segment. A running LFO moves its position by
// the frame's step (or takes it from the song position) and reads the angle off the segment
// that holds it; a step that passes a point goes on in the next segment with the time it
// has left, so no crossing costs time.
#include "angle_modulator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "angle_math.h"
#include "engine_constants.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kLast = AngleModulator::kPoints - 1;
constexpr float kMinutesPerSecond = 1.0f / 60.0f;
// The "midi lfo tempo" value above which the speed follows the host's tempo.
constexpr float kSyncThreshold = 0.5f;

// The shorter way from a to b on a circle of circumference 1; half a turn goes directly.
float circularDifference(float a, float b) {
  const float d = b - a;
  if (d > 0.5f) return d - 1.0f;
  if (-d > 0.5f) return d + 1.0f;
  return d;
}

float angleOfValue(float value) { return kDegreesPerTurn * value - kHalfTurnDegrees; }

// The segment that holds `position`, named by its lower point: the last point whose time
// is not after it, so a position exactly on a point belongs to the later segment. With
// point 8 at time 1 the segment found always ends after the position.
int segmentAt(const AngleModulator& m, double position) {
  int lower = 0;
  for (int i = 1; i < kLast; ++i)
    if (static_cast<double>(m.pointTimes[i].load(kRelaxed)) <= position) lower = i;
  return lower;
}

// The lower point of the segment the indices name, or -1 when they name none.
int loadedSegment(const AngleModulator& m) {
  const int from = m.fromPoint.load(kRelaxed), to = m.toPoint.load(kRelaxed);
  const int lower = std::min(from, to);
  return lower >= 0 && std::max(from, to) <= kLast && std::abs(from - to) == 1 ? lower : -1;
}

// A position brought into one cycle, 0 <= p < 1.
double wrapCycle(double position) {
  position -= std::floor(position);
  return position < 1.0 ? position : 0.0;
}

}  // namespace

// What the host said about time this frame.
struct AngleModulator::HostClock {
  bool tempoValid = false;
  double beatsPerSecond = 0.0;
};

AngleModulator::AngleModulator() {
  for (int i = 0; i < kPoints; ++i) {
    pointTimes[i].store(defaultPoint(i), kRelaxed);
    pointValues[i].store(defaultPoint(i), kRelaxed);
    positionScale[i].store(0.0f, kRelaxed);
    angleRate[i].store(0.0f, kRelaxed);
  }
  rebuildSegmentRates();
}

float AngleModulator::followHostTempo(TempoSource* tempo, HostClock& clock) {
  float speed = lfoSpeed.load(kRelaxed);
  double beatsPerMinute = 0.0;
  if (!tempo->hostTempo(beatsPerMinute) || !std::isfinite(beatsPerMinute) || beatsPerMinute < 0.0)
    return speed;
  clock.tempoValid = true;
  clock.beatsPerSecond = beatsPerMinute / 60.0;
  const float beatsPerSecond = static_cast<float>(beatsPerMinute) * kMinutesPerSecond;
  speed = speed < 0.0f ? -beatsPerSecond : beatsPerSecond;
  lfoSpeed.store(speed, kRelaxed);
  return speed;
}

bool AngleModulator::songPosition(TempoSource* tempo, const HostClock& clock, float speed,
                                  int32_t samplesIntoBlock, double& position) {
  double quarterNotes = 0.0;
  bool playing = false;
  if (speed == 0.0f || !tempo->hostPosition(quarterNotes, playing) || !playing ||
      !std::isfinite(quarterNotes))
    return false;
  // The host gives the position at the block's first sample; this frame ends
  // samplesIntoBlock samples later. Without a tempo this frame the last synced speed (in
  // beats per second) tells how far that is.
  const double beatsPerSecond =
      clock.tempoValid ? clock.beatsPerSecond : std::fabs(static_cast<double>(speed));
  const double beats = quarterNotes + static_cast<double>(samplesIntoBlock) * beatsPerSecond /
                                          static_cast<double>(sampleRate.load(kRelaxed));
  const int32_t divide = std::max(lfoDivide.load(kRelaxed), int32_t{1});
  const double cycles = beats / static_cast<double>(divide);
  if (!std::isfinite(cycles)) return false;
  position = wrapCycle(speed < 0.0f ? -cycles : cycles);
  return true;
}

void AngleModulator::standAt(double position, int lowerPoint, float speed) {
  const int lower = lowerPoint;
  const float start = pointTimes[lower].load(kRelaxed);
  const float scale = positionScale[lower].load(kRelaxed);
  // Degrees per unit of envelope time: the segment's rate per frame over its time per frame.
  const float slope = scale > 0.0f ? angleRate[lower].load(kRelaxed) / scale : 0.0f;
  const double angle = static_cast<double>(angleOfValue(pointValues[lower].load(kRelaxed))) +
                       static_cast<double>(slope) * (position - static_cast<double>(start));
  const bool forward = speed > 0.0f;
  targetAngle.store(wrapSignedAngle(static_cast<float>(angle)), kRelaxed);
  runningPosition_ = position;
  writtenPosition_ = static_cast<float>(position);
  lfoPositionResidual.store(static_cast<float>(position - static_cast<double>(writtenPosition_)),
                            kRelaxed);
  lfoPosition.store(writtenPosition_, kRelaxed);
  fromPoint.store(static_cast<int16_t>(forward ? lower : lower + 1), kRelaxed);
  toPoint.store(static_cast<int16_t>(forward ? lower + 1 : lower), kRelaxed);
}

double AngleModulator::residualAfter(float shown) const {
  const float residual = lfoPositionResidual.load(kRelaxed);
  const float roundingOfShown = std::nextafter(std::fabs(shown), 2.0f) - std::fabs(shown);
  if (!std::isfinite(residual) || std::fabs(residual) > roundingOfShown) return 0.0;
  return static_cast<double>(residual);
}

bool AngleModulator::advanceModulator(TempoSource* tempo, int32_t samplesIntoBlock) {
  const bool wasLocked = locked_;
  locked_ = false;
  HostClock clock;
  const bool synced = tempo && syncToHost.load(kRelaxed) > kSyncThreshold;
  const float speed = synced ? followHostTempo(tempo, clock) : lfoSpeed.load(kRelaxed);
  if (speed == 0.0f) {
    targetAngle.store(wrapSignedAngle(targetAngle.load(kRelaxed)), kRelaxed);
    return false;
  }

  double position = 0.0;
  if (synced && songPosition(tempo, clock, speed, samplesIntoBlock, position)) {
    standAt(position, segmentAt(*this, position), speed);
    locked_ = true;
    return !wasLocked;
  }

  // Free running: one frame's share of the cycle from where the LFO stands. A position
  // written by a parameter since the last frame replaces the running one.
  const float shown = lfoPosition.load(kRelaxed);
  if (shown != writtenPosition_ || !std::isfinite(runningPosition_))
    runningPosition_ =
        std::isfinite(shown) ? static_cast<double>(shown) + residualAfter(shown) : 0.0;
  const int32_t divide = std::max(lfoDivide.load(kRelaxed), int32_t{1});
  const float step = speed / static_cast<float>(divide);
  int lower = loadedSegment(*this);
  position = runningPosition_ +
             static_cast<double>(positionScale[lower < 0 ? 0 : lower].load(kRelaxed) * step);
  // Past either end of the segment (or off any segment): the step's remaining time carries
  // into the segment it reaches, across the cycle's end if need be.
  if (lower < 0 || !(position >= static_cast<double>(pointTimes[lower].load(kRelaxed)) &&
                     position < static_cast<double>(pointTimes[lower + 1].load(kRelaxed)))) {
    position = wrapCycle(position);
    lower = segmentAt(*this, position);
  }
  standAt(position, lower, speed);
  return false;
}

void AngleModulator::setSampleRate(float rate) {
  sampleRate.store(rate, kRelaxed);
  rebuildSegmentRates();
}

void AngleModulator::rebuildSegmentRates() {
  // One frame in seconds is the position step at unit speed; the angle rates follow from it.
  const float samplesPerSecond = sampleRate.load(kRelaxed);
  const float frame = static_cast<float>(engine::kFrameSize);
  for (int i = 0; i < kPoints; ++i) {
    positionScale[i].store(frame / samplesPerSecond, kRelaxed);
    const int next = (i + 1) % kPoints;
    const float span = pointTimes[next].load(kRelaxed) - pointTimes[i].load(kRelaxed);
    // Segments 0..6 run forward in time; the closing segment 7 -> 0 spans -1. A segment of
    // zero or reversed length gets no rate: the walk passes it without taking time, so no
    // infinite or NaN step can reach the angle.
    const bool proper = i < kLast ? span > 0.0f : span < 0.0f;
    float rate = 0.0f;
    if (proper) {
      const float d =
          circularDifference(pointValues[i].load(kRelaxed), pointValues[next].load(kRelaxed));
      // Turns per unit of envelope time -> degrees per frame at the host's rate. Kept as
      // one left-to-right product so the rounding stays the same for every segment.
      rate = d / span * kDegreesPerTurn * frame / samplesPerSecond;
      if (!std::isfinite(rate)) rate = 0.0f;
    }
    angleRate[i].store(rate, kRelaxed);
  }
}

void AngleModulator::placeOnEnvelope() {
  const float position = lfoPosition.load(kRelaxed);
  const bool forward = lfoSpeed.load(kRelaxed) > 0.0f;
  bool found = false;
  int from = 0, to = 0;
  float target = 0.0f;
  // A position exactly on a point belongs to the later segment.
  for (int i = 0; i < kLast; ++i) {
    const float t0 = pointTimes[i].load(kRelaxed), t1 = pointTimes[i + 1].load(kRelaxed);
    if (!(t0 <= position && position <= t1)) continue;
    found = true;
    from = forward ? i : i + 1;
    to = forward ? i + 1 : i;
    const float span = t1 - t0;
    const float f = span > 0.0f ? (position - t0) / span : 0.0f;
    const float a = pointValues[i].load(kRelaxed), b = pointValues[i + 1].load(kRelaxed);
    const float d = circularDifference(a, b);
    const float x = (b - a > 0.5f) ? a + 1.0f + f * d : a + f * d;
    target = angleOfValue(x);
  }
  if (!found) return;
  fromPoint.store(static_cast<int16_t>(from), kRelaxed);
  toPoint.store(static_cast<int16_t>(to), kRelaxed);
  targetAngle.store(target, kRelaxed);
}

}  // namespace panner
