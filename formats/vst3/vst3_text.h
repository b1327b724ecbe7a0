// The core's texts (UTF-8 on Linux, code page 1252 on Windows) as the interface's UTF-16
// strings, and typed UTF-16 text back in the core's encoding.
#pragma once

#include <cstddef>

#include "vst3_abi.h"

namespace panner {

void coreTextToUtf16(const char* text, vst3::TChar* out, std::size_t capacity);
void utf16ToCoreText(const vst3::TChar* text, char* out, std::size_t capacity);

}  // namespace panner
