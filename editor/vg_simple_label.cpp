#include "editor/vg_simple_label.h"

namespace panner {

using VSTGUI::CRect;

VGSimpleLabel::VGSimpleLabel(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                             const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {}

VGSimpleLabel::~VGSimpleLabel() = default;

void VGSimpleLabel::draw(VSTGUI::CDrawContext* context) {
  if (context) paintCaption(context, VSTGUI::kWhiteCColor, -2);
}

void VGSimpleLabel::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  toggleSilently(context, buttons);
}

}  // namespace panner
