// The VST3 component's interface for quendral's own tools: a SOFA file handed to the
// plug-in, which builds the own set from it, and the own set in place as one line
// (core/own_set_file_extension.h says the same for the other formats).
#pragma once

#include "vst3_abi.h"

namespace vst3 {

class IQuendralOwnSetFile : public FUnknown {
 public:
  // kResultOk when the file became the own set (switched on), kResultFalse when refused;
  // `answer` gets the set's description or the refusal.
  virtual tresult VST3_CALL loadOwnSetFile(const char* path, char* answer, uint32 capacity) = 0;
  virtual tresult VST3_CALL describeOwnSet(char* line, uint32 capacity) = 0;
  static constexpr Uid iid = makeUid(0x9B79EE19, 0xABB64BBB, 0xA2434818, 0x100A8778);
};

}  // namespace vst3
