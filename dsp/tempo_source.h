// How the angle modulator asks the host for its tempo and song position without knowing
// any plug-in format's types.
#pragma once

namespace panner {

class TempoSource {
 public:
  // Returns true and fills beatsPerMinute when the host reports a valid tempo.
  // Called on the audio thread once per engine frame while tempo sync is on.
  virtual bool hostTempo(double& beatsPerMinute) = 0;

  // Returns true when the host reports a valid musical position: quarterNotes is the song
  // position at the first sample of the host block being processed (the block of the
  // current BlockProcessor::processBlock call), and playing whether its transport runs.
  // Called on the audio thread once per engine frame while tempo sync is on, after
  // hostTempo; the engine works out each frame's position within the block itself.
  virtual bool hostPosition(double& quarterNotes, bool& playing) {
    (void)quarterNotes;
    (void)playing;
    return false;
  }

 protected:
  ~TempoSource() = default;
};

}  // namespace panner
