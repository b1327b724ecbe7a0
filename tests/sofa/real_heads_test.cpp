// Debian's MIT KEMAR through the built-in sets and the own-set path, and its ears swapped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "band_limited_resampler.h"
#include "ear_measures.h"
#include "own_response_set.h"
#include "quendral_core.h"
#include "required_package.h"
#include "sofa_file.h"
#include "sofa_writer.h"
#include "spatial_engine.h"
#include "spectral_blend.h"
#include "sphere_grid.h"

namespace panner {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr std::array<double, 6> kPositionsSayReceiver0Left = {0, 0.09, 0, 0, -0.09, 0};
constexpr std::array<double, 6> kPositionsSayReceiver0Right = {0, -0.09, 0, 0, 0.09, 0};

// The MIT ring at elevation 0 (left ear first, as the measurements put it), with receivers
// swapped in the data or not, and only the directions `keep` accepts.
template <typename Keep>
quendral_test::SofaContents mitRing(const SofaMeasurements& mit, bool swapData, Keep keep) {
  quendral_test::SofaContents contents;
  contents.rate = mit.sampleRate;
  contents.taps = mit.taps;
  const size_t n = static_cast<size_t>(mit.taps);
  for (int i = 0; i < mit.count; ++i) {
    const float* p = &mit.positions[3 * static_cast<size_t>(i)];
    if (p[1] != 0.0f || !keep(p[0])) continue;
    contents.positions.push_back({p[0], p[1], p[2]});
    for (int receiver = 0; receiver < 2; ++receiver) {
      const int ear = swapData ? 1 - receiver : receiver;
      const float* x = &mit.responses[(2 * static_cast<size_t>(i) + ear) * n];
      contents.responses.insert(contents.responses.end(), x, x + n);
    }
  }
  return contents;
}

std::string runRenderInfo(const std::string& sofa, const fs::path& dir) {
  const std::string log = (dir / "info.txt").string();
  const std::string command = std::string(RENDER_TOOL) + " --plugin " + QUENDRAL_PLUGIN +
                              " --info --sofa '" + sofa + "' > '" + log + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(log);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

TEST(EarOrder, TheMeasurementsDecideWhichReceiverIsTheLeftEar) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kMitKemar), kMitKemar << " (Debian: libmysofa-data)");
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(quendral_test::kNcgen),
                           quendral_test::kNcgen << " (Debian: netcdf-bin)");
  SofaMeasurements mit;
  std::string why;
  ASSERT_TRUE(quendral_test::readSofaFile(kMitKemar, mit, why)) << why;
  EXPECT_FALSE(mit.receiverPositionsContradict);
  const fs::path dir = fs::temp_directory_path() / ("quendral-ears-" + std::to_string(getpid()));
  fs::create_directories(dir);

  struct Case {
    const char* name;
    bool swapData;
    std::array<double, 6> receivers;
    bool contradicted;
  };
  const Case cases[] = {
      {"positions swapped", false, kPositionsSayReceiver0Right, true},
      {"data swapped, positions following", true, kPositionsSayReceiver0Right, false},
      {"both swapped", true, kPositionsSayReceiver0Left, true},
  };
  std::string contradictedFile;
  for (const Case& c : cases) {
    quendral_test::SofaContents contents = mitRing(mit, c.swapData, [](float) { return true; });
    contents.receivers = c.receivers;
    contents.title = c.name;
    const std::string path = (dir / (std::string(c.name) + ".sofa")).string();
    ASSERT_TRUE(quendral_test::writeSofa(contents, path)) << c.name;
    if (c.contradicted && contradictedFile.empty()) contradictedFile = path;

    OwnResponseSet set;
    std::string status;
    ASSERT_TRUE(loadOwnResponseSet(path, set, status)) << status;
    EXPECT_EQ(status.find(kEarsByMeasurementNote) != std::string::npos, c.contradicted)
        << c.name << ": " << status;
    // Channel 1 (the right ear) louder at 90 degrees, channel 0 at 270.
    for (const auto& [angle, sign] : {std::pair{90.0f, 1.0}, std::pair{270.0f, -1.0}}) {
      const long row = std::find(set.angles.begin(), set.angles.end(), angle) - set.angles.begin();
      ASSERT_LT(row, set.rows());
      const auto level = [&](int ear) {
        return quendral_test::levelDb(
            {set.response(row, ear), set.response(row, ear) + set.length});
      };
      EXPECT_GT(sign * (level(1) - level(0)), 10.0) << c.name << " at " << angle;
    }
  }

  // Only straight ahead and behind: nothing tells the ears apart, so the first receiver is
  // the left ear, even though the positions say otherwise (and no contradiction is claimed).
  {
    quendral_test::SofaContents contents =
        mitRing(mit, true, [](float azimuth) { return azimuth == 0.0f || azimuth == 180.0f; });
    contents.receivers = kPositionsSayReceiver0Right;
    const std::string path = (dir / "front and back.sofa").string();
    ASSERT_TRUE(quendral_test::writeSofa(contents, path));
    SofaMeasurements read;
    ASSERT_TRUE(quendral_test::readSofaFile(path, read, why)) << why;
    ASSERT_EQ(read.count, 2);
    EXPECT_FALSE(read.receiverPositionsContradict);
    const size_t n = static_cast<size_t>(read.taps);
    for (size_t i = 0; i < 2 * n; ++i)
      ASSERT_EQ(read.responses[i], static_cast<float>(contents.responses[i]))
          << "ear 0 of the first direction is not the file's receiver 0";
  }

  // What the user reads: the panel's line (the core's description) and quendral-render --info.
  QuendralCore core(nullptr);
  ASSERT_TRUE(core.loadOwnSet(contradictedFile.c_str())) << core.lastOwnSetRefusal();
  core.setParameter(kParamOwnSet, 1.0f);
  EXPECT_EQ(core.ownSetNote(), kEarsByMeasurementNote);
  EXPECT_NE(core.playingSetDescription().find(kEarsByMeasurementNote), std::string::npos)
      << core.playingSetDescription();
  ASSERT_TRUE(core.loadOwnSet(kMitKemar));
  EXPECT_EQ(core.ownSetNote(), "") << "the note stays with the file it was said of";
  const std::string info = runRenderInfo(contradictedFile, dir);
  EXPECT_NE(info.find(kEarsByMeasurementNote), std::string::npos) << info;
  fs::remove_all(dir);
}

