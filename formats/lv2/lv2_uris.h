// The names the LV2 build goes by: the plug-in's and the editor's URIs, the keys under which
// the state keeps the chunk and the own set's file, and the bundle's file names. The description
// written at build time and the binary both take them from here.
#pragma once

namespace panner::lv2 {

#define QUENDRAL_LV2_PLUGIN_URI "urn:quillmoor:quendral"

constexpr const char* kPluginUri = QUENDRAL_LV2_PLUGIN_URI;
constexpr const char* kUiUri = QUENDRAL_LV2_PLUGIN_URI "#panel";
// The state's one property: the bank chunk of docs/chunk-format.md, as an atom:Chunk.
constexpr const char* kStateChunkUri = QUENDRAL_LV2_PLUGIN_URI "#chunk";
// The own set's SOFA file: a patch:writable parameter whose value is an atom:Path. The
// state keeps it too, so the host shows the file again after a reload (the chunk carries
// the set itself, so the file need not be there any more).
constexpr const char* kSofaFileUri = QUENDRAL_LV2_PLUGIN_URI "#sofa_file";
constexpr const char* kSofaFileLabel = "own set file";
// Preset N (1..8) is this prefix followed by N.
constexpr const char* kPresetUriPrefix = QUENDRAL_LV2_PLUGIN_URI "#program-";

constexpr const char* kBinaryFile = "quendral.so";  // the plug-in and its editor
constexpr const char* kDescriptionFile = "quendral.ttl";
constexpr const char* kPresetsFile = "presets.ttl";

}  // namespace panner::lv2
