#include "own_response_set.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "angle_math.h"
#include "band_limited_resampler.h"
#include "response_set_data.h"
#include "spectral_blend.h"
#include "sphere_grid.h"

namespace panner {

namespace {

constexpr double kLevelRate = 44100.0;  // the rate at which the level rule compares energies
constexpr float kRingTolerance = 0.5f;  // degrees of elevation around the ring's own
constexpr float kNearestRingLimit = 5.0f;
constexpr float kSameAzimuth = 0.01f;  // degrees: closer directions count as one
// Data.Delay beyond a second is no head's: refused before anything is allocated for it.
constexpr double kMaxDelaySeconds = 1.0;

std::string format(const char* pattern, double a, double b = 0.0, double c = 0.0) {
  char text[200];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

// 0 <= a < 360, without negative zero.
float wrapDegrees(float a) { return wrapAzimuth(a) + 0.0f; }

// The widest gap between neighbouring rows (increasing angles), across the mirror line when
// the rows cover one half only.
float widestGap(const std::vector<float>& angles, bool mirrored) {
  if (angles.empty()) return 360.0f;
  float widest = 0.0f;
  for (size_t i = 1; i < angles.size(); ++i) widest = std::max(widest, angles[i] - angles[i - 1]);
  if (mirrored) {
    widest = std::max(widest, 2.0f * angles.front());
    widest = std::max(widest, 2.0f * (180.0f - angles.back()));
  } else {
    widest = std::max(widest, 360.0f - angles.back() + angles.front());
  }
  return widest;
}

// Energy of both channels of a row at kLevelRate.
double rowEnergyAtLevelRate(const OwnResponseSet& set, int row) {
  const BandLimitedResampler resampler(set.rate, kLevelRate);
  const int n = resampler.identity() ? set.length : resampler.fullLength(set.length);
  std::vector<float> out(static_cast<size_t>(n));
  double sum = 0.0;
  for (int channel = 0; channel < 2; ++channel) {
    resampler.resample(set.response(row, channel), set.length, 0.0, out.data(), n);
    sum += spectral::energy(out.data(), n);
  }
  return sum;
}

// Energy straight ahead: the row at 0, or the two rows around it, weighted by angle. On a
// mirrored ring the row nearest 0 stands for itself and its mirror image.
double energyStraightAhead(const OwnResponseSet& set) {
  const std::vector<float>& a = set.angles;
  if (a.front() == 0.0f) return rowEnergyAtLevelRate(set, 0);
  if (set.mirrored) return rowEnergyAtLevelRate(set, 0);
  const int upper = 0, lower = set.rows() - 1;
  const double before = 360.0 - a[static_cast<size_t>(lower)], after = a[0];
  const double w = before / (before + after);  // weight of the upper row
  return (1.0 - w) * rowEnergyAtLevelRate(set, lower) + w * rowEnergyAtLevelRate(set, upper);
}

double builtInEnergyStraightAhead() {
  double sum = 0.0;
  for (int ear = 0; ear < 2; ++ear)
    for (int i = 0; i < response_data::kTaps; ++i) {
      const double v = response_data::kSetOneTaps[0][ear][i] / 32768.0;
      sum += v * v;
    }
  return sum;
}

struct RingMember {
  int measurement;
  float angle;         // ours
  float elevationOff;  // from the ring's elevation
  float elevation;
};

}  // namespace

bool prepareOwnResponseSet(const SofaMeasurements& in, OwnResponseSet& out, std::string& status) {
  using namespace own_set;
  if (!std::isfinite(in.sampleRate) || in.sampleRate < kMinRate || in.sampleRate > kMaxRate) {
    status = format("the sample rate %g Hz lies outside 8-384 kHz", in.sampleRate);
    return false;
  }
  const size_t m = in.count > 0 ? static_cast<size_t>(in.count) : 0;
  const size_t n = in.taps > 0 ? static_cast<size_t>(in.taps) : 0;
  if (m == 0 || n == 0 || in.positions.size() != 3 * m || in.responses.size() != 2 * m * n ||
      in.delays.size() != 2 * m) {
    status = "the file holds no measurements of two ears";
    return false;
  }

  // The ring's elevation: 0, or the nearest within kNearestRingLimit.
  float nearest = 1e9f;
  for (size_t i = 0; i < m; ++i) {
    const float* p = &in.positions[3 * i];
    if (std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]) &&
        std::fabs(p[1]) < std::fabs(nearest))
      nearest = p[1];
  }
  const float elevation = std::fabs(nearest) <= kRingTolerance ? 0.0f : nearest;
  if (!(std::fabs(elevation) <= kNearestRingLimit)) {
    status = "no usable ring: no direction lies within 5 degrees of the horizontal plane";
    return false;
  }
  // Of the ring's distances, the one with the most directions, then the farthest.
  std::vector<float> distances;
  for (size_t i = 0; i < m; ++i) {
    const float* p = &in.positions[3 * i];
    if (std::isfinite(p[0]) && std::fabs(p[1] - elevation) <= kRingTolerance && std::isfinite(p[2]))
      distances.push_back(p[2]);
  }
  auto sameDistance = [](float a, float b) {
    return std::fabs(a - b) <= std::max(0.001f, 0.005f * std::max(std::fabs(a), std::fabs(b)));
  };
  float distance = distances.front();
  size_t most = 0;
  for (float d : distances) {
    const size_t count = static_cast<size_t>(std::count_if(
        distances.begin(), distances.end(), [&](float e) { return sameDistance(d, e); }));
    if (count > most || (count == most && d > distance)) {
      most = count;
      distance = d;
    }
  }
  std::vector<RingMember> ring;
  for (size_t i = 0; i < m; ++i) {
    const float* p = &in.positions[3 * i];
    if (!std::isfinite(p[0]) || !(std::fabs(p[1] - elevation) <= kRingTolerance) ||
        !sameDistance(p[2], distance))
      continue;
    ring.push_back({static_cast<int>(i), wrapDegrees(-p[0]), std::fabs(p[1] - elevation), p[1]});
  }
  std::sort(ring.begin(), ring.end(), [](const RingMember& a, const RingMember& b) {
    return a.angle < b.angle || (a.angle == b.angle && a.elevationOff < b.elevationOff);
  });
  // One direction per azimuth: the one nearest the ring's elevation.
  std::vector<RingMember> unique;
  for (const RingMember& member : ring) {
    if (!unique.empty() && member.angle - unique.back().angle < kSameAzimuth) {
      if (member.elevationOff < unique.back().elevationOff) unique.back() = member;
      continue;
    }
    unique.push_back(member);
  }
  if (unique.size() > 1 && unique.back().angle > 360.0f - kSameAzimuth) {
    if (unique.back().elevationOff < unique.front().elevationOff) unique.front() = unique.back();
    unique.front().angle = 0.0f;
    unique.pop_back();
  }
  if (unique.size() > static_cast<size_t>(kMaxRows)) {
    status =
        format("the ring holds %g directions; the limit is %g", double(unique.size()), kMaxRows);
    return false;
  }

