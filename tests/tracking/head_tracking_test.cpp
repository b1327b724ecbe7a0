// Head trackers' input before it reaches the engine: the OSC parser takes what trackers send
// and ignores and counts the rest; each instance's tracker applies its inversions, order
// and the process's centre, and takes a MIDI head tracker's 14-bit values; the receiver
// says when its port is taken and keeps up with a flood.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "head_tracker.h"
#include "head_tracking_receiver.h"
#include "osc_head_parser.h"

namespace panner {
namespace {

using Bytes = std::vector<uint8_t>;

// OSC encoding, as a tracker writes it.
void putString(Bytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.resize(out.size() + 4 - text.size() % 4, 0);
}
void put32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
void put64(Bytes& out, uint64_t v) {
  put32(out, static_cast<uint32_t>(v >> 32));
  put32(out, static_cast<uint32_t>(v));
}
// A message whose arguments are written by their type tag: f, d, i or h.
Bytes message(const std::string& address, const std::string& tags, std::vector<double> values) {
  Bytes out;
  putString(out, address);
  putString(out, "," + tags);
  for (std::size_t i = 0; i < tags.size() && i < values.size(); ++i) {
    if (tags[i] == 'f') {
      const float f = static_cast<float>(values[i]);
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      put32(out, bits);
    } else if (tags[i] == 'd') {
      uint64_t bits;
      std::memcpy(&bits, &values[i], 8);
      put64(out, bits);
    } else if (tags[i] == 'i') {
      put32(out, static_cast<uint32_t>(static_cast<int32_t>(values[i])));
    } else if (tags[i] == 'h') {
      put64(out, static_cast<uint64_t>(static_cast<int64_t>(values[i])));
    }
  }
  return out;
}
Bytes bundle(const std::vector<Bytes>& elements) {
  Bytes out;
  putString(out, "#bundle");
  put64(out, 1);
  for (const Bytes& e : elements) {
    put32(out, static_cast<uint32_t>(e.size()));
    out.insert(out.end(), e.begin(), e.end());
  }
  return out;
}

struct Taken {
  const char* what;
  Bytes packet;
  int messages;
  int32_t kind;
  float value[4];
};

TEST(OscHeadParser, TakesWhatTrackersSend) {
  constexpr auto kYpr = TrackerReading::kYawPitchRoll;
  constexpr auto kQuat = TrackerReading::kQuaternion;
  // One parser through the table: single angles keep the others from the rows before.
  const Taken rows[] = {
      {"ypr floats", message("/ypr", "fff", {10, -5, 2.5}), 1, kYpr, {10, -5, 2.5f, 0}},
      {"ypr doubles", message("/SceneRotator/ypr", "ddd", {20, 6, -1}), 1, kYpr, {20, 6, -1, 0}},
      {"ypr integers", message("/ypr", "iih", {-90, 0, 3}), 1, kYpr, {-90, 0, 3, 0}},
      {"yaw alone", message("/yaw", "f", {45}), 1, kYpr, {45, 0, 3, 0}},
      {"pitch alone", message("/SceneRotator/pitch", "d", {12}), 1, kYpr, {45, 12, 3, 0}},
      {"a bundle of the three",
       bundle({message("/yaw", "f", {1}), message("/pitch", "i", {2}), message("/roll", "d", {3})}),
       3,
       kYpr,
       {1, 2, 3, 0}},
      {"quaternion, normalised",
       message("/quaternion", "ffff", {2, 0, 0, 0}),
       1,
       kQuat,
       {1, 0, 0, 0}},
      {"SceneRotator's quaternions",
       message("/SceneRotator/quaternions", "dddd", {0, 0, 0, -1}),
       1,
       kQuat,
       {0, 0, 0, -1}},
  };
  OscHeadParser parser;
  for (const Taken& row : rows) {
    TrackerReading reading;
    EXPECT_EQ(parser.parsePacket(row.packet.data(), row.packet.size(), reading), row.messages)
        << row.what;
    EXPECT_EQ(reading.kind, row.kind) << row.what;
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(reading.value[i], row.value[i]) << row.what;
  }
  EXPECT_EQ(parser.ignored(), 0u);
}

TEST(OscHeadParser, IgnoresAndCountsBadInput) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Bytes truncated = message("/ypr", "fff", {1, 2, 3});
  truncated.resize(truncated.size() - 4);
  Bytes oversized = message("/yaw", "f", {1});
  oversized.resize(OscHeadParser::kMaxPacket + 4, 0);
  Bytes lyingBundle = bundle({message("/yaw", "f", {1})});
  lyingBundle[19] = 200;  // an element longer than the packet
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"truncated", truncated},
      {"oversized", oversized},
      {"a string argument", message("/yaw", "s", {})},
      {"too few arguments", message("/ypr", "ff", {1, 2})},
      {"too many arguments", message("/yaw", "ff", {1, 2})},
      {"NaN", message("/ypr", "fff", {nan, 0, 0})},
      {"infinite", message("/roll", "d", {inf})},
      {"a zero quaternion", message("/quaternion", "ffff", {0, 0, 0, 0})},
      {"unknown address", message("/volume", "f", {1})},
      {"no type tags", Bytes{'/', 'y', 'a', 'w', 0, 0, 0, 0}},
      {"a nested bundle", bundle({bundle({message("/yaw", "f", {1})})})},
      {"an element beyond the bundle", lyingBundle},
      {"empty", Bytes{}},
  };
  OscHeadParser parser;
  TrackerReading reading;
  const Bytes good = message("/ypr", "fff", {7, 8, 9});
  ASSERT_EQ(parser.parsePacket(good.data(), good.size(), reading), 1);
  uint64_t ignored = 0;
  for (const auto& [what, packet] : bad) {
    EXPECT_EQ(parser.parsePacket(packet.data(), packet.size(), reading), 0) << what;
    EXPECT_EQ(parser.ignored(), ++ignored) << what;
    EXPECT_FLOAT_EQ(reading.value[0], 7.0f) << what << " changed the reading";
  }
}

