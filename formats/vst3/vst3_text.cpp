#include "vst3_text.h"

#include <cstdint>

namespace panner {

void coreTextToUtf16(const char* text, vst3::TChar* out, std::size_t capacity) {
  if (capacity == 0) return;
  std::size_t n = 0;
  for (std::size_t i = 0; text && text[i] != 0 && n + 1 < capacity;) {
    const auto b = static_cast<uint8_t>(text[i]);
#if defined(_WIN32)
    // Code page 1252 above 0x9F is Latin-1; the punctuation block below has no use here.
    out[n++] = b < 0x80 || b >= 0xA0 ? static_cast<vst3::TChar>(b) : u'?';
    ++i;
#else
    char32_t c = b;
    int extra = b < 0x80 ? 0 : (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : -1;
    if (extra < 0) {
      c = u'?';
      extra = 0;
    } else {
      if (extra > 0) c = b & (0x3F >> extra);
      for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<uint8_t>(text[i + static_cast<std::size_t>(k)]);
        if ((next >> 6) != 0x2) {
          c = u'?';
          extra = k - 1;
          break;
        }
        c = (c << 6) | (next & 0x3F);
      }
    }
    out[n++] = static_cast<vst3::TChar>(c);
    i += static_cast<std::size_t>(extra) + 1;
#endif
  }
  out[n] = 0;
}

void utf16ToCoreText(const vst3::TChar* text, char* out, std::size_t capacity) {
  if (capacity == 0) return;
  std::size_t n = 0;
  for (std::size_t i = 0; text && text[i] != 0 && n + 1 < capacity; ++i) {
    const char16_t c = text[i];
#if defined(_WIN32)
    out[n++] = c < 0x100 ? static_cast<char>(c) : '?';
#else
    if (c < 0x80) {
      out[n++] = static_cast<char>(c);
    } else if (c < 0x800 && n + 2 < capacity) {
      out[n++] = static_cast<char>(0xC0 | (c >> 6));
      out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (n + 3 < capacity) {
      out[n++] = static_cast<char>(0xE0 | (c >> 12));
      out[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out[n++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      break;
    }
#endif
  }
  out[n] = 0;
}

}  // namespace panner
