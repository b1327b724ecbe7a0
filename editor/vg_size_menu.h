// The panel's size: a right press on the title strip opens a small menu of the sizes the
// panel can be shown at (the host's or system's, 100 to 300%); a press on a size chooses it.
// The strip itself draws nothing, so the panel looks as it always did.
#pragma once

#include <cstdint>
#include <functional>

#include "editor/vg_popup_menu.h"

namespace panner {

class VGSizeMenuOpener : public VGMenuOpener {
 public:
  // The sizes offered, in percent; 0 leaves the choice to the host or the system.
  static constexpr int32_t kSizes[] = {0, 100, 125, 150, 175, 200, 250, 300};
  static constexpr int32_t kNumSizes = 8;

  // `current` tells the size chosen now (0: none), `choose` takes a new one.
  VGSizeMenuOpener(const VSTGUI::CRect& strip, std::function<int32_t()> current,
                   std::function<void(int32_t)> choose);

  // The panel rectangle of the row for `percent`.
  static VSTGUI::CRect rowOf(int32_t percent);
};

}  // namespace panner
