// The interpolation and routing of an azimuth onto the two output channels. The sets' data
// is the generator's (response_set_data_test.cpp) and renders as captured
// (measured_azimuth_regression_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "response_sets.h"

namespace panner {

namespace {

constexpr int kN = engine::kFftSize;
constexpr int kTaps = engine::kFrameSize;

class ResponseSetsTest : public ::testing::Test {
 protected:
  ResponseSetsTest() : sets(std::make_unique<ResponseSets>()) {}

  struct Filters {
    float ch0[kN];
    float ch1[kN];
  };
  Filters filtersAt(int set, float angle) const {
    Filters f;
    buildFilters(sets->set(set), angle, f.ch0, f.ch1);
    return f;
  }
  const ResponseEntry& row(int set, int index) const { return sets->set(set).entries[index]; }

  std::unique_ptr<ResponseSets> sets;
};

double energy(const float* taps) {
  double sum = 0.0;
  for (int i = 0; i < kTaps; ++i) sum += taps[i] * taps[i];
  return sum;
}

TEST_F(ResponseSetsTest, InterpolationBetweenRows) {
  // 0 degrees: both channels the 0-degree row; its two ears are the same measurement.
  Filters f = filtersAt(0, 0.0f);
  for (int i = 0; i < kTaps; ++i) {
    EXPECT_EQ(f.ch0[i], row(0, 0).second[i]);
    EXPECT_EQ(f.ch1[i], row(0, 0).first[i]);
    EXPECT_EQ(f.ch0[i], f.ch1[i]);
  }
  for (int i = kTaps; i < kN; ++i) EXPECT_EQ(f.ch0[i], 0.0f);

  // 2.5 degrees: the average of the 0- and 5-degree rows, ear by ear.
  f = filtersAt(0, 2.5f);
  for (int i = 0; i < kTaps; ++i) {
    EXPECT_NEAR(f.ch1[i], 0.5f * (row(0, 0).first[i] + row(0, 1).first[i]), 1e-7f);
    EXPECT_NEAR(f.ch0[i], 0.5f * (row(0, 0).second[i] + row(0, 1).second[i]), 1e-7f);
  }

  // The second set at 45 degrees: halfway between its 30- and 60-degree rows.
  f = filtersAt(1, 45.0f);
  for (int i = 0; i < kTaps; ++i)
    EXPECT_NEAR(f.ch1[i], 0.5f * (row(1, 1).first[i] + row(1, 2).first[i]), 1e-7f);
}

TEST_F(ResponseSetsTest, MirroredHalfExchangesTheChannels) {
  for (int set = 0; set < 2; ++set) {
    const Filters right = filtersAt(set, 90.0f), left = filtersAt(set, 270.0f);
    const Filters one = filtersAt(set, 1.0f), minusOne = filtersAt(set, 359.0f);
    for (int i = 0; i < kN; ++i) {
      EXPECT_EQ(right.ch0[i], left.ch1[i]);
      EXPECT_EQ(right.ch1[i], left.ch0[i]);
      EXPECT_NEAR(one.ch0[i], minusOne.ch1[i], 1e-6f);
      EXPECT_NEAR(one.ch1[i], minusOne.ch0[i], 1e-6f);
    }
    // At 90 degrees channel 1 carries the near ear.
    EXPECT_GT(energy(right.ch1), energy(right.ch0));
  }
}

TEST_F(ResponseSetsTest, BadAnglesStayInsideTheTable) {
  const float inf = std::numeric_limits<float>::infinity();
  for (float angle : {std::nanf(""), inf, -inf, -1e30f, 1e30f, -0.0f, 360.0f, 725.0f, -5.0f}) {
    const RowPair pair = locateAngle(sets->set(0), angle);
    const ResponseEntry* first = sets->set(0).entries;
    EXPECT_GE(pair.lower, first) << angle;
    EXPECT_LE(pair.upper, first + 36) << angle;
    EXPECT_EQ(pair.upper, pair.lower + 1) << angle;
    EXPECT_TRUE(pair.weight >= 0.0f && pair.weight <= 1.0f) << angle;
  }
  // Angles outside 0..360 wrap: 725 is 5 and -5 is 355.
  const Filters wrapped = filtersAt(0, 725.0f), five = filtersAt(0, 5.0f);
  const Filters negative = filtersAt(0, -5.0f), mirror = filtersAt(0, 355.0f);
  for (int i = 0; i < kN; ++i) {
    EXPECT_EQ(wrapped.ch1[i], five.ch1[i]);
    EXPECT_EQ(negative.ch0[i], mirror.ch0[i]);
  }
}

}  // namespace

}  // namespace panner
