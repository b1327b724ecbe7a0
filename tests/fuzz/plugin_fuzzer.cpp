// Fuzz target: a careless or hostile host drives the built plug-in through the tools' VST2
// host; a broken rule aborts, so libFuzzer keeps the input.
#include <fuzzer/FuzzedDataProvider.h>
#include <zlib.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "plugin_host.h"

using vsthost::PluginHost;

namespace {

constexpr int kFrame = 128;
constexpr int32_t kMaxBlock = 8192;
constexpr double kMeasuredRate = 44100.0;
// +12 dB times the largest absolute sum of any ear's response (about 11), with headroom.
constexpr float kOutputBound = 64.0f;
constexpr int kMaxOperations = 256;
constexpr int64_t kMaxSamplesPerInput = 1 << 17;  // keeps one input fast
constexpr std::size_t kChunkHeaderSize = 20;      // magic, versions, kind, length, checksum
constexpr std::size_t kCanaryBufferSize = 512;
constexpr char kCanary = static_cast<char>(0xCD);

// How long unusual input may still sound: two frames and the response (longer above 44.1 kHz).
int64_t cleanSamplesNeeded(double highestRateSet) {
  if (!(highestRateSet > kMeasuredRate)) return 3 * kFrame;
  const double rate = std::min(highestRateSet, 384000.0);
  return kFrame * (3 + static_cast<int64_t>(std::ceil(rate / kMeasuredRate)));
}

[[noreturn]] void fail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::fputs("plug-in broke a host's expectation: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  std::abort();
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kUnusualSamples[] = {
    kNaN,    kInf,     -kInf, std::numeric_limits<float>::denorm_min(),
    -1e-40f, FLT_MIN,  1e30f, -1e30f,
    FLT_MAX, -FLT_MAX, 2.0f,  -1e5f};
constexpr float kUnusualParameterValues[] = {kNaN,       kInf, -kInf, -1.0f,   -1e-45f,
                                             1.0000001f, 5.0f, 1e30f, FLT_MAX, -FLT_MAX,
                                             0.5f,       0.0f, 1.0f};
constexpr double kUnusualTempos[] = {kNaN,  kInf,    -kInf, 0.0,   -120.0, 1e-300,
                                     1e300, DBL_MAX, 20.0,  120.0, 999.0};
constexpr float kOddSampleRates[] = {0.0f,      -1.0f,    1.0f,     8000.0f,  11025.0f,  22050.0f,
                                     44100.0f,  48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f,
                                     384000.0f, 1e6f,     44100.5f, FLT_MAX,  kNaN,      kInf};
constexpr intptr_t kOddBlockSizes[] = {0, -1, 1, 7, 64, 127, 128, 129, 512, 4096, 8192, INT32_MAX};

template <typename T, std::size_t N>
T pick(FuzzedDataProvider& in, const T (&table)[N]) {
  return table[in.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

// A heap copy with its terminator, so the sanitizers see reads past its end.
std::vector<char> terminated(const std::string& text) {
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back(0);
  return copy;
}

// Writes the payload's length and CRC-32 into a chunk's header: edits get past them.
void seal(std::vector<char>& bytes) {
  if (bytes.size() < kChunkHeaderSize) return;
  const uint32_t length = static_cast<uint32_t>(bytes.size() - kChunkHeaderSize);
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data() + kChunkHeaderSize), length));
  std::memcpy(&bytes[12], &length, sizeof length);
  std::memcpy(&bytes[16], &crc, sizeof crc);
}

class Session {
 public:
  Session(PluginHost& host, FuzzedDataProvider& in)
      : host_(host), effect_(host.effect()), in_(in) {}

  void run() {
    timeFlags(kVstTempoValid);  // a stopped transport with a tempo, until the input says else
    // Processing is drawn twice as often as each other operation.
    static constexpr void (Session::*kOperations[])() = {
        &Session::process, &Session::process,          &Session::setParameter,
        &Session::texts,   &Session::dispatchAny,      &Session::midi,
        &Session::mains,   &Session::rateAndBlockSize, &Session::hostTime,
        &Session::chunks,  &Session::programs,         &Session::bypass};
    for (int operation = 0; operation < kMaxOperations && in_.remaining_bytes() > 0; ++operation) {
      (this->*kOperations[in_.ConsumeIntegralInRange(0, 11)])();
      for (int32_t index = -1; index <= 25; ++index) {
        const float value = host_.getParameter(index);
        if (!(value >= 0.0f && value <= 1.0f))
          fail("getParameter(%d) answered %g", index, static_cast<double>(value));
      }
    }
  }

