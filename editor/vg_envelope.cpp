#include "editor/vg_envelope.h"

#include "editor/ars_draw_context.h"
#include "editor/envelope_geometry.h"
#include "quendral_core.h"

namespace panner {

using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {
constexpr VSTGUI::CColor kBackground{240, 240, 240, 255};
constexpr int32_t kMargin = envelope::kMargin;
}  // namespace

VGEnvelope::VGEnvelope(const CRect& size, QuendralCore* effectToEdit,
                       VSTGUI::CControlListener* listener, int32_t tag, const ColourSet& colourSet,
                       int32_t timeBase, int32_t valueBase)
    : VGControl(size, listener, tag, colourSet),
      effect(effectToEdit),
      timeTagBase(timeBase),
      valueTagBase(valueBase) {}

VGEnvelope::~VGEnvelope() = default;

void VGEnvelope::setPosition(float p) {
  position = p;
  setDirty(true);
}

void VGEnvelope::readPoints(float times[8], float values[8]) const {
  for (int32_t k = 0; k < envelope::kPoints; ++k) {
    times[k] = effect != nullptr ? effect->getParameter(timeTagBase + k) : 0.0f;
    values[k] = effect != nullptr ? effect->getParameter(valueTagBase + k) : 0.0f;
  }
}

void VGEnvelope::draw(VSTGUI::CDrawContext* context) {
  if (context == nullptr) return;
  const ColourSet& c = *colours;
  ARSDrawContext* dc = beginPaint(context, kBackground, VSTGUI::kBlackCColor);

  float times[envelope::kPoints], values[envelope::kPoints];
  readPoints(times, values);

  dc->setFillColor(c[2]);
  for (int32_t k = 0; k < envelope::kPoints; ++k) {
    const envelope::Point p = envelope::toScreen(times[k], values[k], width, height);
    dc->fillEllipse(CRect(p.x - 2, p.y - 2, p.x + 2, p.y + 2));
  }
  envelope::Line lines[2 * (envelope::kPoints - 1)];
  const int32_t count = envelope::segmentLines(times, values, width, height, lines);
  dc->setFrameColor(c[1]);
  for (int32_t i = 0; i < count; ++i) {
    dc->moveTo(CPoint(lines[i].from.x, lines[i].from.y));
    dc->lineTo(CPoint(lines[i].to.x, lines[i].to.y));
  }

  // The position maps like a point's time (out-of-range and NaN positions stay drawable).
  const int32_t xp = envelope::toScreen(position, 0.0f, width, height).x;
  dc->setFrameColor(c[0]);
  dc->moveTo(CPoint(xp, kMargin));
  dc->lineTo(CPoint(xp, height - kMargin));

  finishPaint(dc, context);
}

void VGEnvelope::mouse(VSTGUI::CDrawContext*, CPoint& where, int32_t) {
  const float t = static_cast<float>(where.x - frameRect.left - kMargin) /
                  static_cast<float>(width - 2 * kMargin);
  const float v = static_cast<float>(where.y - frameRect.top - kMargin) /
                  static_cast<float>(height - 2 * kMargin);
  if (!(t > 0.0f && t < 1.0f && v >= 0.0f && v <= 1.0f)) return;
  const float remembered = position;
  position = t;
  setValue(v);
  position = remembered;
  setDirty(true);
}

void VGEnvelope::setValue(float v) {
  if (effect == nullptr) return;
  float times[envelope::kPoints], values[envelope::kPoints];
  readPoints(times, values);
  const envelope::Edit edit = envelope::editAt(times, position);
  if (!edit.valid) return;
  if (edit.moveTime) effect->setParameter(timeTagBase + edit.point, position);
  effect->setParameter(valueTagBase + edit.point, v);
}

}  // namespace panner
