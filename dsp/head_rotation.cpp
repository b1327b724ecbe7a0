#include "head_rotation.h"

#include <algorithm>
#include <cmath>

#include "angle_math.h"

namespace panner {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerDegree = kPi / 180.0;
constexpr double kComponentScale = 32767.0;
constexpr double kRounding = 10000.0;  // results in ten-thousandths of a degree

HeadQuaternion about(double degrees, double ax, double ay, double az) {
  const double half = 0.5 * degrees * kRadiansPerDegree;
  const double s = std::sin(half);
  return {std::cos(half), ax * s, ay * s, az * s};
}

double rounded(double degrees) { return std::round(degrees * kRounding) / kRounding; }

}  // namespace

HeadQuaternion multiply(const HeadQuaternion& a, const HeadQuaternion& b) {
  return {
      a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
      a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

HeadQuaternion inverse(const HeadQuaternion& q) { return {q.w, -q.x, -q.y, -q.z}; }

HeadQuaternion normalisedHead(const HeadQuaternion& q) {
  const double norm = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  if (!std::isfinite(norm) || norm < 1e-9) return {};
  return {q.w / norm, q.x / norm, q.y / norm, q.z / norm};
}

HeadQuaternion headFromYawPitchRoll(double yaw, double pitch, double roll, RotationOrder order) {
  // The angles turn the scene; the head is turned the other way.
  const HeadQuaternion qYaw = about(yaw, 0, 0, 1);
  const HeadQuaternion qPitch = about(pitch, 0, 1, 0);
  const HeadQuaternion qRoll = about(roll, 1, 0, 0);
  const HeadQuaternion scene = order == RotationOrder::kRollPitchYaw
                                   ? multiply(multiply(qRoll, qPitch), qYaw)
                                   : multiply(multiply(qYaw, qPitch), qRoll);
  return inverse(scene);
}

void yawPitchRollOf(const HeadQuaternion& head, double& yaw, double& pitch, double& roll) {
  const HeadQuaternion q = inverse(normalisedHead(head));  // the scene's rotation
  yaw = std::atan2(2.0 * (q.w * q.z + q.x * q.y), 1.0 - 2.0 * (q.y * q.y + q.z * q.z)) /
        kRadiansPerDegree;
  pitch = std::asin(std::clamp(2.0 * (q.w * q.y - q.z * q.x), -1.0, 1.0)) / kRadiansPerDegree;
  roll = std::atan2(2.0 * (q.w * q.x + q.y * q.z), 1.0 - 2.0 * (q.x * q.x + q.y * q.y)) /
         kRadiansPerDegree;
}

uint64_t packHead(const HeadQuaternion& head) {
  HeadQuaternion q = normalisedHead(head);
  if (q.w < 0.0) q = {-q.w, -q.x, -q.y, -q.z};  // q and -q are the same orientation
  auto field = [](double c, int shift) {
    const long v = std::lround(std::clamp(c, -1.0, 1.0) * kComponentScale);
    return static_cast<uint64_t>(static_cast<uint16_t>(static_cast<int16_t>(v))) << shift;
  };
  return field(q.w, 0) | field(q.x, 16) | field(q.y, 32) | field(q.z, 48);
}

HeadQuaternion unpackHead(uint64_t packed) {
  auto field = [&](int shift) {
    return static_cast<int16_t>(static_cast<uint16_t>(packed >> shift)) / kComponentScale;
  };
  return normalisedHead({field(0), field(16), field(32), field(48)});
}

void headRelativeDirection(const HeadQuaternion& head, float angleDegrees, float elevationDegrees,
                           float& angleOut, float& elevationOut) {
  const double a = angleDegrees * kRadiansPerDegree, e = elevationDegrees * kRadiansPerDegree;
  // Room coordinates: x ahead, y left, z up; the angle runs clockwise.
  const double vx = std::cos(e) * std::cos(a), vy = -std::cos(e) * std::sin(a), vz = std::sin(e);
  // The inverse rotation, R^T v, with R the head's rotation matrix.
  const HeadQuaternion& q = head;
  const double r00 = 1 - 2 * (q.y * q.y + q.z * q.z), r01 = 2 * (q.x * q.y - q.w * q.z),
               r02 = 2 * (q.x * q.z + q.w * q.y);
  const double r10 = 2 * (q.x * q.y + q.w * q.z), r11 = 1 - 2 * (q.x * q.x + q.z * q.z),
               r12 = 2 * (q.y * q.z - q.w * q.x);
  const double r20 = 2 * (q.x * q.z - q.w * q.y), r21 = 2 * (q.y * q.z + q.w * q.x),
               r22 = 1 - 2 * (q.x * q.x + q.y * q.y);
  const double hx = r00 * vx + r10 * vy + r20 * vz;
  const double hy = r01 * vx + r11 * vy + r21 * vz;
  const double hz = r02 * vx + r12 * vy + r22 * vz;
  const double elevation = rounded(std::asin(std::clamp(hz, -1.0, 1.0)) / kRadiansPerDegree);
  elevationOut = static_cast<float>(std::clamp(elevation, -90.0, 90.0));
  if (std::abs(elevation) >= 90.0 || (hx == 0.0 && hy == 0.0)) {
    angleOut = angleDegrees;
    return;
  }
  angleOut = wrapAzimuth(static_cast<float>(rounded(std::atan2(-hy, hx) / kRadiansPerDegree)));
}

}  // namespace panner
