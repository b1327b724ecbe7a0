// The listener's head orientation and the direction of a source relative to the head.
//
// Conventions: the tracker's yaw, pitch and roll are the scene's rotation, as SPARTA's
// binauraliser takes its `/ypr` (yaw-pitch-roll, "zyx"), so trackers set up for it turn
// the scene the right way at once; the head's orientation is that rotation's inverse.
// Axes x ahead, y to the left, z up, right-handed. For one axis alone, in the head's terms:
//  - yaw: positive turns the head to the right (the scene turns left, counter-clockwise
//    seen from above);
//  - pitch: positive raises the nose (the listener looks up);
//  - roll: positive raises the right ear.
// Order: yaw-pitch-roll turns the scene by yaw about the vertical, then by pitch about the
// turned left axis, then by roll about the turned ahead axis (z-y'-x''); roll-pitch-yaw the
// other way round (x-y'-z'').
// A source's direction is the engine's: angle in degrees clockwise from ahead (90 at the
// right ear), elevation -90..90 (+90 overhead).
//
// An orientation crosses threads whole as one 64-bit value (packHead): four 16-bit
// quaternion components, which keeps every orientation within a few thousandths of a degree
// (a listener tells directions apart a degree at best).
#pragma once

#include <cstdint>

namespace panner {

enum class RotationOrder : int32_t { kYawPitchRoll = 0, kRollPitchYaw = 1 };

// A unit quaternion: the rotation from head coordinates to room coordinates.
struct HeadQuaternion {
  double w = 1.0, x = 0.0, y = 0.0, z = 0.0;
};

HeadQuaternion headFromYawPitchRoll(double yawDegrees, double pitchDegrees, double rollDegrees,
                                    RotationOrder order);
// The quaternion `q` normalised; a zero, NaN or infinite one gives straight ahead.
HeadQuaternion normalisedHead(const HeadQuaternion& q);
HeadQuaternion multiply(const HeadQuaternion& a, const HeadQuaternion& b);
HeadQuaternion inverse(const HeadQuaternion& q);
// Yaw, pitch and roll (degrees, yaw-pitch-roll order) of an orientation, as the panel shows it.
void yawPitchRollOf(const HeadQuaternion& q, double& yaw, double& pitch, double& roll);

// The packed form: what the audio thread reads in one load.
uint64_t packHead(const HeadQuaternion& q);
HeadQuaternion unpackHead(uint64_t packed);
// Straight ahead, packed: the engine then uses the source's direction as it is, bit for bit.
inline constexpr uint64_t kHeadStraightAhead = 0x7FFFu;

// The source at (angleDegrees, elevationDegrees) in the room as the head at `head` hears it:
// the direction turned by the inverse of the head's orientation. Results are rounded to a
// ten-thousandth of a degree (so a pure yaw keeps a horizontal source exactly horizontal);
// the angle is 0 <= a < 360. Straight up or down keeps the angle given.
void headRelativeDirection(const HeadQuaternion& head, float angleDegrees, float elevationDegrees,
                           float& angleOut, float& elevationOut);

}  // namespace panner
