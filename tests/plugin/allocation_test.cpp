// The behaviour suite counts the audio thread's allocations in every format; here what only
// VST2's entries do on that thread: process() beside processReplacing(), event lists,
// negative counts, missing buffers and setParameter (automation) between the blocks.
#include "allocation_counter.h"
#include "plugin_fixture.h"

#include <cstddef>

TEST_F(PluginTest, TheAudioThreadsEntriesAllocateNothing) {
  if (!quendral_test::allocationCountingWorks()) GTEST_SKIP() << "no allocator hooks here";
  std::vector<float> input = testSignal(8192), out0(8192), out1(8192);
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
    quendral_test::CountAllocations scope;
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
