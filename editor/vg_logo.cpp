#include "editor/vg_logo.h"

#include <initializer_list>

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CColor;
using VSTGUI::CRect;

namespace {
constexpr const char* kMakerName = "quillmoor";

void fillAndOutlineEllipse(ARSDrawContext* dc, const CColor& colour, const CRect& r) {
  dc->setFillColor(colour);
  dc->setFrameColor(colour);
  dc->fillEllipse(r);
  dc->drawEllipse(r);
}

void fillAndOutlineRect(ARSDrawContext* dc, const CColor& colour, const CRect& r) {
  dc->setFillColor(colour);
  dc->setFrameColor(colour);
  dc->fillRect(r);
  dc->drawRect(r);
}

int32_t trunc(float value) { return static_cast<int32_t>(value); }
}  // namespace

VGLogo::VGLogo(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
               const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {}

VGLogo::~VGLogo() = default;

void VGLogo::draw(VSTGUI::CDrawContext* context) {
  if (!context) return;
  const int32_t W = width;
  const int32_t H = height;
  ARSDrawContext* dc = beginPaint(context, VSTGUI::kWhiteCColor);
  const ColourSet& c = *colours;
  // The maker's box runs from x = 1 to bx0, the product box from bx0 to bx1.
  const int32_t bx0 = 6 * H + 1;
  const int32_t bx1 = W - 1;
  const int32_t by0 = 1;
  const int32_t by1 = H - 1;
  const int32_t bh = H - 2;
  const float fbh = static_cast<float>(bh);

  textRect = CRect(bx0, by0, bx1, by1);

  // Product box: rounded right end and body, light inside.
  CRect end(bx1 - bh, by0, bx1, by1);
  fillAndOutlineEllipse(dc, c[1], end);
  end.inset(1, 1);
  fillAndOutlineEllipse(dc, lighten(c[0]), end);
  const int32_t h2 = trunc(fbh * 0.5f);
  CRect body(bx0 - h2, by0, bx1 - h2, by1);
  fillAndOutlineRect(dc, c[1], body);
  body.top += 1;
  body.bottom -= 1;
  fillAndOutlineRect(dc, lighten(c[0]), body);

  // Inner bar of the product box.
  const int32_t y0 = trunc(static_cast<float>(by0) + fbh * 0.25f);
  const int32_t y1 = trunc(static_cast<float>(by1) - fbh * 0.125f);
  const int32_t s = y1 - y0;
  const int32_t r = trunc(static_cast<float>(bx1) - static_cast<float>(s) * 0.5f);
  fillAndOutlineEllipse(dc, c[0], CRect(r - s, y0, r, y1));
  fillAndOutlineRect(dc, c[0], CRect(trunc(static_cast<float>(bx0) - fbh * 0.5f), y0, bx1 - s, y1));

  // Maker box: two rounded ends and a body, each with a lighter inside.
  dc->setLineWidth(1);
  for (CRect disc : {CRect(1, 1, bh + 1, by1), CRect(bx0 - bh, 1, bx0, by1)}) {
    fillAndOutlineEllipse(dc, c[1], disc);
    disc.inset(2, 2);
    fillAndOutlineEllipse(dc, lighten(c[1]), disc);
  }
  CRect makerBody(trunc(1.0f + fbh * 0.5f), 1, trunc(static_cast<float>(bx0) - fbh * 0.5f), by1);
  fillAndOutlineRect(dc, c[1], makerBody);
  makerBody.top += 2;
  makerBody.bottom -= 2;
  fillAndOutlineRect(dc, lighten(c[1]), makerBody);

  // White inside of the maker box.
  const int32_t m = trunc(static_cast<float>(s) * 0.5f + 1.0f);
  const int32_t n = trunc(static_cast<float>(bx0) - static_cast<float>(s) * 0.5f);
  dc->setFillColor(VSTGUI::kWhiteCColor);
  dc->fillEllipse(CRect(m, y0, m + s, y1));
  dc->fillEllipse(CRect(n - s, y0, n, y1));
  dc->fillRect(CRect(s + 1, y0, bx0 - s, y1));

  // Maker name in condensed letters.
  fitFontSize(dc, kMakerName, 6 * H, H + 2);
  dc->setFontColor(c[0]);
  dc->setFont(fontId, fontSize, VSTGUI::kCondensedFace);
  dc->drawString(kMakerName, CRect(1, -1, bx0, H + 3), false, VSTGUI::kCenterText);

  // Product name in expanded white letters.
  const float e = fbh * 0.15f;
  CRect p(bx0, trunc(static_cast<float>(by0) + e), bx1, trunc(static_cast<float>(by1) - e));
  fitFontSize(dc, caption, bx1 - bx0, p.bottom - p.top);
  dc->setFontColor(VSTGUI::kWhiteCColor);
  dc->setFont(fontId, fontSize, VSTGUI::kExpandedFace);
  p.top += 2;
  dc->drawString(caption, p, false, VSTGUI::kCenterText);

  finishPaint(dc, context);
}

void VGLogo::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  toggleSilently(context, buttons);
}

}  // namespace panner
