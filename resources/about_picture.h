// The about picture shown over the panel when the title strip is clicked: bitmap 129,
// 435 x 330 pixels, 24 bits per pixel. The pixels are drawn at build time by
// about_picture_generator.cpp and compiled into the plug-in (on Windows as bitmap resource
// 129, read back by about_picture_resource.cpp).
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

// The picture drawn anew at `scale` pixels per unit (rows as above, width x height pixels),
// for a scaled panel. False where the plug-in cannot draw it (Windows: only the pixels
// above are there).
bool renderAboutPicture(double scale, std::vector<unsigned char>& rgb, int32_t& width,
                        int32_t& height);

}  // namespace resources
