// What a host pays for the plug-in: the built quendral.so driven through its binary interface
// by our test host (processReplacing, 512-sample blocks), beside IEM's first-order binaural
// chain (StereoEncoder into BinauralDecoder) loaded the same way, in one process.
//
//   quendral_plugin_bench [--plugin OTHER.so]... [--vst3 BUNDLE | --no-vst3]
//                         [--clap FILE | --no-clap]
//                         [--rates 44100,96000] [--reps 9] [--seconds 20] [--no-iem]
//                         [--no-editor] [--instructions]
//
// Every subject processes the same noise. The subjects take turns in chunks of 16 blocks
// (so a burst of other work on the machine hits all of them alike), with the thread CPU
// time taken around each chunk of processReplacing calls; one repetition adds up `seconds`
// of audio per subject, and the table shows each subject's median real-time factor over the
// repetitions (audio seconds per CPU second). --plugin adds other builds of quendral.so
// (an older commit, say) as further subjects of the same run. The VST3 build of this tree
// (its quendral.vst3 bundle, through our VST3 host) runs the LFO and steady cases beside
// them, and the table ends with its real-time factor against this VST2 build's; the CLAP
// build (quendral.clap, through our CLAP host) the same.
//
// Before the table it prints, per build, the instantiation time (VSTPluginMain + effOpen,
// median of 25) and the heap each instance keeps. "editor open" runs the LFO case with the
// editor open in a window on a private Xvfb server while another thread idles the editor
// at 60 Hz, as a host's user-interface thread does.
//
// --instructions runs every subject once for `seconds` with callgrind's collection switched
// on around the processing calls only, and dumps the counts per subject; run it under
//   valgrind --tool=callgrind --collect-atstart=no quendral_plugin_bench --instructions
// (bench/plugin/count_instructions.sh does so and prints instructions per 128-sample frame).
#include <malloc.h>
#include <time.h>
#include <valgrind/callgrind.h>

#include <dlfcn.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "clap_plugin.h"
#include "host_window.h"
#include "plugin_host.h"
#include "vst3_plugin.h"
#include "xvfb_server.h"

namespace panner {

namespace {

constexpr int32_t kBlock = 512;
constexpr int32_t kChunkBlocks = 16;
constexpr int32_t kFrame = 128;
constexpr int32_t kMaxChannels = 64;

// quendral's parameters, as normalised values.
constexpr int32_t kParamAngle = 0;
constexpr int32_t kParamLfoSpeed = 4;
constexpr int32_t kParamElevation = 24;
constexpr float kElevation30Degrees = 120.0f / 180.0f;  // (degrees + 90) / 180
// The quendral subjects of each build: moving, steady, moving on the sphere, steady at
// elevation 30, and (with an editor) moving with the editor open.
constexpr int kKinds = 5;
constexpr float kAngle45Degrees = 0.625f;
constexpr float kLfoFullSpeed = 1.0f;

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

using Host = vsthost::PluginHost;

std::unique_ptr<Host> loadPlugin(const std::string& path) {
  std::string error;
  std::unique_ptr<Host> host = Host::load(path, error);
  if (!host) std::fprintf(stderr, "%s\n", error.c_str());
  return host;
}

// Sets a choice parameter to the first normalised value whose display text starts with
// `text`; false when no value shows it.
bool setChoice(Host& host, int32_t index, const char* text) {
  for (int32_t step = 0; step <= 256; ++step) {
    const float value = static_cast<float>(step) / 256.0f;
    host.setParameter(index, value);
    if (host.parameterDisplay(index).rfind(text, 0) == 0) return true;
  }
  return false;
}

int32_t findParameter(Host& host, const char* name) {
  for (int32_t i = 0; i < host.effect()->numParams; ++i)
    if (host.parameterName(i) == name) return i;
  return -1;
}

// One thing being measured: a chain of plug-ins (one for quendral, two for IEM's) and the
// CPU time and audio it has accumulated in the current repetition.
struct Subject {
  std::string label;
  std::string build;  // which quendral build, or empty for the peer chain
  std::vector<std::unique_ptr<Host>> chain;
  std::unique_ptr<vst3host::Vst3Plugin> vst3;  // a VST3 subject instead of a chain
  std::unique_ptr<claphost::ClapPlugin> clap;  // a CLAP subject instead of a chain
  bool editorOpen = false;
  // Moving on the sphere: the elevation's target swings between -40 and +80 degrees, so
  // the elevation glides every frame while the LFO turns the angle.
  bool sweepElevation = false;
  int32_t blocksDone = 0;
  double cpuSeconds = 0.0;
  std::vector<double> factors;  // real-time factor of each repetition
};

// Channel buffers wide enough for any of the plug-ins (IEM's take and give 64 channels).
struct Buffers {
  std::vector<float> input;  // cyclic mono noise
  std::vector<float> silence;
  std::vector<std::vector<float>> a, b;
  std::vector<float*> inPointers, aPointers, bPointers;

