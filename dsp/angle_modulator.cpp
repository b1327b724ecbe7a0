// The modulator walks the envelope segment by segment. Between crossings the angle and the
// position move by the segment's rates times the speed; when the position passes the point
// it is heading for, both snap to that point and the next segment begins. Values are read
// once per call from the atomics and written back once.
#include "angle_modulator.h"

#include <cmath>

#include "engine_constants.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kLast = AngleModulator::kPoints - 1;
// One frame at the reference rate.
constexpr float kFramesPositionStep =
    static_cast<float>(engine::kFrameSize) / engine::kReferenceRate;
constexpr float kSecondsPerMinute = 0.016666668f;

// The shorter way from a to b on a circle of circumference 1; half a turn goes directly.
float circularDifference(float a, float b) {
  const float d = b - a;
  if (d > 0.5f) return d - 1.0f;
  if (-d > 0.5f) return d + 1.0f;
  return d;
}

// Brings a finite angle into -180..+180. Far-out values are reduced with fmod first so that
// the loops stay short; NaN and infinities are left for the filter update to ignore.
float wrapAngle(float angle) {
  if (!std::isfinite(angle)) return angle;
  if (angle > 540.0f || angle < -540.0f) angle = std::fmod(angle, 360.0f);
  while (angle > 180.0f) angle -= 360.0f;
  while (angle < -180.0f) angle += 360.0f;
  return angle;
}

float angleOfValue(float value) { return 360.0f * value - 180.0f; }

}  // namespace

AngleModulator::AngleModulator() {
  for (int i = 0; i < kPoints; ++i) {
    pointTimes[i].store(static_cast<float>(i) / 7.0f, kRelaxed);
    pointValues[i].store(static_cast<float>(i) / 7.0f, kRelaxed);
    positionScale[i].store(kFramesPositionStep, kRelaxed);
    angleRate[i].store(0.0f, kRelaxed);
  }
  rebuildSegmentRates();
}

void AngleModulator::advanceModulator(TempoSource* tempo) {
  int32_t divide = lfoDivide.load(kRelaxed);
  if (divide < 1) divide = 1;
  const float r = 1.0f / static_cast<float>(divide);

  float speed = lfoSpeed.load(kRelaxed);
  if (syncToHost.load(kRelaxed) > 0.5f && tempo) {
    double beatsPerMinute = 0.0;
    if (tempo->hostTempo(beatsPerMinute) && std::isfinite(beatsPerMinute) &&
        beatsPerMinute >= 0.0) {
      const float beatsPerSecond = static_cast<float>(beatsPerMinute) * kSecondsPerMinute;
      const bool wasStopped = speed == 0.0f;
      speed = speed < 0.0f ? -beatsPerSecond : beatsPerSecond;
      lfoSpeed.store(speed, kRelaxed);
      // Sync starting a stopped LFO: put the angle and the segment on the envelope first,
      // so the run starts where the envelope is instead of at stale segment indices.
      if (wasStopped && speed != 0.0f) placeOnEnvelope();
    }
  }

  int from = fromPoint.load(kRelaxed);
  int to = toPoint.load(kRelaxed);
  if (from < 0 || from > kLast || to < 0 || to > kLast) {
    from = speed < 0.0f ? kLast : 0;
    to = speed < 0.0f ? kLast - 1 : 1;
  }
  float position = lfoPosition.load(kRelaxed);
  float target = targetAngle.load(kRelaxed);
  if (!std::isfinite(position)) position = pointTimes[from].load(kRelaxed);

  if (speed > 0.0f) {
    if (position > pointTimes[to].load(kRelaxed)) {
      ++from;
      ++to;
      if (from >= kLast) {
        from = 0;
        to = 1;
      }
      target = angleOfValue(pointValues[from].load(kRelaxed));
      position = pointTimes[from].load(kRelaxed);
    } else {
      const float s = r * speed;
      target += angleRate[from].load(kRelaxed) * s;
      position += positionScale[from].load(kRelaxed) * s;
    }
  } else if (speed < 0.0f) {
    if (pointTimes[to].load(kRelaxed) > position) {
      --from;
      --to;
      if (from <= 0) {
        from = kLast;
        to = kLast - 1;
      }
      target = angleOfValue(pointValues[from].load(kRelaxed));
      position = pointTimes[from].load(kRelaxed);
    } else {
      // The travelled segment runs from point `to` up to point `from`; its rate keeps the
      // angle on the envelope while the position falls.
      const float s = r * speed;
      position += positionScale[from].load(kRelaxed) * s;
      target += angleRate[to].load(kRelaxed) * s;
    }
  }

  targetAngle.store(wrapAngle(target), kRelaxed);
  lfoPosition.store(position, kRelaxed);
  fromPoint.store(static_cast<int16_t>(from), kRelaxed);
  toPoint.store(static_cast<int16_t>(to), kRelaxed);
}

void AngleModulator::rebuildSegmentRates() {
  for (int i = 0; i < kPoints; ++i) {
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
      rate = d / span * 46080.0f / 44100.0f;
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
