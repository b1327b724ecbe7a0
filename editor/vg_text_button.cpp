#include "editor/vg_text_button.h"

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CRect;

VGTextButton::VGTextButton(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                           const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {
  onText[0] = 0;
}

VGTextButton::~VGTextButton() = default;

void VGTextButton::setOnText(const char* text) { copyText(onText, text); }

void VGTextButton::draw(VSTGUI::CDrawContext* context) {
  if (!context) return;
  const int32_t W = width;
  const int32_t H = height;
  ARSDrawContext* dc = beginPaint(context, VSTGUI::kWhiteCColor);
  const ColourSet& c = *colours;

  // Lamp square on the right, text box on the left.
  const float h = static_cast<float>(H);
  const auto a = static_cast<int32_t>(h * 0.125f + 0.5f);
  const auto b = static_cast<int32_t>(h * 0.25f + 0.5f);
  const auto t = static_cast<int32_t>(3.0f * (h * 0.125f + 0.5f));
  ledRect = CRect(W - H + b, b, W - b, H - b);
  textRect = CRect(t, a, W - H, H - a);
  fitFontSize(dc, caption, (W - H) - t, (H - a) - a);

  // The pill: two end discs joined by a rectangle, then its white inside.
  dc->setFillColor(c[1]);
  dc->fillEllipse(CRect(0, 0, H, H));
  dc->fillEllipse(CRect(W - H, 0, W, H));
  dc->fillRect(CRect(H >> 1, 0, W - (H >> 1), H));
  const int32_t k = H >> 4;
  dc->setFillColor(VSTGUI::kWhiteCColor);
  dc->fillEllipse(CRect(3 * k, 3 * k, 13 * k, H - 3 * k));
  dc->fillEllipse(CRect(W - 13 * k, 3 * k, W - 3 * k, H - 3 * k));
  dc->fillRect(CRect((H >> 1) - 1, 3 * k, W - (H >> 1) + 1, H - 3 * k));

  const bool on = getValue() > 0.5f;
  dc->setLineWidth(1);
  dc->setFillColor(on ? c[2] : lighten(c[0]));
  dc->setFrameColor(on ? darken(c[2]) : c[0]);
  dc->fillEllipse(ledRect);
  dc->drawEllipse(ledRect);

  dc->setFontColor(c[3]);
  fontSize -= 1;
  dc->setFont(fontId, fontSize, fontStyle);
  textRect.top -= 4;
  textRect.bottom += 4;
  dc->drawString(on ? onText : caption, textRect, false, VSTGUI::kLeftText);

  finishPaint(dc, context);
}

void VGTextButton::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  toggleAndNotify(context, buttons);
}

}  // namespace panner
