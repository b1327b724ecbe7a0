// Fonts for GDI text: the font table's rows made into GDI fonts, with installed families
// standing in for missing ones, so that no text is ever drawn with a font that failed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace VSTGUI {

// The family to ask GDI and GDI+ for in place of `family`: itself when installed, else
// the first installed of a list of common sans-serif families (the list ends with one
// that every Windows and wine has).
std::string installedFamilyFor(const char* family);

// Selects the font table's font (id, pixel size, style bits) and the style's letter
// spacing into a device context for the lifetime of this object.
class SelectedFont {
 public:
  SelectedFont(HDC dc, int32_t fontId, int32_t size, int32_t style);
  ~SelectedFont();
  SelectedFont(const SelectedFont&) = delete;
  SelectedFont& operator=(const SelectedFont&) = delete;

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ previous_;
  int previousSpacing_;
};

}  // namespace VSTGUI