  // The directions above and below the ring at its distance, one per direction (the first
  // of several at a pole).
  std::vector<RingMember> offRing;
  for (size_t i = 0; i < m; ++i) {
    const float* p = &in.positions[3 * i];
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !(std::fabs(p[1]) <= 90.0f) ||
        std::fabs(p[1] - elevation) <= kRingTolerance || !sameDistance(p[2], distance))
      continue;
    const bool pole = std::fabs(p[1]) > 89.5f;
    const float angle = pole ? 0.0f : wrapDegrees(-p[0]);
    const bool again = std::any_of(offRing.begin(), offRing.end(), [&](const RingMember& o) {
      return std::fabs(o.elevation - p[1]) < kSameAzimuth &&
             (pole || std::fabs(std::remainder(o.angle - angle, 360.0f)) < kSameAzimuth);
    });
    if (!again) offRing.push_back({static_cast<int>(i), angle, std::fabs(p[1] - elevation), p[1]});
  }
  if (unique.size() + offRing.size() > static_cast<size_t>(kMaxDirections)) {
    status = format("the file holds %g directions at one distance; the limit is %g",
                    double(unique.size() + offRing.size()), kMaxDirections);
    return false;
  }

  // One half only (ours 0..180, or 180..360 with 0): mirrored onto the other half.
  auto onRight = [](const RingMember& r) { return r.angle <= 180.0f; };
  auto onLeft = [](const RingMember& r) { return r.angle == 0.0f || r.angle >= 180.0f; };
  const bool right = std::all_of(unique.begin(), unique.end(), onRight) &&
                     std::all_of(offRing.begin(), offRing.end(), onRight);
  const bool left = std::all_of(unique.begin(), unique.end(), onLeft) &&
                    std::all_of(offRing.begin(), offRing.end(), onLeft);
  const bool mirrored = right || left;
  const bool swapEars = !right && left;
  if (swapEars) {
    for (RingMember& r : unique) r.angle = r.angle == 0.0f ? 0.0f : 360.0f - r.angle;
    for (RingMember& r : offRing) r.angle = r.angle == 0.0f ? 0.0f : 360.0f - r.angle;
    std::sort(unique.begin(), unique.end(),
              [](const RingMember& a, const RingMember& b) { return a.angle < b.angle; });
  }
  std::vector<float> angles;
  for (const RingMember& r : unique) angles.push_back(r.angle);
  const float gap = widestGap(angles, mirrored);
  if (gap > kMaxGapDegrees) {
    status =
        format("gaps too wide: %g degrees between neighbouring directions (the limit is 45)", gap);
    return false;
  }
  // From here on the off-ring directions follow the ring's as rows of one list.
  const size_t ringRows = unique.size();
  unique.insert(unique.end(), offRing.begin(), offRing.end());

  // Each response delayed as the file says, checked for finite values.
  const double rate = in.sampleRate;
  double largestDelay = 0.0;
  for (const RingMember& r : unique) {
    for (int ear = 0; ear < 2; ++ear) {
      const float d = in.delays[2 * static_cast<size_t>(r.measurement) + ear];
      if (!std::isfinite(d) || d < 0.0f || d > kMaxDelaySeconds * rate) {
        status = format("the delay of the response at %g degrees is not usable (%g samples)",
                        r.angle, d);
        return false;
      }
      largestDelay = std::max(largestDelay, static_cast<double>(d));
      const float* x = &in.responses[(2 * static_cast<size_t>(r.measurement) + ear) * n];
      if (!std::all_of(x, x + n, [](float v) { return std::isfinite(v); })) {
        status = format("non-finite values in the response at %g degrees", r.angle);
        return false;
      }
    }
  }
  const BandLimitedResampler shifter(rate, rate);
  const int shiftedLength =
      static_cast<int>(n) + static_cast<int>(std::ceil(largestDelay)) + shifter.fullLength(1);
  const size_t rows = unique.size();
  std::vector<float> shifted;
  try {
    shifted.assign(rows * 2 * static_cast<size_t>(shiftedLength), 0.0f);
  } catch (const std::bad_alloc&) {
    status = "not enough memory for the set";
    return false;
  }
  for (size_t row = 0; row < rows; ++row) {
    for (int channel = 0; channel < 2; ++channel) {
      const int ear = swapEars ? 1 - channel : channel;
      const size_t measurement = static_cast<size_t>(unique[row].measurement);
      const float* x = &in.responses[(2 * measurement + ear) * n];
      const double d = in.delays[2 * measurement + ear];
      float* y = &shifted[(row * 2 + channel) * shiftedLength];
      if (d == std::floor(d)) {
        std::copy(x, x + n, y + static_cast<size_t>(d));
      } else {
        shifter.resample(x, static_cast<int>(n), d, y, shiftedLength);
      }
      double e = 0.0;
      for (int i = 0; i < shiftedLength; ++i) {
        e += static_cast<double>(y[i]) * y[i];
      }
      if (!(e > 0.0) || !std::isfinite(e)) {
        status = format(e > 0.0 ? "non-finite values in the response at %g degrees"
                                : "silent response at %g degrees",
                        unique[row].angle);
        return false;
      }
    }
  }

  // The leading silence common to the ring (what comes before less than -60 dB of each
  // response's energy has arrived), and the tails.
  int trim = shiftedLength;
  for (size_t r = 0; r < rows * 2; ++r) {
    const float* y = &shifted[r * shiftedLength];
    const double total = spectral::energy(y, shiftedLength);
    double lead = 0.0;
    int i = 0;
    while (i < trim && lead + double(y[i]) * y[i] <= spectral::kTailEnergy * total)
      lead += double(y[i]) * y[i], ++i;
    trim = std::min(trim, i);
  }
  int length = 1;
  for (size_t r = 0; r < rows * 2; ++r)
    length = std::max(length, spectral::lengthKeepingEnergy(&shifted[r * shiftedLength] + trim,
                                                            shiftedLength - trim));
  const int limit = static_cast<int>(std::floor(kMaxSeconds * rate));
  if (length > limit) {
    status = format(
        "responses too long: %.1f ms before less than -60 dB of their energy follows "
        "(the limit is 20 ms)",
        1000.0 * length / rate);
    return false;
  }
  if (rows * 2 * static_cast<size_t>(length) > kMaxValues) {
    status = format("the set is too large: %g directions of %g taps (at most %g values)",
                    double(rows), length, double(kMaxValues / 2));
    return false;
  }

  OwnResponseSet set;
  set.rate = rate;
  set.length = length;
  set.mirrored = mirrored;
  set.angles = angles;
  set.elevation = elevation;
  set.widestGap = gap;
  set.taps.resize(ringRows * 2 * static_cast<size_t>(length));
  set.offRingTaps.resize((rows - ringRows) * 2 * static_cast<size_t>(length));
  for (size_t r = 0; r < rows * 2; ++r)
    std::copy_n(
        &shifted[r * shiftedLength] + trim, length,
        r < ringRows * 2 ? &set.taps[r * length] : &set.offRingTaps[(r - ringRows * 2) * length]);
  for (size_t r = ringRows; r < rows; ++r) {
    set.offRingAngles.push_back(unique[r].angle);
    set.offRingElevations.push_back(unique[r].elevation);
  }
  const double level = std::sqrt(builtInEnergyStraightAhead() / energyStraightAhead(set));
  for (float& v : set.taps) v = static_cast<float>(v * level);
  for (float& v : set.offRingTaps) v = static_cast<float>(v * level);
  // Directions off the ring that leave gaps cannot make a sphere: the ring plays alone, as
  // it did before sets covered the sphere, and the status says why.
  std::string offRingGap;
  SphereGrid grid;
  if (set.offRingRows() > 0 && !ownSetSphereGrid(set, grid, &offRingGap)) {
    set.offRingAngles.clear();
    set.offRingElevations.clear();
    set.offRingTaps.clear();
  }
  std::string why;
  if (!checkOwnResponseSet(set, why)) {
    status = why;
    return false;
  }
  set.name = in.name.substr(0, kMaxNameBytes);
  set.checksum = in.checksum;
  out = std::move(set);
  status = describeOwnResponseSet(out);
  if (!offRingGap.empty()) status += "; the ring alone plays: off the ring " + offRingGap;
  return true;
}

