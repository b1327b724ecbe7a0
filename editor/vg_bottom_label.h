// VGBottomLabel: a caption centred on a light grey strip. A left press toggles its value
// and tells the listener.
#pragma once

#include "editor/vg_control.h"

namespace panner {

class VGBottomLabel : public VGControl {
 public:
  VGBottomLabel(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                const ColourSet& colours);
  ~VGBottomLabel() override;

  void draw(VSTGUI::CDrawContext* context) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  static constexpr VSTGUI::CColor kBackground{239, 232, 229, 255};
};

}  // namespace panner
