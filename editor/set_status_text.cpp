#include "editor/set_status_text.h"

#include "editor/own_set_loader.h"
#include "parameters.h"
#include "quendral_core.h"

namespace panner {

SetStatusText describeSetStatus(const QuendralCore& core, const OwnSetLoader& loader,
                                uint32_t dismissedRefusal) {
  if (loader.busy()) return {"loading " + loader.fileName() + " ...", false};
  const std::string refusal = core.lastOwnSetRefusal();
  if (!refusal.empty() && core.ownSetRefusalNumber() != dismissedRefusal)
    return {"not loaded, the set stays: " + refusal, true};

  const std::string own = core.ownSetHeadline();
  const bool ownOn = core.getParameter(kParamOwnSet) >= 0.5f;
  const std::string builtIn = core.getEngine().filterSet.load(std::memory_order_relaxed) == 0
                                  ? "built-in set one"
                                  : "built-in set two";
  if (ownOn && !own.empty()) {
    const std::string head = "own set: " + own;
    // A file whose receiver positions contradict its data: say that the data decided.
    const std::string note = core.ownSetNote();
    if (!note.empty()) return {head + " - " + note, false};
    return {head + " - click for " + builtIn, false};
  }
  if (!own.empty())
    return {builtIn + " plays; own set " + core.ownSetName() + " is off - click to use it", false};
  const std::string hint = QuendralCore::ownSetHint();
  if (ownOn) return {"own set on, none loaded: " + builtIn + " plays - " + hint, false};
  return {builtIn + " plays - " + hint, false};
}

}  // namespace panner
