// Real measurements we did not make, through the own-set path: two 360-direction heads that
// Debian's soundscaperenderer-common ships as multichannel WAV (FABIAN, and a KEMAR of TU
// Berlin), written as SOFA files here with ncgen and checked against the files themselves at
// 44.1 and 96 kHz. (Debian's MIT KEMAR SOFA file: sphere_heads_test.cpp.)
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "ear_measures.h"
#include "own_response_set.h"
#include "required_package.h"
#include "sofa_file.h"
#include "sofa_writer.h"
#include "spatial_engine.h"

namespace fs = std::filesystem;

namespace panner {

namespace {

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

}  // namespace

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

}  // namespace panner
