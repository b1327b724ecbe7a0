#include "sphere_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace panner {

namespace {

constexpr double kRadians = 3.14159265358979323846 / 180.0;

void unitVector(double azimuth, double elevation, double* v) {
  const double a = azimuth * kRadians, e = elevation * kRadians;
  v[0] = std::cos(e) * std::cos(a);
  v[1] = -std::cos(e) * std::sin(a);
  v[2] = std::sin(e);
}

double determinant(const double* a, const double* b, const double* c) {
  return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
         a[2] * (b[0] * c[1] - b[1] * c[0]);
}

double angleBetween(const double* a, const double* b) {
  const double dot = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  return std::acos(std::clamp(dot, -1.0, 1.0)) / kRadians;
}

std::string degrees(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

bool SphereGrid::build(std::vector<SphereCorner> corners, std::string* error) {
  corners_.clear();
  rings_.clear();
  bands_.clear();
  edges_.clear();
  if (corners.empty()) {
    if (error) *error = "no measured directions";
    return false;
  }
  std::sort(corners.begin(), corners.end(), [](const SphereCorner& a, const SphereCorner& b) {
    return a.elevation != b.elevation ? a.elevation < b.elevation : a.azimuth < b.azimuth;
  });
  // Rings: runs of elevations within the tolerance of the run's first, each then sorted by
  // azimuth and given the run's mean elevation.
  for (size_t first = 0; first < corners.size();) {
    size_t end = first;
    double sum = 0.0;
    while (end < corners.size() &&
           corners[end].elevation - corners[first].elevation < kRingTolerance)
      sum += corners[end++].elevation;
    std::sort(corners.begin() + first, corners.begin() + end,
              [](const SphereCorner& a, const SphereCorner& b) { return a.azimuth < b.azimuth; });
    const float elevation = static_cast<float>(sum / double(end - first));
    // Every azimuth at a pole is the same direction: the first stands for them all.
    if (std::fabs(elevation) > 89.5f && end - first > 1) {
      corners.erase(corners.begin() + first + 1, corners.begin() + end);
      end = first + 1;
    }
    for (size_t i = first; i < end; ++i) corners[i].elevation = elevation;
    rings_.push_back({elevation, static_cast<int>(first), static_cast<int>(end - first)});
    first = end;
  }
  corners_ = std::move(corners);
  unit_.resize(corners_.size() * 3);
  for (size_t i = 0; i < corners_.size(); ++i)
    unitVector(corners_[i].azimuth, corners_[i].elevation, &unit_[i * 3]);

  auto refuse = [&](const std::string& why) {
    if (error) *error = why;
    corners_.clear();
    rings_.clear();
    return false;
  };
  for (const Ring& ring : rings_) {
    const bool pole = std::fabs(ring.elevation) > 89.5f;
    if (ring.count == 1 && !pole && rings_.size() > 1)
      return refuse("a single measured direction at elevation " + degrees(ring.elevation) +
                    ": its ring leaves a gap of 360 degrees");
    for (int i = 0; i < ring.count && ring.count > 1; ++i) {
      const int a = ring.first + i, b = ring.first + (i + 1) % ring.count;
      const double gap = angleBetween(&unit_[a * 3], &unit_[b * 3]);
      if (gap > kMaxGapDegrees && !pole)
        return refuse("no measured direction between azimuths " + degrees(corners_[a].azimuth) +
                      " and " + degrees(corners_[b].azimuth) + " at elevation " +
                      degrees(ring.elevation) + " (more than " + degrees(kMaxGapDegrees) +
                      " degrees apart)");
    }
  }
  for (size_t r = 0; r + 1 < rings_.size(); ++r) {
    if (rings_[r + 1].elevation - rings_[r].elevation > kMaxGapDegrees)
      return refuse("no measured direction between elevations " + degrees(rings_[r].elevation) +
                    " and " + degrees(rings_[r + 1].elevation) + " (more than " +
                    degrees(kMaxGapDegrees) + " degrees apart)");
  }
  for (size_t r = 0; r + 1 < rings_.size(); ++r) zip(static_cast<int>(r));
  return true;
}

// The zipper between ring `band` and the one above: edges from a lower corner to an upper
// one, each step moving whichever end's next corner lies at the smaller azimuth.
void SphereGrid::zip(int band) {
  const Ring& lower = rings_[band];
  const Ring& upper = rings_[band + 1];
  const int firstEdge = static_cast<int>(edges_.size());
  auto azimuth = [&](const Ring& ring, int i) {
    return double(corners_[ring.first + i % ring.count].azimuth) + 360.0 * (i / ring.count);
  };
  if (lower.count == 1 || upper.count == 1) {
    // A fan from the pole: its edges run along the other ring's meridians.
    const bool poleAbove = upper.count == 1;
    const Ring& ring = poleAbove ? lower : upper;
    const int pole = poleAbove ? upper.first : lower.first;
    for (int j = 0; j <= ring.count; ++j) {
      const int corner = ring.first + j % ring.count;
      const double a = azimuth(ring, j);
      edges_.push_back(poleAbove ? Edge{corner, pole, a, a} : Edge{pole, corner, a, a});
    }
  } else {
    // The upper ring starts at its corner nearest the lower ring's first in azimuth.
    int start = 0;
    double best = 1e9;
    for (int j = 0; j < upper.count; ++j) {
      const double d = std::fabs(
          std::remainder(corners_[upper.first + j].azimuth - corners_[lower.first].azimuth, 360.0));
      if (d < best) best = d, start = j;
    }
    const double shift = 360.0 * std::round((azimuth(lower, 0) - azimuth(upper, start)) / 360.0);
    auto upperAzimuth = [&](int j) { return azimuth(upper, start + j) + shift; };
    int i = 0, j = 0;
    for (;;) {
      edges_.push_back({lower.first + i % lower.count, upper.first + (start + j) % upper.count,
                        azimuth(lower, i), upperAzimuth(j)});
      if (i == lower.count && j == upper.count) break;
      if (j == upper.count || (i < lower.count && azimuth(lower, i + 1) <= upperAzimuth(j + 1)))
        ++i;
      else
        ++j;
    }
  }
  bands_.push_back({firstEdge, static_cast<int>(edges_.size()) - firstEdge - 1});
}

SphereGrid::Blend SphereGrid::weigh(int band, int triangle, const double* direction) const {
  const Band& b = bands_[band];
  triangle = (triangle % b.edges + b.edges) % b.edges;
  const Edge& e0 = edges_[b.firstEdge + triangle];
  const Edge& e1 = edges_[b.firstEdge + triangle + 1];
  Blend blend;
  blend.corner[0] = e0.lower;
  blend.corner[1] = e0.upper;
  blend.corner[2] = e1.lower != e0.lower ? e1.lower : e1.upper;
  const double* v[3];
  for (int k = 0; k < 3; ++k) v[k] = &unit_[blend.corner[k] * 3];
  double w[3] = {determinant(direction, v[1], v[2]), determinant(v[0], direction, v[2]),
                 determinant(v[0], v[1], direction)};
  const double sum = w[0] + w[1] + w[2];
  for (int k = 0; k < 3; ++k) blend.weight[k] = static_cast<float>(sum != 0.0 ? w[k] / sum : 0.0);
  if (sum == 0.0) blend.weight[0] = 1.0f;
  return blend;
}

SphereGrid::Blend SphereGrid::locate(float azimuthDegrees, float elevationDegrees) const {
  Blend blend{{0, 0, 0}, {1.0f, 0.0f, 0.0f}};
  if (corners_.empty()) return blend;
  const double azimuth = std::isfinite(azimuthDegrees) ? azimuthDegrees : 0.0;
  const double elevation =
      std::clamp(std::isfinite(elevationDegrees) ? double(elevationDegrees) : 0.0,
                 double(lowestElevation()), double(highestElevation()));
  if (rings_.size() == 1) {
    // One ring: the two neighbours in azimuth, by their azimuths.
    const Ring& ring = rings_[0];
    if (ring.count == 1) return blend;
    const double a = std::remainder(azimuth - corners_[ring.first].azimuth, 360.0) +
                     corners_[ring.first].azimuth;
    const double turn = a < corners_[ring.first].azimuth ? a + 360.0 : a;
    int i = 0;
    while (i + 1 < ring.count && corners_[ring.first + i + 1].azimuth <= turn) ++i;
    const double from = corners_[ring.first + i].azimuth;
    const double to = i + 1 < ring.count ? corners_[ring.first + i + 1].azimuth
                                         : corners_[ring.first].azimuth + 360.0;
    const float w = static_cast<float>(std::clamp((turn - from) / (to - from), 0.0, 1.0));
    blend.corner[0] = ring.first + i;
    blend.corner[1] = ring.first + (i + 1) % ring.count;
    blend.weight[0] = 1.0f - w;
    blend.weight[1] = w;
    return blend;
  }
  int band = 0;
  while (band + 2 < static_cast<int>(rings_.size()) && rings_[band + 1].elevation <= elevation)
    ++band;
  const double t =
      (elevation - rings_[band].elevation) / (rings_[band + 1].elevation - rings_[band].elevation);
  const Band& b = bands_[band];
  const Edge* edges = &edges_[b.firstEdge];
  auto across = [&](int k) {
    return edges[k].lowerAzimuth + t * (edges[k].upperAzimuth - edges[k].lowerAzimuth);
  };
  const double start = across(0);
  const double x = start + (std::remainder(azimuth - start - 180.0, 360.0) + 180.0);
  // The last edge at or before x: the band's edges never go back in azimuth.
  int low = 0, high = b.edges;
  while (high - low > 1) {
    const int mid = (low + high) / 2;
    (across(mid) <= x ? low : high) = mid;
  }
  double direction[3];
  unitVector(azimuth, elevation, direction);
  blend = weigh(band, low, direction);
  // Edges are straight in azimuth here but great circles on the sphere: near one the
  // direction may lie in the neighbouring triangle, whose weights are then all positive.
  auto smallest = [](const Blend& c) { return std::min({c.weight[0], c.weight[1], c.weight[2]}); };
  if (smallest(blend) < 0.0f) {
    for (int step : {-1, 1}) {
      const Blend other = weigh(band, low + step, direction);
      if (smallest(other) > smallest(blend)) blend = other;
    }
    float sum = 0.0f;
    for (float& w : blend.weight) sum += (w = std::max(w, 0.0f));
    for (float& w : blend.weight) w /= sum;
  }
  return blend;
}

float SphereGrid::ringNextToHorizon(float elevation) const {
  for (size_t r = 0; r < rings_.size(); ++r) {
    if (rings_[r].elevation != 0.0f) continue;
    if (elevation > 0.0f && r + 1 < rings_.size()) return rings_[r + 1].elevation;
    if (elevation < 0.0f && r > 0) return rings_[r - 1].elevation;
  }
  return 0.0f;
}

}  // namespace panner
