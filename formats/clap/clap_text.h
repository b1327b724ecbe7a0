// CLAP's texts are UTF-8 on every system. The core writes its texts in the encoding its
// system's hosts read (UTF-8 on Linux, code page 1252 on Windows, where the degree sign is
// one byte): these turn one into the other.
#pragma once

#include <string>

namespace panner {

std::string coreTextToUtf8(const char* text);
// Characters the core's encoding lacks become '?'.
std::string utf8ToCoreText(const char* text);

}  // namespace panner
