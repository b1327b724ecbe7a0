// The audio-thread entry of the engine: gathers the host's blocks of any length into
// 128-sample frames, runs one engine frame per complete frame (or a plain copy when
// bypassed) and plays each finished frame out during the next one, so the output lags the
// input by exactly one frame. Keeps the peak meters the editor and the host read.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine_constants.h"
#include "spatial_engine.h"
#include "tempo_source.h"

namespace panner {

class BlockProcessor {
 public:
  enum class Mode { kReplace, kAccumulate };

  explicit BlockProcessor(SpatialEngine& spatialEngine);

  // One host block. input may be null (read as silence); a null output is not written.
  // A count below 1 reads and writes nothing. Audio thread only; never allocates.
  // tempo's song position, when it gives one, is the position of the block's first sample;
  // each frame completed in the block is told how far into the block it ends.
  void processBlock(const float* input, float* output0, float* output1, int32_t sampleFrames,
                    Mode mode, TempoSource* tempo);

  // Clears the meters, the sample counter and the engine's display spectra. Frames, tails,
  // filters and angles carry on where they were.
  void suspend();

  void setBypass(bool on) { bypass.store(on, std::memory_order_relaxed); }
  bool bypassed() const { return bypass.load(std::memory_order_relaxed); }
  // 0 input peak, 1 and 2 output peaks of channel 0 and 1; any other index 0.
  float meter(int32_t index) const;
  float vuLevel() const { return vu.load(std::memory_order_relaxed); }
  int32_t samplesSinceSuspend() const { return sampleCount.load(std::memory_order_relaxed); }

  static constexpr float kMeterDecay = 0.99555f;  // per frame

 private:
  // samplesIntoBlock: the frame's end, in samples after the block's first sample.
  void frameStep(TempoSource* tempo, int32_t samplesIntoBlock);
  // Blends outFrame0 and outFrame1 from the dry input to what they hold across one frame.
  void fadeInFromDry();

  SpatialEngine& engine;
  float inFrame[engine::kFftSize] = {};
  float outFrame0[engine::kFftSize] = {};
  float outFrame1[engine::kFftSize] = {};
  int32_t framePos = 0;
  bool bypassedLastFrame = false;  // audio thread only

  // Read by the editor and the host's user-interface thread.
  std::atomic<float> inPeak{0.0f};
  std::atomic<float> outPeak0{0.0f};
  std::atomic<float> outPeak1{0.0f};
  std::atomic<float> vu{0.0f};
  std::atomic<int32_t> sampleCount{0};
  std::atomic<bool> bypass{false};
};

}  // namespace panner
