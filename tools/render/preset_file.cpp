#include "preset_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "render_error.h"

namespace render {

namespace {

constexpr std::size_t kProgramNameBytes = 28;
constexpr std::size_t kBankReserved = 128;
// What follows the size field before the chunk: magic, version, ID, version, programs.
constexpr std::size_t kCommon = 5 * 4;

void put(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
uint32_t get(const std::vector<uint8_t>& in, std::size_t at) {
  return uint32_t(in[at]) << 24 | uint32_t(in[at + 1]) << 16 | uint32_t(in[at + 2]) << 8 |
         uint32_t(in[at + 3]);
}
uint32_t fourCc(const char* c) {
  return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 |
         uint32_t(uint8_t(c[2])) << 8 | uint32_t(uint8_t(c[3]));
}

bool endsWith(const std::string& s, const char* end) {
  const std::size_t n = std::strlen(end);
  if (s.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != end[i]) return false;
  return true;
}

}  // namespace

bool presetPathIsBank(const std::string& path) {
  if (endsWith(path, ".fxb")) return true;
  if (endsWith(path, ".fxp")) return false;
  throw RenderError(path + ": a preset file is a program (.fxp) or a bank (.fxb)");
}

std::vector<uint8_t> presetBytes(const PresetFile& p) {
  std::vector<uint8_t> out;
  put(out, fourCc("CcnK"));
  const std::size_t middle = p.bank ? kBankReserved : kProgramNameBytes;
  put(out, static_cast<uint32_t>(kCommon + middle + 4 + p.chunk.size()));
  put(out, fourCc(p.bank ? "FBCh" : "FPCh"));
  put(out, 1);
  put(out, static_cast<uint32_t>(p.pluginId));
  put(out, static_cast<uint32_t>(p.pluginVersion));
  put(out, static_cast<uint32_t>(p.numPrograms));
  std::vector<uint8_t> reserved(middle, 0);
  if (!p.bank)
    std::memcpy(reserved.data(), p.programName.data(),
                std::min<std::size_t>(p.programName.size(), middle - 1));
  out.insert(out.end(), reserved.begin(), reserved.end());
  put(out, static_cast<uint32_t>(p.chunk.size()));
  out.insert(out.end(), p.chunk.begin(), p.chunk.end());
  return out;
}

PresetFile parsePreset(const std::vector<uint8_t>& in, const std::string& origin) {
  if (in.size() < 8 + kCommon || get(in, 0) != fourCc("CcnK"))
    throw RenderError(origin + " is not a VST2 preset file");
  const uint32_t magic = get(in, 8);
  PresetFile p;
  if (magic == fourCc("FBCh")) {
    p.bank = true;
  } else if (magic != fourCc("FPCh")) {
    throw RenderError(origin +
                      (magic == fourCc("FxCk") || magic == fourCc("FxBk")
                           ? " holds parameter values, not a plug-in chunk (only chunk presets "
                             "are read)"
                           : " is not a VST2 preset file"));
  }
  const std::size_t middle = p.bank ? kBankReserved : kProgramNameBytes;
  const std::size_t chunkAt = 8 + kCommon + middle + 4;
  if (in.size() < chunkAt || get(in, 4) != in.size() - 8)
    throw RenderError(origin + " is cut short or has bytes past its end");
  p.pluginId = static_cast<int32_t>(get(in, 16));
  p.pluginVersion = static_cast<int32_t>(get(in, 20));
  p.numPrograms = static_cast<int32_t>(get(in, 24));
  if (!p.bank) {
    const char* name = reinterpret_cast<const char*>(&in[28]);
    p.programName.assign(name, strnlen(name, kProgramNameBytes - 1));
  }
  const uint32_t size = get(in, chunkAt - 4);
  if (size != in.size() - chunkAt) throw RenderError(origin + ": its chunk size does not match");
  p.chunk.assign(in.begin() + static_cast<long>(chunkAt), in.end());
  return p;
}

void savePreset(const PresetFile& preset, const std::string& path) {
  const std::vector<uint8_t> bytes = presetBytes(preset);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw RenderError("cannot write the preset " + path);
}

PresetFile loadPreset(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw RenderError("cannot open the preset " + path);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  return parsePreset(bytes, path);
}

}  // namespace render
