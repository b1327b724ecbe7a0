#include "render_loop.h"

#include <algorithm>
#include <cmath>

#include "render_error.h"

namespace render {

void runSilence(AudioProcessor& processor, int64_t frames, int blockSize) {
  int64_t left = frames;
  const int inputs = processor.numInputs();
  renderAll(
      processor, {blockSize, 0, 0, {}}, {},
      [&left, inputs](float* const* channels, int count) {
        const int n = static_cast<int>(std::min<int64_t>(left, count));
        for (int c = 0; c < inputs; ++c) std::fill(channels[c], channels[c] + n, 0.0f);
        left -= n;
        return n;
      },
      [](const float* const*, int) {});
}

int64_t settleFrames(double sampleRate, int64_t latencyFrames) {
  constexpr double kFrame = 128.0;
  constexpr double kGlideDegreesPerSecond = 44100.0 / kFrame;  // a degree per frame at 44.1 kHz
  constexpr double kHalfTurnDegrees = 180.0;
  constexpr double kResponseSeconds = 0.01;  // quendral's longest response is 4 ms
  const double rate = std::max(sampleRate, 1.0);
  // The glide moves once per frame: whole frames of it, plus one for the frame in flight.
  const double glideFrames =
      std::ceil(kHalfTurnDegrees / kGlideDegreesPerSecond * rate / kFrame) + 1.0;
  const double samples = glideFrames * kFrame +
                         static_cast<double>(std::max<int64_t>(latencyFrames, 0)) +
                         std::ceil(kResponseSeconds * rate);
  return static_cast<int64_t>(std::ceil(samples / kFrame) * kFrame);
}

int64_t renderAll(AudioProcessor& processor, const RenderPlan& plan,
                  const std::vector<AutomationEvent>& events, const FrameReader& read,
                  const FrameWriter& write, const ProgressReport& progress,
                  const std::atomic<bool>* interrupted) {
  const int block = std::max(plan.blockSize, 1);
  const int numIn = processor.numInputs();
  const int numOut = processor.numOutputs();
  const int64_t latency = std::max<int64_t>(plan.latencyFrames, 0);
  const int64_t tail = std::max<int64_t>(plan.tailFrames, 0);

  // Plug-ins may read their inputs after writing outputs, so the buffers are separate.
  std::vector<std::vector<float>> inStore(numIn, std::vector<float>(block, 0.0f));
  std::vector<std::vector<float>> outStore(numOut, std::vector<float>(block, 0.0f));
  std::vector<float*> in(numIn), out(numOut), outFrom(numOut);
  for (int c = 0; c < numIn; ++c) in[c] = inStore[c].data();
  for (int c = 0; c < numOut; ++c) out[c] = outStore[c].data();

  int64_t fed = 0;           // frames handed to the processor so far
  int64_t inputFrames = -1;  // known once the input has ended
  int64_t written = 0;
  size_t nextEvent = 0;

  while (true) {
    if (interrupted != nullptr && interrupted->load(std::memory_order_relaxed))
      throw RenderError("interrupted");
    int64_t count = block;
    if (inputFrames >= 0) {
      const int64_t left = inputFrames + latency + tail - fed;
      if (left <= 0) break;
      count = std::min(count, left);
    }
    while (nextEvent < events.size() && events[nextEvent].frame <= fed) {
      processor.setParameter(events[nextEvent].parameter, events[nextEvent].value);
      ++nextEvent;
    }
    if (nextEvent < events.size()) count = std::min(count, events[nextEvent].frame - fed);

    int got = 0;
    if (inputFrames < 0) {
      got = read(in.data(), static_cast<int>(count));
      if (got < count) {
        inputFrames = fed + got;
        count = std::min(count, got + latency + tail);
        if (count == 0) break;
      }
    }
    for (int c = 0; c < numIn; ++c) std::fill(in[c] + got, in[c] + count, 0.0f);
    for (int c = 0; c < numOut; ++c) std::fill(out[c], out[c] + count, 0.0f);

    if (plan.beforeBlock) plan.beforeBlock(fed);
    processor.process(in.data(), out.data(), static_cast<int>(count));

    // The first `latency` frames the processor produces come before the input's start.
    const int64_t skip = std::clamp<int64_t>(latency - fed, 0, count);
    if (count > skip) {
      for (int c = 0; c < numOut; ++c) outFrom[c] = out[c] + skip;
      write(outFrom.data(), static_cast<int>(count - skip));
      written += count - skip;
    }
    fed += count;
    if (progress) progress(written);
  }
  return written;
}

}  // namespace render
