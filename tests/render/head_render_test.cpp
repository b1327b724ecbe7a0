// quendral-render --head: a recorded head movement turns the scene through the plug-in's
// head tracking, for the built-in set and an own sphere: a source ahead with the head turned
// right sounds as a source at the left ear, and a head that turns during the render ends
// there too. --osc-port with --realtime: a tracker's message turns a render under way within
// a frame and a block of its sending.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "required_package.h"
#include "tool_run.h"

using namespace tool_test;

namespace {

constexpr const char* kMitKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr int kRate = 44100;

class HeadRender : public ToolTest {
 protected:
  void SetUp() override {
    ToolTest::SetUp();
    writeAudio("in.wav", {noise(kRate, 3, 1.0f)}, kRate);
  }
  void render(std::vector<std::string> args, const std::string& out) {
    args.insert(args.begin(), {"--plugin", QUENDRAL_PLUGIN});
    args.push_back(path("in.wav"));
    args.push_back(path(out));
    const RunResult r = ToolTest::run(args);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // The largest difference between two files' samples from `from` seconds on, relative to
  // the largest sample.
  double difference(const std::string& a, const std::string& b, double from) {
    const Channels x = readAudio(a), y = readAudio(b);
    double largest = 0.0, peak = 0.0;
    for (size_t c = 0; c < 2; ++c)
      for (size_t i = static_cast<size_t>(from * kRate); i < x[c].size(); ++i) {
        largest = std::max(largest, std::fabs(double(x[c][i]) - y[c][i]));
        peak = std::max(peak, std::fabs(double(y[c][i])));
      }
    return largest / peak;
  }
};

TEST_F(HeadRender, HeadTurnedRightHearsAheadAtTheLeftEar) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kMitKemar),
                           kMitKemar << " (Debian: libmysofa1)");
  std::ofstream(path("right.csv")) << "seconds,yaw,pitch,roll\n0,90,0,0\n";
  // Straight ahead, then a quarter turn right over the first 0.3 s.
  std::ofstream(path("turning.csv")) << "0,0,0,0\n0.3,90,0,0\n";
  const std::vector<std::vector<std::string>> sets = {{}, {"--sofa", kMitKemar}};
  for (const auto& set : sets) {
    SCOPED_TRACE(set.empty() ? "built-in set" : "own sphere");
    auto with = [&](std::vector<std::string> args) {
      args.insert(args.end(), set.begin(), set.end());
      return args;
    };
    render(with({"--angle", "270"}), "left.wav");
    render(with({"--angle", "0", "--head", path("right.csv")}), "head.wav");
    render(with({"--angle", "0", "--head", path("turning.csv")}), "turning.wav");
    render(with({"--angle", "0"}), "ahead.wav");
    EXPECT_LT(difference("head.wav", "left.wav", 0.0), 1e-5);
    // Once the turn is over (and a frame later, the crossfade), the same sound again.
    EXPECT_LT(difference("turning.wav", "left.wav", 0.32), 1e-5);
    EXPECT_GT(difference("ahead.wav", "left.wav", 0.0), 0.1);
  }
}

// One OSC message "/ypr fff yaw 0 0" to 127.0.0.1:port from this process.
void sendYaw(int port, float yaw) {
  uint8_t packet[28] = {'/', 'y', 'p', 'r', 0, 0, 0, 0, ',', 'f', 'f', 'f', 0, 0, 0, 0};
  uint32_t bits;
  std::memcpy(&bits, &yaw, 4);
  for (int i = 0; i < 4; ++i) packet[16 + i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sendto(s, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  close(s);
}

TEST_F(HeadRender, LiveTrackerTurnsARealtimeRenderWithinAFrameAndABlock) {
  constexpr int kPort = 47830, kBlock = 512, kFrame = 128;
  render({"--angle", "90"}, "right.wav");
  render({"--angle", "270"}, "left.wav");
  const std::string command = std::string(RENDER_TOOL) + " --plugin " + QUENDRAL_PLUGIN +
                              " --angle 90 --block 512 --realtime --osc-port " +
                              std::to_string(kPort) + " " + path("in.wav") + " " +
                              path("live.wav") + " 2>&1";
  FILE* tool = popen(command.c_str(), "r");
  ASSERT_NE(tool, nullptr);
  char line[256];
  std::string said;
  while (said.find("real time") == std::string::npos && std::fgets(line, sizeof line, tool))
    said += line;
  const auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_until(started + std::chrono::milliseconds(400));
  const double sentAt =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  sendYaw(kPort, 180.0f);
  while (std::fgets(line, sizeof line, tool)) said += line;
  ASSERT_EQ(pclose(tool), 0) << said;
  // The first sample that leaves the right ear's sound: where the turned head is heard.
  const Channels live = readAudio("live.wav"), right = readAudio("right.wav");
  size_t changed = live[0].size();
  for (size_t i = 0; i < live[0].size() && changed == live[0].size(); ++i)
    for (size_t c = 0; c < 2; ++c)
      if (std::fabs(live[c][i] - right[c][i]) > 1e-4f) changed = i;
  const double latency = static_cast<double>(changed) / kRate - sentAt;
  std::printf(
      "sent %.1f ms into the render, heard from %.1f ms: %.1f ms later (bound: a frame "
      "and a block, %.1f ms)\n",
      sentAt * 1e3, changed * 1e3 / kRate, latency * 1e3, (kFrame + kBlock) * 1e3 / kRate);
  ASSERT_LT(changed, live[0].size()) << "the head's turn was not heard";
  // Three milliseconds for the clocks: the test's and the tool's start lie a pipe's delivery
  // apart.
  EXPECT_LE(latency, (kFrame + kBlock) / double(kRate) + 3e-3);
  EXPECT_LT(difference("live.wav", "left.wav", changed / double(kRate) + 0.01), 1e-5)
      << "after the turn, the source is heard at the left ear";
}

}  // namespace
