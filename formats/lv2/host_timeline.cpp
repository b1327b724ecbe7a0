#include "host_timeline.h"

#include <cmath>

namespace panner::lv2 {

namespace {
constexpr double kQuarterNoteUnit = 4.0;
}

double HostTimeline::quarterNotesPerFrame() const {
  if (!tempoKnown) return 0.0;
  const double quarterNotesPerMinute = beatsPerMinute * kQuarterNoteUnit / beatUnit;
  return speed * quarterNotesPerMinute / (60.0 * sampleRate);
}

void HostTimeline::report(const Report& r, uint32_t offset) {
  if (r.hasTempo && std::isfinite(r.beatsPerMinute) && r.beatsPerMinute > 0.0) {
    beatsPerMinute = r.beatsPerMinute;
    tempoKnown = true;
  }
  if (r.hasBeatUnit && r.beatUnit > 0) beatUnit = r.beatUnit;
  if (r.hasSpeed && std::isfinite(r.speed)) speed = r.speed;
  if (r.hasBeat && std::isfinite(r.beat)) {
    // The report holds for its own frame: the block started that many frames earlier.
    quarterNotes = r.beat * kQuarterNoteUnit / beatUnit - offset * quarterNotesPerFrame();
    positionKnown = true;
  }
}

void HostTimeline::advance(uint32_t frames) {
  if (positionKnown) quarterNotes += frames * quarterNotesPerFrame();
}

bool HostTimeline::tempo(double& quarterNotesPerMinute) const {
  if (!tempoKnown) return false;
  quarterNotesPerMinute = beatsPerMinute * kQuarterNoteUnit / beatUnit;
  return true;
}

bool HostTimeline::position(double& position, bool& playing) const {
  if (!positionKnown) return false;
  position = quarterNotes + pieceOffset * quarterNotesPerFrame();
  playing = speed != 0.0;
  return true;
}

}  // namespace panner::lv2
