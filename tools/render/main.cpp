// quendral-render: renders audio files through a VST2 or VST3 plug-in (quendral by
// default), driving it through its binary interface exactly as a DAW does.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "audio_file_reader.h"
#include "audio_file_writer.h"
#include "automation_csv.h"
#include "head_motion.h"
#include "input_checks.h"
#include "own_set_option.h"
#include "parameter_units.h"
#include "plugin_locator.h"
#include "plugin_processor.h"
#include "preset_file.h"
#include "progress_bar.h"
#include "render_error.h"
#include "render_loop.h"
#include "render_options.h"

namespace render {
namespace {

constexpr double kDefaultTailSeconds = 0.1;
constexpr double kDefaultTempo = 120.0;
// Latency and tail that a plug-in reports beyond this many seconds are not believed.
constexpr int64_t kMaxPluginSeconds = 60;
constexpr int kExitBadInput = 2;
constexpr int kExitInterrupted = 130;

std::atomic<bool> interrupted{false};

extern "C" void onSignal(int) { interrupted.store(true, std::memory_order_relaxed); }

void selectProgram(PluginProcessor& plugin, const RenderOptions& options) {
  if (!options.program) return;
  if (*options.program > plugin.numPrograms())
    throw RenderError("--program " + std::to_string(*options.program) +
                      " is out of range (the plug-in has " + std::to_string(plugin.numPrograms()) +
                      " programs)");
  plugin.selectProgram(*options.program - 1);
}

// Applies the settings whose startsSweep equals `sweep`.
void applySettings(PluginProcessor& plugin, const std::vector<NamedSetting>& settings, bool sweep) {
  std::vector<std::string> names;
  for (const NamedSetting& s : settings) {
    if (s.startsSweep != sweep) continue;
    if (names.empty()) names = plugin.parameterNames();
    plugin.setParameter(findParameter(names, s.parameter, s.origin), s.value);
  }
}

// --preset: the file's chunk into the plug-in, as a host loads a preset.
void loadPresetInto(PluginProcessor& plugin, const std::string& path) {
  const bool bank = presetPathIsBank(path);
  const PresetFile preset = loadPreset(path);
  if (preset.bank != bank)
    throw RenderError(path +
                      (bank ? " holds a program, not a bank" : " holds a bank, not a program"));
  if (preset.pluginId != plugin.uniqueId())
    throw RenderError(path + " was saved by another plug-in (its ID differs)");
  if (!plugin.setStateChunk(preset.chunk, !preset.bank))
    throw RenderError(path + ": the plug-in refused the preset");
}

void savePresetOf(PluginProcessor& plugin, const std::string& path) {
  PresetFile preset;
  preset.bank = presetPathIsBank(path);
  preset.pluginId = plugin.uniqueId();
  preset.pluginVersion = plugin.pluginVersion();
  preset.numPrograms = preset.bank ? plugin.numPrograms() : 1;
  preset.programName = plugin.programName();
  preset.chunk = plugin.stateChunk(!preset.bank);
  savePreset(preset, path);
}

// --preset, then --program, then --sofa: what comes before the settings.
void loadState(PluginProcessor& plugin, const RenderOptions& options) {
  if (!options.presetPath.empty()) loadPresetInto(plugin, options.presetPath);
  selectProgram(plugin, options);
  if (!options.sofaPath.empty()) loadOwnSetInto(plugin, options.sofaPath, options.quiet);
}

std::vector<AutomationEvent> automationEvents(PluginProcessor& plugin,
                                              const std::vector<AutomationRow>& rows,
                                              const std::string& file, int sampleRate) {
  std::vector<AutomationEvent> events;
  if (rows.empty()) return events;
  const std::vector<std::string> names = plugin.parameterNames();
  for (const AutomationRow& row : rows) {
    const std::string origin = file + ":" + std::to_string(row.line);
    // Rows past any file's end are kept (they never apply) without overflowing the frame.
    const double frame = std::min(row.seconds * sampleRate, 1e18);
    events.push_back({std::llround(frame), findParameter(names, row.parameter, origin), row.value});
  }
  return events;  // rows are in time order, so the frames are too
}

// Block size, latency to remove and tail to render, from the options and what the
// plug-in reports.
RenderPlan planFor(PluginProcessor& plugin, const RenderOptions& options, int sampleRate) {
  const int64_t rate = sampleRate;
  RenderPlan plan;
  plan.blockSize = options.blockSize;
  if (options.compensateLatency) {
    plan.latencyFrames = std::max(plugin.latencySamples(), 0);
    if (plan.latencyFrames > kMaxPluginSeconds * rate)
      throw RenderError("the plug-in reports a latency of " + std::to_string(plan.latencyFrames) +
                        " samples; render with --no-compensate to keep it");
  }
  if (options.tailSeconds)
    plan.tailFrames = std::llround(*options.tailSeconds * sampleRate);
  else if (const int tail = plugin.tailSamples(); tail > 0)
    plan.tailFrames = std::min<int64_t>(tail, kMaxPluginSeconds * rate);
  else
    plan.tailFrames = std::llround(kDefaultTailSeconds * sampleRate);
  return plan;
}

int runInfo(const RenderOptions& options, const std::string& pluginPath) {
  const std::unique_ptr<PluginProcessor> loaded = openPlugin(pluginPath);
  PluginProcessor& plugin = *loaded;
  plugin.start(44100.0, options.blockSize);
  loadState(plugin, options);
  const std::vector<NamedSetting> settings = settingsFromOptions(options);
  applySettings(plugin, settings, false);
  applySettings(plugin, settings, true);
  plugin.printInfo(pluginPath, stdout);
  if (const std::string own = ownSetLine(plugin); !own.empty())
    std::fprintf(stdout, "%s\n", own.c_str());
  return 0;
}

int runRender(const RenderOptions& options, const std::string& pluginPath) {
  // Everything that can be checked without the plug-in is checked first.
  outputFormatFor(options.outputPath);
  refuseOutputThatIsInput(options.inputPath, options.outputPath);
  AudioFileReader reader(options.inputPath);
  std::vector<AutomationRow> rows;
  if (!options.automationPath.empty()) rows = loadAutomation(options.automationPath);
  std::vector<HeadRow> head;
  if (!options.headPath.empty()) head = loadHeadMotion(options.headPath);

  const std::unique_ptr<PluginProcessor> loaded = openPlugin(pluginPath);
  PluginProcessor& plugin = *loaded;
  if (plugin.numOutputs() < 1)
    throw RenderError("the plug-in " + pluginPath + " has no audio outputs");
  reader.setTargetChannels(plugin.numInputs());
  refuseRateThePluginRefuses(plugin.uniqueId(), reader.sampleRate());

  plugin.setTempo(options.syncBpm.value_or(kDefaultTempo));
  if (!options.savePresetPath.empty()) presetPathIsBank(options.savePresetPath);
  plugin.start(reader.sampleRate(), options.blockSize);
  loadState(plugin, options);
  // The head as it stands at the input's start, in place through the settling silence.
  if (!head.empty() || options.oscPort) turnTrackingOn(plugin, options.oscPort.value_or(0));
  if (!head.empty()) sendHeadMidi(plugin, head.front());
  const std::vector<NamedSetting> settings = settingsFromOptions(options);
  applySettings(plugin, settings, false);
  const std::vector<AutomationEvent> events =
      automationEvents(plugin, rows, options.automationPath, reader.sampleRate());
  // Fixed settings settle on silence while the host's transport plays up to the input's
  // first sample, which lies at --start-beat. A free sweep starts with that sample; a
  // synced one is locked to the song position, so it runs through the silence and is in
  // place when the input starts.
  const double tempo = options.syncBpm.value_or(kDefaultTempo);
  const double songStart = options.startBeat.value_or(0.0) * 60.0 / tempo * reader.sampleRate();
  const int64_t settle = settleFrames(reader.sampleRate(), plugin.latencySamples());
  const bool sweepLocked = options.syncBpm.has_value();
  if (sweepLocked) applySettings(plugin, settings, true);
  if (sweepLocked && options.lfoPosition && !options.quiet)
    std::fprintf(stderr,
                 "quendral-render: --lfo-position has no effect with --sync: the song position "
                 "places the sweep (see --start-beat)\n");
  plugin.setSamplePosition(songStart - static_cast<double>(settle));
  runSilence(plugin, settle, options.blockSize);
  plugin.setSamplePosition(songStart);
  if (!sweepLocked) applySettings(plugin, settings, true);

  RenderPlan plan = planFor(plugin, options, reader.sampleRate());
  const double rate = reader.sampleRate();
  // --realtime: each block waits for its time on the clock, as a host's audio does, from
  // the input's first block on.
  std::optional<std::chrono::steady_clock::time_point> startedAt;
  if (!head.empty() || options.realtime) {
    plan.beforeBlock = [&](int64_t frame) {
      if (!head.empty()) sendHeadMidi(plugin, headAt(head, static_cast<double>(frame) / rate));
      if (!options.realtime) return;
      if (!startedAt) {
        startedAt = std::chrono::steady_clock::now();
        if (!options.quiet) std::fprintf(stderr, "quendral-render: rendering in real time\n");
      }
      std::this_thread::sleep_until(*startedAt + std::chrono::duration<double>(frame / rate));
    };
  }
  AudioFileWriter writer(options.outputPath, plugin.numOutputs(), reader.sampleRate());
  if (reader.mixesDown() && !options.quiet)
    std::fprintf(
        stderr,
        "quendral-render: mixing %d channels of %s down to mono for the plug-in's one input\n",
        reader.channels(), options.inputPath.c_str());
  // The bar needs a known length; files that do not state theirs render without one.
  const bool showProgress = !options.quiet && isatty(STDERR_FILENO) == 1 && reader.frames() >= 0;
  ProgressBar progress(stderr, showProgress,
                       std::max<int64_t>(reader.frames(), 0) + plan.tailFrames,
                       reader.sampleRate());

  const int64_t written = renderAll(
      plugin, plan, events,
      [&](float* const* channels, int count) { return reader.read(channels, count); },
      [&](const float* const* channels, int count) { writer.write(channels, count); },
      [&](int64_t done) { progress.update(done); }, &interrupted);
  progress.finish();
  plugin.stop();
  writer.commit();
  if (!options.savePresetPath.empty()) savePresetOf(plugin, options.savePresetPath);

  if (!options.quiet)
    std::fprintf(stderr, "quendral-render: wrote %s (%d channels, %.2f s at %d Hz)\n",
                 options.outputPath.c_str(), plugin.numOutputs(),
                 static_cast<double>(written) / reader.sampleRate(), reader.sampleRate());
  return 0;
}

int run(int argc, char** argv) {
  const RenderOptions options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.help) {
    std::fputs(usageText().c_str(), stdout);
    return 0;
  }
  const std::string pluginPath =
      options.pluginPath.empty() ? findDefaultPlugin() : options.pluginPath;
  return options.info ? runInfo(options, pluginPath) : runRender(options, pluginPath);
}

}  // namespace
}  // namespace render

int main(int argc, char** argv) {
  std::signal(SIGINT, render::onSignal);
  std::signal(SIGTERM, render::onSignal);
  try {
    return render::run(argc, argv);
  } catch (const render::RenderError& e) {
    if (render::interrupted.load()) {
      std::fprintf(stderr, "\nquendral-render: interrupted; no output written\n");
      return render::kExitInterrupted;
    }
    std::fprintf(stderr, "quendral-render: error: %s\n", e.what());
    return render::kExitBadInput;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quendral-render: error: %s\n", e.what());
    return 1;
  }
}
