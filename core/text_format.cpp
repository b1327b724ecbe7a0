#include "text_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace panner {

void copyText(char* destination, const char* source, std::size_t size) {
  if (!destination || size == 0) return;
  std::size_t length = source ? std::strlen(source) : 0;
  if (length > size - 1) length = size - 1;
  if (length) std::memcpy(destination, source, length);
  destination[length] = 0;
}

void float2string(float value, char* text, std::size_t size) {
  constexpr std::size_t kWidth = kDisplayChars;
  if (!std::isfinite(value) || std::fabs(value) >= 1e9f) {
    // Beyond what the digit-by-digit form can show in 8 characters.
    std::snprintf(text, size, "%.1e", static_cast<double>(value));
    return;
  }
  char digits[32];
  double magnitude = std::fabs(static_cast<double>(value));
  double whole = std::floor(magnitude);
  int length = std::snprintf(digits, sizeof digits, "%s%.0f.", value < 0 ? "-" : "", whole);
  double fraction = magnitude - whole;
  while (static_cast<std::size_t>(length) < kWidth) {
    fraction *= 10.0;
    double digit = std::floor(fraction);
    fraction -= digit;
    digits[length++] = static_cast<char>('0' + static_cast<int>(digit));
  }
  digits[length] = 0;
  copyText(text, digits, size);
}

void int2string(int32_t value, char* text, std::size_t size) {
  std::snprintf(text, size, "%d", static_cast<int>(value));
}

void printNumber(const char* format, float value, char* text, std::size_t size) {
  char printed[64];
  const int length = std::snprintf(printed, sizeof printed, format, static_cast<double>(value));
  if (length < 0 || static_cast<std::size_t>(length) > kDisplayChars)
    std::snprintf(printed, sizeof printed, "%.1e", static_cast<double>(value));
  copyText(text, printed, size);
}

}  // namespace panner
