#include "editor/vg_bottom_label.h"

namespace panner {

using VSTGUI::CRect;

VGBottomLabel::VGBottomLabel(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                             const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {}

VGBottomLabel::~VGBottomLabel() = default;

void VGBottomLabel::draw(VSTGUI::CDrawContext* context) {
  if (context) paintCaption(context, kBackground, 0);
}

void VGBottomLabel::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  toggleAndNotify(context, buttons);
}

}  // namespace panner
