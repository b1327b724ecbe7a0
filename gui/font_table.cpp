#include "gui/font_table.h"

#include <fontconfig/fontconfig.h>

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

std::string resolveFontFamily(const char* family) {
  std::string result;
  if (!family) return result;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
  if (!pattern) return result;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult status = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &status);
  if (match) {
    FcChar8* name = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name) {
      result = reinterpret_cast<const char*>(name);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return result;
}

}  // namespace VSTGUI
