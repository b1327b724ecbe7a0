#include "audio_effect.h"

#include "aeff_editor.h"

#include <algorithm>

namespace panner {

namespace {

AudioEffect* objectOf(AEffect* effect) {
  return effect ? static_cast<AudioEffect*>(effect->object) : nullptr;
}

intptr_t VST_CALL dispatchEntry(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                void* ptr, float opt) {
  AudioEffect* object = objectOf(effect);
  if (!object) return 0;
  if (opcode == effClose) {
    object->dispatcher(opcode, index, value, ptr, opt);
    delete object;
    return 1;
  }
  return object->dispatcher(opcode, index, value, ptr, opt);
}

void VST_CALL processEntry(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
  if (AudioEffect* object = objectOf(effect)) object->process(inputs, outputs, frames);
}

void VST_CALL processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                    int32_t frames) {
  if (AudioEffect* object = objectOf(effect)) object->processReplacing(inputs, outputs, frames);
}

void VST_CALL processDoubleReplacingEntry(AEffect* effect, double** inputs, double** outputs,
                                          int32_t frames) {
  if (AudioEffect* object = objectOf(effect))
    object->processDoubleReplacing(inputs, outputs, frames);
}

void VST_CALL setParameterEntry(AEffect* effect, int32_t index, float value) {
  if (AudioEffect* object = objectOf(effect)) object->setParameter(index, value);
}

float VST_CALL getParameterEntry(AEffect* effect, int32_t index) {
  AudioEffect* object = objectOf(effect);
  return object ? object->getParameter(index) : 0.0f;
}

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback host, int32_t programs, int32_t params)
    : audioMaster(host), numPrograms(programs), numParams(params) {
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = dispatchEntry;
  cEffect.process = processEntry;
  cEffect.setParameter = setParameterEntry;
  cEffect.getParameter = getParameterEntry;
  cEffect.numPrograms = programs;
  cEffect.numParams = params;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.flags = 0;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.user = nullptr;
  cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
  cEffect.version = 1;
  cEffect.processReplacing = processReplacingEntry;
  cEffect.processDoubleReplacing = processDoubleReplacingEntry;
}

AudioEffect::~AudioEffect() { delete editor; }

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
  switch (opcode) {
    case effOpen:
      open();
      return 0;
    case effClose:
      close();
      return 0;
    case effSetProgram:
      if (value >= 0 && value < numPrograms) setProgram(static_cast<int32_t>(value));
      return 0;
    case effGetProgram:
      return getProgram();
    case effSetProgramName:
      if (ptr) setProgramName(static_cast<char*>(ptr));
      return 0;
    case effGetProgramName:
      if (ptr) getProgramName(static_cast<char*>(ptr));
      return 0;
    case effGetParamLabel:
      if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
      return 0;
    case effGetParamDisplay:
      if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
      return 0;
    case effGetParamName:
      if (ptr) getParameterName(index, static_cast<char*>(ptr));
      return 0;
    case effGetVu: {
      // The level of a huge finite input can exceed what the integer answer holds (or be
      // infinite); the answer is confined to the range a float level of 0..65536 gives.
      const float level = getVu();
      if (!(level > 0.0f)) return 0;
      return static_cast<intptr_t>(std::min(level, 65536.0f) * 32767.0f);
    }
    case effSetSampleRate:
      setSampleRate(opt);
      return 0;
    case effSetBlockSize:
      setBlockSize(static_cast<int32_t>(value));
      return 0;
    case effMainsChanged:
      if (value == 0)
        suspend();
      else
        resume();
      return 0;
    case effEditGetRect:
      if (!editor || !ptr) return 0;
      return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
      return editor && editor->open(ptr) ? 1 : 0;
    case effEditClose:
      if (editor) editor->close();
      return 0;
    case effEditIdle:
      if (editor) editor->idle();
      return 0;
    case effIdentify:
      return kEffectIdentifyAnswer;
    case effGetChunk:
      return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
      // A size that does not fit the interface's 32-bit sizes cannot be a chunk.
      if (!ptr || value < 0 || value > INT32_MAX) return 0;
      return setChunk(ptr, static_cast<int32_t>(value), index != 0);
    default:
      return 0;
  }
}

void AudioEffect::setParameterAutomated(int32_t index, float value) {
  setParameter(index, value);
  callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::canProcessReplacing(bool state) {
  if (state)
    cEffect.flags |= effFlagsCanReplacing;
  else
    cEffect.flags &= ~effFlagsCanReplacing;
}

void AudioEffect::programsAreChunks(bool state) {
  if (state)
    cEffect.flags |= effFlagsProgramChunks;
  else
    cEffect.flags &= ~effFlagsProgramChunks;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
  if (newEditor != editor) delete editor;
  editor = newEditor;
  if (editor)
    cEffect.flags |= effFlagsHasEditor;
  else
    cEffect.flags &= ~effFlagsHasEditor;
}

int32_t AudioEffect::getMasterVersion() {
  return static_cast<int32_t>(callHost(audioMasterVersion));
}
int32_t AudioEffect::getCurrentUniqueId() {
  return static_cast<int32_t>(callHost(audioMasterCurrentId));
}
void AudioEffect::masterIdle() { callHost(audioMasterIdle); }
bool AudioEffect::beginEdit(int32_t index) { return callHost(audioMasterBeginEdit, index) != 0; }
bool AudioEffect::endEdit(int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                               float opt) {
  return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

bool AudioEffect::sizeWindow(int32_t width, int32_t height) {
  return callHost(audioMasterSizeWindow, width, height) != 0;
}

}  // namespace panner
