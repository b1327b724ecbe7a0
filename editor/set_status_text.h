// The panel's status line about the response set: a refusal the user has not dismissed,
// a load in progress, or which set plays, with how to bring an own set or switch to it.
#pragma once

#include <cstdint>
#include <string>

namespace panner {

class QuendralCore;
class OwnSetLoader;

struct SetStatusText {
  std::string text;
  bool alert = false;  // a refused file: the strip is tinted
  bool operator==(const SetStatusText& other) const = default;
};

// `dismissedRefusal` is the number of the refusal the user last clicked away
// (QuendralCore::ownSetRefusalNumber): that one is not shown again, a later one is, even
// with the same text.
SetStatusText describeSetStatus(const QuendralCore& core, const OwnSetLoader& loader,
                                uint32_t dismissedRefusal);

}  // namespace panner