  explicit Buffers(int32_t inputSamples)
      : input(static_cast<size_t>(inputSamples)), silence(kBlock, 0.0f) {
    std::mt19937 generator(14);
    std::uniform_real_distribution<float> value(-0.25f, 0.25f);
    for (float& x : input) x = value(generator);
    a.assign(kMaxChannels, std::vector<float>(kBlock, 0.0f));
    b.assign(kMaxChannels, std::vector<float>(kBlock, 0.0f));
    inPointers.assign(kMaxChannels, silence.data());
    for (int32_t c = 0; c < kMaxChannels; ++c) {
      aPointers.push_back(a[static_cast<size_t>(c)].data());
      bPointers.push_back(b[static_cast<size_t>(c)].data());
    }
  }
};

// Runs `blocks` blocks through a subject's chain starting at input position `pos`.
// Returns the thread CPU time of the processing calls alone.
double processBlocks(Subject& subject, Buffers& buffers, int32_t blocks, size_t& pos) {
  const double start = threadCpuSeconds();
  for (int32_t block = 0; block < blocks; ++block) {
    float* mono = buffers.input.data() + pos;
    pos = (pos + kBlock) % buffers.input.size();
    // The first plug-in gets the mono signal on its first two inputs, silence elsewhere.
    buffers.inPointers[0] = mono;
    buffers.inPointers[1] = mono;
    if (subject.vst3) {
      subject.vst3->process(buffers.inPointers.data(), buffers.aPointers.data(), kBlock);
      continue;
    }
    if (subject.clap) {
      subject.clap->process(buffers.inPointers.data(), buffers.aPointers.data(), kBlock);
      continue;
    }
    if (subject.sweepElevation && subject.blocksDone++ % 30 == 0)
      subject.chain[0]->setParameter(kParamElevation,
                                     subject.blocksDone % 60 < 30 ? 0.944f : 0.278f);
    subject.chain[0]->processReplacing(buffers.inPointers.data(), buffers.aPointers.data(), kBlock);
    if (subject.chain.size() > 1)
      subject.chain[1]->processReplacing(buffers.aPointers.data(), buffers.bPointers.data(),
                                         kBlock);
  }
  return threadCpuSeconds() - start;
}

std::unique_ptr<Subject> quendralSubject(const std::string& path, const std::string& build,
                                         double rate, bool moving, bool editor, bool sphere,
                                         bool elevated) {
  auto subject = std::make_unique<Subject>();
  std::unique_ptr<Host> host = loadPlugin(path);
  if (!host) return nullptr;
  host->open(rate, kBlock);
  if (moving) {
    host->setParameter(kParamLfoSpeed, kLfoFullSpeed);
  } else {
    host->setParameter(kParamAngle, kAngle45Degrees);
  }
  if (elevated) host->setParameter(kParamElevation, kElevation30Degrees);
  subject->label = std::string(moving ? "LFO full speed" : "steady angle") +
                   (sphere ? ", elevation gliding" : "") + (elevated ? ", elevation 30" : "") +
                   (editor ? ", editor open" : "");
  subject->sweepElevation = sphere;
  subject->build = build;
  subject->editorOpen = editor;
  subject->chain.push_back(std::move(host));
  return subject;
}

// The VST3 build with the same settings, processing 512-sample blocks through our host.
std::unique_ptr<Subject> vst3Subject(const std::string& bundle, double rate, bool moving) {
  auto subject = std::make_unique<Subject>();
  std::string error;
  subject->vst3 = vst3host::Vst3Plugin::load(bundle, error);
  if (!subject->vst3 || !subject->vst3->open(rate, kBlock, error)) {
    std::fprintf(stderr, "%s: %s\n", bundle.c_str(), error.c_str());
    return nullptr;
  }
  if (moving)
    subject->vst3->setParameter(kParamLfoSpeed, kLfoFullSpeed);
  else
    subject->vst3->setParameter(kParamAngle, kAngle45Degrees);
  subject->label = moving ? "LFO full speed" : "steady angle";
  subject->build = "vst3";
  return subject;
}

// The CLAP build with the same settings, processing 512-sample blocks through our host.
std::unique_ptr<Subject> clapSubject(const std::string& file, double rate, bool moving) {
  auto subject = std::make_unique<Subject>();
  std::string error;
  subject->clap = claphost::ClapPlugin::load(file, error);
  if (!subject->clap || !subject->clap->activate(rate, kBlock, error)) {
    std::fprintf(stderr, "%s: %s\n", file.c_str(), error.c_str());
    return nullptr;
  }
  // quendral's CLAP values of its continuous parameters are the normalised ones.
  if (moving)
    subject->clap->setParam(kParamLfoSpeed, kLfoFullSpeed);
  else
    subject->clap->setParam(kParamAngle, kAngle45Degrees);
  subject->label = moving ? "LFO full speed" : "steady angle";
  subject->build = "clap";
  return subject;
}

std::unique_ptr<Subject> iemSubject(const std::string& directory, double rate) {
  auto subject = std::make_unique<Subject>();
  std::unique_ptr<Host> encoder = loadPlugin(directory + "/libStereoEncoder.so");
  std::unique_ptr<Host> decoder = loadPlugin(directory + "/libBinauralDecoder.so");
  if (!encoder || !decoder) return nullptr;
  encoder->open(rate, kBlock);
  decoder->open(rate, kBlock);
  const int32_t order = findParameter(*encoder, "Ambisonics Order");
  const int32_t azimuth = findParameter(*encoder, "Azimuth Angle");
  const int32_t inputOrder = findParameter(*decoder, "Input Ambisonic Order");
  if (order < 0 || azimuth < 0 || inputOrder < 0 || !setChoice(*encoder, order, "1st") ||
      !setChoice(*decoder, inputOrder, "1st")) {
    std::fprintf(stderr, "IEM plug-ins in %s: cannot set first order\n", directory.c_str());
    return nullptr;
  }
  encoder->setParameter(azimuth, 0.625f);  // 45 degrees
  subject->label = "IEM StereoEncoder + BinauralDecoder, 1st order";
  subject->chain.push_back(std::move(encoder));
  subject->chain.push_back(std::move(decoder));
  return subject;
}

// Instantiation cost of one build: VSTPluginMain and effOpen, straight through the entry
// point with a host that answers only its version, and the heap an instance keeps.
intptr_t VST_CALL versionOnlyHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

size_t heapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// Gives the heap pages enough for every build's instances before any is timed, and keeps
// them: otherwise the first build measured pays the page faults of a fresh heap and the
// later ones reuse its pages. In a host the heap is long warm by the time a plug-in opens.
void warmHeap() {
  constexpr size_t kBytes = size_t(16) << 20;
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * kBytes));
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(kBytes));
  std::vector<void*> blocks;
  for (size_t made = 0; made < kBytes; made += 64 * 1024) {
    blocks.push_back(std::malloc(64 * 1024));
    if (blocks.back()) std::memset(blocks.back(), 1, 64 * 1024);
  }
  for (void* block : blocks) std::free(block);
}

