#include "utf16_text.h"

namespace vst3host {

std::string toUtf8(const char16_t* text, std::size_t maxLength) {
  std::string out;
  for (std::size_t i = 0; i < maxLength && text[i] != 0; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < maxLength && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void toUtf16(const std::string& text, char16_t* out, std::size_t capacity) {
  if (capacity == 0) return;
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size() && n + 1 < capacity;) {
    const auto b = static_cast<unsigned char>(text[i]);
    char32_t c = b;
    int extra = b < 0x80           ? 0
                : (b >> 5) == 0x6  ? 1
                : (b >> 4) == 0xE  ? 2
                : (b >> 3) == 0x1E ? 3
                                   : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
      c = 0xFFFD;
      extra = 0;
    } else if (extra > 0) {
      c = b & (0x3F >> extra);
      for (int k = 1; k <= extra; ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (c >= 0x10000) {
      if (n + 2 >= capacity) break;
      c -= 0x10000;
      out[n++] = static_cast<char16_t>(0xD800 + (c >> 10));
      out[n++] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out[n++] = static_cast<char16_t>(c);
    }
  }
  out[n] = 0;
}

}  // namespace vst3host