 private:
  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f) {
    if (opcode == effSetSampleRate && opt > highestRateSet_) highestRateSet_ = opt;  // not NaN
    return host_.dispatch(opcode, index, value, ptr, opt);
  }

  int32_t anyIndex() {
    return in_.ConsumeIntegralInRange(0, 7) == 0 ? in_.ConsumeIntegral<int32_t>()
                                                 : in_.ConsumeIntegralInRange<int32_t>(-2, 26);
  }

  float anyParameterValue() {
    switch (in_.ConsumeIntegralInRange(0, 2)) {
      case 0:
        return pick(in_, kUnusualParameterValues);
      case 1:
        return in_.ConsumeFloatingPoint<float>();
      default:
        return in_.ConsumeProbability<float>();
    }
  }

  // Silence, a sine, noise, any bit patterns or one unusual value; then up to four spikes.
  void fillInput(int32_t frames) {
    float* x = input_.data();
    const int kind = in_.ConsumeIntegralInRange(0, 4);
    std::fill(x, x + frames, 0.0f);
    if (kind == 1) {
      const float cycles = in_.ConsumeFloatingPointInRange(0.0f, 0.5f);
      const float level = in_.ConsumeProbability<float>();
      for (int32_t i = 0; i < frames; ++i)
        x[i] = level * std::sin(6.2831853f * cycles * static_cast<float>(i));
    } else if (kind == 2) {
      uint32_t state = in_.ConsumeIntegral<uint32_t>();
      const float level = in_.ConsumeProbability<float>();
      for (int32_t i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        x[i] = level * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
      }
    } else if (kind == 3) {
      const std::vector<uint8_t> bytes =
          in_.ConsumeBytes<uint8_t>(static_cast<std::size_t>(frames) * sizeof(float));
      if (!bytes.empty()) std::memcpy(x, bytes.data(), bytes.size());
    } else if (kind == 4) {
      std::fill(x, x + frames, pick(in_, kUnusualSamples));
    }
    for (int spikes = in_.ConsumeIntegralInRange(0, 4); spikes > 0 && frames > 0; --spikes) {
      const int32_t at = in_.ConsumeIntegralInRange<int32_t>(0, frames - 1);
      x[at] = pick(in_, kUnusualSamples);
    }
  }

  void process() {
    int32_t frames = in_.ConsumeIntegralInRange<int32_t>(-1, kMaxBlock);
    if (samplesProcessed_ + frames > kMaxSamplesPerInput) frames = 0;
    const bool accumulate = in_.ConsumeBool();
    // 0..2: a pointer left out; 3: the double-precision entry instead
    const int missing = in_.ConsumeIntegralInRange(0, 15);
    if (frames > 0) fillInput(frames);
    std::fill(output0_.begin(), output0_.end(), 0.0f);
    std::fill(output1_.begin(), output1_.end(), 0.0f);
    float* inputs[] = {missing == 0 ? nullptr : input_.data()};
    float* outputs[] = {output0_.data(), output1_.data()};
    if (missing == 3 && effect_->processDoubleReplacing) {
      // Not offered (no double-precision flag), but a careless host may call it anyway.
      std::vector<double> in64(input_.begin(), input_.end()), out64(2 * kMaxBlock);
      double* inputs64[] = {in64.data()};
      double* outputs64[] = {out64.data(), out64.data() + kMaxBlock};
      effect_->processDoubleReplacing(effect_, inputs64, outputs64, frames);
      return;
    }
    (host_.*(accumulate ? &PluginHost::process : &PluginHost::processReplacing))(
        missing == 1 ? nullptr : inputs, missing == 2 ? nullptr : outputs, frames);
    if (frames <= 0) return;
    samplesProcessed_ += frames;
    const bool inputRead = missing != 0 && missing != 1;
    for (int32_t i = 0; i < frames; ++i) {
      const float x = inputRead ? input_[i] : 0.0f;
      const bool ordinary = std::isfinite(x) && std::fabs(x) <= 1.0f;
      samplesSinceUnusualInput_ = ordinary ? samplesSinceUnusualInput_ + 1 : 0;
      if (missing == 2 || samplesSinceUnusualInput_ < cleanSamplesNeeded(highestRateSet_)) continue;
      for (const float y : {output0_[i], output1_[i]})
        if (!(std::fabs(y) <= kOutputBound))
          fail("output %g after ordinary input", static_cast<double>(y));
    }
  }

