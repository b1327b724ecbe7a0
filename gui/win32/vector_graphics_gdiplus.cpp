// VectorGraphics on GDI+ (its flat interface): anti-aliased shapes and text on the
// device context of a drawing context's DIB surface. GDI+ places pixel centres on integer
// coordinates, the convention the controls draw in.
#include <windows.h>
// windows.h first: GDI+ builds on its types.
#include <gdiplus.h>

#include <algorithm>
#include <mutex>
#include <string>

#include "gui/c_draw_context.h"
#include "gui/vector_graphics.h"
#include "gui/win32/dib_surface.h"
#include "gui/win32/gdi_fonts.h"

namespace VSTGUI {

namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

constexpr INT kStringFormatFlags = 0x5420;  // no clipping, no wrapping, no font fallback,
                                            // display format control

std::mutex gLibraryMutex;
int gLibraryUsers = 0;
ULONG_PTR gLibraryToken = 0;

std::wstring widen(const std::string& text) {
  std::wstring wide;
  for (unsigned char c : text) wide += static_cast<wchar_t>(c);
  return wide;
}

class GdiplusVectorGraphics : public VectorGraphics {
 public:
  // GDI+ keeps a transform of its own: the panel's scale and origin, placed so that a
  // unit's pixel centre on integer coordinates lands on the centre of its pixels.
  GdiplusVectorGraphics(HDC dc, double scale, double originX, double originY) : dc_(dc) {
    GdipCreatePen1(0xFF000000u, 1.0f, UnitWorld, &pen_);
    GdipCreateSolidFill(0xFFFFFFFFu, &fill_);
    GdipCreateSolidFill(0xFE000000u, &text_);
    const DevicePixels pixels(dc);
    if (dc && GdipCreateFromHDC(dc, &graphics_) == Ok) {
      GdipSetInterpolationMode(graphics_, InterpolationModeDefault);
      GdipSetSmoothingMode(graphics_, SmoothingModeHighQuality);
      if (scale != 1.0 || originX != 0.0 || originY != 0.0) {
        const auto s = static_cast<REAL>(scale);
        const REAL shift = 0.5f * (s - 1.0f);
        GpMatrix* panel = nullptr;
        if (GdipCreateMatrix2(s, 0.0f, 0.0f, s, static_cast<REAL>(originX) + shift,
                              static_cast<REAL>(originY) + shift, &panel) == Ok) {
          GdipSetWorldTransform(graphics_, panel);
          GdipDeleteMatrix(panel);
        }
      }
    } else {
      graphics_ = nullptr;
    }
    setFont("Arial", 0, 0);
  }

  ~GdiplusVectorGraphics() override {
    if (graphics_) GdipDeleteGraphics(graphics_);
    if (pen_) GdipDeletePen(pen_);
    if (fill_) GdipDeleteBrush(fill_);
    if (text_) GdipDeleteBrush(text_);
    if (font_) GdipDeleteFont(font_);
    if (family_) GdipDeleteFontFamily(family_);
  }

  void setPenColour(uint32_t argb) override {
    if (pen_) GdipSetPenColor(pen_, argb);
  }
  void setFillColour(uint32_t argb) override {
    if (fill_) GdipSetSolidFillColor(fill_, argb);
  }
  void setTextColour(uint32_t argb) override {
    if (text_) GdipSetSolidFillColor(text_, argb);
  }
  void setPenWidth(int32_t width) override {
    if (pen_) GdipSetPenWidth(pen_, static_cast<REAL>(std::max(0, width)));
  }

  void setFont(const char* family, int32_t size, int32_t style) override {
    if (font_) GdipDeleteFont(font_);
    font_ = nullptr;
    if (family_) GdipDeleteFontFamily(family_);
    family_ = nullptr;
    // A family GDI+ cannot find (wine knows "Arial" only when its prefix maps it) is
    // replaced by an installed one, and at worst by GDI+'s generic sans-serif.
    const std::wstring name = widen(installedFamilyFor(family));
    if (name.empty() || GdipCreateFontFamilyFromName(name.c_str(), nullptr, &family_) != Ok) {
      family_ = nullptr;
      GpFontFamily* generic = nullptr;
      if (GdipGetGenericFontFamilySansSerif(&generic) == Ok && generic)
        GdipCloneFontFamily(generic, &family_);
    }
    if (family_ && size > 0 &&
        GdipCreateFont(family_, static_cast<REAL>(size), style & 7, UnitPixel, &font_) != Ok)
      font_ = nullptr;
  }

