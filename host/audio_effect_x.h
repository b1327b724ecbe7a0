// AudioEffectX: the 2.x extensions of the host adapter. Handles dispatcher opcodes 25 and
// above with the interface's default answers, and adds the 2.x calls to the host.
#pragma once

#include "audio_effect.h"

namespace panner {

class AudioEffectX : public AudioEffect {
 public:
  using AudioEffect::AudioEffect;

  intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;

  virtual int32_t processEvents(VstEvents* /*events*/) { return 0; }
  virtual bool canParameterBeAutomated(int32_t /*index*/) { return true; }
  virtual bool string2parameter(int32_t /*index*/, char* /*text*/) { return false; }
  virtual bool getProgramNameIndexed(int32_t /*category*/, int32_t /*index*/, char* /*text*/) {
    return false;
  }
  virtual bool getParameterProperties(int32_t /*index*/, void* /*properties*/) { return false; }
  virtual int32_t getPlugCategory() { return kPlugCategUnknown; }
  virtual bool setBypass(bool /*onOff*/) { return false; }
  virtual bool getEffectName(char* /*name*/) { return false; }
  virtual bool getVendorString(char* /*text*/) { return false; }
  virtual bool getProductString(char* /*text*/) { return false; }
  virtual int32_t getVendorVersion() { return 0; }
  // 1 for a capability the plug-in has, -1 for one it lacks, 0 when it does not know.
  virtual int32_t canDo(char* /*text*/) { return 0; }
  // A host's or tool's own request (effVendorSpecific): 0 for one this plug-in does not know.
  virtual intptr_t vendorSpecific(int32_t /*index*/, intptr_t /*value*/, void* /*ptr*/,
                                  float /*opt*/) {
    return 0;
  }
  virtual int32_t getTailSize() { return 0; }
  virtual int32_t getVstVersion() { return 2400; }

  // Host time for the given kVstTimeInfoFlags mask; null without a host or an answer.
  virtual VstTimeInfo* getTimeInfo(int32_t filter);
};

}  // namespace panner
