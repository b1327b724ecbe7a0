#include "head_motion.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

#include "render_error.h"
#include "state_chunk.h"
#include "text_fields.h"

namespace render {

std::vector<HeadRow> parseHeadMotion(std::istream& in, const std::string& fileName) {
  std::vector<HeadRow> rows;
  std::string line;
  int lineNumber = 0;
  bool firstRow = true;
  while (std::getline(in, line)) {
    ++lineNumber;
    const std::string content = trimmed(line);
    if (content.empty() || content[0] == '#') continue;
    std::vector<std::optional<double>> numbers;
    for (size_t start = 0;;) {
      const auto comma = content.find(',', start);
      numbers.push_back(parseDecimal(trimmed(content.substr(start, comma - start))));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    const bool isFirst = firstRow;
    firstRow = false;
    if (!numbers[0] && isFirst) continue;  // header row
    const bool valid = numbers.size() == 4 &&
                       std::all_of(numbers.begin(), numbers.end(),
                                   [](const auto& n) { return n && std::isfinite(*n); }) &&
                       *numbers[0] >= 0.0;
    if (!valid)
      throw RenderError(fileName + ":" + std::to_string(lineNumber) +
                        ": expected seconds (from 0),yaw,pitch,roll in degrees");
    rows.push_back({*numbers[0], *numbers[1], *numbers[2], *numbers[3]});
  }
  if (in.bad()) throw RenderError(fileName + ": read error");
  if (rows.empty()) throw RenderError(fileName + ": no rows");
  std::stable_sort(rows.begin(), rows.end(),
                   [](const HeadRow& a, const HeadRow& b) { return a.seconds < b.seconds; });
  return rows;
}

std::vector<HeadRow> loadHeadMotion(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw RenderError("cannot read head file " + path + ": " + std::strerror(errno));
  return parseHeadMotion(in, path);
}

HeadRow headAt(const std::vector<HeadRow>& rows, double seconds) {
  const auto next = std::upper_bound(rows.begin(), rows.end(), seconds,
                                     [](double t, const HeadRow& r) { return t < r.seconds; });
  if (next == rows.begin()) return rows.front();
  if (next == rows.end()) return rows.back();
  const HeadRow& a = *(next - 1);
  const HeadRow& b = *next;
  const double t = (seconds - a.seconds) / (b.seconds - a.seconds);
  return {seconds, a.yaw + t * (b.yaw - a.yaw), a.pitch + t * (b.pitch - a.pitch),
          a.roll + t * (b.roll - a.roll)};
}

void sendHeadMidi(PluginProcessor& plugin, const HeadRow& head) {
  const double angles[3] = {head.yaw, head.pitch, head.roll};
  for (int axis = 0; axis < 3; ++axis) {
    // 14 bits over a whole turn, 8192 at 0 degrees.
    const double wrapped = std::remainder(angles[axis], 360.0);
    const long value = std::clamp(std::lround(wrapped / 360.0 * 16384.0) + 8192, 0L, 16383L);
    plugin.sendMidi(0xB0, static_cast<unsigned char>(16 + axis),
                    static_cast<unsigned char>(value >> 7));
    plugin.sendMidi(0xB0, static_cast<unsigned char>(48 + axis),
                    static_cast<unsigned char>(value & 0x7F));
  }
}

void turnTrackingOn(PluginProcessor& plugin, int port) {
  std::vector<uint8_t> bytes;
  auto bank = std::make_unique<panner::chunk::BankState>();
  try {
    bytes = plugin.stateChunk(false);
  } catch (const RenderError&) {
    bytes.clear();
  }
  if (!panner::chunk::parseBank(bytes.data(), bytes.size(), *bank))
    throw RenderError(
        "head tracking works with quendral only: this plug-in's state is not "
        "quendral's");
  bank->tracking.on = true;
  bank->tracking.port = port;
  std::vector<uint8_t> chunk(panner::chunk::bankChunkSize(*bank));
  chunk.resize(panner::chunk::writeBank(*bank, chunk.data()));
  if (!plugin.setStateChunk(chunk, false)) throw RenderError("the plug-in refused head tracking");
}

}  // namespace render
