#include "quendral.h"

#include <cstring>
#include <new>

#include "aeff_editor.h"
#include "editor_factory.h"
#include "state_chunk.h"
#include "text_format.h"

namespace panner {

namespace {
// The four bytes of the plug-in's identifier, lowest address first.
constexpr char kUniqueIdBytes[4] = {'k', 'T', 'z', 'q'};

int32_t uniqueIdFromBytes() {
  int32_t id = 0;
  std::memcpy(&id, kUniqueIdBytes, sizeof id);
  return id;
}
}  // namespace

quendral::quendral(audioMasterCallback host)
    : AudioEffectX(host, kNumPrograms, kNumParams),
      blocks(engine),
      programs(new (std::nothrow) ProgramRecord[kNumPrograms]),
      savedChunk(new (std::nothrow) uint8_t[chunk::kMaxChunkSize]) {
  setInitialDelay(engine::kLatencySamples);
  setNumInputs(1);
  setNumOutputs(2);
  canProcessReplacing(true);
  programsAreChunks(true);
  setUniqueID(uniqueIdFromBytes());

  // Only an open editor reads the display spectra: it asks for them once per refresh.
  engine.publishDisplayOnRequest();
  if (programs) setProgram(0);
  engine.filterUpdate(this);
  setBypass(false);
  suspend();
  setEditor(createPluginEditor(*this));
}

// The editor goes first: it reads the engine and the parameters until it is gone.
quendral::~quendral() { setEditor(nullptr); }

bool quendral::constructed() const {
  return programs != nullptr && savedChunk != nullptr && engine.initialised();
}

void quendral::suspend() { blocks.suspend(); }

void quendral::setSampleRate(float rate) {
  if (engine.setSampleRate(rate)) AudioEffectX::setSampleRate(rate);
}

// Processing simply continues where it stopped: nothing to restart, and no MIDI request.
void quendral::resume() {}

void quendral::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
  blocks.processBlock(inputs ? inputs[0] : nullptr, outputs ? outputs[0] : nullptr,
                      outputs ? outputs[1] : nullptr, sampleFrames, BlockProcessor::Mode::kReplace,
                      this);
}

void quendral::process(float** inputs, float** outputs, int32_t sampleFrames) {
  blocks.processBlock(inputs ? inputs[0] : nullptr, outputs ? outputs[0] : nullptr,
                      outputs ? outputs[1] : nullptr, sampleFrames,
                      BlockProcessor::Mode::kAccumulate, this);
}

float quendral::getVu() { return blocks.vuLevel(); }

bool quendral::setBypass(bool onOff) {
  blocks.setBypass(onOff);
  return onOff;
}

float quendral::getMeter(int32_t index) const { return blocks.meter(index); }
int32_t quendral::getSampleCount() const { return blocks.samplesSinceSuspend(); }

bool quendral::getEffectName(char* name) {
  copyText(name, "+quendral", kVstMaxEffectNameLen);
  return true;
}

bool quendral::getVendorString(char* text) {
  copyText(text, "Quillmoor", kVstMaxVendorStrLen);
  return true;
}

bool quendral::getProductString(char* text) {
  copyText(text, "Quillmoor Quendral Filter", kVstMaxProductStrLen);
  return true;
}

int32_t quendral::getVendorVersion() { return 1; }

int32_t quendral::canDo(char* text) {
  if (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0)
    return 1;
  return -1;
}

}  // namespace panner
