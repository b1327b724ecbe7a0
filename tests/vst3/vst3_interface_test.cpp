// The VST3 build as a VST3 host sees it: identity, buses and the arrangements it refuses,
// the rate rule, latency, the parameter list with the VST2 build's names, units and texts,
// typed values, steps, bypass, the program list and the MIDI mapping.
#include <cstring>

#include "formats_fixture.h"

namespace quendral_test {
namespace {

using Fixture = BothFormats;

TEST_F(Fixture, NamedAndLaidOutAsTheVst2Build) {
  const vst3host::ClassDescription& c = vst3->classDescription();
  EXPECT_EQ(c.name, vst2->effectName());
  EXPECT_EQ(c.vendor, vst2->vendorString());
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
  EXPECT_EQ(vst3->latencySamples(), 128u);
  EXPECT_EQ(vst3->tailSamples(), 0u);
}

TEST_F(Fixture, RefusesEveryArrangementButMonoInStereoOut) {
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

TEST_F(Fixture, SetupTakesTheRatesTheEngineTakes) {
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

TEST_F(Fixture, ParametersCarryTheVst2NamesUnitsAndTexts) {
  // The 23 defined parameters under their indices as ids, then bypass and program change.
  for (int32_t i = 0; i < 23; ++i) {
    SCOPED_TRACE(i);
    const int32_t at = vst3Index(i);
    ASSERT_EQ(at, i);
    const auto& p = vst3->parameters()[static_cast<std::size_t>(at)];
    EXPECT_EQ(p.title, vst2->parameterName(i));
    std::string label = vst2->parameterLabel(i);
    while (!label.empty() && label[0] == ' ') label.erase(0, 1);
    EXPECT_EQ(p.units, label);
    EXPECT_TRUE(p.flags & vst3::ParameterInfo::kCanAutomate);
    EXPECT_FLOAT_EQ(static_cast<float>(p.defaultValue), vst2->getParameter(i)) << "a fresh program";
    for (float v : {0.0f, 0.13f, 0.5f, 0.77f, 1.0f}) {
      setBoth(i, v);
      EXPECT_EQ(vst3->parameterDisplay(at), vst2->parameterDisplay(i)) << v;
      EXPECT_FLOAT_EQ(static_cast<float>(vst3->getParameter(at)), vst2->getParameter(i)) << v;
      // The text for a value is what that value shows once applied.
      EXPECT_EQ(vst3->displayFor(at, vst3->getParameter(at)), vst2->parameterDisplay(i)) << v;
    }
  }
  // "own set" follows them, stepped, reading as the VST2 build's parameter 23.
  ASSERT_EQ(vst3Index(23), 23);
  EXPECT_EQ(vst3->parameters()[23].title, vst2->parameterName(23));
  EXPECT_EQ(vst3->parameters()[23].stepCount, 1);
  EXPECT_EQ(vst3->parameterDisplay(23), vst2->parameterDisplay(23));
  double typed = -1.0;
  ASSERT_TRUE(vst3->valueFromText(23, "off", typed));
  EXPECT_EQ(typed, 0.0);
  const int32_t bypass = vst3->parameterWithFlag(vst3::ParameterInfo::kIsBypass);
  const int32_t program = vst3->parameterWithFlag(vst3::ParameterInfo::kIsProgramChange);
  ASSERT_GE(bypass, 0);
  ASSERT_GE(program, 0);
  EXPECT_EQ(vst3->parameters()[static_cast<std::size_t>(bypass)].stepCount, 1);
  EXPECT_EQ(vst3->parameters()[static_cast<std::size_t>(program)].stepCount, 7);
}

TEST_F(Fixture, SteppedWhereTheVst2BuildSteps) {
  for (int32_t i = 0; i < 23; ++i) {
    const int32_t steps = vst3->parameters()[static_cast<std::size_t>(i)].stepCount;
    EXPECT_EQ(steps, i == 2 ? 10 : i == 3 ? 1 : 0) << vst3->parameters()[i].title;
  }
  // Each step k of k/steps lands on its own divisor and set.
  for (int k = 0; k <= 10; ++k) EXPECT_EQ(vst3->displayFor(2, k / 10.0), std::to_string(k + 1));
  EXPECT_EQ(vst3->displayFor(3, 0.0), "0");
  EXPECT_EQ(vst3->displayFor(3, 1.0), "1");
  vst3::IEditController* c = vst3->controller();
  EXPECT_DOUBLE_EQ(c->normalizedParamToPlain(2, 0.3), 3.0);
  EXPECT_DOUBLE_EQ(c->plainParamToNormalized(2, 3.0), 0.3);
}

TEST_F(Fixture, TypedValuesParseBackIntoTheirParameter) {
  struct Case {
    int32_t index;
    const char* typed;
    const char* shows;  // the display once the parsed value is set
  };
  for (const Case& c :
       {Case{0, "45", "45.0"}, Case{0, "-90.0\xC2\xB0", "-90.0"}, Case{0, "270", "-90.0"},
        Case{0, "999", "180.0"}, Case{6, "-3 dB", "-3.0"}, Case{6, "+6", "6.0"},
        Case{6, "40", "12.0"}, Case{4, "0.25 Hz", "0.25"}, Case{2, "7", "7"}, Case{3, "1", "1"},
        Case{5, " 0.5", "0.50"}, Case{9, "0.25", "0.250000"}}) {
    SCOPED_TRACE(c.typed);
    double value = -1.0;
    ASSERT_TRUE(vst3->valueFromText(c.index, c.typed, value));
    EXPECT_EQ(vst3->displayFor(c.index, value), c.shows);
  }
  double value = 0.0;
  for (const char* bad : {"", "abc", "dB", "nan", "inf"}) {
    EXPECT_FALSE(vst3->valueFromText(0, bad, value)) << bad;
  }
  const int32_t bypass = vst3->parameterWithFlag(vst3::ParameterInfo::kIsBypass);
  ASSERT_TRUE(vst3->valueFromText(bypass, "On", value));
  EXPECT_EQ(value, 1.0);
  const int32_t program = vst3->parameterWithFlag(vst3::ParameterInfo::kIsProgramChange);
  ASSERT_TRUE(vst3->valueFromText(program, "Init 3", value));
  EXPECT_NEAR(value, 2.0 / 7.0, 1e-12);
}

TEST_F(Fixture, ProgramsAreAListSelectedByTheProgramChangeParameter) {
  const std::vector<std::string> names = vst3->programNames();
  ASSERT_EQ(names.size(), 8u);
  for (int p = 0; p < 8; ++p)
    EXPECT_EQ(names[static_cast<std::size_t>(p)], "Init " + std::to_string(p + 1));

  const int32_t program = vst3->parameterWithFlag(vst3::ParameterInfo::kIsProgramChange);
  vst3->setParameter(0, 0.75);  // program 1 keeps angle 90
  vst3->handler().clear();
  vst3->setParameter(program, 3.0 / 7.0);
  EXPECT_EQ(vst3->parameterDisplay(program), "Init 4");
  EXPECT_EQ(vst3->parameterDisplay(0), "0.0") << "program 4 is fresh";
  const auto restarts = vst3->handler().restarts();
  ASSERT_EQ(restarts.size(), 1u) << "the host is told that every value may have changed";
  EXPECT_TRUE(restarts[0] & vst3::kParamValuesChanged);
  vst3->setParameter(program, 0.0);
  EXPECT_EQ(vst3->parameterDisplay(0), "90.0");
}

TEST_F(Fixture, ControllersReachTheParametersTheVst2BuildMovesForThem) {
  struct Case {
    int16_t controller;
    int32_t parameter;
  };
  for (const Case& c : {Case{10, 0}, Case{7, 6}, Case{12, 4}, Case{13, 5}}) {
    SCOPED_TRACE(c.controller);
    for (int16_t channel : {0, 9, 15}) {
      vst3::ParamID id = 0;
      ASSERT_TRUE(vst3->midiControllerParameter(channel, c.controller, id));
      ASSERT_GE(vst3->indexOf(id), 0) << "the mapped parameter is listed";
      EXPECT_TRUE(vst3->parameters()[vst3->indexOf(id)].flags & vst3::ParameterInfo::kIsHidden);
      // The host sends controller value v as v / 127; the plug-in applies v as the VST2
      // build applies the same control change.
      for (int v : {0, 37, 64, 127}) {
        vst2->sendMidi({{static_cast<unsigned char>(0xB0 | channel),
                         static_cast<unsigned char>(c.controller), static_cast<unsigned char>(v)}});
        vst3->queueParameterChange(id, v / 127.0);
        float silence[kBlock] = {};
        float left[kBlock], right[kBlock];
        float* in[1] = {silence};
        float* out[2] = {left, right};
        vst3->process(in, out, kBlock);
        EXPECT_FLOAT_EQ(static_cast<float>(vst3->getParameter(c.parameter)),
                        vst2->getParameter(c.parameter))
            << v;
      }
    }
  }
  vst3::ParamID id = 0;
  for (int16_t other : {0, 1, 11, 64, 127})
    EXPECT_FALSE(vst3->midiControllerParameter(0, other, id));
  EXPECT_TRUE(vst3->handler().edits().empty()) << "controllers are not reported as edits";
}

}  // namespace
}  // namespace quendral_test
