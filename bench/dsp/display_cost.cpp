// What the editor's display costs the audio thread, in instructions: the engine runs one
// second of frames with the angle moving and with it steady, once with no editor and once
// with an editor asking for the display spectra 60 times a second (as the plug-in's editor
// asks at each refresh), at 44.1 and 96 kHz. Each run is counted by callgrind on its own:
//   bench/dsp/count_display_instructions.sh build
// Without callgrind the program runs the same frames and counts nothing.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <string>

#include "engine_cases.h"
#include "engine_constants.h"
#include "spatial_engine.h"

namespace panner {
namespace {

constexpr int kF = engine::kFrameSize;
constexpr double kRefreshHz = 60.0;

void run(bool moving, bool editorOpen, double rate) {
  SpatialEngine engine;
  if (!engine.setSampleRate(rate)) return;
  engine.publishDisplayOnRequest();
  setAngleCase(engine, moving);
  alignas(16) float in[kF], out0[kF], out1[kF];
  fillNoise(in, kF, 3);
  // Warm-up: the glide reaches its target and every buffer has been touched.
  for (int i = 0; i < 400; ++i) engine.convolutionFrame(in, out0, out1, nullptr);

  const int frames = static_cast<int>(rate / kF);
  const double framesPerRefresh = rate / kF / kRefreshHz;
  double untilRefresh = 0.0;
  CALLGRIND_TOGGLE_COLLECT;
  for (int i = 0; i < frames; ++i) {
    if (editorOpen && (untilRefresh -= 1.0) <= 0.0) {
      untilRefresh += framesPerRefresh;
      engine.requestDisplayUpdate();
    }
    engine.convolutionFrame(in, out0, out1, nullptr);
  }
  CALLGRIND_TOGGLE_COLLECT;
  const std::string name = std::string(moving ? "moving" : "steady") + " | " +
                           (editorOpen ? "editor open" : "no editor") + " | " +
                           std::to_string(static_cast<int>(rate)) +
                           " | frames=" + std::to_string(frames);
  CALLGRIND_DUMP_STATS_AT(name.c_str());
  std::printf("%s (last sample %g)\n", name.c_str(), out0[kF - 1] + out1[kF - 1]);
}

}  // namespace
}  // namespace panner

int main() {
  for (const double rate : {44100.0, 96000.0})
    for (const bool moving : {true, false})
      for (const bool editorOpen : {false, true}) panner::run(moving, editorOpen, rate);
  return 0;
}
