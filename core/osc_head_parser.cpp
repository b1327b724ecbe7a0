#include "osc_head_parser.h"

#include <cmath>
#include <cstring>
#include <string_view>

namespace panner {

namespace {

// Angles beyond this many degrees are not a head's.
constexpr double kLargestAngle = 1.0e6;

uint32_t bigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint64_t bigEndian64(const uint8_t* p) {
  return (uint64_t{bigEndian32(p)} << 32) | bigEndian32(p + 4);
}

// An OSC string at `offset`: its length without the terminator, or npos when it is not
// terminated inside `size`. The next field starts at the next multiple of four after the
// terminator.
std::size_t stringLength(const uint8_t* data, std::size_t size, std::size_t offset) {
  const void* end = std::memchr(data + offset, 0, size - offset);
  return end ? static_cast<const uint8_t*>(end) - (data + offset) : std::string_view::npos;
}
std::size_t padded(std::size_t length) { return (length + 4) & ~std::size_t{3}; }

// What an address asks for: which of yaw, pitch, roll, or all three, or a quaternion.
enum class Address { kUnknown, kYpr, kYaw, kPitch, kRoll, kQuaternion };

constexpr std::string_view kSceneRotator = "/SceneRotator";

Address addressOf(std::string_view address) {
  if (address.substr(0, kSceneRotator.size()) == kSceneRotator)
    address.remove_prefix(kSceneRotator.size());
  if (address == "/ypr") return Address::kYpr;
  if (address == "/yaw") return Address::kYaw;
  if (address == "/pitch") return Address::kPitch;
  if (address == "/roll") return Address::kRoll;
  if (address == "/quaternion" || address == "/quaternions") return Address::kQuaternion;
  return Address::kUnknown;
}

}  // namespace

bool OscHeadParser::parseMessage(const uint8_t* data, std::size_t size, TrackerReading& latest) {
  if (size < 4 || size % 4 != 0 || data[0] != '/') return false;
  const std::size_t addressLength = stringLength(data, size, 0);
  if (addressLength == std::string_view::npos) return false;
  const std::string_view name(reinterpret_cast<const char*>(data), addressLength);
  const Address address = addressOf(name);
  // Trackers set up for IEM's SceneRotator send yaw and roll with the opposite signs of
  // SPARTA's `/ypr` (the bridges for it negate both), so those two turn round here.
  const bool sceneRotator = name.substr(0, kSceneRotator.size()) == kSceneRotator;
  if (address == Address::kUnknown) return false;
  std::size_t at = padded(addressLength);
  if (at >= size || data[at] != ',') return false;
  const std::size_t tagLength = stringLength(data, size, at);
  if (tagLength == std::string_view::npos) return false;
  const std::string_view tags(reinterpret_cast<const char*>(data + at + 1), tagLength - 1);
  at += padded(tagLength);
  const std::size_t wanted = address == Address::kYpr ? 3 : address == Address::kQuaternion ? 4 : 1;
  if (tags.size() != wanted) return false;
  double values[4] = {};
  for (std::size_t i = 0; i < wanted; ++i) {
    const std::size_t bytes = tags[i] == 'd' || tags[i] == 'h' ? 8 : 4;
    if (at > size || size - at < bytes) return false;
    switch (tags[i]) {
      case 'f': {
        const uint32_t bits = bigEndian32(data + at);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        values[i] = f;
        break;
      }
      case 'd': {
        const uint64_t bits = bigEndian64(data + at);
        std::memcpy(&values[i], &bits, sizeof(double));
        break;
      }
      case 'i':
        values[i] = static_cast<int32_t>(bigEndian32(data + at));
        break;
      case 'h':
        values[i] = static_cast<double>(static_cast<int64_t>(bigEndian64(data + at)));
        break;
      default:
        return false;
    }
    if (!std::isfinite(values[i]) || std::fabs(values[i]) > kLargestAngle) return false;
    at += bytes;
  }
  if (at != size) return false;
  if (address == Address::kQuaternion) {
    const double norm = std::sqrt(values[0] * values[0] + values[1] * values[1] +
                                  values[2] * values[2] + values[3] * values[3]);
    if (!(norm > 1e-6)) return false;
    latest.kind = TrackerReading::kQuaternion;
    for (int i = 0; i < 4; ++i) latest.value[i] = static_cast<float>(values[i] / norm);
    return true;
  }
  const auto take = [&](int axis, double value) {
    ypr[axis] = static_cast<float>(sceneRotator && axis != 1 ? -value : value);
  };
  if (address == Address::kYpr)
    for (int i = 0; i < 3; ++i) take(i, values[i]);
  else
    take(address == Address::kYaw ? 0 : address == Address::kPitch ? 1 : 2, values[0]);
  latest.kind = TrackerReading::kYawPitchRoll;
  for (int i = 0; i < 3; ++i) latest.value[i] = ypr[i];
  latest.value[3] = 0.0f;
  return true;
}

int OscHeadParser::parsePacket(const uint8_t* data, std::size_t size, TrackerReading& latest) {
  constexpr std::string_view kBundle("#bundle", 8);  // with its terminator
  if (!data || size > kMaxPacket) {
    ++ignoredCount;
    return 0;
  }
  if (size < kBundle.size() ||
      std::string_view(reinterpret_cast<const char*>(data), kBundle.size()) != kBundle) {
    if (parseMessage(data, size, latest)) return 1;
    ++ignoredCount;
    return 0;
  }
  // A bundle: its time tag (taken as "now": a head is followed as it arrives), then
  // elements, each a size and a message.
  int taken = 0;
  std::size_t at = kBundle.size() + 8;
  if (size < at) {
    ++ignoredCount;
    return 0;
  }
  while (at < size) {
    if (size - at < 4) {
      ++ignoredCount;
      break;
    }
    const uint32_t length = bigEndian32(data + at);
    at += 4;
    if (length > size - at) {
      ++ignoredCount;
      break;
    }
    if (parseMessage(data + at, length, latest))
      ++taken;
    else
      ++ignoredCount;  // nested bundles among them
    at += length;
  }
  return taken;
}

}  // namespace panner
