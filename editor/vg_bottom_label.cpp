#include "editor/vg_bottom_label.h"

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CRect;

VGBottomLabel::VGBottomLabel(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                             const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {}

VGBottomLabel::~VGBottomLabel() = default;

void VGBottomLabel::draw(VSTGUI::CDrawContext* context) {
  if (!context) return;
  ARSDrawContext* dc = beginPaint(context, kBackground);
  const CRect r(0, 0, width, height);
  fitFontSize(dc, caption, width, height);
  dc->setFont(fontId, fontSize, fontStyle);
  dc->setFontColor((*colours)[3]);
  dc->drawString(caption, r, false, VSTGUI::kCenterText);
  finishPaint(dc, context);
}

void VGBottomLabel::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  toggleAndNotify(context, buttons);
}

}  // namespace panner
