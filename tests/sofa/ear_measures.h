// Measures of ear responses the real-head tests compare, and the engine's impulse response.
#pragma once

#include <atomic>
#include <cmath>
#include <complex>
#include <vector>

#include "engine_constants.h"
#include "spatial_engine.h"

namespace quendral_test {

using Ears = std::vector<double>[2];

// How much earlier ear 1 hears than ear 0, in microseconds: the lag of the ears'
// cross-correlation peak within 1.5 ms, refined by a parabola.
inline double itdMicroseconds(const std::vector<double>& ear0, const std::vector<double>& ear1,
                              double rate) {
  const int maxLag = static_cast<int>(0.0015 * rate);
  std::vector<double> c(2 * maxLag + 1);
  int best = 0;
  for (int lag = -maxLag; lag <= maxLag; ++lag) {
    double sum = 0.0;
    for (size_t n = 0; n < ear1.size(); ++n) {
      const long m = static_cast<long>(n) + lag;
      if (m >= 0 && m < static_cast<long>(ear0.size())) sum += ear1[n] * ear0[m];
    }
    c[lag + maxLag] = sum;
    if (sum > c[best]) best = lag + maxLag;
  }
  double offset = 0.0;
  if (best > 0 && best < 2 * maxLag) {
    const double curvature = c[best - 1] - 2.0 * c[best] + c[best + 1];
    if (curvature < 0.0) offset = 0.5 * (c[best - 1] - c[best + 1]) / curvature;
  }
  return (best - maxLag + offset) / rate * 1e6;
}

inline double levelDb(const std::vector<double>& x) {
  double sum = 0.0;
  for (double v : x) sum += v * v;
  return 10.0 * std::log10(sum + 1e-30);
}

// Levels of the third-octave bands 200 Hz .. 16 kHz, in dB, each the mean power at 24
// frequencies spread over the band: the same at every sample rate for the same filter.
inline std::vector<double> thirdOctaveLevels(const std::vector<double>& x, double rate) {
  constexpr double kPi = 3.14159265358979323846;
  constexpr int kPoints = 24;
  std::vector<double> levels;
  for (int band = -7; band <= 12; ++band) {
    const double low = 1000.0 * std::pow(2.0, (band - 0.5) / 3.0);
    double sum = 0.0;
    for (int i = 0; i < kPoints; ++i) {
      const double hz = low * std::pow(2.0, (i + 0.5) / kPoints / 3.0);
      const std::complex<double> step = std::polar(1.0, -2.0 * kPi * hz / rate);
      std::complex<double> value = 0.0, phasor = 1.0;
      for (double v : x) value += v * phasor, phasor *= step;
      sum += std::norm(value);
    }
    levels.push_back(10.0 * std::log10(sum / kPoints + 1e-30));
  }
  return levels;
}

// The engine's impulse response at `azimuth` (0..359) and `elevation`, `frames` frames per
// channel, placed there at once as a restored project is.
inline void engineImpulse(panner::SpatialEngine& engine, float azimuth, int frames, Ears& out,
                          float elevation = 0.0f) {
  constexpr int kF = panner::engine::kFrameSize;
  engine.modulator.targetAngle.store(azimuth <= 180.0f ? azimuth : azimuth - 360.0f,
                                     std::memory_order_relaxed);
  engine.targetElevation.store(elevation, std::memory_order_relaxed);
  engine.restoreCurrentAngle(azimuth);
  engine.restoreCurrentElevation(elevation);
  std::vector<float> in(kF, 0.0f), o0(kF), o1(kF);
  for (int frame = 0; frame < 3; ++frame)
    engine.convolutionFrame(in.data(), o0.data(), o1.data(), nullptr);
  out[0].clear();
  out[1].clear();
  in[0] = 1.0f;
  for (int frame = 0; frame < frames; ++frame) {
    engine.convolutionFrame(in.data(), o0.data(), o1.data(), nullptr);
    in[0] = 0.0f;
    out[0].insert(out[0].end(), o0.begin(), o0.end());
    out[1].insert(out[1].end(), o1.begin(), o1.end());
  }
}

}  // namespace quendral_test
