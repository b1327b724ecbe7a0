#include "gui/cairo/cairo_text.h"

namespace VSTGUI {

void byteToUtf8(unsigned char byte, char out[3]) {
  if (byte < 0x80) {
    out[0] = static_cast<char>(byte);
    out[1] = 0;
  } else {
    out[0] = static_cast<char>(0xC0 | (byte >> 6));
    out[1] = static_cast<char>(0x80 | (byte & 0x3F));
    out[2] = 0;
  }
}

std::string latin1ToUtf8(const char* text, size_t maxChars) {
  std::string out;
  if (!text) return out;
  for (size_t i = 0; i < maxChars && text[i] != 0; ++i) {
    char buffer[3] = {0, 0, 0};
    byteToUtf8(static_cast<unsigned char>(text[i]), buffer);
    out += buffer;
  }
  return out;
}

}  // namespace VSTGUI
