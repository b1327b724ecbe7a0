// The angle modulator: an eight-point envelope run as a looping LFO whose value, read as a
// fraction of the circle, becomes the target azimuth.
//
// Every field that a parameter writes (possibly from another thread than the audio thread)
// is a relaxed atomic: single 32-bit values, no locks.
//
// Time keeping:
//  - a running LFO keeps its position in double precision and advances it by exactly one
//    frame's share each frame; a step that passes a point carries its remaining time into
//    the next segment, so a cycle lasts 1 / speed seconds at every sample rate. The angle
//    is the envelope's value at the position (the segment's start value plus its rate
//    times the time into it) in both directions, so sync starting a stopped LFO also
//    starts it on the envelope;
//  - tempo sync locked to the song: while "midi lfo tempo" is on, the LFO runs and the
//    host reports its musical position with the transport playing, the position is
//    frac(beats / lfoDivide) at each frame (frac(-beats / lfoDivide) running backward),
//    whatever it was before. A frame's angle belongs to the song position of the sample
//    that follows its last input sample: the frame's filters are built once its 128
//    samples are in, and the crossfade reaches them at the frame's end. When playback
//    starts (the first locked frame) the angle in use takes the song's angle at once, so
//    playback from any bar sounds as that bar does in playback from the song's start; a
//    jump of the song position while it plays (a loop) is followed at the glide's pace.
//    With the transport stopped or no position reported, a synced LFO runs at the host's
//    tempo from where it stands;
//  - lfoPosition always shows the position in use, so "lfo position" reads the locked
//    position; setting it (or "angle") stops the LFO as ever, and the sync starts it again
//    forward at the next frame, where the song position takes over;
//  - a segment of zero or negative length gets the rate 0 and is passed without taking
//    time, so no infinite or NaN step can reach the angle;
//  - a divisor below 1 counts as 1, a NaN or negative host tempo or a NaN song position is
//    ignored, a huge target is wrapped in one step and segment indices out of 0..7 are
//    reset.
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
  // starts). Only a song position from the host needs it. Returns true on the first frame
  // locked to the song position after frames that were not (the transport has just
  // started): the angle in use should then be the target at once, without the glide.
  bool advanceModulator(TempoSource* tempo, int32_t samplesIntoBlock = 0);
  // After any change of the envelope, angle, speed or position.
  void rebuildSegmentRates();
  // After a change of position, speed or envelope: puts targetAngle on the envelope.
  void placeOnEnvelope();
  // The host's sample rate, so that speeds hold in cycles per second; rebuilds the rates.
  void setSampleRate(float rate);

  std::atomic<float> targetAngle{0.0f};  // degrees, -180..+180 after each advance
  std::atomic<float> syncToHost{0.0f};   // raw "midi lfo tempo" value; sync while > 0.5
  std::atomic<float> lfoPosition{0.0f};  // 0..1
  // The running position minus lfoPosition (the modulator runs in double precision):
  // written with lfoPosition by the audio thread, so a saved project can carry the exact
  // position. Whoever writes lfoPosition from outside writes this first (0 for a plain
  // parameter value).
  std::atomic<float> lfoPositionResidual{0.0f};
  std::atomic<float> lfoSpeed{0.0f};  // envelope cycles per second; 0 = stopped
  std::atomic<int32_t> lfoDivide{1};  // 1..11
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
  // The residual written with a new lfoPosition `shown`, where it is finite and no larger
  // than the rounding of a float position; 0 otherwise.
  double residualAfter(float shown) const;

  // Audio thread only: the running position in double precision and the lfoPosition value
  // last written with it; a different lfoPosition was written by a parameter and is taken.
  double runningPosition_ = 0.0;
  float writtenPosition_ = 0.0f;
  bool locked_ = false;  // the last frame took its position from the song
};

}  // namespace panner
