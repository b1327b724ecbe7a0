// From the SOFA measurements to the engine's two response sets:
//  1. take the elevation-0 measurements at the sets' azimuths. Our azimuths run clockwise,
//     0..180 being the side of output channel 1, the right ear; SOFA azimuths run
//     counter-clockwise (+90 is on the left). So our azimuth a is the SOFA source at -a,
//     its near ear the right receiver (told apart by what the receivers measured) and its
//     far ear the left one;
//  2. trim the leading silence common to the whole set, so that the delay between the ears
//     and between azimuths stays as measured, and keep 128 taps;
//  3. scale the set by one factor so that its energies match the reference levels the
//     engine's set gains were chosen for (least squares on the logarithm);
//  4. round every tap to a 16-bit sample.
// The same directions' responses on the whole measured sphere (every ring's half from our
// azimuth 0 to 180) are cut and scaled exactly as the ring of their set, so that the sphere
// keeps the rings' levels and arrival times, and its elevation-0 rows are the rings' rows.
#include "response_set_generator.h"

#include <mysofa.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "receiver_sides.h"
#include "response_set_data.h"
#include "sphere_set_data.h"

namespace response_sets {
namespace {

using response_data::kFarEar;
using response_data::kNearEar;
using response_data::kTaps;

constexpr double kSampleRate = 44100.0;
// A sample belongs to the onset once its magnitude reaches this fraction of the set's peak.
constexpr double kOnsetThreshold = 0.05;
// Samples kept before the earliest onset of the set.
constexpr int kPreRoll = 2;
// Two measured angles closer than this (degrees) are the same angle.
constexpr double kAngleTolerance = 0.01;

struct ReferenceEnergy {
  int azimuth;
  int ear;
  double energy;
};

// Energy of taps 0..127 that the engine's set gains assume.
constexpr ReferenceEnergy kSetOneReference[] = {
    {0, kNearEar, 0.8206}, {45, kNearEar, 1.2931},  {45, kFarEar, 0.0837},  {90, kNearEar, 2.1983},
    {90, kFarEar, 0.0721}, {135, kNearEar, 0.9941}, {135, kFarEar, 0.0648}, {180, kNearEar, 0.2638},
};
constexpr ReferenceEnergy kSetTwoReference[] = {
    {0, kNearEar, 0.3920}, {0, kFarEar, 0.2081},    {90, kNearEar, 0.5264},
    {90, kFarEar, 0.0231}, {180, kNearEar, 0.0990}, {180, kFarEar, 0.2725},
};

struct SofaDeleter {
  void operator()(MYSOFA_HRTF* hrtf) const { mysofa_free(hrtf); }
};

using Direction = sphere_data::Direction;  // in our terms: azimuth clockwise, 0..180

struct RawSet {
  std::vector<Direction> directions;
  std::vector<std::vector<double>> ears[2];  // [ear][row][sample]
};

// Where a set's responses start and the factor that brings them to the reference levels.
struct Cut {
  int trim = 0;
  double scale = 1.0;
};

struct QuantisedSet {
  std::vector<Direction> directions;
  std::vector<int16_t> taps[2];  // [ear][row * kTaps + tap]
};

bool attributeEquals(const MYSOFA_ATTRIBUTE* attribute, const char* name, const char* value) {
  for (; attribute; attribute = attribute->next) {
    if (attribute->name && std::strcmp(attribute->name, name) == 0)
      return attribute->value && std::strcmp(attribute->value, value) == 0;
  }
  return false;
}

int findMeasurement(const MYSOFA_HRTF& hrtf, int azimuth) {
  for (unsigned m = 0; m < hrtf.M; ++m) {
    const float* position = hrtf.SourcePosition.values + 3 * m;
    const double difference = std::remainder(position[0] - azimuth, 360.0);
    if (std::fabs(position[1]) < kAngleTolerance && std::fabs(difference) < kAngleTolerance)
      return static_cast<int>(m);
  }
  return -1;
}

void addMeasurement(const MYSOFA_HRTF& hrtf, unsigned m, Direction direction, int nearReceiver,
                    RawSet& set) {
  const float* near =
      hrtf.DataIR.values + (static_cast<size_t>(m) * hrtf.R + nearReceiver) * hrtf.N;
  const float* far =
      hrtf.DataIR.values + (static_cast<size_t>(m) * hrtf.R + (1 - nearReceiver)) * hrtf.N;
  set.directions.push_back(direction);
  set.ears[kNearEar].emplace_back(near, near + hrtf.N);
  set.ears[kFarEar].emplace_back(far, far + hrtf.N);
}

bool readSet(const MYSOFA_HRTF& hrtf, int rows, int step, int nearReceiver, RawSet& set,
             std::string& error) {
  for (int row = 0; row < rows; ++row) {
    const int azimuth = row * step;
    const int m = findMeasurement(hrtf, (360 - azimuth) % 360);
    if (m < 0) {
      error = "no measurement at azimuth " + std::to_string(azimuth) + ", elevation 0";
      return false;
    }
    addMeasurement(hrtf, static_cast<unsigned>(m), {0.0f, static_cast<float>(azimuth)},
                   nearReceiver, set);
  }
  return true;
}

// Our azimuth (clockwise, 0..360) of a SOFA azimuth (counter-clockwise), as measured: a
// value a hair below 360 is 0.
double ourAzimuth(double sofaAzimuth) {
  double azimuth = std::fmod(-sofaAzimuth, 360.0);
  if (azimuth < 0.0) azimuth += 360.0;
  return azimuth > 360.0 - kAngleTolerance ? 0.0 : azimuth;
}

// Every measurement on our azimuths 0..180 (the other half is their mirror image) that
// `wanted` accepts, sorted by elevation and then azimuth. A pole is measured once.
template <typename Wanted>
bool readSphere(const MYSOFA_HRTF& hrtf, int nearReceiver, Wanted wanted, RawSet& set,
                std::string& error) {
  struct Found {
    Direction direction;
    unsigned m;
  };
  std::vector<Found> found;
  for (unsigned m = 0; m < hrtf.M; ++m) {
    const float* position = hrtf.SourcePosition.values + 3 * m;
    const double azimuth = ourAzimuth(position[0]);
    const Direction direction{position[1], static_cast<float>(azimuth)};
    if (azimuth <= 180.0 + kAngleTolerance && wanted(direction)) found.push_back({direction, m});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    if (a.direction.elevation != b.direction.elevation)
      return a.direction.elevation < b.direction.elevation;
    return a.direction.azimuth < b.direction.azimuth;
  });
  for (size_t i = 1; i < found.size(); ++i) {
    const Direction& a = found[i - 1].direction;
    const Direction& b = found[i].direction;
    if (std::fabs(a.elevation - b.elevation) < kAngleTolerance &&
        std::fabs(a.azimuth - b.azimuth) < kAngleTolerance) {
      error = "two measurements at elevation " + std::to_string(b.elevation) + ", azimuth " +
              std::to_string(b.azimuth);
      return false;
    }
  }
  if (found.empty()) {
    error = "no measurement on the sphere";
    return false;
  }
  for (const Found& f : found) addMeasurement(hrtf, f.m, f.direction, nearReceiver, set);
  return true;
}

int leadingSilence(const RawSet& set) {
  double peak = 0.0;
  for (const auto& ear : set.ears)
    for (const auto& response : ear)
      for (double v : response) peak = std::max(peak, std::fabs(v));
  size_t onset = set.ears[0].front().size();
  for (const auto& ear : set.ears) {
    for (const auto& response : ear) {
      for (size_t i = 0; i < response.size(); ++i) {
        if (std::fabs(response[i]) >= kOnsetThreshold * peak) {
          onset = std::min(onset, i);
          break;
        }
      }
    }
  }
  return std::max(0, static_cast<int>(onset) - kPreRoll);
}

double energy(const std::vector<double>& response, int start) {
  double sum = 0.0;
  for (int i = 0; i < kTaps; ++i) {
    const size_t at = static_cast<size_t>(start + i);
    if (at < response.size()) sum += response[at] * response[at];
  }
  return sum;
}

template <size_t n>
double levelFactor(const RawSet& set, int trim, const ReferenceEnergy (&reference)[n]) {
  double logRatio = 0.0;
  for (const ReferenceEnergy& r : reference) {
    const auto row = std::find_if(set.directions.begin(), set.directions.end(),
                                  [&](const Direction& d) { return d.azimuth == r.azimuth; });
    const auto& response = set.ears[r.ear][static_cast<size_t>(row - set.directions.begin())];
    logRatio += std::log(r.energy / energy(response, trim));
  }
  return std::sqrt(std::exp(logRatio / static_cast<double>(n)));
}

// The cut of a horizontal ring, which the same set's directions on the sphere share.
template <size_t n>
Cut ringCut(const RawSet& ring, const ReferenceEnergy (&reference)[n]) {
  const int trim = leadingSilence(ring);
  return {trim, levelFactor(ring, trim, reference)};
}

QuantisedSet quantise(const RawSet& set, Cut cut) {
  const double scale = cut.scale * 32768.0;
  QuantisedSet out;
  out.directions = set.directions;
  for (int ear = 0; ear < 2; ++ear) {
    for (const auto& response : set.ears[ear]) {
      for (int i = 0; i < kTaps; ++i) {
        const size_t at = static_cast<size_t>(cut.trim + i);
        const double v = at < response.size() ? response[at] * scale : 0.0;
        const long q = std::lround(std::clamp(v, -32768.0, 32767.0));
        out.taps[ear].push_back(static_cast<int16_t>(q));
      }
    }
  }
  return out;
}

// An angle as the file measured it, to four decimals (6.4286 for 360 / 56).
std::string angleText(float degrees) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", static_cast<double>(degrees));
  return std::string(text) == "-0.0000" ? "0.0000" : text;
}

