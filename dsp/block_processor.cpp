#include "block_processor.h"

#include <algorithm>

#include "denormal_guard.h"
#include "frame_io.h"

namespace panner {

BlockProcessor::BlockProcessor(SpatialEngine& spatialEngine) : engine(spatialEngine) {}

void BlockProcessor::processBlock(const float* input, float* output0, float* output1,
                                  int32_t sampleFrames, Mode mode, TempoSource* tempo) {
  ScopedFlushDenormals flushDenormals;
  // The meters live in locals for the block and are published once at the end.
  float peakIn = inPeak.load(std::memory_order_relaxed);
  float peak0 = outPeak0.load(std::memory_order_relaxed);
  float peak1 = outPeak1.load(std::memory_order_relaxed);
  const bool accumulate = mode == Mode::kAccumulate;

  int32_t remaining = sampleFrames;
  while (remaining > 0) {
    const int32_t n = std::min(remaining, engine::kFrameSize - framePos);
    // A missing input channel reads as silence; a NaN or infinite sample is taken as
    // silence too, so it can never reach the filters, the tails or the bypass copy.
    peakIn = gatherInput(input, inFrame + framePos, n, peakIn);
    peak0 = playOutput(outFrame0 + framePos, output0, n, accumulate, peak0);
    peak1 = playOutput(outFrame1 + framePos, output1, n, accumulate, peak1);
    framePos += n;
    if (framePos == engine::kFrameSize) {
      framePos = 0;
      frameStep(tempo, sampleFrames - remaining + n);
      peakIn *= kMeterDecay;
      peak0 *= kMeterDecay;
      peak1 *= kMeterDecay;
    }
    if (input) input += n;
    if (output0) output0 += n;
    if (output1) output1 += n;
    remaining -= n;
  }

  inPeak.store(peakIn, std::memory_order_relaxed);
  outPeak0.store(peak0, std::memory_order_relaxed);
  outPeak1.store(peak1, std::memory_order_relaxed);
  if (sampleFrames > 0) sampleCount.fetch_add(sampleFrames, std::memory_order_relaxed);
  vu.store(std::max(peak0, peak1), std::memory_order_relaxed);
}

void BlockProcessor::frameStep(TempoSource* tempo, int32_t samplesIntoBlock) {
  if (bypass.load(std::memory_order_relaxed)) {
    // Bypassed: the input, unscaled, on both channels; the filters and the angle stand still.
    std::copy(inFrame, inFrame + engine::kFrameSize, outFrame0);
    std::copy(inFrame, inFrame + engine::kFrameSize, outFrame1);
    bypassedLastFrame = true;
    return;
  }
  if (!bypassedLastFrame) {
    engine.convolutionFrame(inFrame, outFrame0, outFrame1, tempo, samplesIntoBlock);
    return;
  }
  // Back from bypass: the tails still hold audio from before the bypass, which must not be
  // heard now. The filters start from silence, and the frame fades in from the dry signal
  // that was playing, so the switch does not click.
  bypassedLastFrame = false;
  engine.clearTails();
  engine.convolutionFrame(inFrame, outFrame0, outFrame1, tempo, samplesIntoBlock);
  fadeInFromDry();
}

void BlockProcessor::fadeInFromDry() {
  constexpr float kStep = 1.0f / static_cast<float>(engine::kFrameSize);
  for (int32_t i = 0; i < engine::kFrameSize; ++i) {
    const float wet = static_cast<float>(i) * kStep;
    outFrame0[i] = inFrame[i] + (outFrame0[i] - inFrame[i]) * wet;
    outFrame1[i] = inFrame[i] + (outFrame1[i] - inFrame[i]) * wet;
  }
}

void BlockProcessor::suspend() {
  engine.clearDisplaySpectra();
  sampleCount.store(0, std::memory_order_relaxed);
  vu.store(0.0f, std::memory_order_relaxed);
  inPeak.store(0.0f, std::memory_order_relaxed);
  outPeak0.store(0.0f, std::memory_order_relaxed);
  outPeak1.store(0.0f, std::memory_order_relaxed);
}

float BlockProcessor::meter(int32_t index) const {
  switch (index) {
    case 0:
      return inPeak.load(std::memory_order_relaxed);
    case 1:
      return outPeak0.load(std::memory_order_relaxed);
    case 2:
      return outPeak1.load(std::memory_order_relaxed);
    default:
      return 0.0f;
  }
}

}  // namespace panner