  void setParameter() {
    const int32_t index = anyIndex();
    const float value = anyParameterValue();
    host_.setParameter(index, value);
  }

  // A text request: terminated within `size` when written, nothing past `size`.
  void checkText(const char* what, int32_t index, std::size_t size, bool mustWrite, int32_t opcode,
                 intptr_t value = 0) {
    char buffer[kCanaryBufferSize];
    std::memset(buffer, kCanary, sizeof buffer);
    const bool wrote = dispatch(opcode, index, value, buffer) != 0 || mustWrite;
    if (wrote && !std::memchr(buffer, 0, size))
      fail("%s for index %d is not terminated within %zu bytes", what, index, size);
    for (std::size_t i = size; i < sizeof buffer; ++i)
      if (buffer[i] != kCanary) fail("%s for index %d wrote beyond %zu bytes", what, index, size);
  }

  void texts() {
    static constexpr struct {
      const char* what;
      int32_t opcode;
      std::size_t size;  // display and label: 8 characters; names: 23
      bool mustWrite;
    } kTexts[] = {{"display", effGetParamDisplay, kVstMaxParamStrLen + 1, true},
                  {"label", effGetParamLabel, kVstMaxParamStrLen + 1, true},
                  {"name", effGetParamName, 24, true},
                  {"program name", effGetProgramName, kVstMaxProgNameLen, true},
                  {"effect name", effGetEffectName, kVstMaxEffectNameLen, false},
                  {"vendor", effGetVendorString, kVstMaxVendorStrLen, false},
                  {"product", effGetProductString, kVstMaxProductStrLen, false},
                  {"indexed program name", effGetProgramNameIndexed, kVstMaxProgNameLen, false}};
    const int32_t index = anyIndex();
    const auto& text = kTexts[in_.ConsumeIntegralInRange(0, 7)];
    // The indexed name's program number travels in value.
    const intptr_t program =
        text.opcode == effGetProgramNameIndexed ? in_.ConsumeIntegralInRange<intptr_t>(-1, 9) : 0;
    checkText(text.what, index, text.size, text.mustWrite, text.opcode, program);
  }

  // Any request, except those whose ptr needs a record (made by their own operations), the
  // editor (it needs a window) and effClose.
  void dispatchAny() {
    const int32_t opcode = in_.ConsumeIntegralInRange(0, 15) == 0
                               ? in_.ConsumeIntegral<int32_t>()
                               : in_.ConsumeIntegralInRange<int32_t>(-1, 80);
    if (opcode == effClose || opcode == effEditOpen || opcode == effProcessEvents ||
        opcode == effGetChunk || opcode == effSetChunk)
      return;
    const int32_t index = anyIndex();
    intptr_t value = in_.ConsumeIntegral<intptr_t>();
    const float opt = in_.ConsumeBool() ? pick(in_, kOddSampleRates) : anyParameterValue();
    std::vector<char> text = terminated(in_.ConsumeRandomLengthString(300));
    alignas(16) char scratch[kCanaryBufferSize] = {};
    alignas(16) char secondScratch[kCanaryBufferSize] = {};
    void* ptr = scratch;
    if (opcode == effCanDo || opcode == effString2Parameter || opcode == effSetProgramName)
      ptr = text.data();
    // These two carry a pointer in value as well.
    if (opcode == effGetSpeakerArrangement || opcode == effSetSpeakerArrangement)
      value = reinterpret_cast<intptr_t>(secondScratch);
    if (in_.ConsumeIntegralInRange(0, 7) == 0) ptr = nullptr;
    dispatch(opcode, index, value, ptr, opt);
  }

