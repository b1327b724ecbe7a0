#include "plugin_report.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

#include "noise_signal.h"

namespace vsthost {

namespace {

constexpr int32_t kBlockSize = 512;
constexpr std::size_t kRenderLength = 44100 / 2;
constexpr float kProbeValues[] = {0.0f, 0.1f, 0.25f, 0.5f, 0.7f, 1.0f};

// Plug-in texts on Windows are in the ANSI code page (1252, whose upper half the plug-in
// uses only where it equals Latin-1); on Linux they are UTF-8 already.
std::string asUtf8(const std::string& text) {
#if defined(_WIN32)
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
#else
  return text;
#endif
}

std::string number(double value) { return reportNumber(value); }

// The same noise-like signal on both platforms.
std::vector<float> testSignal(std::size_t length) { return vsthost::noiseSignal(length, 2024); }

MidiMessage controlChange(int controller, int value) {
  return {0xB0, static_cast<unsigned char>(controller), static_cast<unsigned char>(value), 0};
}

void writeParameters(PluginHost& host, std::ostream& out, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    out << "parameter " << i << " name '" << asUtf8(host.parameterName(i)) << "' label '"
        << asUtf8(host.parameterLabel(i)) << "' value " << number(host.getParameter(i))
        << " display '" << asUtf8(host.parameterDisplay(i)) << "'\n";
  }
}

void writeRender(PluginHost& host, std::ostream& out, const char* name,
                 const std::vector<float>& input) {
  writeRenderedSamples(host, out, name, input, kBlockSize);
}

}  // namespace

std::string reportNumber(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

// Every output sample, 16 to a line.
void writeSampleLines(std::ostream& out, const std::string& name,
                      const std::vector<std::vector<float>>& outputs) {
  for (std::size_t channel = 0; channel < outputs.size(); ++channel) {
    const auto& samples = outputs[channel];
    for (std::size_t start = 0; start < samples.size(); start += 16) {
      out << "samples " << name << " " << channel << " " << start;
      for (std::size_t i = start; i < samples.size() && i < start + 16; ++i)
        out << " " << number(samples[i]);
      out << "\n";
    }
  }
}

void writeRenderedSamples(PluginHost& host, std::ostream& out, const std::string& name,
                          const std::vector<float>& input, int32_t blockSize) {
  writeSampleLines(out, name, host.render(input, blockSize));
}

void writePluginReport(PluginHost& host, std::ostream& out) {
  AEffect* effect = host.effect();
  if (!effect) return;
  host.open(44100.0, kBlockSize);
  out << "magic " << effect->magic << " programs " << effect->numPrograms << " parameters "
      << effect->numParams << " inputs " << effect->numInputs << " outputs " << effect->numOutputs
      << " latency " << effect->initialDelay << " flags " << (effect->flags & ~effFlagsHasEditor)
      << " id " << effect->uniqueID << " version " << effect->version << "\n";
  out << "name '" << asUtf8(host.effectName()) << "' vendor '" << asUtf8(host.vendorString())
      << "' product '" << asUtf8(host.productString()) << "' vendor version "
      << host.dispatch(effGetVendorVersion) << " vst version " << host.dispatch(effGetVstVersion)
      << " category " << host.dispatch(effGetPlugCategory) << "\n";
  for (const char* capability : {"receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents",
                                 "receiveVstTimeInfo", "bypass", "sizeWindow"})
    out << "canDo " << capability << " " << host.canDo(capability) << "\n";

  // Every program as loaded, then every parameter across its range on program 0.
  for (int32_t program = 0; program < effect->numPrograms; ++program) {
    host.setProgram(program);
    out << "program " << program << " answer " << host.program() << " name '"
        << asUtf8(host.programName()) << "'\n";
    writeParameters(host, out, effect->numParams);
  }
  host.setProgram(0);
  for (int32_t i = 0; i < effect->numParams; ++i) {
    const float original = host.getParameter(i);
    for (float value : kProbeValues) {
      host.setParameter(i, value);
      out << "set " << i << " " << number(value) << " value " << number(host.getParameter(i))
          << " display '" << asUtf8(host.parameterDisplay(i)) << "'\n";
    }
    host.setParameter(i, original);
  }
  host.setProgramName("renamed");
  out << "renamed program '" << asUtf8(host.programName()) << "'\n";

  // The four MIDI controllers at both ends and the middle of their range.
  for (int controller : {10, 7, 12, 13}) {
    for (int value : {0, 64, 127}) {
      host.sendMidi({controlChange(controller, value)});
      out << "midi " << controller << " " << value << " ->";
      for (int32_t i : {0, 4, 5, 6}) out << " " << number(host.getParameter(i));
      out << "\n";
    }
  }

  // Audio: the default program, then a second response set with gain and a moved angle,
  // then the LFO running free, then locked to the host's tempo.
  const std::vector<float> input = testSignal(kRenderLength);
  host.setProgram(0);
  host.setSamplePosition(0.0);
  writeRender(host, out, "default", input);
  host.setParameter(3, 1.0f);
  host.setParameter(6, 0.7f);
  host.sendMidi({controlChange(10, 100)});
  writeRender(host, out, "second-set", input);
  host.setParameter(3, 0.0f);
  host.setParameter(4, 0.9f);
  writeRender(host, out, "lfo", input);
  host.setTempo(97.0);
  host.setParameter(1, 1.0f);
  host.setParameter(2, 0.3f);
  writeRender(host, out, "lfo-sync", input);
  out << "time requests " << (host.recorder().timeRequests() > 0 ? "yes" : "no") << "\n";
  writeParameters(host, out, effect->numParams);
}

bool reportsMatch(std::istream& expected, std::istream& actual, double tolerance,
                  std::string& difference) {
  std::string want;
  std::string got;
  for (int line = 1;; ++line) {
    const bool moreWanted = static_cast<bool>(std::getline(expected, want));
    const bool moreGot = static_cast<bool>(std::getline(actual, got));
    if (!moreWanted && !moreGot) return true;
    if (moreWanted != moreGot) {
      difference = "line " + std::to_string(line) + ": one report ends early";
      return false;
    }
    if (want == got) continue;
    const std::string mismatch =
        "line " + std::to_string(line) + ": expected '" + want + "', got '" + got + "'";
    if (want.rfind("samples ", 0) != 0 || got.rfind("samples ", 0) != 0) {
      difference = mismatch;
      return false;
    }
    std::istringstream wantWords(want);
    std::istringstream gotWords(got);
    std::string a;
    std::string b;
    while (true) {
      const bool hasA = static_cast<bool>(wantWords >> a);
      const bool hasB = static_cast<bool>(gotWords >> b);
      if (!hasA && !hasB) break;
      if (hasA != hasB || a.empty() || b.empty()) {
        difference = mismatch;
        return false;
      }
      if (a == b) continue;
      char* endA = nullptr;
      char* endB = nullptr;
      const double x = std::strtod(a.c_str(), &endA);
      const double y = std::strtod(b.c_str(), &endB);
      if (*endA != 0 || *endB != 0 || !(std::fabs(x - y) <= tolerance)) {
        difference = mismatch + " (" + a + " vs " + b + ")";
        return false;
      }
    }
  }
}

}  // namespace vsthost
