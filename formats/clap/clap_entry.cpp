// The module's export: the data symbol clap_entry, and the one plug-in factory it hands out
// (one audio effect, described as every format describes quendral). init and deinit may be
// called more than once by a host; they keep a count and hold nothing the module needs.
#include <atomic>
#include <cstring>

#include "clap_abi.h"
#include "quendral_clap.h"

namespace panner {

namespace {

std::atomic<int> initialised{0};

uint32_t pluginCount(const clapabi::PluginFactory*) { return 1; }

const clapabi::PluginDescriptor* pluginDescriptor(const clapabi::PluginFactory*, uint32_t index) {
  return index == 0 ? &QuendralClap::kDescriptor : nullptr;
}

const clapabi::Plugin* createPlugin(const clapabi::PluginFactory*, const clapabi::Host* host,
                                    const char* pluginId) {
  if (initialised.load() <= 0 || !pluginId ||
      std::strcmp(pluginId, QuendralClap::kDescriptor.id) != 0)
    return nullptr;
  return createQuendralClap(host);
}

const clapabi::PluginFactory kFactory = {pluginCount, pluginDescriptor, createPlugin};

bool entryInit(const char*) {
  ++initialised;
  return true;
}

void entryDeinit() {
  if (initialised.load() > 0) --initialised;
}

const void* entryFactory(const char* factoryId) {
  if (!factoryId || std::strcmp(factoryId, clapabi::kPluginFactoryId) != 0) return nullptr;
  return &kFactory;
}

}  // namespace

}  // namespace panner

#if defined(_WIN32)
#define QUENDRAL_CLAP_EXPORT __declspec(dllexport)
#else
#define QUENDRAL_CLAP_EXPORT __attribute__((visibility("default")))
#endif

extern "C" QUENDRAL_CLAP_EXPORT const clapabi::PluginEntry clap_entry = {
    clapabi::kVersion, panner::entryInit, panner::entryDeinit, panner::entryFactory};