  // A list allocated as hosts do (exactly count pointers, at least two): mostly mapped
  // control changes, some missing, sysex or of an unknown type.
  void midi() {
    const int count = in_.ConsumeIntegralInRange(0, 40);
    std::vector<VstMidiEvent> events(static_cast<std::size_t>(count));
    std::vector<VstMidiSysexEvent> sysex(static_cast<std::size_t>(count));
    char dump[16] = {};
    std::vector<unsigned char> storage(offsetof(VstEvents, events) +
                                       static_cast<std::size_t>(std::max(count, 2)) *
                                           sizeof(VstEvent*));
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = count;
    VstEvent** pointers = vstEventPointers(list);
    for (int i = 0; i < count; ++i) {
      VstMidiEvent& event = events[static_cast<std::size_t>(i)];
      event.type = kVstMidiType;
      event.byteSize = sizeof event;
      event.deltaFrames = in_.ConsumeIntegralInRange<int32_t>(-1, 600);
      const uint32_t bytes = in_.ConsumeIntegral<uint32_t>();
      static constexpr char kMappedControllers[] = {7, 10, 12, 13};
      event.midiData[0] = static_cast<char>(bytes & 0xFF);
      event.midiData[1] = (bytes & 0x100) ? kMappedControllers[(bytes >> 9) & 3]
                                          : static_cast<char>((bytes >> 9) & 0xFF);
      event.midiData[2] = static_cast<char>(bytes >> 24);
      pointers[i] = reinterpret_cast<VstEvent*>(&event);
      const int shape = in_.ConsumeIntegralInRange(0, 15);
      if (shape == 0) {
        pointers[i] = nullptr;
      } else if (shape == 1) {
        VstMidiSysexEvent& message = sysex[static_cast<std::size_t>(i)];
        message.type = kVstSysExType;
        message.byteSize = sizeof message;
        message.dumpBytes = sizeof dump;
        message.sysexDump = dump;
        pointers[i] = reinterpret_cast<VstEvent*>(&message);
      } else if (shape == 2) {
        event.type = in_.ConsumeIntegral<int32_t>();
      } else {
        event.midiData[0] = static_cast<char>(0xB0 | (bytes & 0x0F));  // a control change
      }
    }
    if (dispatch(effProcessEvents, 0, 0, list) != 1) fail("effProcessEvents did not answer 1");
  }

  void mains() { dispatch(effMainsChanged, 0, in_.ConsumeIntegralInRange<intptr_t>(-1, 2)); }

  void rateAndBlockSize() {
    if (in_.ConsumeBool())
      dispatch(effSetSampleRate, 0, 0, nullptr, pick(in_, kOddSampleRates));
    else
      dispatch(effSetBlockSize, 0, pick(in_, kOddBlockSizes));
  }

  // The flags the plug-in reads; the host fills the fields they vouch for.
  void timeFlags(int32_t flags) {
    host_.setTempoValid(flags & kVstTempoValid);
    host_.setTransportPlaying(flags & kVstTransportPlaying);
    host_.setPositionValid(flags & kVstPpqPosValid);
  }

  void hostTime() {
    host_.setTimeRecordGiven(in_.ConsumeIntegralInRange(0, 3) != 0);
    timeFlags(in_.ConsumeBool() ? kVstTempoValid : in_.ConsumeIntegral<int32_t>());
    host_.setTempo(in_.ConsumeBool() ? pick(in_, kUnusualTempos)
                                     : in_.ConsumeFloatingPoint<double>());
  }

  std::vector<float> parameterValues() {
    std::vector<float> values;
    for (int32_t index = 0; index < 25; ++index) values.push_back(host_.getParameter(index));
    return values;
  }

  std::vector<char> currentChunk(int32_t index) {
    void* data = nullptr;
    const intptr_t size = dispatch(effGetChunk, index, 0, &data);
    if (size < 0 || (size > 0 && !data))
      fail("effGetChunk %d answered %lld", index, static_cast<long long>(size));
    const char* bytes = static_cast<const char*>(data);
    return size > 0 ? std::vector<char>(bytes, bytes + size) : std::vector<char>();
  }