bool checkOwnResponseSet(OwnResponseSet& set, std::string& why) {
  using namespace own_set;
  if (!std::isfinite(set.rate) || set.rate < kMinRate || set.rate > kMaxRate) {
    why = format("the sample rate %g Hz lies outside 8-384 kHz", set.rate);
    return false;
  }
  const size_t rows = set.angles.size();
  if (rows == 0 || rows > static_cast<size_t>(kMaxRows) || set.length < 1 ||
      set.length > static_cast<int>(std::floor(kMaxSeconds * set.rate)) ||
      rows * 2 * static_cast<size_t>(set.length) > kMaxValues ||
      set.taps.size() != rows * 2 * static_cast<size_t>(set.length)) {
    why = "the ring's sizes lie outside the limits";
    return false;
  }
  const float end = set.mirrored ? 180.0f : 360.0f;
  for (size_t i = 0; i < rows; ++i) {
    const float a = set.angles[i];
    if (!(a >= 0.0f && (set.mirrored ? a <= end : a < end)) ||
        (i > 0 && !(a > set.angles[i - 1]))) {
      why = "the ring's azimuths are not increasing within the circle";
      return false;
    }
  }
  set.widestGap = widestGap(set.angles, set.mirrored);
  if (set.widestGap > kMaxGapDegrees) {
    why = format("gaps too wide: %g degrees between neighbouring directions (the limit is 45)",
                 set.widestGap);
    return false;
  }
  for (size_t r = 0; r < rows * 2; ++r) {
    const double e = spectral::energy(&set.taps[r * set.length], set.length);
    if (!std::isfinite(e) || !(e > 0.0)) {
      why = format(std::isfinite(e) ? "silent response at %g degrees"
                                    : "non-finite values in the response at %g degrees",
                   set.angles[r / 2]);
      return false;
    }
  }
  // The directions above and below the ring.
  const size_t off = set.offRingAngles.size();
  if (off > 0) {
    if (set.offRingElevations.size() != off || rows + off > static_cast<size_t>(kMaxDirections) ||
        (rows + off) * 2 * static_cast<size_t>(set.length) > kMaxValues ||
        set.offRingTaps.size() != off * 2 * static_cast<size_t>(set.length)) {
      why = "the set's sizes lie outside the limits";
      return false;
    }
    for (size_t i = 0; i < off; ++i) {
      const float a = set.offRingAngles[i], e = set.offRingElevations[i];
      if (!(a >= 0.0f && (set.mirrored ? a <= end : a < end)) || !(std::fabs(e) <= 90.0f) ||
          std::fabs(e - set.elevation) <= kRingTolerance) {
        why = format("a direction off the ring lies outside the sphere (%g, %g degrees)", a, e);
        return false;
      }
    }
    for (size_t r = 0; r < off * 2; ++r) {
      const double e = spectral::energy(&set.offRingTaps[r * set.length], set.length);
      if (!std::isfinite(e) || !(e > 0.0)) {
        why = format(std::isfinite(e) ? "silent response at %g degrees, elevation %g"
                                      : "non-finite values in the response at %g degrees, "
                                        "elevation %g",
                     set.offRingAngles[r / 2], set.offRingElevations[r / 2]);
        return false;
      }
    }
    SphereGrid grid;
    std::string gap;
    if (!ownSetSphereGrid(set, grid, &gap)) {
      why = "gaps too wide: " + gap;
      return false;
    }
  }
  if (set.name.size() > kMaxNameBytes) set.name.resize(kMaxNameBytes);
  return true;
}