void reportInstantiation(const std::string& path, const std::string& build) {
  void* library = dlopen(path.c_str(), RTLD_LOCAL | RTLD_NOW);
  auto entry =
      library ? reinterpret_cast<VstPluginMainProc>(dlsym(library, "VSTPluginMain")) : nullptr;
  if (!entry) {
    std::fprintf(stderr, "cannot load %s\n", path.c_str());
    if (library) dlclose(library);
    return;
  }
  constexpr int kInstances = 25;
  std::vector<double> microseconds;
  std::vector<AEffect*> effects;
  const size_t heapBefore = heapInUse();
  size_t heapAfterFirst = heapBefore;
  for (int i = 0; i < kInstances; ++i) {
    const auto start = std::chrono::steady_clock::now();
    AEffect* effect = entry(versionOnlyHost);
    if (effect) effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    const auto end = std::chrono::steady_clock::now();
    if (!effect) break;
    effects.push_back(effect);
    if (i == 0) heapAfterFirst = heapInUse();
    microseconds.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  const size_t heapAfter = heapInUse();
  // A rate change of each instance as a host makes it (the rate, then resume): the first
  // builds the tables the others share.
  std::string rateChanges;
  for (float rate : {48000.0f, 96000.0f}) {
    std::vector<double> changes;
    for (AEffect* effect : effects) {
      const auto start = std::chrono::steady_clock::now();
      effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
      effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, rate);
      effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
      changes.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count());
    }
    if (changes.empty()) continue;
    const double first = changes.front();
    std::sort(changes.begin(), changes.end());
    char line[160];
    std::snprintf(line, sizeof line, "%s%.0f kHz: first %.1f ms, median %.2f ms",
                  rateChanges.empty() ? "" : "; ", rate / 1000.0f, first,
                  changes[changes.size() / 2]);
    rateChanges += line;
  }
  for (AEffect* effect : effects) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  dlclose(library);
  if (effects.empty()) return;
  const double first = microseconds.front();
  std::sort(microseconds.begin(), microseconds.end());
  // The first instance may build what later ones share.
  std::printf(
      "%-8s instantiation (VSTPluginMain + effOpen): first %.0f us, median %.0f us, "
      "slowest %.0f us; heap: first instance %.1f KiB, each further one %.1f KiB\n",
      build.c_str(), first, microseconds[microseconds.size() / 2], microseconds.back(),
      static_cast<double>(heapAfterFirst - heapBefore) / 1024.0,
      static_cast<double>(heapAfter - heapAfterFirst) / std::max<size_t>(effects.size() - 1, 1) /
          1024.0);
  std::printf("%-8s rate change (suspend, rate, resume): %s\n", build.c_str(), rateChanges.c_str());
}

