// The angle modulator: an eight-point envelope run as a looping LFO whose value, read as a
// fraction of the circle, becomes the target azimuth.
//
// Every field that a parameter writes (possibly from another thread than the audio thread)
// is a relaxed atomic: single 32-bit values, no locks.
//
// Behaviour beyond the plain envelope walk:
//  - moving backward, the angle steps at the rate of the segment being travelled
//    (angleRate[toPoint]), so it stays on the envelope in both directions;
//  - a segment of zero or negative length gets the rate 0: it is left by a crossing,
//    which sets the angle, so no infinite or NaN step reaches the angle;
//  - when tempo sync starts a stopped LFO, the angle and the segment are first placed on
//    the envelope at the current position;
//  - a divisor below 1 counts as 1, a NaN or negative host tempo is ignored, a huge target
//    is wrapped in one step and segment indices out of 0..7 are reset.
#pragma once

#include <atomic>
#include <cstdint>

#include "tempo_source.h"

namespace panner {

class AngleModulator {
 public:
  static constexpr int kPoints = 8;

  // The envelope every new modulator and every new program starts with: point i at time and
  // value i / 7, a straight rise once round the circle.
  static constexpr float defaultPoint(int i) {
    return static_cast<float>(i) / static_cast<float>(kPoints - 1);
  }

  AngleModulator();

  // Once per engine frame, on the audio thread (from the filter update). samplesIntoBlock:
  // where this frame ends in the host block being processed, in samples after the block's
  // first sample (the block processor knows it; 0 for a frame that ends where the block
  // starts). Only a song position from the host needs it.
  void advanceModulator(TempoSource* tempo, int32_t samplesIntoBlock = 0);
  // After any change of the envelope, angle, speed or position.
  void rebuildSegmentRates();
  // After a change of position, speed or envelope: puts targetAngle on the envelope.
  void placeOnEnvelope();
  // The host's sample rate, so that speeds hold in cycles per second; rebuilds the rates.
  void setSampleRate(float rate);

  std::atomic<float> targetAngle{0.0f};  // degrees, -180..+180 after each advance
  std::atomic<float> syncToHost{0.0f};   // raw "midi lfo tempo" value; sync while > 0.5
  std::atomic<float> lfoPosition{0.0f};  // 0..1
  std::atomic<float> lfoSpeed{0.0f};     // envelope cycles per second; 0 = stopped
  std::atomic<int32_t> lfoDivide{1};     // 1..11
  std::atomic<float> pointTimes[kPoints];
  std::atomic<float> pointValues[kPoints];
  std::atomic<float> positionScale[kPoints];
  std::atomic<float> angleRate[kPoints];
  std::atomic<int16_t> fromPoint{0};
  std::atomic<int16_t> toPoint{1};
  std::atomic<float> sampleRate{44100.0f};  // samples per second: a frame lasts 128 of them

 private:
  struct HostClock;
  // The speed for this frame: lfoSpeed, first set from the host's tempo (keeping its
  // direction) while synced and the host reports a usable tempo.
  float followHostTempo(TempoSource* tempo, HostClock& clock);
  // The envelope position the song position gives this frame; false when the LFO is not
  // locked to it now (not synced, stopped, no position or the transport stopped).
  bool songPosition(TempoSource* tempo, const HostClock& clock, float speed,
                    int32_t samplesIntoBlock, double& position);
  // Puts targetAngle, lfoPosition and the segment indices at `position` (0 <= p < 1),
  // travelling in the direction of `speed`.
  void standAt(double position, int lowerPoint, float speed);

  // Audio thread only: the running position in double precision and the lfoPosition value
  // last written with it; a different lfoPosition was written by a parameter and is taken.
  double runningPosition_ = 0.0;
  float writtenPosition_ = 0.0f;
};

}  // namespace panner
