// What VST2's event lists add: unreported, masked, in order, malformed ones skipped; and a
// synced LFO asking the host for its time once per frame.
#include <vector>

#include "plugin_fixture.h"

namespace {
vsthost::MidiMessage pan(int value, int channel = 0) {
  return {static_cast<unsigned char>(0xB0 | channel), 10, static_cast<unsigned char>(value), 0};
}
}  // namespace

TEST_F(PluginTest, EventListsAreReadInOrderMaskedAndUnreported) {
  EXPECT_EQ(host->sendMidi({pan(96, 15), {0xB0, 7, 0, 0}}), 1);
  EXPECT_TRUE(host->recorder().automateCalls().empty());
  EXPECT_EQ(host->parameterDisplay(0), "90.0");
  host->sendMidi({pan(0x80 | 32)});  // the data byte's top bit is masked off
  EXPECT_EQ(host->parameterDisplay(0), "-90.0");
  host->sendMidi({pan(96), pan(32)});
  EXPECT_EQ(host->parameterDisplay(0), "-90.0");

  VstMidiEvent left{};
  left.type = kVstMidiType;
  left.byteSize = sizeof left;
  left.midiData[0] = static_cast<char>(0xB0);
  left.midiData[1] = 10;
  VstEvents list{};
  EXPECT_EQ(host->sendEvents(nullptr), 1);
  list.numEvents = -5;
  list.events[0] = reinterpret_cast<VstEvent*>(&left);
  EXPECT_EQ(host->sendEvents(&list), 1);
  EXPECT_EQ(host->parameterDisplay(0), "-90.0");
  list.numEvents = 2;
  list.events[0] = nullptr;  // skipped; the next event still applies
  list.events[1] = reinterpret_cast<VstEvent*>(&left);
  EXPECT_EQ(host->sendEvents(&list), 1);
  EXPECT_EQ(host->parameterDisplay(0), "-180.0");
  VstEvent sysex{};
  sysex.type = kVstSysExType;  // with a controller's bytes where a MIDI event has them
  sysex.data[8] = static_cast<char>(0xB0);
  sysex.data[9] = 10;
  sysex.data[10] = 64;
  list.numEvents = 1;
  list.events[0] = &sysex;
  host->sendEvents(&list);
  EXPECT_EQ(host->parameterDisplay(0), "-180.0");
}

TEST_F(PluginTest, SyncedLfoTakesItsSpeedFromTheHostTempoOncePerFrame) {
  host->setParameter(4, 1.0f);  // running forwards at one cycle per second
  host->setParameter(1, 0.5f);  // sync is on only above 0.5
  host->render(std::vector<float>(4 * 128, 0.0f), 100);
  EXPECT_EQ(host->recorder().timeRequests(), 0);
  host->setParameter(1, 1.0f);
  host->setTempo(120.0);
  host->render(std::vector<float>(4 * 128, 0.0f), 100);
  EXPECT_EQ(host->recorder().timeRequests(), 4);
  // The song position comes in the same answer.
  EXPECT_EQ(host->recorder().lastTimeFilter(), kVstTempoValid | kVstPpqPosValid);
  EXPECT_EQ(host->parameterDisplay(4), "2.00");  // 120 beats per minute
  // A host without a valid tempo leaves the speed where it was.
  host->setTempoValid(false);
  host->setTempo(60.0);
  host->render(std::vector<float>(4 * 128, 0.0f), 100);
  EXPECT_EQ(host->parameterDisplay(4), "2.00");
}
