// MIDI control changes: which controller moves which parameter.
#include "quendral_core.h"

namespace panner {

namespace {
constexpr float kControllerScale = 1.0f / 128.0f;  // 0..127 to 0 .. 127/128

int32_t parameterForController(int controller) {
  switch (controller) {
    case 10:  // pan
      return kParamAngle;
    case 7:  // channel volume
      return kParamGain;
    case 12:  // effect control 1
      return kParamLfoSpeed;
    case 13:  // effect control 2
      return kParamLfoPosition;
    default:
      return -1;
  }
}
}  // namespace

int32_t QuendralCore::midiControllerParameter(int32_t controller) const {
  return parameterForController(controller);
}

bool QuendralCore::midiControllerTaken(int32_t controller) const {
  return parameterForController(controller) >= 0 || HeadTracker::isTrackerController(controller);
}

// Control changes on any channel reach their parameter at once, through setParameter, so
// the host is not told.
void QuendralCore::midiMessage(uint8_t status, uint8_t data1, uint8_t data2) {
  if ((status & 0xF0) != 0xB0) return;
  if (tracker.controlChange(data1 & 0x7F, data2 & 0x7F)) return;
  const int32_t index = midiControllerParameter(data1);
  if (index < 0) return;
  setParameter(index, static_cast<float>(data2 & 0x7F) * kControllerScale);
}

}  // namespace panner
