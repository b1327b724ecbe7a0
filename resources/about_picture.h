// The about picture shown over the panel when the title strip is clicked: bitmap 129,
// 435 x 330 pixels, 24 bits per pixel. The pixels are drawn at build time by
// about_picture_generator.cpp and compiled into the plug-in (on Windows as bitmap resource
// 129, read back by about_picture_resource.cpp). A scaled panel shows the picture drawn at
// its own resolution: on Linux the plug-in draws it anew; the Windows build, which has no
// Cairo, carries it drawn at build time at the sizes the panel's menu offers (Windows' own
// display scales among them) as PNG resources, decoded by GDI+.
#pragma once

#include <cstdint>
#include <vector>

namespace resources {

constexpr int32_t kAboutPictureId = 129;
constexpr int32_t kAboutPictureWidth = 435;
constexpr int32_t kAboutPictureHeight = 330;
constexpr int32_t kAboutPictureBytes = kAboutPictureWidth * kAboutPictureHeight * 3;

// Rows from top to bottom, each pixel as red, green, blue bytes; no row padding.
extern const unsigned char* const kAboutPicturePixels;

// The sizes in percent that the Windows build carries beside 100%, as RCDATA resources
// kAboutPictureScaledId onwards in this order.
constexpr int32_t kAboutPicturePercents[] = {125, 150, 175, 200, 250, 300};
constexpr int32_t kAboutPictureScaledId = 130;

// The picture's pixels for a panel at `scale` (above 1) pixels per unit: rows as above,
// width x height pixels, drawn at `pictureScale` pixels per unit. Linux draws it at `scale`
// itself; Windows gives the size it carries that is `scale`, else the next larger one (the
// panel resamples it down). False when there is none: the 100% pixels serve.
bool renderAboutPicture(double scale, std::vector<unsigned char>& rgb, int32_t& width,
                        int32_t& height, double& pictureScale);

}  // namespace resources
