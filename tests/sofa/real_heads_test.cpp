// Real measurements through the own-set path, written as SOFA files with ncgen: Debian's MIT
// KEMAR ring with its receivers swapped every way published files have them (the measurements
// decide which is the left ear), and two 360-direction heads that soundscaperenderer-common
// ships as WAV (FABIAN, a KEMAR of TU Berlin) against the files at 44.1 and 96 kHz.
#include <gtest/gtest.h>

#include <sndfile.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "ear_measures.h"
#include "own_response_set.h"
#include "quendral_core.h"
#include "required_package.h"
#include "sofa_file.h"
#include "sofa_writer.h"
#include "spatial_engine.h"

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
  auto everyDirection = [](float) { return true; };
  std::string contradictedFile;
  for (const Case& c : cases) {
    quendral_test::SofaContents contents = mitRing(mit, c.swapData, everyDirection);
    contents.receivers = c.receivers;
    contents.title = c.name;
    const std::string path = (dir / (std::string(c.name) + ".sofa")).string();
    ASSERT_TRUE(quendral_test::writeSofa(contents, path)) << c.name;
    if (c.contradicted && contradictedFile.empty()) contradictedFile = path;

    auto set = std::make_shared<OwnResponseSet>();
    std::string status;
    ASSERT_TRUE(loadOwnResponseSet(path, *set, status)) << status;
    EXPECT_EQ(status.find(kEarsByMeasurementNote) != std::string::npos, c.contradicted)
        << c.name << ": " << status;
    SpatialEngine engine;
    ASSERT_TRUE(engine.setOwnResponseSet(set));
    engine.useOwnSet.store(true, std::memory_order_relaxed);
    const int frames = (set->length + engine::kFrameSize - 1) / engine::kFrameSize + 2;
    double louder[2];  // output 1 over output 0 in dB at 90 and 270 degrees
    for (int side = 0; side < 2; ++side) {
      quendral_test::Ears ears;
      quendral_test::engineImpulse(engine, side == 0 ? 90.0f : 270.0f, frames, ears);
      louder[side] = quendral_test::levelDb(ears[1]) - quendral_test::levelDb(ears[0]);
    }
    EXPECT_GT(louder[0], 10.0) << c.name;
    EXPECT_LT(louder[1], -10.0) << c.name;
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

  // What the user reads: the core's description of the playing set (the panel's line) and
  // quendral-render --info.
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
using quendral_test::thirdOctaveLevels;

constexpr const char* kSsrHrirs = "/usr/share/ssr/impulse_responses/hrirs/";
constexpr int kF = engine::kFrameSize;

// A 360-direction WAV of the renderer's layout: channel 2k the left ear and 2k+1 the right
// ear for a source k degrees counter-clockwise from straight ahead, as a SOFA file's content.
bool readHrirWav(const std::string& path, quendral_test::SofaContents& contents) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return false;
  std::vector<double> frames(static_cast<size_t>(info.frames) * info.channels);
  const sf_count_t read = sf_readf_double(file, frames.data(), info.frames);
  sf_close(file);
  if (read != info.frames || info.channels != 720) return false;
  contents.rate = info.samplerate;
  contents.taps = static_cast<int>(info.frames);
  contents.title = fs::path(path).stem().string();
  for (int k = 0; k < 360; ++k) {
    contents.positions.push_back({static_cast<double>(k), 0.0, 3.0});
    for (int ear = 0; ear < 2; ++ear)
      for (sf_count_t n = 0; n < info.frames; ++n)
        contents.responses.push_back(frames[static_cast<size_t>(n) * 720 + 2 * k + ear]);
  }
  return true;
}

