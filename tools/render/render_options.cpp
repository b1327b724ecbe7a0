#include "render_options.h"

#include "render_error.h"
#include "text_fields.h"

namespace render {
namespace {

double parseNumber(const std::string& option, const std::string& text) {
  const std::optional<double> value = parseDecimal(text);
  if (!value) throw RenderError(option + " needs a number, not \"" + text + "\"");
  return *value;
}

int parseInteger(const std::string& option, const std::string& text) {
  const std::optional<int> value = parseWholeNumber(text);
  if (!value) throw RenderError(option + " needs a whole number, not \"" + text + "\"");
  return *value;
}

ParamAssignment parseParamAssignment(const std::string& text) {
  const auto eq = text.rfind('=');
  if (eq == std::string::npos || eq == 0)
    throw RenderError("--param needs NAME_OR_INDEX=VALUE, not \"" + text + "\"");
  ParamAssignment assignment;
  assignment.nameOrIndex = text.substr(0, eq);
  const double value = parseNumber("--param " + assignment.nameOrIndex, text.substr(eq + 1));
  if (value < 0.0 || value > 1.0)
    throw RenderError("--param " + assignment.nameOrIndex +
                      " takes a normalised value from 0 to 1, not " + text.substr(eq + 1));
  assignment.value = static_cast<float>(value);
  return assignment;
}

// Options that take no value; false when `name` is not one of them.
bool setFlag(const std::string& name, RenderOptions& options) {
  if (name == "-h" || name == "--help") {
    options.help = true;
  } else if (name == "--info") {
    options.info = true;
  } else if (name == "-q" || name == "--quiet") {
    options.quiet = true;
  } else if (name == "--no-compensate") {
    options.compensateLatency = false;
  } else if (name == "--realtime") {
    options.realtime = true;
  } else {
    return false;
  }
  return true;
}

// The options in user units that take any number or whole number; their ranges are checked
// where they are turned into parameter values (parameter_units.cpp).
struct NumberOption {
  const char* name;
  std::optional<double> RenderOptions::*field;
};
struct WholeNumberOption {
  const char* name;
  std::optional<int> RenderOptions::*field;
};
constexpr NumberOption kUserUnitNumbers[] = {{"--angle", &RenderOptions::angleDegrees},
                                             {"--elevation", &RenderOptions::elevationDegrees},
                                             {"--gain", &RenderOptions::gainDb},
                                             {"--lfo-speed", &RenderOptions::lfoSpeedHz},
                                             {"--lfo-position", &RenderOptions::lfoPosition}};
constexpr WholeNumberOption kUserUnitWholeNumbers[] = {{"--set", &RenderOptions::responseSet},
                                                       {"--lfo-divide", &RenderOptions::lfoDivide}};

// Options that take a value, read with `value()` only once `name` is known to be one;
// false when it is not.
template <class ValueReader>
bool setValueOption(const std::string& name, ValueReader value, RenderOptions& options) {
  for (const auto& [optionName, field] : kUserUnitNumbers) {
    if (name == optionName) {
      options.*field = parseNumber(name, value());
      return true;
    }
  }
  for (const auto& [optionName, field] : kUserUnitWholeNumbers) {
    if (name == optionName) {
      options.*field = parseInteger(name, value());
      return true;
    }
  }
  if (name == "--plugin") {
    options.pluginPath = value();
    if (options.pluginPath.empty()) throw RenderError("--plugin needs a file name");
  } else if (name == "--sync") {
    options.syncBpm = parseNumber(name, value());
    if (*options.syncBpm < 1.0 || *options.syncBpm > 999.0)
      throw RenderError("--sync takes a tempo from 1 to 999 BPM");
  } else if (name == "--start-beat") {
    options.startBeat = parseNumber(name, value());
    if (*options.startBeat < 0.0 || *options.startBeat > kMaxStartBeat)
      throw RenderError("--start-beat takes a beat from 0 to 1000000");
  } else if (name == "--program") {
    options.program = parseInteger(name, value());
    if (*options.program < 1) throw RenderError("--program counts from 1");
  } else if (name == "--param") {
    options.params.push_back(parseParamAssignment(value()));
  } else if (name == "--sofa" || name == "--preset" || name == "--save-preset" ||
             name == "--head") {
    std::string& path = name == "--sofa"     ? options.sofaPath
                        : name == "--preset" ? options.presetPath
                        : name == "--head"   ? options.headPath
                                             : options.savePresetPath;
    path = value();
    if (path.empty()) throw RenderError(name + " needs a file name");
  } else if (name == "--osc-port") {
    options.oscPort = parseInteger(name, value());
    if (*options.oscPort < 1 || *options.oscPort > 65535)
      throw RenderError("--osc-port takes a UDP port from 1 to 65535");
  } else if (name == "--automation") {
    options.automationPath = value();
    if (options.automationPath.empty()) throw RenderError("--automation needs a file name");
  } else if (name == "--block") {
    options.blockSize = parseInteger(name, value());
    if (options.blockSize < 1 || options.blockSize > kMaxBlockSize)
      throw RenderError("--block takes a size from 1 to " + std::to_string(kMaxBlockSize) +
                        " samples");
  } else if (name == "--tail") {
    options.tailSeconds = parseNumber(name, value());
    if (*options.tailSeconds < 0.0 || *options.tailSeconds > kMaxTailSeconds)
      throw RenderError("--tail takes 0 to 3600 seconds");
  } else {
    return false;
  }
  return true;
}

// INPUT and OUTPUT from the arguments that are not options.
void setFiles(const std::vector<std::string>& positional, RenderOptions& options) {
  if (options.help) return;
  if (options.info) {
    if (!positional.empty()) throw RenderError("--info takes no INPUT or OUTPUT");
    if (!options.savePresetPath.empty()) throw RenderError("--info saves no preset");
    return;
  }
  if (positional.size() != 2)
    throw RenderError(positional.size() < 2 ? "missing INPUT or OUTPUT (see --help)"
                                            : "too many file names: give one INPUT and one OUTPUT");
  options.inputPath = positional[0];
  options.outputPath = positional[1];
}

}  // namespace

RenderOptions parseOptions(const std::vector<std::string>& args) {
  RenderOptions options;
  std::vector<std::string> positional;
  bool optionsEnded = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg == "-") {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // Both "--opt value" and "--opt=value" are accepted.
    std::string name = arg;
    std::optional<std::string> inlineValue;
    if (const auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      name = arg.substr(0, eq);
      inlineValue = arg.substr(eq + 1);
    }
    const auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw RenderError(name + " needs a value");
      return args[++i];
    };
    if (setFlag(name, options)) {
      if (inlineValue) throw RenderError(name + " takes no value");
    } else if (!setValueOption(name, value, options)) {
      throw RenderError("unknown option " + name + " (see --help)");
    }
  }
  setFiles(positional, options);
  if (!options.help && options.startBeat && !options.syncBpm)
    throw RenderError("--start-beat needs --sync: the song position counts beats of its tempo");
  return options;
}

