// The audio thread allocates nothing in any format, at 44.1 and 96 kHz (three partitions).
#include <cstddef>

#include "allocation_counter.h"
#include "plugin_formats.h"
#include "plugin_host.h"

namespace quendral_test {
namespace {

class NoAllocation : public EveryFormat {
 protected:
  void SetUp() override {
    if (!allocationCountingWorks())
      GTEST_SKIP() << "allocator replacement conflicts with the sanitizer runtime in this build";
  }
};

// The count sees the test's calls and the plug-in's, or the test below would prove nothing.
TEST_P(NoAllocation, TheCounterSeesThePluginsCalls) {
  auto plugin = open();
  CountAllocations scope;
  void* volatile pointer = std::malloc(16);
  std::free(pointer);
  EXPECT_EQ(scope.count(), 2);
  plugin.reset();
  EXPECT_GT(scope.count(), 2);
}

TEST_P(NoAllocation, ProcessingAllocatesNothing) {
  std::vector<float> input = noise(8192);
  std::vector<float> left(8192), right(8192);
  float* in[1] = {input.data()};
  float* outs[2] = {left.data(), right.data()};
  float* none[1] = {nullptr};
  for (double rate : {44100.0, 96000.0}) {
    SCOPED_TRACE(rate);
    // Preparing a rate allocates; it happens while the host has processing stopped.
    auto plugin = open(rate, 8192);
    plugin->setParameter(1, 1.0f);  // tempo sync on: the plug-in reads the host's time
    plugin->process(in, outs, 512);
    for (bool bypassed : {false, true}) {
      plugin->setBypass(bypassed);
      plugin->setParameter(4, 0.9f);
      plugin->setParameter(18, 0.5f);
      plugin->selectProgram(bypassed ? 2 : 1);
      plugin->sendMidi(0xB0, 10, 30);
      plugin->sendMidi(0xB3, 12, 90);
      plugin->sendMidi(0x90, 60, 100);
      CountAllocations scope;
      for (int frames : {1, 64, 127, 128, 1000, 8192, 0}) plugin->process(in, outs, frames);
      plugin->process(none, outs, 300);
      EXPECT_EQ(scope.count(), 0) << (bypassed ? "bypassed" : "processing");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, NoAllocation, ::testing::ValuesIn(pluginFormats()), formatName);

// VST2's own entries: process(), event lists, bad counts and buffers, setParameter.
TEST(NoAllocationInVst2, TheAudioThreadsEntriesAllocateNothing) {
  if (!allocationCountingWorks()) GTEST_SKIP() << "no allocator hooks here";
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(host) << error;
  host->open(44100.0, 512);
  std::vector<float> input = noise(8192), out0(8192), out1(8192);
  float* in[] = {input.data()};
  float* outs[] = {out0.data(), out1.data()};
  float* noInput[] = {nullptr};
  VstMidiEvent events[3]{};
  const unsigned char bytes[3][3] = {{0xB0, 10, 30}, {0xB3, 12, 90}, {0x90, 60, 100}};
  std::vector<unsigned char> storage(offsetof(VstEvents, events) + 3 * sizeof(VstEvent*));
  auto* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = 3;
  for (int i = 0; i < 3; ++i) {
    events[i].type = kVstMidiType;
    events[i].byteSize = sizeof(VstMidiEvent);
    for (int b = 0; b < 3; ++b) events[i].midiData[b] = static_cast<char>(bytes[i][b]);
    list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
  }
  host->setParameter(1, 1.0f);  // tempo sync: the plug-in asks the host for time
  AEffect* e = host->effect();
  for (double rate : {44100.0, 96000.0}) {
    host->suspend();  // preparing a rate allocates, with processing suspended
    host->setSampleRate(rate);
    host->resume();
    CountAllocations scope;
    for (bool bypassed : {false, true}) {
      e->dispatcher(e, effSetBypass, 0, bypassed, nullptr, 0.0f);
      e->dispatcher(e, effProcessEvents, 0, 0, list, 0.0f);
      for (int32_t frames : {1, 127, 1000, 8192, 0, -5}) {
        e->processReplacing(e, in, outs, frames);
        e->process(e, in, outs, frames);
      }
      e->processReplacing(e, noInput, outs, 300);
      e->processReplacing(e, nullptr, nullptr, 300);
      e->setParameter(e, 4, 0.9f);
      e->setParameter(e, 18, 0.5f);
    }
    EXPECT_EQ(scope.count(), 0) << rate;
  }
}

}  // namespace
}  // namespace quendral_test
