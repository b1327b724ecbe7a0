// The committed set data is the generator's, and the sphere's holds the rings' rows.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>

#include "required_package.h"
#include "response_set_data.h"
#include "sphere_set_data.h"

#ifdef QUENDRAL_HAVE_RESPONSE_SET_GENERATOR
#include "response_set_generator.h"
#endif

namespace {

TEST(ResponseSetData, CommittedFileIsWhatTheGeneratorWrites) {
#ifndef QUENDRAL_HAVE_RESPONSE_SET_GENERATOR
  QUENDRAL_REQUIRE_PACKAGE(false, "libmysofa-dev, without which the generator is not built");
#else
  QUENDRAL_REQUIRE_PACKAGE(std::ifstream(response_sets::kDefaultSofaPath).good(),
                           response_sets::kDefaultSofaPath << " (Debian: libmysofa-dev)");
  response_sets::Sources generated;
  std::string error;
  ASSERT_TRUE(
      response_sets::generateResponseSetSources(response_sets::kDefaultSofaPath, generated, error))
      << error;
  for (const auto& [path, text] : {std::pair{QUENDRAL_RESPONSE_SET_DATA, generated.rings},
                                   std::pair{QUENDRAL_SPHERE_SET_DATA, generated.sphere}}) {
    std::stringstream committed;
    committed << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_TRUE(committed.str() == text)
        << path << " differs from the generator's output; rebuild it with "
        << "the regenerate-response-sets target";
  }
  // A file it cannot read is named in its error.
  EXPECT_FALSE(
      response_sets::generateResponseSetSources("/nonexistent/file.sofa", generated, error));
  EXPECT_NE(error.find("/nonexistent/file.sofa"), std::string::npos) << error;
#endif
}

// MIT KEMAR's directions per ring on our half (set two: rings and azimuths every 30 degrees);
// at elevation 0 the horizontal rings' rows tap for tap.
TEST(SphereSetData, HoldsTheMeasuredRingsAndTheHorizontalRowsTapForTap) {
  using sphere_data::Direction;
  struct Case {
    const sphere_data::SphereSet& set;
    std::map<float, int> rings;  // elevation -> directions
    const int16_t (*ringTaps)[2][response_data::kTaps];
    int ringStep;
  };
  const std::map<float, int> setOneRings = {{-40, 29}, {-30, 31}, {-20, 37}, {-10, 37}, {0, 37},
                                            {10, 37},  {20, 37},  {30, 31},  {40, 29},  {50, 23},
                                            {60, 19},  {70, 13},  {80, 7},   {90, 1}};
  const std::map<float, int> setTwoRings = {{-30, 7}, {0, 7}, {30, 7}, {60, 7}, {90, 1}};
  const Case cases[] = {
      {sphere_data::kSetOneSphere, setOneRings, response_data::kSetOneTaps, 5},
      {sphere_data::kSetTwoSphere, setTwoRings, response_data::kSetTwoTaps, 30},
  };
  for (const Case& c : cases) {
    std::map<float, int> rings;
    int horizontal = 0;
    for (int d = 0; d < c.set.count; ++d) {
      const Direction& at = c.set.directions[d];
      ++rings[at.elevation];
      if (d > 0) {
        const Direction& b = c.set.directions[d - 1];  // sorted, and no direction twice
        EXPECT_LT(std::tie(b.elevation, b.azimuth), std::tie(at.elevation, at.azimuth)) << d;
      }
      EXPECT_TRUE(at.azimuth >= 0.0f && at.azimuth <= 180.0f) << d;
      if (at.elevation != 0.0f) continue;
      ASSERT_EQ(at.azimuth, static_cast<float>(horizontal * c.ringStep));
      EXPECT_EQ(0, std::memcmp(c.set.taps[d], c.ringTaps[horizontal++], sizeof c.ringTaps[0]))
          << "elevation 0, azimuth " << at.azimuth;
    }
    EXPECT_EQ(rings, c.rings);
  }
}

}  // namespace