// Calls effEditIdle at 60 Hz while the measurement runs, as a host's user-interface thread.
class EditorIdler {
 public:
  explicit EditorIdler(std::vector<Host*> editors) : editors_(std::move(editors)) {
    if (!editors_.empty()) thread_ = std::thread([this] { run(); });
  }
  ~EditorIdler() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
  }

 private:
  void run() {
    while (!stop_.load()) {
      for (Host* host : editors_) host->idleEditor();
      std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
  }
  std::vector<Host*> editors_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

struct Options {
  std::vector<std::string> builds;          // paths; the first is this build
  std::string vst3 = QUENDRAL_VST3_BUNDLE;  // empty: no VST3 subjects
  std::string clap = QUENDRAL_CLAP_PATH;    // empty: no CLAP subjects
  std::vector<double> rates{44100.0, 96000.0};
  int reps = 9;
  double seconds = 20.0;
  bool iem = true;
  bool editor = true;
  bool instructions = false;
  std::string iemDirectory = QUENDRAL_IEM_DIRECTORY;
};

bool parse(int argc, char** argv, Options& options) {
  options.builds.push_back(QUENDRAL_PLUGIN_PATH);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--plugin" && hasValue) {
      options.builds.push_back(argv[++i]);
    } else if (arg == "--vst3" && hasValue) {
      options.vst3 = argv[++i];
    } else if (arg == "--no-vst3") {
      options.vst3.clear();
    } else if (arg == "--clap" && hasValue) {
      options.clap = argv[++i];
    } else if (arg == "--no-clap") {
      options.clap.clear();
    } else if (arg == "--rates" && hasValue) {
      options.rates.clear();
      for (char* p = argv[++i]; *p;) {
        char* end = nullptr;
        const double rate = std::strtod(p, &end);
        if (end == p || !(rate >= 8000.0 && rate <= 384000.0)) return false;
        options.rates.push_back(rate);
        p = *end == ',' ? end + 1 : end;
      }
    } else if (arg == "--reps" && hasValue) {
      options.reps = std::atoi(argv[++i]);
      if (options.reps < 1) return false;
    } else if (arg == "--seconds" && hasValue) {
      options.seconds = std::atof(argv[++i]);
      if (!(options.seconds > 0.0)) return false;
    } else if (arg == "--iem-dir" && hasValue) {
      options.iemDirectory = argv[++i];
    } else if (arg == "--no-iem") {
      options.iem = false;
    } else if (arg == "--no-editor") {
      options.editor = false;
    } else if (arg == "--instructions") {
      options.instructions = true;
    } else {
      return false;
    }
  }
  return true;
}

