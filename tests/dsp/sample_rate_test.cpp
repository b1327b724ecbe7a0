// The engine at the host's rate: the same cues in physical units at every rate, timing in
// seconds, in-between azimuths that sound like their neighbours, and rates it refuses.
// Each test prints what it measured, so a run also documents the numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "reference_render.h"
#include "response_tables.h"
#include "spatial_engine.h"

namespace panner {

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr int kF = engine::kFrameSize;
constexpr double kPi = 3.14159265358979323846;
constexpr double kRates[] = {44100.0, 48000.0, 88200.0, 96000.0, 192000.0};

struct EarResponses {
  std::vector<double> ear[2];
};

std::unique_ptr<SpatialEngine> engineAt(double rate, int set = 0) {
  auto engine = std::make_unique<SpatialEngine>();
  EXPECT_TRUE(engine->setSampleRate(rate)) << rate;
  engine->filterSet.store(set, kRelaxed);
  return engine;
}

// The engine's impulse response at `azimuth` after it has settled there.
EarResponses impulseResponse(SpatialEngine& engine, float azimuth) {
  engine.modulator.targetAngle.store(azimuth <= 180.0f ? azimuth : azimuth - 360.0f, kRelaxed);
  std::vector<float> in(kF, 0.0f), out0(kF), out1(kF);
  const float goal = azimuth;
  for (int frame = 0; frame < 5000 && engine.currentAngleDegrees() != goal; ++frame)
    engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
  for (int frame = 0; frame < 2; ++frame)
    engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
  EarResponses r;
  in[0] = 1.0f;
  for (int frame = 0; frame < ResponseTables::kMaxPartitions + 1; ++frame) {
    engine.convolutionFrame(in.data(), out0.data(), out1.data(), nullptr);
    in[0] = 0.0f;
    r.ear[0].insert(r.ear[0].end(), out0.begin(), out0.end());
    r.ear[1].insert(r.ear[1].end(), out1.begin(), out1.end());
  }
  return r;
}

std::complex<double> dft(const std::vector<double>& x, double hz, double rate) {
  std::complex<double> sum = 0.0;
  const double w = -2.0 * kPi * hz / rate;
  for (size_t n = 0; n < x.size(); ++n) sum += x[n] * std::polar(1.0, w * static_cast<double>(n));
  return sum;
}

// Interaural time difference in microseconds: the lag of the ears' cross-correlation peak,
// refined by a parabola; positive when ear 1 (channel 1) leads.
double itdMicroseconds(const EarResponses& r, double rate) {
  const int maxLag = static_cast<int>(0.0015 * rate);
  std::vector<double> c(2 * maxLag + 1);
  int best = 0;
  for (int lag = -maxLag; lag <= maxLag; ++lag) {
    double sum = 0.0;
    for (size_t n = 0; n < r.ear[1].size(); ++n) {
      const long m = static_cast<long>(n) + lag;
      if (m >= 0 && m < static_cast<long>(r.ear[0].size())) sum += r.ear[1][n] * r.ear[0][m];
    }
    c[lag + maxLag] = sum;
    if (sum > c[best]) best = lag + maxLag;
  }
  double offset = 0.0;
  if (best > 0 && best < 2 * maxLag) {
    const double curvature = c[best - 1] - 2.0 * c[best] + c[best + 1];
    if (curvature < 0.0) offset = 0.5 * (c[best - 1] - c[best + 1]) / curvature;
  }
  return (best - maxLag + offset) / rate * 1e6;
}

// The deepest dip of the near ear's magnitude between 6 and 11 kHz, in Hz.
double earNotchHz(const std::vector<double>& ear, double rate) {
  double bestHz = 0.0, bestMagnitude = std::numeric_limits<double>::max();
  for (double hz = 6000.0; hz <= 11000.0; hz += 5.0) {
    const double magnitude = std::abs(dft(ear, hz, rate));
    if (magnitude < bestMagnitude) {
      bestMagnitude = magnitude;
      bestHz = hz;
    }
  }
  return bestHz;
}

// Energy in third-octave bands from 200 Hz to 16 kHz, in dB.
std::vector<double> thirdOctaveLevels(const std::vector<double>& ear, double rate) {
  std::vector<double> levels;
  for (int band = -7; band <= 12; ++band) {  // centres 1000 x 2^(band/3): 200 Hz .. 16 kHz
    const double centre = 1000.0 * std::pow(2.0, band / 3.0);
    const double low = centre * std::pow(2.0, -1.0 / 6.0), high = centre * std::pow(2.0, 1.0 / 6.0);
    double sum = 0.0;
    const int points = 24;
    for (int i = 0; i < points; ++i) {
      const double hz = low * std::pow(high / low, (i + 0.5) / points);
      sum += std::norm(dft(ear, hz, rate));
    }
    levels.push_back(10.0 * std::log10(sum / points + 1e-30));
  }
  return levels;
}

TEST(SampleRates, CuesHoldTheirTimesAndFrequenciesAtEveryCommonRate) {
  double referenceItd[4] = {}, referenceNotch[2] = {};
  const float itdAngles[4] = {30.0f, 60.0f, 90.0f, 135.0f};
  const float notchAngles[2] = {0.0f, 45.0f};
  for (double rate : kRates) {
    auto engine = engineAt(rate);
    std::printf("%6.1f kHz: ITD", rate / 1000.0);
    for (int i = 0; i < 4; ++i) {
      const double itd = itdMicroseconds(impulseResponse(*engine, itdAngles[i]), rate);
      std::printf(" %.0f deg %.1f us,", itdAngles[i], itd);
      if (rate == kRates[0])
        referenceItd[i] = itd;
      else
        EXPECT_NEAR(itd, referenceItd[i], 23.0) << rate << " Hz, " << itdAngles[i] << " degrees";
    }
    std::printf(" notch");
    for (int i = 0; i < 2; ++i) {
      // Channel 1 is the near ear for azimuths 0..180.
      const double notch = earNotchHz(impulseResponse(*engine, notchAngles[i]).ear[1], rate);
      std::printf(" %.0f deg %.0f Hz", notchAngles[i], notch);
      if (rate == kRates[0])
        referenceNotch[i] = notch;
      else
        EXPECT_NEAR(notch / referenceNotch[i], 1.0, 0.02) << rate << " Hz, " << notchAngles[i];
    }
    std::printf("\n");
  }
}

TEST(SampleRates, LfoAndGlideRunInSeconds) {
  double referenceGlide = 0.0;
  for (double rate : kRates) {
    const double frameSeconds = kF / rate;
    // A 0..90 degree step of the target.
    auto engine = engineAt(rate);
    engine->modulator.targetAngle.store(90.0f, kRelaxed);
    float in[kF] = {}, out0[kF], out1[kF];
    int frames = 0;
    while (engine->currentAngleDegrees() != 90.0f && frames < 10000) {
      engine->convolutionFrame(in, out0, out1, nullptr);
      ++frames;
    }
    const double glide = frames * frameSeconds;
    if (rate == kRates[0]) referenceGlide = glide;
    EXPECT_NEAR(glide, referenceGlide, frameSeconds) << rate;

    // The default ramp at 0.25 cycles per second: the target wraps once per cycle.
    engine->modulator.lfoSpeed.store(0.25f, kRelaxed);
    engine->modulator.placeOnEnvelope();
    std::vector<int> wraps;
    float last = engine->modulator.targetAngle.load(kRelaxed);
    for (int frame = 0; frame < static_cast<int>(9.0 / frameSeconds); ++frame) {
      engine->convolutionFrame(in, out0, out1, nullptr);
      const float now = engine->modulator.targetAngle.load(kRelaxed);
      if (now < last - 180.0f) wraps.push_back(frame);
      last = now;
    }
    ASSERT_GE(wraps.size(), 2u) << rate;
    const double cycle = (wraps[1] - wraps[0]) * frameSeconds;
    std::printf("%6.1f kHz: 0-90 glide %.4f s, 0.25 Hz LFO cycle %.4f s\n", rate / 1000.0, glide,
                cycle);
    EXPECT_NEAR(cycle, 4.0, 0.04) << rate;
  }
}

TEST(SampleRates, InBetweenAzimuthsMatchTheirNeighboursBlendInDecibels) {
  for (double rate : {44100.0, 96000.0}) {
    auto engine = engineAt(rate);
    for (float angle : {2.5f, 17.0f, 93.0f, 181.0f, 272.5f, 347.0f}) {
      const float folded = angle <= 180.0f ? angle : 360.0f - angle;
      const float lowerAngle = 5.0f * std::floor(folded / 5.0f);
      const float w = (folded - lowerAngle) / 5.0f;
      const float mirrorOf = angle <= 180.0f ? 0.0f : 360.0f;
      const float lower = std::fabs(mirrorOf - lowerAngle);
      const float upper = std::fabs(mirrorOf - (lowerAngle + 5.0f));
      const EarResponses at = impulseResponse(*engine, angle);
      const EarResponses below = impulseResponse(*engine, std::fmod(lower, 360.0f));
      const EarResponses above = impulseResponse(*engine, std::fmod(upper, 360.0f));
      std::printf("%6.1f kHz, %5.1f deg: RMS difference from the neighbours' blend", rate / 1000.0,
                  angle);
      for (int ear = 0; ear < 2; ++ear) {
        const auto a = thirdOctaveLevels(at.ear[ear], rate);
        const auto b = thirdOctaveLevels(below.ear[ear], rate);
        const auto c = thirdOctaveLevels(above.ear[ear], rate);
        double sum = 0.0;
        for (size_t i = 0; i < a.size(); ++i) {
          const double blend = (1.0 - w) * b[i] + w * c[i];
          sum += (a[i] - blend) * (a[i] - blend);
        }
        const double rms = std::sqrt(sum / static_cast<double>(a.size()));
        std::printf(" ear %d %.2f dB", ear, rms);
        EXPECT_LE(rms, 1.5) << rate << " Hz, " << angle << " degrees, ear " << ear;
      }
      std::printf("\n");
    }
  }
}

// A rate change restarts the filters' history from silence; coming back to a rate renders as
// before, and rates the engine cannot use change nothing.
TEST(SampleRates, ReturningToARateRendersAsBeforeAndBadRatesAreRefused) {
  SpatialEngine engine;
  float before[2][reference_render::kKept], after[2][reference_render::kKept];
  reference_render::render(engine, 0, 30, before[0], before[1]);
  for (double rate : {96000.0, 8000.0, 384000.0, 44100.0}) {
    // After noise at the previous rate: silence at the new rate is silent from its first frame.
    ASSERT_TRUE(engine.setSampleRate(rate)) << rate;
    float silence[kF] = {}, out0[kF], out1[kF];
    engine.convolutionFrame(silence, out0, out1, nullptr);
    for (int i = 0; i < kF; ++i) ASSERT_TRUE(out0[i] == 0.0f && out1[i] == 0.0f) << rate;
    float ignored[2][reference_render::kKept];
    reference_render::render(engine, 1, 200, ignored[0], ignored[1]);
  }
  for (double bad :
       {std::nan(""), std::numeric_limits<double>::infinity(), 0.0, -44100.0, 7999.0, 384001.0}) {
    EXPECT_FALSE(engine.setSampleRate(bad)) << bad;
    EXPECT_EQ(engine.sampleRate(), 44100.0);
  }
  reference_render::render(engine, 0, 30, after[0], after[1]);
  for (int ear = 0; ear < 2; ++ear)
    for (int i = 0; i < reference_render::kKept; ++i) EXPECT_EQ(after[ear][i], before[ear][i]);
}

}  // namespace

}  // namespace panner
