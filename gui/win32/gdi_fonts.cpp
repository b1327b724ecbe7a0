#include "gui/win32/gdi_fonts.h"

#include <cstring>
#include <map>
#include <mutex>

#include "gui/font_table.h"

namespace VSTGUI {

namespace {

// "Arial" is a substitute name in many wine prefixes: GDI maps it silently, GDI+ does
// not find it. "Tahoma" ships with wine and every Windows.
const char* const kFallbackFamilies[] = {"Arial", "Liberation Sans", "DejaVu Sans", "Tahoma"};

int CALLBACK noteFamily(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one match is enough
}

bool familyInstalled(const char* family) {
  if (!family || !*family || std::strlen(family) >= LF_FACESIZE) return false;
  HDC screen = GetDC(nullptr);
  if (!screen) return false;
  LOGFONTA query{};
  query.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(query.lfFaceName, family, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExA(screen, &query, noteFamily, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

}  // namespace

std::string installedFamilyFor(const char* family) {
  static std::mutex mutex;
  static std::map<std::string, std::string> known;
  const std::string wanted = family ? family : "";
  std::lock_guard<std::mutex> lock(mutex);
  auto it = known.find(wanted);
  if (it != known.end()) return it->second;
  std::string result;
  if (familyInstalled(wanted.c_str())) {
    result = wanted;
  } else {
    for (const char* candidate : kFallbackFamilies) {
      if (familyInstalled(candidate)) {
        result = candidate;
        break;
      }
    }
  }
  known[wanted] = result;
  return result;
}

std::string resolveFontFamily(const char* family) { return installedFamilyFor(family); }

SelectedFont::SelectedFont(HDC dc, int32_t fontId, int32_t size, int32_t style) : dc_(dc) {
  const FontRow& row = fontRow(fontId);
  const std::string family = installedFamilyFor(row.family);
  const bool bold = row.alwaysBold || (style & kBoldFace);
  font_ = CreateFontA(-size, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, (style & kItalicFace) ? 1 : 0,
                      (style & kUnderlineFace) ? 1 : 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS,
                      family.empty() ? nullptr : family.c_str());
  // A font that cannot be made leaves the system's GUI font, never no font.
  previous_ =
      SelectObject(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
  previousSpacing_ = SetTextCharacterExtra(dc, letterSpacingForStyle(style));
}

SelectedFont::~SelectedFont() {
  SetTextCharacterExtra(dc_, previousSpacing_);
  SelectObject(dc_, previous_);
  if (font_) DeleteObject(font_);
}

}  // namespace VSTGUI
