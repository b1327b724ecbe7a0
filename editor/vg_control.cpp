#include "editor/vg_control.h"

#include <cstring>

#include "editor/ars_draw_context.h"
#include "gui/c_offscreen_context.h"

namespace panner {

using VSTGUI::CColor;
using VSTGUI::CDrawContext;
using VSTGUI::CPoint;
using VSTGUI::CRect;

VGControl::VGControl(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                     const ColourSet& colourSet)
    : CControl(size, listener, tag),
      width(size.width()),
      height(size.height()),
      colours(&colourSet),
      frameRect(size) {
  label[0] = 0;
  caption[0] = 0;
  value_ = 1.0f;
}

VGControl::~VGControl() = default;

void VGControl::copyText(char* field, const char* text) {
  if (!text) {
    field[0] = 0;
    return;
  }
  std::strncpy(field, text, kTextCapacity - 1);
  field[kTextCapacity - 1] = 0;
}

void VGControl::setCaption(const char* text) { copyText(caption, text); }
void VGControl::setLabel(const char* text) { copyText(label, text); }

void VGControl::fitFontSize(CDrawContext* context, const char* text, int32_t bw, int32_t bh) {
  if (!context) return;
  context->setFont(fontId, 128, fontStyle);
  int32_t w = context->getStringWidth(text);
  auto byHeight = static_cast<int32_t>(static_cast<float>(bh) / 140.0f * 128.0f);
  if (w > 0) {
    auto byWidth = static_cast<int32_t>(static_cast<float>(bw) / static_cast<float>(w) * 128.0f);
    fontSize = byWidth < byHeight ? byWidth : byHeight;
  } else {
    fontSize = byHeight;  // nothing to measure: the height decides
  }
  context->setFont(fontId, fontSize, fontStyle);
}

float VGControl::toggled(float value) { return static_cast<int32_t>(value) == 0 ? 1.0f : 0.0f; }

bool VGControl::modifierConsumes(CDrawContext* context, int32_t buttons) {
  constexpr int32_t kModifiers = VSTGUI::kShift | VSTGUI::kControl | VSTGUI::kAlt | VSTGUI::kApple;
  return listener_ && (buttons & kModifiers) &&
         listener_->modifierClick(context, this, buttons) != 0;
}

void VGControl::toggleAndNotify(CDrawContext* context, int32_t buttons, bool gesture) {
  if (!getMouseEnabled()) return;
  if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
  if (!(buttons & VSTGUI::kLButton)) return;
  if (modifierConsumes(context, buttons)) return;
  setValue(toggled(getValue()));
  if (listener_) {
    if (gesture) beginEdit();
    listener_->valueChanged(context, this);
    if (gesture) endEdit();
  }
  runIdle();
}

void VGControl::toggleSilently(CDrawContext* context, int32_t buttons) {
  if (!getMouseEnabled()) return;
  if (buttons == -1) buttons = context ? context->getMouseButtons() : 0;
  if (!(buttons & VSTGUI::kLButton)) return;
  setValue(toggled(getValue()));
  runIdle();
}

ARSDrawContext* VGControl::beginPaint(CDrawContext* target, const CColor& background) {
  return beginPaint(target, background, background);
}

ARSDrawContext* VGControl::beginPaint(CDrawContext* target, const CColor& background,
                                      const CColor& outline) {
  auto* surface = new ARSDrawContext(target->getFrame(), width, height, VSTGUI::kBlackCColor,
                                     CPoint(frameRect.left, frameRect.top));
  const CRect r(0, 0, width, height);
  surface->setLineWidth(1);
  surface->setDrawMode(VSTGUI::kCopyMode);
  surface->setFillColor(background);
  surface->setFrameColor(outline);
  surface->fillRect(r);
  surface->drawRect(r);
  return surface;
}

void VGControl::finishPaint(ARSDrawContext* surface, CDrawContext* target) {
  surface->copyFrom(target, frameRect, CPoint(0, 0));
  surface->forget();
  setDirty(false);
}

void VGControl::paintCaption(CDrawContext* target, const CColor& background, int32_t sizeOffset) {
  ARSDrawContext* dc = beginPaint(target, background);
  fitFontSize(dc, caption, width, height);
  fontSize += sizeOffset;
  dc->setFont(fontId, fontSize, fontStyle);
  dc->setFontColor((*colours)[3]);
  dc->drawString(caption, CRect(0, 0, width, height), false, VSTGUI::kCenterText);
  finishPaint(dc, target);
}

void VGControl::draw(CDrawContext* context) {
  if (!context) return;
  auto* surface =
      new VSTGUI::COffscreenContext(context->getFrame(), width, height, VSTGUI::kBlackCColor,
                                    CPoint(frameRect.left, frameRect.top));
  surface->setDrawMode(VSTGUI::kCopyMode);
  surface->setLineWidth(1);
  const CRect r(0, 0, width, height);
  surface->setFillColor(VSTGUI::kWhiteCColor);
  surface->setFrameColor(VSTGUI::kWhiteCColor);
  surface->fillRect(r);
  surface->drawRect(r);
  float v = getValue();
  v = (v >= 0.0f) ? (v <= 1.0f ? v : 1.0f) : 0.0f;  // colours only for 0..1 (not a number -> 0)
  surface->setFillColor(CColor{static_cast<uint8_t>(static_cast<int32_t>(255 * v)),
                               static_cast<uint8_t>(static_cast<int32_t>(255 * (1 - v))),
                               static_cast<uint8_t>(static_cast<int32_t>(255 * 0.5f * v)), 255});
  surface->fillEllipse(r);
  auto dx = static_cast<int32_t>(static_cast<float>(width >> 1) * v);
  auto dy = static_cast<int32_t>(static_cast<float>(height >> 1) * v);
  surface->setFillColor(VSTGUI::kWhiteCColor);
  surface->fillEllipse(CRect(dx, dy, width - dx, height - dy));
  surface->copyFrom(context, frameRect, CPoint(0, 0));
  surface->forget();
  setDirty(false);
}

void VGControl::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
  (void)where;
  if (!getMouseEnabled() || !context) return;
  if (buttons == -1) buttons = context->getMouseButtons();
  if (modifierConsumes(context, buttons)) return;
  if (checkDefaultValue(context, buttons)) return;
  if (!(buttons & VSTGUI::kLButton)) return;

  const int32_t anchor = height / 2 + size_.top - 1;
  float entry = getValue();
  int32_t oldButtons = buttons;
  beginEdit();
  CPoint position = where;
  while ((buttons = context->getMouseButtons()) & VSTGUI::kLButton) {
    if (buttons == oldButtons && (buttons & VSTGUI::kShift)) {
      // fine adjustment continues from the value it started at
    } else {
      entry = getValue();
      if (buttons != oldButtons && (buttons & VSTGUI::kShift)) oldButtons = buttons;
    }
    float p = static_cast<float>(position.y - anchor) / static_cast<float>(height);
    setValue((buttons & VSTGUI::kShift) ? entry + (p - entry) * 0.25f : p);
    clampValue();
    if (isDirty() && listener_) listener_->valueChanged(context, this);
    context->getMouseLocation(position);
    runIdle();
  }
  endEdit();
}

}  // namespace panner
