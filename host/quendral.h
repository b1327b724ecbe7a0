// The plug-in: one mono input, two ear outputs, placed on the horizontal circle by the
// spatial engine. Owns the engine, the block processor and the eight programs; answers the
// host through the adapter classes and gives the editor its parameter and meter accessors.
// The class name is lower case on purpose: it is the name the plug-in's documentation uses
// (glossary: docs/code-map.md).
#pragma once

#include <cstdint>
#include <memory>

#include "audio_effect_x.h"
#include "block_processor.h"
#include "parameters.h"
#include "spatial_engine.h"
#include "tempo_source.h"

namespace panner {

class quendral : public AudioEffectX, public TempoSource {
 public:
  explicit quendral(audioMasterCallback audioMaster);
  ~quendral() override;

  // False when the program array or the engine's buffers could not be allocated; the entry
  // point then hands the host nothing.
  bool constructed() const;

  // Host adapter overrides.
  void suspend() override;
  void resume() override;
  // Prepares the engine for the host's rate; a rate the engine cannot use (not finite, not
  // positive, outside 8 kHz..384 kHz) keeps the last good one, which getSampleRate reports.
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

  // Parameters and programs (also the editor's accessors).
  void setParameter(int32_t index, float value) override;
  float getParameter(int32_t index) override;
  void getParameterName(int32_t index, char* text) override;
  void getParameterLabel(int32_t index, char* label) override;
  void getParameterDisplay(int32_t index, char* text) override;
  void setProgram(int32_t program) override;
  void setProgramName(char* name) override;
  void getProgramName(char* name) override;
  // Program chunks: the bank (all programs, the current one and the live motion) or, with
  // isPreset, the current program. The returned memory stays valid until the next getChunk
  // or the plug-in's destruction.
  int32_t getChunk(void** data, bool isPreset) override;
  int32_t setChunk(void* data, int32_t byteSize, bool isPreset) override;

  // For the editor: 0 input peak, 1 and 2 output peaks of channel 0 and 1, else 0.
  float getMeter(int32_t index) const;
  // Samples handed in by the host since the last suspend.
  int32_t getSampleCount() const;
  SpatialEngine& getEngine() { return engine; }
  const SpatialEngine& getEngine() const { return engine; }

  // The angle modulator's tempo request (audio thread, once per frame while synced).
  bool hostTempo(double& beatsPerMinute) override;

 private:
  // Applies a defined parameter (0 <= index < 23) and keeps it in the current program.
  void applyParameter(int32_t index, float value);
  // The parameters 0..6; false when the value maps to nothing finite (nothing changed).
  bool applyFixedParameter(int32_t index, float value);
  // A point value or time; returns the value applied (a time kept between its neighbours).
  float applyEnvelopePoint(int32_t index, float value);
  float pointTimeBetweenNeighbours(int point, float time) const;
  ProgramRecord* currentRecord();

  SpatialEngine engine;
  BlockProcessor blocks;
  std::unique_ptr<ProgramRecord[]> programs;
  std::unique_ptr<uint8_t[]> savedChunk;  // what getChunk last handed the host
};

}  // namespace panner