bool ownSetSphereGrid(const OwnResponseSet& set, SphereGrid& grid, std::string* why) {
  std::vector<SphereCorner> corners;
  auto add = [&](float angle, float elevation, int response) {
    corners.push_back({angle, elevation, response, false});
    if (set.mirrored && angle > 0.0f && angle < 180.0f && std::fabs(elevation) <= 89.5f)
      corners.push_back({360.0f - angle, elevation, response, true});
  };
  for (int row = 0; row < set.rows(); ++row) add(set.angles[row], set.elevation, row);
  for (int row = 0; row < set.offRingRows(); ++row)
    add(set.offRingAngles[row], set.offRingElevations[row], set.rows() + row);
  return grid.build(std::move(corners), why);
}

std::string describeOwnResponseSet(const OwnResponseSet& set) {
  std::string text = set.name.empty() ? std::string("own set") : set.name;
  text += format(": %g directions", set.rows() + set.offRingRows());
  if (set.mirrored) text += " (one half, mirrored)";
  text += format(", widest gap %g degrees", set.widestGap);
  if (set.offRingRows() > 0) {
    const auto [low, high] =
        std::minmax_element(set.offRingElevations.begin(), set.offRingElevations.end());
    text += format(", elevations %g to %g", std::min(*low, set.elevation),
                   std::max(*high, set.elevation));
  } else if (set.elevation != 0.0f) {
    text += format(", at elevation %g (none at 0)", set.elevation);
  }
  text += format(", %g Hz, %.1f ms", set.rate, 1000.0 * set.length / set.rate);
  return text;
}

}  // namespace panner
