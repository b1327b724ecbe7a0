// A one-line progress bar for long renders, redrawn in place with '\r'. It draws only when
// enabled (main() enables it when stderr is a terminal and --quiet is not given) and once
// the render has run for `showAfterSeconds`, so quick renders stay silent; it redraws only
// when the shown percentage changes.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace render {

class ProgressBar {
 public:
  ProgressBar(std::FILE* out, bool enabled, int64_t totalFrames, double sampleRate,
              double showAfterSeconds = 0.5);

  void update(int64_t framesDone);
  // Draws 100% and ends the line, if anything was drawn.
  void finish();

 private:
  void draw(int64_t framesDone, int percent);

  std::FILE* out_;
  bool enabled_;
  int64_t total_;
  double sampleRate_;
  std::chrono::steady_clock::time_point showFrom_;
  int shownPercent_ = -1;
  int checkedPercent_ = -1;
};

}  // namespace render
