#include "clap_text.h"

#include <cstdint>

namespace panner {

#if defined(_WIN32)

// Code page 1252 above 0x9F is Latin-1, the first 256 code points; the punctuation block
// below it has no use in the core's texts.
std::string coreTextToUtf8(const char* text) {
  std::string out;
  for (; text && *text; ++text) {
    const auto b = static_cast<uint8_t>(*text);
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else if (b >= 0xA0) {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    } else {
      out += '?';
    }
  }
  return out;
}

std::string utf8ToCoreText(const char* text) {
  std::string out;
  for (const auto* p = reinterpret_cast<const uint8_t*>(text); p && *p;) {
    if (*p < 0x80) {
      out += static_cast<char>(*p++);
    } else if ((*p >> 5) == 0x6 && (p[1] >> 6) == 0x2) {
      const unsigned c = ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
      out += c >= 0xA0 && c < 0x100 ? static_cast<char>(c) : '?';
      p += 2;
    } else {
      out += '?';  // a longer sequence, or a broken one: one mark per byte
      ++p;
    }
  }
  return out;
}

#else

std::string coreTextToUtf8(const char* text) { return text ? text : ""; }
std::string utf8ToCoreText(const char* text) { return text ? text : ""; }

#endif

}  // namespace panner
