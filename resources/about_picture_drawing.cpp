// The about picture's drawing, in its 435 x 330 units: the build-time generator draws it
// at 1 pixel per unit into the plug-in's data (and for the Windows build at each size it
// carries); on Linux the plug-in draws it again at the resolution a scaled panel shows it at.
#include "about_picture_drawing.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "about_picture.h"

namespace resources {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kW = kAboutPictureWidth;
constexpr int kH = kAboutPictureHeight;

void setRgb(cairo_t* cr, int r, int g, int b, double alpha = 1.0) {
  cairo_set_source_rgba(cr, r / 255.0, g / 255.0, b / 255.0, alpha);
}

struct Rgb {
  int r, g, b;
};

// Fills the current path with `fill`, then outlines it with `outline` at the current
// line width.
void fillAndOutline(cairo_t* cr, Rgb fill, Rgb outline) {
  setRgb(cr, fill.r, fill.g, fill.b);
  cairo_fill_preserve(cr);
  setRgb(cr, outline.r, outline.g, outline.b);
  cairo_stroke(cr);
}

// Warm gradient from deep orange at the top left to pale apricot at the bottom right.
void drawBackground(cairo_t* cr) {
  cairo_pattern_t* bg = cairo_pattern_create_linear(0, 0, kW, kH);
  cairo_pattern_add_color_stop_rgb(bg, 0.0, 0.80, 0.33, 0.04);
  cairo_pattern_add_color_stop_rgb(bg, 0.55, 0.95, 0.58, 0.25);
  cairo_pattern_add_color_stop_rgb(bg, 1.0, 0.99, 0.84, 0.66);
  cairo_set_source(cr, bg);
  cairo_paint(cr);
  cairo_pattern_destroy(bg);
}

// A listener's head seen from above, inside the azimuth circle, with a sound source on the
// circle sending wave fronts toward the head.
void drawIllustration(cairo_t* cr) {
  const double cx = 112, cy = 170, ring = 86;

  // Soft glow behind the circle.
  cairo_pattern_t* glow = cairo_pattern_create_radial(cx, cy, 10, cx, cy, ring + 24);
  cairo_pattern_add_color_stop_rgba(glow, 0.0, 1.0, 0.93, 0.80, 0.85);
  cairo_pattern_add_color_stop_rgba(glow, 1.0, 1.0, 0.75, 0.45, 0.0);
  cairo_set_source(cr, glow);
  cairo_arc(cr, cx, cy, ring + 24, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(glow);

  // Azimuth circle with a tick every 30 degrees and a longer one every 90.
  setRgb(cr, 150, 60, 10);
  cairo_set_line_width(cr, 2.0);
  cairo_arc(cr, cx, cy, ring, 0, 2 * kPi);
  cairo_stroke(cr);
  for (int deg = 0; deg < 360; deg += 30) {
    const double a = deg * kPi / 180.0;
    const double inner = ring - (deg % 90 == 0 ? 10 : 5);
    cairo_move_to(cr, cx + inner * std::sin(a), cy - inner * std::cos(a));
    cairo_line_to(cr, cx + ring * std::sin(a), cy - ring * std::cos(a));
    cairo_stroke(cr);
  }

  // Head: face circle, nose toward 0 degrees (up), ears left and right.
  constexpr Rgb kSkin{255, 214, 170}, kEar{240, 160, 100}, kSkinOutline{150, 60, 10};
  cairo_arc(cr, cx, cy, 30, 0, 2 * kPi);
  cairo_set_line_width(cr, 2.5);
  fillAndOutline(cr, kSkin, kSkinOutline);
  for (int side = -1; side <= 1; side += 2) {
    cairo_save(cr);
    cairo_translate(cr, cx + side * 31, cy);
    cairo_scale(cr, 0.5, 1.0);
    cairo_arc(cr, 0, 0, 9, 0, 2 * kPi);
    cairo_restore(cr);
    fillAndOutline(cr, kEar, kSkinOutline);
  }
  cairo_move_to(cr, cx - 7, cy - 28);
  cairo_line_to(cr, cx, cy - 40);
  cairo_line_to(cr, cx + 7, cy - 28);
  fillAndOutline(cr, kSkin, kSkinOutline);

  // Source at 60 degrees on the circle with three wave fronts heading for the head.
  const double sa = 60.0 * kPi / 180.0;
  const double sx = cx + ring * std::sin(sa), sy = cy - ring * std::cos(sa);
  for (int i = 1; i <= 3; ++i) {
    setRgb(cr, 203, 40, 20, 0.85 - 0.2 * i);
    cairo_set_line_width(cr, 3.0);
    const double toward = std::atan2(cy - sy, cx - sx);
    cairo_arc(cr, sx, sy, 12.0 * i + 4, toward - 0.5, toward + 0.5);
    cairo_stroke(cr);
  }
  cairo_arc(cr, sx, sy, 8, 0, 2 * kPi);
  cairo_set_line_width(cr, 1.5);
  fillAndOutline(cr, Rgb{203, 0, 40}, Rgb{101, 0, 20});
}

void text(cairo_t* cr, double x, double y, double size, bool bold, const char* s) {
  cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s);
}

void drawTexts(cairo_t* cr) {
  // Title line: product and year.
  setRgb(cr, 255, 248, 240);
  text(cr, 16, 42, 30, true, "quendral");
  text(cr, 150, 42, 20, false, "2026");
  setRgb(cr, 255, 232, 210);
  text(cr, 18, 62, 12, false, "binaural panner, VST 2.4 plug-in");

  // MIDI controller assignments, on the right of the illustration.
  const double x = 232;
  setRgb(cr, 90, 30, 0);
  text(cr, x, 98, 14, true, "MIDI controllers");
  const char* const rows[][2] = {
      {"CC 10", "azimuth"}, {"CC 12", "LFO speed"}, {"CC 13", "LFO position"}, {"CC 7", "gain"}};
  double y = 120;
  for (const auto& row : rows) {
    text(cr, x, y, 12, true, row[0]);
    text(cr, x + 50, y, 12, false, row[1]);
    y += 18;
  }

  // Acknowledgements and the plug-in technology credit.
  setRgb(cr, 90, 30, 0);
  text(cr, x, 212, 12, true, "Acknowledgements");
  text(cr, x, 230, 11, false, "Head-related impulse responses:");
  text(cr, x, 245, 11, false, "MIT KEMAR measurements by");
  text(cr, x, 260, 11, false, "Bill Gardner and Keith Martin,");
  text(cr, x, 275, 11, false, "MIT Media Lab.");
  text(cr, 16, 300, 10, false, "VST plug-in technology by its respective owner.");
  setRgb(cr, 120, 50, 10);
  text(cr, 16, 318, 10, false, "Click anywhere to close.");
}

}  // namespace

void drawAboutPicture(cairo_t* cr) {
  drawBackground(cr);
  drawIllustration(cr);
  drawTexts(cr);
}

cairo_surface_t* drawAboutPictureAt(double scale) {
  const auto width = static_cast<int32_t>(std::floor(kW * scale + 0.5));
  const auto height = static_cast<int32_t>(std::floor(kH * scale + 0.5));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) return surface;
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  drawAboutPicture(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  return surface;
}

bool renderAboutPicture(double scale, std::vector<unsigned char>& rgb, int32_t& width,
                        int32_t& height, double& pictureScale) {
  cairo_surface_t* surface = drawAboutPictureAt(scale);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return false;
  }
  pictureScale = scale;
  width = cairo_image_surface_get_width(surface);
  height = cairo_image_surface_get_height(surface);
  rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int32_t y = 0; y < height; ++y) {
    const auto* line =
        reinterpret_cast<const uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int32_t x = 0; x < width; ++x) {
      unsigned char* px = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      px[0] = static_cast<unsigned char>(line[x] >> 16);
      px[1] = static_cast<unsigned char>(line[x] >> 8);
      px[2] = static_cast<unsigned char>(line[x]);
    }
  }
  cairo_surface_destroy(surface);
  return true;
}
}  // namespace resources
