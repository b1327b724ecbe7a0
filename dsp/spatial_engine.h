// The spatial filter engine: per 128-sample frame it updates the filter pair for the
// current azimuth and convolves the frame with both slots' filters, crossfading between
// them. The block processor owns the frame buffers and calls convolutionFrame once per
// complete frame.
//
// Bad input has a defined outcome: NaN samples are silenced before they reach the filters
// (so they never reach a later frame), a NaN or infinite target angle leaves the azimuth where it
// is, and a non-finite output gain keeps the last finite one. Denormals are flushed during a frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "angle_modulator.h"
#include "convolution_steps.h"
#include "engine_constants.h"
#include "head_rotation.h"
#include "tempo_source.h"

namespace panner {

struct ResponseSetDescriptor;
class ResponseTables;
struct OwnResponseSet;

class SpatialEngine {
 public:
  SpatialEngine();
  ~SpatialEngine();
  SpatialEngine(const SpatialEngine&) = delete;
  SpatialEngine& operator=(const SpatialEngine&) = delete;

  // False when a buffer could not be allocated; the engine then produces silence.
  bool initialised() const;

  // Prepares the response sets for `rate` samples per second and times the glide and the
  // modulator in seconds at that rate. Allocates: call it while the host has processing
  // suspended (as hosts do), never on the audio thread; the next frame switches over, its
  // filter history starting from silence. A rate that is not finite or lies outside
  // 8 kHz..384 kHz, or tables that cannot be allocated, change nothing and return false:
  // the last good rate stays.
  bool setSampleRate(double rate);
  double sampleRate() const;  // the rate the engine is prepared for (44100 at first)

  // A user's own response set (own_response_set.h), or null for none. Prepares it for the
  // engine's rate (allocates, and takes up to a second for long responses at high rates:
  // never on the audio thread, which it never makes wait) and hands it over with one atomic
  // store; from the next frame on it plays while useOwnSet is on, crossfaded like any set
  // change, and setSampleRate prepares it for a new rate too. False when its tables could
  // not be made (memory ran out): then nothing changes. Not the audio thread.
  bool setOwnResponseSet(std::shared_ptr<const OwnResponseSet> set);
  std::shared_ptr<const OwnResponseSet> ownResponseSet() const;
  // Whether the last frame played the own set (useOwnSet on and a set installed).
  bool ownSetPlaying() const;

  // Chooses the set, advances the modulator, slews the angle and refills one filter slot.
  // samplesIntoBlock: where the frame ends in the host block being processed (see
  // AngleModulator::advanceModulator).
  void filterUpdate(TempoSource* tempo, int32_t samplesIntoBlock = 0);
  // One frame: filter update, convolution, crossfade. Reads kFrameSize samples from
  // inFrame and writes kFrameSize samples to each output frame. Audio thread only.
  void convolutionFrame(const float* inFrame, float* outFrame0, float* outFrame1,
                        TempoSource* tempo, int32_t samplesIntoBlock = 0);
  // Clears the spectra the editor shows (part of suspend); the next request is served at
  // once.
  void clearDisplaySpectra();
  // Forgets the input before the next frame (the window and its delay line), so that frame
  // sounds only its own input: no filter tails of earlier input. Audio thread only.
  void clearTails();

  // The display arrays follow every frame until publishDisplayOnRequest is called; from then
  // on a frame publishes them only when requestDisplayUpdate (any thread) was called since
  // the last publication, and at most once per kDisplayFramesApart frames at 44.1 kHz (the
  // same time apart at other rates: some 25 times a second, whatever the refresh rate, so
  // that the display costs the audio thread a few percent at most). The plug-in works that way: its
  // editor asks once per refresh while it is open, and with no editor open nothing is published.
  void publishDisplayOnRequest();
  void requestDisplayUpdate();
  static constexpr int kDisplayFramesApart = 14;
  // Makes the next filter update continue from `degrees` (0 <= a < 360) instead of the
  // azimuth in use, as a restored project does. Any thread: the audio thread takes the
  // value at its next filter update.
  void restoreCurrentAngle(float degrees);

  // Read-only views for the editor's response display; safe to read from any thread.
  // Each array holds kFftSize values in half-complex order.
  const std::atomic<float>* displayInSpectrum() const;
  const std::atomic<float>* displayOutSpectrum(int channel) const;     // slot A's products
  const std::atomic<float>* displayFilterSpectrum(int channel) const;  // slot A's filters
  const float* activeSetGain() const;  // address of the gain factor of the set in use
  float currentAngleDegrees() const;   // azimuth used for filtering, 0 <= a < 360
  // Elevation used for filtering, -90..90 degrees (0 on the horizontal plane, +90 overhead).
  float currentElevationDegrees() const;
  // Makes the next filter update continue from `degrees` (-90..90) instead of the elevation
  // in use, as a restored project does. Any thread.
  void restoreCurrentElevation(float degrees);

  // Written by the parameters (any thread), read once per frame by the audio thread.
  std::atomic<int32_t> filterSet{0};
  std::atomic<bool> useOwnSet{false};  // the own set instead of the one filterSet chooses
  std::atomic<float> outGain{1.0f};
  // Where the source should be above (+) or below (-) the horizontal plane, degrees
  // -90..90. The elevation in use glides toward it at the angle's rate; values beyond the
  // range are confined to it and NaN or infinities leave the elevation where it is.
  std::atomic<float> targetElevation{0.0f};
  // The listener's head (packHead, head_rotation.h), read whole once per frame: the filters
  // serve the source's direction turned by the head's inverse, so the source stays where it
  // is in the room when the head turns. Taken at once, without a glide (the head's movement
  // is the listener's own); every frame is still crossfaded. Straight ahead leaves the
  // direction untouched.
  std::atomic<uint64_t> headOrientation{kHeadStraightAhead};
  AngleModulator modulator;

 private:
  struct State;
  // Builds the filters for the current azimuth from `set` into the two paths of one slot.
  void fillSlot(const ResponseSetDescriptor& set, int path0, int path1);
  void startTables(const ResponseTables& tables);
  void adoptOwnTables();
  void publishDisplay();
  State* state;
};

}  // namespace panner
