#include "gui/font_table.h"

namespace VSTGUI {

namespace {
constexpr FontRow kRows[kNumStandardFonts] = {
    {"Arial", 12, true},
    {"Impact", 18, false},
    {"Arial", 14, false},
    {"Arial", 12, false},
    {"Futura Condensed ExtraBold", 11, false},
    {"Arial", 10, false},
    {"Arial", 9, false},
    {"Symbol", 13, false},
};
}  // namespace

const FontRow& fontRow(int32_t fontId) {
  if (fontId < 0 || fontId >= kNumStandardFonts) fontId = 0;
  return kRows[fontId];
}

int32_t letterSpacingForStyle(int32_t style) {
  if (style & kExpandedFace) return 2;
  if (style & kCondensedFace) return -2;
  return 0;
}

}  // namespace VSTGUI
