// VectorGraphics: anti-aliased shapes and text on the surface of a drawing context, the
// smooth drawing the editor's controls use beside the context's plain operations. Each
// drawing backend implements it (gui/cairo/ with Cairo, gui/win32/ with GDI+), and
// createVectorGraphics gives the one of the backend that gui/CMakeLists.txt builds.
//
// Geometry follows the controls' convention: pixel centres lie on integer coordinates, so a
// 1-pixel line at y = 6 covers row 6, and a box is (left, top, width = right - left,
// height = bottom - top), passed on as it is (negative sizes included). Angles are in
// degrees, 0 at three o'clock, growing clockwise on screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "gui/gui_types.h"

namespace VSTGUI {

class CDrawContext;

class VectorGraphics {
 public:
  virtual ~VectorGraphics() = default;

  // Colours as 0xAARRGGBB: the pen's (outlines and lines), the fill brush's and the text's.
  virtual void setPenColour(uint32_t argb) = 0;
  virtual void setFillColour(uint32_t argb) = 0;
  virtual void setTextColour(uint32_t argb) = 0;
  // Pen width in pixels; 0 or less draws the thinnest visible line.
  virtual void setPenWidth(int32_t width) = 0;
  // Text font: family, em size in pixels and style bits 1 bold, 2 italic, 4 underline.
  // A size of 0 or less makes no font: drawText then draws nothing. A family the system
  // lacks is replaced by an installed one, never by no font.
  virtual void setFont(const char* family, int32_t size, int32_t style) = 0;

  virtual void drawLine(const CPoint& from, const CPoint& to) = 0;
  virtual void drawRect(const CRect& box) = 0;
  virtual void fillRect(const CRect& box) = 0;
  virtual void drawEllipse(const CRect& box) = 0;
  virtual void fillEllipse(const CRect& box) = 0;
  // The arc of the ellipse in box from `start` over `sweep` degrees: its outline with the
  // pen, or the pie it spans filled with the fill colour.
  virtual void drawArc(const CRect& box, float start, float sweep) = 0;
  virtual void fillPie(const CRect& box, float start, float sweep) = 0;
  // One line of `length` single-byte characters, centred vertically in box and placed
  // horizontally by hAlign (kLeftText, kCenterText, kRightText; others count as left).
  // No clipping, no wrapping, no background.
  virtual void drawText(const char* text, size_t length, const CRect& box, int32_t hAlign) = 0;
};

// Anti-aliased drawing on the surface of `context`, which must outlive the result.
std::unique_ptr<VectorGraphics> createVectorGraphics(CDrawContext& context);

// Keeps the platform's vector graphics library started while any instance exists (GDI+ on
// Windows, started by the first instance and shut down with the last; Cairo needs no
// start). The editor holds one from its construction to its destruction.
class VectorGraphicsLibrary {
 public:
  VectorGraphicsLibrary();
  ~VectorGraphicsLibrary();
  VectorGraphicsLibrary(const VectorGraphicsLibrary&) = delete;
  VectorGraphicsLibrary& operator=(const VectorGraphicsLibrary&) = delete;
};

}  // namespace VSTGUI