// The taps of `set`, one braced row per direction headed by `label(direction)`.
template <typename Label>
void appendTaps(std::string& text, const std::string& declaration, const QuantisedSet& set,
                Label label) {
  text += declaration + " = {\n";
  char buffer[64];
  for (size_t row = 0; row < set.directions.size(); ++row) {
    text += "    {  // " + label(set.directions[row]) + "\n";
    for (int ear = 0; ear < 2; ++ear) {
      text += ear == kNearEar ? "        {  // near ear\n" : "        {  // far ear\n";
      for (int i = 0; i < kTaps; ++i) {
        if (i % 12 == 0) text += "            ";
        std::snprintf(buffer, sizeof buffer, "%d,",
                      set.taps[ear][row * kTaps + static_cast<size_t>(i)]);
        text += buffer;
        text += (i % 12 == 11 || i == kTaps - 1) ? "\n" : " ";
      }
      text += "        },\n";
    }
    text += "    },\n";
  }
  text += "};\n";
}

void appendRingSet(std::string& text, const char* name, const char* rowsName,
                   const QuantisedSet& set) {
  appendTaps(
      text, std::string("const int16_t ") + name + "[" + rowsName + "][2][kTaps]", set,
      [](const Direction& d) { return std::to_string(static_cast<int>(d.azimuth)) + " degrees"; });
}

