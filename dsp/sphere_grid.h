// The measured directions of a response set as a triangulation of the sphere, and where a
// direction lies in it.
//
// Directions are grouped into rings of one elevation (within kRingTolerance), each sorted
// by azimuth. Neighbouring rings are joined by a zipper: walking both rings round by
// azimuth, each triangle takes the next direction of whichever ring comes first, so every
// direction is a corner and no triangle crosses another. A ring of one direction (a pole)
// is joined to its neighbour by a fan.
//
// A direction is blended from the three corners of the triangle it falls in, with the
// weights that rebuild it from them (its barycentric coordinates on the sphere, after
// projection onto the triangle's plane): 1 at a corner, 0 for the far corner along an edge,
// so the blend moves continuously and gives a measured direction exactly. At a pole every
// azimuth gives the pole alone.
//
// Above the highest ring and below the lowest (a head measured down to -40 degrees, a
// file of one ring), a direction takes the nearest elevation measured: its elevation is
// confined to the measured band, which is continuous at the band's edge.
//
// Built off the audio thread; locate() allocates nothing.
#pragma once

#include <string>
#include <vector>

namespace panner {

struct SphereCorner {
  float azimuth = 0.0f;    // degrees clockwise from straight ahead, 0 <= a < 360
  float elevation = 0.0f;  // degrees, -90..90
  int response = 0;        // which stored response pair
  bool mirrored = false;   // the stored pair with its ears exchanged
};

class SphereGrid {
 public:
  // Directions whose elevations differ by less than this belong to one ring.
  static constexpr float kRingTolerance = 0.5f;
  // The widest gap the grid accepts between neighbours on a ring and between rings.
  static constexpr float kMaxGapDegrees = 45.0f;

  struct Blend {
    int corner[3];
    float weight[3];  // each >= 0, summing to 1
  };

  // False with a message naming the gap when the directions leave a gap wider than
  // kMaxGapDegrees (neighbours on a ring, or neighbouring rings), or there are none.
  bool build(std::vector<SphereCorner> corners, std::string* error);

  const std::vector<SphereCorner>& corners() const { return corners_; }
  float lowestElevation() const { return rings_.front().elevation; }
  float highestElevation() const { return rings_.back().elevation; }
  // The elevation of the ring next to the horizontal one on the side of `elevation`, or 0
  // when there is no ring at elevation 0 or none on that side.
  float ringNextToHorizon(float elevation) const;

  // The triangle of (azimuth, elevation) and its weights. Any azimuth is accepted; the
  // elevation is confined to the measured band.
  Blend locate(float azimuthDegrees, float elevationDegrees) const;

 private:
  struct Ring {
    float elevation;
    int first, count;  // corners_[first .. first + count), sorted by azimuth
  };
  // An edge of the zipper between ring `band` and `band + 1`, and the azimuths of its two
  // ends unwrapped so that they never decrease along the band.
  struct Edge {
    int lower, upper;  // corners
    double lowerAzimuth, upperAzimuth;
  };
  struct Band {
    int firstEdge, edges;  // edges_[firstEdge .. firstEdge + edges], the last one repeating
                           // the first a turn later
  };
  void zip(int band);
  Blend weigh(int band, int triangle, const double* direction) const;

  std::vector<SphereCorner> corners_;
  std::vector<double> unit_;  // x, y, z of each corner
  std::vector<Ring> rings_;
  std::vector<Band> bands_;
  std::vector<Edge> edges_;
};

}  // namespace panner
