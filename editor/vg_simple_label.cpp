#include "editor/vg_simple_label.h"

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CRect;

VGSimpleLabel::VGSimpleLabel(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                             const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {}

VGSimpleLabel::~VGSimpleLabel() = default;

void VGSimpleLabel::draw(VSTGUI::CDrawContext* context) {
  if (!context) return;
  ARSDrawContext* dc = beginPaint(context, VSTGUI::kWhiteCColor);
  const CRect r(0, 0, width, height);
  fitFontSize(dc, caption, width, height);
  fontSize -= 2;
  dc->setFont(fontId, fontSize, fontStyle);
  dc->setFontColor((*colours)[3]);
  dc->drawString(caption, r, false, VSTGUI::kCenterText);
  finishPaint(dc, context);
}

void VGSimpleLabel::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  toggleSilently(context, buttons);
}

}  // namespace panner
