// The editor's four colours, shared by every custom control through a reference and read
// at every draw, and the colour rules the controls derive their shades with.
#pragma once

#include "gui/gui_types.h"

namespace panner {

struct ColourSet {
  // 0 light accents, 1 control bodies, 2 lit lamps and pointers, 3 text.
  VSTGUI::CColor colour[4];

  static constexpr ColourSet defaults() {
    return ColourSet{
        {{240, 145, 116, 255}, {232, 133, 10, 255}, {203, 0, 40, 255}, {0, 0, 0, 255}}};
  }
  constexpr const VSTGUI::CColor& operator[](int index) const { return colour[index]; }
  constexpr VSTGUI::CColor& operator[](int index) { return colour[index]; }
};

// Half way to white: each of red, green and blue becomes (c + 255) >> 1; alpha 255.
constexpr VSTGUI::CColor lighten(const VSTGUI::CColor& c) {
  return {static_cast<uint8_t>((c.red + 255) >> 1), static_cast<uint8_t>((c.green + 255) >> 1),
          static_cast<uint8_t>((c.blue + 255) >> 1), 255};
}

// Half way to black: each of red, green and blue halved; alpha 255.
constexpr VSTGUI::CColor darken(const VSTGUI::CColor& c) {
  return {static_cast<uint8_t>(c.red >> 1), static_cast<uint8_t>(c.green >> 1),
          static_cast<uint8_t>(c.blue >> 1), 255};
}

}  // namespace panner
