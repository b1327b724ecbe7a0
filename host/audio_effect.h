// AudioEffect: the host adapter's base. It fills the AEffect record the host sees, routes
// the host's calls (dispatcher opcodes below 25, processing, parameters) to virtual
// operations with the interface's default answers, and wraps the calls back to the host.
#pragma once

#include <atomic>
#include <cstdint>

#include "vst_abi.h"

namespace panner {

class AEffEditor;

class AudioEffect {
 public:
  AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
  virtual ~AudioEffect();
  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  // Handles opcodes 0..24; AudioEffectX overrides it for the 2.x extensions.
  virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

  virtual void open() {}
  virtual void close() {}
  virtual void suspend() {}
  virtual void resume() {}

  virtual void setSampleRate(float rate) { sampleRate.store(rate, std::memory_order_relaxed); }
  virtual void setBlockSize(int32_t size) { blockSize.store(size, std::memory_order_relaxed); }

  virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) = 0;
  virtual void process(float** /*inputs*/, float** /*outputs*/, int32_t /*sampleFrames*/) {}
  virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/,
                                      int32_t /*sampleFrames*/) {}

  virtual void setParameter(int32_t /*index*/, float /*value*/) {}
  virtual float getParameter(int32_t /*index*/) { return 0.0f; }
  // A user edit from the editor: applies the value, then tells the host.
  virtual void setParameterAutomated(int32_t index, float value);

  virtual int32_t getProgram() { return curProgram.load(std::memory_order_relaxed); }
  virtual void setProgram(int32_t program) { curProgram.store(program, std::memory_order_relaxed); }
  virtual void setProgramName(char* /*name*/) {}
  virtual void getProgramName(char* name) { name[0] = 0; }

  virtual void getParameterLabel(int32_t /*index*/, char* label) { label[0] = 0; }
  virtual void getParameterDisplay(int32_t /*index*/, char* text) { text[0] = 0; }
  virtual void getParameterName(int32_t /*index*/, char* text) { text[0] = 0; }

  virtual float getVu() { return 0.0f; }
  // The state as bytes in *data (the bank, or with isPreset the current program); returns
  // the size, 0 when there are no chunks.
  virtual int32_t getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
  // Restores a chunk from getChunk; 1 when applied, 0 when refused.
  virtual int32_t setChunk(void* /*data*/, int32_t /*byteSize*/, bool /*isPreset*/) { return 0; }

  // Set-up, used by the plug-in's constructor.
  virtual void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
  virtual void setNumInputs(int32_t count) { cEffect.numInputs = count; }
  virtual void setNumOutputs(int32_t count) { cEffect.numOutputs = count; }
  virtual void canProcessReplacing(bool state);
  // Sets effFlagsProgramChunks: the host saves and restores state through getChunk/setChunk.
  virtual void programsAreChunks(bool state);
  virtual void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }
  // Takes ownership of the editor (or clears it) and sets effFlagsHasEditor accordingly.
  virtual void setEditor(AEffEditor* newEditor);

  virtual AEffect* getAeffect() { return &cEffect; }
  virtual AEffEditor* getEditor() { return editor; }
  virtual float getSampleRate() { return sampleRate.load(std::memory_order_relaxed); }
  virtual int32_t getBlockSize() { return blockSize.load(std::memory_order_relaxed); }

  // Calls to the host; each answers 0 when there is no host callback.
  virtual int32_t getMasterVersion();
  virtual int32_t getCurrentUniqueId();
  virtual void masterIdle();
  virtual bool beginEdit(int32_t index);
  virtual bool endEdit(int32_t index);
  // Asks the host to give the editor's window this size (audioMasterSizeWindow).
  virtual bool sizeWindow(int32_t width, int32_t height);

 protected:
  intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);

  audioMasterCallback audioMaster = nullptr;
  AEffEditor* editor = nullptr;
  std::atomic<float> sampleRate{44100.0f};
  std::atomic<int32_t> blockSize{1024};
  int32_t numPrograms = 0;
  int32_t numParams = 0;
  std::atomic<int32_t> curProgram{0};
  AEffect cEffect{};
};

}  // namespace panner