// The tracker's orientation as yaw, pitch, roll after one block.
void headAfter(HeadTracker& tracker, double& yaw, double& pitch, double& roll) {
  yawPitchRollOf(unpackHead(tracker.headForBlock()), yaw, pitch, roll);
}

TEST(HeadTracker, AppliesInversionsOrderAndTheProcesssCentre) {
  ReadingMailbox mailbox;
  HeadTracker tracker(&mailbox), other(&mailbox);
  mailbox.write({TrackerReading::kYawPitchRoll, {30, 10, 0, 0}});
  EXPECT_EQ(tracker.headForBlock(), kHeadStraightAhead) << "tracking is off";
  HeadTrackingSettings s;
  s.on = true;
  tracker.setSettings(s);
  other.setSettings(s);
  double yaw, pitch, roll;
  headAfter(tracker, yaw, pitch, roll);
  EXPECT_NEAR(yaw, 30, 5e-3);
  EXPECT_NEAR(pitch, 10, 5e-3);
  s.invertYaw = s.invertPitch = true;
  tracker.setSettings(s);
  headAfter(tracker, yaw, pitch, roll);
  EXPECT_NEAR(yaw, -30, 5e-3);
  EXPECT_NEAR(pitch, -10, 5e-3);
  s.invertYaw = s.invertPitch = false;
  s.rollPitchYaw = true;
  tracker.setSettings(s);
  mailbox.write({TrackerReading::kYawPitchRoll, {90, 45, 0, 0}});
  EXPECT_EQ(tracker.headForBlock(),
            packHead(headFromYawPitchRoll(90, 45, 0, RotationOrder::kRollPitchYaw)));
  s.rollPitchYaw = false;
  tracker.setSettings(s);
  // Centred in one instance, straight ahead in every one; later turns count from there.
  mailbox.write({TrackerReading::kYawPitchRoll, {30, 0, 0, 0}});
  tracker.headForBlock();
  tracker.centre();
  EXPECT_EQ(other.headForBlock(), kHeadStraightAhead);
  mailbox.write({TrackerReading::kYawPitchRoll, {40, 0, 0, 0}});
  headAfter(other, yaw, pitch, roll);
  EXPECT_NEAR(yaw, 10, 1e-2);
  mailbox.write({TrackerReading::kYawPitchRoll, {0, 0, 0, 0}});
  tracker.headForBlock();
  tracker.centre();  // back to the process's first centre for the other tests
}

