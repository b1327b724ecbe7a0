// VGLogo: the two-part title banner, the maker's name on the left and the caption in
// the product box on the right. A left press flips its value silently.
#pragma once

#include "editor/vg_control.h"

namespace panner {

class VGLogo : public VGControl {
 public:
  VGLogo(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
         const ColourSet& colours);
  ~VGLogo() override;

  void draw(VSTGUI::CDrawContext* context) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
};

}  // namespace panner
