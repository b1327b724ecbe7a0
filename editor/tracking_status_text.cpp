#include "editor/tracking_status_text.h"

#include <cstdio>

#include "head_tracking_receiver.h"
#include "quendral_core.h"

namespace panner {

bool TrackingStatus::on(const QuendralCore& core) { return core.headTrackingSettings().on; }

void TrackingStatus::toggle(QuendralCore& core) {
  HeadTrackingSettings settings = core.headTrackingSettings();
  settings.on = !settings.on;
  core.setHeadTrackingSettings(settings);
}

SetStatusText TrackingStatus::describe(const QuendralCore& core) {
  const HeadTrackingSettings settings = core.headTrackingSettings();
  if (!settings.on) return {};
  const auto now = std::chrono::steady_clock::now();
  const uint32_t taken = core.headTracker().readingsTaken();
  const double seconds = std::chrono::duration<double>(now - countedAt).count();
  if (seconds >= 1.0) {
    perSecond =
        countedAt == std::chrono::steady_clock::time_point{} ? 0.0 : (taken - counted) / seconds;
    countedAt = now;
    counted = taken;
  }
  const HeadTrackingReceiver::Status receiver = HeadTrackingReceiver::shared().status();
  char where[64];
  if (settings.port == 0)
    std::snprintf(where, sizeof where, "MIDI only");
  else
    std::snprintf(where, sizeof where, "%s:%d%s", receiver.listenAll ? "all networks" : "127.0.0.1",
                  static_cast<int>(receiver.port),
                  receiver.listenAll ? " (open to the network)" : "");
  char line[200];
  if (settings.port != 0 && receiver.state == HeadTrackingReceiver::State::kPortInUse) {
    std::snprintf(line, sizeof line, "head tracking: port %d is in use by another program",
                  static_cast<int>(settings.port));
    return {line, true};
  }
  if (settings.port != 0 && receiver.state != HeadTrackingReceiver::State::kListening) {
    std::snprintf(line, sizeof line, "head tracking: no network for port %d",
                  static_cast<int>(settings.port));
    return {line, true};
  }
  if (perSecond <= 0.0) {
    std::snprintf(line, sizeof line, "head tracking: listening on %s - nothing arrives yet", where);
    return {line, false};
  }
  double yaw, pitch, roll;
  yawPitchRollOf(unpackHead(core.headTracker().headInUse()), yaw, pitch, roll);
  std::snprintf(line, sizeof line,
                "head: %.0f/s on %s, yaw %.0f pitch %.0f roll %.0f - click to centre", perSecond,
                where, yaw, pitch, roll);
  return {line, false};
}

}  // namespace panner
