#include "editor/vg_bottom_label.h"

#include <cstring>

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CRect;

namespace {
constexpr int32_t kMargin = 4;  // pixels between the texts and the strip's ends
}

VGBottomLabel::VGBottomLabel(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                             const ColourSet& colourSet)
    : VGControl(size, listener, tag, colourSet) {}

VGBottomLabel::~VGBottomLabel() = default;

void VGBottomLabel::draw(VSTGUI::CDrawContext* context) {
  if (!context) return;
  if (label[0] == 0 && !alert) {
    copyText(shown, caption);
    paintCaption(context, kBackground, 0);
    return;
  }
  drawStatusLine(context);
}

void VGBottomLabel::drawStatusLine(VSTGUI::CDrawContext* target) {
  ARSDrawContext* dc = beginPaint(target, alert ? kAlertBackground : kBackground);
  fitFontSize(dc, "", width, height);        // the strip's height decides the size
  dc->setFont(fontId, fontSize, fontStyle);  // the vector font draws; the framework's measures
  dc->setFontColor((*colours)[3]);
  const int32_t labelWidth = label[0] != 0 ? dc->getStringWidth(label) : 0;
  if (labelWidth > 0) {
    dc->drawString(label, CRect(width - kMargin - labelWidth - 1, 0, width - kMargin, height),
                   false, VSTGUI::kLeftText);
  }
  // The caption keeps as many whole characters as fit before the label, then "...".
  const int32_t room = width - 2 * kMargin - (labelWidth > 0 ? labelWidth + 3 * kMargin : 0);
  copyText(shown, caption);
  size_t length = std::strlen(shown);
  if (dc->getStringWidth(shown) > room) {
    while (length > 0) {
      --length;
      shown[length] = 0;
      char cut[kTextCapacity + 3];
      std::memcpy(cut, shown, length);
      std::memcpy(cut + length, "...", 4);
      if (dc->getStringWidth(cut) <= room) {
        copyText(shown, cut);
        break;
      }
    }
  }
  dc->drawString(shown, CRect(kMargin - 1, 0, kMargin + room, height), false, VSTGUI::kLeftText);
  finishPaint(dc, target);
}

void VGBottomLabel::mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons) {
  (void)where;
  toggleAndNotify(context, buttons, reportsGestures);
}

}  // namespace panner
