// Head trackers' input: the OSC parser, each instance's tracker, the process's receiver.
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

// OSC as a tracker writes it: padded strings, big-endian arguments by type tag (f, d, i, h).
void putString(Bytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.resize(out.size() + 4 - text.size() % 4, 0);
}
void putBigEndian(Bytes& out, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
Bytes message(const std::string& address, const std::string& tags, std::vector<double> values) {
  Bytes out;
  putString(out, address);
  putString(out, "," + tags);
  for (std::size_t i = 0; i < tags.size() && i < values.size(); ++i) {
    const float f = static_cast<float>(values[i]);
    uint64_t bits = 0;
    if (tags[i] == 'f') std::memcpy(&bits, &f, 4);
    if (tags[i] == 'd') std::memcpy(&bits, &values[i], 8);
    if (tags[i] == 'i' || tags[i] == 'h') bits = static_cast<uint64_t>(std::llround(values[i]));
    putBigEndian(out, bits, tags[i] == 'd' || tags[i] == 'h' ? 8 : 4);
  }
  return out;
}
Bytes bundle(const std::vector<Bytes>& elements) {
  Bytes out;
  putString(out, "#bundle");
  putBigEndian(out, 1, 8);
  for (const Bytes& e : elements) {
    putBigEndian(out, e.size(), 4);
    out.insert(out.end(), e.begin(), e.end());
  }
  return out;
}

TEST(OscHeadParser, TakesWhatTrackersSendAndIgnoresAndCountsTheRest) {
  constexpr auto kYpr = TrackerReading::kYawPitchRoll;
  constexpr auto kQuat = TrackerReading::kQuaternion;
  struct Row {
    const char* what;
    Bytes packet;
    int messages;
    int32_t kind;
    float value[4];
  };
  // One parser through the table: single angles keep the others from the rows before.
  const Row rows[] = {
      {"ypr floats", message("/ypr", "fff", {10, -5, 2.5}), 1, kYpr, {10, -5, 2.5f, 0}},
      {"SceneRotator", message("/SceneRotator/ypr", "ddd", {20, 6, -1}), 1, kYpr, {-20, 6, 1, 0}},
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
  for (const Row& row : rows) {
    TrackerReading reading;
    EXPECT_EQ(parser.parsePacket(row.packet.data(), row.packet.size(), reading), row.messages)
        << row.what;
    EXPECT_EQ(reading.kind, row.kind) << row.what;
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(reading.value[i], row.value[i]) << row.what;
  }
  EXPECT_EQ(parser.ignored(), 0u);

  Bytes truncated = message("/ypr", "fff", {1, 2, 3});
  truncated.resize(truncated.size() - 4);
  Bytes oversized = message("/yaw", "f", {1});
  oversized.resize(OscHeadParser::kMaxPacket + 4, 0);
  const std::vector<std::pair<const char*, Bytes>> bad = {
      {"truncated", truncated},
      {"oversized", oversized},
      {"a string argument", message("/yaw", "s", {})},
      {"NaN", message("/ypr", "fff", {std::numeric_limits<double>::quiet_NaN(), 0, 0})},
      {"infinite", message("/roll", "d", {std::numeric_limits<double>::infinity()})},
      {"a zero quaternion", message("/quaternion", "ffff", {0, 0, 0, 0})},
      {"unknown address", message("/volume", "f", {1})},
      {"a nested bundle", bundle({bundle({message("/yaw", "f", {1})})})},
  };
  // What is not a reading is ignored, counted, and leaves the reading as it was.
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

TEST(HeadTracker, AppliesInversionsOrderTheProcesssCentreAndMidiQuaternions) {
  ReadingMailbox mailbox;
  HeadTracker tracker(&mailbox), other(&mailbox);
  auto head = [&](HeadTracker& t, float yaw, float pitch) {
    mailbox.write({TrackerReading::kYawPitchRoll, {yaw, pitch, 0, 0}});
    return t.headForBlock();
  };
  const auto ypr = [](double yaw, double pitch, RotationOrder order) {
    return packHead(headFromYawPitchRoll(yaw, pitch, 0, order));
  };
  constexpr auto kYpr = RotationOrder::kYawPitchRoll;
  EXPECT_EQ(head(tracker, 30, 10), kHeadStraightAhead) << "tracking is off";
  HeadTrackingSettings s;
  s.on = true;
  other.setSettings(s);
  s.invertYaw = s.invertPitch = true;
  tracker.setSettings(s);
  EXPECT_EQ(head(tracker, 30, 10), ypr(-30, -10, kYpr));
  s.invertYaw = s.invertPitch = false;
  s.rollPitchYaw = true;
  tracker.setSettings(s);
  EXPECT_EQ(head(tracker, 90, 45), ypr(90, 45, RotationOrder::kRollPitchYaw));
  // Centred in one instance, straight ahead in every one; later turns count from there.
  head(other, 30, 0);
  other.centre();
  EXPECT_EQ(head(other, 30, 0), kHeadStraightAhead);
  double yaw, pitch, roll;
  yawPitchRollOf(unpackHead(head(other, 40, 0)), yaw, pitch, roll);
  EXPECT_NEAR(yaw, 10, 1e-2);
  head(other, 0, 0);
  other.centre();  // back to straight ahead for the other tests
  // A MIDI tracker's quaternion, once the fourth value arrives: 12288 is 0.5.
  for (int axis = 0; axis < 4; ++axis) {
    EXPECT_TRUE(other.controlChange(16 + axis, 96));
    EXPECT_TRUE(other.controlChange(48 + axis, 0));
  }
  EXPECT_EQ(other.headForBlock(), packHead({0.5, 0.5, 0.5, 0.5}));
}

TEST(HeadTrackingReceiver, SaysWhenItsPortIsTakenAndKeepsUpWithAFlood) {
  HeadTrackingReceiver& receiver = HeadTrackingReceiver::shared();
  const int socket = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof at;
  ASSERT_EQ(bind(socket, reinterpret_cast<const sockaddr*>(&at), sizeof at), 0);
  getsockname(socket, reinterpret_cast<sockaddr*>(&at), &length);
  const int port = ntohs(at.sin_port);
  int user = 0;
  receiver.acquire(&user, port, false);
  EXPECT_EQ(receiver.status().state, HeadTrackingReceiver::State::kPortInUse);
  close(socket);
  receiver.acquire(&user, port, false);  // free now: asking again opens it
  ASSERT_EQ(receiver.status().state, HeadTrackingReceiver::State::kListening);

  // 100,000 messages at once, then a yaw of 123: the newest arrives, whole.
  const int sender = ::socket(AF_INET, SOCK_DGRAM, 0);
  const auto send = [&](double yaw, double pitch) {
    const Bytes packet = message("/ypr", "fff", {yaw, pitch, 2});
    sendto(sender, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&at),
           sizeof at);
  };
  for (int i = 0; i < 100000; ++i) send(i % 360, 1);
  // A full socket buffer drops datagrams: the last is resent, as a tracker's next reading.
  TrackerReading reading;
  uint32_t number = 0;
  for (int wait = 0; wait < 400 && reading.value[0] != 123.0f; ++wait) {
    if (wait % 20 == 0) send(123, 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    receiver.mailbox().read(reading, number);
  }
  close(sender);
  EXPECT_EQ(reading.value[0], 123.0f);
  EXPECT_EQ(reading.value[1], 4.0f);
  receiver.release(&user);
  EXPECT_EQ(receiver.status().state, HeadTrackingReceiver::State::kClosed);
}

}  // namespace
}  // namespace panner
