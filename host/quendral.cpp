#include "quendral.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "editor/panel_editor.h"
#include "own_set_file_extension.h"
#include "plugin_identity.h"
#include "quendral_editor.h"
#include "text_format.h"

namespace panner {

quendral::quendral(audioMasterCallback host)
    : AudioEffectX(host, kNumPrograms, kNumParams), core(this) {
  setInitialDelay(identity::kLatencySamples);
  setNumInputs(identity::kNumInputs);
  setNumOutputs(identity::kNumOutputs);
  canProcessReplacing(true);
  programsAreChunks(true);
  setUniqueID(identity::uniqueId());
  if (PanelEditor* panel = core.editor()) setEditor(new quendraleditor(this, *panel));
}

// The editor goes first: it shows the core's panel until it is gone.
quendral::~quendral() { setEditor(nullptr); }

bool quendral::constructed() const { return core.constructed(); }

void quendral::suspend() { core.suspend(); }

void quendral::setSampleRate(float rate) {
  if (core.setSampleRate(rate)) AudioEffectX::setSampleRate(rate);
}

// Processing simply continues where it stopped: nothing to restart, and no MIDI request.
void quendral::resume() {}

void quendral::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
  core.processReplacing(inputs ? inputs[0] : nullptr, outputs ? outputs[0] : nullptr,
                        outputs ? outputs[1] : nullptr, sampleFrames);
}

void quendral::process(float** inputs, float** outputs, int32_t sampleFrames) {
  core.processAccumulating(inputs ? inputs[0] : nullptr, outputs ? outputs[0] : nullptr,
                           outputs ? outputs[1] : nullptr, sampleFrames);
}

float quendral::getVu() { return core.getVu(); }

bool quendral::setBypass(bool onOff) {
  core.setBypass(onOff);
  return onOff;
}

// Every MIDI event goes to the core, which knows which controller moves what; other event
// kinds, and anything the host left out, are skipped.
int32_t quendral::processEvents(VstEvents* events) {
  if (!events) return 1;
  VstEvent* const* list = vstEventPointers(events);
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (!event || event->type != kVstMidiType) continue;
    const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
    core.midiMessage(static_cast<uint8_t>(midi->midiData[0]),
                     static_cast<uint8_t>(midi->midiData[1]),
                     static_cast<uint8_t>(midi->midiData[2]));
  }
  return 1;
}

bool quendral::getEffectName(char* name) {
  copyText(name, identity::kEffectName, kVstMaxEffectNameLen);
  return true;
}

bool quendral::getVendorString(char* text) {
  copyText(text, identity::kVendor, kVstMaxVendorStrLen);
  return true;
}

bool quendral::getProductString(char* text) {
  copyText(text, identity::kProduct, kVstMaxProductStrLen);
  return true;
}

int32_t quendral::getVendorVersion() { return identity::kVendorVersion; }

// quendral's own tools hand the plug-in a SOFA file, or ask for the own set in place, in a
// buffer of `value` bytes at ptr (own_set_file_extension.h).
intptr_t quendral::vendorSpecific(int32_t index, intptr_t value, void* ptr, float) {
  if (!ptr || value <= 0 || value > INT32_MAX) return 0;
  char* buffer = static_cast<char*>(ptr);
  const auto capacity = static_cast<uint32_t>(value);
  if (index == own_set_file::kVst2LoadIndex) {
    buffer[capacity - 1] = '\0';
    const std::string path = buffer;
    return core.loadOwnSetFile(path.c_str(), buffer, capacity) ? 1 : -1;
  }
  if (index == own_set_file::kVst2DescribeIndex) {
    core.describeOwnSet(buffer, capacity);
    return 1;
  }
  return 0;
}

int32_t quendral::canDo(char* text) {
  if (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0)
    return 1;
  return -1;
}

void quendral::setParameter(int32_t index, float value) { core.setParameter(index, value); }
float quendral::getParameter(int32_t index) { return core.getParameter(index); }
void quendral::getParameterName(int32_t index, char* text) { core.getParameterName(index, text); }
void quendral::getParameterLabel(int32_t index, char* label) {
  core.getParameterLabel(index, label);
}
void quendral::getParameterDisplay(int32_t index, char* text) {
  core.getParameterDisplay(index, text);
}

int32_t quendral::getProgram() { return core.getProgram(); }
void quendral::setProgram(int32_t program) { core.setProgram(program); }
void quendral::setProgramName(char* name) { core.setProgramName(name); }
void quendral::getProgramName(char* name) { core.getProgramName(name); }
int32_t quendral::getChunk(void** data, bool isPreset) { return core.getChunk(data, isPreset); }
int32_t quendral::setChunk(void* data, int32_t byteSize, bool isPreset) {
  return core.setChunk(data, byteSize, isPreset);
}

// One time request per frame: the tempo and the song position come in the same answer, and
// hostPosition (asked right after hostTempo in the same frame) reads what it kept.
bool quendral::hostTempo(double& beatsPerMinute) {
  const VstTimeInfo* time = getTimeInfo(kVstTempoValid | kVstPpqPosValid);
  frameTime.positionValid = time && (time->flags & kVstPpqPosValid);
  frameTime.quarterNotes = frameTime.positionValid ? time->ppqPos : 0.0;
  frameTime.playing = time && (time->flags & kVstTransportPlaying);
  if (!time || !(time->flags & kVstTempoValid)) return false;
  beatsPerMinute = time->tempo;
  return true;
}

// The host's musical position at the first sample of the block it is processing, from the
// answer hostTempo took for this frame.
bool quendral::hostPosition(double& quarterNotes, bool& playing) {
  if (!frameTime.positionValid) return false;
  quarterNotes = frameTime.quarterNotes;
  playing = frameTime.playing;
  return true;
}

void quendral::editBegan(int32_t index) { beginEdit(index); }
void quendral::editPerformed(int32_t index, float value) {
  callHost(audioMasterAutomate, index, 0, nullptr, value);
}
void quendral::editEnded(int32_t index) { endEdit(index); }
void quendral::idleRequested() { masterIdle(); }

}  // namespace panner
