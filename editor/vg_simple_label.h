// VGSimpleLabel: a caption centred on white. A left press flips its value silently; its
// look does not depend on the value.
#pragma once

#include "editor/vg_control.h"

namespace panner {

class VGSimpleLabel : public VGControl {
 public:
  VGSimpleLabel(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                const ColourSet& colours);
  ~VGSimpleLabel() override;

  void draw(VSTGUI::CDrawContext* context) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
};

}  // namespace panner
