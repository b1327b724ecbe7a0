// The VST3 build sounds as the VST2 build does: the same settings, MIDI-free automation
// between blocks, tempo sync from the process context, bypass, programs and rates give the
// same output within 1e-6; and a state saved by either build loads into the other.
#include "formats_fixture.h"

namespace quendral_test {
namespace {

using Fixture = BothFormats;

constexpr std::size_t kSeconds3 = static_cast<std::size_t>(3 * kRate);

TEST_F(Fixture, RendersAsTheVst2BuildDoes) {
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, float>> settings;
  };
  const std::vector<Case> cases{
      {"default", {}},
      {"right ear, second set, -6 dB", {{0, 0.75f}, {3, 1.0f}, {6, 0.25f}}},
      {"LFO at 0.6 Hz", {{4, 0.8f}}},
      {"LFO synced to 120 bpm, divide 3", {{1, 1.0f}, {2, 0.2f}, {4, 0.9f}}},
      {"envelope edited, LFO backward", {{9, 0.1f}, {17, 0.6f}, {4, 0.2f}}},
  };
  const std::vector<float> input = noise(kSeconds3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    for (const auto& [index, value] : c.settings) setBoth(index, value);
    const auto a = vst2->render(input, 300);
    const auto b = vst3->render(input, 300);
    EXPECT_LE(largestDifference(a, b), 1e-6);
    double energy = 0.0;
    for (float x : b[1]) energy += static_cast<double>(x) * x;
    EXPECT_GT(energy, 1.0) << "not silent";
  }
}

TEST_F(Fixture, ChangesBetweenBlocksApplyAtTheStartOfTheNextBlock) {
  const std::vector<float> input = noise(kSeconds3);
  std::vector<std::vector<float>> a(2, std::vector<float>(input.size()));
  std::vector<std::vector<float>> b = a;
  for (std::size_t start = 0; start < input.size(); start += kBlock) {
    const std::size_t n = std::min<std::size_t>(kBlock, input.size() - start);
    const float angle = static_cast<float>(start % 44100) / 44100.0f;
    setBoth(0, angle);
    if (start == 44032) setBoth(3, 1.0f);
    float* in[1] = {const_cast<float*>(input.data()) + start};
    float* outA[2] = {a[0].data() + start, a[1].data() + start};
    float* outB[2] = {b[0].data() + start, b[1].data() + start};
    vst2->processReplacing(in, outA, static_cast<int32_t>(n));
    vst3->process(in, outB, static_cast<int32_t>(n));
  }
  EXPECT_LE(largestDifference(a, b), 1e-6);
}

TEST_F(Fixture, BypassIsTheVst3BypassParameter) {
  const int32_t bypass = vst3->parameterWithFlag(vst3::ParameterInfo::kIsBypass);
  ASSERT_GE(bypass, 0);
  const std::vector<float> input = noise(44100);
  setBoth(0, 0.75f);
  vst2->dispatch(effSetBypass, 0, 1);
  vst3->setParameter(bypass, 1.0);
  EXPECT_EQ(vst3->parameterDisplay(bypass), "On");
  const auto a = vst2->render(input, kBlock);
  const auto b = vst3->render(input, kBlock);
  EXPECT_LE(largestDifference(a, b), 1e-6);
  // Bypassed: the input comes out on both ears one frame late.
  EXPECT_FLOAT_EQ(b[0][1000 + 128], input[1000]);
  EXPECT_FLOAT_EQ(b[1][1000 + 128], input[1000]);
}

TEST_F(Fixture, TempoAndSongPositionComeFromTheProcessContext) {
  const std::vector<float> input = noise(kSeconds3);
  for (double tempo : {90.0, 140.0}) {
    SCOPED_TRACE(tempo);
    SetUp();
    vst2->setTempo(tempo);
    vst3->setTempo(tempo);
    vst2->setSamplePosition(3.0 * kRate);  // the song is already three seconds in
    vst3->setSamplePosition(3.0 * kRate);
    setBoth(1, 1.0f);
    setBoth(4, 1.0f);
    const auto a = vst2->render(input, kBlock);
    const auto b = vst3->render(input, kBlock);
    EXPECT_LE(largestDifference(a, b), 1e-6);
  }
  // A host that reports no tempo: the synced LFO has none to follow in either build.
  SetUp();
  vst2->setTempoValid(false);
  vst3->setTempoValid(false);
  setBoth(1, 1.0f);
  setBoth(4, 1.0f);
  EXPECT_LE(largestDifference(vst2->render(input, kBlock), vst3->render(input, kBlock)), 1e-6);
}

TEST_F(Fixture, OtherRatesAndProgramsSoundAlike) {
  const std::vector<float> input = noise(kSeconds3);
  std::string error;
  vst2->setSampleRate(96000.0);
  vst3->close();
  ASSERT_TRUE(vst3->open(96000.0, kBlock, error)) << error;
  setBoth(4, 0.9f);
  vst2->setProgram(5);
  vst3->setParameter(vst3->parameterWithFlag(vst3::ParameterInfo::kIsProgramChange), 5.0 / 7.0);
  setBoth(0, 0.3f);
  EXPECT_LE(largestDifference(vst2->render(input, 256), vst3->render(input, 256)), 1e-6);
}

TEST_F(Fixture, StateMovesBetweenTheFormats) {
  // A state with a running LFO, an edited envelope, a renamed second program current.
  const auto shape = [](const auto& set) {
    set(4, 0.85f);
    set(12, 0.2f);
  };
  shape([&](int32_t i, float v) { vst2->setParameter(i, v); });
  vst2->setProgram(1);
  vst2->setProgramName("swirl");
  vst2->setParameter(0, 0.9f);
  vst2->setParameter(6, 0.4f);
  vst2->render(noise(20000, 3), kBlock);
  const std::vector<uint8_t> fromVst2 = vst2->getChunk();
  ASSERT_FALSE(fromVst2.empty());

  // Loaded into each build, the chunk gives the same parameters, names and sound.
  const auto loadedIntoBoth = [&](const std::vector<uint8_t>& chunk) {
    std::string error;
    auto a = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
    auto b = vst3host::Vst3Plugin::load(QUENDRAL_VST3_BUNDLE, error);
    ASSERT_TRUE(a && b) << error;
    a->open(kRate, kBlock);
    ASSERT_TRUE(b->open(kRate, kBlock, error)) << error;
    ASSERT_EQ(a->setChunk(chunk), 1);
    ASSERT_EQ(b->setState(chunk), vst3::kResultOk);
    EXPECT_EQ(b->programNames()[1], "swirl");
    EXPECT_EQ(a->program(), 1);
    for (int32_t i = 0; i < 23; ++i)
      EXPECT_FLOAT_EQ(static_cast<float>(b->getParameter(i)), a->getParameter(i)) << i;
    const std::vector<float> input = noise(kSeconds3);
    EXPECT_LE(largestDifference(a->render(input, kBlock), b->render(input, kBlock)), 1e-6);
    // What the VST3 build saves now loads into the VST2 build as its own chunk would.
    EXPECT_EQ(b->getState(), a->getChunk());
  };
  loadedIntoBoth(fromVst2);
  ASSERT_EQ(vst3->setState(fromVst2), vst3::kResultOk);
  loadedIntoBoth(vst3->getState());
  EXPECT_TRUE(vst3->controllerState().empty()) << "the controller keeps nothing of its own";
}

TEST_F(Fixture, MalformedStateIsRefusedAndChangesNothing) {
  vst3->setParameter(0, 0.75);
  const std::vector<uint8_t> before = vst3->getState();
  std::vector<uint8_t> cut(before.begin(), before.begin() + before.size() / 2);
  std::vector<uint8_t> flipped = before;
  flipped[flipped.size() / 2] ^= 0x5A;
  for (const auto& bad : {std::vector<uint8_t>{}, cut, flipped, std::vector<uint8_t>(3000000, 1)}) {
    EXPECT_NE(vst3->setState(bad), vst3::kResultOk) << bad.size();
    EXPECT_EQ(vst3->getState(), before);
  }
}

}  // namespace
}  // namespace quendral_test
