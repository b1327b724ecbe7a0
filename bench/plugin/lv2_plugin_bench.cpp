// What a host pays for the LV2 build beside the VST2 build, in one process: the built
// quendral.so of each format, the VST2 one driven through our test host (processReplacing),
// the LV2 one through its descriptor as a DAW drives it (a URID map, the atom port given an
// empty sequence every block, all 23 control ports connected), 512-sample blocks.
//
//   quendral_lv2_plugin_bench [--rates 44100,96000] [--reps 9] [--seconds 10]
//
// Both process the same noise, taking turns in chunks of 16 blocks (a burst of other work
// hits both alike; each goes first in every other chunk), with the thread CPU time taken around
// each chunk of processing calls. The table shows each format's median real-time factor over the
// repetitions (audio seconds per CPU second) and the ratio of the LV2 time to the VST2 time.
#include <dlfcn.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "plugin_host.h"

namespace panner {
namespace {

constexpr int32_t kBlock = 512;
constexpr int32_t kChunkBlocks = 16;
// The LV2 build's ports (formats/lv2/lv2_ports.h): 24 controls (the last, "own set", off),
// then latency, audio, the atom input (the atom output stays unconnected).
constexpr uint32_t kControls = 24;
constexpr uint32_t kLatencyPort = 24, kInPort = 25, kOut0Port = 26, kOut1Port = 27,
                   kEventsPort = 28;
constexpr uint32_t kAnglePort = 0, kLfoSpeedPort = 4;

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The measured call of one format: processes one block of `input` into the two outputs.
class Format {
 public:
  virtual ~Format() = default;
  virtual void process(const float* input, float* out0, float* out1) = 0;
};

class Vst2Format final : public Format {
 public:
  static std::unique_ptr<Vst2Format> load(const std::string& path, double rate, bool moving) {
    std::string error;
    auto host = vsthost::PluginHost::load(path, error);
    if (!host) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return nullptr;
    }
    host->open(rate, kBlock);
    // The same settings as the LV2 ports below: +45 degrees, or the LFO at +1 Hz.
    host->setParameter(moving ? 4 : 0, moving ? 1.0f : 0.625f);
    auto format = std::unique_ptr<Vst2Format>(new Vst2Format);
    format->host_ = std::move(host);
    return format;
  }
  void process(const float* input, float* out0, float* out1) override {
    float* inputs[2] = {const_cast<float*>(input), const_cast<float*>(input)};
    float* outputs[2] = {out0, out1};
    host_->processReplacing(inputs, outputs, kBlock);
  }

 private:
  std::unique_ptr<vsthost::PluginHost> host_;
};

class UridMap {
 public:
  LV2_URID_Map map{this, &UridMap::mapUri};

 private:
  static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& ids = static_cast<UridMap*>(handle)->ids_;
    auto [it, added] = ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1));
    (void)added;
    return it->second;
  }
  std::map<std::string, LV2_URID> ids_;
};

