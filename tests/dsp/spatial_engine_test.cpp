// The engine frame against an independent time-domain model: each slot's output is the
// direct convolution of the input (this frame and the one before) with the slot's own
// interpolated taps, scaled by the level factor of the slot's set; the slots are crossfaded
// linearly and the output gain is ramped across the frame (level 4 x set gain x output gain
// in steady state).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "real_fft.h"
#include "response_sets.h"
#include "response_tables.h"
#include "spatial_engine.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;
constexpr int kN = engine::kFftSize;

using Frame = std::vector<float>;

// The filters of the tables as taps: each partition's spectrum transformed back.
void filterTaps(const ResponseTables& tables, const ResponseSetDescriptor& set, float angle,
                std::vector<float> taps[2]) {
  const int partitions = tables.partitions();
  std::vector<float> spectra[2] = {std::vector<float>(partitions * kN),
                                   std::vector<float>(partitions * kN)};
  tables.buildFilterSpectra(set, angle, spectra[0].data(), spectra[1].data());
  RealFft fft;
  for (int ch = 0; ch < 2; ++ch) {
    taps[ch].assign(partitions * kF, 0.0f);
    for (int p = 0; p < partitions; ++p) {
      float packed[kN];
      halfComplexToPacked(spectra[ch].data() + p * kN, packed);
      fft.inverse(packed);
      for (int i = 0; i < kF; ++i) taps[ch][p * kF + i] = packed[i] / kN;
    }
  }
}

// The engine's output computed the slow way, from the angle the engine reports it used.
class DirectModel {
 public:
  explicit DirectModel(double rate = ResponseSets::kMeasurementRate)
      : sets_(std::make_unique<ResponseSets>()),
        tables_(ResponseTables::create(*sets_, rate)),
        history_(tables_->partitions() * kF + kF, 0.0f) {
    // Both slots start with the filters for azimuth 0.
    for (int slot = 0; slot < 2; ++slot) filterTaps(*tables_, sets_->set(0), 0.0f, filters_[slot]);
  }

  void frame(const Frame& in, float angle, int set, float outGain, Frame& out0, Frame& out1) {
    const ResponseSetDescriptor& descriptor = sets_->set(set);
    // A slot's filters carry the level factor of the set they were built from.
    const int slot = fillSlotA_ ? 0 : 1;
    filterTaps(*tables_, descriptor, angle, filters_[slot]);
    gains_[slot] = descriptor.gain;
    const double fadeStart = fillSlotA_ ? 1.0 : 0.0;
    const double fadeStep = fillSlotA_ ? -1.0 / kF : 1.0 / kF;
    fillSlotA_ = !fillSlotA_;

    // history_ holds the earlier frames' input, then this frame's at its end.
    history_.erase(history_.begin(), history_.begin() + kF);
    history_.insert(history_.end(), in.begin(), in.end());
    const int now = static_cast<int>(history_.size()) - kF;
    const int length = static_cast<int>(filters_[0][0].size());
    double y[2][2][kF] = {};  // [slot][channel][sample]
    for (int s = 0; s < 2; ++s)
      for (int ch = 0; ch < 2; ++ch)
        for (int n = 0; n < kF; ++n)
          for (int k = 0; k < length && k <= now + n; ++k)
            y[s][ch][n] += history_[now + n - k] * gains_[s] * filters_[s][ch][k];
    // The output gain moves linearly from the last frame's gain, reaching the new one at
    // the frame's last sample; the first frame has no previous gain to start from.
    const double startGain = previousGain_ < 0.0 ? outGain : previousGain_;
    previousGain_ = outGain;
    out0.resize(kF);
    out1.resize(kF);
    for (int i = 0; i < kF; ++i) {
      const double level = 4.0 * (startGain + (outGain - startGain) * (i + 1) / kF);
      const double f = fadeStart + fadeStep * i;
      out0[i] = static_cast<float>(level * (y[0][0][i] + (y[1][0][i] - y[0][0][i]) * f));
      out1[i] = static_cast<float>(level * (y[0][1][i] + (y[1][1][i] - y[0][1][i]) * f));
    }
  }

 private:
  std::unique_ptr<ResponseSets> sets_;
  std::unique_ptr<ResponseTables> tables_;
  std::vector<float> filters_[2][2];
  double gains_[2] = {ResponseSets::kSetOneGain, ResponseSets::kSetOneGain};
  Frame history_;
  bool fillSlotA_ = true;
  double previousGain_ = -1.0;
};

