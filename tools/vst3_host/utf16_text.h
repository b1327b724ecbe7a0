// Text in the interface's 16-bit strings (UTF-16) and back to the tools' UTF-8.
#pragma once

#include <string>

namespace vst3host {

std::string toUtf8(const char16_t* text, std::size_t maxLength);
// Copies `text` (UTF-8) into a zero-terminated UTF-16 buffer of `capacity` units.
void toUtf16(const std::string& text, char16_t* out, std::size_t capacity);

}  // namespace vst3host
