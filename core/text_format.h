// Text formatting for the texts handed to the host: bounded copies and the adapter's
// number-to-text conversions. Every function writes a zero-terminated text into a buffer
// of `size` bytes (size >= 1) and never more.
#pragma once

#include <cstddef>
#include <cstdint>

namespace panner {

// Copies at most size - 1 characters of source, then the terminator.
void copyText(char* destination, const char* source, std::size_t size);

// Hosts commonly give parameter display texts 8 characters and the terminator, and no
// display text is longer, whatever value a parameter holds.
constexpr std::size_t kDisplayChars = 8;

// The integer digits, a point and as many decimals as make 8 characters in all, every
// decimal truncated rather than rounded: 0.7f shows as "0.699999", 1.0f as "1.000000".
// From 1e9 on, and for infinities and NaN, the exponent form "1.0e+09" (see printNumber).
void float2string(float value, char* text, std::size_t size);

// The value in the printf `format`; where that would take more than kDisplayChars
// characters (only far outside a parameter's range), in the exponent form "%.1e" instead,
// which takes at most 8 for every float ("-3.4e+38").
void printNumber(const char* format, float value, char* text, std::size_t size);

// Plain decimal digits without leading zeros.
void int2string(int32_t value, char* text, std::size_t size);

}  // namespace panner
