// The framework's font table: eight rows of family, default size and weight, found on
// the system through the drawing backend's font lookup.
#pragma once

#include <cstdint>
#include <string>

namespace VSTGUI {

enum CFontId : int32_t {
  kSystemFont = 0,           // "Arial", always bold, 12 px
  kNormalFontVeryBig = 1,    // "Impact", 18 px
  kNormalFontBig = 2,        // "Arial", 14 px
  kNormalFont = 3,           // "Arial", 12 px
  kNormalFontSmall = 4,      // "Futura Condensed ExtraBold", 11 px
  kNormalFontSmaller = 5,    // "Arial", 10 px
  kNormalFontVerySmall = 6,  // "Arial", 9 px
  kSymbolFont = 7,           // "Symbol", 13 px
  kNumStandardFonts = 8,
};

// Font style bits.
enum CTxtFace : int32_t {
  kBoldFace = 1,
  kItalicFace = 2,
  kUnderlineFace = 4,
  kCondensedFace = 8,  // 2 pixels less between characters (plain text path)
  kExpandedFace = 16,  // 2 pixels more between characters; wins over condensed
};

struct FontRow {
  const char* family;
  int32_t defaultSize;
  bool alwaysBold;
};

// The row of an identifier; identifiers outside 0..7 give row 0.
const FontRow& fontRow(int32_t fontId);
// Extra pixels between characters for a style: +2, -2 or 0.
int32_t letterSpacingForStyle(int32_t style);
// The installed family that serves a requested family on this system (for example
// "Arial" -> "Liberation Sans" through fontconfig on Linux); empty when the system finds
// nothing. Defined by the drawing backend.
std::string resolveFontFamily(const char* family);

}  // namespace VSTGUI
