// VGTargetButton: an on/off button drawn as a target (ring, white band, lamp in the
// middle); starts off. A left press toggles it and tells the listener.
#pragma once

#include "editor/vg_control.h"

namespace panner {

class VGTargetButton : public VGControl {
 public:
  VGTargetButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                 const ColourSet& colours);
  ~VGTargetButton() override;

  void draw(VSTGUI::CDrawContext* context) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
};

}  // namespace panner
