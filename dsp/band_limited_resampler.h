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
