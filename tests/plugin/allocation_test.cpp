// The audio thread must not allocate: every allocator call made while the VST2 entries the
// audio thread calls run is counted (allocation_counter.h), events and both process calls
// included. The behaviour suite counts the same for every format through its processor.
#include "allocation_counter.h"
#include "plugin_fixture.h"

using quendral_test::allocatorCalls;
using quendral_test::CountAllocations;

class AllocationTest : public PluginTest {
 protected:
  void SetUp() override {
#if defined(QUENDRAL_NO_ALLOCATOR_HOOKS)
    GTEST_SKIP() << "allocator replacement conflicts with the sanitizer runtime in this build";
#endif
    PluginTest::SetUp();
  }
};

TEST_F(AllocationTest, CountingSeesThePluginsOwnAllocations) {
  {
    CountAllocations scope;
    void* volatile pointer = std::malloc(16);
    std::free(pointer);
    EXPECT_EQ(allocatorCalls.load(), 2);
  }
  // Closing frees the plug-in's object: those calls must be seen too, or the test below
  // would prove nothing.
  CountAllocations scope;
  host->close();
  EXPECT_GT(allocatorCalls.load(), 0);
}

TEST_F(AllocationTest, ProcessingAndMidiAllocateNothing) {
  std::vector<float> input = testSignal(8192);
  std::vector<float> out0(8192), out1(8192);
  float* in[] = {input.data()};
  float* outs[] = {out0.data(), out1.data()};
  float* noInput[] = {nullptr};

  // Every kind of block and event list the host may send, including the LFO synced to the
  // host's tempo (which asks the host for time on the audio thread).
  std::vector<VstMidiEvent> midi(4);
  const unsigned char bytes[4][3] = {
      {0xB0, 10, 30}, {0xB3, 12, 90}, {0x90, 60, 100}, {0xB0, 7, 70}};
  std::vector<unsigned char> storage(offsetof(VstEvents, events) + 4 * sizeof(VstEvent*));
  auto* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = 4;
  for (int i = 0; i < 4; ++i) {
    midi[i].type = kVstMidiType;
    midi[i].byteSize = sizeof(VstMidiEvent);
    for (int b = 0; b < 3; ++b) midi[i].midiData[b] = static_cast<char>(bytes[i][b]);
    list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
  }
  host->setParameter(1, 1.0f);  // tempo sync on

  // At 44.1 kHz and at 96 kHz, where the filters run over three partitions. Preparing a
  // rate allocates; it happens while the host has processing suspended, outside the count.
  for (double rate : {44100.0, 96000.0}) {
    host->suspend();
    host->setSampleRate(rate);
    host->resume();
    CountAllocations scope;
    for (bool bypassed : {false, true}) {
      effect()->dispatcher(effect(), effSetBypass, 0, bypassed, nullptr, 0.0f);
      effect()->dispatcher(effect(), effProcessEvents, 0, 0, list, 0.0f);
      for (int32_t frames : {1, 64, 127, 128, 1000, 8192, 0, -5}) {
        effect()->processReplacing(effect(), in, outs, frames);
        effect()->process(effect(), in, outs, frames);
      }
      effect()->processReplacing(effect(), noInput, outs, 300);
      effect()->processReplacing(effect(), nullptr, nullptr, 300);
      effect()->setParameter(effect(), 4, 0.9f);  // automation on the audio thread
      effect()->setParameter(effect(), 18, 0.5f);
    }
    EXPECT_EQ(allocatorCalls.load(), 0) << rate;
  }
}
