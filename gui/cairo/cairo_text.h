// Helpers shared by the Cairo drawing code: byte texts to UTF-8, colours to sources.
#pragma once

#include <cairo.h>

#include <string>

#include "gui/gui_types.h"

namespace VSTGUI {

// Single-byte text (Windows Latin-1 range) to UTF-8, at most maxChars characters.
std::string latin1ToUtf8(const char* text, size_t maxChars);

// One character of single-byte text as a zero-terminated UTF-8 sequence.
void byteToUtf8(unsigned char byte, char out[3]);

inline void setOpaqueSource(cairo_t* cr, const CColor& c) {
  cairo_set_source_rgb(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0);
}

}  // namespace VSTGUI
