// Sizes and fixed rates shared by every part of the spatial engine.
#pragma once

#include <cstdint>

namespace panner {

namespace engine {

constexpr int32_t kFrameSize = 128;  // samples per filter update and convolution frame
constexpr int32_t kFftSize = 256;    // transform length: smallest power of two >= 2*128-1
constexpr int32_t kFftHalf = kFftSize / 2;
constexpr int32_t kFftOrder = 8;  // log2(kFftSize)
constexpr int32_t kLatencySamples = kFrameSize;

}  // namespace engine

}  // namespace panner
