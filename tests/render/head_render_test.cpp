// quendral-render --head: a recorded head movement turns the scene through the plug-in's
// head tracking, for the built-in set and an own sphere: a source ahead with the head turned
// right sounds as a source at the left ear, and a head that turns during the render ends
// there too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "required_package.h"
#include "tool_run.h"

using namespace tool_test;

namespace {

constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr int kRate = 44100;

class HeadRender : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    writeAudio("in.wav", {noise(kRate, 3, 1.0f)}, kRate);
  }
  void render(std::vector<std::string> args, const std::string& out) {
    args.insert(args.begin(), {"--plugin", QUENDRAL_PLUGIN});
    args.push_back(path("in.wav"));
    args.push_back(path(out));
    const RunResult r = ToolTest::run(args);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // The largest difference between two files' samples from `from` seconds on, relative to
  // the largest sample.
  double difference(const std::string& a, const std::string& b, double from) {
    const Channels x = readAudio(a), y = readAudio(b);
    double largest = 0.0, peak = 0.0;
    for (size_t c = 0; c < 2; ++c)
      for (size_t i = static_cast<size_t>(from * kRate); i < x[c].size(); ++i) {
        largest = std::max(largest, std::fabs(double(x[c][i]) - y[c][i]));
        peak = std::max(peak, std::fabs(double(y[c][i])));
      }
    return largest / peak;
  }
};

TEST_F(HeadRender, HeadTurnedRightHearsAheadAtTheLeftEar) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kMitKemar),
                           kMitKemar << " (Debian: libmysofa1)");
  std::ofstream(path("right.csv")) << "seconds,yaw,pitch,roll\n0,-90,0,0\n";
  // Straight ahead, then a quarter turn right over the first 0.3 s.
  std::ofstream(path("turning.csv")) << "0,0,0,0\n0.3,-90,0,0\n";
  const std::vector<std::vector<std::string>> sets = {{}, {"--sofa", kMitKemar}};
  for (const auto& set : sets) {
    SCOPED_TRACE(set.empty() ? "built-in set" : "own sphere");
    auto with = [&](std::vector<std::string> args) {
      args.insert(args.end(), set.begin(), set.end());
      return args;
    };
    render(with({"--angle", "270"}), "left.wav");
    render(with({"--angle", "0", "--head", path("right.csv")}), "head.wav");
    render(with({"--angle", "0", "--head", path("turning.csv")}), "turning.wav");
    render(with({"--angle", "0"}), "ahead.wav");
    EXPECT_LT(difference("head.wav", "left.wav", 0.0), 1e-5);
    // Once the turn is over (and a frame later, the crossfade), the same sound again.
    EXPECT_LT(difference("turning.wav", "left.wav", 0.32), 1e-5);
    EXPECT_GT(difference("ahead.wav", "left.wav", 0.0), 0.1);
  }
}

}  // namespace
