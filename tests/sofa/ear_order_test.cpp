// Which receiver is the left ear: decided by what the receivers measured, never by the
// receiver positions. Files made from Debian's MIT KEMAR ring with the receivers and their
// positions swapped every way a published file has them; each played at 90 degrees (the
// right ear, output 1) and 270. The status line, the core's description (the panel's) and
// quendral-render --info say when the positions contradict the data.
#include <gtest/gtest.h>

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

namespace fs = std::filesystem;

namespace panner {
namespace {

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

bool readFile(const std::string& path, SofaMeasurements& out, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  return readSofaMeasurements(bytes.data(), bytes.size(), path, out, why);
}

std::string runRenderInfo(const std::string& sofa, const fs::path& dir) {
  const std::string log = (dir / "info.txt").string();
  const std::string command = std::string(RENDER_TOOL) + " --plugin " + QUENDRAL_PLUGIN +
                              " --info --sofa '" + sofa + "' > '" + log + "' 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(log);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

TEST(EarOrder, TheMeasurementsDecideWhichReceiverIsTheLeftEar) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kMitKemar), kMitKemar << " (Debian: libmysofa-data)");
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(quendral_test::kNcgen),
                           quendral_test::kNcgen << " (Debian: netcdf-bin)");
  SofaMeasurements mit;
  std::string why;
  ASSERT_TRUE(readFile(kMitKemar, mit, why)) << why;
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
    ASSERT_TRUE(readFile(path, read, why)) << why;
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

}  // namespace panner
