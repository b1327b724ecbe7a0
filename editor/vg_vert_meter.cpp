#include "editor/vg_vert_meter.h"

#include <cmath>
#include <cstdio>

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CColor;
using VSTGUI::CRect;

VGVertMeter::VGVertMeter(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                         const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {
  for (int i = 0; i < kSegments; ++i) segmentLevels[i] = std::pow(10.0f, kSegmentMarks[i] * 0.05f);
}

VGVertMeter::~VGVertMeter() = default;

CColor VGVertMeter::clipColour(const CColor& lit) {
  const uint8_t r = lit.red;
  const uint8_t g = lit.green;
  const uint8_t b = lit.blue;
  if (r > b) return CColor{255, static_cast<uint8_t>(g >> 3), static_cast<uint8_t>(b >> 3), 255};
  if (b > g) return CColor{static_cast<uint8_t>(r >> 3), static_cast<uint8_t>(g >> 3), 255, 255};
  return CColor{static_cast<uint8_t>(r >> 3), 255, static_cast<uint8_t>(b >> 3), 255};
}

CRect VGVertMeter::getSegmentRect(int index) const {
  const CRect inner(1, 1, width - 1, height - 1);
  const float step = static_cast<float>(inner.bottom - inner.top) / 36.0f;
  const auto y =
      static_cast<int32_t>(static_cast<float>(index) * 3.0f * step + static_cast<float>(inner.top));
  return CRect(inner.left, y, inner.right, y + (inner.right - inner.left));
}

void VGVertMeter::draw(VSTGUI::CDrawContext* context) {
  if (!context) return;
  ARSDrawContext* dc = beginPaint(context, VSTGUI::kWhiteCColor);
  const ColourSet& c = *colours;

  // A level that is not a number lights nothing.
  const float level = std::isnan(getValue()) ? 0.0f : getValue();
  for (int i = 0; i < kSegments; ++i) {
    CRect segment = getSegmentRect(i);
    dc->setFillColor(c[1]);
    dc->fillEllipse(segment);
    segment.inset(2, 2);
    CColor colour = lighten(c[0]);
    if (level > segmentLevels[i]) colour = (level > 1.0f) ? clipColour(c[2]) : c[2];
    dc->setFillColor(colour);
    dc->fillEllipse(segment);

    if (showScale) {
      char text[16];
      std::snprintf(text, sizeof text, "%3.0f", static_cast<double>(kSegmentMarks[i]));
      fitFontSize(dc, "0123", segment.width(), segment.height());
      fontSize += 3;
      dc->setFont(fontId, fontSize, fontStyle);
      dc->setFontColor(c[3]);
      dc->drawString(text, segment, false, VSTGUI::kCenterText);
    }
  }

  finishPaint(dc, context);
}

void VGVertMeter::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  if (!getMouseEnabled()) return;
  if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
  if (!(buttons & VSTGUI::kLButton)) return;
  if (modifierConsumes(context, buttons)) return;
  showScale = !showScale;
  // The value does not change, so the meter marks itself for the redraw.
  setDirty(true);
  if (listener_) {
    beginEdit();
    listener_->valueChanged(context, this);
    endEdit();
  }
  runIdle();
}

}  // namespace panner
