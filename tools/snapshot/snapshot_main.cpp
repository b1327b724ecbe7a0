// quendral-snapshot [--plugin PATH] [--param NAME=VALUE]... OUT.png
//
// Loads the plug-in through its binary interface, feeds it a short test signal so the
// spectra and the meter show something, opens its editor in a window of this program on a
// private Xvfb server and writes what the window shows as a PNG. NAME is a parameter name
// as the plug-in reports it ("angle", "lfo speed", ...); VALUE is normalised, 0 to 1.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
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
               "usage: quendral-snapshot [--plugin PATH] [--param NAME=VALUE]... OUT.png\n"
               "  NAME is a parameter name of the plug-in, VALUE a number from 0 to 1.\n");
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

}  // namespace

int main(int argc, char** argv) {
  std::string pluginPath = QUENDRAL_PLUGIN_PATH;
  std::string outPath;
  std::vector<std::pair<std::string, float>> params;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--plugin" || arg == "--param") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--plugin") {
        pluginPath = value;
        continue;
      }
      const size_t eq = value.find('=');
      char* end = nullptr;
      const float v = eq == std::string::npos ? 0.0f : std::strtof(value.c_str() + eq + 1, &end);
      if (eq == std::string::npos || end == value.c_str() + eq + 1 || *end != 0 ||
          !(v >= 0.0f && v <= 1.0f)) {
        std::fprintf(
            stderr,
            "quendral-snapshot: --param needs NAME=VALUE with VALUE from 0 to 1, got \"%s\"\n",
            value.c_str());
        return 2;
      }
      params.emplace_back(value.substr(0, eq), v);
    } else if (!arg.empty() && arg[0] == '-') {
      usage();
      return 2;
    } else if (outPath.empty()) {
      outPath = arg;
    } else {
      usage();
      return 2;
    }
  }
  if (outPath.empty()) {
    usage();
    return 2;
  }

  std::string error;
  XvfbServer server;
  if (!server.start(error)) {
    std::fprintf(stderr, "quendral-snapshot: %s\n", error.c_str());
    return 1;
  }
  auto host = vsthost::PluginHost::load(pluginPath, error);
  if (!host) {
    std::fprintf(stderr, "quendral-snapshot: %s\n", error.c_str());
    return 1;
  }
  host->open(44100.0, 512);

  for (const auto& [name, value] : params) {
    int32_t index = -1;
    for (int32_t p = 0; p < host->effect()->numParams; ++p) {
      if (normalised(host->parameterName(p)) == normalised(name) && !normalised(name).empty()) {
        index = p;
        break;
      }
    }
    if (index < 0) {
      std::fprintf(stderr,
                   "quendral-snapshot: no parameter named \"%s\"; the names are:", name.c_str());
      for (int32_t p = 0; p < host->effect()->numParams; ++p) {
        const std::string n = host->parameterName(p);
        if (!n.empty()) std::fprintf(stderr, " \"%s\"", n.c_str());
      }
      std::fprintf(stderr, "\n");
      return 2;
    }
    host->setParameter(index, value);
  }

  // A few frames of signal, so the meter and the spectra have something to show; the rest
  // plays while the editor is open, one block per idle, as a host's audio keeps running.
  constexpr int32_t kIdles = 20;
  constexpr int32_t kBlock = 512;
  const std::vector<float> signal = testSignal(8192 + kIdles * kBlock, 44100.0f);
  host->render(std::vector<float>(signal.begin(), signal.begin() + 8192), kBlock);

  ERect rect{};
  if (!host->editorRect(rect)) {
    std::fprintf(stderr, "quendral-snapshot: the plug-in reports no editor\n");
    return 1;
  }
  HostWindow window;
  if (!window.open(rect.right - rect.left, rect.bottom - rect.top, error)) {
    std::fprintf(stderr, "quendral-snapshot: %s\n", error.c_str());
    return 1;
  }
  if (!host->openEditor(window.parentHandle())) {
    std::fprintf(stderr, "quendral-snapshot: the editor did not open\n");
    return 1;
  }
  // Let the editor handle its exposure and idle a few times, as a host's timer would. The
  // editor asks for the display spectra at each idle; the next block delivers them.
  for (int32_t i = 0; i < kIdles; ++i) {
    const auto block = signal.begin() + 8192 + i * kBlock;
    host->render(std::vector<float>(block, block + kBlock), kBlock);
    host->idleEditor();
    XSync(window.display(), False);
    usleep(10000);
  }
  const bool written = window.writePng(outPath, error);
  host->closeEditor();
  host->close();
  host.reset();
  window.close();
  // The plug-in is gone: release the process-wide font caches its text drawing filled.
  cairo_debug_reset_static_data();
  FcFini();
  if (!written) {
    std::fprintf(stderr, "quendral-snapshot: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
