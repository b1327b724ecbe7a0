#include "editor/vg_target_button.h"

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CRect;

VGTargetButton::VGTargetButton(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                               const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {
  value_ = 0.0f;
}

VGTargetButton::~VGTargetButton() = default;

void VGTargetButton::draw(VSTGUI::CDrawContext* context) {
  if (!context) return;
  const int32_t W = width;
  const int32_t H = height;
  ARSDrawContext* dc = beginPaint(context, VSTGUI::kWhiteCColor);
  const ColourSet& c = *colours;

  // Outer ring, white band, lamp.
  const CRect q(1, 1, W - 1, H - 1);
  dc->setFillColor(c[1]);
  dc->fillEllipse(q);
  const auto bandX = static_cast<int32_t>(static_cast<float>(W - 2) * 0.125f + 0.5f);
  const auto bandY = static_cast<int32_t>(static_cast<float>(H - 2) * 0.125f + 0.5f);
  CRect band = q;
  band.inset(bandX, bandY);
  dc->setFillColor(VSTGUI::kWhiteCColor);
  dc->fillEllipse(band);
  const auto lampX = static_cast<int32_t>(static_cast<float>(W - 2) * 0.25f + 0.5f);
  const auto lampY = static_cast<int32_t>(static_cast<float>(H - 2) * 0.25f + 0.5f);
  CRect lamp = q;
  lamp.inset(lampX, lampY);
  const bool on = getValue() > 0.5f;
  dc->setLineWidth(1);
  dc->setFillColor(on ? c[2] : lighten(c[0]));
  dc->setFrameColor(on ? darken(c[2]) : c[0]);
  dc->fillEllipse(lamp);
  dc->drawEllipse(lamp);

  finishPaint(dc, context);
}

void VGTargetButton::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  toggleAndNotify(context, buttons);
}

}  // namespace panner
