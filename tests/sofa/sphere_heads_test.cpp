// Debian's MIT KEMAR file on the whole sphere: the built-in first set and the file as an own
// set give its cues back ring by ring; held-out directions are rebuilt from the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "ear_measures.h"
#include "own_response_set.h"
#include "required_package.h"
#include "sofa_file.h"
#include "sofa_writer.h"
#include "spatial_engine.h"
#include "spectral_blend.h"
#include "sphere_grid.h"

namespace panner {
namespace {

constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr double kRate = 44100.0;

using quendral_test::Ears;

// Third-octave levels 200 Hz .. 16 kHz (dB) from one transform: thirdOctaveLevels, faster.
std::vector<double> bandLevels(const std::vector<double>& x, double rate) {
  std::vector<spectral::Complex> spectrum(4096);
  std::copy(x.begin(), x.begin() + std::min<size_t>(x.size(), spectrum.size()), spectrum.begin());
  spectral::transform(spectrum, false);
  std::vector<double> levels;
  for (int band = -7; band <= 12; ++band) {
    const double centre = 1000.0 * std::pow(2.0, band / 3.0);
    const int low = static_cast<int>(std::ceil(centre * std::pow(2.0, -1.0 / 6.0) / rate * 4096));
    const int high = static_cast<int>(centre * std::pow(2.0, 1.0 / 6.0) / rate * 4096);
    double sum = 0.0;
    for (int k = low; k <= high; ++k) sum += std::norm(spectrum[k]);
    levels.push_back(10.0 * std::log10(sum / (high - low + 1) / rate + 1e-30));
  }
  return levels;
}

// How far played ear pairs are from heard ones: arrival difference (us), level difference
// (dB), and each band after the pair's mean difference (the set's level).
struct CueErrors {
  int count = 0;
  double itdMax = 0.0, itdSum = 0.0, ildMax = 0.0;
  std::vector<double> bands;
  void add(const Ears& played, double playedRate, const Ears& heard, double heardRate) {
    ++count;
    const double itd = std::fabs(quendral_test::itdMicroseconds(played[0], played[1], playedRate) -
                                 quendral_test::itdMicroseconds(heard[0], heard[1], heardRate));
    const double ild =
        std::fabs(quendral_test::levelDb(played[1]) - quendral_test::levelDb(played[0]) -
                  quendral_test::levelDb(heard[1]) + quendral_test::levelDb(heard[0]));
    itdMax = std::max(itdMax, itd), itdSum += itd;
    ildMax = std::max(ildMax, ild);
    std::vector<double> differences;
    for (int ear = 0; ear < 2; ++ear) {
      const std::vector<double> a = bandLevels(played[ear], playedRate);
      const std::vector<double> b = bandLevels(heard[ear], heardRate);
      for (size_t k = 0; k < a.size(); ++k) differences.push_back(a[k] - b[k]);
    }
    double mean = 0.0;
    for (double d : differences) mean += d / static_cast<double>(differences.size());
    for (double d : differences) bands.push_back(std::fabs(d - mean));
  }
  double itdMean() const { return itdSum / std::max(count, 1); }
  double band(double q) {
    std::sort(bands.begin(), bands.end());
    return bands.empty() ? 0.0 : bands[static_cast<size_t>(q * double(bands.size() - 1))];
  }
};

SofaMeasurements readMitKemar() {
  SofaMeasurements measured;
  std::string why;
  EXPECT_TRUE(quendral_test::readSofaFile(kMitKemar, measured, why)) << why;
  return measured;
}

float ourAzimuth(const SofaMeasurements& s, int m) {
  return std::fmod(360.0f - s.positions[3 * m], 360.0f);
}
void heardAt(const SofaMeasurements& s, int m, Ears& heard) {
  for (int ear = 0; ear < 2; ++ear) {
    const float* r = &s.responses[(size_t(m) * 2 + ear) * s.taps];
    heard[ear].assign(r, r + s.taps);
  }
}

// Every measured direction, ring by ring; on the horizontal ring the own set plays as the
// built-in set made from the same file.
TEST(SphereHeads, MitKemarEveryMeasuredDirectionThroughTheBuiltInAndTheOwnSet) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kMitKemar),
                           kMitKemar << " (Debian: libmysofa1)");
  const SofaMeasurements measured = readMitKemar();
  auto own = std::make_shared<OwnResponseSet>();
  std::string status;
  ASSERT_TRUE(loadOwnResponseSet(kMitKemar, *own, status)) << status;
  EXPECT_EQ(own->rows(), 72);
  EXPECT_FALSE(own->mirrored);
  EXPECT_EQ(own->widestGap, 5.0f);
  EXPECT_EQ(own->rows() + own->offRingRows(), 710) << status;
  EXPECT_NE(status.find("elevations -40 to 90"), std::string::npos) << status;

  SpatialEngine builtIn, ownEngine;
  ASSERT_TRUE(ownEngine.setOwnResponseSet(own));
  ownEngine.useOwnSet.store(true);
  std::map<int, CueErrors> figures[2];      // [built-in, own][elevation]
  double itdApart = 0.0, levelApart = 0.0;  // own against built-in on the horizontal ring
  for (int m = 0; m < measured.count; ++m) {
    const float azimuth = ourAzimuth(measured, m), elevation = measured.positions[3 * m + 1];
    Ears heard, played[2];
    heardAt(measured, m, heard);
    for (int which = 0; which < 2; ++which) {
      // The built-in set is cut from the right half; the left half is its mirror image.
      if (which == 0 && azimuth > 180.0f && elevation != 0.0f) continue;
      quendral_test::engineImpulse(which == 0 ? builtIn : ownEngine, azimuth, 5, played[which],
                                   elevation);
      if (which == 1 || azimuth <= 180.0f)
        figures[which][static_cast<int>(std::lround(elevation))].add(played[which], kRate, heard,
                                                                     kRate);
    }
    if (elevation != 0.0f) continue;
    itdApart = std::max(
        itdApart, std::fabs(quendral_test::itdMicroseconds(played[0][0], played[0][1], kRate) -
                            quendral_test::itdMicroseconds(played[1][0], played[1][1], kRate)));
    for (int ear = 0; ear < 2; ++ear)
      levelApart = std::max(levelApart, std::fabs(quendral_test::levelDb(played[0][ear]) -
                                                  quendral_test::levelDb(played[1][ear])));
  }
  EXPECT_LT(itdApart, 5.0);
  EXPECT_LT(levelApart, 0.5);
  // The built-in set's 128 taps cost the far ear's top bands a few dB at some lateral
  // directions (31 dB below the loudest band): it is held to 98% of its bands.
  for (int which = 0; which < 2; ++which) {
    for (auto& [elevation, f] : figures[which]) {
      SCOPED_TRACE(std::string(which == 0 ? "built-in" : "own set") + " ring " +
                   std::to_string(elevation));
      EXPECT_LE(f.itdMax, 1e6 / kRate);
      EXPECT_LE(f.ildMax, 0.5);
      EXPECT_LE(f.band(0.5), 1.0);
      EXPECT_LE(f.band(which == 0 ? 0.98 : 1.0), 3.0);
    }
  }
}

