// quendral-render with a user's own response set: --sofa loads it, --info shows it, and a
// preset saved with --save-preset brings it back without the file, sample for sample; a
// preset whose ring is damaged is refused. (Unusable files: RenderTool.BadInput...)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "required_package.h"
#include "state_chunk.h"
#include "tool_run.h"

using namespace tool_test;

namespace {

constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

class OwnSetRender : public ToolTest {
 protected:
  // Half a second of noise at 48 kHz, so the set is resampled on the way.
  void SetUp() override {
    ToolTest::SetUp();
    writeAudio("in.wav", {noise(24000, 1, 1.0f)}, 48000);
  }
  // Runs the tool on quendral with the space-separated `arguments`; returns its exit
  // status, and all it printed in `out`.
  int run(const std::string& arguments, std::string* out = nullptr) const {
    std::vector<std::string> args{"--plugin", QUENDRAL_PLUGIN};
    std::istringstream words(arguments);
    for (std::string word; words >> word;) args.push_back(word);
    const RunResult r = ToolTest::run(args);
    if (out) *out = r.out + r.err;
    return r.status;
  }
  // All samples of a file, channels interleaved.
  std::vector<float> samples(const std::string& name) const {
    const Channels c = readAudio(name);
    std::vector<float> all;
    for (size_t i = 0; !c.empty() && i < c[0].size(); ++i)
      for (const auto& channel : c) all.push_back(channel[i]);
    return all;
  }
};

}  // namespace

TEST_F(OwnSetRender, PresetBringsTheSetBackWithoutTheFile) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kMitKemar), kMitKemar << " (Debian: libmysofa1)");
  fs::copy_file(kMitKemar, path("head.sofa"));
  std::string out;
  ASSERT_EQ(run("--sofa " + path("head.sofa") + " --angle 70 --save-preset " + path("p.fxp") + " " +
                    path("in.wav") + " " + path("a.wav"),
                &out),
            0)
      << out;
  EXPECT_NE(out.find("own set head.sofa: 710 directions"), std::string::npos) << out;
  const std::vector<float> built = samples("a.wav");
  ASSERT_EQ(run("--angle 70 " + path("in.wav") + " " + path("builtin.wav")), 0);
  fs::rename(path("head.sofa"), path("moved.sofa"));
  ASSERT_EQ(run("--preset " + path("p.fxp") + " " + path("in.wav") + " " + path("b.wav"), &out), 0)
      << out;
  const std::vector<float> reloaded = samples("b.wav");
  ASSERT_EQ(reloaded.size(), built.size());
  ASSERT_FALSE(built.empty());
  double largest = 0.0, fromBuiltIn = 0.0;
  const std::vector<float> builtIn = samples("builtin.wav");
  for (size_t i = 0; i < built.size(); ++i) {
    largest = std::max(largest, std::fabs(double(built[i]) - reloaded[i]));
    fromBuiltIn = std::max(fromBuiltIn, std::fabs(double(built[i]) - builtIn[i]));
  }
  std::printf(
      "preset %ju bytes; reloaded without the file: largest difference %.3g; the "
      "built-in set differs by up to %.3g\n",
      static_cast<uintmax_t>(fs::file_size(path("p.fxp"))), largest, fromBuiltIn);
  EXPECT_LE(largest, 1e-6);
  EXPECT_GT(fromBuiltIn, 1e-3) << "the own set is what played";

  ASSERT_EQ(run("--info --preset " + path("p.fxp"), &out), 0) << out;
  EXPECT_NE(out.find("own set (on): head.sofa: 710 directions, widest gap 5 degrees"),
            std::string::npos)
      << out;
}

TEST_F(OwnSetRender, APresetWithADamagedRingIsRefusedWhole) {
  QUENDRAL_REQUIRE_PACKAGE(fs::exists(kMitKemar), kMitKemar << " (Debian: libmysofa1)");
  ASSERT_EQ(run("--sofa " + std::string(kMitKemar) + " --save-preset " + path("p.fxp") + " " +
                path("in.wav") + " " + path("a.wav")),
            0);
  std::ifstream in(path("p.fxp"), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  in.close();
  // The chunk starts after the file's 60-byte header; a tap near its end becomes NaN and
  // the chunk's CRC-32 (at offset 16, over the payload after 20 bytes) is made right again,
  // so only the ring's own check can refuse it.
  const size_t chunk = 60;
  ASSERT_GT(bytes.size(), chunk + 1000);
  const uint32_t nan = 0x7fc00000u;
  std::memcpy(&bytes[bytes.size() - 400], &nan, 4);
  const uint32_t crc = panner::chunk::crc32(&bytes[chunk + 20], bytes.size() - chunk - 20);
  std::memcpy(&bytes[chunk + 16], &crc, 4);
  std::ofstream(path("bad.fxp"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  std::string out;
  EXPECT_EQ(run("--preset " + path("bad.fxp") + " " + path("in.wav") + " " + path("b.wav"), &out),
            2);
  EXPECT_NE(out.find("the plug-in refused the preset"), std::string::npos) << out;
}
