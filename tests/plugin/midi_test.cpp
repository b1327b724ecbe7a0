// MIDI control changes 10, 7, 12 and 13, and what the plug-in must ignore.
#include <vector>

#include "plugin_fixture.h"

namespace {
vsthost::MidiMessage cc(int controller, int value, int channel = 0) {
  return {static_cast<unsigned char>(0xB0 | channel), static_cast<unsigned char>(controller),
          static_cast<unsigned char>(value), 0};
}
}  // namespace

// Which controller moves which parameter is the behaviour suite's (tests/behaviour); here
// what VST2's event lists add: the host is not told, data bytes are masked, order counts.
TEST_F(PluginTest, ControllersAreNotReportedAsAutomation) {
  EXPECT_EQ(host->sendMidi({cc(10, 64), cc(7, 0), cc(12, 0), cc(13, 32)}), 1);
  EXPECT_TRUE(host->recorder().automateCalls().empty());
}

TEST_F(PluginTest, AnyChannelMaskedDataByteAndListOrder) {
  host->sendMidi({cc(10, 96, 15)});  // channel 16
  EXPECT_EQ(host->parameterDisplay(0), "90.0");
  host->sendMidi({cc(10, 32, 1)});
  EXPECT_EQ(host->parameterDisplay(0), "-90.0");
  host->sendMidi({cc(10, 0x80 | 96)});  // top bit of the data byte is masked off
  EXPECT_EQ(host->parameterDisplay(0), "90.0");
  host->sendMidi({cc(10, 96), cc(10, 32)});  // the later message in the list wins
  EXPECT_EQ(host->parameterDisplay(0), "-90.0");
}

TEST_F(PluginTest, OtherMessagesChangeNothing) {
  host->setParameter(0, 0.75f);
  host->sendMidi({{0x90, 10, 100, 0},  // note on
                  {0x80, 10, 0, 0},    // note off
                  {0xE0, 0, 0, 0},     // pitch bend
                  {0xA0, 10, 5, 0},    // aftertouch
                  {0xF0, 10, 5, 0},    // system
                  cc(11, 5),
                  cc(1, 5),              // unmapped controllers
                  {0xB0, 0x8A, 5, 0}});  // controller number with the top bit set
  EXPECT_EQ(host->parameterDisplay(0), "90.0");
  EXPECT_EQ(host->parameterDisplay(6), "0.0");
}

TEST_F(PluginTest, MalformedEventListsAreSkipped) {
  host->setParameter(0, 0.75f);
  EXPECT_EQ(host->sendEvents(nullptr), 1);

  VstMidiEvent pan{};
  pan.type = kVstMidiType;
  pan.byteSize = sizeof pan;
  pan.midiData[0] = static_cast<char>(0xB0);
  pan.midiData[1] = 10;
  pan.midiData[2] = 0;
  VstEvents list{};
  list.numEvents = -5;
  list.events[0] = reinterpret_cast<VstEvent*>(&pan);
  EXPECT_EQ(host->sendEvents(&list), 1);
  EXPECT_EQ(host->parameterDisplay(0), "90.0");

  list.numEvents = 2;
  list.events[0] = nullptr;  // a null pointer is skipped, the next event still applies
  list.events[1] = reinterpret_cast<VstEvent*>(&pan);
  EXPECT_EQ(host->sendEvents(&list), 1);
  EXPECT_EQ(host->parameterDisplay(0), "-180.0");

  VstEvent sysex{};
  sysex.type = kVstSysExType;
  // Bytes where a MIDI event would carry status, controller and value.
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
  host->render(constant(4 * 128, 0.0f), 100);
  EXPECT_EQ(host->recorder().timeRequests(), 0);

  host->setParameter(1, 1.0f);
  host->setTempo(120.0);
  host->render(constant(4 * 128, 0.0f), 100);
  EXPECT_EQ(host->recorder().timeRequests(), 4);
  // The song position comes in the same answer: one request per frame.
  EXPECT_EQ(host->recorder().lastTimeFilter(), kVstTempoValid | kVstPpqPosValid);
  EXPECT_EQ(host->parameterDisplay(4), "2.00");  // 120 beats per minute

  // A host without a valid tempo leaves the speed where it was.
  host->setTempoValid(false);
  host->setTempo(60.0);
  host->render(constant(4 * 128, 0.0f), 100);
  EXPECT_EQ(host->parameterDisplay(4), "2.00");
}