Frame randomFrame(std::mt19937& generator) {
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  Frame f(kF);
  for (float& v : f) v = value(generator);
  return f;
}

struct Output {
  Frame ch0 = Frame(kF), ch1 = Frame(kF);
};

Output run(SpatialEngine& engine, const Frame& in) {
  Output out;
  engine.convolutionFrame(in.data(), out.ch0.data(), out.ch1.data(), nullptr);
  return out;
}

bool allFinite(const Frame& f) {
  for (float v : f)
    if (!std::isfinite(v)) return false;
  return true;
}

// At 44.1 kHz one partition; at 96 kHz three, through the frequency-domain delay line.
TEST(SpatialEngine, MatchesDirectConvolutionWhileAngleSetAndGainChange) {
  for (double rate : {44100.0, 96000.0}) {
    SpatialEngine engine;
    ASSERT_TRUE(engine.setSampleRate(rate));
    DirectModel model(rate);
    std::mt19937 generator(42);
    engine.outGain.store(0.7f, kRelaxed);
    engine.modulator.targetAngle.store(-20.0f, kRelaxed);
    double worst = 0.0;
    int set = 0;
    // Two silent frames first: the engine fills both slots when it takes up the new rate's
    // tables; the model's slots hold the same filters once each has been refilled.
    for (int frame = 0; frame < 62; ++frame) {
      if (frame == 15) engine.filterSet.store(1, kRelaxed);
      if (frame == 25) engine.modulator.targetAngle.store(100.0f, kRelaxed);
      if (frame == 35) engine.filterSet.store(0, kRelaxed);
      if (frame == 40) engine.filterSet.store(7, kRelaxed);  // not a set: the choice stays
      if (frame == 45) engine.outGain.store(1.9f, kRelaxed);
      const int requested = engine.filterSet.load(kRelaxed);
      if (requested == 0 || requested == 1) set = requested;
      const Frame in = frame < 2 ? Frame(kF, 0.0f) : randomFrame(generator);
      const Output got = run(engine, in);
      Output expected;
      model.frame(in, engine.currentAngleDegrees(), set, engine.outGain.load(kRelaxed),
                  expected.ch0, expected.ch1);
      for (int i = 0; i < kF; ++i) {
        worst = std::max(worst, static_cast<double>(std::fabs(got.ch0[i] - expected.ch0[i])));
        worst = std::max(worst, static_cast<double>(std::fabs(got.ch1[i] - expected.ch1[i])));
      }
    }
    EXPECT_LT(worst, 2e-5) << rate;  // float rounding on outputs of order 1
  }
}

// Non-finite input, a non-finite target and missing buffers: the output stays finite (or
// silent) and the angle holds. (Through every format: Behaviour.BadInputNeitherPoisons...)
TEST(SpatialEngine, NonFiniteInputOrTargetNeverPoisonsTheTails) {
  SpatialEngine engine;
  std::mt19937 generator(3);
  Frame bad = randomFrame(generator);
  bad[5] = std::nanf("");
  bad[80] = std::numeric_limits<float>::infinity();
  bad[81] = -std::numeric_limits<float>::infinity();
  for (int frame = 0; frame < 7; ++frame) {
    const Output out = run(engine, frame < 2    ? bad
                                   : frame == 6 ? Frame(kF, std::nanf(""))
                                                : randomFrame(generator));
    EXPECT_TRUE(allFinite(out.ch0) && allFinite(out.ch1)) << frame;
  }
  for (float target : {std::nanf(""), std::numeric_limits<float>::infinity()}) {
    engine.modulator.targetAngle.store(target, kRelaxed);
    const Output held = run(engine, randomFrame(generator));
    EXPECT_EQ(engine.currentAngleDegrees(), 0.0f);
    EXPECT_TRUE(allFinite(held.ch0) && allFinite(held.ch1));
  }
  Frame out0(kF, 3.0f), out1(kF, 3.0f);
  engine.convolutionFrame(nullptr, out0.data(), out1.data(), nullptr);
  EXPECT_EQ(out0, Frame(kF, 0.0f));
  engine.convolutionFrame(bad.data(), nullptr, out1.data(), nullptr);
}

}  // namespace

}  // namespace panner
