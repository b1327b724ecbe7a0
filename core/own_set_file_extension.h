// How quendral's own tools hand the plug-in a SOFA file: the plug-in reads it and builds
// the set, as it does for a file dropped on its panel, and answers in one line; and how
// they ask which own set is in place. The same two calls in every format, on the host's
// main thread, never the audio thread:
//  - VST2: effVendorSpecific with index kVst2LoadIndex (ptr: a buffer of `value` bytes that
//    holds the path and receives the answer; returns 1 loaded, -1 refused) or
//    kVst2DescribeIndex (ptr: a buffer of `value` bytes for the line; returns 1);
//  - CLAP: the plug-in extension kClapExtensionId, LV2: the extension data kLv2ExtensionUri,
//    each an OwnSetFileCalls whose `instance` is the clap_plugin or the LV2 handle;
//  - VST3: the component's interface vst3_own_set_file.h.
// Text is UTF-8, cut to the buffer and always terminated.
#pragma once

#include <cstdint>

namespace panner::own_set_file {

constexpr const char* kClapExtensionId = "com.quillmoor.quendral.own-set-file";
constexpr const char* kLv2ExtensionUri = "urn:quillmoor:quendral#own-set-file";
constexpr int32_t kVst2LoadIndex = 0x516e644c;      // 'QndL'
constexpr int32_t kVst2DescribeIndex = 0x516e6444;  // 'QndD'

struct OwnSetFileCalls {
  // True when the file became the own set (switched on); `answer` gets the set's
  // description, or why the file was refused (the set in place then stays).
  bool (*load)(const void* instance, const char* path, char* answer, uint32_t capacity);
  // One line on the own set in place: "own set (on): NAME: ...", or "own set: none loaded
  // (off)".
  void (*describe)(const void* instance, char* line, uint32_t capacity);
};

}  // namespace panner::own_set_file
