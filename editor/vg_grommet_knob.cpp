#include "editor/vg_grommet_knob.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "editor/ars_draw_context.h"
#include "editor/knob_geometry.h"
#include "quendral_core.h"

namespace panner {

using VSTGUI::CRect;

namespace {

constexpr VSTGUI::CColor kWhite = VSTGUI::kWhiteCColor;

CRect toRect(const knob::Box& b) { return CRect(b.left, b.top, b.right, b.bottom); }

}  // namespace

VGGrommetKnob::VGGrommetKnob(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                             const ColourSet& colourSet, QuendralCore* effectToShow)
    : VGKnobBase(size, listener, tag, colourSet), effect(effectToShow) {}

VGGrommetKnob::~VGGrommetKnob() = default;

void VGGrommetKnob::valueText(char* text, int32_t capacity) {
  if (text == nullptr || capacity <= 0) return;
  const auto cap = static_cast<size_t>(capacity < kTextCapacity ? capacity : kTextCapacity);
  if (effect != nullptr) {
    // The plug-in's display text may be up to 23 characters; the buffer leaves room for
    // a plug-in that writes more.
    char display[kTextCapacity] = {};
    effect->getParameterDisplay(tag_, display);
    display[kTextCapacity - 1] = 0;
    if (std::snprintf(text, cap, "%s %s", display, label) < 0) text[0] = 0;
    return;
  }

  const float v = getValue();
  if (ratioDisplay == 1) {
    const float x = displayMin + v * (displayMax - displayMin);
    if (x > 0.0f) {
      if (std::snprintf(text, cap, "1:%3.1f %s", static_cast<double>(1.0f + x), label) < 0)
        text[0] = 0;
    } else {
      if (std::snprintf(text, cap, "%3.1f:1 %s", static_cast<double>(1.0f - x), label) < 0)
        text[0] = 0;
    }
    return;
  }
  if (logDisplay) {
    const float hi = std::log(displayMax) / 0.6931472f;
    const float lo = std::log(displayMin) / 0.6931472f;
    float e = lo + v * (hi - lo);
    if (integerDisplay) {
      e = std::trunc(e);
      if (hi != lo) value_ = (e - lo) / (hi - lo);
    }
    const float y = std::pow(2.0f, e);
    const char* format = y > 10.0f ? "%3.1f %s" : (y > 1.0f ? "%3.2f %s" : "%3.3f %s");
    if (std::snprintf(text, cap, format, static_cast<double>(y), label) < 0) text[0] = 0;
    return;
  }
  float x = displayMin + v * (displayMax - displayMin);
  if (integerDisplay) {
    x = std::trunc(x);
    if (displayMax != displayMin) value_ = (x - displayMin) / (displayMax - displayMin);
  }
  if (std::snprintf(text, cap, displayMax - displayMin > 15.0f ? "%3.1f %s" : "%3.2f %s",
                    static_cast<double>(x), label) < 0)
    text[0] = 0;
}

void VGGrommetKnob::draw(VSTGUI::CDrawContext* context) {
  if (context == nullptr) return;
  const ColourSet& c = *colours;
  ARSDrawContext* dc = beginPaint(context, kWhite);

  const CRect r(1, 1, width - 1, height - 1);
  const int32_t rw = width - 2, rh = height - 2;
  const float ring = static_cast<float>(rw) * 0.125f;
  const auto ringPx = static_cast<int32_t>(ring);

  float v = getValue();
  if (!(v >= 0.0f)) v = 0.0f;  // NaN draws as 0
  if (v > 1.0f) v = 1.0f;
  const float a = knob::ringStart(v);

  // The ring as a 300-degree pie (three o'clock convention of the arc), its rounded ends,
  // then hollowed out by a white disc.
  dc->setFillColor(c[1]);
  dc->drawArc(r, knob::wrapOnce(a - 90.0f), knob::wrapOnce(a + 210.0f), 1);
  dc->fillEllipse(toRect(knob::dotBox(r.left, r.top, rw, rh, ring, knob::wrapOnce(a))));
  dc->fillEllipse(toRect(knob::dotBox(r.left, r.top, rw, rh, ring, knob::wrapOnce(a + 300.0f))));
  CRect inner = r;
  inner.inset(ringPx, ringPx);
  dc->setFillColor(kWhite);
  dc->fillEllipse(inner);

  // Pointer in the middle of the gap.
  const CRect pointer =
      toRect(knob::dotBox(r.left, r.top, rw, rh, ring, knob::wrapOnce(a + 330.0f)));
  dc->setFillColor(c[2]);
  dc->fillEllipse(pointer);
  dc->setFrameColor(darken(c[2]));
  dc->drawEllipse(pointer);

  CRect capRect = r;
  capRect.inset(2 * ringPx, 2 * ringPx);
  dc->setFillColor(lighten(c[0]));
  dc->fillEllipse(capRect);
  dc->setFrameColor(c[0]);
  dc->drawEllipse(capRect);

  char text[kTextCapacity];
  valueText(text, kTextCapacity);
  fitFontSize(dc, "0123", capRect.width(), capRect.height());
  dc->setFont(fontId, fontSize, fontStyle);
  dc->setFontColor(c[3]);
  dc->drawString(text, CRect(r.left, capRect.top, r.right, capRect.bottom + 2), false,
                 VSTGUI::kCenterText);

  finishPaint(dc, context);
}

}  // namespace panner
