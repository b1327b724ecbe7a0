// quendral's elevation through quendral-render: --elevation in degrees and --automation by
// the parameter's name reach the plug-in (read back from the bank the tool saves after
// rendering), a value beyond the range is refused, and --info lists the parameter.
#include "preset_file.h"
#include "state_chunk.h"
#include "tool_run.h"

namespace tool_test {
namespace {

using RenderElevation = ToolTest;

panner::chunk::BankState savedBank(const std::string& path) {
  const render::PresetFile preset = render::loadPreset(path);
  panner::chunk::BankState bank;
  EXPECT_TRUE(panner::chunk::parseBank(preset.chunk.data(), preset.chunk.size(), bank));
  return bank;
}

TEST_F(RenderElevation, DegreesAndAutomationByNameReachThePlugin) {
  writeAudio("in.wav", {noise(22050)}, 44100);
  std::ofstream(path("down.csv")) << "0.1,elevation,0.25\n";
  struct Case {
    std::vector<std::string> options;
    float degrees;
  };
  const Case cases[] = {{{"--elevation", "30"}, 30.0f},
                        {{"--elevation", "-90"}, -90.0f},
                        {{"--automation", path("down.csv")}, -45.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.back());
    std::vector<std::string> args{"-q", "--plugin", QUENDRAL_PLUGIN};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.insert(args.end(), {"--save-preset", path("bank.fxb"), path("in.wav"), path("out.wav")});
    const RunResult r = run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const panner::chunk::BankState bank = savedBank(path("bank.fxb"));
    EXPECT_FLOAT_EQ(bank.programs[bank.currentProgram].elevation, c.degrees / 180.0f + 0.5f);
    EXPECT_FLOAT_EQ(bank.live.currentElevation, c.degrees);  // glided there
  }
}

TEST_F(RenderElevation, BeyondTheRangeIsRefusedAndInfoListsIt) {
  writeAudio("in.wav", {noise(4410)}, 44100);
  const RunResult refused =
      run({"--plugin", QUENDRAL_PLUGIN, "--elevation", "90.5", path("in.wav"), path("out.wav")});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("--elevation 90.5 is out of range (-90 to 90 degrees)"),
            std::string::npos)
      << refused.err;
  EXPECT_FALSE(fs::exists(path("out.wav")));
  const RunResult info = run({"--info", "--plugin", QUENDRAL_PLUGIN});
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("   24  elevation                0.0\xC2\xB0"), std::string::npos)
      << info.out;
}

}  // namespace
}  // namespace tool_test
