// The block processor's four-at-a-time copies against the sample-by-sample rule, for every
// length and alignment a host's block boundaries can produce.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "frame_io.h"

namespace panner {

TEST(FrameIo, GatherSilencesNonFiniteSamplesAndFollowsThePeak) {
  std::mt19937 generator(9);
  std::uniform_real_distribution<float> value(-2.0f, 1.0f);
  const float specials[] = {std::nanf(""), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
  for (int32_t offset = 0; offset < 4; ++offset) {
    for (int32_t n = 0; n <= 19; ++n) {
      std::vector<float> input(32);
      for (float& x : input) x = value(generator);
      input[static_cast<size_t>(offset + (n * 7) % std::max(n, 1))] = specials[n % 3];
      if (n > 2) input[static_cast<size_t>(offset + n - 1)] = 5.0f;  // peak in the scalar tail
      std::vector<float> frame(32, 9.0f);
      const float peak = gatherInput(input.data() + offset, frame.data(), n, 0.25f);
      float expectedPeak = 0.25f;
      for (int32_t i = 0; i < n; ++i) {
        const float x = input[static_cast<size_t>(offset + i)];
        const float expected = std::isfinite(x) ? x : 0.0f;
        ASSERT_EQ(frame[static_cast<size_t>(i)], expected) << offset << " " << n << " " << i;
        expectedPeak = std::max(expectedPeak, expected);
      }
      EXPECT_EQ(frame[static_cast<size_t>(n)], 9.0f) << "wrote past the count";
      EXPECT_EQ(peak, expectedPeak) << offset << " " << n;
    }
  }
  std::vector<float> frame(8, 1.0f);
  EXPECT_EQ(gatherInput(nullptr, frame.data(), 8, 0.5f), 0.5f);
  EXPECT_EQ(frame, std::vector<float>(8, 0.0f));
}

TEST(FrameIo, PlayWritesOrAddsAndFollowsThePeak) {
  std::mt19937 generator(4);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (int32_t n = 0; n <= 19; ++n) {
    std::vector<float> frame(20), before(21);
    for (float& x : frame) x = value(generator);
    for (float& x : before) x = value(generator);
    float expectedPeak = 0.0f;
    for (int32_t i = 0; i < n; ++i)
      expectedPeak = std::max(expectedPeak, frame[static_cast<size_t>(i)]);
    for (const bool accumulate : {false, true}) {
      std::vector<float> output = before;
      // Host buffers need not be aligned: start one sample in.
      EXPECT_EQ(playOutput(frame.data(), output.data() + 1, n, accumulate, 0.0f), expectedPeak);
      EXPECT_EQ(output[0], before[0]);
      for (int32_t i = 0; i < 20; ++i) {
        const size_t o = static_cast<size_t>(i) + 1;
        const float expected = i >= n       ? before[o]
                               : accumulate ? before[o] + frame[static_cast<size_t>(i)]
                                            : frame[static_cast<size_t>(i)];
        ASSERT_EQ(output[o], expected) << n << " " << accumulate << " " << i;
      }
    }
    EXPECT_EQ(playOutput(frame.data(), nullptr, n, false, 0.0f), expectedPeak);
  }
}

}  // namespace panner