  // The saved chunk restored unchanged (it must be taken back); or edited, cut or lengthened
  // and mostly resealed; or any bytes, sometimes behind a valid header. Exact heap copies.
  void chunks() {
    const int32_t index = in_.ConsumeIntegralInRange(0, 1);
    const int kind = in_.ConsumeIntegralInRange(0, 2);
    std::vector<char> bytes;
    if (kind == 0) {
      const std::vector<char> saved = currentChunk(index);
      std::vector<char> copy(saved);
      if (!saved.empty() &&
          dispatch(effSetChunk, index, static_cast<intptr_t>(copy.size()), copy.data()) != 1)
        fail("the plug-in refused its own chunk %d", index);
      return;
    }
    if (kind == 1) {
      bytes = currentChunk(index);
      for (int edits = in_.ConsumeIntegralInRange(0, 8); edits > 0 && !bytes.empty(); --edits) {
        const std::size_t at = in_.ConsumeIntegralInRange<std::size_t>(0, bytes.size() - 1);
        if (in_.ConsumeBool() && at + sizeof(float) <= bytes.size()) {
          const float value = anyParameterValue();  // often NaN, infinite or huge
          std::memcpy(&bytes[at & ~std::size_t{3}], &value, sizeof value);
        } else {
          bytes[at] = in_.ConsumeIntegral<char>();
        }
      }
      if (in_.ConsumeIntegralInRange(0, 3) == 0)
        bytes.resize(in_.ConsumeIntegralInRange<std::size_t>(0, bytes.size() + 64));
      if (in_.ConsumeIntegralInRange(0, 3) != 0) seal(bytes);
    } else {
      bytes = in_.ConsumeBytes<char>(in_.ConsumeIntegralInRange<std::size_t>(0, 2048));
      if (in_.ConsumeBool() && bytes.size() >= kChunkHeaderSize) {
        std::memcpy(bytes.data(), "QNDR\x01\x00\x00\x00", 8);
        const uint32_t chunkKind = static_cast<uint32_t>(index);
        std::memcpy(&bytes[8], &chunkKind, sizeof chunkKind);
        seal(bytes);
      }
    }
    const std::vector<float> before = parameterValues();
    const intptr_t answer = dispatch(effSetChunk, index, static_cast<intptr_t>(bytes.size()),
                                     bytes.empty() ? nullptr : bytes.data());
    if (answer == 0 && parameterValues() != before) fail("a refused chunk changed parameters");
  }

  void programs() {
    if (in_.ConsumeBool()) {
      dispatch(effSetProgram, 0, in_.ConsumeIntegralInRange<intptr_t>(-2, 9));
    } else {
      std::vector<char> name = terminated(in_.ConsumeRandomLengthString(100));
      dispatch(effSetProgramName, 0, 0, name.data());
    }
  }

  void bypass() {
    const intptr_t value = in_.ConsumeIntegralInRange<intptr_t>(-1, 2);
    if (dispatch(effSetBypass, 0, value) != (value != 0 ? 1 : 0))
      fail("effSetBypass %lld did not answer the new state", static_cast<long long>(value));
  }

  PluginHost& host_;
  AEffect* effect_;
  FuzzedDataProvider& in_;
  std::vector<float> input_ = std::vector<float>(kMaxBlock);
  std::vector<float> output0_ = std::vector<float>(kMaxBlock);
  std::vector<float> output1_ = std::vector<float>(kMaxBlock);
  int64_t samplesProcessed_ = 0;
  double highestRateSet_ = kMeasuredRate;
  int64_t samplesSinceUnusualInput_ = std::numeric_limits<int64_t>::max() / 2;  // silent so far
};

}  // namespace

// One instance stays open for the run (and past it, so the library is never unloaded under
// the leak check): the shared response tables are built once.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string error;
  static PluginHost* const keeper = PluginHost::load(QUENDRAL_PLUGIN_PATH, error).release();
  if (!keeper) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const bool versionKnown = in.ConsumeIntegralInRange(0, 31) != 0;
  PluginHost::setVersionAnswer(versionKnown ? 2400 : 0);
  std::string error;
  std::unique_ptr<PluginHost> host = PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  if (!versionKnown) {
    if (host) fail("the plug-in loaded into a host that answered version 0");
    return 0;
  }
  if (!host) fail("%s", error.c_str());
  Session(*host, in).run();
  return 0;
}
