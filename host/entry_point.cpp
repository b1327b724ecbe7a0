// The exported entry point: the host calls VSTPluginMain (or main, the older name of the
// same function) with its callback and gets the plug-in's effect record, or null.
#include <new>

#include "quendral.h"

VST_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) {
  if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  panner::quendral* plugin = new (std::nothrow) panner::quendral(host);
  if (!plugin) return nullptr;
  // Without its programs or the engine's buffers the plug-in could neither keep parameters
  // nor process: hand the host nothing rather than a half-built object.
  if (!plugin->constructed()) {
    delete plugin;
    return nullptr;
  }
  return plugin->getAeffect();
}

// `main` cannot be declared under its own name in C++: the assembler label gives the
// second exported name to a plain forwarding function.
VST_EXPORT AEffect* vstMainAlias(audioMasterCallback host) asm("main");
AEffect* vstMainAlias(audioMasterCallback host) { return VSTPluginMain(host); }
