#include "own_set_option.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "own_response_set.h"
#include "render_error.h"
#include "sofa_file.h"
#include "state_chunk.h"

namespace render {

namespace {

bool quendralBank(PluginProcessor& plugin, std::vector<uint8_t>& bytes,
                  panner::chunk::BankState& bank) {
  try {
    bytes = plugin.stateChunk(false);
  } catch (const RenderError&) {
    return false;
  }
  return panner::chunk::parseBank(bytes.data(), bytes.size(), bank);
}

}  // namespace

void loadOwnSetInto(PluginProcessor& plugin, const std::string& path, bool quiet) {
  std::vector<uint8_t> bytes;
  auto bank = std::make_unique<panner::chunk::BankState>();
  if (!quendralBank(plugin, bytes, *bank))
    throw RenderError("--sofa works with quendral only: this plug-in's state is not quendral's");
  auto set = std::make_shared<panner::OwnResponseSet>();
  std::string status;
  if (!panner::loadOwnResponseSet(path, *set, status)) throw RenderError(status);
  bank->own = {true, std::move(set)};
  std::vector<uint8_t> chunk(panner::chunk::bankChunkSize(*bank));
  chunk.resize(panner::chunk::writeBank(*bank, chunk.data()));
  if (!plugin.setStateChunk(chunk, false))
    throw RenderError(path + ": the plug-in refused the set");
  if (!quiet) std::fprintf(stderr, "quendral-render: own set %s\n", status.c_str());
}

std::string ownSetLine(PluginProcessor& plugin) {
  std::vector<uint8_t> bytes;
  auto bank = std::make_unique<panner::chunk::BankState>();
  if (!quendralBank(plugin, bytes, *bank)) return "";
  const panner::chunk::OwnSetState& own = bank->own;
  if (!own.set) return std::string("own set: none loaded (") + (own.on ? "on" : "off") + ")";
  panner::OwnResponseSet set = *own.set;  // its widest gap is worked out by the check
  std::string why;
  if (!panner::checkOwnResponseSet(set, why)) return "own set: refused (" + why + ")";
  char tail[96];
  std::snprintf(tail, sizeof tail, "; file CRC-32 %08x; bank chunk %zu bytes",
                static_cast<unsigned>(own.set->checksum), bytes.size());
  return std::string("own set (") + (own.on ? "on" : "off") +
         "): " + panner::describeOwnResponseSet(set) + tail;
}

}  // namespace render
