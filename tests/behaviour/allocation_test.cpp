// The audio thread allocates nothing in any format: every allocator call made while the
// processor's process() runs is counted (allocation_counter.h), with parameter changes,
// program changes, controllers, bypass and the host's tempo arriving in the blocks, at
// 44.1 and at 96 kHz (where the filters run over three partitions).
#include "allocation_counter.h"
#include "plugin_formats.h"

namespace quendral_test {
namespace {

class NoAllocation : public EveryFormat {
 protected:
  void SetUp() override {
    if (!allocationCountingWorks())
      GTEST_SKIP() << "allocator replacement conflicts with the sanitizer runtime in this build";
  }
};

// The count sees the test's own calls and the plug-in's (its destruction frees memory):
// otherwise the test below would prove nothing.
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

}  // namespace
}  // namespace quendral_test
