// A made-up head in SOFA's conventions: at SOFA azimuth t the left ear's click comes
// 16 - 8 sin t samples late at 44.1 kHz, the right's 16 + 8 sin t, the near ear louder; a
// second tap in the left ear makes it asymmetric.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "own_response_set.h"

namespace panner {

namespace synthetic_head {

constexpr double kPi = 3.14159265358979323846;

// Arrival at the ear (0 left, 1 right) in seconds, for a source at SOFA azimuth t degrees.
inline double arrivalSeconds(int ear, double sofaAzimuth) {
  const double s = std::sin(sofaAzimuth * kPi / 180.0);
  return (16.0 + (ear == 0 ? -8.0 : 8.0) * s) / 44100.0;
}

// Adds one measurement; taps at `rate` are clicks at whole samples nearest the arrival.
inline void addMeasurement(SofaMeasurements& m, float sofaAzimuth, float elevation,
                           float distance) {
  m.positions.insert(m.positions.end(), {sofaAzimuth, elevation, distance});
  for (int ear = 0; ear < 2; ++ear) {
    std::vector<float> taps(static_cast<size_t>(m.taps), 0.0f);
    const long at = std::lround(arrivalSeconds(ear, sofaAzimuth) * m.sampleRate);
    const double s = std::sin(sofaAzimuth * kPi / 180.0);
    taps[static_cast<size_t>(at)] = static_cast<float>(1.0 + (ear == 0 ? 0.5 : -0.5) * s);
    if (ear == 0) taps[static_cast<size_t>(at) + 3] = 0.25f;
    m.responses.insert(m.responses.end(), taps.begin(), taps.end());
    m.delays.push_back(0.0f);
  }
  ++m.count;
}

// The horizontal ring at `step` degrees from `from` to `to` (SOFA azimuths, inclusive).
inline SofaMeasurements ring(double rate, float from, float to, float step, int taps = 96) {
  SofaMeasurements m;
  m.sampleRate = rate;
  m.taps = taps;
  m.name = "synthetic head";
  for (float a = from; a <= to + 1e-3f; a += step) addMeasurement(m, a, 0.0f, 1.5f);
  return m;
}

// The ring the own-set path makes of `m`; a failure is the calling test's.
inline std::shared_ptr<const OwnResponseSet> prepared(const SofaMeasurements& m) {
  auto set = std::make_shared<OwnResponseSet>();
  std::string status;
  EXPECT_TRUE(prepareOwnResponseSet(m, *set, status)) << status;
  return set;
}

}  // namespace synthetic_head

}  // namespace panner
