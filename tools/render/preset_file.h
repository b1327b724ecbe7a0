// VST2 program (.fxp) and bank (.fxb) files that hold a plug-in's opaque chunk, the form
// hosts save and load presets in: a big-endian header ('CcnK', the size of what follows,
// 'FPCh' or 'FBCh', format version 1, the plug-in's unique ID and version, its number of
// programs, then a 28-byte program name (.fxp) or 128 reserved bytes (.fxb)) and the
// chunk with its size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

struct PresetFile {
  bool bank = false;  // .fxb: the whole bank; .fxp: the current program
  int32_t pluginId = 0;
  int32_t pluginVersion = 0;
  int32_t numPrograms = 0;
  std::string programName;  // .fxp only, at most 27 characters
  std::vector<uint8_t> chunk;
};

// Whether `path` names a bank (.fxb) or a program (.fxp); throws RenderError otherwise.
bool presetPathIsBank(const std::string& path);

std::vector<uint8_t> presetBytes(const PresetFile& preset);
// Throws RenderError naming the problem when the bytes are no chunk program or bank file.
PresetFile parsePreset(const std::vector<uint8_t>& bytes, const std::string& origin);

void savePreset(const PresetFile& preset, const std::string& path);
PresetFile loadPreset(const std::string& path);

}  // namespace render
