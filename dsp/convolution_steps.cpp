#include "convolution_steps.h"

namespace {
constexpr int kN = engine::kFftSize;
constexpr int kF = engine::kFrameSize;
}  // namespace

void multiplySpectra(const float* h, const float* x, float* packedOut, float* halfComplexOut) {
  const float dc = h[0] * x[0];
  const float nyquist = h[kN / 2] * x[kN / 2];
  packedOut[0] = dc;
  packedOut[1] = nyquist;
  for (int k = 1; k < kN / 2; ++k) {
    const int j = kN - k;
    packedOut[2 * k] = x[k] * h[k] - x[j] * h[j];
    packedOut[2 * k + 1] = h[k] * x[j] + h[j] * x[k];
  }
  if (!halfComplexOut) return;
  halfComplexOut[0] = dc;
  halfComplexOut[kN / 2] = nyquist;
  for (int k = 1; k < kN / 2; ++k) {
    halfComplexOut[k] = packedOut[2 * k];
    halfComplexOut[kN - k] = packedOut[2 * k + 1];
  }
}

void overlapAdd(float* y, float* tail) {
  // A 128-sample frame convolved with 128 taps has 255 values: 127 spill into the next frame.
  for (int i = 0; i < kF - 1; ++i) {
    y[i] += tail[i];
    tail[i] = y[kF + i];
  }
}

float crossfade(const float* a, const float* b, float gain, float fade, float fadeStep, float* out) {
  for (int i = 0; i < kF; ++i) {
    out[i] = gain * (a[i] + (b[i] - a[i]) * fade);
    fade += fadeStep;
  }
  return fade;
}
