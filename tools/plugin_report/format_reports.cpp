#include "format_reports.h"

#include <fstream>
#include <iterator>
#include <ostream>
#include <vector>

#include "clap_plugin.h"
#include "noise_signal.h"
#include "parameter_mapping.h"
#include "plugin_report.h"
#include "vst3_plugin.h"

namespace vsthost {

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

struct Render {
  const char* name;
  std::vector<std::pair<int, double>> settings;  // index (CLAP: id) and normalised value
  bool synced;
};
const Render kRenders[] = {{"default", {}, false},
                           {"right-ear-set-two", {{0, 0.75}, {3, 1.0}}, false},
                           {"lfo", {{4, 0.9}}, false},
                           {"lfo-synced", {{1, 1.0}, {4, 1.0}}, true}};

const std::vector<float>& input() {
  static const std::vector<float> noise = noiseSignal(static_cast<std::size_t>(2 * kRate), 12345);
  return noise;
}

uint32_t bigEndian(const std::string& bytes, std::size_t at) {
  uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

}  // namespace

bool writeVst3Report(const std::string& bundle, std::ostream& out, std::string& error) {
  auto plugin = vst3host::Vst3Plugin::load(bundle, error);
  if (!plugin || !plugin->open(kRate, kBlock, error)) return false;
  const vst3host::ClassDescription& c = plugin->classDescription();
  out << "text name " << c.name << "\ntext vendor " << c.vendor << "\ntext category "
      << c.subCategories << "\ntext latency " << plugin->latencySamples() << "\n";
  out << "text inputs " << plugin->numInputs() << " outputs " << plugin->numOutputs() << "\n";
  for (int32_t i = 0; i < plugin->parameterCount(); ++i) {
    const auto& p = plugin->parameters()[static_cast<std::size_t>(i)];
    out << "text parameter " << i << " id " << p.id << " " << p.title << " [" << p.units
        << "] steps " << p.stepCount << " flags " << p.flags << " shows "
        << plugin->parameterDisplay(i) << " at 0.3 " << plugin->displayFor(i, 0.3) << "\n";
  }
  for (const std::string& name : plugin->programNames()) out << "text program " << name << "\n";
  for (const Render& render : kRenders) {
    plugin = vst3host::Vst3Plugin::load(bundle, error);
    if (!plugin || !plugin->open(kRate, kBlock, error)) return false;
    for (const auto& [index, value] : render.settings) plugin->setParameter(index, value);
    writeSampleLines(out, render.name, plugin->render(input(), kBlock));
  }
  return true;
}

bool writeClapReport(const std::string& file, std::ostream& out, std::string& error) {
  auto plugin = claphost::ClapPlugin::load(file, error);
  if (!plugin || !plugin->activate(kRate, kBlock, error)) return false;
  const clapabi::PluginDescriptor& d = plugin->descriptor();
  out << "text id " << d.id << "\ntext name " << d.name << "\ntext vendor " << d.vendor
      << "\ntext latency " << plugin->latency() << "\n";
  for (const std::string& f : plugin->features()) out << "text feature " << f << "\n";
  out << "text inputs " << plugin->mainChannels(true) << " outputs " << plugin->mainChannels(false)
      << "\n";
  for (const claphost::ParamDescription& p : plugin->params())
    out << "text parameter " << p.id << " " << p.name << " [" << p.minValue << ", " << p.maxValue
        << "] flags " << p.flags << " shows " << plugin->text(p.id, plugin->value(p.id))
        << " at max " << plugin->text(p.id, p.maxValue) << "\n";
  for (const Render& render : kRenders) {
    plugin = claphost::ClapPlugin::load(file, error);
    if (!plugin || !plugin->activate(kRate, kBlock, error)) return false;
    for (const auto& [id, value] : render.settings)
      plugin->setParam(static_cast<clapabi::Id>(id), value);
    std::vector<std::vector<float>> outputs(2, std::vector<float>(input().size()));
    for (std::size_t at = 0; at < input().size(); at += kBlock) {
      const auto n = static_cast<uint32_t>(std::min<std::size_t>(kBlock, input().size() - at));
      plugin->setTransport(render.synced, 120.0, at / kRate * 2.0, true);
      const float* in[1] = {input().data() + at};
      float* outs[2] = {outputs[0].data() + at, outputs[1].data() + at};
      plugin->process(in, outs, n);
    }
    writeSampleLines(out, render.name, outputs);
  }
  return true;
}

bool writePresetReport(const std::string& plugin, const std::string& preset, std::ostream& out,
                       std::string& error) {
  // A program file: 'CcnK', the size of what follows, 'FPCh', format version, plug-in ID and
  // version, number of programs, a 28-byte name, the chunk's size and the chunk.
  std::ifstream in(preset, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto host = PluginHost::load(plugin, error);
  if (!host) return false;
  if (bytes.size() < 60 || bytes.compare(0, 4, "CcnK") != 0 || bytes.compare(8, 4, "FPCh") != 0 ||
      bigEndian(bytes, 56) != bytes.size() - 60 ||
      static_cast<int32_t>(bigEndian(bytes, 16)) != host->effect()->uniqueID) {
    error = preset + " is no program file of this plug-in holding a chunk";
    return false;
  }
  const std::vector<uint8_t> chunk(bytes.begin() + 60, bytes.end());
  host->open(kRate, kBlock);
  out << "preset of " << chunk.size() << " bytes: answer " << host->setChunk(chunk, true)
      << ", program '" << host->programName() << "'\nparameters";
  for (int32_t i = 0; i < host->effect()->numParams; ++i)
    out << " " << reportNumber(host->getParameter(i));
  out << "\n";
  // The placements in turn (measured directions of both halves and between them), each
  // gliding in from the last and then holding; then the built-in set, and the own set again.
  const std::vector<float> noise = noiseSignal(4096, 77);
  for (float angle : {0.0f, 30.0f, 65.0f, 90.0f, 135.0f, 180.0f, -135.0f, -90.0f, -40.0f}) {
    host->setParameter(0, panner::valueFromAngle(angle));
    writeRenderedSamples(*host, out, "angle" + reportNumber(angle), noise, kBlock);
  }
  host->setParameter(0, panner::valueFromAngle(90.0f));
  for (const char* set : {"built-in", "own-again"}) {
    host->setParameter(23, set[0] == 'b' ? 0.0f : 1.0f);
    out << "own set '" << host->parameterDisplay(23) << "'\n";
    writeRenderedSamples(*host, out, set, noise, kBlock);
  }
  return true;
}

}  // namespace vsthost