  void drawLine(const CPoint& from, const CPoint& to) override {
    const DevicePixels pixels(dc_);  // GDI+ applies its own transform
    if (!antiAlias() || !pen_) return;
    GdipDrawLineI(graphics_, pen_, from.x, from.y, to.x, to.y);
  }
  void drawRect(const CRect& box) override {
    const DevicePixels pixels(dc_);  // GDI+ applies its own transform
    if (!antiAlias() || !pen_) return;
    GdipDrawRectangle(graphics_, pen_, x(box), y(box), w(box), h(box));
  }
  void fillRect(const CRect& box) override {
    const DevicePixels pixels(dc_);  // GDI+ applies its own transform
    if (!antiAlias() || !fill_) return;
    GdipFillRectangle(graphics_, fill_, x(box), y(box), w(box), h(box));
  }
  void drawEllipse(const CRect& box) override {
    const DevicePixels pixels(dc_);  // GDI+ applies its own transform
    if (!antiAlias() || !pen_) return;
    GdipDrawEllipse(graphics_, pen_, x(box), y(box), w(box), h(box));
  }
  void fillEllipse(const CRect& box) override {
    const DevicePixels pixels(dc_);  // GDI+ applies its own transform
    if (!antiAlias() || !fill_) return;
    GdipFillEllipse(graphics_, fill_, x(box), y(box), w(box), h(box));
  }
  void drawArc(const CRect& box, float start, float sweep) override {
    const DevicePixels pixels(dc_);  // GDI+ applies its own transform
    if (!antiAlias() || !pen_) return;
    GdipDrawArc(graphics_, pen_, x(box), y(box), w(box), h(box), start, sweep);
  }
  void fillPie(const CRect& box, float start, float sweep) override {
    const DevicePixels pixels(dc_);  // GDI+ applies its own transform
    if (!antiAlias() || !fill_) return;
    GdipFillPie(graphics_, fill_, x(box), y(box), w(box), h(box), start, sweep);
  }

  void drawText(const char* text, size_t length, const CRect& box, int32_t hAlign) override {
    const DevicePixels pixels(dc_);  // GDI+ applies its own transform
    if (!graphics_ || !font_ || !text_ || !text || length == 0) return;
    GpStringFormat* format = nullptr;
    if (GdipCreateStringFormat(kStringFormatFlags, 0, &format) != Ok) return;
    GdipSetSmoothingMode(graphics_, SmoothingModeAntiAlias);
    GdipSetStringFormatTrimming(format, StringTrimmingNone);
    StringAlignment align = StringAlignmentNear;
    if (hAlign == kCenterText) align = StringAlignmentCenter;
    if (hAlign == kRightText) align = StringAlignmentFar;
    GdipSetStringFormatAlign(format, align);
    GdipSetStringFormatLineAlign(format, StringAlignmentCenter);
    GdipSetTextRenderingHint(graphics_, TextRenderingHintAntiAlias);
    const std::wstring wide = widen(std::string(text, length));
    const RectF layout(x(box), y(box), w(box), h(box));
    GdipDrawString(graphics_, wide.c_str(), static_cast<INT>(wide.size()), font_, &layout, format,
                   text_);
    GdipDeleteStringFormat(format);
  }

 private:
  // Every shape is drawn with anti-aliasing on.
  bool antiAlias() {
    if (!graphics_) return false;
    GdipSetSmoothingMode(graphics_, SmoothingModeAntiAlias);
    return true;
  }
  static REAL x(const CRect& box) { return static_cast<REAL>(box.left); }
  static REAL y(const CRect& box) { return static_cast<REAL>(box.top); }
  static REAL w(const CRect& box) { return static_cast<REAL>(box.width()); }
  static REAL h(const CRect& box) { return static_cast<REAL>(box.height()); }

  HDC dc_;
  GpGraphics* graphics_ = nullptr;
  GpPen* pen_ = nullptr;
  GpSolidFill* fill_ = nullptr;
  GpSolidFill* text_ = nullptr;
  GpFontFamily* family_ = nullptr;
  GpFont* font_ = nullptr;
};

}  // namespace

VectorGraphicsLibrary::VectorGraphicsLibrary() {
  std::lock_guard<std::mutex> lock(gLibraryMutex);
  if (gLibraryUsers++ > 0) return;
  GdiplusStartupInput input;  // version 1, no debug callback, background thread on
  if (GdiplusStartup(&gLibraryToken, &input, nullptr) != Ok) gLibraryToken = 0;
}

VectorGraphicsLibrary::~VectorGraphicsLibrary() {
  std::lock_guard<std::mutex> lock(gLibraryMutex);
  if (--gLibraryUsers > 0) return;
  if (gLibraryToken) GdiplusShutdown(gLibraryToken);
  gLibraryToken = 0;
}

std::unique_ptr<VectorGraphics> createVectorGraphics(CDrawContext& context) {
  return std::make_unique<GdiplusVectorGraphics>(static_cast<HDC>(context.getSystemContext()),
                                                 context.getScale(), context.getOriginX(),
                                                 context.getOriginY());
}

}  // namespace VSTGUI
