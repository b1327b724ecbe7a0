// The panel's size: a right press on the title strip opens a small menu of the sizes the
// panel can be shown at (the host's or system's, 100 to 300%), drawn over the panel until
// the next press; a press on a size chooses it. The strip itself draws nothing, so the
// panel looks as it always did, and left presses fall through to the about picture.
#pragma once

#include <cstdint>
#include <functional>

#include "gui/c_view.h"

namespace panner {

class VGSizeMenu;

class VGSizeMenuOpener : public VSTGUI::CView {
 public:
  // The sizes offered, in percent; 0 leaves the choice to the host or the system.
  static constexpr int32_t kSizes[] = {0, 100, 125, 150, 175, 200, 250, 300};
  static constexpr int32_t kNumSizes = 8;

  // `current` tells the size chosen now (0: none), `choose` takes a new one.
  VGSizeMenuOpener(const VSTGUI::CRect& strip, std::function<int32_t()> current,
                   std::function<void(int32_t)> choose);
  ~VGSizeMenuOpener() override;

  void draw(VSTGUI::CDrawContext* context) override;
  // Only right presses: left ones belong to the views beneath.
  bool hitTest(const VSTGUI::CPoint& where, int32_t buttons = -1) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  // Whether the menu is shown, and the panel rectangle of its row for `percent`.
  bool isMenuShown() const;
  static VSTGUI::CRect rowOf(int32_t percent);
  // Hides the menu (the frame redraws whole at its next idle).
  void closeMenu();

 private:
  friend class VGSizeMenu;
  std::function<int32_t()> current;
  std::function<void(int32_t)> choose;
  VGSizeMenu* menu = nullptr;
};

}  // namespace panner
