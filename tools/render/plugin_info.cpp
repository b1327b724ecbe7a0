#include "plugin_info.h"

#include <cctype>

#include "vst_plugin_processor.h"

namespace render {
namespace {

bool isValidUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    int extra = c < 0x80           ? 0
                : (c >> 5) == 0x6  ? 1
                : (c >> 4) == 0xE  ? 2
                : (c >> 3) == 0x1E ? 3
                                   : -1;
    if (extra < 0 || i + extra >= text.size()) return false;
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return false;
    i += extra + 1;
  }
  return true;
}

std::string uniqueIdText(int32_t id) {
  // The identifier is four characters packed big-endian, usually printable.
  std::string chars;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
    if (!std::isprint(c)) return std::to_string(id);
    chars += static_cast<char>(c);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08x", static_cast<uint32_t>(id));
  return "'" + chars + "' (" + hex + ")";
}

std::string flagsText(int32_t flags) {
  static const struct {
    int32_t bit;
    const char* name;
  } kFlags[] = {{effFlagsHasEditor, "editor"},
                {effFlagsCanReplacing, "replacing"},
                {effFlagsCanDoubleReplacing, "double-replacing"},
                {effFlagsProgramChunks, "program-chunks"},
                {effFlagsIsSynth, "synth"},
                {effFlagsNoSoundInStop, "no-sound-in-stop"}};
  std::string text;
  for (const auto& f : kFlags)
    if (flags & f.bit) text += (text.empty() ? "" : ", ") + std::string(f.name);
  return text.empty() ? "none" : text;
}

}  // namespace

std::string displayText(const std::string& pluginText) {
  if (isValidUtf8(pluginText)) return pluginText;
  std::string out;
  for (const char ch : pluginText) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else if (c < 0xA0) {
      out += '?';  // code page 1252's punctuation block; rare in plug-in texts
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void printPluginInfo(VstPluginProcessor& plugin, const std::string& path, std::FILE* out) {
  vsthost::PluginHost& host = plugin.host();
  const AEffect& effect = plugin.effect();
  std::fprintf(out, "plug-in:    %s\n", path.c_str());
  std::fprintf(out, "name:       %s\n", displayText(host.effectName()).c_str());
  std::fprintf(out, "vendor:     %s\n", displayText(host.vendorString()).c_str());
  std::fprintf(out, "product:    %s\n", displayText(host.productString()).c_str());
  std::fprintf(out, "version:    %ld (plug-in), %d (record), VST %ld\n",
               static_cast<long>(host.dispatch(effGetVendorVersion)), effect.version,
               static_cast<long>(host.dispatch(effGetVstVersion)));
  std::fprintf(out, "unique id:  %s\n", uniqueIdText(effect.uniqueID).c_str());
  std::fprintf(out, "inputs:     %d\n", effect.numInputs);
  std::fprintf(out, "outputs:    %d\n", effect.numOutputs);
  std::fprintf(out, "latency:    %d samples\n", effect.initialDelay);
  std::fprintf(out, "flags:      %s\n", flagsText(effect.flags).c_str());
  std::fprintf(out, "category:   %ld\n", static_cast<long>(host.dispatch(effGetPlugCategory)));

  std::fprintf(out, "parameters: %d\n", effect.numParams);
  for (int i = 0; i < effect.numParams; ++i) {
    const std::string value = displayText(host.parameterDisplay(i));
    const std::string label = displayText(host.parameterLabel(i));
    std::fprintf(out, "  %3d  %-24s %s%s  [%.6f]\n", i, displayText(host.parameterName(i)).c_str(),
                 value.c_str(), label.c_str(), static_cast<double>(host.getParameter(i)));
  }

  // Program names by index where the plug-in answers that; otherwise by switching to each
  // program in turn, then back to the one that was current.
  std::fprintf(out, "programs:   %d\n", effect.numPrograms);
  const int current = host.program();
  bool switched = false;
  for (int p = 0; p < effect.numPrograms; ++p) {
    char name[256] = {};
    if (host.dispatch(effGetProgramNameIndexed, p, -1, name) == 0) {
      host.setProgram(p);
      switched = true;
      const std::string byProgram = host.programName();
      std::snprintf(name, sizeof name, "%s", byProgram.c_str());
    }
    std::fprintf(out, "  %3d  %s%s\n", p + 1, displayText(name).c_str(),
                 p == current ? "  (current)" : "");
  }
  if (switched) host.setProgram(current);
}

}  // namespace render
