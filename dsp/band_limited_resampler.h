// Band-limited resampling of the measured responses to the host's sample rate.
//
// The responses are measured at 44100 Hz. At another rate the engine needs the same filter
// in physical units: the same delays in seconds and the same frequency response in Hz. The
// resampler evaluates the band-limited continuation of the measured taps (a Kaiser-windowed
// sinc) at the new rate's sampling instants, optionally delayed by a fraction of a sample,
// and scales the taps by the ratio of the rates so the gain at every frequency is kept.
// Its passband ends at 0.9 of the lower rate's Nyquist frequency, which keeps the band up to
// 18 kHz at 44.1 kHz and above and rejects images and aliases by more than 80 dB.
//
// Runs when a rate is chosen, never on the audio thread.
#pragma once

#include <cstddef>
#include <vector>

namespace panner {

class BandLimitedResampler {
 public:
  BandLimitedResampler(double sourceRate, double targetRate);

  // True when the rates are equal: a response then keeps its taps exactly.
  bool identity() const { return step_ == 1.0; }

  // out[n] = the response at output instant n - delay (delay in output samples, 0 <= delay),
  // for n = 0..outCount-1. Instants before the response's first tap count from its
  // band-limited continuation too, so nothing is lost at the start beyond the window's reach.
  void resample(const float* source, int sourceCount, double delay, float* out, int outCount) const;

  // The weights resample() uses for one source length, delay and output count, worked out
  // once for many responses of that length (a set's hundreds of directions): apply() writes
  // what resample() would, bit for bit, at a fraction of the cost.
  class Plan {
   public:
    void apply(const float* source, float* out) const;

   private:
    friend class BandLimitedResampler;
    struct Output {
      int first = 0;            // the first source tap it reads
      int count = 0;            // how many it reads
      std::size_t weights = 0;  // where its weights start in `weights_`
    };
    std::vector<Output> outputs_;
    std::vector<double> weights_;
    int sourceCount_ = 0;
    double cutoff_ = 0.0, gainScale_ = 0.0;  // applied to every sum, in this order
    bool copy_ = false;                      // equal rates and no delay: the taps as they are
  };
  Plan plan(int sourceCount, double delay, int outCount) const;

  // out[n] = source[n - delay] at equal rates (a fractional delay, delay in samples, may be
  // negative), from one row of kernel weights for all outputs.
  void delay(const float* source, int sourceCount, double delay, float* out, int outCount) const;

  // Output samples until the response's continuation has died out completely.
  int fullLength(int sourceCount) const;

 private:
  double kernel(double u) const;

  double step_;       // source samples per output sample
  double cutoff_;     // kernel bandwidth as a fraction of the source's Nyquist frequency
  double reach_;      // the kernel's half-width in source samples
  double gainScale_;  // source rate over target rate: keeps the frequency response's level
};

}  // namespace panner
