// Head tracking in the DLL under wine: the instance's bank switched to tracking on a port,
// `/ypr` sent there over UDP from this program (wine's Winsock is the system's), and the
// louder ear swaps when the head turns half round.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "noise_signal.h"
#include "plugin_host.h"
#include "state_chunk.h"

namespace {

constexpr int kPort = 47831;  // apart from the Linux suites' ports

TEST(HeadTrackingUnderWine, TheDllFollowsAHeadSentOverUdp) {
  WSADATA winsock;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &winsock), 0);
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(host) << error;
  host->open(44100.0, 512);
  host->setParameter(0, 0.75f);  // the source at 90 degrees, to one side
  std::vector<uint8_t> bytes = host->getChunk();
  panner::chunk::BankState bank;
  ASSERT_TRUE(panner::chunk::parseBank(bytes.data(), bytes.size(), bank));
  bank.tracking.on = true;
  bank.tracking.port = kPort;
  bytes.resize(panner::chunk::bankChunkSize(bank));
  bytes.resize(panner::chunk::writeBank(bank, bytes.data()));
  ASSERT_EQ(host->setChunk(bytes), 1);

  SOCKET sender = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(kPort);
  const std::vector<float> noise = vsthost::noiseSignal(512, 1);
  // Left minus right energy of the output once the head has been at a yaw of 0 or 180 degrees
  // (`/ypr` with three big-endian floats) for a while.
  const auto louderLeft = [&](bool turned) {
    std::string packet("/ypr\0\0\0\0,fff\0\0\0\0", 16);
    packet += turned ? std::string("\x43\x34\0\0", 4) : std::string(4, '\0');  // 180.0f or 0
    packet += std::string(8, '\0');
    double left = 0.0, right = 0.0;
    for (int block = 0; block < 60; ++block) {
      sendto(sender, packet.data(), static_cast<int>(packet.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
      Sleep(5);
      const auto out = host->render(noise, 512);
      for (size_t i = 0; block >= 40 && i < out[0].size(); ++i) {
        left += out[0][i] * out[0][i];
        right += out[1][i] * out[1][i];
      }
    }
    return left - right;
  };
  const double ahead = louderLeft(false), turned = louderLeft(true);
  EXPECT_NE(ahead > 0.0, turned > 0.0)
      << "the louder ear did not swap: " << ahead << ", " << turned;
  closesocket(sender);
  host.reset();
  WSACleanup();
}

}  // namespace
