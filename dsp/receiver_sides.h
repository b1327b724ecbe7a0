// Which of a SOFA file's two receivers is the left ear, decided by what they measured.
//
// Several widely used files carry receiver positions that contradict their own data (the
// receiver their ReceiverPosition puts on the right is the one that is louder for sources on
// the left), so the positions never decide. The rule: for each lateral direction near the
// horizontal plane (SOFA azimuth 30..150 degrees on the left, 210..330 on the right,
// elevation within 30 degrees) take the level of receiver 0 over receiver 1 in dB, with its
// sign turned for directions on the right so a direction and its mirror count alike, and
// average. At least kEarMarginDb says receiver 0 is the left ear, at most -kEarMarginDb says
// receiver 1 is; anything between (or no lateral direction at all) leaves the convention's
// order: the first receiver is the left ear.
#pragma once

#include <cstddef>

namespace panner {

// A real head's level difference between the ears at the sides is 10 to 30 dB; 3 dB is well
// above what two matched microphones differ by, and well below any head.
constexpr double kEarMarginDb = 3.0;

// Said of a file whose receiver positions put the ears the other way round than its data.
constexpr const char* kEarsByMeasurementNote =
    "receiver positions say the opposite; the measurements decide";

struct ReceiverSides {
  int left = 0;            // the receiver that is the left ear (0 or 1)
  bool measured = false;   // the data decided (false: the convention's order was taken)
  double lateralDb = 0.0;  // the averaged level of receiver 0 over 1 for sources on the left
};

// `responses`: [measurement][receiver 0, 1][taps]; `positions`: [measurement][3], SOFA's
// spherical coordinates (azimuth counter-clockwise in degrees, +90 at the left; elevation in
// degrees; distance).
ReceiverSides decideReceiverSides(const float* responses, std::size_t measurements,
                                  std::size_t taps, const float* positions);

}  // namespace panner