std::string usageText() {
  return R"(Usage: quendral-render [options] INPUT OUTPUT
       quendral-render --info [--plugin PATH] [--preset FILE] [--sofa FILE]

Runs INPUT through a VST 2.4 plug-in (quendral by default) and writes OUTPUT with the
plug-in's output channels. INPUT may be WAV, FLAC, AIFF or Ogg; OUTPUT's format follows
its extension: .wav (32-bit float, also for a name without extension), .flac and .aiff
(24-bit), .ogg (Vorbis), .w64, .caf.

Placing the source (quendral's parameters in user units):
  --angle DEG         azimuth: 0 ahead, 90 at the right ear (channel 2), 270 or -90 at
                      the left ear (channel 1); -180..360
  --elevation DEG     above (+) or below (-) the horizontal plane: 0 level, 90 overhead;
                      -90..90
  --set 1|2           response set: 1 fine (5-degree steps), 2 coarse (30-degree steps)
  --gain DB           output gain, -12..+12 dB
  --lfo-speed HZ      sweep the envelope: cycles per second, -1..+1 (negative runs
                      backwards), at any sample rate
  --lfo-divide N      divide the sweep speed by N, 1..11
  --lfo-position P    where on the envelope the sweep starts, 0..1
  --sync BPM          report this host tempo and lock the sweep to it (one cycle per
                      lfo-divide beats)
  --start-beat B      with --sync: the song position at the input's first sample, in
                      beats from the song's start (default 0); a synced sweep stands where
                      the song puts it, as when a host starts playback at that beat
  --sofa FILE         use your own response set: a SOFA file's ring at elevation 0 and
                      its directions above and below at the ring's distance
                      (SimpleFreeFieldHRIR, any rate 8-384 kHz), switched on ("own set");
                      a preset saved after it carries the set, so the file is not needed
                      again. A file that cannot be used is refused with the reason
Following a listener's head (quendral's head tracking, switched on for the render):
  --head FILE         CSV rows "seconds,yaw,pitch,roll" in degrees (yaw positive to the
                      left, pitch up, roll right ear down), linear between rows: the
                      recorded movement reaches the plug-in as a MIDI head tracker's
                      control changes, once per block (see --block)
  --osc-port PORT     follow a head tracker's OSC messages (/ypr, /yaw, /pitch, /roll,
                      /quaternion, also under /SceneRotator/) arriving on 127.0.0.1:PORT
  --realtime          render at the input's own speed, so a live tracker can be tried on
                      a file (with --osc-port)
Presets (VST2 program files, holding the plug-in's chunk):
  --preset FILE       load FILE.fxp (a program) or FILE.fxb (a bank) before anything else
  --save-preset FILE  after rendering, save FILE.fxp (the current program) or FILE.fxb
                      (the bank)
Any plug-in:
  --plugin PATH       the plug-in to load: a VST2 .so, a .vst3 bundle, a .clap file, an
                      LV2 bundle folder or an LV2 URI
  --program N         select program N (1 = first) before anything else is set
  --param NAME_OR_INDEX=VALUE
                      set a parameter to a normalised value 0..1 (repeatable)
  --automation FILE   CSV rows "seconds,parameter,value" (normalised values), applied at
                      that sample like host automation
  --block N           block size in samples (default 512)
  --tail SECONDS      extra output after the input ends (default: the plug-in's own tail,
                      else 0.1)
  --no-compensate     keep the plug-in's latency instead of removing it
  --info              describe the plug-in: identity, I/O, latency, parameters, programs
  -q, --quiet         no progress bar and no notes
  -h, --help          this text

Settings are applied in this order: --preset, --program, --sofa, the options in user
units, --param in the order given. The plug-in then runs on silence long enough for quendral to glide half a
turn (about 0.55 s at any rate), so a fixed placement holds from the first sample, and
only then does --lfo-speed start the sweep from --lfo-position, with the input's first
sample. With --sync the host's transport plays through that silence up to --start-beat
and the sweep, locked to the song position, is in place at the first sample
(--lfo-position then has no effect). Automation rows apply at their time. --angle and
--lfo-position stop a free sweep.
Exit status: 0 done, 2 bad input, 130 interrupted (nothing is left at OUTPUT after a
failure).
)";
}

}  // namespace render