class Lv2Format final : public Format {
 public:
  static std::unique_ptr<Lv2Format> load(const std::string& bundle, double rate, bool moving) {
    auto format = std::unique_ptr<Lv2Format>(new Lv2Format);
    const std::string binary = bundle + "/quendral.so";
    format->library_ = dlopen(binary.c_str(), RTLD_LOCAL | RTLD_NOW);
    auto entry =
        format->library_
            ? reinterpret_cast<LV2_Descriptor_Function>(dlsym(format->library_, "lv2_descriptor"))
            : nullptr;
    format->descriptor_ = entry ? entry(0) : nullptr;
    if (!format->descriptor_) {
      std::fprintf(stderr, "cannot load the LV2 plug-in %s\n", binary.c_str());
      return nullptr;
    }
    const LV2_Feature mapFeature = {LV2_URID__map, &format->uris_.map};
    const LV2_Feature* features[] = {&mapFeature, nullptr};
    format->instance_ =
        format->descriptor_->instantiate(format->descriptor_, rate, bundle.c_str(), features);
    if (!format->instance_) return nullptr;
    // The description's defaults (program 0): the envelope ramps in sevenths.
    float* controls = format->controls_;
    const float defaults[7] = {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    for (uint32_t p = 0; p < 7; ++p) controls[p] = defaults[p];
    for (uint32_t point = 0; point < 8; ++point)
      controls[7 + point] = controls[15 + point] = static_cast<float>(point) / 7.0f;
    controls[moving ? kLfoSpeedPort : kAnglePort] = moving ? 1.0f : 45.0f;
    for (uint32_t p = 0; p < kControls; ++p)
      format->descriptor_->connect_port(format->instance_, p, &controls[p]);
    format->descriptor_->connect_port(format->instance_, kLatencyPort, &format->latency_);
    format->sequence_.atom.type =
        format->uris_.map.map(format->uris_.map.handle, LV2_ATOM__Sequence);
    format->descriptor_->connect_port(format->instance_, kEventsPort, &format->sequence_);
    format->descriptor_->activate(format->instance_);
    return format;
  }
  ~Lv2Format() override {
    if (instance_) descriptor_->cleanup(instance_);
    if (library_) dlclose(library_);
  }
  void process(const float* input, float* out0, float* out1) override {
    // As a host does each block: an empty event sequence, the buffers (re)connected.
    sequence_.atom.size = sizeof(LV2_Atom_Sequence_Body);
    descriptor_->connect_port(instance_, kInPort, const_cast<float*>(input));
    descriptor_->connect_port(instance_, kOut0Port, out0);
    descriptor_->connect_port(instance_, kOut1Port, out1);
    descriptor_->run(instance_, kBlock);
  }

 private:
  Lv2Format() = default;
  void* library_ = nullptr;
  const LV2_Descriptor* descriptor_ = nullptr;
  LV2_Handle instance_ = nullptr;
  UridMap uris_;
  float controls_[kControls] = {};
  float latency_ = 0.0f;
  LV2_Atom_Sequence sequence_{};
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

int run(int argc, char** argv) {
  std::vector<double> rates = {44100.0, 96000.0};
  int reps = 9;
  double seconds = 10.0;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--reps") {
      reps = std::max(1, std::atoi(argv[i + 1]));
    } else if (option == "--seconds") {
      seconds = std::max(0.5, std::atof(argv[i + 1]));
    } else if (option == "--rates") {
      rates.clear();
      for (const char* p = argv[i + 1]; *p;) {
        char* end = nullptr;
        rates.push_back(std::strtod(p, &end));
        p = *end == ',' ? end + 1 : end;
        if (end == p && *p) break;
      }
    } else {
      std::fprintf(stderr, "unknown option %s\n", argv[i]);
      return 2;
    }
  }

  std::vector<float> noise(1 << 16);
  std::mt19937 generator(14);
  std::uniform_real_distribution<float> value(-0.25f, 0.25f);
  for (float& x : noise) x = value(generator);
  std::vector<float> out0(kBlock), out1(kBlock);

  std::printf("%-8s %-14s %14s %14s %12s\n", "rate", "case", "VST2 x realtime", "LV2 x realtime",
              "LV2 / VST2");
  for (const double rate : rates) {
    for (const bool moving : {false, true}) {
      std::unique_ptr<Format> formats[2] = {Vst2Format::load(QUENDRAL_PLUGIN_PATH, rate, moving),
                                            Lv2Format::load(QUENDRAL_LV2_BUNDLE, rate, moving)};
      if (!formats[0] || !formats[1]) return 1;
      const int64_t blocksPerRep = static_cast<int64_t>(seconds * rate / kBlock);
      std::vector<double> factors[2];
      size_t positions[2] = {0, 0};
      for (int rep = 0; rep <= reps; ++rep) {  // repetition 0 warms up and is not counted
        double cpu[2] = {0.0, 0.0};
        for (int64_t done = 0; done < blocksPerRep; done += kChunkBlocks) {
          // Each goes first in every other chunk, so neither always finds the caches as the
          // other left them.
          const bool swap = (done / kChunkBlocks) % 2 != 0;
          for (int turn = 0; turn < 2; ++turn) {
            const int f = swap ? 1 - turn : turn;
            const double start = threadCpuSeconds();
            for (int32_t b = 0; b < kChunkBlocks; ++b) {
              formats[f]->process(noise.data() + positions[f], out0.data(), out1.data());
              positions[f] = (positions[f] + kBlock) % (noise.size() - kBlock);
            }
            cpu[f] += threadCpuSeconds() - start;
          }
        }
        if (rep == 0) continue;
        const int64_t chunks = (blocksPerRep + kChunkBlocks - 1) / kChunkBlocks;
        const double audio = static_cast<double>(chunks * kChunkBlocks * kBlock) / rate;
        for (int f = 0; f < 2; ++f) factors[f].push_back(audio / cpu[f]);
      }
      const double vst2 = median(factors[0]);
      const double lv2 = median(factors[1]);
      std::printf("%-8.0f %-14s %14.1f %14.1f %12.3f\n", rate,
                  moving ? "LFO full speed" : "steady angle", vst2, lv2, vst2 / lv2);
    }
  }
  return 0;
}

}  // namespace
}  // namespace panner

int main(int argc, char** argv) { return panner::run(argc, argv); }
