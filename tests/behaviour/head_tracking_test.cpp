// Following the listener's head in every format: a MIDI head tracker's 14-bit control
// changes and OSC messages from a tracker turn the scene alike; every instance of the process
// follows the same head through one socket on 127.0.0.1, closed when the last instance goes;
// the settings travel in the state; with tracking off nothing changes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
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
  for (int axis = 0; axis < 3; ++axis) {
    const long value = std::lround((axis == 0 ? yaw : 0.0) / 360.0 * 16384.0) + 8192;
    plugin.sendMidi(static_cast<unsigned char>(0xB0 | channel),
                    static_cast<unsigned char>(16 + axis), static_cast<unsigned char>(value >> 7));
    plugin.sendMidi(static_cast<unsigned char>(0xB0 | channel),
                    static_cast<unsigned char>(48 + axis),
                    static_cast<unsigned char>(value & 0x7F));
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
    // The head turns round: the source at the right ear is heard at the left. Sent until it
    // has arrived (a datagram on loopback is not lost, but its time is the system's).
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
    // A flood of the same reading (about 100,000 a second) changes nothing in the audio.
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
      const int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      to.sin_port = htons(static_cast<uint16_t>(port));
      const char packet[] = {'/', 'y',  'p',  'r', 0, 0, 0, 0, ',', 'f', 'f', 'f', 0, 0, 0,
                             0,   0x43, 0x34, 0,   0, 0, 0, 0, 0,   0,   0,   0,   0};  // 180, 0, 0
      const auto start = std::chrono::steady_clock::now();
      for (int sent = 0; flooding.load(); ++sent) {
        sendto(socket, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (sent % 100 == 99)
          std::this_thread::sleep_until(start + std::chrono::microseconds(10 * (sent + 1)));
      }
      close(socket);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // some 20,000 already
    render(*first, std::vector<float>(2 * kFrame, 0.0f));
    const Channels flooded = render(*first, input);
    flooding = false;
    flood.join();
    EXPECT_LE(largestDifference(flooded, atLeft), 1e-6) << "the audio changed under a flood";
    setTracking(*first, false, port);
    EXPECT_TRUE(listening("127.0.0.1", port)) << "the second instance still follows";
  }
  EXPECT_FALSE(listening("127.0.0.1", port)) << "the last instance closed the socket";
}

INSTANTIATE_TEST_SUITE_P(Formats, HeadTracking, ::testing::ValuesIn(pluginFormats()), formatName);

}  // namespace
}  // namespace quendral_test
