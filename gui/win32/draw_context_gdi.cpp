// CDrawContext on GDI: plain (aliased) shapes through pens and brushes under the raster
// mode of the draw mode (SetROP2), and the font table's text with letter spacing
// (SetTextCharacterExtra). The context draws on a DibSurface's device context.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "gui/c_draw_context.h"
#include "gui/c_frame.h"
#include "gui/font_table.h"
#include "gui/win32/dib_surface.h"
#include "gui/win32/gdi_fonts.h"

namespace VSTGUI {

namespace {

HDC dcOf(void* cr) { return static_cast<HDC>(cr); }

int rasterMode(int32_t drawMode) {
  if (drawMode == kMergeMode) return R2_MERGEPEN;
  if (drawMode == kNotXorMode) return R2_NOTXORPEN;
  return R2_COPYPEN;
}

// Selects a pen and a brush for one operation and restores the previous ones after it.
class GdiTools {
 public:
  GdiTools(HDC dc, HPEN pen, HBRUSH brush, int mode) : dc_(dc), pen_(pen), brush_(brush) {
    oldPen_ = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
    oldBrush_ = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(NULL_BRUSH));
    oldMode_ = SetROP2(dc, mode);
  }
  ~GdiTools() {
    SetROP2(dc_, oldMode_);
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    if (pen_) DeleteObject(pen_);
    if (brush_) DeleteObject(brush_);
  }
  GdiTools(const GdiTools&) = delete;
  GdiTools& operator=(const GdiTools&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldBrush_;
  int oldMode_;
};

}  // namespace

CDrawContext::CDrawContext(CFrame* frame, void* surface) : frame_(frame), surface_(surface) {
  cr_ = surface ? static_cast<DibSurface*>(surface)->dc() : nullptr;
  if (frame_) scale_ = frame_->getScale();
  applyPanelTransform();
}

// GDI draws the panel's units through the device context's world transform: shapes, pens
// and TrueType text are drawn at the surface's resolution. At scale 1 the context stays in
// GDI's compatible mode, exactly as it always drew.
void CDrawContext::applyPanelTransform() {
  HDC dc = dcOf(cr_);
  if (!dc) return;
  if (scale_ == 1.0 && originX_ == 0.0 && originY_ == 0.0) {
    if (GetGraphicsMode(dc) == GM_ADVANCED) ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
    return;
  }
  SetGraphicsMode(dc, GM_ADVANCED);
  const auto s = static_cast<FLOAT>(scale_);
  const XFORM panel{s, 0.0f, 0.0f, s, static_cast<FLOAT>(originX_), static_cast<FLOAT>(originY_)};
  SetWorldTransform(dc, &panel);
}

CDrawContext::~CDrawContext() {
  if (cr_) GdiFlush();
  if (surface_) static_cast<DibSurface*>(surface_)->forget();
  if (flushWindow_ && frame_ && frame_->getPlatformWindow()) frame_->getPlatformWindow()->flush();
}

// The Cairo backend needs these to build paths; GDI draws each shape in one call.
void CDrawContext::preparePlain() {}
void CDrawContext::paintPlain(bool) {}
void CDrawContext::applyPlainFont() {}
void CDrawContext::pathThrough(const CPoint*, int32_t) {}

void CDrawContext::moveTo(const CPoint& point) { penPosition_ = point; }

void CDrawContext::lineTo(const CPoint& point) {
  HDC dc = dcOf(cr_);
  if (!dc) return;
  {
    GdiTools tools(dc, CreatePen(PS_SOLID, std::max(1, lineWidth_), colourRef(frameColor_)),
                   nullptr, rasterMode(drawMode_));
    MoveToEx(dc, penPosition_.x, penPosition_.y, nullptr);
    LineTo(dc, point.x, point.y);
    SetPixelV(dc, point.x, point.y, colourRef(frameColor_));  // GDI leaves out the end point
  }
  penPosition_ = point;
}

void CDrawContext::drawRect(const CRect& rect) {
  HDC dc = dcOf(cr_);
  if (!dc) return;
  GdiTools tools(dc, CreatePen(PS_SOLID, std::max(1, lineWidth_), colourRef(frameColor_)), nullptr,
                 rasterMode(drawMode_));
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void CDrawContext::fillRect(const CRect& rect) {
  HDC dc = dcOf(cr_);
  if (!dc || rect.isEmpty()) return;
  // Without a pen GDI fills one pixel less to the right and below: widen by one.
  GdiTools tools(dc, nullptr, CreateSolidBrush(colourRef(fillColor_)), rasterMode(drawMode_));
  Rectangle(dc, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
}

void CDrawContext::drawEllipse(const CRect& rect) {
  HDC dc = dcOf(cr_);
  if (!dc) return;
  GdiTools tools(dc, CreatePen(PS_SOLID, std::max(1, lineWidth_), colourRef(frameColor_)), nullptr,
                 rasterMode(drawMode_));
  Ellipse(dc, rect.left, rect.top, rect.right, rect.bottom);
}

void CDrawContext::fillEllipse(const CRect& rect) {
  HDC dc = dcOf(cr_);
  if (!dc || rect.isEmpty()) return;
  GdiTools tools(dc, nullptr, CreateSolidBrush(colourRef(fillColor_)), rasterMode(drawMode_));
  Ellipse(dc, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
}

void CDrawContext::fillPolygon(const CPoint* points, int32_t count) {
  HDC dc = dcOf(cr_);
  if (!dc || !points || count < 3) return;
  std::vector<POINT> corners(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) corners[static_cast<size_t>(i)] = {points[i].x, points[i].y};
  GdiTools tools(dc, nullptr, CreateSolidBrush(colourRef(fillColor_)), rasterMode(drawMode_));
  SetPolyFillMode(dc, ALTERNATE);
  Polygon(dc, corners.data(), count);
}

void CDrawContext::drawPolygon(const CPoint* points, int32_t count) {
  HDC dc = dcOf(cr_);
  if (!dc || !points || count < 2) return;
  std::vector<POINT> corners(static_cast<size_t>(count) + 1);
  for (int32_t i = 0; i < count; ++i) corners[static_cast<size_t>(i)] = {points[i].x, points[i].y};
  corners.back() = corners.front();
  GdiTools tools(dc, CreatePen(PS_SOLID, 1, colourRef(frameColor_)), nullptr,
                 rasterMode(drawMode_));
  Polyline(dc, corners.data(), count + 1);
}

int32_t CDrawContext::getStringWidth(const char* text) {
  HDC dc = dcOf(cr_);
  if (!dc || !text || !*text) return 0;
  SelectedFont font(dc, fontId_, fontSize_, fontStyle_);
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
  return size.cx;
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque, int32_t hAlign) {
  HDC dc = dcOf(cr_);
  if (!dc || !text) return;
  if (opaque) {
    HBRUSH brush = CreateSolidBrush(colourRef(fillColor_));
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(dc, &area, brush);
    DeleteObject(brush);
  }
  if (!*text) return;
  const int32_t width = getStringWidth(text);
  SelectedFont font(dc, fontId_, fontSize_, fontStyle_);
  int32_t x = rect.left + 1;
  if (hAlign == kCenterText) {
    x = rect.left + (rect.width() - width) / 2;
  } else if (hAlign == kRightText) {
    x = rect.right - width;
  }
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const int32_t y = rect.top + (rect.height() - metrics.tmHeight) / 2;
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, colourRef(fontColor_));
  TextOutA(dc, x, y, text, static_cast<int>(strlen(text)));
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

}  // namespace VSTGUI