TEST(HeadTracker, TakesAMidiTrackersFourteenBitValues) {
  HeadTracker tracker(nullptr);
  EXPECT_FALSE(tracker.controlChange(16, 32)) << "not while tracking is off";
  HeadTrackingSettings s;
  s.on = true;
  tracker.setSettings(s);
  // Yaw 4096 + 64 (a quarter turn left of the middle plus 64 steps): -88.59375 degrees.
  for (auto [controller, value] : {std::pair{16, 32}, {48, 64}, {17, 64}, {49, 0}}) {
    EXPECT_TRUE(tracker.controlChange(controller, value));
  }
  EXPECT_FALSE(tracker.controlChange(20, 1));
  double yaw, pitch, roll;
  headAfter(tracker, yaw, pitch, roll);
  EXPECT_NEAR(yaw, -88.59375, 2e-3);
  EXPECT_NEAR(pitch, 0, 2e-3);
  // Quaternion mode, once the fourth value arrives: w = x = 0.5 (12288), y = z = 0.5.
  for (int axis = 0; axis < 4; ++axis) {
    tracker.controlChange(16 + axis, 96);
    tracker.controlChange(48 + axis, 0);
  }
  EXPECT_EQ(tracker.headForBlock(), packHead({0.5, 0.5, 0.5, 0.5}));
}

// A UDP socket that sends to 127.0.0.1:port.
class Sender {
 public:
  explicit Sender(int port) : socket_(::socket(AF_INET, SOCK_DGRAM, 0)) {
    to_.sin_family = AF_INET;
    to_.sin_port = htons(static_cast<uint16_t>(port));
    to_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  }
  ~Sender() { close(socket_); }
  void send(const Bytes& packet) {
    sendto(socket_, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to_),
           sizeof to_);
  }

 private:
  int socket_;
  sockaddr_in to_{};
};

TEST(HeadTrackingReceiver, SaysWhenItsPortIsTakenAndKeepsUpWithAFlood) {
  HeadTrackingReceiver& receiver = HeadTrackingReceiver::shared();
  const int taken = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(taken, reinterpret_cast<const sockaddr*>(&at), sizeof at), 0);
  socklen_t length = sizeof at;
  getsockname(taken, reinterpret_cast<sockaddr*>(&at), &length);
  const int busy = ntohs(at.sin_port);
  int user = 0;
  receiver.acquire(&user, busy, false);
  EXPECT_EQ(receiver.status().state, HeadTrackingReceiver::State::kPortInUse);
  close(taken);
  const int port = busy;  // free now: asking again opens it
  receiver.acquire(&user, port, false);
  ASSERT_EQ(receiver.status().state, HeadTrackingReceiver::State::kListening);

  // 100,000 messages within a second, the last one a yaw of 123: the newest arrives whole.
  Sender sender(port);
  const uint64_t before = receiver.status().messages;
  const auto start = std::chrono::steady_clock::now();
  constexpr int kFlood = 100000;
  for (int i = 0; i < kFlood; ++i) {
    sender.send(message("/ypr", "fff", {static_cast<double>(i % 360), 1, 2}));
    if (i % 100 == 99)
      std::this_thread::sleep_until(start + std::chrono::microseconds(10 * (i + 1)));
  }
  sender.send(message("/ypr", "fff", {123, 4, 5}));
  TrackerReading reading;
  uint32_t number = 0;
  for (int wait = 0; wait < 200; ++wait) {
    if (receiver.mailbox().read(reading, number) && reading.value[0] == 123.0f) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const uint64_t received = receiver.status().messages - before;
  std::printf("flood: %d messages sent in %.3f s; %llu taken (the rest dropped by the system)\n",
              kFlood + 1, seconds, static_cast<unsigned long long>(received));
  EXPECT_EQ(reading.value[0], 123.0f);
  EXPECT_EQ(reading.value[1], 4.0f);
  EXPECT_EQ(reading.value[2], 5.0f);
  receiver.release(&user);
  EXPECT_EQ(receiver.status().state, HeadTrackingReceiver::State::kClosed);
}

}  // namespace
}  // namespace panner