void appendSphereSet(std::string& text, const std::string& name, const QuantisedSet& set) {
  const std::string count = std::to_string(set.directions.size());
  text += "const Direction k" + name + "Directions[" + count + "] = {\n";
  for (const Direction& d : set.directions)
    text += "    {" + angleText(d.elevation) + "f, " + angleText(d.azimuth) + "f},\n";
  text += "};\n\n";
  appendTaps(text, "const int16_t k" + name + "Taps[" + count + "][2][kTaps]", set,
             [](const Direction& d) {
               return "elevation " + angleText(d.elevation) + ", azimuth " + angleText(d.azimuth);
             });
  text += "\n";
}

}  // namespace

bool generateResponseSetSources(const std::string& sofaPath, Sources& sources, std::string& error) {
  int status = 0;
  std::unique_ptr<MYSOFA_HRTF, SofaDeleter> hrtf(mysofa_load(sofaPath.c_str(), &status));
  if (!hrtf || status != MYSOFA_OK) {
    error = "cannot read the SOFA file " + sofaPath + " (libmysofa error " +
            std::to_string(status) + ")";
    return false;
  }
  if (hrtf->R != 2 || hrtf->N < static_cast<unsigned>(kTaps) ||
      hrtf->DataSamplingRate.elements < 1 || hrtf->DataSamplingRate.values[0] != kSampleRate) {
    error = sofaPath + " does not hold two-ear responses of at least 128 taps at 44100 Hz";
    return false;
  }
  if (!attributeEquals(hrtf->SourcePosition.attributes, "Type", "spherical"))
    mysofa_tospherical(hrtf.get());
  // The right receiver is the one the measurements show louder on the side of negative SOFA
  // azimuths, by the rule every SOFA file is read with (receiver_sides.h).
  const int rightReceiver = 1 - panner::decideReceiverSides(hrtf->DataIR.values, hrtf->M, hrtf->N,
                                                            hrtf->SourcePosition.values)
                                    .left;

  RawSet setOne, setTwo;
  if (!readSet(*hrtf, response_data::kSetOneRows, response_data::kSetOneStep, rightReceiver, setOne,
               error) ||
      !readSet(*hrtf, response_data::kSetTwoRows, response_data::kSetTwoStep, rightReceiver, setTwo,
               error))
    return false;
  const Cut setOneCut = ringCut(setOne, kSetOneReference);
  const Cut setTwoCut = ringCut(setTwo, kSetTwoReference);

  // Set one: every measured direction. Set two: the rings every 30 degrees of elevation from
  // -30 up, at 30-degree azimuth steps. Either way a pole counts once, at azimuth 0.
  const auto onTheGrid = [](double angle, double step) {
    return std::fabs(std::remainder(angle, step)) < kAngleTolerance;
  };
  const auto onePole = [](const Direction& d) {
    return std::fabs(d.elevation) < 90.0f - kAngleTolerance || d.azimuth < kAngleTolerance;
  };
  RawSet sphereOne, sphereTwo;
  if (!readSphere(*hrtf, rightReceiver, onePole, sphereOne, error) ||
      !readSphere(
          *hrtf, rightReceiver,
          [&](const Direction& d) {
            return onePole(d) && d.elevation > -30.0f - kAngleTolerance &&
                   onTheGrid(d.elevation, 30.0) && onTheGrid(d.azimuth, 30.0);
          },
          sphereTwo, error))
    return false;

  const char* heading =
      "// Generated by quendral-response-sets from the MIT KEMAR measurements (see NOTICE).\n"
      "// Do not edit: run the generator instead. Values are 16-bit samples (divide by 32768).\n";
  sources.rings = heading;
  sources.rings += "#include \"response_set_data.h\"\n\nnamespace response_data {\n\n";
  appendRingSet(sources.rings, "kSetOneTaps", "kSetOneRows", quantise(setOne, setOneCut));
  sources.rings += "\n";
  appendRingSet(sources.rings, "kSetTwoTaps", "kSetTwoRows", quantise(setTwo, setTwoCut));
  sources.rings += "\n}  // namespace response_data\n";

  const QuantisedSet one = quantise(sphereOne, setOneCut);
  const QuantisedSet two = quantise(sphereTwo, setTwoCut);
  sources.sphere = heading;
  sources.sphere +=
      "// Cut and scaled as the horizontal rings of the same set (response_set_data.cpp).\n"
      "#include \"sphere_set_data.h\"\n\nnamespace sphere_data {\nnamespace {\n\n";
  appendSphereSet(sources.sphere, "SetOne", one);
  appendSphereSet(sources.sphere, "SetTwo", two);
  sources.sphere += "}  // namespace\n\nconst SphereSet kSetOneSphere = {" +
                    std::to_string(one.directions.size()) +
                    ", kSetOneDirections, kSetOneTaps};\nconst SphereSet kSetTwoSphere = {" +
                    std::to_string(two.directions.size()) +
                    ", kSetTwoDirections, kSetTwoTaps};\n\n}  // namespace sphere_data\n";
  return true;
}

}  // namespace response_sets
