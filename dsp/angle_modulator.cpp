// The modulator walks the envelope segment by segment. Between crossings the angle and the
// position move by the segment's rates times the speed; when the position passes the point
// it is heading for, both snap to that point and the next segment begins. Values are read
// once per call from the atomics and written back once.
#include "angle_modulator.h"

#include <algorithm>
#include <cmath>

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

// Where the walk along the envelope stands: the segment from point `from` towards point
// `to`, the position in envelope time and the angle in degrees.
struct Walk {
  int from;
  int to;
  float position;
  float target;
};

// Segment indices outside 0..7 (never written by the modulator itself) restart the walk at
// the end it runs from; a NaN or infinite position restarts the segment.
Walk loadWalk(const AngleModulator& m, float speed) {
  Walk w{m.fromPoint.load(kRelaxed), m.toPoint.load(kRelaxed), m.lfoPosition.load(kRelaxed),
         m.targetAngle.load(kRelaxed)};
  if (w.from < 0 || w.from > kLast || w.to < 0 || w.to > kLast) {
    w.from = speed < 0.0f ? kLast : 0;
    w.to = speed < 0.0f ? kLast - 1 : 1;
  }
  if (!std::isfinite(w.position)) w.position = m.pointTimes[w.from].load(kRelaxed);
  return w;
}

// Starts segment w.from: the angle and the position snap to its first point.
void snapToPoint(const AngleModulator& m, Walk& w) {
  w.target = angleOfValue(m.pointValues[w.from].load(kRelaxed));
  w.position = m.pointTimes[w.from].load(kRelaxed);
}

// One step forward (step > 0): past point `to` the next segment begins, after the last one
// the first.
void stepForward(const AngleModulator& m, Walk& w, float step) {
  if (w.position > m.pointTimes[w.to].load(kRelaxed)) {
    ++w.from;
    ++w.to;
    if (w.from >= kLast) {
      w.from = 0;
      w.to = 1;
    }
    snapToPoint(m, w);
  } else {
    w.target += m.angleRate[w.from].load(kRelaxed) * step;
    w.position += m.positionScale[w.from].load(kRelaxed) * step;
  }
}

// One step backward (step < 0). The travelled segment runs from point `to` up to point
// `from`; its rate keeps the angle on the envelope while the position falls.
void stepBackward(const AngleModulator& m, Walk& w, float step) {
  if (m.pointTimes[w.to].load(kRelaxed) > w.position) {
    --w.from;
    --w.to;
    if (w.from <= 0) {
      w.from = kLast;
      w.to = kLast - 1;
    }
    snapToPoint(m, w);
  } else {
    w.position += m.positionScale[w.from].load(kRelaxed) * step;
    w.target += m.angleRate[w.to].load(kRelaxed) * step;
  }
}

}  // namespace

AngleModulator::AngleModulator() {
  for (int i = 0; i < kPoints; ++i) {
    pointTimes[i].store(defaultPoint(i), kRelaxed);
    pointValues[i].store(defaultPoint(i), kRelaxed);
    positionScale[i].store(0.0f, kRelaxed);
    angleRate[i].store(0.0f, kRelaxed);
  }
  rebuildSegmentRates();
}

float AngleModulator::followHostTempo(TempoSource* tempo) {
  float speed = lfoSpeed.load(kRelaxed);
  if (!(syncToHost.load(kRelaxed) > kSyncThreshold && tempo)) return speed;
  double beatsPerMinute = 0.0;
  if (!tempo->hostTempo(beatsPerMinute) || !std::isfinite(beatsPerMinute) || beatsPerMinute < 0.0)
    return speed;
  const float beatsPerSecond = static_cast<float>(beatsPerMinute) * kMinutesPerSecond;
  const bool wasStopped = speed == 0.0f;
  speed = speed < 0.0f ? -beatsPerSecond : beatsPerSecond;
  lfoSpeed.store(speed, kRelaxed);
  // Sync starting a stopped LFO: put the angle and the segment on the envelope first,
  // so the run starts where the envelope is instead of at stale segment indices.
  if (wasStopped && speed != 0.0f) placeOnEnvelope();
  return speed;
}

void AngleModulator::advanceModulator(TempoSource* tempo) {
  const int32_t divide = std::max(lfoDivide.load(kRelaxed), int32_t{1});
  const float r = 1.0f / static_cast<float>(divide);
  const float speed = followHostTempo(tempo);

  Walk w = loadWalk(*this, speed);
  if (speed > 0.0f)
    stepForward(*this, w, r * speed);
  else if (speed < 0.0f)
    stepBackward(*this, w, r * speed);

  targetAngle.store(wrapSignedAngle(w.target), kRelaxed);
  lfoPosition.store(w.position, kRelaxed);
  fromPoint.store(static_cast<int16_t>(w.from), kRelaxed);
  toPoint.store(static_cast<int16_t>(w.to), kRelaxed);
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
    // zero or reversed length is crossed without moving the angle by a rate: the crossing
    // itself then sets the angle, so no infinite or NaN step can reach it.
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
