// How the angle modulator asks the host for its tempo without knowing any VST type.
#pragma once

namespace panner {

class TempoSource {
 public:
  // Returns true and fills beatsPerMinute when the host reports a valid tempo.
  // Called on the audio thread once per engine frame while tempo sync is on.
  virtual bool hostTempo(double& beatsPerMinute) = 0;

 protected:
  ~TempoSource() = default;
};

}  // namespace panner
