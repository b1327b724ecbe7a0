// At 44100 Hz every measured azimuth of both sets, and its mirror image, renders exactly as
// the engine did when the data below was captured (within 1e-6 of full scale).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "reference_render.h"
#include "spatial_engine.h"

namespace panner {

namespace {

#include "measured_azimuth_renders.inc"

constexpr float kTolerance = 1e-6f;

TEST(MeasuredAzimuths, RenderAsCapturedOnBothHalvesOfTheCircle) {
  constexpr int kSteps[2] = {5, 30};
  // One engine for every render: each render starts with a glide over silence long enough
  // to leave no trace of the one before.
  auto engine = std::make_unique<SpatialEngine>();
  int row = 0;
  for (int set = 0; set < 2; ++set) {
    for (int azimuth = 0; azimuth <= 180; azimuth += kSteps[set], ++row) {
      const auto& expected = kMeasuredAzimuthRenders[row];
      for (int mirrored = 0; mirrored < 2; ++mirrored) {
        const int rendered = mirrored ? (360 - azimuth) % 360 : azimuth;
        float ear[2][reference_render::kKept];
        reference_render::render(*engine, set, rendered, ear[0], ear[1]);
        float worst = 0.0f;
        for (int e = 0; e < 2; ++e)
          for (int i = 0; i < reference_render::kKept; ++i)
            worst = std::fmax(worst, std::fabs(ear[mirrored ? 1 - e : e][i] - expected[e][i]));
        EXPECT_LE(worst, kTolerance) << "set " << set << ", " << rendered << " degrees";
      }
    }
  }
  EXPECT_EQ(row, static_cast<int>(std::size(kMeasuredAzimuthRenders)));
}

}  // namespace

}  // namespace panner
