// quendral-preset-report: loads a plug-in, hands it the chunk of a VST2 program file (.fxp)
// as a host loads a preset, and writes what the plug-in then answers and plays, in the form
// of quendral-plugin-report (whose --compare compares two such reports). Built for Linux and
// for Windows: the Windows tests give the DLL a preset that quendral-render saved with a
// user's own response set, and compare its report with quendral.so's.
//   quendral-preset-report <plug-in file> <preset.fxp> <report file>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "noise_signal.h"
#include "parameter_mapping.h"
#include "plugin_host.h"
#include "plugin_report.h"

namespace {

constexpr int32_t kBlockSize = 512;
constexpr std::size_t kFramesPerPlacement = 4096;
constexpr int32_t kAngle = 0, kOwnSet = 23;
// Measured directions of both halves and placements between them.
constexpr float kAngles[] = {0.0f, 30.0f, 65.0f, 90.0f, 135.0f, 180.0f, -135.0f, -90.0f, -40.0f};

struct ProgramFile {
  int32_t pluginId = 0;
  std::vector<uint8_t> chunk;
};

uint32_t bigEndian(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// A program file: 'CcnK', the size of what follows, 'FPCh', format version, plug-in ID and
// version, number of programs, a 28-byte name, the chunk's size and the chunk.
bool readProgramFile(const char* path, ProgramFile& file, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 60 || bytes.compare(0, 4, "CcnK") != 0 || bytes.compare(8, 4, "FPCh") != 0 ||
      bigEndian(bytes, 56) != bytes.size() - 60) {
    error = std::string(path) + " is no program file holding a chunk";
    return false;
  }
  file.pluginId = static_cast<int32_t>(bigEndian(bytes, 16));
  file.chunk.assign(bytes.begin() + 60, bytes.end());
  return true;
}

std::string number(double value) { return vsthost::reportNumber(value); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <plug-in file> <preset.fxp> <report file>\n", argv[0]);
    return 2;
  }
  ProgramFile preset;
  std::string error;
  if (!readProgramFile(argv[2], preset, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 2;
  }
  auto host = vsthost::PluginHost::load(argv[1], error);
  if (!host) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (host->effect()->uniqueID != preset.pluginId) {
    std::fprintf(stderr, "%s was saved by another plug-in\n", argv[2]);
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary);
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[3]);
    return 1;
  }
  host->open(44100.0, kBlockSize);
  out << "preset of " << preset.chunk.size() << " bytes: answer "
      << host->setChunk(preset.chunk, true) << ", program '" << host->programName() << "'\n";
  out << "parameters";  // values only: the texts are the plug-in report's part
  for (int32_t i = 0; i < host->effect()->numParams; ++i)
    out << " " << number(host->getParameter(i));
  out << "\n";

  // The placements in turn, each gliding in from the last and then holding.
  const std::vector<float> input = vsthost::noiseSignal(kFramesPerPlacement, 77);
  for (float angle : kAngles) {
    host->setParameter(kAngle, panner::valueFromAngle(angle));
    vsthost::writeRenderedSamples(*host, out, "angle" + number(angle), input, kBlockSize);
  }
  // Switched to the built-in set by "own set", and back.
  host->setParameter(kAngle, panner::valueFromAngle(90.0f));
  host->setParameter(kOwnSet, 0.0f);
  out << "own set '" << host->parameterDisplay(kOwnSet) << "'\n";
  vsthost::writeRenderedSamples(*host, out, "built-in", input, kBlockSize);
  host->setParameter(kOwnSet, 1.0f);
  out << "own set '" << host->parameterDisplay(kOwnSet) << "'\n";
  vsthost::writeRenderedSamples(*host, out, "own-again", input, kBlockSize);
  out.close();
  if (!out) {
    std::fprintf(stderr, "writing %s failed\n", argv[3]);
    return 1;
  }
  return 0;
}
