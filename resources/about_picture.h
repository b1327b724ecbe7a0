// The about picture shown over the panel when the title strip is clicked: bitmap 129,
// 435 x 330 pixels, 24 bits per pixel. The pixels are drawn at build time by
// about_picture_generator.cpp and compiled into the plug-in (on Windows as bitmap resource
// 129, read back by about_picture_resource.cpp).
#pragma once

#include <cstdint>

namespace resources {

constexpr int32_t kAboutPictureId = 129;
constexpr int32_t kAboutPictureWidth = 435;
constexpr int32_t kAboutPictureHeight = 330;
constexpr int32_t kAboutPictureBytes = kAboutPictureWidth * kAboutPictureHeight * 3;

// Rows from top to bottom, each pixel as red, green, blue bytes; no row padding.
extern const unsigned char* const kAboutPicturePixels;

}  // namespace resources
