// Pixels compared within a tolerance per channel: anti-aliasing and each backend's rounding
// move colours by a few steps.
#pragma once

#include <cstdlib>

#include "gui/gui_types.h"

namespace quendral_test {

inline bool near(const VSTGUI::CColor& a, const VSTGUI::CColor& b, int tolerance) {
  return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
         std::abs(a.blue - b.blue) <= tolerance;
}

}  // namespace quendral_test
