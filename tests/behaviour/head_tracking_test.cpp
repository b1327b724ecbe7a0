// Following the listener's head in every format: MIDI and OSC trackers turn the scene; all
// instances share one loopback socket, closed by the last.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "plugin_formats.h"
#include "required_package.h"

namespace quendral_test {
namespace {

constexpr int kAngle = 0;
constexpr float angleValue(float degrees) { return degrees / 360.0f + 0.5f; }

void setTracking(render::PluginProcessor& plugin, bool on, int port) {
  panner::chunk::BankState bank = savedBank(plugin);
  bank.tracking.on = on;
  bank.tracking.port = port;
  ASSERT_TRUE(plugin.setStateChunk(bankChunk(bank), false));
}

// A head tracker's yaw (pitch and roll level) as 14-bit control changes on `channel`.
void sendHead(render::PluginProcessor& plugin, double yaw, unsigned char channel) {
  using Byte = unsigned char;
  for (int axis = 0; axis < 3; ++axis) {
    const long value = std::lround((axis == 0 ? yaw : 0.0) / 360.0 * 16384.0) + 8192;
    plugin.sendMidi(Byte(0xB0 | channel), Byte(16 + axis), Byte(value >> 7));
    plugin.sendMidi(Byte(0xB0 | channel), Byte(48 + axis), Byte(value & 0x7F));
  }
}

std::unique_ptr<render::PluginProcessor> placed(const PluginFormat& format, float degrees) {
  auto plugin = openFormat(format);
  plugin->setParameter(kAngle, angleValue(degrees));
  render(*plugin, std::vector<float>(static_cast<std::size_t>(kRate), 0.0f));  // the glide
  return plugin;
}

// Whether `ss -uln` shows a socket listening on `address`:`port`.
bool listening(const std::string& address, int port) {
  const std::string command = "ss -Hlun | grep -q ' " + address + ":" + std::to_string(port) + " '";
  return std::system(command.c_str()) == 0;
}

using HeadTracking = EveryFormat;

TEST_P(HeadTracking, MidiTrackerTurnsTheSceneOnlyWhileTrackingIsOn) {
  const std::vector<float> input = noise(20 * kFrame);
  auto left = placed(format(), -90.0f);
  auto ahead = placed(format(), 0.0f);
  const Channels atLeft = render(*left, input), atAhead = render(*ahead, input);
  for (bool on : {true, false}) {
    SCOPED_TRACE(on ? "tracking on" : "tracking off");
    auto plugin = placed(format(), 0.0f);
    setTracking(*plugin, on, 0);
    sendHead(*plugin, 90.0, 5);  // turned to the right
    render(*plugin, std::vector<float>(2 * kFrame, 0.0f));
    EXPECT_LE(largestDifference(render(*plugin, input), on ? atLeft : atAhead), 1e-6);
    EXPECT_EQ(savedBank(*plugin).tracking.on, on);
  }
}

TEST_P(HeadTracking, EveryInstanceFollowsTheTrackerOverLoopbackOsc) {
  QUENDRAL_REQUIRE_PACKAGE(std::system("command -v oscsend >/dev/null") == 0,
                           "oscsend (Debian: liblo-tools)");
  int port = 47810;  // one port per format, so a socket left open by one cannot pass another
  while (pluginFormats()[static_cast<std::size_t>(port - 47810)].name != std::string(format().name))
    ++port;
  const std::vector<float> input = noise(20 * kFrame);
  const Channels atLeft = render(*placed(format(), -90.0f), input);
  {
    auto first = placed(format(), 90.0f), second = placed(format(), 90.0f);
    setTracking(*first, true, port);
    setTracking(*second, true, port);
    EXPECT_TRUE(listening("127.0.0.1", port));
    EXPECT_FALSE(listening("0.0.0.0", port)) << "open to the network without being asked";
    // Turned round, the head hears the right-hand source at the left; resent until it arrives.
    Channels a, b;
    for (int tries = 0; tries < 50; ++tries) {
      const std::string send =
          "oscsend localhost " + std::to_string(port) + " /ypr fff 180 0 0 >/dev/null 2>&1";
      ASSERT_EQ(std::system(send.c_str()), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      render(*first, std::vector<float>(2 * kFrame, 0.0f));
      render(*second, std::vector<float>(2 * kFrame, 0.0f));
      a = render(*first, input);
      b = render(*second, input);
      if (largestDifference(a, atLeft) <= 1e-6 && largestDifference(b, atLeft) <= 1e-6) break;
    }
    EXPECT_LE(largestDifference(a, atLeft), 1e-6);
    EXPECT_LE(largestDifference(b, atLeft), 1e-6);
    EXPECT_GT(energy({a[0]}), 2.0 * energy({a[1]})) << "the left ear is the louder";
    setTracking(*first, false, port);
    EXPECT_TRUE(listening("127.0.0.1", port)) << "the second instance still follows";
  }
  EXPECT_FALSE(listening("127.0.0.1", port)) << "the last instance closed the socket";
}

INSTANTIATE_TEST_SUITE_P(Formats, HeadTracking, ::testing::ValuesIn(pluginFormats()), formatName);

}  // namespace
}  // namespace quendral_test
