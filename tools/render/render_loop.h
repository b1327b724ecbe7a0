// The render loop: feeds the input to a processor block by block, applies automation at
// its sample, removes the processor's latency from the start and renders the tail, so the
// output holds exactly input + tail frames lined up with the input.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace render {

// What the loop drives: in quendral-render a VST2 plug-in, in tests a stand-in.
class AudioProcessor {
 public:
  virtual ~AudioProcessor() = default;
  virtual int numInputs() const = 0;
  virtual int numOutputs() const = 0;
  virtual void setParameter(int index, float value) = 0;
  virtual void process(float** inputs, float** outputs, int frames) = 0;
};

// A parameter change at a frame of the input's timeline.
struct AutomationEvent {
  int64_t frame = 0;
  int parameter = 0;
  float value = 0.0f;
};

struct RenderPlan {
  int blockSize = 512;
  int64_t latencyFrames = 0;  // dropped from the start of the output
  int64_t tailFrames = 0;     // written after the input ends
  // Called before each block with the frame of the input's timeline it starts at (after
  // the automation there): what a host sends with that block (a tracker's MIDI).
  std::function<void(int64_t frame)> beforeBlock;
};

// Reads up to `count` frames into planar buffers (one per processor input) and returns
// how many it read; fewer than asked means the input has ended.
using FrameReader = std::function<int(float* const* channels, int count)>;
// Writes `count` frames from planar buffers (one per processor output).
using FrameWriter = std::function<void(const float* const* channels, int count)>;
using ProgressReport = std::function<void(int64_t framesWritten)>;

// Runs the processor on `frames` of silence and discards what it gives, so settings that
// take effect gradually (quendral glides to a new angle at a degree per 128 samples) are
// in place before the input's first sample.
void runSilence(AudioProcessor& processor, int64_t frames, int blockSize);

// How long to run silence before the input at `sampleRate`, in frames: quendral's glide
// over half a turn (344.5 degrees per second at every rate: a degree per 128 samples at
// 44.1 kHz), then the plug-in's latency and its responses' length (a few milliseconds),
// so a fixed placement holds from the input's first sample. A whole number of quendral's
// 128-sample frames, so the input starts on a frame as it does in a host that starts
// playback with the plug-in.
int64_t settleFrames(double sampleRate, int64_t latencyFrames);

// Runs the whole render and returns the frames written. `events` must be sorted by frame;
// events at or before a frame are applied before that frame is processed, and blocks are
// split at event frames. Throws RenderError("interrupted") when *interrupted becomes true.
int64_t renderAll(AudioProcessor& processor, const RenderPlan& plan,
                  const std::vector<AutomationEvent>& events, const FrameReader& read,
                  const FrameWriter& write, const ProgressReport& progress = {},
                  const std::atomic<bool>* interrupted = nullptr);

}  // namespace render
