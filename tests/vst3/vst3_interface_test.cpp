// The VST3 build as a VST3 host sees it: identity, buses and the arrangements it refuses,
// the rate rule, and the parameters only VST3 has.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "vst3_plugin.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int32_t kBlock = 512;

class Vst3Bundle : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    vst3 = vst3host::Vst3Plugin::load(QUENDRAL_VST3_BUNDLE, error);
    ASSERT_TRUE(vst3) << error;
    ASSERT_TRUE(vst3->open(kRate, kBlock, error)) << error;
  }
  std::unique_ptr<vst3host::Vst3Plugin> vst3;
};

TEST_F(Vst3Bundle, NamedAndLaidOutAsAMonoToStereoEffect) {
  const vst3host::ClassDescription& c = vst3->classDescription();
  EXPECT_EQ(c.name, "+quendral");
  EXPECT_EQ(c.vendor, "Quillmoor");
  EXPECT_EQ(c.version, "1");
  EXPECT_EQ(c.category, vst3::kVstAudioEffectClass);
  EXPECT_EQ(c.subCategories, "Fx|Spatial");
  EXPECT_TRUE(vst3->singleObject());

  const auto audioIn = vst3->buses(vst3::kAudio, vst3::kInput);
  const auto audioOut = vst3->buses(vst3::kAudio, vst3::kOutput);
  ASSERT_EQ(audioIn.size(), 1u);
  ASSERT_EQ(audioOut.size(), 1u);
  EXPECT_EQ(audioIn[0].channelCount, 1);
  EXPECT_EQ(audioOut[0].channelCount, 2);
  EXPECT_EQ(vst3->buses(vst3::kEvent, vst3::kInput).size(), 1u);  // controllers
  EXPECT_TRUE(vst3->buses(vst3::kEvent, vst3::kOutput).empty());
}

TEST_F(Vst3Bundle, RefusesEveryArrangementButMonoInStereoOut) {
  vst3::IAudioProcessor* p = vst3->processor();
  vst3::SpeakerArrangement mono = vst3::kArrMono, stereo = vst3::kArrStereo;
  EXPECT_EQ(p->setBusArrangements(&mono, 1, &stereo, 1), vst3::kResultOk);
  EXPECT_NE(p->setBusArrangements(&stereo, 1, &stereo, 1), vst3::kResultOk);
  EXPECT_NE(p->setBusArrangements(&mono, 1, &mono, 1), vst3::kResultOk);
  EXPECT_NE(p->setBusArrangements(&mono, 0, &stereo, 1), vst3::kResultOk);
  vst3::SpeakerArrangement two[2] = {vst3::kArrStereo, vst3::kArrStereo};
  EXPECT_NE(p->setBusArrangements(&mono, 1, two, 2), vst3::kResultOk);
  vst3::SpeakerArrangement got = 0;
  ASSERT_EQ(p->getBusArrangement(vst3::kOutput, 0, got), vst3::kResultOk);
  EXPECT_EQ(got, vst3::kArrStereo);
  EXPECT_EQ(p->canProcessSampleSize(vst3::kSample32), vst3::kResultOk);
  EXPECT_NE(p->canProcessSampleSize(vst3::kSample64), vst3::kResultOk);
}

TEST_F(Vst3Bundle, SetupTakesTheRatesTheEngineTakes) {
  vst3->close();
  std::string error;
  for (double rate : {8000.0, 48000.0, 96000.0, 384000.0}) {
    EXPECT_TRUE(vst3->open(rate, kBlock, error)) << rate << ": " << error;
    vst3->close();
  }
  for (double rate : {7999.0, 400000.0, 0.0, -44100.0, std::nan("")}) {
    EXPECT_FALSE(vst3->open(rate, kBlock, error)) << rate;
    vst3->close();
  }
  vst3::ProcessSetup doubles{vst3::kRealtime, vst3::kSample64, kBlock, kRate};
  EXPECT_NE(vst3->processor()->setupProcessing(doubles), vst3::kResultOk);
}

// What only VST3 has: bypass and program as parameters, a restart on a program change,
// hidden controller parameters (IMidiMapping), plain values for stepped ones.
TEST_F(Vst3Bundle, BypassProgramsAndControllersAreParameters) {
  const int32_t bypass = vst3->parameterWithFlag(vst3::ParameterInfo::kIsBypass);
  const int32_t program = vst3->parameterWithFlag(vst3::ParameterInfo::kIsProgramChange);
  ASSERT_GE(bypass, 0);
  ASSERT_GE(program, 0);
  EXPECT_EQ(vst3->parameters()[static_cast<std::size_t>(bypass)].stepCount, 1);
  EXPECT_EQ(vst3->parameters()[static_cast<std::size_t>(program)].stepCount, 7);
  double value = 0.0;
  ASSERT_TRUE(vst3->valueFromText(bypass, "On", value));
  EXPECT_EQ(value, 1.0);
  ASSERT_TRUE(vst3->valueFromText(program, "Init 3", value));
  EXPECT_NEAR(value, 2.0 / 7.0, 1e-12);
  vst3::IEditController* c = vst3->controller();
  EXPECT_DOUBLE_EQ(c->normalizedParamToPlain(2, 0.3), 3.0);
  EXPECT_DOUBLE_EQ(c->plainParamToNormalized(2, 3.0), 0.3);

  vst3->handler().clear();
  vst3->setParameter(program, 3.0 / 7.0);
  const auto restarts = vst3->handler().restarts();
  ASSERT_EQ(restarts.size(), 1u) << "the host is told that every value may have changed";
  EXPECT_TRUE(restarts[0] & vst3::kParamValuesChanged);

  for (int16_t controller : {10, 7, 12, 13}) {
    vst3::ParamID id = 0;
    ASSERT_TRUE(vst3->midiControllerParameter(0, controller, id)) << controller;
    ASSERT_GE(vst3->indexOf(id), 0) << "the mapped parameter is listed";
    EXPECT_TRUE(vst3->parameters()[vst3->indexOf(id)].flags & vst3::ParameterInfo::kIsHidden);
  }
  vst3::ParamID id = 0;
  for (int16_t other : {0, 1, 11, 64, 127})
    EXPECT_FALSE(vst3->midiControllerParameter(0, other, id));
}

}  // namespace
