// Geometry, colours and mouse-button masks shared by every view, context and backend.
#pragma once

#include <cstdint>

namespace VSTGUI {

// A point in window coordinates (x to the right, y down).
struct CPoint {
  int32_t x = 0;
  int32_t y = 0;
  constexpr CPoint() = default;
  constexpr CPoint(int32_t px, int32_t py) : x(px), y(py) {}
  constexpr bool operator==(const CPoint&) const = default;
  CPoint& offset(int32_t dx, int32_t dy) {
    x += dx;
    y += dy;
    return *this;
  }
};

// A rectangle: left and top inside, right and bottom one past the last pixel.
struct CRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  constexpr CRect() = default;
  constexpr CRect(int32_t l, int32_t t, int32_t r, int32_t b)
      : left(l), top(t), right(r), bottom(b) {}
  constexpr bool operator==(const CRect&) const = default;

  constexpr int32_t width() const { return right - left; }
  constexpr int32_t height() const { return bottom - top; }
  constexpr bool isEmpty() const { return right <= left || bottom <= top; }
  // Edges included on the left and top, excluded on the right and bottom.
  constexpr bool pointInside(const CPoint& p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  constexpr bool overlaps(const CRect& r) const {
    return left < r.right && r.left < right && top < r.bottom && r.top < bottom;
  }
  CRect& offset(int32_t dx, int32_t dy) {
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
    return *this;
  }
  // Moves every edge inward by dx horizontally and dy vertically (outward when negative).
  CRect& inset(int32_t dx, int32_t dy) {
    left += dx;
    right -= dx;
    top += dy;
    bottom -= dy;
    return *this;
  }
  CRect& moveTo(int32_t x, int32_t y) { return offset(x - left, y - top); }
};

// Red, green, blue and alpha bytes; alpha 255 is opaque.
struct CColor {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t alpha = 255;
  constexpr bool operator==(const CColor&) const = default;
};

inline constexpr CColor kBlackCColor{0, 0, 0, 255};
inline constexpr CColor kWhiteCColor{255, 255, 255, 255};

// Button mask bits reported by getMouseButtons and handed to mouse(). -1 as a mask means
// "not read yet": the receiver reads it with getMouseButtons.
enum CButton : int32_t {
  kLButton = 1,
  kMButton = 2,
  kRButton = 4,
  kShift = 8,
  kControl = 16,
  kAlt = 32,
  kApple = 64,
};

// Horizontal text alignment for drawString.
enum CHoriTxtAlign : int32_t {
  kLeftText = 0,
  kCenterText = 1,
  kRightText = 2,
};

// Raster modes of setDrawMode; they affect only the plain (not anti-aliased) operations.
// Any value other than 1 and 2 is a plain copy.
enum CDrawMode : int32_t {
  kMergeMode = 1,   // source combined with the destination (lighter of the two per channel)
  kNotXorMode = 2,  // inverted exclusive-or of source and destination
  kCopyMode = 3,
};

}  // namespace VSTGUI
