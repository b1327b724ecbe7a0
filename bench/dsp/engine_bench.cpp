// Speed of the engine's hot paths, with FFTW as the baseline run in the same process.
//   quendral_dsp_bench [Google Benchmark options]
// After the usual table it prints the ratio of our transform to FFTW's and the engine's
// real-time factor at 44.1, 48 and 96 kHz (audio seconds processed per CPU second; above
// 44.1 kHz the filters are longer and a second holds more frames), taking the fastest
// repetition of each (run with --benchmark_repetitions=5 on a busy machine).
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cstdio>
#include <map>
#include <string>

#include "engine_cases.h"
#include "fastest_run_reporter.h"
#include "real_fft.h"
#include "spatial_engine.h"

namespace panner {

namespace {

constexpr int kN = engine::kFftSize;
constexpr int kF = engine::kFrameSize;

// One direction of our transform, in place on noise, again and again.
void runOurRealFft(benchmark::State& state, void (RealFft::*direction)(float*), unsigned seed) {
  RealFft fft;
  alignas(16) float data[kN];
  fillNoise(data, kN, seed);
  for (auto _ : state) {
    (fft.*direction)(data);
    benchmark::DoNotOptimize(data);
    benchmark::ClobberMemory();
  }
}

void BM_OurRealFftForward(benchmark::State& state) { runOurRealFft(state, &RealFft::forward, 1); }
BENCHMARK(BM_OurRealFftForward);

void BM_OurRealFftInverse(benchmark::State& state) { runOurRealFft(state, &RealFft::inverse, 2); }
BENCHMARK(BM_OurRealFftInverse);

void BM_FftwR2cMeasure(benchmark::State& state) {
  float* in = fftwf_alloc_real(kN);
  fftwf_complex* out = fftwf_alloc_complex(kN / 2 + 1);
  fftwf_plan plan = fftwf_plan_dft_r2c_1d(kN, in, out, FFTW_MEASURE);
  fillNoise(in, kN, 1);  // after planning: FFTW_MEASURE overwrites the arrays
  for (auto _ : state) {
    fftwf_execute(plan);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
  fftwf_free(out);
  fftwf_free(in);
}
BENCHMARK(BM_FftwR2cMeasure);

// One engine frame at the rate given as the benchmark's argument: filter update, input
// transform, the filter paths transformed back in pairs, crossfade.
// With `displayHz` above zero, an open editor asks for the display spectra that many times
// a second, as the plug-in's editor does at each refresh.
void engineFrames(benchmark::State& state, bool moving, double displayHz = 0.0,
                  bool sphere = false) {
  const double rate = static_cast<double>(state.range(0));
  SpatialEngine engine;
  if (!engine.setSampleRate(rate)) state.SkipWithError("rate refused");
  engine.publishDisplayOnRequest();
  const double framesPerRefresh = displayHz > 0.0 ? rate / kF / displayHz : 0.0;
  double untilRefresh = 0.0;
  setAngleCase(engine, moving);
  alignas(16) float in[kF], out0[kF], out1[kF];
  fillNoise(in, kF, 3);
  int frame = 0;
  for (auto _ : state) {
    if (sphere) moveElevation(engine, frame++);
    if (framesPerRefresh > 0.0 && (untilRefresh -= 1.0) <= 0.0) {
      untilRefresh += framesPerRefresh;
      engine.requestDisplayUpdate();
    }
    engine.convolutionFrame(in, out0, out1, nullptr);
    benchmark::DoNotOptimize(out0);
    benchmark::DoNotOptimize(out1);
    benchmark::ClobberMemory();
  }
  state.counters["realtime_factor"] = benchmark::Counter(
      kF / rate * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
void BM_EngineFrameSteadyAngle(benchmark::State& state) { engineFrames(state, false); }
void BM_EngineFrameMovingAngle(benchmark::State& state) { engineFrames(state, true); }
void BM_EngineFrameSteadyAngleEditorOpen(benchmark::State& state) {
  engineFrames(state, false, 60.0);
}
void BM_EngineFrameMovingAngleEditorOpen(benchmark::State& state) {
  engineFrames(state, true, 60.0);
}
// The source moving on the sphere: angle and elevation change every frame.
void BM_EngineFrameMovingOnTheSphere(benchmark::State& state) {
  engineFrames(state, true, 0.0, true);
}
BENCHMARK(BM_EngineFrameSteadyAngle)->Arg(44100)->Arg(48000)->Arg(96000);
BENCHMARK(BM_EngineFrameMovingOnTheSphere)->Arg(44100)->Arg(48000)->Arg(96000);
BENCHMARK(BM_EngineFrameMovingAngle)->Arg(44100)->Arg(48000)->Arg(96000);
BENCHMARK(BM_EngineFrameSteadyAngleEditorOpen)->Arg(44100)->Arg(96000);
BENCHMARK(BM_EngineFrameMovingAngleEditorOpen)->Arg(44100)->Arg(96000);

// The console table plus a summary of the ratios that matter.
class SummaryReporter : public FastestRunReporter {
 public:
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto ours = cpuNs().find("BM_OurRealFftForward"),
               fftw = cpuNs().find("BM_FftwR2cMeasure");
    if (ours != cpuNs().end() && fftw != cpuNs().end())
      std::printf(
          "\nforward transform: ours %.1f ns, FFTW r2c %.1f ns, ratio ours/FFTW %.3f (target <= "
          "1.25)\n",
          ours->second, fftw->second, ours->second / fftw->second);
    // What an open editor refreshing at 60 Hz costs the audio thread.
    for (const char* angle : {"SteadyAngle", "MovingAngle"}) {
      for (const char* rate : {"44100", "96000"}) {
        const std::string closed = std::string("BM_EngineFrame") + angle + "/" + rate;
        const std::string open = std::string("BM_EngineFrame") + angle + "EditorOpen/" + rate;
        const auto a = cpuNs().find(closed), b = cpuNs().find(open);
        if (a != cpuNs().end() && b != cpuNs().end())
          std::printf("%s at %s Hz: editor open costs %+.1f%%\n", angle, rate,
                      100.0 * (b->second / a->second - 1.0));
      }
    }
    for (const auto& [name, values] : counters()) {
      const auto factor = values.find("realtime_factor");
      if (factor != values.end())
        std::printf("%s: real-time factor %.0f (target >= 800 at 44.1 kHz with a moving angle)\n",
                    name.c_str(), factor->second);
    }
  }
};

}  // namespace

}  // namespace panner

int main(int argc, char** argv) {
  panner::SummaryReporter reporter;
  return runBenchmarks(argc, argv, reporter);
}
