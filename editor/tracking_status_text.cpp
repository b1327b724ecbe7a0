#include "editor/tracking_status_text.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "head_tracking_receiver.h"
#include "quendral_core.h"

namespace panner {

bool TrackingStatus::on(const QuendralCore& core) { return core.headTrackingSettings().on; }

void TrackingStatus::toggle(QuendralCore& core) {
  HeadTrackingSettings settings = core.headTrackingSettings();
  settings.on = !settings.on;
  core.setHeadTrackingSettings(settings);
}

std::vector<MenuRow> TrackingStatus::settingsMenu(QuendralCore& core) {
  const HeadTrackingSettings settings = core.headTrackingSettings();
  // A row that changes the settings and closes the menu.
  const auto setting = [&core](const std::string& text, bool marked,
                               void (*change)(HeadTrackingSettings&)) {
    MenuRow row;
    row.text = text;
    row.marked = marked;
    row.press = [&core, change](double, int32_t) {
      HeadTrackingSettings s = core.headTrackingSettings();
      change(s);
      core.setHeadTrackingSettings(s);
      return false;
    };
    return row;
  };
  std::vector<MenuRow> rows;
  rows.push_back(setting("this computer only", !settings.listenAll,
                         [](HeadTrackingSettings& s) { s.listenAll = false; }));
  rows.push_back(setting("the network too", settings.listenAll,
                         [](HeadTrackingSettings& s) { s.listenAll = true; }));
  MenuRow port;
  port.text = settings.port == 0 ? "port: none (MIDI)" : "port " + std::to_string(settings.port);
  port.right = "-    +";
  port.press = [&core](double along, int32_t buttons) {
    if (along < 0.6) return true;
    HeadTrackingSettings s = core.headTrackingSettings();
    const int32_t step = (buttons & VSTGUI::kShift) ? 100 : 1;
    s.port = std::clamp(s.port + (along < 0.8 ? -step : step), 0, 65535);
    core.setHeadTrackingSettings(s);
    return true;
  };
  rows.push_back(std::move(port));
  rows.push_back(setting("invert yaw", settings.invertYaw,
                         [](HeadTrackingSettings& s) { s.invertYaw = !s.invertYaw; }));
  rows.push_back(setting("invert pitch", settings.invertPitch,
                         [](HeadTrackingSettings& s) { s.invertPitch = !s.invertPitch; }));
  rows.push_back(setting("invert roll", settings.invertRoll,
                         [](HeadTrackingSettings& s) { s.invertRoll = !s.invertRoll; }));
  rows.push_back(setting("yaw, pitch, roll", !settings.rollPitchYaw,
                         [](HeadTrackingSettings& s) { s.rollPitchYaw = false; }));
  rows.push_back(setting("roll, pitch, yaw", settings.rollPitchYaw,
                         [](HeadTrackingSettings& s) { s.rollPitchYaw = true; }));
  MenuRow centre;
  centre.text = "centre the head";
  centre.press = [&core](double, int32_t) {
    core.headTracker().centre();
    return false;
  };
  rows.push_back(std::move(centre));
  return rows;
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
