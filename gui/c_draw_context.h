// CDrawContext: the plain drawing operations (no anti-aliasing) on a window or an
// offscreen surface, the font table's text, and the mouse state of the frame's window.
#pragma once

#include <cstdint>

#include "gui/c_reference_counter.h"
#include "gui/font_table.h"
#include "gui/gui_types.h"

namespace VSTGUI {

class CFrame;

class CDrawContext : public CReferenceCounter {
 public:
  // Draws on `surface` (the drawing library's surface handle, a cairo_surface_t* on Linux);
  // the context takes over the caller's reference. `frame` answers the mouse queries and
  // may be null (the queries then answer 0 and (0, 0)). Coordinates are panel units; the
  // frame's scale (1 without a frame) says how many surface pixels one unit spans.
  CDrawContext(CFrame* frame, void* surface);
  ~CDrawContext() override;

  // Mouse state of the frame's window: mask of CButton bits, and the pointer position
  // relative to the window's top-left corner.
  int32_t getMouseButtons();
  void getMouseLocation(CPoint& where);

  // Colours: alpha is ignored by the plain operations (they paint opaque).
  void setFrameColor(const CColor& color);
  void setFillColor(const CColor& color);
  void setFontColor(const CColor& color);
  const CColor& getFrameColor() const { return frameColor_; }
  const CColor& getFillColor() const { return fillColor_; }
  const CColor& getFontColor() const { return fontColor_; }
  void setLineWidth(int32_t width);
  int32_t getLineWidth() const { return lineWidth_; }
  // 1 merge, 2 not-xor, anything else plain copy (CDrawMode).
  void setDrawMode(int32_t mode);
  int32_t getDrawMode() const { return drawMode_; }

  // Font of the font table (font_table.h): identifier outside 0..7 counts as 0, size 0 is
  // the row's default size. Style bits: 1 bold, 2 italic, 4 underline, 8 condensed
  // (2 pixels less between characters), 16 expanded (2 more; wins over 8).
  void setFont(int32_t fontId, int32_t size = 0, int32_t style = 0);
  int32_t getFontId() const { return fontId_; }
  int32_t getFontSize() const { return fontSize_; }
  int32_t getFontStyle() const { return fontStyle_; }
  // Width in pixels of the text in the current font, letter spacing included.
  int32_t getStringWidth(const char* text);
  // One line of text, centred vertically in rect. Left alignment starts one pixel in.
  // The rectangle is filled with the fill colour behind the text only when opaque is set.
  void drawString(const char* text, const CRect& rect, bool opaque = false,
                  int32_t hAlign = kCenterText);

  // Plain shapes in the frame colour (outlines) and the fill colour (fills). A rectangle's
  // outline and fill cover the pixels from left/top to right-1/bottom-1.
  void moveTo(const CPoint& point);
  void lineTo(const CPoint& point);
  void drawRect(const CRect& rect);
  void fillRect(const CRect& rect);
  void drawEllipse(const CRect& rect);
  void fillEllipse(const CRect& rect);
  // Filled polygon: interior only, opaque, not anti-aliased.
  void fillPolygon(const CPoint* points, int32_t count);
  // 1-pixel outline: the polyline closed back to the first point.
  void drawPolygon(const CPoint* points, int32_t count);

  CFrame* getFrame() const { return frame_; }
  // Surface pixels per panel unit, and where the panel's (0, 0) lies on the surface, in
  // surface pixels (an offscreen surface starts at the pixel its rectangle begins on).
  double getScale() const { return scale_; }
  double getOriginX() const { return originX_; }
  double getOriginY() const { return originY_; }
  // The drawing library's context (a cairo_t* on Linux), for contexts that add their own
  // operations on the same surface (the editor's anti-aliased context).
  void* getSystemContext() const { return cr_; }
  // The surface drawn on (a cairo_surface_t* on Linux).
  void* getSurface() const { return surface_; }

 protected:
  // Applies the plain-drawing state (no anti-aliasing, line width) and starts a new path.
  void preparePlain();
  // Strokes (frame colour) or fills (fill colour) that path through the draw mode.
  void paintPlain(bool stroke);
  // Selects the font-table font for the plain text path.
  void applyPlainFont();
  void pathThrough(const CPoint* points, int32_t count);
  // Sets the drawing library's transform to panel units (scale, then origin).
  void applyPanelTransform();

  CFrame* frame_ = nullptr;
  void* surface_ = nullptr;
  void* cr_ = nullptr;
  CColor frameColor_ = kBlackCColor;
  CColor fillColor_ = kWhiteCColor;
  CColor fontColor_ = kBlackCColor;
  int32_t lineWidth_ = 1;
  int32_t drawMode_ = kCopyMode;
  int32_t fontId_ = 0;
  int32_t fontSize_ = 12;
  int32_t fontStyle_ = 0;
  CPoint penPosition_;
  double scale_ = 1.0;
  double originX_ = 0.0;
  double originY_ = 0.0;
  bool flushWindow_ = true;  // window contexts push their drawing out when they end
};

}  // namespace VSTGUI
