// Option parsing, conversion of user units to normalised values, and parameter lookup.
#include <gtest/gtest.h>

#include <cmath>

#include "parameter_units.h"
#include "render_error.h"
#include "render_options.h"

using namespace render;

namespace {

RenderOptions parse(std::vector<std::string> args) { return parseOptions(args); }

std::string errorOf(std::vector<std::string> args) {
  try {
    parseOptions(args);
  } catch (const RenderError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(RenderOptions, AcceptsNegativeValuesAndBothValueForms) {
  const RenderOptions o = parse({"--angle", "-90", "--gain=-6", "in.wav", "out.wav", "--block",
                                 "64", "--param", "point 2 value=0.25", "--no-compensate"});
  EXPECT_DOUBLE_EQ(*o.angleDegrees, -90.0);
  EXPECT_DOUBLE_EQ(*o.gainDb, -6.0);
  EXPECT_EQ(o.blockSize, 64);
  EXPECT_FALSE(o.compensateLatency);
  ASSERT_EQ(o.params.size(), 1u);
  EXPECT_EQ(o.params[0].nameOrIndex, "point 2 value");
  EXPECT_FLOAT_EQ(o.params[0].value, 0.25f);
  EXPECT_EQ(o.inputPath, "in.wav");
  EXPECT_EQ(o.outputPath, "out.wav");
}

TEST(RenderOptions, RejectsBadInputWithAMessageNamingTheOption) {
  EXPECT_NE(errorOf({"--angle"}).find("--angle needs a value"), std::string::npos);
  EXPECT_NE(errorOf({"--angle", "left", "a", "b"}).find("--angle needs a number"),
            std::string::npos);
  EXPECT_NE(errorOf({"--gain", "nan", "a", "b"}).find("--gain needs a number"),
            std::string::npos);
  EXPECT_NE(errorOf({"--lfo-divide", "2.5", "a", "b"}).find("whole number"), std::string::npos);
  EXPECT_NE(errorOf({"--block", "0", "a", "b"}).find("--block"), std::string::npos);
  EXPECT_NE(errorOf({"--tail", "-1", "a", "b"}).find("--tail"), std::string::npos);
  EXPECT_NE(errorOf({"--sync", "0", "a", "b"}).find("--sync"), std::string::npos);
  EXPECT_NE(errorOf({"--param", "gain=1.5", "a", "b"}).find("0 to 1"), std::string::npos);
  EXPECT_NE(errorOf({"--param", "gain", "a", "b"}).find("NAME_OR_INDEX=VALUE"),
            std::string::npos);
  EXPECT_NE(errorOf({"--frobnicate", "a", "b"}).find("unknown option --frobnicate"),
            std::string::npos);
  EXPECT_NE(errorOf({"--quiet=1", "a", "b"}).find("takes no value"), std::string::npos);
  EXPECT_NE(errorOf({"in.wav"}).find("missing INPUT or OUTPUT"), std::string::npos);
  EXPECT_NE(errorOf({"a", "b", "c"}).find("too many"), std::string::npos);
  EXPECT_NE(errorOf({"--info", "a"}).find("--info takes no"), std::string::npos);
}

TEST(RenderOptions, InfoAndHelpNeedNoFiles) {
  EXPECT_TRUE(parse({"--info", "--plugin", "x.so"}).info);
  EXPECT_TRUE(parse({"--help"}).help);
  EXPECT_EQ(parse({"--", "-in.wav", "out.wav"}).inputPath, "-in.wav");
}

TEST(ParameterUnits, AnglesMapOntoTheCircleWithTheRightEarAt90) {
  EXPECT_FLOAT_EQ(angleToNormalised(0), 0.5f);
  EXPECT_FLOAT_EQ(angleToNormalised(90), 0.75f);
  EXPECT_FLOAT_EQ(angleToNormalised(-90), 0.25f);
  EXPECT_FLOAT_EQ(angleToNormalised(270), 0.25f);  // same place as -90
  EXPECT_FLOAT_EQ(angleToNormalised(-180), 0.0f);
  EXPECT_FLOAT_EQ(angleToNormalised(180), 1.0f);
  EXPECT_THROW(angleToNormalised(360.5), RenderError);
  EXPECT_THROW(angleToNormalised(-181), RenderError);
}

TEST(ParameterUnits, EveryDividerSurvivesThePluginsIntegerMapping) {
  // The plug-in computes int(10 x v) + 1 in single precision.
  for (int divide = 1; divide <= 11; ++divide) {
    const float v = lfoDivideToNormalised(divide);
    EXPECT_GE(v, 0.0f);
    EXPECT_LE(v, 1.0f);
    EXPECT_EQ(static_cast<int>(10.0f * v) + 1, divide) << "divide " << divide;
  }
  EXPECT_THROW(lfoDivideToNormalised(0), RenderError);
  EXPECT_THROW(lfoDivideToNormalised(12), RenderError);
}

TEST(ParameterUnits, GainSpeedSetAndPositionRanges) {
  EXPECT_FLOAT_EQ(gainToNormalised(-12), 0.0f);
  EXPECT_FLOAT_EQ(gainToNormalised(12), 1.0f);
  // The plug-in's gain is 10^((v - 0.5) x 1.2): -6 dB must come back as -6 dB.
  EXPECT_NEAR(20.0 * std::log10(std::pow(10.0, (gainToNormalised(-6) - 0.5) * 1.2)), -6.0,
              1e-5);
  EXPECT_THROW(gainToNormalised(12.5), RenderError);
  EXPECT_FLOAT_EQ(lfoSpeedToNormalised(-1), 0.0f);
  EXPECT_FLOAT_EQ(lfoSpeedToNormalised(0), 0.5f);
  EXPECT_FLOAT_EQ(lfoSpeedToNormalised(1), 1.0f);
  EXPECT_THROW(lfoSpeedToNormalised(2), RenderError);
  EXPECT_LT(responseSetToNormalised(1), 0.5f);
  EXPECT_GE(responseSetToNormalised(2), 0.5f);
  EXPECT_THROW(responseSetToNormalised(3), RenderError);
  EXPECT_THROW(lfoPositionToNormalised(1.01), RenderError);
  try {
    gainToNormalised(20);
    FAIL();
  } catch (const RenderError& e) {
    EXPECT_STREQ(e.what(), "--gain 20 is out of range (-12 to 12 dB)");
  }
}

TEST(ParameterUnits, SweepSpeedIsSetAfterAngleAndPositionWhichStopIt) {
  RenderOptions o;
  o.lfoSpeedHz = 0.5;
  o.lfoPosition = 0.25;
  o.angleDegrees = 30;
  o.syncBpm = 120;
  o.params.push_back({"gain", 0.1f});
  const auto settings = settingsFromOptions(o);
  std::vector<std::string> order;
  for (const auto& s : settings) order.push_back(s.parameter);
  EXPECT_EQ(order, (std::vector<std::string>{"angle", "lfo position", "gain", "midi lfo tempo",
                                             "lfo speed"}));
  EXPECT_FALSE(settings[2].startsSweep);
  EXPECT_TRUE(settings[3].startsSweep);
  EXPECT_FLOAT_EQ(settings[3].value, 1.0f);  // sync on
  EXPECT_FLOAT_EQ(settings[4].value, 0.75f);

  // Sync alone runs the sweep forward.
  RenderOptions synced;
  synced.syncBpm = 90;
  const auto syncSettings = settingsFromOptions(synced);
  ASSERT_EQ(syncSettings.size(), 2u);
  EXPECT_EQ(syncSettings[1].parameter, "lfo speed");
  EXPECT_GT(syncSettings[1].value, 0.5f);
}

TEST(ParameterUnits, FindsParametersByNameOrIndex) {
  const std::vector<std::string> names{"angle", "Lfo Speed", "gain"};
  EXPECT_EQ(findParameter(names, "lfo speed", "--param"), 1);
  EXPECT_EQ(findParameter(names, " GAIN ", "--param"), 2);
  EXPECT_EQ(findParameter(names, "0", "--param"), 0);
  EXPECT_THROW(findParameter(names, "3", "--param"), RenderError);
  EXPECT_THROW(findParameter(names, "-1", "--param"), RenderError);
  try {
    findParameter(names, "volume", "--param volume");
    FAIL();
  } catch (const RenderError& e) {
    EXPECT_NE(std::string(e.what()).find("no parameter named \"volume\""), std::string::npos);
  }
}
