// Debian's MIT KEMAR file on the whole sphere: at every direction it measured, the file
// loaded as an own set, and on the half it is cut from the built-in first set, give the
// file's cues back (the arrival
// difference between the ears, their level difference, each ear's third-octave spectrum).
// Prints the figures per ring.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "ear_measures.h"
#include "own_response_set.h"
#include "required_package.h"
#include "sofa_file.h"
#include "spatial_engine.h"
#include "spectral_blend.h"
#include "sphere_grid.h"

namespace panner {
namespace {

constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr int kF = engine::kFrameSize;
constexpr double kRate = 44100.0;

// Levels of the third-octave bands 200 Hz .. 16 kHz in dB, from one transform of the
// response (a fast stand-in for thirdOctaveLevels, which samples each band point by point).
std::vector<double> bandLevels(const std::vector<double>& x, double rate = kRate) {
  // Per second of response, so that the levels are the same at every rate.
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

struct RingFigures {
  int directions = 0;
  double itd = 0.0, ild = 0.0, bandWorst = 0.0;
  std::vector<double> bands;
  double quantile(double q) {
    std::sort(bands.begin(), bands.end());
    return bands.empty() ? 0.0 : bands[static_cast<size_t>(q * double(bands.size() - 1))];
  }
};

TEST(SphereHeads, MitKemarEveryMeasuredDirectionThroughTheBuiltInAndTheOwnSet) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kMitKemar),
                           kMitKemar << " (Debian: libmysofa1)");
  std::ifstream file(kMitKemar, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  SofaMeasurements measured;
  std::string why;
  ASSERT_TRUE(readSofaMeasurements(bytes.data(), bytes.size(), "MIT", measured, why)) << why;
  auto own = std::make_shared<OwnResponseSet>();
  std::string status;
  ASSERT_TRUE(loadOwnResponseSet(kMitKemar, *own, status)) << status;
  EXPECT_EQ(own->rows() + own->offRingRows(), 710) << status;
  EXPECT_NE(status.find("elevations -40 to 90"), std::string::npos) << status;

  SpatialEngine builtIn, ownEngine;
  ASSERT_TRUE(ownEngine.setOwnResponseSet(own));
  ownEngine.useOwnSet.store(true);
  const int frames = 5;
  std::map<int, RingFigures> figures[2];  // [built-in, own][elevation]
  for (int m = 0; m < measured.count; ++m) {
    const float* p = &measured.positions[3 * m];
    const float azimuth = std::fmod(360.0f - p[0], 360.0f), elevation = p[1];
    quendral_test::Ears heard;
    for (int ear = 0; ear < 2; ++ear) {
      const float* r = &measured.responses[(size_t(m) * 2 + ear) * measured.taps];
      heard[ear].assign(r, r + measured.taps);
    }
    const double fileItd = quendral_test::itdMicroseconds(heard[0], heard[1], kRate);
    const double fileIld = quendral_test::levelDb(heard[1]) - quendral_test::levelDb(heard[0]);
    std::vector<double> fileBands[2] = {bandLevels(heard[0]), bandLevels(heard[1])};
    for (int which = 0; which < 2; ++which) {
      // The built-in set is cut from the right half; the left half is its mirror image.
      if (which == 0 && azimuth > 180.0f) continue;
      quendral_test::Ears played;
      quendral_test::engineImpulse(which == 0 ? builtIn : ownEngine, azimuth, frames, played,
                                   elevation);
      RingFigures& f = figures[which][static_cast<int>(std::lround(elevation))];
      ++f.directions;
      f.itd = std::max(
          f.itd, std::fabs(quendral_test::itdMicroseconds(played[0], played[1], kRate) - fileItd));
      f.ild = std::max(f.ild, std::fabs(quendral_test::levelDb(played[1]) -
                                        quendral_test::levelDb(played[0]) - fileIld));
      // Spectra after the set's level: the mean difference over both ears and all bands.
      std::vector<double> differences;
      for (int ear = 0; ear < 2; ++ear) {
        const std::vector<double> bands = bandLevels(played[ear]);
        for (size_t b = 0; b < bands.size(); ++b)
          differences.push_back(bands[b] - fileBands[ear][b]);
      }
      double mean = 0.0;
      for (double d : differences) mean += d / differences.size();
      for (size_t i = 0; i < differences.size(); ++i) {
        const double d = differences[i];
        f.bands.push_back(std::fabs(d - mean));
        f.bandWorst = std::max(f.bandWorst, std::fabs(d - mean));
      }
    }
  }
  // The built-in set keeps 128 taps of each response, as its horizontal ring always has: the
  // far ear's highest bands lose a few dB at some lateral directions (up to 8.5 dB at
  // 12.5 kHz, 31 dB below the direction's loudest band), so it is held to 98% of its bands.
  const char* names[2] = {"built-in", "own set"};
  for (int which = 0; which < 2; ++which) {
    for (auto& [elevation, f] : figures[which]) {
      const double median = f.quantile(0.5), most = f.quantile(0.98);
      std::printf(
          "%-8s ring %+3d: %2d directions, ITD within %5.1f us, ILD within %.2f dB, "
          "bands median %.2f dB, 98%% %.2f dB, worst %.2f dB\n",
          names[which], elevation, f.directions, f.itd, f.ild, median, most, f.bandWorst);
      EXPECT_LE(f.itd, 1e6 / kRate) << names[which] << " ring " << elevation;
      EXPECT_LE(f.ild, 0.5) << names[which] << " ring " << elevation;
      EXPECT_LE(median, 1.0) << names[which] << " ring " << elevation;
      EXPECT_LE(which == 0 ? most : f.bandWorst, 3.0) << names[which] << " ring " << elevation;
    }
  }
}

// How far a pair of ear responses is from the file's: the arrival difference between the
// ears (us), their level difference (dB), and the third-octave bands after the overall level.
struct CueErrors {
  double itd = 0.0, ild = 0.0, bandMedian = 0.0, bandWorst = 0.0;
  std::vector<double> bands;
  int count = 0;
  void add(const quendral_test::Ears& played, double playedRate, const quendral_test::Ears& heard) {
    ++count;
    itd += std::fabs(quendral_test::itdMicroseconds(played[0], played[1], playedRate) -
                     quendral_test::itdMicroseconds(heard[0], heard[1], kRate));
    ild += std::fabs(quendral_test::levelDb(played[1]) - quendral_test::levelDb(played[0]) -
                     quendral_test::levelDb(heard[1]) + quendral_test::levelDb(heard[0]));
    std::vector<double> differences;
    for (int ear = 0; ear < 2; ++ear) {
      const std::vector<double> a = bandLevels(played[ear], playedRate), b = bandLevels(heard[ear]);
      for (size_t k = 0; k < a.size(); ++k) differences.push_back(a[k] - b[k]);
    }
    double mean = 0.0;
    for (double d : differences) mean += d / differences.size();
    for (double d : differences) bands.push_back(std::fabs(d - mean));
  }
  void finish() {
    itd /= count;
    ild /= count;
    std::sort(bands.begin(), bands.end());
    bandMedian = bands[bands.size() / 2];
    bandWorst = bands.back();
  }
};

// Directions held out of the MIT head (every second one of the ring at +20, and the whole
// ring at +30) and played from the rest: the aligned blend against a plain blend of the same
// triangle and the nearest measured direction, at the file's rate and at 48 and 96 kHz.
TEST(SphereHeads, HeldOutDirectionsAreRebuiltBetterByTheAlignedBlend) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kMitKemar),
                           kMitKemar << " (Debian: libmysofa1)");
  std::ifstream file(kMitKemar, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  SofaMeasurements all, kept;
  std::string why;
  ASSERT_TRUE(readSofaMeasurements(bytes.data(), bytes.size(), "MIT", all, why)) << why;
  kept = all;
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
      const float azimuth = std::fmod(360.0f - all.positions[3 * m], 360.0f);
      const float elevation = all.positions[3 * m + 1];
      quendral_test::Ears heard, played;
      for (int ear = 0; ear < 2; ++ear) {
        const float* r = &all.responses[(size_t(m) * 2 + ear) * all.taps];
        heard[ear].assign(r, r + all.taps);
      }
      quendral_test::engineImpulse(engine, azimuth, rate > kRate ? 10 : 5, played, elevation);
      aligned.add(played, rate, heard);
      if (rate != kRate) continue;
      const SphereGrid::Blend blend = grid.locate(azimuth, elevation);
      const int best =
          static_cast<int>(std::max_element(blend.weight, blend.weight + 3) - blend.weight);
      quendral_test::Ears mixed, chosen;
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
      plain.add(mixed, kRate, heard);
      nearest.add(chosen, kRate, heard);
    }
    for (CueErrors* e : {&aligned, &plain, &nearest})
      if (e->count > 0) e->finish();
    const char* names[3] = {"aligned", "plain", "nearest"};
    CueErrors* methods[3] = {&aligned, &plain, &nearest};
    for (int k = 0; k < (rate == kRate ? 3 : 1); ++k)
      std::printf(
          "%5.0f Hz, %d held out, %-7s: ITD error %5.1f us, ILD error %.2f dB, "
          "bands median %.2f dB, worst %.2f dB\n",
          rate, methods[k]->count, names[k], methods[k]->itd, methods[k]->ild,
          methods[k]->bandMedian, methods[k]->bandWorst);
    EXPECT_LE(aligned.itd, 1e6 / kRate) << rate;
    if (rate == kRate) {
      EXPECT_LT(aligned.bandMedian, plain.bandMedian);
      EXPECT_LT(aligned.bandMedian, nearest.bandMedian);
    }
  }
}

}  // namespace
}  // namespace panner
