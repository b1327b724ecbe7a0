// quendral-snapshot [--plugin PATH] [--scale S] [--param NAME=VALUE]... OUT.png
//
// Loads the plug-in through its binary interface, feeds it a short test signal so the
// spectra and the meter show something, opens its editor in a window of this program on a
// private Xvfb server and writes what the window shows as a PNG. NAME is a parameter name
// as the plug-in reports it ("angle", "lfo speed", ...); VALUE is normalised, 0 to 1. S
// (1 to 3) is the desktop's scale: the server's Xft.dpi becomes 96 S, as on a desktop
// scaled by S, and the panel opens at that scale.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "host_window.h"
#include "plugin_host.h"
#include "xvfb_server.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: quendral-snapshot [--plugin PATH] [--scale S] [--param NAME=VALUE]... "
               "OUT.png\n"
               "  NAME is a parameter name of the plug-in, VALUE a number from 0 to 1;\n"
               "  S the desktop's scale, 1 to 3 (1.5 for 150%%).\n");
}

std::string normalised(std::string s) {
  std::string out;
  for (char c : s) {
    if (!std::isspace(static_cast<unsigned char>(c))) {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

// Speech-like test signal: two harmonic tones under low noise, deterministic.
std::vector<float> testSignal(int32_t frames, float rate) {
  std::vector<float> x(static_cast<size_t>(frames));
  uint32_t seed = 12345u;
  for (int32_t i = 0; i < frames; ++i) {
    const float t = static_cast<float>(i) / rate;
    float s = 0.0f;
    for (int h = 1; h <= 8; ++h) {
      s += 0.25f / static_cast<float>(h) * std::sin(2.0f * 3.14159265f * 220.0f * h * t);
      s += 0.12f / static_cast<float>(h) * std::sin(2.0f * 3.14159265f * 1375.0f * h * t);
    }
    seed = seed * 1664525u + 1013904223u;
    s += 0.02f * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    x[static_cast<size_t>(i)] = s;
  }
  return x;
}

struct Options {
  std::string pluginPath = QUENDRAL_PLUGIN_PATH;
  std::string outPath;
  double scale = 1.0;
  std::vector<std::pair<std::string, float>> params;
};

constexpr int kUsageError = 2;
constexpr int kFailure = 1;

int fail(int code, const std::string& message) {
  std::fprintf(stderr, "quendral-snapshot: %s\n", message.c_str());
  return code;
}

// Reads one --param NAME=VALUE; false when VALUE is missing or outside 0..1.
bool parseParam(const std::string& text, Options& options) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) return false;
  char* end = nullptr;
  const float v = std::strtof(text.c_str() + eq + 1, &end);
  if (end == text.c_str() + eq + 1 || *end != 0 || !(v >= 0.0f && v <= 1.0f)) return false;
  options.params.emplace_back(text.substr(0, eq), v);
  return true;
}

// 0 when the command line is usable, else the exit code (the message is printed).
int parseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--plugin" || arg == "--param" || arg == "--scale") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--plugin") {
        options.pluginPath = value;
      } else if (arg == "--scale") {
        char* end = nullptr;
        options.scale = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end != 0 || !(options.scale >= 1.0 && options.scale <= 3.0))
          return fail(kUsageError, "--scale needs a number from 1 to 3, got \"" + value + "\"");
      } else if (!parseParam(value, options)) {
        return fail(kUsageError,
                    "--param needs NAME=VALUE with VALUE from 0 to 1, got \"" + value + "\"");
      }
    } else if (arg.empty() || arg[0] == '-' || !options.outPath.empty()) {
      usage();
      return kUsageError;
    } else {
      options.outPath = arg;
    }
  }
  if (options.outPath.empty()) {
    usage();
    return kUsageError;
  }
  return 0;
}

// Sets each named parameter; 0, or the exit code after naming the parameters there are.
int applyParameters(vsthost::PluginHost& host, const Options& options) {
  const int32_t count = host.effect()->numParams;
  for (const auto& [name, value] : options.params) {
    int32_t index = -1;
    for (int32_t p = 0; p < count && index < 0; ++p) {
      if (normalised(host.parameterName(p)) == normalised(name) && !normalised(name).empty())
        index = p;
    }
    if (index < 0) {
      std::string message = "no parameter named \"" + name + "\"; the names are:";
      for (int32_t p = 0; p < count; ++p) {
        const std::string n = host.parameterName(p);
        if (!n.empty()) message += " \"" + n + "\"";
      }
      return fail(kUsageError, message);
    }
    host.setParameter(index, value);
  }
  return 0;
}

// Opens the editor in a window of its own, lets it idle while `signal` keeps playing one
// block per idle, as a host's audio and timer would, and writes the window as a PNG.
int showEditorAndWrite(vsthost::PluginHost& host, const std::vector<float>& signal, int32_t block,
                       const std::string& outPath) {
  ERect rect{};
  if (!host.editorRect(rect)) return fail(kFailure, "the plug-in reports no editor");
  std::string error;
  x11host::HostWindow window;
  if (!window.open(rect.right - rect.left, rect.bottom - rect.top, error))
    return fail(kFailure, error);
  if (!host.openEditor(window.parentHandle())) return fail(kFailure, "the editor did not open");
  // The editor handles its exposure and asks for the display spectra at each idle; the next
  // block delivers them.
  for (size_t start = 0; start + static_cast<size_t>(block) <= signal.size(); start += block) {
    const auto first = signal.begin() + static_cast<std::ptrdiff_t>(start);
    host.render(std::vector<float>(first, first + block), block);
    host.idleEditor();
    XSync(window.display(), False);
    usleep(10000);
  }
  const bool written = window.writePng(outPath, error);
  host.closeEditor();
  host.close();
  window.close();
  return written ? 0 : fail(kFailure, error);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int code = parseArguments(argc, argv, options)) return code;

  std::string error;
  x11host::XvfbServer server;
  if (!server.start(error)) return fail(kFailure, error);
  if (!server.setXftDpi(static_cast<int>(std::lround(96.0 * options.scale))))
    return fail(kFailure, "the private X server's resources cannot be set");
  auto host = vsthost::PluginHost::load(options.pluginPath, error);
  if (!host) return fail(kFailure, error);
  host->open(44100.0, 512);
  if (const int code = applyParameters(*host, options)) return code;

  // A few frames of signal, so the meter and the spectra have something to show; the rest
  // plays while the editor is open.
  constexpr int32_t kLeadIn = 8192;
  constexpr int32_t kIdles = 20;
  constexpr int32_t kBlock = 512;
  const std::vector<float> signal = testSignal(kLeadIn + kIdles * kBlock, 44100.0f);
  host->render(std::vector<float>(signal.begin(), signal.begin() + kLeadIn), kBlock);
  const int code = showEditorAndWrite(
      *host, std::vector<float>(signal.begin() + kLeadIn, signal.end()), kBlock, options.outPath);
  host.reset();
  // The plug-in is gone: release the process-wide font caches its text drawing filled.
  cairo_debug_reset_static_data();
  FcFini();
  return code;
}
