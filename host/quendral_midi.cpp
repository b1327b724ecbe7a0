// MIDI control changes and the host tempo request.
#include "quendral.h"

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

// Control changes on any channel reach their parameter at once, through setParameter, so
// the host is not told. Every other event, and anything the host left out, is skipped.
int32_t quendral::processEvents(VstEvents* events) {
  if (!events) return 1;
  VstEvent* const* list = vstEventPointers(events);
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (!event || event->type != kVstMidiType) continue;
    const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
    const auto status = static_cast<unsigned char>(midi->midiData[0]);
    if ((status & 0xF0) != 0xB0) continue;
    const int32_t index = parameterForController(static_cast<unsigned char>(midi->midiData[1]));
    if (index < 0) continue;
    setParameter(index, static_cast<float>(midi->midiData[2] & 0x7F) * kControllerScale);
  }
  return 1;
}

bool quendral::hostTempo(double& beatsPerMinute) {
  const VstTimeInfo* time = getTimeInfo(kVstTempoValid);
  if (!time || !(time->flags & kVstTempoValid)) return false;
  beatsPerMinute = time->tempo;
  return true;
}

}  // namespace panner
