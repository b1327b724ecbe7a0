#include "fuzz_host.h"

#include <dlfcn.h>

namespace fuzzing {

namespace {
FuzzHost* gHost = nullptr;  // the host whose instance is being created or driven

intptr_t VST_CALL hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t value, void*, float) {
  return gHost ? gHost->answer(opcode, value) : 0;
}
}  // namespace

bool FuzzHost::load(const std::string& path, std::string& error) {
  // The library stays loaded for the whole run: every input creates its own instance.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    error = std::string("cannot load the plug-in: ") + dlerror();
    return false;
  }
  entry_ = reinterpret_cast<VstPluginMainProc>(dlsym(library, "VSTPluginMain"));
  if (!entry_) {
    error = "the plug-in exports no VSTPluginMain";
    return false;
  }
  return true;
}

AEffect* FuzzHost::create() {
  gHost = this;
  return entry_(hostCallback);
}

void FuzzHost::close(AEffect* effect) { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }

intptr_t FuzzHost::answer(int32_t opcode, intptr_t) {
  switch (opcode) {
    case audioMasterVersion:
      return versionAnswer;
    case audioMasterGetTime:
      if (!time.answers) return 0;
      timeInfo_ = VstTimeInfo{};
      timeInfo_.samplePos = samplePosition;
      timeInfo_.sampleRate = sampleRate;
      timeInfo_.tempo = time.tempo;
      timeInfo_.timeSigNumerator = 4;
      timeInfo_.timeSigDenominator = 4;
      timeInfo_.flags = time.flags;
      return reinterpret_cast<intptr_t>(&timeInfo_);
    case audioMasterGetSampleRate:
      // The rate as an integer, as hosts answer; 0 for a rate that has none.
      return sampleRate >= 1.0 && sampleRate < 1e9 ? static_cast<intptr_t>(sampleRate) : 0;
    case audioMasterGetBlockSize:
      return blockSize;
    default:
      return 0;
  }
}

}  // namespace fuzzing