// Held out (every second direction at +20, the ring at +30) and played from the rest: the
// aligned blend beats a plain blend and the nearest direction.
TEST(SphereHeads, HeldOutDirectionsAreRebuiltBetterByTheAlignedBlend) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kMitKemar),
                           kMitKemar << " (Debian: libmysofa1)");
  const SofaMeasurements all = readMitKemar();
  SofaMeasurements kept = all;
  std::string why;
  kept.positions.clear(), kept.responses.clear(), kept.delays.clear();
  kept.count = 0;
  std::vector<int> heldOut;
  int evenOnRing = 0;
  for (int m = 0; m < all.count; ++m) {
    const float elevation = all.positions[3 * m + 1];
    const bool out = elevation == 30.0f || (elevation == 20.0f && evenOnRing++ % 2 == 1);
    if (out) {
      heldOut.push_back(m);
      continue;
    }
    ++kept.count;
    kept.positions.insert(kept.positions.end(), &all.positions[3 * m], &all.positions[3 * m + 3]);
    kept.delays.insert(kept.delays.end(), &all.delays[2 * m], &all.delays[2 * m + 2]);
    kept.responses.insert(kept.responses.end(), &all.responses[size_t(m) * 2 * all.taps],
                          &all.responses[size_t(m + 1) * 2 * all.taps]);
  }
  auto set = std::make_shared<OwnResponseSet>();
  std::string status;
  ASSERT_TRUE(prepareOwnResponseSet(kept, *set, status)) << status;
  SphereGrid grid;
  ASSERT_TRUE(ownSetSphereGrid(*set, grid, &why)) << why;
  auto row = [&](int response, int channel) {
    return response < set->rows() ? set->response(response, channel)
                                  : set->offRingResponse(response - set->rows(), channel);
  };
  for (double rate : {kRate, 48000.0, 96000.0}) {
    SpatialEngine engine;
    ASSERT_TRUE(engine.setSampleRate(rate));
    ASSERT_TRUE(engine.setOwnResponseSet(set));
    engine.useOwnSet.store(true);
    CueErrors aligned, plain, nearest;
    for (int m : heldOut) {
      const float azimuth = ourAzimuth(all, m), elevation = all.positions[3 * m + 1];
      Ears heard, played;
      heardAt(all, m, heard);
      quendral_test::engineImpulse(engine, azimuth, rate > kRate ? 10 : 5, played, elevation);
      aligned.add(played, rate, heard, kRate);
      if (rate != kRate) continue;
      const SphereGrid::Blend blend = grid.locate(azimuth, elevation);
      const int best =
          static_cast<int>(std::max_element(blend.weight, blend.weight + 3) - blend.weight);
      Ears mixed, chosen;
      for (int channel = 0; channel < 2; ++channel) {
        mixed[channel].assign(set->length, 0.0);
        chosen[channel].assign(set->length, 0.0);
        for (int k = 0; k < 3; ++k) {
          const SphereCorner& corner = grid.corners()[blend.corner[k]];
          const float* r = row(corner.response, corner.mirrored ? 1 - channel : channel);
          for (int i = 0; i < set->length; ++i) {
            mixed[channel][i] += blend.weight[k] * r[i];
            if (k == best) chosen[channel][i] = r[i];
          }
        }
      }
      plain.add(mixed, kRate, heard, kRate);
      nearest.add(chosen, kRate, heard, kRate);
    }
    EXPECT_LE(aligned.itdMean(), 1e6 / kRate) << rate;
    if (rate == kRate) {
      EXPECT_LT(aligned.band(0.5), plain.band(0.5));
      EXPECT_LT(aligned.band(0.5), nearest.band(0.5));
    }
  }
}

}  // namespace
}  // namespace panner
