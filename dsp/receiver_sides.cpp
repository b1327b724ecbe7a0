#include "receiver_sides.h"

#include <cmath>

namespace panner {

ReceiverSides decideReceiverSides(const float* responses, std::size_t measurements,
                                  std::size_t taps, const float* positions) {
  constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
  constexpr double kSilence = 1e-30;  // keeps a silent response from making the log infinite
  double sum = 0.0;
  int lateral = 0;
  for (std::size_t m = 0; m < measurements; ++m) {
    const float* p = positions + 3 * m;
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || std::fabs(p[1]) > 30.0f) continue;
    // sin(azimuth) is at least 0.5 from 30 to 150 degrees, at most -0.5 from 210 to 330.
    const double side = std::sin(p[0] * kRadiansPerDegree);
    if (std::fabs(side) < 0.5) continue;
    double energy[2] = {0.0, 0.0};
    for (int receiver = 0; receiver < 2; ++receiver) {
      const float* x = responses + (2 * m + receiver) * taps;
      for (std::size_t i = 0; i < taps; ++i) energy[receiver] += double(x[i]) * x[i];
    }
    const double db = 10.0 * std::log10((energy[0] + kSilence) / (energy[1] + kSilence));
    if (!std::isfinite(db)) continue;
    sum += side > 0.0 ? db : -db;
    ++lateral;
  }
  ReceiverSides sides;
  if (lateral == 0) return sides;
  sides.lateralDb = sum / lateral;
  if (sides.lateralDb >= kEarMarginDb) {
    sides.measured = true;
  } else if (sides.lateralDb <= -kEarMarginDb) {
    sides.measured = true;
    sides.left = 1;
  }
  return sides;
}

}  // namespace panner
