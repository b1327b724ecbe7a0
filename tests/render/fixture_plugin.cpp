// Unusable VST2 plug-ins for the render tool's error tests: with FIXTURE_REFUSE no effect,
// without it an instrument with no audio input.
#include <cstring>

#include "vst_abi.h"

namespace {

intptr_t VST_CALL dispatcher(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
  if (opcode == effGetEffectName && ptr != nullptr) {
    std::strcpy(static_cast<char*>(ptr), "fixture");
    return 1;
  }
  return 0;
}

void VST_CALL processReplacing(AEffect* effect, float**, float** outputs, int32_t frames) {
  for (int32_t c = 0; c < effect->numOutputs; ++c)
    for (int32_t i = 0; i < frames; ++i) outputs[c][i] = 0.0f;
}

void VST_CALL setParameter(AEffect*, int32_t, float) {}
float VST_CALL getParameter(AEffect*, int32_t) { return 0.0f; }

AEffect makeEffect() {
  return AEffect{.magic = kEffectMagic,
                 .dispatcher = dispatcher,
                 .process = processReplacing,
                 .setParameter = setParameter,
                 .getParameter = getParameter,
                 .numInputs = 0,
                 .numOutputs = 2,
                 .flags = effFlagsCanReplacing | effFlagsIsSynth,
                 .ioRatio = 1.0f,
                 .uniqueID = vstFourCC('f', 'i', 'x', 't'),
                 .version = 1,
                 .processReplacing = processReplacing};
}

AEffect instrument = makeEffect();

}  // namespace

VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
#ifdef FIXTURE_REFUSE
  return nullptr;
#else
  return &instrument;
#endif
}
