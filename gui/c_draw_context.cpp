// The platform-free part of CDrawContext: the pointer queries it forwards to its frame and
// the drawing state it keeps. The backends (cairo/, win32/) implement the drawing itself.
#include "gui/c_draw_context.h"

#include "gui/c_frame.h"
#include "gui/font_table.h"

namespace VSTGUI {

int32_t CDrawContext::getMouseButtons() { return frame_ ? frame_->getMouseButtons() : 0; }

void CDrawContext::getMouseLocation(CPoint& where) {
  where = frame_ ? frame_->getMouseLocation() : CPoint();
}

void CDrawContext::setFrameColor(const CColor& color) { frameColor_ = color; }
void CDrawContext::setFillColor(const CColor& color) { fillColor_ = color; }
void CDrawContext::setFontColor(const CColor& color) { fontColor_ = color; }
void CDrawContext::setLineWidth(int32_t width) { lineWidth_ = width; }
void CDrawContext::setDrawMode(int32_t mode) { drawMode_ = mode; }

void CDrawContext::setFont(int32_t fontId, int32_t size, int32_t style) {
  if (fontId < 0 || fontId >= kNumStandardFonts) fontId = 0;
  fontId_ = fontId;
  fontSize_ = size > 0 ? size : fontRow(fontId).defaultSize;
  fontStyle_ = style;
}

}  // namespace VSTGUI
