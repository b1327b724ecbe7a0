// Head tracking in the DLL under wine: the instance's bank switched to tracking on a free
// port, `/ypr` sent there over UDP from this program (wine's Winsock is the system's), and
// the louder ear swaps when the head turns half round.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin_host.h"
#include "state_chunk.h"

namespace {

// An OSC message `/ypr` with three float arguments, big-endian.
std::vector<char> yprMessage(float yaw, float pitch, float roll) {
  std::vector<char> packet = {'/', 'y', 'p', 'r', 0, 0, 0, 0, ',', 'f', 'f', 'f', 0, 0, 0, 0};
  for (float value : {yaw, pitch, roll}) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    for (int shift = 24; shift >= 0; shift -= 8) packet.push_back(static_cast<char>(bits >> shift));
  }
  return packet;
}

// A UDP port on 127.0.0.1 free just now.
int freePort() {
  SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof at;
  bind(probe, reinterpret_cast<const sockaddr*>(&at), sizeof at);
  getsockname(probe, reinterpret_cast<sockaddr*>(&at), &length);
  closesocket(probe);
  return ntohs(at.sin_port);
}

TEST(HeadTrackingUnderWine, TheDllFollowsAHeadSentOverUdp) {
  WSADATA winsock;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &winsock), 0);
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(host) << error;
  host->open(44100.0, 512);
  host->setParameter(0, 0.75f);  // the source at 90 degrees, to one side
  const int port = freePort();
  std::vector<uint8_t> bytes = host->getChunk();
  panner::chunk::BankState bank;
  ASSERT_TRUE(panner::chunk::parseBank(bytes.data(), bytes.size(), bank));
  bank.tracking.on = true;
  bank.tracking.port = port;
  bytes.resize(panner::chunk::bankChunkSize(bank));
  bytes.resize(panner::chunk::writeBank(bank, bytes.data()));
  ASSERT_EQ(host->setChunk(bytes), 1);

  SOCKET sender = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(static_cast<u_short>(port));
  const std::vector<float> noise = [] {
    std::vector<float> x(512);
    uint32_t state = 1;
    for (float& v : x)
      v = ((state = state * 1664525u + 1013904223u) >> 9) * (1.0f / 8388608.0f) - 0.5f;
    return x;
  }();
  // Left minus right energy of the output once the head has been at `yaw` for a while.
  const auto louderLeft = [&](float yaw) {
    const std::vector<char> packet = yprMessage(yaw, 0.0f, 0.0f);
    double left = 0.0, right = 0.0;
    for (int block = 0; block < 60; ++block) {
      sendto(sender, packet.data(), static_cast<int>(packet.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
      Sleep(5);
      const auto out = host->render(noise, 512);
      if (block < 40) continue;
      for (size_t i = 0; i < out[0].size(); ++i) {
        left += out[0][i] * out[0][i];
        right += out[1][i] * out[1][i];
      }
    }
    return left - right;
  };
  const double ahead = louderLeft(0.0f), turned = louderLeft(180.0f);
  EXPECT_NE(ahead > 0.0, turned > 0.0)
      << "the louder ear did not swap: " << ahead << ", " << turned;
  closesocket(sender);
  host.reset();
  WSACleanup();
}

}  // namespace
