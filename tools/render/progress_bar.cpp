#include "progress_bar.h"

#include <algorithm>

namespace render {

namespace {
constexpr int kBarWidth = 40;
}

ProgressBar::ProgressBar(std::FILE* out, bool enabled, int64_t totalFrames, double sampleRate,
                         double showAfterSeconds)
    : out_(out),
      enabled_(enabled && out != nullptr),
      total_(std::max<int64_t>(totalFrames, 1)),
      sampleRate_(sampleRate > 0.0 ? sampleRate : 1.0),
      showFrom_(std::chrono::steady_clock::now() +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(showAfterSeconds))) {}

void ProgressBar::update(int64_t framesDone) {
  if (!enabled_) return;
  const int64_t done = std::clamp<int64_t>(framesDone, 0, total_);
  const int percent = static_cast<int>(done * 100 / total_);
  // The clock is read once per percent, not once per block.
  if (percent == checkedPercent_) return;
  checkedPercent_ = percent;
  if (shownPercent_ < 0 && std::chrono::steady_clock::now() < showFrom_) return;
  draw(done, percent);
}

void ProgressBar::finish() {
  if (!enabled_ || shownPercent_ < 0) return;
  if (shownPercent_ != 100) draw(total_, 100);
  std::fputc('\n', out_);
  std::fflush(out_);
  shownPercent_ = -1;
}

void ProgressBar::draw(int64_t framesDone, int percent) {
  shownPercent_ = percent;
  const int filled = percent * kBarWidth / 100;
  char bar[kBarWidth + 1];
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kBarWidth] = '\0';
  std::fprintf(out_, "\r[%s] %3d%%  %.1f / %.1f s", bar, percent,
               static_cast<double>(framesDone) / sampleRate_,
               static_cast<double>(total_) / sampleRate_);
  std::fflush(out_);
}

}  // namespace render
