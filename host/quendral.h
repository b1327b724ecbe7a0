// The VST 2.4 plug-in: the adapter between a VST2 host and the format-neutral core. Owns
// one QuendralCore and answers the host through AudioEffectX, translating each opcode
// into the core's call and the core's requests (host time, automation, edit gestures,
// idle) into audioMaster calls. Every rule, mapping and text comes from the core.
// The class name is lower case on purpose: it is the name the plug-in's documentation uses
// (glossary: docs/code-map.md).
#pragma once

#include <cstdint>

#include "audio_effect_x.h"
#include "core_host.h"
#include "quendral_core.h"

namespace panner {

class quendral : public AudioEffectX, public CoreHost {
 public:
  explicit quendral(audioMasterCallback audioMaster);
  ~quendral() override;

  // False when the core could not allocate its programs or buffers; the entry point then
  // hands the host nothing.
  bool constructed() const;

  // Host adapter overrides.
  void suspend() override;
  void resume() override;
  // A rate the core refuses keeps the last good one, which getSampleRate reports.
  void setSampleRate(float rate) override;
  void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
  void process(float** inputs, float** outputs, int32_t sampleFrames) override;
  float getVu() override;
  bool setBypass(bool onOff) override;
  int32_t processEvents(VstEvents* events) override;
  bool getEffectName(char* name) override;
  bool getVendorString(char* text) override;
  bool getProductString(char* text) override;
  int32_t getVendorVersion() override;
  int32_t canDo(char* text) override;
  intptr_t vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) override;

  // Parameters and programs.
  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  void getParameterName(int32_t index, char* text) override;
  void getParameterLabel(int32_t index, char* label) override;
  void getParameterDisplay(int32_t index, char* text) override;
  int32_t getProgram() override;
  void setProgram(int32_t program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  int32_t getChunk(void** data, bool isPreset) override;
  int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

  float getMeter(int32_t index) const { return core.getMeter(index); }
  int32_t getSampleCount() const { return core.getSampleCount(); }
  SpatialEngine& getEngine() { return core.getEngine(); }
  const SpatialEngine& getEngine() const { return core.getEngine(); }
  QuendralCore& getCore() { return core; }

  // CoreHost: the core's requests, answered through audioMaster.
  bool hostTempo(double& beatsPerMinute) override;
  bool hostPosition(double& quarterNotes, bool& playing) override;
  void editBegan(int32_t index) override;
  void editPerformed(int32_t index, float value) override;
  void editEnded(int32_t index) override;
  void idleRequested() override;

 private:
  // What the host's time answer of the current frame said of the song position (audio
  // thread only).
  struct FrameTime {
    bool positionValid = false;
    bool playing = false;
    double quarterNotes = 0.0;
  };
  FrameTime frameTime;
  QuendralCore core;
};

}  // namespace panner
