// Font families on Linux: fontconfig chooses the installed family that serves a requested
// one (fonts-liberation's metric-compatible families for Arial and its kin).
#include <fontconfig/fontconfig.h>

#include "gui/font_table.h"

namespace VSTGUI {

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
