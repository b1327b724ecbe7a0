// The host side of the fuzz target: loads the built plug-in once, creates one instance per
// input through its exported entry point, and answers the plug-in's host calls in whichever
// way the input chooses, including the time request (no record, no valid tempo, a NaN or
// absurd tempo). Single-threaded, as libFuzzer runs its inputs.
#pragma once

#include <cstdint>
#include <string>

#include "vst_abi.h"

namespace fuzzing {

// How the host answers audioMasterGetTime.
struct HostTime {
  bool answers = true;  // false: a null record
  int32_t flags = kVstTempoValid;
  double tempo = 120.0;
};

class FuzzHost {
 public:
  // Loads the plug-in library; false (with a sentence in error) when it cannot be used.
  bool load(const std::string& path, std::string& error);

  // A new instance, or null when the plug-in refuses (it must when versionAnswer is 0).
  AEffect* create();
  // effClose; the instance is gone afterwards.
  void close(AEffect* effect);

  intptr_t versionAnswer = 2400;
  HostTime time;
  double sampleRate = 44100.0;
  int32_t blockSize = 512;
  double samplePosition = 0.0;

  intptr_t answer(int32_t opcode, intptr_t value);

 private:
  VstPluginMainProc entry_ = nullptr;
  VstTimeInfo timeInfo_{};
};

}  // namespace fuzzing
