// A long run of the plug-in as a session would use it: a running LFO, both response sets,
// automation jumps, MIDI, bypass toggles and sample-rate changes, over blocks of varying
// size. Every output sample stays finite and within what the gains allow, and the level
// meter never reads below zero.
//
// QUENDRAL_SOAK_SECONDS sets the seconds of audio (default 30; an hour is 3600).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "plugin_fixture.h"

namespace {

constexpr int kFrame = 128;
// The largest absolute sum of any ear's response at 0 dB (about 11.0, at 90 degrees in the
// coarse set), with headroom: no input within -A..A makes an output beyond A times this
// times the output gain.
constexpr float kResponseSum = 12.0f;
constexpr float kInputLevel = 0.5f;
constexpr double kSampleRates[] = {44100.0, 48000.0, 88200.0, 96000.0, 22050.0, 192000.0};

double soakSeconds() {
  const char* text = std::getenv("QUENDRAL_SOAK_SECONDS");
  const double seconds = text ? std::atof(text) : 30.0;
  return seconds > 0.0 ? seconds : 30.0;
}

// Output gain of the "gain" parameter's value: -12 dB at 0, +12 dB at 1.
float linearGain(float value) { return std::pow(10.0f, (value - 0.5f) * 1.2f); }

class Rng {
 public:
  uint32_t next() { return state_ = state_ * 1664525u + 1013904223u; }
  float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }  // 0..1
  int below(int n) { return static_cast<int>(next() >> 8) % n; }

 private:
  uint32_t state_ = 2024;
};

}  // namespace

TEST_F(PluginTest, SoakStaysFiniteBoundedAndMetersNeverNegative) {
  const double seconds = soakSeconds();
  const int64_t total = static_cast<int64_t>(seconds * 44100.0);
  Rng rng;
  std::vector<float> input(4096), out0(4096), out1(4096);
  float* inputs[] = {input.data()};
  float* outputs[] = {out0.data(), out1.data()};

  host->setParameter(4, 0.9f);  // the LFO runs
  float gainValue = 0.5f;
  // The gain that bounds the output: the larger of the current and the previous gain until
  // the previous one has left the tails and the gain ramp (a few frames).
  float previousGain = 1.0f;
  int64_t previousGainUntil = 0;
  bool bypassed = false;
  float peak = 0.0f;
  int events = 0;
  double phase = 0.0;

  for (int64_t done = 0; done < total;) {
    const int32_t block =
        std::min<int64_t>(1 + rng.below(rng.below(8) == 0 ? 4096 : 600), total - done);
    // A sine sweep with noise on top, at most kInputLevel.
    for (int32_t i = 0; i < block; ++i) {
      phase += 0.01 + 0.2 * std::fabs(std::sin(static_cast<double>(done + i) * 1e-6));
      input[i] = kInputLevel *
                 (0.7f * static_cast<float>(std::sin(phase)) + 0.3f * (2.0f * rng.unit() - 1.0f));
    }

    if (rng.below(20) == 0) {
      ++events;
      switch (rng.below(8)) {
        case 0: {  // an automation jump of any parameter but the gain
          const int32_t index = rng.below(23);
          host->setParameter(index == 6 ? 0 : index, rng.unit());
          break;
        }
        case 1:  // a gain jump
          previousGain = done < previousGainUntil ? std::max(linearGain(gainValue), previousGain)
                                                  : linearGain(gainValue);
          previousGainUntil = done + 4 * kFrame;
          gainValue = rng.unit();
          host->setParameter(6, gainValue);
          break;
        case 2:
          host->setParameter(3, rng.below(2) ? 1.0f : 0.0f);  // the other response set
          break;
        case 3:
          host->setParameter(4, rng.unit());  // a new LFO speed, often a running one
          break;
        case 4:
          bypassed = !bypassed;
          bypass(bypassed);
          break;
        case 5: {  // hosts change the rate while suspended
          host->suspend();
          host->setSampleRate(kSampleRates[rng.below(6)]);
          host->resume();
          break;
        }
        case 6:
          host->sendMidi({{0xB0, static_cast<unsigned char>(rng.below(2) ? 10 : 13),
                           static_cast<unsigned char>(rng.below(128)), 0}});
          break;
        default:
          host->setProgram(rng.below(8));
          gainValue = host->getParameter(6);
          previousGain = 4.0f;  // a program may bring any gain
          previousGainUntil = done + 4 * kFrame;
          break;
      }
    }

    host->processReplacing(inputs, outputs, block);
    const float gain = done < previousGainUntil ? std::max(previousGain, linearGain(gainValue))
                                                : linearGain(gainValue);
    // Bypassed output is the input itself, well below this even at -12 dB.
    const float bound = kInputLevel * kResponseSum * gain;
    for (int32_t i = 0; i < block; ++i) {
      for (const float y : {out0[i], out1[i]}) {
        ASSERT_TRUE(std::isfinite(y)) << "sample " << done + i;
        ASSERT_LE(std::fabs(y), bound) << "sample " << done + i << ", gain " << gain;
        peak = std::max(peak, std::fabs(y));
      }
    }
    ASSERT_GE(dispatch(effGetVu), 0) << "sample " << done;
    for (int32_t index = 0; index < 25; ++index) {
      const float value = host->getParameter(index);
      ASSERT_TRUE(value >= 0.0f && value <= 1.0f) << index;
    }
    done += block;
  }
  std::printf("soak: %.0f s of audio, %d events, output peak %.3f\n", seconds, events,
              static_cast<double>(peak));
}
