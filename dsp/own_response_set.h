// A user's own response set: a SOFA file's measurements on its horizontal ring and, where
// the file measured them, above and below it, made into a set the engine serves like its
// built-in ones (own_set_tables.h prepares it for the host's rate).
//
// From the file's measurements (SofaMeasurements, in the file's own conventions) to the ring
// as used (OwnResponseSet):
//  - the ring: the directions within 0.5 degrees of elevation 0 at one distance (of several
//    distances the one with the most such directions, then the farthest). If there are none,
//    the directions within 0.5 degrees of the elevation nearest to 0, if that lies within
//    5 degrees; else the file is refused;
//  - azimuths: the file's run counter-clockwise with +90 at the left ear; ours run clockwise
//    with 90 at the right ear, output channel 1. Our azimuth a is the file's -a, its channel
//    0 the left receiver;
//  - each response is delayed by the file's Data.Delay for it (a fractional delay through the
//    band-limited resampler), then the leading silence common to the whole ring is trimmed
//    (what comes before -60 dB of a response's energy has arrived, in the earliest one), so
//    the delays between the ears and between directions stay as measured;
//  - tails are cut where less than -60 dB of a response's energy follows;
//  - the directions above and below the ring at the ring's distance join it (one per
//    direction; of several at a pole, one), so the set covers the sphere as measured; a file
//    of one ring plays as a ring, on every elevation;
//  - a set that goes round the circle is kept as measured (a head is not symmetric); one
//    that covers one half only (azimuths 0..180 or 180..360) is mirrored onto the other
//    half, as the built-in sets are;
//  - the directions may leave no gap wider than 45 degrees, on a ring or between rings
//    (sphere_grid.h);
//  - level: one factor for the whole ring, chosen so that straight ahead (interpolated
//    between the two nearest directions when none lies at 0) the two ears' responses, taken
//    at 44.1 kHz, hold together the energy of the built-in fine set's 0-degree row. The
//    engine then applies the fine set's level factor, so switching sets does not jump.
//
// Refusals name the problem in one line; a refused file changes nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace panner {

// What a SOFA file of the SimpleFreeFieldHRIR convention holds, in its own terms, as a
// reader hands it over.
struct SofaMeasurements {
  double sampleRate = 0.0;
  int count = 0;  // measurements
  int taps = 0;   // samples per response
  // [measurement][3]: azimuth in degrees counter-clockwise from straight ahead (+90 at the
  // left ear), elevation in degrees, distance in metres.
  std::vector<float> positions;
  // [measurement][ear][tap]: ear 0 the left ear, 1 the right ear, as the measurements
  // decide (receiver_sides.h).
  std::vector<float> responses;
  // [measurement][ear]: samples by which each response is to be delayed (Data.Delay).
  std::vector<float> delays;
  std::string name;       // the file's title, or its name
  uint32_t checksum = 0;  // CRC-32 of the file's bytes
  // The file's receiver positions put the ears the other way round than its data.
  bool receiverPositionsContradict = false;
};

// The ring as the engine uses it, and as a saved project carries it.
struct OwnResponseSet {
  double rate = 0.0;      // samples per second of the taps
  int32_t length = 0;     // taps per response
  bool mirrored = false;  // rows cover 0..180 degrees; the other half is their mirror image
  // Clockwise degrees from straight ahead (90 at the right ear), increasing, 0 <= a < 360
  // (0..180 when mirrored).
  std::vector<float> angles;
  // [row][channel][length]: channel 0 the left ear (output channel 0), 1 the right ear.
  std::vector<float> taps;
  std::string name;        // what the panel shows: the file's title, or its name
  uint32_t checksum = 0;   // CRC-32 of the file's bytes, to tell files apart
  float elevation = 0.0f;  // of the ring, degrees
  float widestGap = 0.0f;  // degrees between neighbours on the ring, across the mirror line too
  // The directions above and below the ring: azimuths as `angles` has them (any order),
  // elevations (-90..90), and taps as `taps` has them. Empty when the file measured the
  // ring alone.
  std::vector<float> offRingAngles;
  std::vector<float> offRingElevations;
  std::vector<float> offRingTaps;

  int rows() const { return static_cast<int>(angles.size()); }
  int offRingRows() const { return static_cast<int>(offRingAngles.size()); }
  const float* response(int row, int channel) const {
    return taps.data() + (static_cast<size_t>(row) * 2 + channel) * length;
  }
  const float* offRingResponse(int row, int channel) const {
    return offRingTaps.data() + (static_cast<size_t>(row) * 2 + channel) * length;
  }
};

namespace own_set {

constexpr double kMinRate = 8000.0;
constexpr double kMaxRate = 384000.0;
// Responses may last this long after the tail cut (20 ms: measured heads need 3 to 15).
constexpr double kMaxSeconds = 0.020;
constexpr float kMaxGapDegrees = 45.0f;
constexpr int kMaxRows = 720;  // on the ring: half-degree steps
// Directions of the whole set, the ring's included.
constexpr int kMaxDirections = 2500;
// Taps of the whole set (directions x 2 x length): 8 MiB as floats in a saved project, room
// for 2,500 directions of 256 taps (then 5 MiB) or a ring of 720 of 20 ms at 48 kHz.
constexpr size_t kMaxValues = size_t(1) << 21;
// Files larger than this are refused before they are read.
constexpr uint64_t kMaxFileBytes = uint64_t(128) << 20;
// Names longer than this are shortened (a saved project carries the name).
constexpr size_t kMaxNameBytes = 255;

}  // namespace own_set

// True with `out` the ring as used and `status` describing it (one line); false with
// `status` the reason for the refusal (one line) and `out` untouched.
bool prepareOwnResponseSet(const SofaMeasurements& in, OwnResponseSet& out, std::string& status);

// Whether a ring from elsewhere (a saved project) keeps every limit a prepared one keeps:
// the rate, the sizes, increasing angles within their half or circle, gaps, finite and not
// silent responses. Fills its widestGap. False with `why` one line.
bool checkOwnResponseSet(OwnResponseSet& set, std::string& why);

// One line for the panel and the render tool: name, directions, widest gap, elevations
// measured, rate, length.
std::string describeOwnResponseSet(const OwnResponseSet& set);

class SphereGrid;
// The set's directions (ring and off-ring, a mirrored half seen from both sides) as a grid
// whose corners number the ring's rows first, then the off-ring rows. False with `why`
// naming a gap wider than 45 degrees.
bool ownSetSphereGrid(const OwnResponseSet& set, SphereGrid& grid, std::string* why);

}  // namespace panner
