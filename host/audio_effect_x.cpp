#include "audio_effect_x.h"

#include "aeff_editor.h"

namespace panner {

namespace {
// The host passes the key's modifier bits in the float argument. Anything that is not a
// byte's value (a NaN, a negative or huge number) carries no modifiers.
unsigned char modifierKeys(float opt) {
  return opt >= 0.0f && opt < 256.0f ? static_cast<unsigned char>(opt) : 0;
}
}  // namespace

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
  if (opcode < effProcessEvents) return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  switch (opcode) {
    case effProcessEvents:
      return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated:
      return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter:
      return ptr && string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProgramNameIndexed:
      return ptr && getProgramNameIndexed(static_cast<int32_t>(value), index,
                                          static_cast<char*>(ptr))
                 ? 1
                 : 0;
    case effConnectInput:
    case effConnectOutput:
      return 1;
    case effGetPlugCategory:
      return getPlugCategory();
    case effSetBypass:
      return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName:
      return ptr && getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString:
      return ptr && getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString:
      return ptr && getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion:
      return getVendorVersion();
    case effCanDo:
      return ptr ? canDo(static_cast<char*>(ptr)) : 0;
    case effVendorSpecific:
      return vendorSpecific(index, value, ptr, opt);
    case effGetTailSize:
      return getTailSize();
    case effGetParameterProperties:
      return ptr && getParameterProperties(index, ptr) ? 1 : 0;
    case effGetVstVersion:
      return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
      if (!editor) return 0;
      VstKeyCode key{index, static_cast<unsigned char>(value), modifierKeys(opt)};
      bool used = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
      return used ? 1 : 0;
    }
    case effSetEditKnobMode:
      return editor && editor->setKnobMode(static_cast<int32_t>(value)) ? 1 : 0;
    case effGetSpeakerArrangement:
      // value and ptr each point at a speaker-arrangement pointer: none here.
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = nullptr;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = nullptr;
      return 0;
    default:
      return 0;
  }
}

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter) {
  return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

}  // namespace panner