std::string buildName(size_t index) {
  return index == 0 ? "this" : "build" + std::to_string(index);
}

int run(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: quendral_plugin_bench [--plugin OTHER.so]... [--vst3 BUNDLE | --no-vst3] "
                 "[--clap FILE | --no-clap] "
                 "[--rates 44100,96000] "
                 "[--reps N] [--seconds S] [--iem-dir DIR] [--no-iem] [--no-editor] "
                 "[--instructions]\n");
    return 2;
  }
  for (size_t b = 0; b < options.builds.size(); ++b)
    std::printf("%-8s %s\n", buildName(b).c_str(), options.builds[b].c_str());
  if (!options.instructions) {
    warmHeap();
    for (size_t b = 0; b < options.builds.size(); ++b)
      reportInstantiation(options.builds[b], buildName(b));
  }

  // The editor needs an X server; a private one keeps the user's display out of it.
  x11host::XvfbServer server;
  std::vector<std::unique_ptr<x11host::HostWindow>> windows;
  bool editor = options.editor && !options.instructions;
  if (editor) {
    std::string error;
    if (!server.start(error)) {
      std::printf("no editor measurements: %s\n", error.c_str());
      editor = false;
    }
  }

  Buffers buffers(1 << 16);
  for (const double rate : options.rates) {
    std::vector<std::unique_ptr<Subject>> subjects;
    std::vector<Host*> editors;
    for (size_t b = 0; b < options.builds.size(); ++b) {
      // Moving, steady, moving on the sphere, steady above the horizon, and moving with the
      // editor open.
      for (int kind = 0; kind < kKinds - (editor ? 0 : 1); ++kind) {
        auto subject = quendralSubject(options.builds[b], buildName(b), rate,
                                       kind != 1 && kind != 3, kind == 4, kind == 2, kind == 3);
        if (!subject) return 1;
        if (subject->editorOpen) {
          auto window = std::make_unique<x11host::HostWindow>();
          std::string error;
          Host& host = *subject->chain[0];
          if (!window->open(435, 330, error) || !host.openEditor(window->parentHandle())) {
            std::fprintf(stderr, "the editor did not open %s\n", error.c_str());
            return 1;
          }
          editors.push_back(&host);
          windows.push_back(std::move(window));
        }
        subjects.push_back(std::move(subject));
      }
    }
    const size_t firstVst3 = subjects.size();
    if (!options.vst3.empty()) {
      for (int kind = 0; kind < 2; ++kind) {
        auto subject = vst3Subject(options.vst3, rate, kind == 0);
        if (!subject) return 1;
        subjects.push_back(std::move(subject));
      }
    }
    const size_t firstClap = subjects.size();
    if (!options.clap.empty()) {
      for (int kind = 0; kind < 2; ++kind) {
        auto subject = clapSubject(options.clap, rate, kind == 0);
        if (!subject) return 1;
        subjects.push_back(std::move(subject));
      }
    }
    if (options.iem) {
      auto peer = iemSubject(options.iemDirectory, rate);
      if (!peer) return 1;
      subjects.push_back(std::move(peer));
    }

    const auto blocksFor = [&](double seconds) {
      return std::max<int32_t>(kChunkBlocks, static_cast<int32_t>(seconds * rate / kBlock));
    };
    size_t pos = 0;
    // Warm-up: caches, lazily built state, the steady angle's glide to its target.
    for (auto& subject : subjects) processBlocks(*subject, buffers, blocksFor(1.0), pos);

    if (options.instructions) {
      const int32_t blocks = blocksFor(options.seconds);
      for (auto& subject : subjects) {
        CALLGRIND_TOGGLE_COLLECT;
        processBlocks(*subject, buffers, blocks, pos);
        CALLGRIND_TOGGLE_COLLECT;
        char name[200];
        std::snprintf(name, sizeof name, "%s | %s | %.0f Hz | frames=%d", subject->build.c_str(),
                      subject->label.c_str(), rate, blocks * kBlock / kFrame);
        CALLGRIND_DUMP_STATS_AT(name);
      }
      continue;
    }

    const int32_t chunks = (blocksFor(options.seconds) + kChunkBlocks - 1) / kChunkBlocks;
    const double audioSeconds = static_cast<double>(chunks) * kChunkBlocks * kBlock / rate;
    {
      EditorIdler idler(editors);
      for (int rep = 0; rep < options.reps; ++rep) {
        for (auto& subject : subjects) subject->cpuSeconds = 0.0;
        for (int32_t chunk = 0; chunk < chunks; ++chunk) {
          // A different subject goes first in each chunk.
          for (size_t k = 0; k < subjects.size(); ++k) {
            Subject& subject = *subjects[(k + static_cast<size_t>(chunk)) % subjects.size()];
            subject.cpuSeconds += processBlocks(subject, buffers, kChunkBlocks, pos);
          }
        }
        for (auto& subject : subjects)
          subject->factors.push_back(audioSeconds / subject->cpuSeconds);
      }
    }
    for (Host* host : editors) host->closeEditor();
    // What the sphere costs beside the circle, moving and steady, build by build.
    for (size_t b = 0; b < options.builds.size(); ++b) {
      const size_t first = b * static_cast<size_t>(kKinds - (editor ? 0 : 1));
      std::printf(
          "%-8s moving on the sphere / moving angle: %.2fx the time; steady at "
          "elevation 30 / steady: %.2fx\n",
          subjects[first]->build.c_str(),
          median(subjects[first]->factors) / median(subjects[first + 2]->factors),
          median(subjects[first + 1]->factors) / median(subjects[first + 3]->factors));
    }

    std::printf("\n%.0f Hz, %d-sample blocks, median of %d repetitions of %.1f s of audio each\n",
                rate, kBlock, options.reps, audioSeconds);
    std::printf("%-8s %-48s %10s %10s %10s %8s\n", "build", "subject", "RTF", "min", "max",
                "x peer");
    double peer = 0.0;
    if (options.iem) peer = median(subjects.back()->factors);
    for (auto& subject : subjects) {
      const double factor = median(subject->factors);
      const auto [low, high] =
          std::minmax_element(subject->factors.begin(), subject->factors.end());
      std::printf("%-8s %-48s %10.0f %10.0f %10.0f", subject->build.c_str(), subject->label.c_str(),
                  factor, *low, *high);
      if (peer > 0.0 && !subject->build.empty()) std::printf(" %8.2f", factor / peer);
      std::printf("\n");
    }
    // Each build against this one, subject by subject.
    const size_t perBuild = editor ? 4 : 3;
    for (size_t b = 1; b < options.builds.size(); ++b) {
      for (size_t kind = 0; kind < perBuild && kind < subjects.size(); ++kind) {
        const Subject& ours = *subjects[kind];
        const Subject& other = *subjects[b * perBuild + kind];
        std::printf("this / %s, %-36s %6.2fx\n", other.build.c_str(), ours.label.c_str(),
                    median(ours.factors) / median(other.factors));
      }
    }
    // The VST3 build against this VST2 build, case by case.
    for (size_t kind = 0; !options.vst3.empty() && kind < 2; ++kind) {
      const Subject& vst2 = *subjects[kind];
      const Subject& vst3 = *subjects[firstVst3 + kind];
      std::printf("vst3 / this (VST2), %-30s %6.3fx\n", vst2.label.c_str(),
                  median(vst3.factors) / median(vst2.factors));
    }
    // The CLAP build against this VST2 build, case by case.
    for (size_t kind = 0; !options.clap.empty() && kind < 2; ++kind) {
      const Subject& vst2 = *subjects[kind];
      const Subject& clap = *subjects[firstClap + kind];
      std::printf("clap / this (VST2), %-30s %6.3fx\n", vst2.label.c_str(),
                  median(clap.factors) / median(vst2.factors));
    }
    for (size_t b = 0; editor && b < options.builds.size(); ++b) {
      const Subject& closed = *subjects[b * perBuild];
      const Subject& open = *subjects[b * perBuild + 3];
      std::printf("%-8s editor open costs the audio thread %+.1f%%\n", closed.build.c_str(),
                  100.0 * (median(closed.factors) / median(open.factors) - 1.0));
    }
  }
  return 0;
}

}  // namespace

}  // namespace panner

int main(int argc, char** argv) { return panner::run(argc, argv); }