using quendral_test::Ears;
using quendral_test::itdMicroseconds;
using quendral_test::levelDb;
using quendral_test::thirdOctaveLevels;

constexpr double kRate = 44100.0;

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
// (dB), and each band's difference after the mean of all of them (the set's one level).
struct CueErrors {
  std::vector<double> (*levels)(const std::vector<double>&, double) = bandLevels;
  int count = 0;
  double itdMax = 0.0, itdSum = 0.0, ildMax = 0.0;
  std::vector<double> differences;
  void add(const Ears& played, double playedRate, const Ears& heard, double heardRate) {
    ++count;
    const double itd = std::fabs(itdMicroseconds(played[0], played[1], playedRate) -
                                 itdMicroseconds(heard[0], heard[1], heardRate));
    const double ild =
        std::fabs(levelDb(played[1]) - levelDb(played[0]) - levelDb(heard[1]) + levelDb(heard[0]));
    itdMax = std::max(itdMax, itd), itdSum += itd;
    ildMax = std::max(ildMax, ild);
    for (int ear = 0; ear < 2; ++ear) {
      const std::vector<double> a = levels(played[ear], playedRate),
                                b = levels(heard[ear], heardRate);
      for (size_t k = 0; k < a.size(); ++k) differences.push_back(a[k] - b[k]);
    }
  }
  double itdMean() const { return itdSum / std::max(count, 1); }
  // The q-quantile of the bands' distances from the mean difference.
  double band(double q) const {
    double mean = 0.0;
    for (double d : differences) mean += d / static_cast<double>(differences.size());
    std::vector<double> bands;
    for (double d : differences) bands.push_back(std::fabs(d - mean));
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
    itdApart = std::max(itdApart, std::fabs(itdMicroseconds(played[0][0], played[0][1], kRate) -
                                            itdMicroseconds(played[1][0], played[1][1], kRate)));
    for (int ear = 0; ear < 2; ++ear)
      levelApart =
          std::max(levelApart, std::fabs(levelDb(played[0][ear]) - levelDb(played[1][ear])));
  }
  EXPECT_LT(itdApart, 5.0);
  EXPECT_LT(levelApart, 0.5);
  // Resampled for 96 kHz, the own set's ring keeps the file's arrival differences and each
  // band's level, up to the one level factor of the set.
  SpatialEngine at96;
  ASSERT_TRUE(at96.setSampleRate(96000.0));
  ASSERT_TRUE(at96.setOwnResponseSet(own));
  at96.useOwnSet.store(true);
  CueErrors resampled{thirdOctaveLevels};
  for (int m = 0; m < measured.count; ++m) {
    if (measured.positions[3 * m + 1] != 0.0f) continue;
    Ears heard, played;
    heardAt(measured, m, heard);
    quendral_test::engineImpulse(at96, ourAzimuth(measured, m), 10, played);
    resampled.add(played, 96000.0, heard, kRate);
  }
  EXPECT_LT(resampled.itdMax, 10.0);
  EXPECT_LT(resampled.band(1.0), 0.1);
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
  kept.positions.clear(), kept.responses.clear(), kept.delays.clear(), kept.count = 0;
  std::vector<int> heldOut;
  int evenOnRing = 0;
  for (int m = 0; m < all.count; ++m) {
    const float elevation = all.positions[3 * m + 1];
    if (elevation == 30.0f || (elevation == 20.0f && evenOnRing++ % 2 == 1)) {
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
  ASSERT_TRUE(ownSetSphereGrid(*set, grid, &status)) << status;
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
      // Played at the host's rate, resampled as the engine resamples a set.
      const BandLimitedResampler resampler(kRate, rate);
      for (Ears* ears : {&mixed, &chosen})
        for (std::vector<double>& ear : *ears) {
          std::vector<float> in(ear.begin(), ear.end()), out(resampler.fullLength(set->length));
          resampler.resample(in.data(), set->length, 0.0, out.data(), int(out.size()));
          ear.assign(out.begin(), out.end());
        }
      plain.add(mixed, rate, heard, kRate);
      nearest.add(chosen, rate, heard, kRate);
    }
    EXPECT_LE(aligned.itdMean(), 1e6 / kRate) << rate;
    EXPECT_LT(aligned.band(0.5), plain.band(0.5)) << rate;
    EXPECT_LT(aligned.band(0.5), nearest.band(0.5)) << rate;
  }
}

}  // namespace
}  // namespace panner