TEST(RealHeads, FabianAndKemarKeepTheirCuesSidesAndAsymmetryAtTwoRates) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(quendral_test::kNcgen),
                           quendral_test::kNcgen << " (Debian: netcdf-bin)");
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kSsrHrirs),
                           kSsrHrirs << " (Debian: soundscaperenderer-common)");
  const fs::path dir = fs::temp_directory_path() / ("quendral-heads-" + std::to_string(getpid()));
  fs::create_directories(dir);
  // Each head at one rate: FABIAN resampled for 96 kHz, the KEMAR as measured.
  for (const auto& [name, rate] : {std::pair{"hrirs_fabian_min_phase_eq.wav", 96000.0},
                                   std::pair{"hrirs_kemar.wav", 44100.0}}) {
    quendral_test::SofaContents contents;
    ASSERT_TRUE(readHrirWav(std::string(kSsrHrirs) + name, contents)) << name;
    const std::string sofa = (dir / (std::string(name) + ".sofa")).string();
    ASSERT_TRUE(quendral_test::writeSofa(contents, sofa)) << name;
    auto set = std::make_shared<OwnResponseSet>();
    std::string status;
    ASSERT_TRUE(loadOwnResponseSet(sofa, *set, status)) << status;
    EXPECT_EQ(set->rows(), 360);
    EXPECT_FALSE(set->mirrored);

    // The file's own ears for our azimuth a: its direction (360 - a) mod 360.
    auto fileEars = [&](int a, Ears& ears) {
      const size_t k = static_cast<size_t>((360 - a) % 360), n = static_cast<size_t>(contents.taps);
      for (int ear = 0; ear < 2; ++ear)
        ears[ear].assign(contents.responses.begin() + (k * 2 + ear) * n,
                         contents.responses.begin() + (k * 2 + ear + 1) * n);
    };
    {
      SpatialEngine engine;
      ASSERT_TRUE(engine.setSampleRate(rate));
      ASSERT_TRUE(engine.setOwnResponseSet(set));
      engine.useOwnSet.store(true, std::memory_order_relaxed);
      const int frames = static_cast<int>(std::ceil(set->length * rate / set->rate / kF)) + 2;
      double itdWorst = 0.0, bandWorst = 0.0;
      double offsetSum = 0.0, asymmetryFile = 0.0, asymmetryKept = 0.0;
      std::vector<double> offsets;
      std::vector<double> ild[2][360];  // [engine, file][azimuth] per band
      for (int a = 0; a < 360; a += 30) {
        Ears e, file;
        quendral_test::engineImpulse(engine, static_cast<float>(a), frames, e);
        fileEars(a, file);
        const double itdEngine = itdMicroseconds(e[0], e[1], rate);
        itdWorst =
            std::max(itdWorst, std::fabs(itdEngine - itdMicroseconds(file[0], file[1], 44100.0)));
        std::vector<double> levels[2][2];
        for (int ear = 0; ear < 2; ++ear) {
          levels[0][ear] = thirdOctaveLevels(e[ear], rate);
          levels[1][ear] = thirdOctaveLevels(file[ear], 44100.0);
          for (size_t i = 0; i < levels[0][ear].size(); ++i) {
            offsets.push_back(levels[0][ear][i] - levels[1][ear][i]);
            offsetSum += offsets.back();
          }
        }
        for (int source = 0; source < 2; ++source)
          for (size_t i = 0; i < levels[source][0].size(); ++i)
            ild[source][a].push_back(levels[source][1][i] - levels[source][0][i]);
      }
      // The same spectra as the file's, up to the one level factor of the set.
      const double mean = offsetSum / static_cast<double>(offsets.size());
      for (double o : offsets) bandWorst = std::max(bandWorst, std::fabs(o - mean));
      // Asymmetry: how far the level difference between the ears at a and at -a fails to be
      // mirror images, as the file has it and as the engine plays it.
      for (int a = 30; a < 180; a += 30) {
        for (size_t i = 0; i < ild[0][a].size(); ++i) {
          const double file = ild[1][a][i] + ild[1][360 - a][i];
          const double played = ild[0][a][i] + ild[0][360 - a][i];
          asymmetryFile = std::max(asymmetryFile, std::fabs(file));
          asymmetryKept = std::max(asymmetryKept, std::fabs(played - file));
        }
      }
      EXPECT_LT(itdWorst, 10.0) << name << " " << rate;
      EXPECT_LT(bandWorst, 0.25) << name << " " << rate;
      EXPECT_GT(asymmetryFile, 1.0) << name << ": the head is not symmetric";
      EXPECT_LT(asymmetryKept, 0.25) << name << " " << rate;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace panner
