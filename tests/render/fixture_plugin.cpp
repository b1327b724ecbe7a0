// Unusable VST2 plug-ins for the render tool's error tests: with FIXTURE_REFUSE no effect,
// without it an instrument with no audio input.
#include "vst_abi.h"

namespace {

intptr_t VST_CALL dispatcher(AEffect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

[[maybe_unused]] AEffect instrument{.magic = kEffectMagic,
                                    .dispatcher = dispatcher,
                                    .numInputs = 0,
                                    .numOutputs = 2,
                                    .flags = effFlagsCanReplacing | effFlagsIsSynth,
                                    .ioRatio = 1.0f,
                                    .uniqueID = vstFourCC('f', 'i', 'x', 't'),
                                    .version = 1};

}  // namespace

VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback) {
#ifdef FIXTURE_REFUSE
  return nullptr;
#else
  return &instrument;
#endif
}
